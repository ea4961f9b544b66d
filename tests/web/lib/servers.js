// Private web servers for the tests: a demo site laid out by serve/site.sh
// in a temporary folder, served by Apache, lighttpd or nginx+fcgiwrap on a
// free loopback port with the configurations of serve/.
'use strict';

const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const net = require('node:net');
const os = require('node:os');
const path = require('node:path');
const procs = require('./procs');

const REPO = path.resolve(__dirname, '../../..');
const SERVE = path.join(REPO, 'serve');
const EXE = process.env.KIROQ_EXE || path.join(REPO, 'build', 'kiroq.exe');
const RECORD_SIZE = 1267;

const BIN = {
  apache: '/usr/sbin/apache2',
  lighttpd: '/usr/sbin/lighttpd',
  nginx: '/usr/sbin/nginx',
  fcgiwrap: '/usr/sbin/fcgiwrap',
};

function available(kind) {
  if (kind === 'nginx') return fs.existsSync(BIN.nginx) && fs.existsSync(BIN.fcgiwrap);
  return fs.existsSync(BIN[kind]);
}

// A fresh demo site: the program, the demo boards with their seeded
// articles, the administrator password files.
function makeSite() {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'kiroq-web-'));
  fs.chmodSync(root, 0o755); // the servers' workers reach it as www-data
  procs.removeAtExit(root);
  const site = path.join(root, 'site');
  execFileSync('bash', [path.join(SERVE, 'site.sh'), site, EXE], { stdio: ['ignore', 'ignore', 'inherit'] });
  const bbs = path.join(site, 'bbs');
  return {
    root,
    site,
    bbs,
    drive: path.join(site, 'drive-x'),
    adminPassword(board) {
      const text = fs.readFileSync(path.join(site, 'drive-x', 'KIRPASS', `${board}.PWD`), 'latin1');
      return text.split(/\r?\n/)[0];
    },
    articleCount(board) {
      const idx = path.join(bbs, 'bbsdb', `${board}.idx`);
      return fs.existsSync(idx) ? fs.statSync(idx).size / RECORD_SIZE : 0;
    },
    remove() {
      fs.rmSync(root, { recursive: true, force: true });
    },
  };
}

function freePort() {
  return new Promise((resolve, reject) => {
    const srv = net.createServer();
    srv.unref();
    srv.on('error', reject);
    srv.listen(0, '127.0.0.1', () => {
      const { port } = srv.address();
      srv.close(() => resolve(port));
    });
  });
}

function portOpen(port) {
  return new Promise((resolve) => {
    const sock = net.connect(port, '127.0.0.1');
    sock.once('connect', () => {
      sock.destroy();
      resolve(true);
    });
    sock.once('error', () => resolve(false));
  });
}

async function waitForPort(port, entries, ms = 15000) {
  const until = Date.now() + ms;
  while (Date.now() < until) {
    if (await portOpen(port)) return;
    if (entries.some((e) => e.exited)) break;
    await new Promise((r) => setTimeout(r, 100));
  }
  throw new Error(`server did not start on port ${port}`);
}

function readIfExists(p) {
  try {
    return fs.readFileSync(p, 'utf8');
  } catch {
    return '';
  }
}

// Starts `kind` ('apache', 'lighttpd' or 'nginx') serving `site`. Returns
// { base, port, run, stop(), errorLog() }; base is "http://127.0.0.1:PORT".
async function startServer(kind, site) {
  const port = await freePort();
  const run = path.join(site.root, `run-${kind}`);
  const conf = execFileSync('bash', [path.join(SERVE, 'conf.sh'), kind, site.site, run, String(port)], {
    encoding: 'utf8',
  }).trim();
  const log = path.join(run, `${kind}-console.log`);
  const entries = [];
  let errorLogPath;
  if (kind === 'apache') {
    entries.push(procs.start(BIN.apache, ['-f', conf, '-DFOREGROUND'], { logPath: log }));
    errorLogPath = path.join(run, 'error.log');
  } else if (kind === 'lighttpd') {
    entries.push(procs.start(BIN.lighttpd, ['-D', '-f', conf], { logPath: log }));
    errorLogPath = path.join(run, 'lighttpd-error.log');
  } else if (kind === 'nginx') {
    const sock = `unix:${path.join(run, 'fcgiwrap', 'fcgiwrap.sock')}`;
    // fcgiwrap runs the program as the web user, never as root.
    const wrap =
      process.getuid() === 0
        ? ['setpriv', ['--reuid=www-data', '--regid=www-data', '--init-groups', BIN.fcgiwrap, '-s', sock]]
        : [BIN.fcgiwrap, ['-s', sock]];
    entries.push(procs.start(wrap[0], wrap[1], { logPath: log }));
    entries.push(procs.start(BIN.nginx, ['-c', conf, '-e', path.join(run, 'nginx-error.log')], { logPath: log }));
    errorLogPath = path.join(run, 'nginx-error.log');
  } else {
    throw new Error(`unknown server ${kind}`);
  }
  try {
    await waitForPort(port, entries);
  } catch (err) {
    for (const e of entries) await procs.stop(e);
    throw new Error(`${err.message}\n${readIfExists(log)}\n${readIfExists(errorLogPath)}`);
  }
  return {
    kind,
    port,
    run,
    base: `http://127.0.0.1:${port}`,
    url(query) {
      return `http://127.0.0.1:${port}/bbs/kiroq.exe?${query}`;
    },
    errorLog() {
      return readIfExists(errorLogPath) + readIfExists(log);
    },
    async stop() {
      for (const e of entries.reverse()) await procs.stop(e);
    },
  };
}

module.exports = { REPO, EXE, RECORD_SIZE, available, makeSite, startServer, freePort };
