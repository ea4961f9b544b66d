// The Atom feed behind Apache, read by Chromium: the demo boards with
// USEFEED=1. The page's head names the feed, the document parses as XML in
// the Atom namespace, markup in a title stays text (also when Chromium
// shows the document itself), Japanese text arrives decoded, and the
// entries' absolute links lead to the articles.
'use strict';

const { it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const servers = require('./lib/servers');
const { postForm, request } = require('./lib/http');
const { launch } = require('./lib/browser');
const { browserMissing, suite } = require('./lib/setup');

const ATOM = 'http://www.w3.org/2005/Atom';
const RFC3339 = /^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d$/;
const MARKUP_TITLE = '<script>window.pwned = 1</script> & "quoted"';

suite('the Atom feed', browserMissing(), () => {
  let site;
  let server;
  let chrome;
  let page;

  before(async () => {
    site = servers.makeSite();
    for (const board of ['english', 'demo']) {
      fs.appendFileSync(path.join(site.bbs, `${board}.ini`), '\r\nUSEFEED=1\r\n');
    }
    server = await servers.startServer('apache', site);
    const posts = [
      ['english', { NAME: 'Mallory <b>', TITLE: MARKUP_TITLE, CONTENT: 'first line <i>\r\nsecond line' }, false],
      ['demo', { NAME: '山田', TITLE: '日本語の題', CONTENT: '本文です。' }, true],
    ];
    for (const [board, fields, japanese] of posts) {
      const list = Object.entries(fields).map(([name, value]) => ({ name, value }));
      const res = await postForm(server.url(`${board}+10+0+9`), list, { japanese });
      assert.equal(res.status, 200, server.errorLog());
    }
    chrome = await launch();
    page = await (await chrome.browser.newContext()).newPage();
  });

  after(async () => {
    if (chrome) await chrome.stop();
    if (server) await server.stop();
    if (site) site.remove();
  });

  // The feed named by the board page's head, parsed by Chromium's DOMParser.
  async function feedOf(board) {
    await page.goto(server.url(`${board}+10+0+2`));
    const href = await page.evaluate(
      () => document.head.querySelector('link[rel="alternate"][type="application/atom+xml"]')?.href ?? null,
    );
    assert.ok(href, `no feed link in the head of ${board}`);
    const res = await request(href);
    assert.equal(res.status, 200);
    assert.equal(res.headers.get('content-type'), 'application/atom+xml; charset=utf-8');
    const xml = res.body.toString('utf8');
    const doc = await page.evaluate((text) => {
      const d = new DOMParser().parseFromString(text, 'application/xml');
      const child = (e, name) => e.getElementsByTagName(name)[0];
      return {
        errors: d.getElementsByTagName('parsererror').length,
        ns: d.documentElement.namespaceURI,
        root: d.documentElement.localName,
        scripts: d.getElementsByTagNameNS('http://www.w3.org/1999/xhtml', 'script').length,
        updated: child(d.documentElement, 'updated').textContent,
        entries: [...d.getElementsByTagName('entry')].map((e) => ({
          title: child(e, 'title').textContent,
          name: child(child(e, 'author'), 'name').textContent,
          link: child(e, 'link').getAttribute('href'),
          id: child(e, 'id').textContent,
          updated: child(e, 'updated').textContent,
          content: child(e, 'content').textContent,
        })),
      };
    }, xml);
    return { href, doc };
  }

  it('is named in the head and parses as Atom with markup kept as text', async () => {
    const { href, doc } = await feedOf('english');
    assert.match(href, /\/bbs\/kiroq\.exe\?english\+10\+0\+40$/);
    assert.equal(doc.errors, 0);
    assert.equal(doc.ns, ATOM);
    assert.equal(doc.root, 'feed');
    assert.equal(doc.scripts, 0);
    assert.ok(doc.entries.length >= 2 && doc.entries.length <= 20, `${doc.entries.length} entries`);
    const [newest] = doc.entries;
    assert.equal(newest.title, MARKUP_TITLE);
    assert.equal(newest.name, 'Mallory <b>');
    assert.match(newest.content, /^first line <i>\r?\nsecond line$/);
    assert.equal(doc.updated, newest.updated);
    const numbers = doc.entries.map((e) => Number(/\+(\d+)\+3$/.exec(e.link)[1]));
    assert.deepEqual(numbers, [...numbers].sort((a, b) => b - a), 'newest first');
    for (const e of doc.entries) {
      assert.match(e.updated, RFC3339);
      assert.match(e.id, /^http:\/\/127\.0\.0\.1:\d+\/bbs\/kiroq\.exe\?english\+10\+\d+\+3$/);
    }

    // Chromium showing the document itself runs nothing from it.
    await page.goto(href);
    assert.equal(await page.evaluate(() => window.pwned), undefined);
    // The entry's link leads to its article.
    await page.goto(newest.link);
    assert.ok((await page.textContent('body')).includes(MARKUP_TITLE));
  });

  it('decodes a Japanese board into UTF-8', async () => {
    const { doc } = await feedOf('demo');
    assert.equal(doc.errors, 0);
    const [newest] = doc.entries;
    assert.deepEqual([newest.title, newest.name, newest.content], ['日本語の題', '山田', '本文です。']);
  });
});
