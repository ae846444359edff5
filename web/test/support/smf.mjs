// A small writer of SMF and VSQ bytes from a readable description, the
// JavaScript twin of tests/support/SmfWriter.h.  It writes what it is told,
// also when that is wrong on purpose (lengths, magics, raw bytes).  Texts are
// strings (written as UTF-8) or Uint8Arrays (written as they are).

const encoder = new TextEncoder();

export function bytesOf(text) {
  return text instanceof Uint8Array ? text : encoder.encode(text);
}

export function concat(...parts) {
  const out = new Uint8Array(parts.reduce((size, part) => size + part.length, 0));
  let at = 0;
  for (const part of parts) {
    out.set(part, at);
    at += part.length;
  }
  return out;
}

// 1 to 4 bytes, highest 7 bits first.
export function varNumber(value) {
  if (value > 0x0fffffff) throw new RangeError('variable-length numbers hold 28 bits');
  const out = [value & 0x7f];
  for (value >>>= 7; value !== 0; value >>>= 7) out.unshift(0x80 | (value & 0x7f));
  return out;
}

function bigEndian(value, size) {
  const out = [];
  for (let shift = (size - 1) * 8; shift >= 0; shift -= 8) out.push((value >>> shift) & 0xff);
  return out;
}

// One track chunk, event by event.
export class Track {
  constructor() {
    this.data = [];
    this.length = null; // the chunk length written, when not the data's
    this.magicText = 'MTrk';
  }

  push(...bytes) {
    for (const byte of bytes) this.data.push(byte);
    return this;
  }

  channel(delta, status, ...data) {
    return this.push(...varNumber(delta), status, ...data);
  }

  // A channel message whose status is implied (running status).
  running(delta, ...data) {
    return this.push(...varNumber(delta), ...data);
  }

  note(delta, key, velocity = 64) {
    return this.channel(delta, 0x90, key, velocity);
  }

  // A meta event: its length is one byte, as the reader takes it.
  meta(delta, type, data) {
    const bytes = bytesOf(data);
    if (bytes.length > 255) throw new RangeError('a meta event holds at most 255 bytes');
    return this.push(...varNumber(delta), 0xff, type, bytes.length, ...bytes);
  }

  text(delta, text) {
    return this.meta(delta, 0x01, text);
  }

  tempo(delta, microsecondsPerQuarter) {
    return this.meta(delta, 0x51, new Uint8Array(bigEndian(microsecondsPerQuarter, 3)));
  }

  timeSignature(delta, numerator, denominatorPower, clocks = 24, thirtySeconds = 8) {
    return this.meta(delta, 0x58, new Uint8Array([numerator, denominatorPower, clocks, thirtySeconds]));
  }

  endOfTrack(delta = 0) {
    return this.meta(delta, 0x2f, '');
  }

  sysex(delta, data) {
    const bytes = bytesOf(data);
    return this.push(...varNumber(delta), 0xf0, ...varNumber(bytes.length), ...bytes);
  }

  raw(bytes) {
    return this.push(...bytes);
  }

  declaredLength(length) {
    this.length = length;
    return this;
  }

  magic(fourBytes) {
    this.magicText = fourBytes;
    return this;
  }

  chunk() {
    return concat(bytesOf(this.magicText), new Uint8Array(bigEndian(this.length ?? this.data.length, 4)),
                  new Uint8Array(this.data));
  }
}

// header: { format = 1, tracks (default: as many as written), division = 480,
//           length (default 6), magic = 'MThd' }
export function smf(header, tracks) {
  const { format = 1, division = 480, length = 6, magic = 'MThd' } = header;
  const head = concat(bytesOf(magic), new Uint8Array([...bigEndian(length, 4), ...bigEndian(format, 2),
    ...bigEndian(header.tracks ?? tracks.length, 2), ...bigEndian(division, 2)]));
  return concat(head, ...tracks.map((track) => track.chunk()));
}

// The DM frames of a text: "DM:%04u:" and at most payloadSize bytes each.
export function dmFrames(text, payloadSize) {
  const bytes = bytesOf(text);
  const frames = [];
  for (let at = 0, number = 0; at < bytes.length; at += payloadSize, number++) {
    frames.push(concat(bytesOf(`DM:${String(number).padStart(4, '0')}:`), bytes.subarray(at, at + payloadSize)));
  }
  return frames;
}

// A voice track carrying text as DM frames, in the order given by frame
// numbers (empty: in number order), each at delta 0, ended by End of Track.
export function dmTrack(text, payloadSize = 64, order = []) {
  const frames = dmFrames(text, payloadSize);
  const track = new Track();
  for (const number of order.length > 0 ? order : frames.keys()) track.text(0, frames[number]);
  return track.endOfTrack();
}

export function master() {
  return new Track().tempo(0, 500000).timeSignature(0, 4, 2).endOfTrack();
}

// A whole VSQ file: a master track with 120 BPM and 4/4 at tick 0, and one
// voice track per text.
export function vsqFile(voiceTexts, { division = 480, payloadSize = 64 } = {}) {
  return smf({ division }, [master(), ...voiceTexts.map((text) => dmTrack(text, payloadSize))]);
}

// A file of about megabytes MB: 8 voices of numbered note sections, each
// with a pitch curve, in frames of 119 bytes.
export function largeVsq(megabytes) {
  const voices = 8;
  const perVoice = (megabytes * 1e6) / voices;
  const texts = [];
  for (let voice = 0; voice < voices; voice++) {
    const lines = [`[Voice]\nName=voice ${voice + 1}\n`];
    let size = lines[0].length;
    for (let note = 0; size < perVoice; note++) {
      const tick = note * 480;
      const section = `[Note#${String(note).padStart(6, '0')}]\nTick=${tick}\nKey=${48 + ((note * 7 + voice) % 24)}\n` +
        `Length=${240 + (note % 4) * 120}\nSyllable=${['la', 'li', 'lu', 'le', 'lo'][note % 5]}\n` +
        `[Curve#${String(note).padStart(6, '0')}]\n${tick}=${(note * 37) % 200 - 100}\n${tick + 240}=0\n`;
      lines.push(section);
      size += section.length;
    }
    texts.push(lines.join(''));
  }
  return vsqFile(texts, { payloadSize: 119 });
}
