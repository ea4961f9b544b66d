// Both demo boards and the members-only board clicked through in headless
// Chromium against the Apache configuration of serve/: posting, replying,
// the three views, search, personal settings, deleting and restoring,
// attachments and the member login.
'use strict';

const { describe, it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const servers = require('./lib/servers');
const { postForm } = require('./lib/http');
const { launch } = require('./lib/browser');
const { Visitor } = require('./lib/visitor');
const { browserMissing, japaneseFonts, artifactPath, suite } = require('./lib/setup');

const tag = String(Date.now() % 100000);

// What each board shows, in its language. The administrator, deletion,
// attachment and personal settings pages are Japanese on both.
const BOARDS = {
  demo: {
    japanese: true,
    quote: '＞',
    post: { name: 'はなこ', title: `春の便り ${tag}`, lines: [`今日は苺大福${tag}を食べました。`, '二行目です。'], word: `苺大福${tag}` },
    reply: { name: 'じろう', line: 'おいしそうですね。' },
    deletedBody: 'この文章は投稿者によって削除されています。',
    wrongDeletePassword: '削除用のパスワードが間違っています。',
    hits: (n) => `ヒット数 [${n}]`,
    downloads: (n) => `ダウンロード数 ${n}`,
    titleHeading: 'タイトル',
  },
  english: {
    japanese: false,
    quote: '> ',
    post: { name: 'Hazel', title: `Spring note ${tag}`, lines: [`We picked blackberries${tag} today.`, 'Second line.'], word: `blackberries${tag}` },
    reply: { name: 'Jiro', line: 'Sounds delicious.' },
    deletedBody: 'This sentence is being removed by a contributor.',
    wrongDeletePassword: 'A password for the elimination is wrong.',
    hits: (n) => `Hit count [${n}]`,
    downloads: (n) => `Download Counter ${n}`,
    titleHeading: 'Title',
  },
};

suite('the demo boards in Chromium', browserMissing(), () => {
  let site;
  let server;
  let chrome;

  before(async () => {
    site = servers.makeSite();
    server = await servers.startServer('apache', site);
    chrome = await launch();
  });

  after(async () => {
    if (chrome) await chrome.stop();
    if (server) await server.stop();
    if (site) site.remove();
  });

  // A visitor with a fresh browser profile (no cookies) on `board`.
  async function visitor(board) {
    const context = await chrome.browser.newContext({ acceptDownloads: true, locale: 'ja-JP' });
    const page = await context.newPage();
    return new Visitor(page, server, board);
  }

  // An article put on the board directly (not through the browser), for
  // the flows that start from an existing article. Returns its number.
  async function seed(board, { title, lines, password, parent = 0, name = 'seed' }) {
    const before = site.articleCount(board);
    const res = await postForm(
      server.url(`${board}+10+${parent}+9`),
      [
        { name: 'NAME', value: name },
        { name: 'TITLE', value: title },
        { name: 'PASSWORD', value: password },
        { name: 'CONTENT', value: lines.join('\r\n') },
      ],
      { japanese: BOARDS[board].japanese },
    );
    assert.equal(site.articleCount(board), before + 1, `seeding "${title}" failed: ${res.text.slice(0, 300)}`);
    return before + 1;
  }

  for (const [board, b] of Object.entries(BOARDS)) {
    describe(`${board} board`, () => {
      // The article posted in the first flow and the reply to it in the
      // second; a later flow that finds them missing (an earlier flow
      // failed) seeds its own, so that each flow reports on itself.
      let posted = null;
      let replied = null;

      it('posts a new article from the article list form and remembers the poster', async () => {
        const v = await visitor(board);
        await v.open(0, 11);
        const form = v.form(0, 6);
        await v.need(form, 'post form (action 6) on the article list');
        await v.fill(form, {
          NAME: b.post.name,
          EMAIL: 'hana@example.com',
          TITLE: b.post.title,
          PASSWORD: 'list-pass',
          CONTENT: b.post.lines.join('\n'),
        });
        await (await v.control(form, 'input[name="COOKIE"]', 'COOKIE check box')).check();
        const before = site.articleCount(board);
        await v.submit(form);
        assert.equal(site.articleCount(board), before + 1, 'the article was not stored');
        const n = before + 1;
        // The article list again, newest first: the new article is on it.
        const text = await v.text();
        assert.ok(text.includes(b.post.title), `title missing from the list: ${text.slice(0, 300)}`);
        for (const line of b.post.lines) assert.ok(text.includes(line), `body line "${line}" missing`);
        await v.need(v.link(n, 4), `reply link of the new article ${n}`);
        posted = { n, title: b.post.title, lines: b.post.lines };
        // The name came back in a (Shift-JIS) cookie and fills the next form.
        await v.open(0, 0);
        assert.equal(await v.page.inputValue('input[name="NAME"]'), b.post.name);
        await v.page.context().close();
      });

      it('replies with the quoted body and the Re: title in the form', async () => {
        let target = posted;
        if (!target) {
          const title = b.japanese ? `返信のテスト ${tag}` : `Reply test ${tag}`;
          const lines = b.japanese ? ['元の一行目', '元の二行目'] : ['original first', 'original second'];
          target = { n: await seed(board, { title, lines, password: 'p' }), title, lines };
        }
        const { n, title, lines } = target;
        const v = await visitor(board);
        await v.open(n, 3);
        await v.follow(n, 4);
        const form = v.form(n, 9);
        await v.need(form, 'reply form (action 9)');
        assert.equal(await (await v.control(form, '[name="TITLE"]', 'title field')).inputValue(), `Re:01 ${title}`);
        const quoted = await (await v.control(form, 'textarea[name="CONTENT"]', 'text area')).inputValue();
        for (const line of lines) {
          assert.ok(quoted.split('\n').includes(`${b.quote}${line}`), `quoted line ${b.quote}${line} missing in:\n${quoted}`);
        }
        await v.fill(form, { NAME: b.reply.name, PASSWORD: 'r', CONTENT: `${quoted}\n${b.reply.line}` });
        const before = site.articleCount(board);
        await v.submit(form);
        assert.equal(site.articleCount(board), before + 1, 'the reply was not stored');
        const text = await v.text();
        assert.ok(text.includes(`Re:01 ${title}`), `reply title missing: ${text.slice(0, 300)}`);
        assert.ok(text.includes(b.reply.line));
        replied = { root: target, n: before + 1, title: `Re:01 ${title}`, line: b.reply.line };
        await v.page.context().close();
      });

      it('shows the article and its reply in the thread index, the title list and the thread page', async () => {
        let thread = replied;
        if (!thread) {
          const title = b.japanese ? `スレッド ${tag}` : `Thread ${tag}`;
          const root = { n: await seed(board, { title, lines: [b.post.lines[0]], password: 'p' }), title, lines: [b.post.lines[0]] };
          const replyTitle = `Re:01 ${title}`;
          const n = await seed(board, { title: replyTitle, lines: [b.reply.line], password: 'p', parent: root.n });
          thread = { root, n, title: replyTitle, line: b.reply.line };
        }
        const { root } = thread;
        const v = await visitor(board);
        await v.open(root.n, 3);
        await v.follow(0, 2);
        let text = await v.text();
        assert.ok(text.includes(root.title) && text.includes(thread.title), `thread index lacks the thread: ${text.slice(0, 400)}`);
        await v.need(v.link(thread.n, 3), `link to the reply ${thread.n} in the thread index`);
        await v.page.screenshot({ path: artifactPath(`${board}-thread-index.png`), fullPage: true });

        await v.follow(0, 1);
        text = await v.text();
        assert.ok(text.includes(root.title) && text.includes(thread.title), `title list lacks the thread: ${text.slice(0, 400)}`);

        await v.follow(0, 2);
        await v.follow(root.n, 12);
        text = await v.text();
        for (const s of [root.title, thread.title, root.lines[0], thread.line]) {
          assert.ok(text.includes(s), `thread page lacks "${s}": ${text.slice(0, 400)}`);
        }

        await v.follow(root.n, 3);
        // The title cell holds exactly the posted text (decoded from Shift-JIS).
        assert.equal(await v.cellBeside(b.titleHeading), root.title);
        await v.page.screenshot({ path: artifactPath(`${board}-article.png`), fullPage: true });
        await v.page.context().close();
      });

      it('finds an article by a word of its body', async () => {
        const title = b.japanese ? `検索用 ${tag}` : `For search ${tag}`;
        const word = b.japanese ? `葡萄ジャム${tag}` : `plumjam${tag}`;
        const n = await seed(board, { title, lines: [`${word} is here`, 'second'], password: 'p' });
        const v = await visitor(board);
        await v.open(n, 3);
        const form = v.form(0, 10);
        await v.need(form, 'search form (action 10) at the foot of the page');
        await v.fill(form, { SEARCHWORD: word });
        await v.submit(form);
        const text = await v.text();
        assert.ok(text.includes(b.hits(1)), `hit count 1 missing: ${text.slice(0, 400)}`);
        assert.ok(text.includes(title));
        await v.need(v.link(n, 3), `link to the hit ${n}`);
        await v.page.context().close();
      });

      it('uses the page size set in the personal settings on the next page', async () => {
        for (let i = 0; i < 3; i++) await seed(board, { title: `size ${tag} ${i}`, lines: ['x'], password: 'p' });
        const v = await visitor(board);
        await v.open(0, 1);
        await v.follow(0, 30, '+1');
        const form = v.form(0, 32);
        await v.need(form, 'personal settings form (action 32)');
        await v.fill(form, { BROWSCOUNT: '2' });
        await v.submit(form);
        assert.ok((await v.text()).includes('Cookieに個人設定を登録しました。'), await v.text());
        await v.followText('掲示板へ行く');
        // The title list now carries page size 2 in its links and shows two rows.
        v.pageSize = 2;
        const numbers = await v.articleNumbers();
        const count = site.articleCount(board);
        assert.deepEqual(numbers.sort((x, y) => y - x), [count, count - 1], `rows on the page: ${numbers}`);
        const foreign = await v.page
          .locator(`a[href^="kiroq.exe?${board}+"]`)
          .evaluateAll((as, b) => as.map((a) => a.getAttribute('href')).filter((h) => !h.startsWith(`kiroq.exe?${b}+2+`)), board);
        assert.deepEqual(foreign, [], 'links with another page size');
        await v.page.context().close();
      });

      it('lets the poster delete and restore an own article with its password', async () => {
        const title = b.japanese ? `削除テスト ${tag}` : `Delete test ${tag}`;
        const n = await seed(board, { title, lines: ['to be deleted'], password: 'mine' });
        const v = await visitor(board);
        const toggle = async (password) => {
          await v.open(n, 3);
          await v.follow(n, 15);
          const form = v.form(n, 14);
          await v.need(form, 'deletion form (action 14)');
          await v.fill(form, { DELPASSWORD: password });
          await v.submit(form);
          return v.text();
        };
        let text = await toggle('not-mine');
        assert.ok(text.includes(b.wrongDeletePassword), `no refusal: ${text.slice(0, 300)}`);
        text = await toggle('mine');
        assert.ok(text.includes(b.deletedBody), `not deleted: ${text.slice(0, 300)}`);
        await v.open(0, 1);
        assert.ok(!(await v.text()).includes(title), 'a deleted article stays in the title list');
        text = await toggle('mine');
        assert.ok(!text.includes(b.deletedBody) && text.includes('to be deleted'), `not restored: ${text.slice(0, 300)}`);
        await v.open(0, 1);
        assert.ok((await v.text()).includes(title), 'the restored article is back in the title list');
        await v.page.context().close();
      });

      it('lets the administrator delete and restore an article', async () => {
        const title = b.japanese ? `管理テスト ${tag}` : `Admin test ${tag}`;
        const n = await seed(board, { title, lines: ['managed body'], password: '' });
        const v = await visitor(board);
        const act = async (fields) => {
          await v.open(n, 3);
          await v.follow(0, 99);
          const form = v.form(0, 98);
          await v.need(form, 'administrator form (action 98)');
          await v.fill(form, fields);
          await v.submit(form);
          return v.text();
        };
        let text = await act({ PASSWORD2: 'wrong', DELPOS: String(n) });
        assert.ok(text.includes('管理用パスワードが間違っています！'), `wrong password accepted: ${text.slice(0, 300)}`);
        const password = site.adminPassword(board);
        text = await act({ PASSWORD2: password, DELPOS: String(n) });
        assert.ok(text.includes(`${n}番の発言を削除しました。`), `not deleted: ${text.slice(0, 300)}`);
        await v.open(n, 3);
        assert.ok((await v.text()).includes(b.deletedBody));
        text = await act({ PASSWORD2: password, UNDELPOS: String(n) });
        assert.ok(text.includes(`${n}番の発言を復活しました。`), `not restored: ${text.slice(0, 300)}`);
        await v.open(n, 3);
        text = await v.text();
        assert.ok(text.includes('managed body') && !text.includes(b.deletedBody));
        await v.page.context().close();
      });

      it('attaches a file and counts two downloads', async () => {
        const title = b.japanese ? `添付テスト ${tag}` : `Attachment test ${tag}`;
        const n = await seed(board, { title, lines: ['with a file'], password: 'file-pass' });
        const content = Buffer.from(`notes for ${board} ${tag}\n`);
        const v = await visitor(board);
        await v.open(n, 3);
        await v.follow(n, 20);
        const form = v.form(n, 21);
        await v.need(form, 'upload form (action 21)');
        await v.fill(form, { UPPASSWORD: 'file-pass' });
        const fileField = await v.control(form, 'input[name="UPLOADFILE"]', 'file field');
        await fileField.setInputFiles({ name: 'notes.txt', mimeType: 'text/plain', buffer: content });
        await v.submit(form);
        assert.ok((await v.text()).includes('ファイルの保存が完了しました'), await v.text());
        await v.follow(n, 3);

        // The download link opens a new window, which receives the file.
        for (let i = 1; i <= 2; i++) {
          const link = v.link(n, 22);
          await v.need(link, 'download link (action 22)');
          assert.equal((await link.innerText()).trim(), 'notes.txt');
          const download = new Promise((resolve, reject) => {
            const timer = setTimeout(() => reject(new Error('no download started')), 8000);
            const watch = (p) =>
              p.once('download', (d) => {
                clearTimeout(timer);
                resolve(d);
              });
            watch(v.page);
            v.page.context().once('page', watch);
          });
          await link.click();
          const file = await download;
          assert.equal(file.suggestedFilename(), 'notes.txt');
          assert.deepEqual(fs.readFileSync(await file.path()), content);
          for (const p of v.page.context().pages()) if (p !== v.page) await p.close();
          await v.open(n, 3);
        }
        assert.ok((await v.text()).includes(b.downloads(2)), `counter is not 2: ${(await v.text()).slice(0, 500)}`);
        await v.page.context().close();
      });
    });
  }

  describe('visitor markup', () => {
    const marker = `M${tag}`;
    const hostile = {
      NAME: `<b id="n${marker}">name</b>`,
      TITLE: `<script>window.__ran=1</script>${marker}`,
      CONTENT: `<img src="x" onerror="window.__ran=2" id="i${marker}">\n<B id="b${marker}">bold</B> ${marker}body`,
    };

    async function postHostile(v) {
      await v.open(0, 0);
      const form = v.form(0, 9);
      await v.fill(form, { ...hostile, PASSWORD: 'p' });
      await v.submit(form);
    }

    // No element the visitor wrote exists, nothing ran, the text is shown.
    async function assertInert(v, where) {
      const state = await v.page.evaluate(
        (m) => ({
          ran: window.__ran,
          elements: ['n', 'i', 'b'].filter((k) => document.getElementById(k + m)).length,
          text: document.body.innerText,
        }),
        marker,
      );
      assert.equal(state.ran, undefined, `script ran on ${where}`);
      assert.equal(state.elements, 0, `visitor markup became elements on ${where}`);
      assert.ok(state.text.includes(`<script>window.__ran=1</script>${marker}`), `title not shown as text on ${where}`);
    }

    it('is shown as text, never run, on every page', async () => {
      const v = await visitor('english');
      await postHostile(v);
      const n = site.articleCount('english');
      await assertInert(v, 'the page after posting');
      for (const [action, where] of [[1, 'title list'], [2, 'thread index'], [11, 'article list']]) {
        await v.open(0, action);
        await assertInert(v, where);
      }
      await v.open(n, 3);
      await assertInert(v, 'the article page');
      assert.ok((await v.text()).includes(`<img src="x" onerror="window.__ran=2" id="i${marker}">`), 'body not shown as text');
      await v.page.context().close();
    });

    it('is kept as markup in bodies on a board with USEHTMLTAG', async () => {
      const english = fs.readFileSync(path.join(site.bbs, 'english.ini'), 'latin1');
      fs.writeFileSync(path.join(site.bbs, 'trusted.ini'), `USEHTMLTAG=1\r\n${english}`, 'latin1');
      const v = await visitor('trusted');
      await postHostile(v);
      await v.open(site.articleCount('trusted'), 3);
      const bold = v.page.locator(`#b${marker}`);
      await v.need(bold, 'bold element from the body (USEHTMLTAG=1)');
      assert.equal(await bold.evaluate((el) => el.tagName), 'B');
      // Titles and names stay text even there.
      const state = await v.page.evaluate(
        (m) => ({
          name: !!document.getElementById('n' + m),
          titleScript: [...document.scripts].some((el) => el.textContent.includes('__ran=1')),
        }),
        marker,
      );
      assert.equal(state.name, false, 'the name became markup');
      assert.equal(state.titleScript, false, 'the title became a script');
      await v.page.context().close();
    });
  });

  it('renders Japanese text with a real font, not boxes', async () => {
    assert.notEqual(japaneseFonts(), '', 'fc-list :lang=ja lists no font');
    const v = await visitor('demo');
    await v.open(1, 3);
    assert.equal(await v.cellBeside('タイトル'), 'ようこそ、デモ掲示板へ');
    // Missing glyphs all draw the same box: two different characters that
    // draw alike mean no font covers them.
    const shots = [];
    for (const ch of ['あ', '掲', ' ']) {
      await v.page.evaluate((c) => {
        document.getElementById('glyph-probe')?.remove();
        const span = document.createElement('span');
        span.id = 'glyph-probe';
        span.textContent = c;
        span.style.cssText = 'font-size:64px;display:inline-block;width:80px;height:80px;background:#fff;color:#000';
        document.body.prepend(span);
      }, ch);
      shots.push(await v.page.locator('#glyph-probe').screenshot());
    }
    assert.ok(!shots[0].equals(shots[1]), 'あ and 掲 render identically (tofu)');
    assert.ok(!shots[0].equals(shots[2]) && !shots[1].equals(shots[2]), 'Japanese characters render blank');
    await v.page.context().close();
  });

  describe('members-only board', () => {
    it('refuses a wrong password, logs it, then lets a member in', async () => {
      const v = await visitor('members');
      await v.open(0, 2);
      let text = await v.text();
      assert.ok(text.includes('当掲示板は会員制になっています。'), `no login page: ${text.slice(0, 300)}`);
      assert.ok(text.includes('デモの会員'), 'the .LOGINERR file follows the login form');
      assert.ok(!text.includes('会員の皆さまへ'), 'the board shows before login');
      const form = v.page.locator('form:has(input[name="CONFMEMID"])');
      await v.fill(form, { CONFMEMID: 'GUEST', CONFMEMPASS: 'wrong-pass' });
      await v.submit(form);
      text = await v.text();
      assert.ok(text.includes('会員ID とパスワードが間違っています。'), `no refusal: ${text.slice(0, 300)}`);
      const log = fs.readFileSync(path.join(site.bbs, 'bbsdb', 'members-login.txt'), 'latin1');
      assert.match(log, /"GUEST","\*{8}","[^"]*","127\.0\.0\.1"/);
      assert.ok(!log.includes('wrong-pass'), 'the tried password is never logged');

      await v.open(0, 2);
      // The member ID is matched without regard to case.
      await v.fill(form, { CONFMEMID: 'GUEST', CONFMEMPASS: 'guest-pass' });
      await v.submit(form);
      assert.ok((await v.text()).includes('設定作業が終了しました。'), await v.text());
      await v.followText('掲示板へ行く');
      assert.ok((await v.text()).includes('会員の皆さまへ'), `board not shown after login: ${(await v.text()).slice(0, 300)}`);
      // The login lasts: a later visit goes straight to the board.
      await v.open(0, 1);
      assert.ok((await v.text()).includes('会員の皆さまへ'));
      await v.page.context().close();
    });
  });
});
