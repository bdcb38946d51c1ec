#!/usr/bin/env node
// Renders SWF files with the Ruffle player (npm @ruffle-rs/ruffle) in headless Chromium,
// offline: the page, ruffle.js with its .wasm files and the movies come from a small
// HTTP server on 127.0.0.1.
//
//   node ruffle_render.js update SAMPLES_DIR
//       makes SAMPLES_DIR/<name>.png for every line "name frame WxH" of samples.txt
//   node ruffle_render.js compare SAMPLES_DIR TASTORA_SWF
//       renders every sample with Ruffle and with `TASTORA_SWF render`, compares them per
//       pixel (tolerance and outlier budget as the native test) and ends with the line
//       "N passed, N failed"
//
// The samples stop at the frame named in samples.txt, so a picture taken once the movie
// has loaded and played that many frames (and a little more) shows that frame.
'use strict';
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');
const puppeteer = require('puppeteer-core');

const TOLERANCE = 24;        // largest difference of a channel that still counts as equal
const OUTLIER_BUDGET = 0.02; // share of pixels allowed to differ by more
const SETTLE_MS = 400;       // time the movie runs after its frames have been played

const rufflePath = path.dirname(require.resolve('@ruffle-rs/ruffle/package.json'));
const chromium = process.env.CHROMIUM || '/usr/bin/chromium';

function readSamples(dir) {
  return fs.readFileSync(path.join(dir, 'samples.txt'), 'utf8').split('\n').filter(Boolean).map((line) => {
    // An optional fourth field: how long the movie runs before the picture, in ms.
    const [name, frame, size, run] = line.trim().split(/\s+/);
    const [width, height] = size.split('x').map(Number);
    return { name, frame: Number(frame), width, height, run: run === undefined ? null : Number(run) };
  });
}

const PAGE = `<!doctype html><html><head><meta charset="utf-8">
<style>html,body{margin:0;padding:0;background:#808080}#stage{position:absolute;left:0;top:0}</style>
<script src="/ruffle/ruffle.js"></script></head><body><div id="stage"></div>
<script>
window.RufflePlayer = window.RufflePlayer || {};
async function showMovie(url, width, height) {
  const stage = document.getElementById('stage');
  stage.innerHTML = '';
  stage.style.width = width + 'px';
  stage.style.height = height + 'px';
  const player = window.RufflePlayer.newest().createPlayer();
  player.style.width = width + 'px';
  player.style.height = height + 'px';
  player.style.display = 'block';
  stage.appendChild(player);
  const loaded = new Promise((resolve) => {
    player.addEventListener('loadeddata', resolve, { once: true });
    setTimeout(resolve, 5000);
  });
  await player.ruffle().load({ url, autoplay: 'on', splashScreen: false, unmuteOverlay: 'hidden',
    letterbox: 'on', quality: 'high', contextMenu: 'off', warnOnUnsupportedContent: false,
    allowScriptAccess: false, logLevel: 'error' });
  await loaded;
  const metadata = player.ruffle().metadata;
  return metadata && metadata.frameRate > 0 ? metadata.frameRate : 12;
}
function pixels(url, width, height) {
  return new Promise((resolve, reject) => {
    const img = new Image();
    img.onload = () => {
      const c = document.createElement('canvas');
      c.width = width; c.height = height;
      const g = c.getContext('2d');
      g.drawImage(img, 0, 0);
      resolve(g.getImageData(0, 0, width, height).data);
    };
    img.onerror = reject;
    img.src = url;
  });
}
async function compare(a, b, width, height, tolerance) {
  const pa = await pixels(a, width, height), pb = await pixels(b, width, height);
  let outliers = 0, worst = 0;
  for (let i = 0; i < pa.length; i += 4) {
    const d = Math.max(Math.abs(pa[i] - pb[i]), Math.abs(pa[i + 1] - pb[i + 1]), Math.abs(pa[i + 2] - pb[i + 2]));
    if (d > tolerance) outliers++;
    if (d > worst) worst = d;
  }
  return { outliers, worst, share: outliers / (width * height) };
}
</script></body></html>`;

