// trillo's JavaScript interface, over the WebAssembly sessions of
// web/src/Binding.cpp.  The build appends this file to Emscripten's factory,
// createTrilloModule, in both outputs: the ES module (dist/trillo.mjs) and
// the classic script for the page (dist/trillo.js).

// Bytes copied into WebAssembly memory at a time.
const PIECE_SIZE = 1 << 20;

// A failure of read: the tool's message without "Error: " and the newline;
// partial holds what was read before it.
class TrilloError extends Error {
  constructor(message, partial) {
    super(message);
    this.name = 'TrilloError';
    this.partial = partial;
  }
}

// One reader inside WebAssembly, fed piece by piece.  Every method hands the
// output that the bytes produced to take(view), a view into WebAssembly
// memory that is valid only during the call.
class Session {
  constructor(wasm, open) {
    this.wasm = wasm;
    this.handle = open();
    if (this.handle === 0) throw new RangeError('trillo: out of memory');
  }

  feed(bytes, take) {
    const { wasm } = this;
    if (this.handle === 0) throw new Error('trillo: this input has ended');
    for (let at = 0; at < bytes.length && !this.failed(); at += PIECE_SIZE) {
      const piece = bytes.subarray(at, at + PIECE_SIZE);
      wasm.HEAPU8.set(piece, wasm.staging);
      wasm._trillo_feed(this.handle, wasm.staging, piece.length);
      this.drain(take);
    }
  }

  // Ends the input.  Returns the tool's message without its newline, or null.
  finish(take) {
    if (this.handle === 0) throw new Error('trillo: this input has ended');
    this.wasm._trillo_finish(this.handle);
    this.drain(take);
    return this.failure();
  }

  // A dump's counts so far: the header's numbers (null before the header
  // is read) and the sections and fields.
  counts() {
    const { wasm } = this;
    const view = new DataView(wasm.HEAPU8.buffer, wasm._trillo_counts(this.handle), 24);
    const voices = view.getInt32(0, true); // at least 1 once read
    return {
      voices: voices === 0 ? null : voices,
      division: voices === 0 ? null : view.getInt32(4, true),
      sections: Number(view.getBigUint64(8, true)),
      fields: Number(view.getBigUint64(16, true)),
    };
  }

  // Frees the reader; call it once, whatever happened.
  close() {
    if (this.handle !== 0) this.wasm._trillo_close(this.handle);
    this.handle = 0;
  }

  // An outlined dump's outline log, a view valid until the next call.
  outlineLog() {
    const { wasm } = this;
    const address = wasm._trillo_outline(this.handle);
    return wasm.HEAPU8.subarray(address, address + wasm._trillo_outline_size(this.handle));
  }

  failed() {
    return this.wasm._trillo_failure(this.handle) !== 0;
  }

  failure() {
    const { wasm } = this;
    const address = wasm._trillo_failure(this.handle);
    if (address === 0) return null;
    const end = wasm.HEAPU8.indexOf(0x0a, address); // every message ends in a newline
    return new TextDecoder().decode(wasm.HEAPU8.subarray(address, end));
  }

  drain(take) {
    const { wasm } = this;
    const size = wasm._trillo_output_size(this.handle);
    if (size === 0) return;
    const address = wasm._trillo_output(this.handle);
    take(wasm.HEAPU8.subarray(address, address + size));
    wasm._trillo_clear_output(this.handle);
  }
}

function concatenate(chunks) {
  if (chunks.length === 1) return chunks[0];
  let size = 0;
  for (const chunk of chunks) size += chunk.length;
  const out = new Uint8Array(size);
  let at = 0;
  for (const chunk of chunks) {
    out.set(chunk, at);
    at += chunk.length;
  }
  return out;
}

// A dump's output, gathered in one buffer that grows by doubling: begun at
// about the input's size, it seldom has to.
class Gathering {
  constructor(capacity) {
    this.buffer = new Uint8Array(capacity);
    this.size = 0;
  }

  add(view) {
    if (this.size + view.length > this.buffer.length) {
      const grown = new Uint8Array(Math.max(2 * this.buffer.length, this.size + view.length));
      grown.set(this.buffer.subarray(0, this.size));
      this.buffer = grown;
    }
    this.buffer.set(view, this.size);
    this.size += view.length;
  }

  // The bytes gathered: a view of the buffer when at most a quarter of it is
  // unused, else a copy of just the bytes.
  bytes() {
    const used = this.buffer.subarray(0, this.size);
    return 4 * this.size >= 3 * this.buffer.length ? used : used.slice();
  }
}

function dumpResult(output, failure) {
  return {
    output,
    error: failure === null ? null : 'Error: ' + failure,
    status: failure === null ? 0 : 1,
  };
}

// Flags of trillo_open_dump.
const COUNTED = 1;
const OUTLINED = 2;

// The tool's dump, piece by piece: write(bytes) returns the output that those
// bytes completed; end() returns the rest as dump does, with counts (see
// Session.counts) for a summary, and when asked for, the outline (see
// outlineOf).  Call end() once, also when giving up, to free the reader.
class Dumper {
  constructor(wasm, outline) {
    this.outlined = outline;
    this.session = new Session(wasm, () => wasm._trillo_open_dump(COUNTED | (outline ? OUTLINED : 0)));
  }

  write(bytes) {
    const chunks = [];
    this.session.feed(bytes, (view) => chunks.push(view.slice()));
    return concatenate(chunks);
  }

