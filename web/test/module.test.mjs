// The module in node: its dump is the native tool's, byte for byte, on the
// bundled examples and on the shared cases, valid and broken (whose files say
// what the tool prints); read gives the same content as a structure.
import assert from 'node:assert/strict';
import { readdirSync, readFileSync } from 'node:fs';
import { describe, test } from 'node:test';

import { load, TrilloError } from '../dist/trillo.mjs';
import { brokenCases, caseNamed, casesOf, validCases } from './support/cases.mjs';
import { trillo, trilloOnPath } from './support/native.mjs';

const examples = new URL('../../examples/', import.meta.url);
const trilloModule = await load();

function concat(...parts) {
  const out = new Uint8Array(parts.reduce((size, part) => size + part.length, 0));
  let at = 0;
  for (const part of parts) {
    out.set(part, at);
    at += part.length;
  }
  return out;
}

// The cuts of the bundled song.vsq, each checked to be the prefix of its length.
function cutsOfSong() {
  const whole = readFileSync(new URL('song.vsq', examples));
  const cuts = casesOf('cut');
  assert.equal(cuts.length, whole.length);
  cuts.forEach(({ bytes }, length) => assert.deepEqual(Buffer.from(bytes), whole.subarray(0, length)));
  return cuts;
}

// The dump that read's structure stands for: the tool's format, rebuilt.
function dumpOf(sequence) {
  const lines = [];
  if (sequence.voices !== null) {
    lines.push('[Master]', `NumVoices=${sequence.voices}`, `Division=${sequence.division}`, '[TempoMap]');
  }
  for (const event of sequence.tempoMap) {
    if (event.type === 'tempo') {
      lines.push(`${event.tick}=Tempo:${Number.isFinite(event.bpm) ? event.bpm.toFixed(2) : 'inf'}`);
    } else {
      lines.push(`${event.tick}=Time:${event.numerator}/${event.denominator}:24:8`);
    }
  }
  sequence.tracks.forEach((track, index) => {
    lines.push('', `[Track${String(index + 1).padStart(2, '0')}]`);
    for (const section of track.sections) {
      lines.push(`[${section.name}]`);
      for (const [key, value] of section.fields) lines.push(`${key}=${value}`);
    }
  });
  return lines.map((line) => `${line}\n`).join('');
}

// The lines that a partial structure determines: the tempo map's events and
// the tracks' lines.  The master block and the blank lines are written at
// events that the structure does not keep (the master block when the tempo
// map begins, not when the header is read).
function contentLines(dump) {
  const lines = dump.split('\n').filter((line) => line !== '');
  return lines[0] === '[Master]' ? lines.slice(4) : lines;
}

function assertSameRun(actual, expected) {
  assert.equal(actual.error, expected.error);
  assert.equal(actual.status, expected.status);
  assert.deepEqual(Buffer.from(actual.output), Buffer.from(expected.output));
}

// What read gives for bytes, checked against the tool's run on them.
function assertReadAgrees(bytes, native, label = 'utf-8') {
  if (native.status === 0) {
    assert.equal(dumpOf(trilloModule.read(bytes, label)), new TextDecoder(label).decode(native.output));
    return;
  }
  assert.throws(() => trilloModule.read(bytes, label), (error) => {
    assert.ok(error instanceof TrilloError);
    assert.equal(`Error: ${error.message}`, native.error);
    assert.deepEqual(contentLines(dumpOf(error.partial)), contentLines(new TextDecoder(label).decode(native.output)));
    return true;
  });
}

