"""trillo: reads VSQ sequence files, with the checks and messages of the trillo tool.

A VSQ file is a format-1 Standard MIDI File whose first track is a tempo map and
whose further tracks (voices) carry INI-like text cut into numbered "DM:" text
events.

    >>> import trillo
    >>> song = trillo.read("examples/two-voices.vsq", encoding="ascii")
    >>> song.tracks[0].sections[0].fields
    [('Name', 'first voice'), ('Level', '64')]
    >>> trillo.dump("examples/two-voices.vsq")[:9]
    b'[Master]\\n'

read() gives the file as objects (Sequence, Track, Section, Tempo,
TimeSignature); dump() gives the tool's text output as bytes.  Both take a
path, a bytes-like object or a binary file object, and raise a trillo.Error
subclass for a file that is not a valid VSQ file.  write() is the way back: a
Sequence, read or made by hand, as a VSQ file.  `python3 -m trillo FILE` is
the tool itself.

    >>> song = trillo.read("examples/two-voices.vsq")
    >>> song.tracks[0].sections[0].fields[1] = (b"Level", b"80")
    >>> trillo.read(trillo.write(song)) == song
    True
"""

# The imports are private: the package's namespace holds its own names alone.
import codecs as _codecs
import os as _os
from typing import Callable as _Callable
from typing import Generator as _Generator
from typing import Iterable as _Iterable
from typing import Optional as _Optional
from typing import Protocol as _Protocol
from typing import Tuple as _Tuple
from typing import TypeVar as _TypeVar
from typing import Union as _Union
from typing import overload as _overload

from . import _many, _trillo, _write
from ._errors import *  # noqa: F401,F403 (the exception classes)
from ._errors import __all__ as _error_names
from ._model import Section, Sequence, Tempo, TempoMapEvent, TimeSignature, Track
from ._rows import ROW_COLUMNS, to_frame

__version__ = _trillo.version_line().split()[-1]
"""The version of the package, the same as `trillo --version` prints."""

__all__ = [
    "read",
    "read_many",
    "dump",
    "write",
    "Sequence",
    "Track",
    "Section",
    "Tempo",
    "TimeSignature",
    "TempoMapEvent",
    "ROW_COLUMNS",
    "to_frame",
    "Source",
    "BinaryReader",
    "BinaryWriter",
    "Target",
    "PathSource",
    *_error_names,
]

# The classes are trillo's: tracebacks and reprs name them so.
for _name in __all__:
    _object = globals().get(_name)
    if isinstance(_object, type) and _object.__module__.startswith(__name__ + "."):
        _object.__module__ = __name__
del _name, _object


class BinaryReader(_Protocol):
    """A binary file object: read(size) returns up to size bytes, b"" at the end."""

    def read(self, size: int, /) -> bytes: ...


class BinaryWriter(_Protocol):
    """A binary file object: write(data) writes bytes and returns how many."""

    def write(self, data: bytes, /) -> _Optional[int]: ...


Source = _Union[str, _os.PathLike[str], _os.PathLike[bytes], bytes, bytearray, memoryview, BinaryReader]
"""What read and dump take: a path, a bytes-like object or a binary file object."""

Target = _Union[str, _os.PathLike[str], _os.PathLike[bytes], BinaryWriter]
"""Where write puts the file: a path or a binary file object."""

PathSource = _Union[str, _os.PathLike[str], _os.PathLike[bytes]]
"""A file's path, as read_many takes it."""

_P = _TypeVar("_P", bound=PathSource)
_R = _TypeVar("_R")


def _check_text_codec(encoding: str) -> None:
    """Raises LookupError for an unknown codec or one that does not decode
    bytes to str (such as "hex"), before any file is read."""
    if not getattr(_codecs.lookup(encoding), "_is_text_encoding", True):
        raise LookupError(f"{encoding!r} is not a text encoding")


@_overload
def read(source: Source, encoding: None = None) -> Sequence[bytes]: ...


@_overload
def read(source: Source, encoding: str) -> Sequence[str]: ...


