// The page as a viewer, in headless Chromium: the outline against the
// module's read, the tempo plot's points against the tempo map, search
// counts, the diff of two versions of a song with known changes, and the
// layout at a phone's width and a desktop's.  Screenshots go to the build
// folder (TRILLO_WEB_BUILD, default web/build).
import assert from 'node:assert/strict';
import { mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';

import { load } from '../dist/trillo.mjs';
import { launchBrowser } from './support/browser.mjs';
import { caseNamed } from './support/cases.mjs';
import { markedLine } from './support/marked.mjs';
import { fileOf } from './support/native.mjs';
import { buildFolder, pageUrl, song } from './support/paths.mjs';

const trilloModule = await load();

let chromium;
let page;
const requests = [];
const errors = [];

before(async () => {
  mkdirSync(buildFolder, { recursive: true });
  chromium = await launchBrowser();
  page = await chromium.browser.newPage();
  page.on('pageerror', (error) => errors.push(error.message));
  page.on('request', (request) => requests.push(request.url()));
  await page.setViewport({ width: 1280, height: 900 });
  await page.goto(pageUrl);
});
after(async () => chromium?.close());

// A shared case's file, under a name of its own.
const caseFile = (group, what, name) => fileOf(caseNamed(group, what).bytes, name);

// Chooses the file at path; resolves once its summary is there.
async function choose(path) {
  await (await page.$('#file')).uploadFile(path);
  const name = path.split('/').pop();
  await page.waitForFunction((prefix) => {
    const text = document.getElementById('summary').textContent;
    return text.startsWith(prefix) && text.endsWith(' ms');
  }, { timeout: 120000, polling: 50 }, `${name}: `);
}

function readAny(bytes) {
  try {
    return trilloModule.read(bytes);
  } catch (error) {
    return error.partial;
  }
}

const plural = (n, word) => `${n.toLocaleString('en')} ${word}${n === 1 ? '' : 's'}`;

// The outline's entries, every track opened: [depth, name, count].
async function outlineEntries() {
  await page.$$eval('#outline .toggle[aria-expanded="false"]', (toggles) => toggles.forEach((t) => t.click()));
  return page.$$eval('#outline .entry', (entries) => entries.map((entry) => [
    entry.closest('ul').closest('li') === null ? 0 : 1,
    entry.textContent,
    entry.parentElement.querySelector(':scope > .count')?.textContent ?? null,
  ]));
}

// The entries that read's structure stands for.
function expectedEntries(sequence) {
  const entries = sequence.voices === null ? []
    : [[0, 'Master', null], [0, 'TempoMap', plural(sequence.tempoMap.length, 'event')]];
  sequence.tracks.forEach((track, index) => {
    entries.push([0, `Track${String(index + 1).padStart(2, '0')}`, plural(track.sections.length, 'section')]);
    for (const section of track.sections) entries.push([1, section.name, plural(section.fields.length, 'field')]);
  });
  return entries;
}

describe('the outline', () => {
  const files = [
    ['song.vsq', song],
    ['the worked example', caseFile('valid', 'the worked example', 'worked.vsq')],
    ['a busy master track', caseFile('valid', 'a busy master track', 'busy.vsq')],
    ['frames out of order', caseFile('valid', 'frames out of order', 'order.vsq')],
    ['twelve voices', caseFile('valid', 'keys and sections repeated', 'repeated.vsq')],
    ['a broken file', caseFile('error', 'a duplicated frame', 'duplicated.vsq')],
  ];
  for (const [what, path] of files) {
    test(`names the dump's headings and counts as read does: ${what}`, async () => {
      await choose(path);
      const { readFileSync } = await import('node:fs');
      assert.deepEqual(await outlineEntries(), expectedEntries(readAny(new Uint8Array(readFileSync(path)))));
    });
  }

  test('shows the place of the entry chosen, by mouse and by keyboard', async () => {
    await choose(caseFile('valid', 'a song before an edit', 'before.vsq'));
    const entries = await page.$$('#outline .entry');
    assert.equal(entries.length, 3 + 41); // Master, TempoMap, Track01; [Voice] and 40 notes
    await entries[entries.length - 1].click();
    assert.deepEqual(await markedLine(page), { text: '[Note#39]', inView: true });
    await entries[2].focus();
    await page.keyboard.press('Enter');
    assert.deepEqual(await markedLine(page), { text: '[Track01]', inView: true });
    await entries[1].click();
    assert.deepEqual(await markedLine(page), { text: '[TempoMap]', inView: true });
  });

  test('folds and unfolds a track', async () => {
    const toggle = await page.$('#outline .toggle');
    const sectionsShown = () => page.$$eval('#outline ul ul .entry', (entries) => entries.filter((e) => e.offsetParent !== null).length);
    assert.equal(await sectionsShown(), 41);
    await toggle.press('Enter');
    assert.equal(await page.$eval('#outline .toggle', (t) => t.getAttribute('aria-expanded')), 'false');
    assert.equal(await sectionsShown(), 0);
    await toggle.press('Enter');
    assert.equal(await sectionsShown(), 41);
  });
});

describe('a dump taller than a browser can place', () => {
  // At this font the 30,008 lines of the dump stand about 49 million pixels
  // tall, more than the 33.5 million that a browser lays out at most; the
  // window is tall enough to show three of the lines.
  const what = 'a dump three times as large as its file';
  const dumpText = new TextDecoder().decode(caseNamed('valid', what).expected.output);
  const lines = dumpText.split('\n').length - 1;
  before(async () => {
    await page.setViewport({ width: 1280, height: 8000 });
    await page.$eval('#dump', (dump) => { dump.style.fontSize = '1200px'; });
    await choose(caseFile('valid', what, 'tall.vsq'));
  });
  after(async () => {
    await page.$eval('#dump', (dump) => { dump.style.fontSize = ''; });
    await page.setViewport({ width: 1280, height: 900 });
  });
  const pagerLabel = () => page.$eval('#dump-pages', (bar) => (bar.hidden ? null : bar.querySelector('#dump-lines').textContent));

  test('reaches its last lines from the outline and the search, and its first again', async () => {
    assert.match(await pagerLabel(), new RegExp(`^Lines 1–[0-9,]+ of ${lines.toLocaleString('en')}$`));
    const entries = await page.$$('#outline .entry');
    assert.deepEqual(await Promise.all(entries.map((entry) => entry.evaluate((e) => e.textContent))),
                     ['Master', 'TempoMap', 'Track01', 'S']);
    for (const [index, line] of [[2, '[Track01]'], [3, '[S]'], [0, '[Master]'], [3, '[S]'], [1, '[TempoMap]']]) {
      await entries[index].click();
      assert.deepEqual(await markedLine(page), { text: line, inView: true }, line);
    }
    await page.$eval('#search', (input) => { input.value = ''; });
    await page.type('#search', '[S]');
    await page.waitForFunction(() => document.getElementById('search-count').textContent === '1 of 1');
    assert.deepEqual(await markedLine(page), { text: '[S]', inView: true });
    assert.match(await pagerLabel(), new RegExp(`^Lines [0-9,]+–${lines.toLocaleString('en')} of `));
  });

  test('shows every line once, a page at a time, each page within what the browser places', async () => {
    const pages = await page.evaluate(() => {
      const dump = document.getElementById('dump');
      const [previous, next] = ['dump-previous', 'dump-next'].map((id) => document.getElementById(id));
      while (!previous.disabled) previous.click();
      const shown = [];
      for (;;) {
        shown.push({ text: dump.textContent, height: dump.scrollHeight, nodes: dump.querySelectorAll('*').length,
                     top: dump.scrollTop });
        if (next.disabled) return shown;
        next.click();
      }
    });
    assert.ok(pages.length >= 3, `${pages.length} pages`);
    assert.equal(pages.map((shown) => shown.text).join(''), dumpText);
    for (const shown of pages) {
      assert.ok(shown.height < 2 ** 25, `a page ${shown.height} px tall`);
      assert.ok(shown.nodes <= 64, `${shown.nodes} nodes on a page`);
    }
    assert.deepEqual(pages.slice(1).map((shown) => shown.top), pages.slice(1).map(() => 0)); // each from its top
  });
});

describe('the tempo plot', () => {
  // The vertices of the stepped path: M x y, then H x V y for each change.
  const pathVertices = (d) => {
    const tokens = d.trim().split(/\s+/);
    const vertices = [[Number(tokens[1]), Number(tokens[2])]];
    for (let i = 3; i + 3 < tokens.length; i += 4) {
      assert.deepEqual([tokens[i], tokens[i + 2]], ['H', 'V']);
      vertices.push([Number(tokens[i + 1]), Number(tokens[i + 3])]);
    }
    return vertices;
  };

  const files = [
    ['song.vsq', song],
    ['a busy master track', caseFile('valid', 'a busy master track', 'busy-plot.vsq')],
    ['an infinite tempo', caseFile('valid', 'an infinite tempo', 'infinite.vsq')],
    ['a tempo map out of tick order', caseFile('valid', 'a tempo map out of tick order', 'unordered.vsq')],
    ['a thousand tempos', caseFile('valid', 'a thousand tempos', 'thousand.vsq')],
  ];
  for (const [what, path] of files) {
    test(`draws each tempo at its tick and each time signature: ${what}`, async () => {
      await choose(path);
      const { readFileSync } = await import('node:fs');
      const { tempoMap } = trilloModule.read(new Uint8Array(readFileSync(path)));
      const plot = await page.$eval('#tempo-plot', (svg) => ({
        ticks: svg.dataset.ticks.split(' ').map(Number),
        bpm: svg.dataset.bpm.split(' ').map(Number),
        area: svg.dataset.area.split(' ').map(Number),
        path: svg.querySelector('path.tempo').getAttribute('d'),
        signatures: Array.from(svg.querySelectorAll('line.signature'), (line) => [
          Number(line.getAttribute('x1')), line.querySelector('title').textContent]),
        dots: svg.querySelectorAll('circle').length,
        visible: svg.getBoundingClientRect().height > 100,
      }));
      const [x0, y0, x1, y1] = plot.area;
      const x = (tick) => x0 + ((tick - plot.ticks[0]) / (plot.ticks[1] - plot.ticks[0])) * (x1 - x0);
      const y = (bpm) => (Number.isFinite(bpm) ? y1 - ((bpm - plot.bpm[0]) / (plot.bpm[1] - plot.bpm[0])) * (y1 - y0) : y0);
      // By tick; a tick's events in file order.
      const byTick = tempoMap.map((event, index) => ({ event, index }))
        .sort((a, b) => a.event.tick - b.event.tick || a.index - b.index).map(({ event }) => event);
      const tempos = byTick.filter((event) => event.type === 'tempo');
      const vertices = pathVertices(plot.path);
      assert.equal(vertices.length, tempos.length);
      tempos.forEach((tempo, i) => {
        assert.ok(Math.abs(vertices[i][0] - x(tempo.tick)) < 0.01, `tempo ${i}: x ${vertices[i][0]} for tick ${tempo.tick}`);
        assert.ok(Math.abs(vertices[i][1] - y(tempo.bpm)) < 0.01, `tempo ${i}: y ${vertices[i][1]} for ${tempo.bpm} BPM`);
        assert.ok(vertices[i][1] >= y0 && vertices[i][1] <= y1 && vertices[i][0] >= x0 && vertices[i][0] <= x1);
      });
      const signatures = byTick.filter((event) => event.type === 'timeSignature');
      assert.deepEqual(plot.signatures.map(([at, title]) => [Math.round(at * 100) / 100, title]),
                       signatures.map((s) => [Math.round(x(s.tick) * 100) / 100, `${s.numerator}/${s.denominator} at tick ${s.tick}`]));
      assert.equal(plot.dots, tempos.length <= 200 ? tempos.length : 0);
      assert.ok(plot.visible);
    });
  }
});

describe('search', () => {
  const count = () => page.$eval('#search-count', (output) => output.textContent);
  async function find(query) {
    await page.$eval('#search', (input) => { input.value = ''; });
    await page.type('#search', query);
    await page.waitForFunction((q) => {
      const text = document.getElementById('search-count').textContent;
      return document.getElementById('search').value === q && /^(No match|1 of [0-9,]+)$/.test(text);
    }, { timeout: 60000 }, query);
    return count();
  }
  const highlighted = () => page.evaluate(() => [...CSS.highlights.get('search')][0].toString());

  test('counts the matches in the dump', async () => {
    await choose(song);
    const dump = await page.$eval('#dump', (element) => element.textContent);
    for (const query of ['Name=', '[', '=', 'Tempo:', '[Track02]', 'no such text', 'é']) {
      const matches = dump.split(query).length - 1;
      assert.equal(await find(query), matches === 0 ? 'No match' : `1 of ${matches}`, query);
    }
  });

  test('goes to the next and previous match, round the ends, from the keyboard', async () => {
    await find('Name=');
    assert.equal(await highlighted(), 'Name=');
    await page.keyboard.press('Enter');
    assert.equal(await count(), '2 of 2');
    assert.deepEqual((await markedLine(page)).text, 'Name=Harmony');
    await page.keyboard.press('Enter');
    assert.equal(await count(), '1 of 2');
    assert.deepEqual((await markedLine(page)).text, 'Name=Lead');
    await page.keyboard.down('Shift');
    await page.keyboard.press('Enter');
    await page.keyboard.up('Shift');
    assert.equal(await count(), '2 of 2');
    await page.click('#search-previous');
    assert.equal(await count(), '1 of 2');
  });

  test('"/" goes to the search box', async () => {
    await page.focus('#dump');
    await page.keyboard.press('/');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'search');
  });
});

