// The page in a real browser: Debian's Chromium, headless, opens index.html
// from file://; the tests choose files as a person would and compare what the
// page shows and saves with the native tool's output (for a shared case, as
// its files say).  Screenshots go to the
// build folder (TRILLO_WEB_BUILD, default web/build).
import assert from 'node:assert/strict';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { pathToFileURL } from 'node:url';

import { load } from '../dist/trillo.mjs';
import { launchBrowser } from './support/browser.mjs';
import { caseNamed } from './support/cases.mjs';
import { markedLine } from './support/marked.mjs';
import { fileOf, trilloOnPath } from './support/native.mjs';
import { buildFolder, pageUrl, song, web } from './support/paths.mjs';

const trilloModule = await load();

let chromium;
let page;
const requests = [];

before(async () => {
  mkdirSync(buildFolder, { recursive: true });
  chromium = await launchBrowser();
});

after(async () => chromium?.close());

// A fresh page with index.html; collects every request and every script error.
async function openPage() {
  page = await chromium.browser.newPage();
  page.errors = [];
  page.on('pageerror', (error) => page.errors.push(error.message));
  page.on('request', (request) => requests.push(request.url()));
  await page.setViewport({ width: 1100, height: 900 });
  await page.goto(pageUrl);
  return page;
}

const summary = () => page.$eval('#summary', (element) => element.textContent);

// Chooses the file at path with the file input; resolves once its summary is there.
async function choose(path) {
  const input = await page.$('#file');
  await input.uploadFile(path);
  const name = path.split('/').pop();
  await page.waitForFunction((prefix) => {
    const text = document.getElementById('summary').textContent;
    return text.startsWith(prefix) && text.endsWith(' ms');
  }, { timeout: 120000, polling: 50 }, `${name}: `);
}

// What the page shows, as the test compares it.
function shown() {
  return page.evaluate(() => {
    const error = document.getElementById('error');
    // A dump of several pages: each page's text, from the first.
    const dumpText = () => {
      const dump = document.getElementById('dump');
      if (document.getElementById('dump-pages').hidden) return dump.textContent;
      const [previous, next] = ['dump-previous', 'dump-next'].map((id) => document.getElementById(id));
      while (!previous.disabled) previous.click();
      let text = dump.textContent;
      while (!next.disabled) {
        next.click();
        text += dump.textContent;
      }
      return text;
    };
    return {
      dump: dumpText(),
      error: error.hidden ? null : error.textContent,
      errorVisible: error.getClientRects().length > 0,
      download: !document.getElementById('download').disabled,
    };
  });
}

// The summary line that a file's run should give: counts from read (its
// partial structure for a broken file).
function expectedSummary(name, bytes) {
  let sequence;
  try {
    sequence = trilloModule.read(bytes);
  } catch (error) {
    sequence = error.partial;
  }
  const sections = sequence.tracks.reduce((sum, track) => sum + track.sections.length, 0);
  const fields = sequence.tracks.reduce((sum, track) =>
    sum + track.sections.reduce((inner, section) => inner + section.fields.length, 0), 0);
  const plural = (n, word) => `${n.toLocaleString('en')} ${word}${n === 1 ? '' : 's'}`;
  const parts = [sequence.voices === null ? 'no header' : plural(sequence.voices, 'voice')];
  if (sequence.voices !== null) parts.push(`division ${sequence.division}`);
  parts.push(plural(sections, 'section'), plural(fields, 'field'), plural(bytes.length, 'byte'));
  return new RegExp(`^${name.replace('.', '\\.')}: ${parts.join(', ')}, [0-9,]+ ms$`);
}