def read(source: Source, encoding: _Optional[str] = None) -> _Union[Sequence[bytes], Sequence[str]]:
    """Reads a VSQ file into a trillo.Sequence, checking it as the trillo tool does.

    source is one of
      - a path (str or os.PathLike): the file is opened and read in 1024-byte
        blocks, like the tool reads it;
      - a bytes-like object (bytes, bytearray, memoryview, ...): the file's bytes;
      - a binary file object (anything with a read method): read with
        read(1024) until it returns b"".  Reading starts at its current
        position and stops after the SMF's end and one more block.

    Names, keys and values are bytes exactly as stored.  With encoding (a
    codec name such as "utf-8" or "cp932") they are str decoded with it; a
    decoding error raises UnicodeDecodeError, an unknown codec LookupError.

    The result:
        seq.voices, seq.division              ints from the header
        seq.tempo_map                          [Tempo(tick, bpm) | TimeSignature(tick, numerator, denominator)]
        seq.tracks[i].sections[j].name         the section's name
        seq.tracks[i].sections[j].fields       [(key, value), ...] in file order, duplicates kept

    A file that is not a valid VSQ file raises a subclass of trillo.Error: its
    str() is the tool's message ("Unexpected file end.") and its partial
    attribute the Sequence as far as it got.  Bytes after the SMF's end raise
    trillo.TrailingBytes, whose partial is the whole Sequence.  A path that
    cannot be opened raises trillo.CannotOpenFile (an OSError).

    Example: every field of every section.

        seq = trillo.read("song.vsq", encoding="utf-8")
        for number, track in enumerate(seq.tracks, 1):
            for section in track.sections:
                for key, value in section.fields:
                    print(number, section.name, key, value)
    """
    if encoding is not None:
        _check_text_codec(encoding)
    return _trillo.read(source, encoding)


@_overload
def read_many(
    paths: _Iterable[_P], fn: None = None, *, workers: _Optional[int] = None, encoding: None = None
) -> _Generator[_Tuple[_P, _Union[Sequence[bytes], Error]], None, None]: ...


@_overload
def read_many(
    paths: _Iterable[_P], fn: None = None, *, workers: _Optional[int] = None, encoding: str
) -> _Generator[_Tuple[_P, _Union[Sequence[str], Error]], None, None]: ...


@_overload
def read_many(
    paths: _Iterable[_P],
    fn: _Callable[[Sequence[bytes]], _R],
    *,
    workers: _Optional[int] = None,
    encoding: None = None,
) -> _Generator[_Tuple[_P, _Union[_R, Error]], None, None]: ...


@_overload
def read_many(
    paths: _Iterable[_P], fn: _Callable[[Sequence[str]], _R], *, workers: _Optional[int] = None, encoding: str
) -> _Generator[_Tuple[_P, _Union[_R, Error]], None, None]: ...


def read_many(
    paths: _Iterable[_P],
    fn: _Optional[_Callable[..., object]] = None,
    *,
    workers: _Optional[int] = None,
    encoding: _Optional[str] = None,
) -> _Generator[_Tuple[_P, object], None, None]:
    """Reads many files on a pool of worker processes (the standard library's
    concurrent.futures.ProcessPoolExecutor), yielding (path, result) for each
    file as its batch finishes, in no set order (a generator: close() it to
    stop early).

    With fn, each worker applies fn to every Sequence it reads, and result is
    what fn returned: fn(trillo.read(path, encoding=encoding)).  Only that
    comes back to this process, so fn should make the Sequence into what you
    need (counts, rows, a small table); fn must be picklable, that is, a
    function defined at the top level of a module.  This is the form that
    beats a plain loop: about 1.7 to 1.9 times as fast on 2 cores for 300 files
    of 100 KB (docs/python.md has the figures).

    Without fn, result is the Sequence itself.  That works, but is no faster
    than a loop of trillo.read: every Sequence travels back through pickle,
    and unpickling one costs more than reading the file.

    A file that read cannot read does not stop the others: its result is the
    trillo.Error that read raised (CannotOpenFile, UnexpectedFileEnd, ...),
    with its partial Sequence.  An exception of fn, and any other failure,
    passes out of the iteration, and the files not yet read are dropped.

    workers is the number of processes (os.cpu_count() by default); encoding
    is read's.  Stopping the iteration early stops the pool, once the batches
    under way (a few files each) are done.

        def names(song):
            return [value for _, _, _, key, value in song.rows() if key == "Name"]

        for path, result in trillo.read_many(paths, names, encoding="utf-8"):
            if isinstance(result, trillo.Error):
                print(path, "failed:", result)
            else:
                print(path, result)
    """
    if encoding is not None:
        _check_text_codec(encoding)
    return _many.read_many(paths, fn, workers, encoding)