describe('the comparison', () => {
  const before = caseNamed('valid', 'a song before an edit');
  const afterEdit = caseNamed('valid', 'the song after the edit');
  const diffShown = () => page.evaluate(() => ({
    added: Array.from(document.querySelectorAll('#diff .added'), (e) => e.textContent.replace(/\n$/, '')),
    removed: Array.from(document.querySelectorAll('#diff .removed'), (e) => e.textContent.replace(/\n$/, '')),
    folded: Array.from(document.querySelectorAll('#diff .fold button'), (b) => Number(b.textContent.split(' ')[0])),
    same: Array.from(document.querySelectorAll('#diff .same'), (e) => e.textContent.replace(/\n$/, '').split('\n').length)
      .reduce((a, b) => a + b, 0),
    summary: document.getElementById('diff-summary').textContent,
  }));
  const waitForDiff = (name) => page.waitForFunction((n) => document.getElementById('diff-summary').textContent
    .includes(` ${n}`) && !document.getElementById('diff-summary').textContent.startsWith('Comparing'), {}, name);
  // The known changes (tests/support/Cases.cpp, fortyNotes): Note#10 (key
  // 58) goes, Note#25's key 49 becomes 72.
  const expected = {
    added: ['Name=Solo', 'Key=72', '[Expression]', 'Volume=90'].sort(),
    removed: ['Name=Lead', '[Note#10]', 'Tick=4800', 'Key=58', 'Length=240', 'Key=49'].sort(),
  };
  const beforeLines = new TextDecoder().decode(before.expected.output).split('\n').length - 1;

  test('shows the known changes between two versions, the rest folded', async () => {
    await choose(fileOf(before.bytes, 'before.vsq'));
    await (await page.$('#compare')).uploadFile(fileOf(afterEdit.bytes, 'after.vsq'));
    await waitForDiff('after.vsq');
    const shown = await diffShown();
    assert.deepEqual({ added: shown.added.sort(), removed: shown.removed.sort() }, expected);
    assert.equal(shown.summary, 'From before.vsq to after.vsq: 4 lines added, 6 lines removed.');
    assert.ok(shown.folded.length >= 2 && shown.folded.every((n) => n > 0), shown.folded.join());
    // Every line of the first dump is shown, folded or removed, once.
    assert.equal(shown.same + shown.folded.reduce((a, b) => a + b, 0) + shown.removed.length, beforeLines);
    await page.click('#diff .fold button');
    const unfolded = await diffShown();
    assert.equal(unfolded.folded.length, shown.folded.length - 1);
    assert.equal(unfolded.same, shown.same + shown.folded[0]);
  });

  test('takes the second file dropped on the comparison', async () => {
    await page.evaluate((data) => {
      const transfer = new DataTransfer();
      transfer.items.add(new File([new Uint8Array(data)], 'dropped-after.vsq'));
      document.getElementById('comparing').dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
    }, Array.from(afterEdit.bytes));
    await waitForDiff('dropped-after.vsq');
    const shown = await diffShown();
    assert.deepEqual({ added: shown.added.sort(), removed: shown.removed.sort() }, expected);
    assert.match(await page.$eval('#summary', (s) => s.textContent), /^before\.vsq: /);
  });

  test('the other way round, and with itself', async () => {
    await choose(fileOf(afterEdit.bytes, 'after-first.vsq'));
    await (await page.$('#compare')).uploadFile(fileOf(before.bytes, 'before-second.vsq'));
    await waitForDiff('before-second.vsq');
    const shown = await diffShown();
    assert.deepEqual({ added: shown.added.sort(), removed: shown.removed.sort() },
                     { added: expected.removed, removed: expected.added });
    await (await page.$('#compare')).uploadFile(fileOf(afterEdit.bytes, 'same.vsq'));
    await waitForDiff('same.vsq');
    const same = await diffShown();
    assert.deepEqual([same.added, same.removed, same.summary],
                     [[], [], 'after-first.vsq and same.vsq have the same dump.']);
  });
});

