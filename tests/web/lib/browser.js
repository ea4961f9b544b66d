// Headless Chromium from Debian, started here (so that its process id is
// ours to stop) and driven by playwright-core over the DevTools protocol.
'use strict';

const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { chromium } = require('playwright-core');
const procs = require('./procs');
const { freePort } = require('./servers');

const CHROMIUM = process.env.KIROQ_CHROMIUM || '/usr/bin/chromium';

async function debuggerReady(port, entry, ms = 30000) {
  const until = Date.now() + ms;
  while (Date.now() < until) {
    if (entry.exited) break;
    try {
      const res = await fetch(`http://127.0.0.1:${port}/json/version`);
      if (res.ok) return;
    } catch {
      // not listening yet
    }
    await new Promise((r) => setTimeout(r, 100));
  }
  throw new Error('Chromium did not open its debugging port');
}

// Returns { browser, stop() }.
async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'kiroq-chromium-'));
  procs.removeAtExit(profile);
  const port = await freePort();
  const log = path.join(profile, 'chromium.log');
  const entry = procs.start(
    CHROMIUM,
    [
      '--headless',
      '--no-sandbox',
      '--disable-gpu',
      '--disable-quic',
      '--no-first-run',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
      '--disable-dev-shm-usage',
      `--user-data-dir=${profile}`,
      '--remote-debugging-address=127.0.0.1',
      `--remote-debugging-port=${port}`,
      'about:blank',
    ],
    { logPath: log },
  );
  let browser;
  try {
    await debuggerReady(port, entry);
    browser = await chromium.connectOverCDP(`http://127.0.0.1:${port}`);
  } catch (err) {
    await procs.stop(entry);
    const text = fs.existsSync(log) ? fs.readFileSync(log, 'utf8') : '';
    fs.rmSync(profile, { recursive: true, force: true });
    throw new Error(`${err.message}\n${text}`);
  }
  return {
    browser,
    async stop() {
      try {
        await browser.close();
      } catch {
        // the process is ended below anyway
      }
      await procs.stop(entry);
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

module.exports = { launch };
