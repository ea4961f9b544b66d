// What a test file needs before it starts: a tool that is missing makes the
// tests skip with a message, or fail when the run requires the web tests
// (KIROQ_WEB_REQUIRED=1, set by CI after installing everything).
'use strict';

const { execFileSync } = require('node:child_process');
const { describe, test } = require('node:test');
const fs = require('node:fs');
const path = require('node:path');
const servers = require('./servers');

const required = process.env.KIROQ_WEB_REQUIRED === '1';
const ARTIFACTS = path.join(__dirname, '..', 'artifacts');

// Returns false (run the tests), or a skip message. Throws when the tool is
// required.
function missing(what, present) {
  if (present) return false;
  const message = `${what} is not installed (install it with: sudo bash serve/deps.sh)`;
  if (required) throw new Error(`required for the web tests: ${message}`);
  return message;
}

function serverMissing(kind) {
  const names = { apache: 'Apache httpd (apache2)', lighttpd: 'lighttpd', nginx: 'nginx with fcgiwrap' };
  return missing(names[kind], servers.available(kind));
}

function japaneseFonts() {
  try {
    return execFileSync('fc-list', [':lang=ja', 'family'], { encoding: 'utf8' }).trim();
  } catch {
    return '';
  }
}

function browserMissing() {
  return (
    missing('Chromium (/usr/bin/chromium)', fs.existsSync(process.env.KIROQ_CHROMIUM || '/usr/bin/chromium')) ||
    missing('a Japanese font (fonts-ipafont-gothic)', japaneseFonts() !== '') ||
    serverMissing('apache')
  );
}

// describe(name, body), or, when skipMessage is set, one skipped test that
// says why (a skipped suite alone is not counted as skipped).
function suite(name, skipMessage, body) {
  if (skipMessage) {
    test(name, { skip: skipMessage }, () => {});
  } else {
    describe(name, body);
  }
}

function artifactPath(name) {
  fs.mkdirSync(ARTIFACTS, { recursive: true });
  return path.join(ARTIFACTS, name);
}

module.exports = { serverMissing, browserMissing, japaneseFonts, artifactPath, suite };