describe('dump equals the tool', () => {
  const names = readdirSync(examples).filter((name) => name.endsWith('.vsq'));
  test('there are bundled examples', () => assert.ok(names.length >= 2, names.join()));
  for (const name of names) {
    test(`examples/${name}`, () => {
      const native = trilloOnPath(new URL(name, examples).pathname);
      assert.equal(native.status, 0, native.error);
      assertSameRun(trilloModule.dump(readFileSync(new URL(name, examples))), native);
    });
  }
  for (const { what, bytes, expected } of validCases) {
    test(what, () => {
      assert.equal(expected.status, 0, expected.error);
      assertSameRun(trilloModule.dump(bytes), expected);
    });
  }
  for (const { what, bytes, message, expected } of brokenCases) {
    test(`broken: ${what}`, () => {
      assert.equal(expected.error, `Error: ${message}`);
      assertSameRun(trilloModule.dump(bytes), expected);
    });
  }
  test('a file cut at every length', () => {
    for (const { bytes, expected } of cutsOfSong()) assertSameRun(trilloModule.dump(bytes), expected);
  });
  test('a large file, fed in several pieces', () => {
    const { bytes, expected } = caseNamed('large', 'six voices of 1.2 MB');
    assert.ok(bytes.length > 3 * (1 << 20), `${bytes.length} bytes`);
    assertSameRun(trilloModule.dump(bytes), expected);
  });
});

describe('the dumper gives what dump gives, however the input is cut', () => {
  // More than two blocks, so that pieces end inside, at and across blocks.
  const whole = caseNamed('valid', 'many fields over two blocks').bytes; // 150 fields in frames of 100 bytes
  const expected = trilloModule.dump(whole);
  const dumpInPieces = (pieces) => {
    const dumper = trilloModule.dumper();
    const outputs = pieces.map((piece) => dumper.write(piece));
    const end = dumper.end();
    return { ...end, output: concat(...outputs, end.output) };
  };

  test('the input is over two blocks long', () => assert.ok(whole.length > 2048, `${whole.length} bytes`));
  test('at every split point', () => {
    for (let at = 0; at <= whole.length; at++) {
      assertSameRun(dumpInPieces([whole.subarray(0, at), whole.subarray(at)]), expected);
    }
  });
  test('one byte at a time', () => {
    assertSameRun(dumpInPieces(Array.from(whole, (byte) => new Uint8Array([byte]))), expected);
  });
  test('bytes after the end, in a later piece', () => {
    const native = trillo(concat(whole, new Uint8Array([0x4d])));
    assert.equal(native.error, 'Error: There are needless trailing bytes.');
    assertSameRun(dumpInPieces([whole, new Uint8Array(0), new Uint8Array([0x4d])]), native);
  });
  test('the counts of the summary', () => {
    const { counts } = dumpInPieces([whole]);
    const sequence = trilloModule.read(whole);
    assert.deepEqual(counts, {
      voices: sequence.voices,
      division: sequence.division,
      sections: sequence.tracks.reduce((sum, track) => sum + track.sections.length, 0),
      fields: sequence.tracks.reduce((sum, track) =>
        sum + track.sections.reduce((inner, section) => inner + section.fields.length, 0), 0),
    });
    assert.equal(counts.fields, 150);
  });
  test('the counts before the header is read', () => {
    const dumper = trilloModule.dumper();
    dumper.write(whole.subarray(0, 10));
    assert.deepEqual(dumper.end().counts, { voices: null, division: null, sections: 0, fields: 0 });
  });
  test('an ended dumper takes no more input', () => {
    const dumper = trilloModule.dumper();
    dumper.end();
    assert.throws(() => dumper.write(whole), /ended/);
    assert.throws(() => dumper.end(), /ended/);
  });
});

