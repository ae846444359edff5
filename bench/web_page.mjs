// `node bench/web_page.mjs FILE [RUNS]`: opens web/index.html in headless
// Chromium RUNS times (default 5), chooses FILE with the file input and
// waits until the dump and the outline are shown.  Prints the median and the
// range of two figures: the page's own (from the input's change event to the
// outline shown, as its summary line tells) and the time seen from outside
// (from handing the file to the input to the summary's change).
import { basename, join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

import { launchBrowser } from '../web/test/support/browser.mjs';

const [file, runsText = '5'] = process.argv.slice(2);
const runs = Number(runsText);
const pageUrl = pathToFileURL(join(fileURLToPath(new URL('..', import.meta.url)), 'web', 'index.html')).href;

const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};

async function openOnce(browser) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 900 });
  await page.goto(pageUrl);
  await page.evaluate(() => trillo.load()); // the module compiled, as a person waits for the page
  const input = await page.$('#file');
  const started = performance.now();
  await input.uploadFile(file);
  await page.waitForFunction((name) => {
    const text = document.getElementById('summary').textContent;
    return text.startsWith(`${name}: `) && text.endsWith(' ms') && !document.getElementById('outline').hidden;
  }, { polling: 'mutation', timeout: 120000 }, basename(file));
  const outside = performance.now() - started;
  const summary = await page.$eval('#summary', (element) => element.textContent);
  const inside = Number(summary.match(/([0-9,]+) ms$/)[1].replace(/,/g, ''));
  await page.close();
  return { inside, outside, summary };
}

const chromium = await launchBrowser();
try {
  await openOnce(chromium.browser); // untimed
  const results = [];
  for (let i = 0; i < runs; i++) results.push(await openOnce(chromium.browser));
  const report = (name, values) => console.log(
    `${name.padEnd(54)} ${(median(values) / 1000).toFixed(3)} s  (${(Math.min(...values) / 1000).toFixed(3)} to ${(Math.max(...values) / 1000).toFixed(3)})`);
  console.log(`page:    ${results[0].summary}`);
  report('page, choosing to dump and outline shown (its own)', results.map((r) => r.inside));
  report('page, the same seen from outside', results.map((r) => r.outside));
} finally {
  await chromium.close();
}