describe('the page', () => {
  before(openPage);

  test('starts without a dump, an error or a download', async () => {
    assert.deepEqual(await shown(), { dump: '', error: null, errorVisible: false, download: false });
  });

  test('shows a bundled example as the tool dumps it', async () => {
    await choose(song);
    const native = trilloOnPath(song);
    assert.equal(native.status, 0);
    assert.deepEqual(await shown(), {
      dump: new TextDecoder().decode(native.output), error: null, errorVisible: false, download: true,
    });
    assert.match(await summary(), expectedSummary('song.vsq', readFileSync(song)));
    await page.screenshot({ path: join(buildFolder, 'page.png'), fullPage: true });
  });

  test('saves the dump as <name>.txt', async () => {
    const downloads = mkdtempSync(join(buildFolder, 'downloads-'));
    const session = await page.createCDPSession();
    await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
    await page.click('#download');
    const saved = join(downloads, 'song.txt');
    for (let tries = 0; !existsSync(saved) && tries < 200; tries++) await new Promise((r) => setTimeout(r, 50));
    assert.deepEqual(readFileSync(saved), Buffer.from(trilloOnPath(song).output));
    rmSync(downloads, { recursive: true, force: true });
  });

  const shownBroken = ["cut inside a voice track's text", 'a duplicated frame', 'trailing bytes']
    .map((what) => caseNamed('error', what));
  shownBroken.forEach(({ what, bytes, message, expected: native }, index) => {
    test(`keeps the partial dump above the error line: ${what}`, async () => {
      const file = `broken-${index}.vsq`; // a name of its own, so that its summary tells the run
      const path = fileOf(bytes, file);
      await choose(path);
      assert.equal(native.error, `Error: ${message}`);
      assert.deepEqual(await shown(), {
        dump: new TextDecoder().decode(native.output), error: native.error, errorVisible: true, download: true,
      });
      assert.match(await summary(), expectedSummary(file, bytes));
      const below = await page.evaluate(() => document.getElementById('error').getBoundingClientRect().top >=
                                              document.getElementById('dump').getBoundingClientRect().bottom);
      assert.ok(below, 'the error line is below the dump');
    });
  });

  test('hides the error line again for a good file', async () => {
    await page.screenshot({ path: join(buildFolder, 'page-error.png'), fullPage: true });
    await choose(song);
    assert.equal((await shown()).errorVisible, false);
  });

  test('decodes the dump for the encoding chosen', async () => {
    const { bytes, expected: native } = caseNamed('valid', 'Shift_JIS bytes');
    const path = fileOf(bytes, 'lyrics.vsq');
    await choose(path);
    assert.equal((await shown()).dump, new TextDecoder('utf-8').decode(native.output));
    await page.select('#encoding', 'shift_jis');
    const dump = (await shown()).dump;
    assert.equal(dump, new TextDecoder('shift_jis').decode(native.output));
    assert.match(dump, /L0=あい/);
    await page.select('#encoding', 'utf-8');
  });

  test('reads a file dropped on the page', async () => {
    const { bytes, expected } = caseNamed('valid', 'the worked example');
    await page.evaluate((data) => {
      const transfer = new DataTransfer();
      transfer.items.add(new File([new Uint8Array(data)], 'dropped.vsq'));
      document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
    }, Array.from(bytes));
    await page.waitForFunction(() => /^dropped\.vsq: .* ms$/.test(document.getElementById('summary').textContent));
    assert.equal((await shown()).dump, new TextDecoder().decode(expected.output));
  });

  test('answers events while it reads a 10 MB file', async (t) => {
    const { bytes, expected: native } = caseNamed('large', 'a file of about 10 MB');
    const path = fileOf(bytes, 'large.vsq');
    // Another task, run whenever the page lets the event loop turn: it notes
    // how much of the dump is on the page while the file is being read (its
    // first page's blocks, and the line count of the bar of pages), and the
    // longest wait between its turns.
    await page.evaluate(() => {
      window.seen = new Set();
      window.longestWait = 0;
      let last = performance.now();
      window.counting = setInterval(() => {
        const now = performance.now();
        window.longestWait = Math.max(window.longestWait, now - last);
        last = now;
        if (document.getElementById('summary').textContent.startsWith('large.vsq: reading')) {
          const lines = document.getElementById('dump-pages').hidden ? '' : document.getElementById('dump-lines').textContent;
          window.seen.add(`${document.querySelectorAll('#dump .block').length} ${lines}`);
        }
      }, 0);
    });
    await choose(path);
    const { partials, longestWait } = await page.evaluate(() => {
      clearInterval(window.counting);
      return { partials: [...window.seen].filter((shown) => !shown.startsWith('0 ')).length, longestWait: window.longestWait };
    });
    t.diagnostic(`longest wait between turns of the event loop: ${Math.round(longestWait)} ms`);
    const slices = Math.ceil(bytes.length / (1 << 20));
    assert.ok(partials >= slices / 2, `the event loop turned with ${partials} partial dumps shown, for ${slices} slices`);
    assert.equal((await shown()).dump, new TextDecoder().decode(native.output));
    assert.match(await summary(), expectedSummary('large.vsq', bytes));
  });

  test('outlines and searches the 10 MB file without a node per line', async () => {
    const { bytes, expected: native } = caseNamed('large', 'a file of about 10 MB');
    const sequence = trilloModule.read(bytes);
    const dumpText = new TextDecoder().decode(native.output);
    const lines = dumpText.split('\n').length;
    const shownNow = await page.evaluate(() => ({
      nodes: document.querySelectorAll('#dump *').length,
      tracks: Array.from(document.querySelectorAll('#outline .group > .entry'), (entry) => entry.textContent),
      counts: Array.from(document.querySelectorAll('#outline .group > .count'), (count) => count.textContent),
    }));
    assert.ok(shownNow.nodes < lines / 100, `${shownNow.nodes} nodes for ${lines} lines`);
    assert.deepEqual(shownNow.tracks, sequence.tracks.map((_, i) => `Track0${i + 1}`));
    assert.deepEqual(shownNow.counts, sequence.tracks.map((t) => `${t.sections.length.toLocaleString('en')} sections`));
    // The last section of the last track, reached through "Show more".
    const entries = await page.evaluate(() => {
      const track = document.querySelector('#outline .group:last-child');
      track.querySelector('.toggle').click();
      for (let more = track.querySelector('.more'); more !== null; more = track.querySelector('.more')) more.click();
      const sections = track.querySelectorAll(':scope ul .entry');
      sections[sections.length - 1].click();
      return sections.length;
    });
    const lastSection = sequence.tracks.at(-1).sections.at(-1).name;
    assert.equal(entries, sequence.tracks.at(-1).sections.length);
    assert.deepEqual(await markedLine(page), { text: `[${lastSection}]`, inView: true });
    await page.$eval('#outline .entry', (master) => master.click());
    assert.deepEqual(await markedLine(page), { text: '[Master]', inView: true });
    await page.type('#search', '[Curve#');
    await page.waitForFunction(() => /^(No match|1 of [0-9,]+)$/.test(document.getElementById('search-count').textContent),
                               { timeout: 60000 });
    const matches = dumpText.split('[Curve#').length - 1;
    assert.equal(await page.$eval('#search-count', (o) => o.textContent), `1 of ${matches.toLocaleString('en')}`);
  });

  test('loads nothing but its own files and the embedded module', () => {
    const foreign = requests.filter((url) => !/^(file|data|blob):/.test(url));
    assert.deepEqual(foreign, []);
    assert.ok(requests.includes(pathToFileURL(join(web, 'dist', 'trillo.js')).href), requests.join('\n'));
  });

  test('raises no script error', () => assert.deepEqual(page.errors, []));
});
