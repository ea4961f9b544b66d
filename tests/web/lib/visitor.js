// A person at a browser on one board: opens pages, follows the board's
// links and sends its forms, as someone clicking through would.
'use strict';

class Visitor {
  constructor(page, server, board, pageSize = 10) {
    this.page = page;
    this.server = server;
    this.board = board;
    this.pageSize = pageSize;
    this.marks = 0;
    page.setDefaultTimeout(8000);
  }

  url(n, action) {
    return this.server.url(`${this.board}+${this.pageSize}+${n}+${action}`);
  }

  async open(n, action) {
    const res = await this.page.goto(this.url(n, action));
    if (!res || res.status() !== 200) {
      throw new Error(`${this.url(n, action)} answered ${res ? res.status() : 'nothing'}`);
    }
  }

  // The board link to article n with an action code, exactly as the pages
  // write it.
  link(n, action, extra = '') {
    const href = `kiroq.exe?${this.board}+${this.pageSize}+${n}+${action}${extra}`;
    return this.page.locator(`a[href="${href}"]`).first();
  }

  // Clicks the link to (n, action) and waits for the page it opens.
  async follow(n, action, extra = '') {
    await this.need(this.link(n, action, extra), `a link to article ${n}, action ${action}${extra}`);
    await Promise.all([this.page.waitForNavigation(), this.link(n, action, extra).click()]);
  }

  async followText(text) {
    const link = this.page.locator('a', { hasText: text }).first();
    await this.need(link, `a link "${text}"`);
    await Promise.all([this.page.waitForNavigation(), link.click()]);
  }

  // Fails with what the page shows when `locator` does not appear.
  async need(locator, what) {
    try {
      await locator.waitFor({ state: 'attached', timeout: 5000 });
    } catch {
      const text = (await this.text()).replace(/\s+/g, ' ').slice(0, 400);
      throw new Error(`the page ${this.page.url()} has no ${what}; it shows: ${text}`);
    }
  }

  // The form whose ACTION ends with "+n+action" on this board.
  form(n, action) {
    return this.page.locator(`form[action$="+${n}+${action}"]`).first();
  }

  // A control of `form` by name. Some pages open their form inside a
  // table, where the parser leaves the controls outside the FORM element
  // but still owned by it, so they are looked up through form.elements.
  async control(form, selector, what) {
    await this.need(form, `form for ${what}`);
    const mark = `k${++this.marks}`;
    const found = await form.evaluate(
      (f, [sel, m]) => {
        let hit = false;
        for (const el of f.elements) {
          if (el.matches(sel)) {
            el.setAttribute('data-test-control', m);
            hit = true;
          }
        }
        return hit;
      },
      [selector, mark],
    );
    const locator = this.page.locator(`[data-test-control="${mark}"]`).first();
    if (!found) await this.need(locator, what);
    return locator;
  }

  async fill(form, values) {
    for (const [name, value] of Object.entries(values)) {
      const field = await this.control(form, `[name="${name}"]`, `field ${name} in the form`);
      await field.fill(value);
    }
  }

  async submit(form) {
    const button = await this.control(form, 'input[type="SUBMIT" i]', 'submit button in the form');
    await Promise.all([this.page.waitForNavigation(), button.click()]);
  }

  // The value cell beside the heading cell `heading` of an article block.
  async cellBeside(heading) {
    return this.page.evaluate((h) => {
      for (const td of document.querySelectorAll('td')) {
        if (td.textContent.trim() === h && td.nextElementSibling) return td.nextElementSibling.innerText.trim();
      }
      return null;
    }, heading);
  }

  async text() {
    return this.page.locator('body').innerText().catch(() => '');
  }

  // Numbers of the articles linked with action 3 on the page.
  async articleNumbers() {
    const prefix = `kiroq.exe?${this.board}+${this.pageSize}+`;
    const hrefs = await this.page.locator('a').evaluateAll((as) => as.map((a) => a.getAttribute('href') || ''));
    const numbers = new Set();
    for (const href of hrefs) {
      if (!href.startsWith(prefix)) continue;
      const [n, action, fifth] = href.slice(prefix.length).split('+');
      if (action === '3' && fifth === undefined && n !== '0') numbers.add(Number(n));
    }
    return [...numbers];
  }
}

module.exports = { Visitor };
