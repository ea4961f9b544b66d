// A page of another site (served here on "localhost", while the board is
// on 127.0.0.1: another site to Chromium) tries to make the visitor's
// browser change the board: a link that toggles the visitor's article with
// their PWD cookie, a form that deletes with the password, a form that
// posts, an image that toggles. Chromium says where each request comes
// from, and the program refuses them all. The board's own pages still work.
'use strict';

const { it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');
const servers = require('./lib/servers');
const { postForm } = require('./lib/http');
const { launch } = require('./lib/browser');
const { browserMissing, suite } = require('./lib/setup');

// The page of the other site; {BOARD} is the program's address.
function attackPage(board, n) {
  return `<!DOCTYPE html><html><body>
<a id="toggle" href="${board}?english+10+${n}+8">a harmless link</a>
<form id="delete" method="POST" enctype="multipart/form-data" action="${board}?english+10+${n}+14">
<input name="DELPASSWORD" value="pw"></form>
<form id="post" method="POST" enctype="multipart/form-data" action="${board}?english+10+0+9">
<input name="NAME" value="other"><input name="CONTENT" value="posted from another site"></form>
</body></html>`;
}

function imagePage(board, n) {
  return `<!DOCTYPE html><html><body><img id="img" src="${board}?english+10+${n}+8"></body></html>`;
}

suite('requests that another site sends through the browser', browserMissing(), () => {
  let site;
  let server;
  let chrome;
  let other;
  let otherPort;
  let n;

  function deleted(number) {
    const idx = fs.readFileSync(path.join(site.bbs, 'bbsdb', 'english.idx'));
    return idx[(number - 1) * servers.RECORD_SIZE] !== 0;
  }

  before(async () => {
    site = servers.makeSite();
    server = await servers.startServer('apache', site);
    chrome = await launch();
    const res = await postForm(server.url('english+10+0+9'), [
      { name: 'NAME', value: 'Owner' },
      { name: 'TITLE', value: 'Mine' },
      { name: 'PASSWORD', value: 'pw' },
      { name: 'CONTENT', value: 'An article of the visitor.' },
    ]);
    assert.equal(res.status, 200, server.errorLog());
    n = site.articleCount('english');
    const board = `${server.base}/bbs/kiroq.exe`;
    otherPort = await servers.freePort();
    other = http.createServer((req, res) => {
      res.writeHead(200, { 'Content-Type': 'text/html' });
      res.end(req.url === '/image' ? imagePage(board, n) : attackPage(board, n));
    });
    await new Promise((resolve) => other.listen(otherPort, '127.0.0.1', resolve));
  });

  after(async () => {
    if (other) await new Promise((resolve) => other.close(resolve));
    if (chrome) await chrome.stop();
    if (server) await server.stop();
    if (site) site.remove();
  });

  // A visitor who holds the article's password in a cookie, as after posting.
  async function visitor() {
    const context = await chrome.browser.newContext();
    await context.addCookies([{ name: 'PWD', value: 'pw', url: `${server.base}/bbs/` }]);
    return { context, page: await context.newPage() };
  }

  const REFUSED = /A request sent from another site's page is not accepted/;

  it('refuses a link, two forms and an image from the other site', async () => {
    const { context, page } = await visitor();
    const origin = `http://localhost:${otherPort}`;
    const count = site.articleCount('english');
    for (const [what, act] of [
      ['link toggle', () => page.click('#toggle')],
      ['form deletion', () => page.evaluate(() => document.getElementById('delete').submit())],
      ['form post', () => page.evaluate(() => document.getElementById('post').submit())],
    ]) {
      await page.goto(`${origin}/`);
      await Promise.all([page.waitForURL(/kiroq\.exe/), act()]);
      assert.match(await page.content(), REFUSED, what);
      assert.equal(deleted(n), false, `${what} changed the article`);
      assert.equal(site.articleCount('english'), count, `${what} stored a post`);
    }
    await page.goto(`${origin}/image`);
    await page.waitForFunction(() => document.getElementById('img').complete);
    assert.equal(deleted(n), false, 'the image toggled the article');
    await context.close();
  });

  it('refuses an image address on the board itself that points at a toggle', async () => {
    const { context, page } = await visitor();
    const was = deleted(n);
    // A poster's IMAGEURL, as the board would show it.
    await page.route(`${server.base}/bbs/imagepage.html`, (route) =>
      route.fulfill({ contentType: 'text/html', body: imagePage(`${server.base}/bbs/kiroq.exe`, n) }),
    );
    await page.goto(`${server.base}/bbs/imagepage.html`);
    await page.waitForFunction(() => document.getElementById('img').complete);
    assert.equal(deleted(n), was, 'the image toggled the article');
    await context.close();
  });

  it('still toggles from the board itself', async () => {
    const { context, page } = await visitor();
    const was = deleted(n);
    await page.goto(server.url(`english+10+${n}+8`));
    assert.doesNotMatch(await page.content(), REFUSED);
    assert.equal(deleted(n), !was, 'typed address did not toggle');
    await page.goto(server.url(`english+10+${n}+15`));
    await page.fill('input[name="DELPASSWORD"]', 'pw');
    await Promise.all([page.waitForNavigation(), page.locator('input[type="SUBMIT"], input[type="submit"]').first().click()]);
    assert.doesNotMatch(await page.content(), REFUSED);
    assert.equal(deleted(n), was, 'the deletion form of the board did not toggle back');
    await context.close();
  });
});