  end() {
    try {
      const chunks = [];
      const failure = this.session.finish((view) => chunks.push(view.slice()));
      const result = { ...dumpResult(concatenate(chunks), failure), counts: this.session.counts() };
      if (this.outlined) result.outline = outlineOf(this.session.outlineLog());
      return result;
    } finally {
      this.session.close();
    }
  }
}

const HEADING_KINDS = [null, 'master', 'tempoMap', 'track', 'section'];

// The outline from the log of Binding.cpp's Outline: { headings, tempoMap }.
// headings are { kind, offset, fields } in the order of the dump: kind is
// 'master', 'tempoMap', 'track' or 'section', offset the byte offset in the
// output where the heading's line begins, fields a section's field count
// (null for the others).  tempoMap is as read gives it.
function outlineOf(log) {
  const view = new DataView(log.buffer, log.byteOffset, log.byteLength);
  const headings = [];
  const tempoMap = [];
  let at = 0;
  while (at < log.length) {
    const kind = view.getUint8(at++);
    if (kind <= 4) {
      const offset = view.getFloat64(at, true);
      at += 8;
      let fields = null;
      if (kind === 4) {
        fields = view.getUint32(at, true);
        at += 4;
      }
      headings.push({ kind: HEADING_KINDS[kind], offset, fields });
    } else if (kind === 5) {
      tempoMap.push({ type: 'tempo', tick: view.getUint32(at, true), bpm: view.getFloat64(at + 4, true) });
      at += 12;
    } else if (kind === 6) {
      tempoMap.push({ type: 'timeSignature', tick: view.getUint32(at, true),
                      numerator: view.getUint32(at + 4, true), denominator: view.getUint32(at + 8, true) });
      at += 12;
    } else {
      throw new Error(`trillo: unknown outline record ${kind}`);
    }
  }
  return { headings, tempoMap };
}

// Decodes the texts of read: with a TextDecoder for a label, or as copies of
// the bytes when the label is null.
function textDecoder(label, fatal) {
  if (label === null) return { decode: (bytes) => bytes.slice() };
  return new TextDecoder(label, { fatal });
}

// Builds the structure of read from the record log of Binding.cpp's Recorder.
class SequenceBuilder {
  constructor(decoder) {
    this.decoder = decoder;
    this.sequence = { voices: null, division: null, tempoMap: [], tracks: [] };
    this.track = null;
    this.section = null;
  }

  take(log) {
    const view = new DataView(log.buffer, log.byteOffset, log.byteLength);
    let at = 0;
    const u32 = () => {
      at += 4;
      return view.getUint32(at - 4, true);
    };
    const i32 = () => {
      at += 4;
      return view.getInt32(at - 4, true);
    };
    const text = () => {
      const size = u32();
      at += size;
      return this.decoder.decode(log.subarray(at - size, at));
    };
    while (at < log.length) {
      const kind = view.getUint8(at++);
      switch (kind) {
        case 1: // header
          this.sequence.voices = i32();
          this.sequence.division = i32();
          break;
        case 2: { // tempo
          const tick = u32();
          at += 8;
          this.sequence.tempoMap.push({ type: 'tempo', tick, bpm: view.getFloat64(at - 8, true) });
          break;
        }
        case 3: // time signature
          this.sequence.tempoMap.push({ type: 'timeSignature', tick: u32(), numerator: u32(), denominator: u32() });
          break;
        case 4: // a voice track
          this.track = { sections: [] };
          this.sequence.tracks.push(this.track);
          break;
        case 5: // a section
          this.section = { name: text(), fields: [] };
          this.track.sections.push(this.section);
          break;
        case 6: { // a field
          const key = text();
          this.section.fields.push([key, text()]);
          break;
        }
        default:
          throw new Error(`trillo: unknown record ${kind}`);
      }
    }
  }
}

// Loads the WebAssembly module.  Resolves to an object with:
//   dump(bytes)         { output, error, status }: the tool's standard output
//                       (a Uint8Array, which may view the start of a larger
//                       buffer), its error line without the newline (or
//                       null) and its exit status
//   read(bytes, label, { fatal })
//                       { voices, division, tempoMap, tracks }, names, keys
//                       and values decoded by a TextDecoder for label
//                       (default 'utf-8'; a byte it cannot decode becomes
//                       U+FFFD, or with fatal true throws a TypeError), or
//                       with label null each a Uint8Array of the bytes as
//                       stored; a failure throws a TrilloError
//   dumper({ outline }) a Dumper, for input that comes in pieces
async function load() {
  const wasm = await createTrilloModule();
  wasm.staging = wasm._malloc(PIECE_SIZE);
  if (wasm.staging === 0) throw new RangeError('trillo: out of memory');
  return {
    dump(bytes) {
      const session = new Session(wasm, () => wasm._trillo_open_dump(0));
      try {
        const output = new Gathering(bytes.length + 65536);
        const take = (view) => output.add(view);
        session.feed(bytes, take);
        const failure = session.finish(take);
        return dumpResult(output.bytes(), failure);
      } finally {
        session.close();
      }
    },

    read(bytes, label = 'utf-8', { fatal = false } = {}) {
      const builder = new SequenceBuilder(textDecoder(label, fatal));
      const session = new Session(wasm, wasm._trillo_open_read);
      let failure;
      try {
        const take = (log) => builder.take(log);
        session.feed(bytes, take);
        failure = session.finish(take);
      } finally {
        session.close();
      }
      if (failure !== null) throw new TrilloError(failure, builder.sequence);
      return builder.sequence;
    },

    dumper({ outline = false } = {}) {
      return new Dumper(wasm, outline);
    },
  };
}
