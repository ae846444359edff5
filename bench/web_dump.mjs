// `node bench/web_dump.mjs FILE`: the tool's run through the JavaScript
// module: loads dist/trillo.mjs, reads FILE whole, dumps it to standard
// output (its error line to standard error, its status as the exit status),
// and writes "dump-ms <milliseconds of the dump call>" to file descriptor 3
// when that is open, for bench/web.sh.
import { closeSync, fstatSync, readFileSync, writeSync } from 'node:fs';

import { load } from '../web/dist/trillo.mjs';

const trillo = await load();
const bytes = readFileSync(process.argv[2]);
const started = performance.now();
const { output, error, status } = trillo.dump(bytes);
const milliseconds = performance.now() - started;
for (let at = 0; at < output.length;) at += writeSync(1, output, at);
if (error !== null) writeSync(2, `${error}\n`);
try {
  fstatSync(3);
  writeSync(3, `dump-ms ${milliseconds.toFixed(1)}\n`);
  closeSync(3);
} catch {
  // no figures wanted
}
process.exitCode = status;
