// The program behind each web server configuration of serve/: pages come
// through the query string, posts are stored, private files are refused and
// attachments are only ever downloads.
'use strict';

const { it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');
const servers = require('./lib/servers');
const { request, postForm } = require('./lib/http');
const { serverMissing, suite } = require('./lib/setup');

// GET with the path sent exactly as written (fetch would resolve "..") and
// any headers, Host included.
function rawGet(port, rawPath, headers = {}) {
  return new Promise((resolve, reject) => {
    const req = http.request({ host: '127.0.0.1', port, path: rawPath, method: 'GET', headers }, (res) => {
      const chunks = [];
      res.on('data', (c) => chunks.push(c));
      res.on('end', () => resolve({ status: res.statusCode, headers: res.headers, body: Buffer.concat(chunks) }));
    });
    req.on('error', reject);
    req.end();
  });
}

// Files beside the program and in the data folder that must never be
// served, each with a text that would show it leaked.
function privateFiles(site) {
  const demoPassword = site.adminPassword('demo');
  fs.writeFileSync(path.join(site.bbs, 'bbsdb', 'members-login.txt'), '"2026/01/01","10:00:00","guest","tried-secret","h","a"\r\n');
  fs.mkdirSync(path.join(site.bbs, 'bbsdb', 'demo'), { recursive: true });
  fs.writeFileSync(path.join(site.bbs, 'bbsdb', 'demo', 'demo1.txt'), '7\r\n');
  // The limits file holds the addresses of recent posters.
  fs.writeFileSync(path.join(site.bbs, 'bbsdb', 'demo.lim'), 'KIROQ LIMITS 1\nF 1733620000 198.51.100.9\n');
  // The copies kiroq-board repair leaves: an index with every deletion password.
  fs.writeFileSync(path.join(site.bbs, 'bbsdb', 'demo.idx.20261208T231500Z.bak'), 'copied-index-secret');
  fs.writeFileSync(path.join(site.bbs, 'bbsdb', 'demo.idx.20261208T231500Z.tail'), 'cut-tail-secret');
  fs.writeFileSync(path.join(site.bbs, 'bbsdb', 'demo.idx.20261208T231500Z.bak-2'), 'second-copy-secret');
  // A script beside the program must not run just because it is there.
  fs.writeFileSync(path.join(site.bbs, 'other.cgi'), '#!/bin/sh\necho "Content-Type: text/plain"\necho\necho RAN-OTHER\n', {
    mode: 0o755,
  });
  const settingsLeak = 'PASSWORD=X';
  return [
    ['/bbs/demo.ini', settingsLeak],
    ['/bbs/english.ini', settingsLeak],
    ['/bbs/members.ini', 'MEMBERSONLY'],
    ['/bbs/DEMO.INI', settingsLeak],
    ['/bbs/%64emo.ini', settingsLeak],
    ['/bbs/demo.ini.', settingsLeak],
    ['/bbs/kiroq.exe/../demo.ini', settingsLeak],
    ['/bbs/kiroq.exe/demo.ini', settingsLeak],
    ['/bbs/demo.HED', '<TITLE>'],
    ['/bbs/members.LOGINERR', 'guest-pass'],
    ['/bbs/members.txt', 'guest-pass'],
    ['/bbs/bbsdb/members-login.txt', 'tried-secret'],
    ['/bbs/bbsdb/demo.log', ''],
    ['/bbs/bbsdb/demo.idx', ''],
    ['/bbs/bbsdb/english.idx', ''],
    ['/bbs/bbsdb/demo.lim', '198.51.100.9'],
    ['/bbs/bbsdb/DEMO.LIM', '198.51.100.9'],
    ['/bbs/bbsdb/demo%2elim', '198.51.100.9'],
    ['/bbs/bbsdb/demo%2elog', ''],
    ['/bbs/bbsdb/demo/1/..%2F..%2Fdemo.idx', ''],
    ['/bbs/bbsdb/demo/1/%2e%2e/%2e%2e/demo.idx', ''],
    ['/bbs/bbsdb/demo/1/../../demo.idx', ''],
    ['/bbs/bbsdb/demo/demo1.txt', ''],
    ['/bbs/bbsdb/demo.idx.20261208T231500Z.bak', 'copied-index-secret'],
    ['/bbs/bbsdb/demo.idx.20261208T231500Z.tail', 'cut-tail-secret'],
    ['/bbs/bbsdb/demo.idx.20261208T231500Z.bak-2', 'second-copy-secret'],
    ['/bbs/', 'kiroq.exe'],
    ['/bbs/bbsdb/', 'demo.idx'],
    ['/bbs/bbsdb/demo/', 'demo1.txt'],
    ['/drive-x/KIRPASS/demo.PWD', demoPassword],
    ['/KIRPASS/demo.PWD', demoPassword],
    ['/bbs/../drive-x/KIRPASS/demo.PWD', demoPassword],
    ['/bbs/other.cgi', 'RAN-OTHER'],
  ];
}

// Attachment files as a hostile poster would name them; a server that ran
// or rendered them would answer with something other than their bytes.
const HOSTILE = [
  ['page.html', 'text/html', '<html><body><script>document.title="ran"</script></body></html>\n'],
  ['image.svg', 'image/svg+xml', '<svg xmlns="http://www.w3.org/2000/svg"><script>alert(1)</script></svg>\n'],
  ['code.php', 'application/x-php', '<?php echo "RAN-PHP"; ?>\n'],
  ['run.cgi', 'application/octet-stream', '#!/bin/sh\necho "Content-Type: text/plain"\necho\necho RAN-CGI\n'],
  ['kiroq.exe', 'application/octet-stream', '#!/bin/sh\necho "Content-Type: text/plain"\necho\necho RAN-COPY\n'],
];

// res from rawGet.
function assertDownload(res, bytes, what) {
  assert.equal(res.status, 200, `${what}: status`);
  assert.match(res.headers['content-disposition'] || '', /^attachment/, `${what}: Content-Disposition`);
  assert.equal(res.headers['x-content-type-options'], 'nosniff', `${what}: X-Content-Type-Options`);
  assert.deepEqual(res.body, Buffer.from(bytes), `${what}: served bytes differ from the stored file`);
}

for (const kind of ['apache', 'lighttpd', 'nginx']) {
  suite(`${kind} serving the demo boards`, serverMissing(kind), () => {
    let site;
    let server;

    before(async () => {
      site = servers.makeSite();
      server = await servers.startServer(kind, site);
    });

    after(async () => {
      if (server) await server.stop();
      if (site) site.remove();
    });

    it('answers board pages from the query words', async () => {
      const english = await request(server.url('english+10+0+2'));
      assert.equal(english.status, 200, server.errorLog());
      assert.match(english.headers.get('content-type'), /^text\/html/i);
      assert.match(english.text, /Welcome to the demo board/);
      assert.match(english.text, /First visit/);
      const demo = await request(server.url('demo+10+1+3'));
      assert.equal(demo.status, 200);
      assert.match(demo.text, /charset=x-sjis/);
      assert.ok(demo.text.includes('ようこそ、デモ掲示板へ'), 'article 1 of the Japanese board');
      assert.ok(demo.text.includes('記事を読んで、返信して、検索してみてください。'), 'its body');
      // Words arrive percent-encoded from some links; they are decoded.
      const encoded = await request(server.url('%65nglish+10+2+3'));
      assert.match(encoded.text, /Hello from the seaside\./);
    });

    it('stores a post sent through the server', async () => {
      const before = site.articleCount('demo');
      const res = await postForm(
        server.url('demo+10+0+9'),
        [
          { name: 'NAME', value: 'さくら' },
          { name: 'TITLE', value: `サーバ経由の投稿 ${kind}` },
          { name: 'PASSWORD', value: 'pw' },
          { name: 'CONTENT', value: `${kind} から送りました。\r\n二行目` },
        ],
        { japanese: true },
      );
      assert.equal(res.status, 200, server.errorLog());
      assert.equal(site.articleCount('demo'), before + 1);
      const page = await request(server.url(`demo+10+${before + 1}+3`));
      assert.ok(page.text.includes(`サーバ経由の投稿 ${kind}`), page.text);
      assert.ok(page.text.includes(`${kind} から送りました。`));
    });

    it('refuses settings, templates, member files, logs, indexes, limits files and password files', async () => {
      const leaks = [];
      for (const [p, secret] of privateFiles(site)) {
        const res = await rawGet(server.port, p);
        const body = res.body.toString('latin1');
        if (![403, 404].includes(res.status) || (secret && body.includes(secret))) {
          leaks.push(`${p} -> ${res.status}`);
        }
      }
      assert.deepEqual(leaks, [], 'private files were served');
    });

    it('serves files in an article folder as downloads, never as pages or programs', async () => {
      const folder = path.join(site.bbs, 'bbsdb', 'demo', '1');
      fs.mkdirSync(folder, { recursive: true });
      for (const [name, , text] of HOSTILE) {
        // Executable, as if the upload had kept a mode bit: still not run.
        fs.writeFileSync(path.join(folder, name), text, { mode: 0o755 });
      }
      for (const [name, , text] of HOSTILE) {
        const res = await rawGet(server.port, `/bbs/bbsdb/demo/1/${name}`);
        assertDownload(res, text, name);
      }
    });

    it('serves label pictures beside the program', async () => {
      const gif = Buffer.from('R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7', 'base64');
      fs.writeFileSync(path.join(site.bbs, 'newpost.gif'), gif);
      const res = await rawGet(server.port, '/bbs/newpost.gif');
      assert.equal(res.status, 200);
      assert.deepEqual(res.body, gif);
      assert.equal(res.headers['x-content-type-options'], 'nosniff');
    });

    it('refuses request bodies over the size limit', async () => {
      const before = site.articleCount('english');
      const res = await request(server.url('english+10+0+9'), {
        method: 'POST',
        headers: { 'Content-Type': 'multipart/form-data; boundary=x' },
        body: Buffer.alloc(7 * 1024 * 1024, 0x61),
      }).catch((err) => ({ status: `error ${err.cause?.code || err.message}` }));
      // The server may also close the connection while the body is sent.
      assert.ok(res.status === 413 || String(res.status).startsWith('error'), `status ${res.status}`);
      assert.equal(site.articleCount('english'), before);
    });

    it('stores an uploaded .html attachment and serves it back as a download', async () => {
      const before = site.articleCount('english');
      await postForm(server.url('english+10+0+9'), [
        { name: 'NAME', value: 'Uploader' },
        { name: 'TITLE', value: 'Has an attachment' },
        { name: 'PASSWORD', value: 'up-pass' },
        { name: 'CONTENT', value: 'See the file.' },
      ]);
      const n = before + 1;
      assert.equal(site.articleCount('english'), n);
      const html = '<html><body><script>document.title="ran"</script>upload</body></html>\n';
      const up = await postForm(server.url(`english+10+${n}+21`), [
        { name: 'UPPASSWORD', value: 'up-pass' },
        { name: 'UPLOADFILE', value: Buffer.from(html), filename: 'C:\\My Documents\\upload.html', type: 'text/html' },
      ]);
      assert.ok(up.text.includes('ファイルの保存が完了しました'), `upload page (action 21) says: ${up.text.slice(0, 300)}`);
      assert.ok(fs.existsSync(path.join(site.bbs, 'bbsdb', 'english', String(n), 'upload.html')), 'stored file');

      const direct = await rawGet(server.port, `/bbs/bbsdb/english/${n}/upload.html`);
      assertDownload(direct, html, 'uploaded upload.html');

      // The counted download answers with a redirect to that file.
      const counted = await request(server.url(`english+10+${n}+22`));
      assert.equal(counted.status, 302, `action 22 answered ${counted.status}: ${counted.text.slice(0, 200)}`);
      const location = counted.headers.get('location');
      assert.ok(location.endsWith(`/bbs/bbsdb/english/${n}/upload.html`), location);
      const followed = await request(location).catch((err) => ({ status: `unreachable (${err.cause?.code || err.message})` }));
      assert.equal(followed.status, 200, `the redirect ${location} does not reach the server on port ${server.port}`);
      assert.deepEqual(followed.body, Buffer.from(html));
      assert.equal(fs.readFileSync(path.join(site.bbs, 'bbsdb', 'english', `english${n}.txt`), 'latin1').split(/\r?\n/)[0], '1');

      // A made-up Host header does not reach the address (the configured name does).
      const forged = await rawGet(server.port, `/bbs/kiroq.exe?english+10+${n}+22`, { Host: 'evil.example' });
      assert.ok([301, 302, 303, 307].includes(forged.status), `action 22 with Host evil.example answered ${forged.status}`);
      assert.ok(!String(forged.headers.location).includes('evil.example'), forged.headers.location);
      assert.ok(String(forged.headers.location).startsWith(`http://127.0.0.1:${server.port}/`), forged.headers.location);
    });

    it("lets only the board's own pages frame its pages", async () => {
      const res = await request(server.url('english+10+0+1'));
      assert.equal(res.headers.get('x-frame-options'), 'SAMEORIGIN');
      assert.equal(res.headers.get('content-security-policy'), "frame-ancestors 'self'");
    });

    it("answers a post a little over the program's limit with its too-large page", async () => {
      const before = site.articleCount('english');
      const res = await request(server.url('english+10+0+9'), {
        method: 'POST',
        headers: { 'Content-Type': 'multipart/form-data; boundary=x' },
        body: Buffer.alloc(5.5 * 1024 * 1024, 0x61),
      }).catch((err) => ({ status: `error ${err.cause?.code || err.message}`, text: '' }));
      assert.equal(res.status, 200, server.errorLog());
      assert.match(res.text, /The request is too large/);
      assert.equal(site.articleCount('english'), before);
    });

    it("passes where a post comes from: another site's form is refused", async () => {
      const fields = [
        { name: 'NAME', value: 'Origin' },
        { name: 'CONTENT', value: `origin check ${kind}` },
      ];
      const before = site.articleCount('english');
      const foreign = await postForm(server.url('english+10+0+9'), fields, { headers: { Origin: 'http://evil.example' } });
      assert.match(foreign.text, /not accepted/, foreign.text.slice(0, 300));
      assert.equal(site.articleCount('english'), before);
      const own = await postForm(server.url('english+10+0+9'), fields, { headers: { Origin: server.base } });
      assert.doesNotMatch(own.text, /not accepted/);
      assert.equal(site.articleCount('english'), before + 1);
    });
  });
}
