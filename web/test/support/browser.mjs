// Debian's Chromium, headless, through puppeteer-core, with a profile of its
// own that close() removes.
import assert from 'node:assert/strict';
import { existsSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import puppeteer from 'puppeteer-core';

const chromium = '/usr/bin/chromium';

export async function launchBrowser() {
  assert.ok(existsSync(chromium), `${chromium} is missing: apt-get install chromium`);
  const profile = mkdtempSync(join(tmpdir(), 'trillo-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           `--user-data-dir=${profile}`],
  });
  return {
    browser,
    async close() {
      await browser.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}
