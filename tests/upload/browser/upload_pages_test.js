// The example upload pages (examples/upload) under lighttpd with kavelup.cgi, used by a real
// browser: Debian's chromium, headless, driven through the DevTools protocol by puppeteer-core.
// On the GBK page and on the UTF-8 page it chooses three files at once (Chinese names, one of
// 50 MB), leaves the fourth file input empty, types a Chinese note and presses 上传; then it
// checks the answer page and every saved file byte for byte.
//
// usage: node upload_pages_test.js EXAMPLES_DIR KAVELUP_CGI [SCREENSHOT_DIR]

'use strict';

const assert = require('node:assert/strict');
const child_process = require('node:child_process');
const crypto = require('node:crypto');
const fs = require('node:fs');
const net = require('node:net');
const os = require('node:os');
const path = require('node:path');
const puppeteer = require('puppeteer-core');

const CHROMIUM = '/usr/bin/chromium';
const LIGHTTPD = '/usr/sbin/lighttpd';
const NOT_A_FILE = '内容不是一个文件，不能保存';

function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

async function waitForPort(port, process, seconds = 10) {
  const deadline = Date.now() + seconds * 1000;
  while (Date.now() < deadline) {
    if (process.exitCode !== null) throw new Error('lighttpd ended at once');
    const open = await new Promise((resolve) => {
      const socket = net.connect(port, '127.0.0.1', () => { socket.end(); resolve(true); });
      socket.once('error', () => resolve(false));
    });
    if (open) return;
    await new Promise((r) => setTimeout(r, 50));
  }
  throw new Error('lighttpd did not start');
}

function sha256(file) {
  const hash = crypto.createHash('sha256');
  const fd = fs.openSync(file, 'r');
  const buffer = Buffer.alloc(1 << 20);
  let n;
  while ((n = fs.readSync(fd, buffer, 0, buffer.length, null)) > 0) hash.update(buffer.subarray(0, n));
  fs.closeSync(fd);
  return hash.digest('hex');
}

// Files a user would pick: Chinese names, a drawing with CR LF and lines that look like
// multipart delimiters, and a 50 MB file of random bytes.
function makeFiles(dir) {
  const files = {
    drawing: path.join(dir, '单线图 GD-01（主管线）.hcd'),
    report: path.join(dir, '检验报告.txt'),
    photo: path.join(dir, '现场照片-50MB.bin'),
  };
  let drawing = '';
  for (let i = 0; i < 2000; i++) drawing += `Port1 ${i} 0 0\r\n--\r\n------WebKitFormBoundary\r\n\r\n`;
  fs.writeFileSync(files.drawing, Buffer.from(drawing, 'latin1'));
  fs.writeFileSync(files.report, Buffer.from('在用工业管道定期检验报告\n结论：符合要求\n', 'utf8'));
  const fd = fs.openSync(files.photo, 'w');
  for (let i = 0; i < 50; i++) fs.writeSync(fd, crypto.randomBytes(1 << 20));
  fs.closeSync(fd);
  return files;
}

// Bytes of a text as the page's browser sends it: GBK takes two bytes for a Chinese character.
function byteLength(text, site) {
  if (site === 'utf8') return Buffer.byteLength(text, 'utf8');
  return Array.from(text).reduce((n, c) => n + (c.codePointAt(0) < 0x80 ? 1 : 2), 0);
}

