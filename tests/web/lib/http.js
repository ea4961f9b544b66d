// Plain HTTP requests for the server tests and for setting up articles
// before a browser flow: Shift-JIS bodies and multipart forms as a browser
// sends them.
'use strict';

const { execFileSync } = require('node:child_process');
const crypto = require('node:crypto');

const sjisDecoder = new TextDecoder('shift_jis');

// UTF-8 text as Shift-JIS (CP932) bytes.
function sjis(text) {
  return execFileSync('iconv', ['-f', 'UTF-8', '-t', 'CP932'], { input: Buffer.from(text, 'utf8') });
}

function decodeSjis(buf) {
  return sjisDecoder.decode(buf);
}

// A multipart/form-data body with a boundary of the kind Chromium uses.
// fields: [{ name, value (string or Buffer), filename?, type? }]; strings
// are sent as Shift-JIS when `japanese`, else as they are.
function multipart(fields, { japanese = false } = {}) {
  const boundary = `----WebKitFormBoundary${crypto.randomBytes(8).toString('hex')}`;
  const parts = [];
  for (const f of fields) {
    let head = `--${boundary}\r\nContent-Disposition: form-data; name="${f.name}"`;
    if (f.filename !== undefined) head += `; filename="${f.filename}"\r\nContent-Type: ${f.type || 'application/octet-stream'}`;
    head += '\r\n\r\n';
    const value = Buffer.isBuffer(f.value) ? f.value : japanese ? sjis(f.value) : Buffer.from(f.value, 'latin1');
    parts.push(Buffer.from(head, 'latin1'), value, Buffer.from('\r\n'));
  }
  parts.push(Buffer.from(`--${boundary}--\r\n`));
  return { body: Buffer.concat(parts), contentType: `multipart/form-data; boundary=${boundary}` };
}

// One request; redirects are not followed. Returns { status, headers, body
// (bytes), text (Shift-JIS decoded) }.
async function request(url, { method = 'GET', headers = {}, body } = {}) {
  const res = await fetch(url, { method, headers, body, redirect: 'manual' });
  const buf = Buffer.from(await res.arrayBuffer());
  return { status: res.status, headers: res.headers, body: buf, text: decodeSjis(buf) };
}

async function postForm(url, fields, opts = {}) {
  const { body, contentType } = multipart(fields, opts);
  return request(url, { method: 'POST', body, headers: { 'Content-Type': contentType, ...(opts.headers || {}) } });
}

module.exports = { sjis, decodeSjis, multipart, request, postForm };