describe('read agrees with the tool', () => {
  for (const name of ['song.vsq', 'two-voices.vsq']) {
    test(`examples/${name}`, () => {
      const path = new URL(name, examples);
      assertReadAgrees(readFileSync(path), trilloOnPath(path.pathname));
    });
  }
  // UTF-8, the default label, decodes every valid case's text but the ones
  // in Shift_JIS, which that label decodes.
  const utf8 = new TextDecoder('utf-8', { fatal: true });
  const isUtf8 = (bytes) => {
    try {
      utf8.decode(bytes);
      return true;
    } catch {
      return false;
    }
  };
  const inShiftJis = validCases.filter(({ expected }) => !isUtf8(expected.output));
  test('the valid cases not in UTF-8 are those in Shift_JIS', () => {
    assert.deepEqual(inShiftJis.map((c) => c.what), ['Shift_JIS bytes', 'code page 932 text']);
  });
  for (const { what, bytes, expected } of validCases) {
    const label = inShiftJis.some((c) => c.what === what) ? 'shift_jis' : 'utf-8';
    test(`${what} (${label})`, () => assertReadAgrees(bytes, expected, label));
  }
  for (const { what, bytes, expected } of brokenCases) {
    test(`broken: ${what}`, () => assertReadAgrees(bytes, expected));
  }
  test('a file cut at every length', () => {
    for (const { bytes, expected } of cutsOfSong()) assertReadAgrees(bytes, expected);
  });
  test('texts decoded for the label given', () => {
    const { bytes, expected } = caseNamed('valid', 'Shift_JIS bytes');
    assertReadAgrees(bytes, expected, 'shift_jis');
    assert.deepEqual(trilloModule.read(bytes, 'shift_jis').tracks[0].sections[0].fields, [['L0', 'あい']]);
  });
  test('bytes that the label cannot decode', () => {
    const { bytes } = caseNamed('valid', 'Shift_JIS bytes'); // L0=あい in Shift_JIS
    const field = (sequence) => sequence.tracks[0].sections[0].fields[0];
    // As a TextDecoder does by default: U+FFFD for each byte sequence it cannot decode.
    const replaced = new TextDecoder('utf-8').decode(new Uint8Array([0x82, 0xa0, 0x82, 0xa2]));
    assert.match(replaced, /^\uFFFD+$/);
    assert.deepEqual(field(trilloModule.read(bytes)), ['L0', replaced]);
    assert.deepEqual(field(trilloModule.read(bytes, 'utf-8', { fatal: false })), ['L0', replaced]);
    assert.throws(() => trilloModule.read(bytes, 'utf-8', { fatal: true }), TypeError);
    assert.deepEqual(field(trilloModule.read(bytes, 'shift_jis', { fatal: true })), ['L0', 'あい']);
    assert.throws(() => trilloModule.read(bytes, 'no such encoding'), RangeError);
  });
  test('every text as its stored bytes when the label is null', () => {
    for (const { what, bytes, expected } of validCases) {
      const sequence = trilloModule.read(bytes, null);
      const texts = sequence.tracks.flatMap((track) =>
        track.sections.flatMap((section) => [section.name, ...section.fields.flat()]));
      assert.ok(texts.every((text) => text instanceof Uint8Array), what);
      // Decoded afterwards as Latin-1, byte for byte, they give the tool's dump.
      const latin1 = new TextDecoder('latin1');
      const decoded = {
        ...sequence,
        tracks: sequence.tracks.map((track) => ({
          sections: track.sections.map((section) => ({
            name: latin1.decode(section.name),
            fields: section.fields.map(([key, value]) => [latin1.decode(key), latin1.decode(value)]),
          })),
        })),
      };
      assert.equal(dumpOf(decoded), Buffer.from(expected.output).toString('latin1'), what);
    }
  });
  test('a broken file\'s partial structure holds bytes too', () => {
    const cuts = cutsOfSong();
    const { bytes } = cuts[cuts.length - 1]; // all but the last byte
    assert.throws(() => trilloModule.read(bytes, null), (error) => {
      assert.ok(error instanceof TrilloError);
      const names = error.partial.tracks.flatMap((track) => track.sections.map((section) => section.name));
      assert.ok(names.length > 0 && names.every((name) => name instanceof Uint8Array));
      return true;
    });
  });
  test('the tempo map in file order, with the denominator as the power of two itself', () => {
    // Time 6/8 at 0, tempo 400000 at 960, tempo 0 at 960, time 2/2 at 1440; division 96.
    const sequence = trilloModule.read(caseNamed('valid', 'a tempo map out of tick order').bytes);
    assert.deepEqual(sequence.tempoMap, [
      { type: 'timeSignature', tick: 0, numerator: 6, denominator: 8 },
      { type: 'tempo', tick: 960, bpm: 150 },
      { type: 'tempo', tick: 960, bpm: Infinity },
      { type: 'timeSignature', tick: 1440, numerator: 2, denominator: 2 },
    ]);
    assert.deepEqual([sequence.voices, sequence.division], [1, 96]);
  });
});