function serve(samplesDir) {
  const types = { '.js': 'text/javascript', '.wasm': 'application/wasm', '.swf': 'application/x-shockwave-flash',
    '.html': 'text/html', '.map': 'application/json' };
  const server = http.createServer((req, res) => {
    const url = decodeURIComponent(req.url.split('?')[0]);
    let file = null;
    if (url === '/' || url === '/index.html') {
      res.writeHead(200, { 'Content-Type': 'text/html' });
      res.end(PAGE);
      return;
    }
    if (url.startsWith('/ruffle/')) file = path.join(rufflePath, path.basename(url));
    else if (url.startsWith('/swf/')) file = path.join(samplesDir, path.basename(url));
    if (!file || !fs.existsSync(file)) {
      res.writeHead(404);
      res.end();
      return;
    }
    res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

async function withBrowser(samplesDir, work) {
  const server = await serve(samplesDir);
  const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    args: ['--no-sandbox', '--use-gl=swiftshader', '--enable-unsafe-swiftshader', '--disable-gpu-sandbox',
      '--autoplay-policy=no-user-gesture-required', '--mute-audio'],
  });
  try {
    const page = await browser.newPage();
    await page.setViewport({ width: 1024, height: 768, deviceScaleFactor: 1 });
    await page.goto(`http://127.0.0.1:${server.address().port}/`, { waitUntil: 'load' });
    return await work(page);
  } finally {
    await browser.close();
    server.close();
  }
}

async function ruffleShot(page, sample) {
  await page.setViewport({ width: Math.max(sample.width, 64), height: Math.max(sample.height, 64), deviceScaleFactor: 1 });
  const rate = await page.evaluate((n, w, h) => showMovie('/swf/' + n + '.swf', w, h), sample.name, sample.width,
    sample.height);
  const run = sample.run !== null ? sample.run : Math.ceil(sample.frame * 1000 / rate) + SETTLE_MS;
  await new Promise((r) => setTimeout(r, run));
  return page.screenshot({ clip: { x: 0, y: 0, width: sample.width, height: sample.height }, type: 'png' });
}

async function update(dir) {
  const samples = readSamples(dir);
  await withBrowser(dir, async (page) => {
    for (const s of samples) {
      fs.writeFileSync(path.join(dir, s.name + '.png'), await ruffleShot(page, s));
      console.log(`${s.name}.png`);
    }
  });
}

async function compare(dir, tool) {
  const samples = readSamples(dir);
  const tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'swfref-'));
  let passed = 0, failed = 0;
  await withBrowser(dir, async (page) => {
    for (const s of samples) {
      const ours = path.join(tmp, s.name + '.png');
      execFileSync(tool, ['render', path.join(dir, s.name + '.swf'), '--frame', String(s.frame),
        '--size', `${s.width}x${s.height}`, ours]);
      const theirs = await ruffleShot(page, s);
      const r = await page.evaluate(compare_, 'data:image/png;base64,' + theirs.toString('base64'),
        'data:image/png;base64,' + fs.readFileSync(ours).toString('base64'), s.width, s.height, TOLERANCE);
      const ok = r.share <= OUTLIER_BUDGET;
      if (ok) passed++; else failed++;
      console.log(`${ok ? 'PASS' : 'FAIL'} ${s.name}: ${(100 * r.share).toFixed(2)} % of the pixels differ by more than ${TOLERANCE} (largest ${r.worst})`);
    }
  });
  fs.rmSync(tmp, { recursive: true, force: true });
  console.log(`${passed} passed, ${failed} failed`);
  return failed === 0;
}
// Runs in the page.
function compare_(a, b, w, h, t) { return compare(a, b, w, h, t); }

(async () => {
  const [mode, dir, tool] = process.argv.slice(2);
  if (mode === 'update' && dir) await update(dir);
  else if (mode === 'compare' && dir && tool) process.exitCode = (await compare(dir, tool)) ? 0 : 1;
  else {
    console.error('usage: ruffle_render.js update SAMPLES_DIR | compare SAMPLES_DIR TASTORA_SWF');
    process.exitCode = 2;
  }
})().catch((e) => {
  console.error(e);
  console.log('0 passed, 1 failed');
  process.exitCode = 1;
});
