// The shared cases that the web tests feed to the module: files that the
// build writes (tests/support/make_cases.cpp) into the folder that
// TRILLO_CASES names, each with what the native tool prints for it, which a
// C++ test checks against the tool itself.
import { readFileSync } from 'node:fs';
import { join } from 'node:path';

const folder = process.env.TRILLO_CASES;
if (!folder) {
  throw new Error('TRILLO_CASES is not set: build the project and set TRILLO_CASES to the folder of shared cases ' +
                  'that it writes (the CTest test "web" does that)');
}
const index = JSON.parse(readFileSync(join(folder, 'cases.json'), 'utf8'));

const bytesOf = (buffer) => new Uint8Array(buffer.buffer, buffer.byteOffset, buffer.length);

// A case: { name, what, group, path, bytes, message (of a failure, or
// undefined), expected: what `trillo path` does, as native.mjs's trillo gives
// it ({ output, error, status }) }.
function load(entry) {
  const stem = join(folder, entry.name);
  const error = readFileSync(`${stem}.stderr`, 'latin1');
  return {
    ...entry,
    path: `${stem}.vsq`,
    bytes: bytesOf(readFileSync(`${stem}.vsq`)),
    expected: {
      output: bytesOf(readFileSync(`${stem}.stdout`)),
      error: error === '' ? null : error.replace(/\n$/, ''),
      status: Number(readFileSync(`${stem}.status`, 'latin1')),
    },
  };
}

const groups = new Map();

// The cases of a group, in the index's order: read when first asked for.
export function casesOf(group) {
  if (!groups.has(group)) {
    const cases = index.cases.filter((entry) => entry.group === group).map(load);
    if (cases.length === 0) throw new Error(`no shared cases of the group ${group} in ${folder}`);
    groups.set(group, cases);
  }
  return groups.get(group);
}

// The case of that description.
export function caseNamed(group, what) {
  const found = casesOf(group).filter((c) => c.what === what);
  if (found.length !== 1) throw new Error(`no single shared case "${what}" in the group ${group}`);
  return found[0];
}

// Valid files, each showing one shape of input.
export const validCases = casesOf('valid');
// Broken files, each with the message that the tool gives for it.
export const brokenCases = casesOf('error');