describe('the outline of a dump', () => {
  // What an outlined dumper gives for bytes: the whole output and the outline.
  const outlined = (bytes) => {
    const dumper = trilloModule.dumper({ outline: true });
    const first = dumper.write(bytes);
    const end = dumper.end();
    return { ...end, output: concat(first, end.output) };
  };
  // Each heading's line in the output.
  const headingLines = ({ output, outline }) => {
    const text = Buffer.from(output).toString('latin1');
    return outline.headings.map(({ offset }) => {
      assert.ok(offset === 0 || text[offset - 1] === '\n', `offset ${offset} begins a line`);
      return text.slice(offset, text.indexOf('\n', offset));
    });
  };
  // The headings that read's structure stands for, with the sections' field counts.
  const expectedHeadings = (sequence) => [
    ...(sequence.voices === null ? [] : [['[Master]', null], ['[TempoMap]', null]]),
    ...sequence.tracks.flatMap((track, index) => [
      [`[Track${String(index + 1).padStart(2, '0')}]`, null],
      ...track.sections.map((section) => [`[${section.name}]`, section.fields.length]),
    ]),
  ];
  const assertOutline = (bytes, what) => {
    const run = outlined(bytes);
    let sequence;
    try {
      sequence = trilloModule.read(bytes, 'latin1');
    } catch (error) {
      sequence = error.partial;
    }
    const lines = headingLines(run);
    assert.deepEqual(lines.map((line, i) => [line, run.outline.headings[i].fields]), expectedHeadings(sequence), what);
    assert.deepEqual(run.outline.tempoMap, sequence.tempoMap, what);
    assert.deepEqual(run.outline.headings.map((h) => h.kind), expectedHeadings(sequence).map(([line, fields]) =>
      (line === '[Master]' ? 'master' : line === '[TempoMap]' ? 'tempoMap' : fields === null ? 'track' : 'section')));
  };

  test('headings, field counts and tempo map agree with read, for every valid and broken case', () => {
    for (const { what, bytes } of [...validCases, ...brokenCases]) assertOutline(bytes, what);
  });
  test('the same however the input is cut', () => {
    const whole = caseNamed('valid', 'frames of one byte').bytes;
    const expected = outlined(whole).outline;
    for (let at = 0; at <= whole.length; at += 7) {
      const dumper = trilloModule.dumper({ outline: true });
      dumper.write(whole.subarray(0, at));
      dumper.write(whole.subarray(at));
      assert.deepEqual(dumper.end().outline, expected, `split at ${at}`);
    }
  });
  test('a large file, whose runs hold many sections', () => {
    const { bytes } = caseNamed('large', 'a file of about 10 MB');
    const run = outlined(bytes);
    const sequence = trilloModule.read(bytes);
    assert.equal(run.outline.headings.filter((h) => h.kind === 'section').length,
                 sequence.tracks.reduce((sum, track) => sum + track.sections.length, 0));
    assert.deepEqual(headingLines(run).slice(0, 5), ['[Master]', '[TempoMap]', '[Track01]', '[Voice]', '[Note#000000]']);
    assert.equal(run.counts.fields, run.outline.headings.reduce((sum, h) => sum + (h.fields ?? 0), 0));
  });
  test('without the outline asked for, there is none', () => {
    const dumper = trilloModule.dumper();
    dumper.write(caseNamed('valid', 'the worked example').bytes);
    assert.equal(dumper.end().outline, undefined);
  });
});
