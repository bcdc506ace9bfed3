'use strict';
// busboy parsing the bodies bench_upload wrote (bench/upload-compare.sh runs both), each file
// piped into a temporary file on tmpfs. Timed per body: from handing busboy the body to the last
// temporary file written; deleting the files afterwards is not timed, as in bench_upload.
// Two ways of handing over the body:
//   request  64 KiB chunks, each a fresh copy, as node's http module delivers a request body
//            (bench_upload likewise copies the body out of its request)
//   buffer   the whole body as one Buffer, no copy at all
//
//   node busboy-bench.js BODIES_DIR [SECONDS_PER_CASE]

const fs = require('fs');
const path = require('path');
const busboy = require('busboy');

const dir = process.argv[2];
const secondsPerCase = Number(process.argv[3] || 5);
const boundary = fs.readFileSync(path.join(dir, 'boundary'), 'utf8');
const tempRoot = process.env.KAVELUP_BENCH_TEMP || '/dev/shm';
const tempDir = fs.mkdtempSync(path.join(tempRoot, 'busboy-bench-'));

const CHUNK = 64 * 1024;

function parseOnce(body, mode) {
  return new Promise((resolve, reject) => {
    const bb = busboy({
      headers: { 'content-type': `multipart/form-data; boundary=${boundary}` },
      limits: { fieldSize: Infinity, fileSize: Infinity },
    });
    const files = [];
    const written = [];
    let fields = 0;
    bb.on('file', (name, stream) => {
      const file = path.join(tempDir, String(files.length));
      files.push(file);
      const out = fs.createWriteStream(file);
      written.push(new Promise((res, rej) => {
        out.on('close', res);
        out.on('error', rej);
      }));
      stream.pipe(out);
    });
    bb.on('field', () => { fields += 1; });
    bb.on('error', reject);
    bb.on('close', () => Promise.all(written).then(() => resolve({ files, fields }), reject));
    if (mode === 'buffer') {
      bb.end(body);
      return;
    }
    for (let at = 0; at < body.length; at += CHUNK)
      bb.write(Buffer.from(body.subarray(at, at + CHUNK)));
    bb.end();
  });
}

async function measure(name, mode, body, expectFiles, expectFields) {
  const times = [];
  const cpuTimes = [];
  const start = process.hrtime.bigint();
  while (times.length < 5 || Number(process.hrtime.bigint() - start) < secondsPerCase * 1e9) {
    const c0 = process.cpuUsage();
    const t0 = process.hrtime.bigint();
    const { files, fields } = await parseOnce(body, mode);
    const t1 = process.hrtime.bigint();
    const c1 = process.cpuUsage(c0);  // every thread of the process, the file writers too
    cpuTimes.push((c1.user + c1.system) / 1e3);
    if (files.length !== expectFiles || fields !== expectFields)
      throw new Error(`${name}: ${files.length} files, ${fields} fields`);
    for (const f of files) fs.unlinkSync(f);
    times.push(Number(t1 - t0) / 1e6);
  }
  times.sort((a, b) => a - b);
  cpuTimes.sort((a, b) => a - b);
  return {
    case: name,
    mode,
    iterations: times.length,
    median_ms: times[Math.floor(times.length / 2)],
    median_cpu_ms: cpuTimes[Math.floor(cpuTimes.length / 2)],
    bytes: body.length,
  };
}

(async () => {
  try {
    const big = fs.readFileSync(path.join(dir, 'big.body'));
    const fields = fs.readFileSync(path.join(dir, 'fields.body'));
    const results = [];
    for (const mode of ['request', 'buffer']) {
      await parseOnce(fields, mode);  // warm up the JIT
      results.push(await measure('big', mode, big, 1, 0));
      results.push(await measure('fields', mode, fields, 0, 1000));
    }
    process.stdout.write(JSON.stringify({ busboy: require('busboy/package.json').version, results }) + '\n');
  } finally {
    fs.rmSync(tempDir, { recursive: true, force: true });
  }
})().catch((e) => { console.error(e); process.exit(1); });
