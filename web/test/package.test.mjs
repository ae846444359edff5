// The module as a package: `npm pack` makes the tarball, which installs
// offline into a scratch project; there it imports in node, its type
// declarations check with TypeScript (Debian's tsc), and a page served from
// the project imports it in Chromium.
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { extname, join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { caseNamed } from './support/cases.mjs';
import { launchBrowser } from './support/browser.mjs';

const web = fileURLToPath(new URL('..', import.meta.url));
const tsc = '/usr/bin/tsc';
const scratch = mkdtempSync(join(tmpdir(), 'trillo-package-'));
const project = join(scratch, 'project');
const { bytes: example, expected } = caseNamed('valid', 'the worked example');

function run(command, args, cwd) {
  return execFileSync(command, args, { cwd, encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'] });
}

// tsc, strict, on one file of the project: { status, stdout }.
function typecheck(file) {
  writeFileSync(join(project, 'tsconfig.json'), JSON.stringify({
    compilerOptions: { strict: true, noEmit: true, module: 'nodenext', moduleResolution: 'nodenext',
                       target: 'es2020', lib: ['es2020'], types: [] },
    files: [file],
  }));
  return spawnSync(tsc, ['-p', 'tsconfig.json'], { cwd: project, encoding: 'utf8' });
}

let tarball;
before(() => {
  const packed = JSON.parse(run('npm', ['pack', '--json', '--pack-destination', scratch], web));
  tarball = join(scratch, packed[0].filename);
  mkdirSync(project);
  writeFileSync(join(project, 'package.json'), JSON.stringify({ name: 'scratch', private: true, type: 'module' }));
  run('npm', ['install', '--offline', '--no-audit', '--no-fund', tarball], project);
  writeFileSync(join(project, 'example.vsq'), example);
});
after(() => rmSync(scratch, { recursive: true, force: true }));

describe('the package', () => {
  test('holds the module, its declarations, the page and a README, and is not private', () => {
    const installed = join(project, 'node_modules', 'trillo');
    for (const file of ['dist/trillo.mjs', 'dist/trillo.d.ts', 'dist/trillo.js', 'index.html', 'page/page.js',
                        'README.md']) {
      assert.ok(existsSync(join(installed, file)), file);
    }
    assert.equal(JSON.parse(readFileSync(join(installed, 'package.json'), 'utf8')).private, undefined);
    assert.ok(!existsSync(join(installed, 'test')), 'the tests stay out');
  });

  test('imports in node as "trillo"', () => {
    writeFileSync(join(project, 'use.mjs'), `
      import { readFileSync } from 'node:fs';
      import { load, TrilloError } from 'trillo';
      const trillo = await load();
      const bytes = readFileSync('example.vsq');
      process.stdout.write(trillo.dump(bytes).output);
      try { trillo.read(bytes.subarray(0, 20)); } catch (error) { console.error(error instanceof TrilloError); }
    `);
    const result = spawnSync('node', ['use.mjs'], { cwd: project });
    assert.equal(result.status, 0, result.stderr.toString());
    assert.deepEqual(new Uint8Array(result.stdout), expected.output);
    assert.equal(result.stderr.toString(), 'true\n');
  });

  test('its declarations type a use of every function, and reject wrong ones', () => {
    writeFileSync(join(project, 'use.ts'), `
      import { load, TrilloError, type Sequence } from 'trillo';
      export async function use(bytes: Uint8Array): Promise<string> {
        const trillo = await load();
        const { output, error, status } = trillo.dump(bytes);
        const code: 0 | 1 = status;
        const text: Sequence = trillo.read(bytes, 'shift_jis', { fatal: true });
        const raw: Uint8Array = trillo.read(bytes, null).tracks[0].sections[0].name;
        const dumper = trillo.dumper({ outline: true });
        dumper.write(bytes);
        const end = dumper.end();
        const heading = end.outline?.headings[0]?.kind;
        const first = text.tempoMap[0];
        const tick = first?.type === 'tempo' ? first.bpm : first?.denominator;
        // @ts-expect-error: a decoded name is a string
        const wrong: Uint8Array = text.tracks[0].sections[0].name;
        // @ts-expect-error: dump takes bytes
        trillo.dump('song.vsq');
        try { trillo.read(bytes); } catch (failure) { if (failure instanceof TrilloError) return failure.message; }
        return [output.length, error, code, raw.length, heading, tick, wrong, end.counts.fields].join();
      }
    `);
    const result = typecheck('use.ts');
    assert.equal(result.status, 0, result.stdout + result.stderr);
  });

  test('a wrong use is a type error', () => {
    writeFileSync(join(project, 'wrong.ts'), `
      import { load } from 'trillo';
      export async function wrong(): Promise<string> {
        const trillo = await load();
        return trillo.read(new Uint8Array(0)).tracks[0].sections[0].fields[0][0].toFixed(1);
      }
    `);
    const result = typecheck('wrong.ts');
    assert.notEqual(result.status, 0);
    assert.match(result.stdout, /wrong\.ts.*toFixed.*does not exist on type 'string'/);
  });

  test('imports in a page, through an import map', async () => {
    writeFileSync(join(project, 'index.html'), `<!doctype html>
      <script type="importmap">{ "imports": { "trillo": "./node_modules/trillo/dist/trillo.mjs" } }</script>
      <script type="module">
        import { load } from 'trillo';
        const trillo = await load();
        const bytes = new Uint8Array(await (await fetch('example.vsq')).arrayBuffer());
        document.title = 'done';
        window.dumped = Array.from(trillo.dump(bytes).output);
      </script>`);
    const types = { '.html': 'text/html', '.mjs': 'text/javascript', '.js': 'text/javascript' };
    const server = createServer((request, response) => {
      const path = join(project, decodeURIComponent(new URL(request.url, 'http://x').pathname));
      if (!path.startsWith(project) || !existsSync(path)) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, { 'content-type': types[extname(path)] ?? 'application/octet-stream' });
      response.end(readFileSync(path));
    });
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    const chromium = await launchBrowser();
    try {
      const page = await chromium.browser.newPage();
      const errors = [];
      page.on('pageerror', (error) => errors.push(error.message));
      await page.goto(`http://127.0.0.1:${server.address().port}/index.html`);
      await page.waitForFunction(() => document.title === 'done', { timeout: 30000 });
      assert.deepEqual(new Uint8Array(await page.evaluate(() => window.dumped)), expected.output);
      assert.deepEqual(errors, []);
    } finally {
      await chromium.close();
      server.close();
    }
  });
});