describe('the line diff', () => {
  // The runs, applied to a, must give b; their edits, counted, must be as
  // few as the longest common subsequence allows (computed here plainly).
  function check(a, b, shortest) {
    return page.evaluate((aLines, bLines) => LineDiff.diff(aLines, bLines), a, b).then((runs) => {
      const rebuilt = [];
      let ai = 0;
      let bi = 0;
      for (const run of runs) {
        assert.equal(run.kind === 'added' ? run.b : run.a, run.kind === 'added' ? bi : ai, JSON.stringify(run));
        if (run.kind === 'same') {
          assert.deepEqual(a.slice(run.a, run.a + run.count), b.slice(run.b, run.b + run.count));
          rebuilt.push(...a.slice(run.a, run.a + run.count));
          ai += run.count;
          bi += run.count;
        } else if (run.kind === 'removed') {
          ai += run.count;
        } else {
          rebuilt.push(...b.slice(run.b, run.b + run.count));
          bi += run.count;
        }
      }
      assert.deepEqual([rebuilt, ai], [b, a.length]);
      if (shortest) {
        const common = lcs(a, b);
        const edits = runs.filter((run) => run.kind !== 'same').reduce((sum, run) => sum + run.count, 0);
        assert.equal(edits, a.length + b.length - 2 * common);
      }
    });
  }
  function lcs(a, b) {
    let row = new Array(b.length + 1).fill(0);
    for (const line of a) {
      const next = [0];
      b.forEach((other, j) => next.push(line === other ? row[j] + 1 : Math.max(row[j + 1], next[j])));
      row = next;
    }
    return row[b.length];
  }
  // A small generator of its own, so that every run sees the same lines.
  function random(seed) {
    let state = seed;
    return (below) => {
      state = (state * 1103515245 + 12345) % 2147483648;
      return state % below;
    };
  }

  test('turns the first text into the second with the fewest edits', async () => {
    const table = [[[], []], [['a'], []], [[], ['a']], [['a', 'b'], ['b', 'a']], [['x', 'x', 'x'], ['x']]];
    for (let seed = 1; seed <= 60; seed++) {
      const next = random(seed);
      // Lines of a small alphabet: many equal lines, short stretches alike.
      const lines = (n) => Array.from({ length: n }, () => 'abcd'[next(4)]);
      table.push([lines(next(30)), lines(next(30))]);
      // Distinct lines with some removed and some put in: long stretches alike.
      const base = Array.from({ length: 60 }, (_, i) => `line ${i}`);
      const edited = base.filter(() => next(8) !== 0).flatMap((line) => (next(8) === 0 ? [`new ${next(1000)}`, line] : [line]));
      table.push([base, edited]);
    }
    for (const [a, b] of table) await check(a, b, true);
  });

  test('gives a correct diff, if not the shortest, beyond its bound of edits', async () => {
    const a = Array.from({ length: 3000 }, (_, i) => `a${i}`);
    const b = ['same', ...Array.from({ length: 3000 }, (_, i) => `b${i}`), 'end'];
    await check(['same', ...a, 'end'], b, false);
  });
});

