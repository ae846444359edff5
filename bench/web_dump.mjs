// `node bench/web_dump.mjs [--stream] FILE`: the tool's run through the
// JavaScript module.  Loads dist/trillo.mjs, reads FILE whole and dumps it to
// standard output (the error line to standard error, the status as the exit
// status) with dump(), or with --stream through a dumper, 1 MiB of input at a
// time, each piece's output written as it comes, as the tool writes.  Writes
// "dump-ms <wall milliseconds> <processor milliseconds>" of the dump to file
// descriptor 3 when that is open, for bench/web.sh.
import { closeSync, fstatSync, readFileSync, writeSync } from 'node:fs';

import { load } from '../web/dist/trillo.mjs';

const stream = process.argv[2] === '--stream';
const bytes = readFileSync(process.argv[stream ? 3 : 2]);
const trillo = await load();

function write(output) {
  for (let at = 0; at < output.length;) at += writeSync(1, output, at);
}

function dumpWhole() {
  const result = trillo.dump(bytes);
  write(result.output);
  return result;
}

function dumpStreaming() {
  const dumper = trillo.dumper();
  for (let at = 0; at < bytes.length; at += 1 << 20) write(dumper.write(bytes.subarray(at, at + (1 << 20))));
  const result = dumper.end();
  write(result.output);
  return result;
}

const started = performance.now();
const cpuStarted = process.cpuUsage();
const { error, status } = stream ? dumpStreaming() : dumpWhole();
const milliseconds = performance.now() - started;
const cpu = process.cpuUsage(cpuStarted);
if (error !== null) writeSync(2, `${error}\n`);
try {
  fstatSync(3);
  writeSync(3, `dump-ms ${milliseconds.toFixed(1)} ${((cpu.user + cpu.system) / 1000).toFixed(1)}\n`);
  closeSync(3);
} catch {
  // no figures wanted
}
process.exitCode = status;
