// Child processes of a test: each started in its own process group and
// stopped by its process id, so that nothing outlives the test file.
'use strict';

const { spawn } = require('node:child_process');
const fs = require('node:fs');

const running = new Set();
const temporary = new Set();

// A folder to remove when the test process ends, however it ends.
function removeAtExit(folder) {
  temporary.add(folder);
}

// Starts `command` in its own process group. Output goes to logPath.
function start(command, args, { logPath, env, cwd } = {}) {
  const out = logPath ? fs.openSync(logPath, 'a') : 'ignore';
  const child = spawn(command, args, {
    detached: true,
    stdio: ['ignore', out, out],
    env: env || process.env,
    cwd,
  });
  if (typeof out === 'number') fs.closeSync(out);
  const entry = { child, pid: child.pid, exited: false, command };
  child.on('exit', () => {
    entry.exited = true;
    running.delete(entry);
  });
  running.add(entry);
  return entry;
}

function groupAlive(pid) {
  try {
    process.kill(-pid, 0);
    return true;
  } catch {
    return false;
  }
}

// Asks the process to end (SIGTERM), then ends its whole group by force
// when it has not gone within graceMs.
async function stop(entry, graceMs = 5000) {
  if (!entry) return;
  const { pid } = entry;
  try {
    process.kill(pid, 'SIGTERM');
  } catch {
    // already gone
  }
  const until = Date.now() + graceMs;
  while (Date.now() < until && (!entry.exited || groupAlive(pid))) {
    await new Promise((r) => setTimeout(r, 50));
  }
  if (groupAlive(pid)) {
    try {
      process.kill(-pid, 'SIGKILL');
    } catch {
      // gone meanwhile
    }
  }
  running.delete(entry);
}

function killAll() {
  for (const entry of running) {
    try {
      process.kill(-entry.pid, 'SIGKILL');
    } catch {
      // gone
    }
  }
  for (const folder of temporary) fs.rmSync(folder, { recursive: true, force: true });
}

// Last resort when a test file ends, or is stopped, without stopping what
// it started.
process.on('exit', killAll);
for (const signal of ['SIGINT', 'SIGTERM']) {
  process.once(signal, () => {
    killAll();
    process.exit(1);
  });
}

module.exports = { start, stop, groupAlive, removeAtExit };