describe('the layout', () => {
  for (const width of [375, 1280]) {
    test(`no element is wider than a window ${width} px wide`, async () => {
      await page.setViewport({ width, height: 900 });
      await choose(caseFile('valid', 'a song before an edit', 'layout.vsq'));
      await (await page.$('#compare')).uploadFile(caseFile('valid', 'the song after the edit', 'layout-after.vsq'));
      await waitForDiffOf('layout-after.vsq');
      await page.$eval('#search', (input) => { input.value = ''; });
      await page.type('#search', 'Key=');
      await page.waitForFunction(() => /^1 of /.test(document.getElementById('search-count').textContent));
      const overflowing = await page.evaluate(() => {
        const limit = window.innerWidth;
        return [...document.querySelectorAll('body *')].filter((element) => {
          const box = element.getBoundingClientRect();
          return box.width > 0 && (box.right > limit + 0.5 || box.left < -0.5);
        }).map((element) => `${element.tagName}#${element.id}.${element.className?.baseVal ?? element.className}`);
      });
      assert.deepEqual(overflowing, []);
      assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= window.innerWidth));
      await page.screenshot({ path: join(buildFolder, `viewer-${width}.png`), fullPage: true });
      // The picture of docs/web.md: the top of the page.
      if (width === 1280) {
        await page.evaluate(() => window.scrollTo(0, 0));
        await page.screenshot({ path: join(buildFolder, 'viewer.png') });
      }
    });
  }
});

function waitForDiffOf(name) {
  return page.waitForFunction((n) => document.getElementById('diff-summary').textContent.includes(` ${n}`) &&
    !document.getElementById('diff-summary').textContent.startsWith('Comparing'), {}, name);
}

test('loads nothing but its own files and the embedded module, and raises no script error', () => {
  assert.deepEqual(requests.filter((url) => !/^(file|data|blob):/.test(url)), []);
  assert.deepEqual(errors, []);
});
