// The generated files that the web tests feed to the module and the tool.
import { concat, dmTrack, master, smf, Track, vsqFile } from './smf.mjs';

const oneVoice = (voice, header = {}) => smf(header, [master(), voice]);
const withoutLast = (bytes, n) => bytes.subarray(0, bytes.length - n);

// A file whose size is exactly blocks × 1024 bytes.
function fileOfBlocks(blocks) {
  for (let pad = 0; ; pad++) {
    const bytes = oneVoice(dmTrack(`[S]\nk=${'v'.repeat(pad)}\n`));
    if (bytes.length === blocks * 1024) return bytes;
    if (bytes.length > blocks * 1024) throw new Error('no such size');
  }
}

const lead = '[Voice]\nName=Lead\nColour=181,162,123\n[Notes]\n0=note 60 length 480 syllable la\n' +
             '1920=note 62 length 480 syllable li\n2400=end\n[Expression]\nComment=a = b, [not a section]\n';

// Valid files, each showing one shape of input.
export const validCases = [
  { name: 'the worked example', bytes: vsqFile(['[Alpha]\nName=first voice\nLevel=64\n',
                                                '[Alpha]\nName=second voice\nLevel=70\n']) },
  { name: 'a busy master track', bytes: smf({}, [
    new Track().meta(0, 0x03, 'Master Track').timeSignature(0, 4, 2).tempo(0, 500000).tempo(1920, 461538)
      .timeSignature(1920, 3, 2).tempo(0x0fffffff, 1).timeSignature(7, 6, 3).tempo(1, 0xffffff).endOfTrack(),
    dmTrack(lead, 48)]) },
  { name: 'an infinite tempo', bytes: smf({}, [new Track().tempo(0, 0).tempo(480, 500000).endOfTrack(),
                                               dmTrack('[S]\nk=v\n')]) },
  { name: 'frames out of order', bytes: oneVoice(dmTrack(lead, 16, [1, 0, 2, 4, 3, 6, 5, 7, 8, 9, 10, 11, 12, 13, 14])) },
  { name: 'frames of one byte', bytes: oneVoice(dmTrack(lead, 1)) },
  { name: 'one frame per text', bytes: oneVoice(dmTrack(lead, 240)) },
  { name: 'notes and system exclusive among the frames', bytes: oneVoice(
    new Track().note(0, 60).text(0, 'DM:0000:[S]\na=1\n').running(10, 60, 0).sysex(0, 'xyz')
      .channel(0, 0xc0, 5).text(3, 'DM:0001:b=2\n').endOfTrack()) },
  { name: 'empty values, equals signs and a last line without newline',
    bytes: oneVoice(dmTrack('[S]\nempty=\nformula=a=b=c\n[T]\nlast=line')) },
  { name: 'long values across frames and blocks',
    bytes: oneVoice(dmTrack(`[Long]\nshort=1\nlong=${'0123456789'.repeat(300)}\nafter=2\n`, 100)) },
  { name: 'many voices at another division', bytes: vsqFile(
    Array.from({ length: 12 }, (_, voice) => `[Voice]\nNumber=${voice}\n[Notes]\n${voice * 10}=x\n`), { division: 96 }) },
  { name: 'a division of 0', bytes: vsqFile(['[S]\nk=v\n'], { division: 0 }) },
  { name: 'UTF-8 text', bytes: oneVoice(dmTrack('[Stimme]\nName=Grüße\nSilbe=ら\n', 5)) },
  { name: 'Shift_JIS bytes', bytes: oneVoice(dmTrack(new Uint8Array([
    ...new TextEncoder().encode('[Lyric]\nL0='), 0x82, 0xa0, 0x82, 0xa2, 0x0a]), 7)) },
  ...[1, 2, 5].map((blocks) => ({ name: `a file of exactly ${blocks} blocks`, bytes: fileOfBlocks(blocks) })),
];

function broken() {
  const full = oneVoice(dmTrack('[S]\nk=v\n'));
  const overrun = dmTrack('[S]\nk=v\n').raw([0x00, 0x90, 0x3c, 0x40]);
  overrun.declaredLength(overrun.data.length - 1); // the note's last byte is outside
  return [
    { name: 'an empty file', bytes: new Uint8Array(0), message: 'Unexpected file end.' },
    { name: 'a bad magic', bytes: oneVoice(dmTrack('[S]\n'), { magic: 'RIFF' }), message: 'Illegal SMF magic.' },
    { name: 'a bad track magic', bytes: oneVoice(dmTrack('[S]\n').magic('MTrK')), message: 'Illegal SMF magic.' },
    { name: 'a short header', bytes: oneVoice(dmTrack('[S]\n'), { length: 5 }), message: 'Too short SMF header.' },
    { name: 'format 0', bytes: oneVoice(dmTrack('[S]\n'), { format: 0 }),
      message: 'Illegal SMF Format (Format 1 required).' },
    { name: 'one track', bytes: oneVoice(dmTrack('[S]\n'), { tracks: 1 }), message: 'Too few number of tracks.' },
    { name: 'an SMPTE division', bytes: oneVoice(dmTrack('[S]\n'), { division: 0xe728 }),
      message: 'SMPTE style division is not supported.' },
    { name: 'a cut inside the master track', bytes: withoutLast(full, full.length - 30),
      message: 'Unexpected file end.' },
    { name: "a cut inside a voice track's text", bytes: withoutLast(full, 6), message: 'Unexpected file end.' },
    { name: 'a chunk overrun', bytes: oneVoice(overrun), message: 'SMF data error - track chunk overrun.' },
    { name: 'no status for running status', bytes: oneVoice(dmTrack('[S]\n').raw([0x00, 0x3c, 0x40])),
      message: 'SMF data error - illegal running status.' },
    { name: 'a system message', bytes: oneVoice(dmTrack('[S]\n').raw([0x00, 0xf2, 0x00, 0x00])),
      message: 'SMF data error - raw system message is disallowed.' },
    { name: 'an over-long number', bytes: oneVoice(dmTrack('[S]\n').raw([0x80, 0x80, 0x80, 0x80, 0x00, 0xff, 0x2f, 0x00])),
      message: 'SMF data error - variable length integer overflow.' },
    { name: 'a duplicated frame',
      bytes: oneVoice(new Track().text(0, 'DM:0:[S]\n').text(0, 'DM:1:a=1\n').text(0, 'DM:1:b=2\n')),
      message: 'Some DM frames lacked.' },
    { name: 'a missing frame', bytes: oneVoice(new Track().text(0, 'DM:0:[S]\n').text(0, 'DM:2:b=2\n')),
      message: 'Some DM frames lacked.' },
    { name: 'a malformed section', bytes: oneVoice(dmTrack('[S]\nk=v\n[T\n')), message: 'exception caught.' },
    { name: 'a field before a section', bytes: oneVoice(dmTrack('k=v\n[S]\n')), message: 'exception caught.' },
    { name: 'a voice track without DM text', bytes: oneVoice(new Track().text(0, 'hello').endOfTrack()),
      message: 'No DM frames - SMF, but not VSQ.' },
    { name: 'a trailing byte', bytes: concat(full, new Uint8Array([0])),
      message: 'There are needless trailing bytes.' },
    { name: 'a trailing byte after exactly two blocks', bytes: concat(fileOfBlocks(2), new Uint8Array([0x78])),
      message: 'There are needless trailing bytes.' },
    { name: 'two files joined', bytes: concat(full, full), message: 'There are needless trailing bytes.' },
  ];
}

// Broken files, each with the message that the tool gives for it.
export const brokenCases = broken();