def dump(source: Source) -> bytes:
    """Returns the trillo tool's standard output for a VSQ file, byte for byte.

    source is a path, a bytes-like object or a binary file object, as for
    trillo.read.  The dump is INI-like text:

        [Master]
        NumVoices=2
        Division=480
        [TempoMap]
        0=Tempo:120.00
        0=Time:4/4:24:8

        [Track01]
        [Alpha]
        Name=first voice
        ...

    A failure raises a subclass of trillo.Error whose str() is the tool's
    message and whose partial attribute holds the bytes that the tool writes
    before its error line.
    """
    return _trillo.dump(source)


@_overload
def write(sequence: _Union[Sequence[bytes], Sequence[str]], target: None = None, encoding: str = "utf-8") -> bytes: ...


@_overload
def write(sequence: _Union[Sequence[bytes], Sequence[str]], target: Target, encoding: str = "utf-8") -> None: ...


def write(
    sequence: _Union[Sequence[bytes], Sequence[str]], target: _Optional[Target] = None, encoding: str = "utf-8"
) -> _Optional[bytes]:
    """Writes a trillo.Sequence as a VSQ file: the way back from trillo.read.

    target is one of
      - None: the file is returned as bytes;
      - a path (str or os.PathLike): the file is created there, or replaced;
      - a binary file object (anything with a write method): the file is
        written to it at its current position, and it is left open.

    Names, keys and values may be bytes (written as they are) or str (encoded
    with encoding, utf-8 unless told otherwise: give read's encoding to get
    the same bytes back).  A Sequence as read writes a file that reads back
    equal, and dumps as the original does:

        trillo.dump(trillo.write(trillo.read(f))) == trillo.dump(f)

    The Sequence that write takes (see the classes' docstrings):
        voices          must be len(tracks), 1 to 65534
        division        ticks per quarter note, 0 to 32767
        tempo_map       Tempo(tick, bpm) and TimeSignature(tick, numerator,
                        denominator) in file order: ticks from 0 to 2**32-1,
                        counted modulo 2**32 as the reader counts (a tick
                        below the one before is a step past 2**32-1; steps
                        longer than 268435455 are bridged with empty text
                        events, which the reader passes over);
                        bpm is written as the 24-bit microseconds per quarter
                        note that prints the same two decimals ("%.2f"), inf
                        as 0; a numerator from 0 to 255, a denominator that is
                        a power of two from 1 to 2**31
        tracks          Track(sections), each with at least one Section(name,
                        fields): a name not empty and without "]", keys not
                        empty, without "=" and not beginning with "[", no
                        newline and no 0 byte in a name, key or value

    Each track's text is cut into DM frames of at most 127 bytes as the
    trillo-pack tool cuts it.  The whole Sequence is checked before anything
    is written: a Sequence that cannot be written raises trillo.CannotWrite
    (a trillo.Error and a ValueError) saying where and what, such as
    'tracks[0].sections[2].fields[1]: a key must not contain "="', and
    leaves no file behind (an existing file at the path stays as it was).  A
    part of the wrong type raises TypeError, a str that the encoding cannot
    encode UnicodeEncodeError, an unknown codec LookupError.  A path that
    cannot be opened raises trillo.CannotOpenFile, a failed write
    trillo.CannotWriteFile (both OSErrors, with the system's error as
    __cause__; what was written before a failed write stays).

    Example: change a value and write the file back.

        song = trillo.read("song.vsq", encoding="utf-8")
        song.tracks[0].sections[0].fields[0] = ("Name", "lead")
        trillo.write(song, "song.vsq", encoding="utf-8")
    """
    _check_text_codec(encoding)
    data = _write.encode(sequence, encoding)
    if target is None:
        return data
    _write.store(data, target)
    return None
