// Type declarations of trillo's JavaScript module (dist/trillo.mjs); the build
// copies this file to dist/trillo.d.ts.  docs/web.md describes the module.

/** The tool's run on a file: what `trillo FILE` prints and its exit status. */
export interface DumpResult {
  /** The standard output, byte for byte; may view the start of a larger buffer. */
  output: Uint8Array;
  /** The standard-error line without its newline, such as "Error: Unexpected file end."; null for a good file. */
  error: string | null;
  /** The exit status: 0 or 1. */
  status: 0 | 1;
}

/** A dump's summary: the header's numbers (null before the header is read), sections and fields. */
export interface Counts {
  voices: number | null;
  division: number | null;
  sections: number;
  fields: number;
}

export interface Tempo {
  type: 'tempo';
  tick: number;
  /** Quarter notes per minute; Infinity for a tempo of 0 microseconds. */
  bpm: number;
}

export interface TimeSignature {
  type: 'timeSignature';
  tick: number;
  numerator: number;
  /** The power of two itself: 4 for a quarter. */
  denominator: number;
}

export type TempoMapEvent = Tempo | TimeSignature;

/** A heading of the dump, where its line begins in the output. */
export interface Heading {
  kind: 'master' | 'tempoMap' | 'track' | 'section';
  /** The byte offset in the dump's output where the heading's line begins. */
  offset: number;
  /** A section's number of fields; null for the other kinds. */
  fields: number | null;
}

export interface Outline {
  /** In the order of the dump. */
  headings: Heading[];
  /** In file order, as read gives it. */
  tempoMap: TempoMapEvent[];
}

export interface DumpEnd extends DumpResult {
  counts: Counts;
  /** Only from a dumper made with { outline: true }. */
  outline?: Outline;
}

/** The dump of input that comes in pieces. */
export interface Dumper {
  /** The output that this piece completed (possibly empty). */
  write(bytes: Uint8Array): Uint8Array;
  /** The rest of the output and the result; call it once, also when giving up. */
  end(): DumpEnd;
}

/** A section of a voice's text; Text is string, or Uint8Array when read with the label null. */
export interface Section<Text = string> {
  name: Text;
  /** [key, value] pairs in file order, duplicates kept. */
  fields: Array<[Text, Text]>;
}

export interface Track<Text = string> {
  sections: Array<Section<Text>>;
}

export interface Sequence<Text = string> {
  /** null before the header is read (in a TrilloError's partial). */
  voices: number | null;
  division: number | null;
  tempoMap: TempoMapEvent[];
  tracks: Array<Track<Text>>;
}

export interface ReadOptions {
  /** Throw a TypeError on bytes the label cannot decode, instead of giving U+FFFD. */
  fatal?: boolean;
}

export interface Trillo {
  dump(bytes: Uint8Array): DumpResult;
  /** Texts as stored bytes. */
  read(bytes: Uint8Array, label: null, options?: ReadOptions): Sequence<Uint8Array>;
  /** Texts decoded by a TextDecoder for label (default 'utf-8'). */
  read(bytes: Uint8Array, label?: string, options?: ReadOptions): Sequence<string>;
  dumper(options?: { outline?: boolean }): Dumper;
}

/** Compiles the embedded WebAssembly; every call of the result is synchronous. */
export function load(): Promise<Trillo>;

/** A file that the tool rejects: message is the tool's, without "Error: " and the newline. */
export class TrilloError extends Error {
  name: 'TrilloError';
  /** The structure as far as the reading got. */
  partial: Sequence<string> | Sequence<Uint8Array>;
}
