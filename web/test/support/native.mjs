// The native tool, which every web test compares with: TRILLO_BIN names it.
import { spawnSync } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

export const trilloBin = process.env.TRILLO_BIN;
if (!trilloBin) {
  throw new Error('TRILLO_BIN is not set: build the native tool and set TRILLO_BIN to its path ' +
                  '(the CTest test "web" does that)');
}

const work = mkdtempSync(join(tmpdir(), 'trillo-web-'));
process.on('exit', () => rmSync(work, { recursive: true, force: true }));
let files = 0;

// Writes bytes to a file of its own; returns its path.
export function fileOf(bytes, name = `input-${++files}.vsq`) {
  const path = join(work, name);
  writeFileSync(path, bytes);
  return path;
}

// `trillo <path>`: { output, error, status } as the module's dump gives them
// (output a Uint8Array, error the standard-error line without its newline, or
// null).
export function trilloOnPath(path) {
  const run = spawnSync(trilloBin, [path], { maxBuffer: 1 << 30 });
  if (run.error) throw run.error;
  const stderr = run.stderr.toString('latin1');
  if (stderr !== '' && !stderr.endsWith('\n')) throw new Error(`unexpected standard error: ${stderr}`);
  return {
    output: new Uint8Array(run.stdout.buffer, run.stdout.byteOffset, run.stdout.length),
    error: stderr === '' ? null : stderr.slice(0, -1),
    status: run.status,
  };
}

export function trillo(bytes) {
  return trilloOnPath(fileOf(bytes));
}
