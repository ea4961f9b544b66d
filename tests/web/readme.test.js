// The administrator's README stays true: its server snippets are parts of
// the configurations the other tests run, and its settings table names
// every key the program reads.
'use strict';

const { describe, it } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');

const REPO = path.resolve(__dirname, '../..');
const readme = fs.readFileSync(path.join(REPO, 'README.md'), 'utf8');

// The README's example paths and the template's placeholders.
const PLACES = [
  ['/run/kiroq/fcgiwrap.sock', '@RUN@/fcgiwrap/fcgiwrap.sock'],
  ['/srv/kiroq', '@SITE@'],
];

function fencedBlocks(language) {
  const blocks = [];
  const re = new RegExp('^```' + language + '\\n([\\s\\S]*?)^```', 'gm');
  let m;
  while ((m = re.exec(readme)) !== null) blocks.push(m[1]);
  return blocks;
}

describe('README', () => {
  for (const [language, file] of [
    ['apache', 'apache.conf.in'],
    ['lighttpd', 'lighttpd.conf.in'],
    ['nginx', 'nginx.conf.in'],
  ]) {
    it(`${language} snippet lines are in serve/${file}`, () => {
      const blocks = fencedBlocks(language);
      assert.ok(blocks.length > 0, `no ${language} snippet`);
      const template = new Set(
        fs
          .readFileSync(path.join(REPO, 'serve', file), 'utf8')
          .split('\n')
          .map((l) => l.trim()),
      );
      const missing = [];
      for (const block of blocks) {
        for (let line of block.split('\n')) {
          line = line.trim();
          if (line === '' || line.startsWith('#')) continue;
          for (const [example, placeholder] of PLACES) line = line.split(example).join(placeholder);
          if (!template.has(line)) missing.push(line);
        }
      }
      assert.deepEqual(missing, [], `README lines not in serve/${file}`);
    });
  }

  it('documents every settings key the program reads', () => {
    const source = fs.readFileSync(path.join(REPO, 'src', 'board', 'settings.cc'), 'utf8');
    const keys = new Set();
    for (const m of source.matchAll(/f\.(?:Switch|Number|Text|TextOr|Has)\("([A-Z0-9]+)"/g)) keys.add(m[1]);
    if (/"TIMECOLOR" \+/.test(source)) for (let i = 1; i <= 5; i++) keys.add(`TIMECOLOR${i}`);
    assert.ok(keys.size > 60, `only ${keys.size} keys found in settings.cc`);
    const table = readme.slice(readme.indexOf('## Settings'), readme.indexOf('## Message templates'));
    const documented = (k) =>
      table.includes('`' + k + '`') || (/^TIMECOLOR[1-5]$/.test(k) && table.includes('`TIMECOLOR1` … `TIMECOLOR5`'));
    assert.deepEqual([...keys].filter((k) => !documented(k)), [], 'settings missing from the README table');
  });

  it('starts with the two commands', () => {
    const lines = readme.split('\n');
    assert.equal(lines[0], '# kiroq');
    assert.match(lines[2], /^ {4}make test\b/);
    assert.match(lines[3], /^ {4}make build\b/);
  });
});
