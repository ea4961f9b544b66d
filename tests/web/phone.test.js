// Both demo boards on a telephone's screen (SMARTPHONE is on for them):
// Chromium with a 390 x 844 touch viewport reads the thread index, an
// article, the article list with its form, the new-post and reply forms,
// and posts, without the page ever scrolling sideways.
'use strict';

const { it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const servers = require('./lib/servers');
const { launch } = require('./lib/browser');
const { Visitor } = require('./lib/visitor');
const { browserMissing, artifactPath, suite } = require('./lib/setup');

const WIDTH = 390;
// A smartphone browser, not an i-mode one: the program serves i-mode pages
// to agents naming DoCoMo or UP.Browser.
const PHONE = {
  viewport: { width: WIDTH, height: 844 },
  deviceScaleFactor: 3,
  isMobile: true,
  hasTouch: true,
  userAgent:
    'Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/124.0.0.0 Mobile Safari/537.36',
  locale: 'ja-JP',
};

const tag = String(Date.now() % 100000);
// A word and an address far wider than the screen, with no place to break.
const LONG_WORD = `Supercalifragilistic${'x'.repeat(90)}${tag}`;
const LONG_URL = `https://example.com/${'path-segment/'.repeat(6)}${'q'.repeat(60)}${tag}`;

const BOARDS = {
  demo: { name: 'すまほ', title: `電話から ${tag}`, line: '電話の画面から投稿しました。', reply: '返信も電話から。' },
  english: { name: 'Pocket', title: `From a phone ${tag}`, line: 'Posted from a phone screen.', reply: 'Replying from the phone too.' },
};

suite('the demo boards on a phone screen', browserMissing(), () => {
  let site;
  let server;
  let chrome;
  const widths = [];

  before(async () => {
    site = servers.makeSite();
    server = await servers.startServer('apache', site);
    chrome = await launch();
  });

  after(async () => {
    if (widths.length) fs.writeFileSync(artifactPath('phone-widths.txt'), widths.join('\n') + '\n');
    if (chrome) await chrome.stop();
    if (server) await server.stop();
    if (site) site.remove();
  });

  // The page fits the screen: the viewport line took effect, nothing makes
  // the page wider than the screen, text and fields are 16 px at least.
  async function fits(v, what, shot) {
    const m = await v.page.evaluate(() => ({
      scrollWidth: document.documentElement.scrollWidth,
      innerWidth: window.innerWidth,
      smallest: Math.min(
        ...[...document.querySelectorAll('input:not([type=hidden]), textarea, td, body')].map((el) =>
          parseFloat(getComputedStyle(el).fontSize),
        ),
      ),
    }));
    widths.push(`${v.board} ${what}: scrollWidth ${m.scrollWidth}, innerWidth ${m.innerWidth}, smallest font ${m.smallest}px`);
    await v.page.screenshot({ path: artifactPath(`phone-${v.board}-${shot}.png`), fullPage: true });
    assert.equal(m.innerWidth, WIDTH, `${what}: the layout is not the screen's width (no viewport line?)`);
    assert.ok(m.scrollWidth <= WIDTH, `${what}: the page scrolls sideways (scrollWidth ${m.scrollWidth})`);
    assert.ok(m.smallest >= 16, `${what}: text or a field at ${m.smallest}px`);
  }

  for (const [board, b] of Object.entries(BOARDS)) {
    it(`${board}: reads and posts without scrolling sideways`, async () => {
      const context = await chrome.browser.newContext(PHONE);
      const v = new Visitor(await context.newPage(), server, board);

      await v.open(0, 11);
      await fits(v, 'article list with its form', 'list');
      const form = v.form(0, 6);
      await v.need(form, 'post form (action 6) on the article list');
      await v.fill(form, {
        NAME: b.name,
        TITLE: b.title,
        PASSWORD: 'phone',
        CONTENT: [b.line, LONG_WORD, LONG_URL].join('\n'),
      });
      const before = site.articleCount(board);
      await v.submit(form);
      assert.equal(site.articleCount(board), before + 1, 'the article was not stored');
      const n = before + 1;
      let text = await v.text();
      for (const s of [b.title, b.line, LONG_WORD]) assert.ok(text.includes(s), `"${s}" missing after posting`);
      await fits(v, 'article list after posting a long word', 'list-posted');

      await v.open(n, 3);
      assert.ok((await v.text()).includes(LONG_URL), 'the long address is not on the article');
      await fits(v, 'article with a long word and address', 'article');

      await v.open(0, 2);
      await v.need(v.link(n, 3), `link to article ${n} in the thread index`);
      await fits(v, 'thread index', 'thread-index');

      await v.open(0, 0);
      await v.need(v.form(0, 9), 'new-post form (action 9)');
      await fits(v, 'new-post form', 'new-post');

      await v.open(n, 3);
      await v.follow(n, 4);
      const reply = v.form(n, 9);
      await v.need(reply, 'reply form (action 9)');
      await fits(v, 'reply form quoting the long word', 'reply');
      const quoted = await (await v.control(reply, 'textarea[name="CONTENT"]', 'text area')).inputValue();
      await v.fill(reply, { NAME: b.name, PASSWORD: 'phone', CONTENT: `${quoted}\n${b.reply}` });
      await v.submit(reply);
      assert.equal(site.articleCount(board), n + 1, 'the reply was not stored');
      text = await v.text();
      assert.ok(text.includes(`Re:01 ${b.title}`) && text.includes(b.reply), `reply not shown: ${text.slice(0, 300)}`);
      await fits(v, 'page after replying', 'replied');
      await context.close();
    });
  }
});