async function uploadOnce(browser, base, site, files, saveDir, shots) {
  const page = await browser.newPage();
  await page.setViewport({ width: 900, height: 700 });
  const form = await page.goto(`${base}/${site}/`);
  assert.equal(form.status(), 200, `${site}: the form page`);
  assert.equal(await page.title(), '上传检验文件', `${site}: the page's text is read in its encoding`);
  const inputs = await page.$$('input[type=file]');
  assert.equal(inputs.length, 4);
  await inputs[0].uploadFile(files.drawing);
  await inputs[1].uploadFile(files.report);
  await inputs[2].uploadFile(files.photo);
  // inputs[3] stays empty.
  const note = `${site} 页面的说明`;
  await page.type('input[name=note]', note);
  if (shots) await page.screenshot({ path: path.join(shots, `${site}-form.png`) });

  const [answer] = await Promise.all([
    page.waitForNavigation({ timeout: 240000 }),
    page.click('input[type=submit]'),
  ]);
  assert.equal(answer.status(), 200, `${site}: status of the answer`);
  if (shots) await page.screenshot({ path: path.join(shots, `${site}-answer.png`), fullPage: true });

  const rows = await page.$$eval('table tr', (trs) =>
    trs.slice(1).map((tr) => Array.from(tr.cells, (td) => td.textContent)));
  const messages = await page.$eval('p.errors', (p) => p.innerText.trim().split('\n'));
  const name = (f) => path.basename(f);
  const size = (f) => String(fs.statSync(f).size);
  assert.deepEqual(rows, [
    ['0', 'drawing', name(files.drawing), 'hcd', size(files.drawing), '已保存'],
    ['1', 'report', name(files.report), 'txt', size(files.report), '已保存'],
    ['2', 'photo', name(files.photo), 'bin', size(files.photo), '已保存'],
    ['3', 'other', '', '', '0', `没有保存：other${NOT_A_FILE}`],
    ['4', 'note', 'NonFile', 'NonFileType', String(byteLength(note, site)), `没有保存：note${NOT_A_FILE}`],
  ], `${site}: the answer lists every part with its outcome`);
  assert.deepEqual(messages, [`other${NOT_A_FILE}`, `note${NOT_A_FILE}`]);

  // On disk, byte for byte, under the Chinese names.
  assert.deepEqual(fs.readdirSync(saveDir).sort(),
    [name(files.drawing), name(files.report), name(files.photo)].sort(), `${site}: saved files`);
  for (const f of [files.drawing, files.report, files.photo])
    assert.equal(sha256(path.join(saveDir, name(f))), sha256(f), `${site}: ${name(f)} byte for byte`);
  await page.close();
}

async function main() {
  const [examples, cgi, shots] = process.argv.slice(2);
  assert.ok(examples && cgi, 'usage: node upload_pages_test.js EXAMPLES_DIR KAVELUP_CGI [SCREENSHOT_DIR]');
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'kavelup-browser-'));
  let server;
  let browser;
  try {
    const data = path.join(root, 'site');
    for (const d of ['gbk', 'utf8', 'tmp', 'lighttpd-tmp']) fs.mkdirSync(path.join(data, d), { recursive: true });
    const picked = path.join(root, 'picked');
    fs.mkdirSync(picked);
    const files = makeFiles(picked);
    if (shots) fs.mkdirSync(shots, { recursive: true });

    const port = await freePort();
    server = child_process.spawn(LIGHTTPD, ['-D', '-f', path.join(examples, 'lighttpd.conf')], {
      stdio: ['ignore', 'inherit', 'inherit'],
      env: {
        ...process.env,
        KAVELUP_EXAMPLE_ROOT: path.resolve(examples),
        KAVELUP_EXAMPLE_DATA: data,
        KAVELUP_EXAMPLE_CGI: path.resolve(cgi),
        KAVELUP_EXAMPLE_PORT: String(port),
      },
    });
    await waitForPort(port, server);

    browser = await puppeteer.launch({
      executablePath: CHROMIUM,
      headless: true,
      userDataDir: path.join(root, 'profile'),
      args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
        '--disable-background-networking', '--disable-component-update', '--disable-sync'],
      protocolTimeout: 240000,
    });
    const base = `http://127.0.0.1:${port}`;
    for (const site of ['gbk', 'utf8'])
      await uploadOnce(browser, base, site, files, path.join(data, site), shots);
    assert.deepEqual(fs.readdirSync(path.join(data, 'tmp')), [], 'temporary files left');
    console.log('browser end to end: all checks passed');
  } catch (e) {
    console.error('FAILED:', e);
    try {
      console.error(fs.readFileSync(path.join(root, 'site', 'error.log'), 'utf8'));
    } catch {}
    process.exitCode = 1;
  } finally {
    if (browser) await browser.close();
    if (server) server.kill('SIGTERM');
    fs.rmSync(root, { recursive: true, force: true });
  }
}

main();
