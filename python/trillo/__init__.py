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
subclass for a file that is not a valid VSQ file.  `python3 -m trillo FILE`
is the tool itself.
"""

import codecs
import os
from typing import Optional, Protocol, Union, overload

from . import _trillo
from ._errors import *  # noqa: F401,F403 (the exception classes)
from ._errors import __all__ as _error_names
from ._model import Section, Sequence, Tempo, TempoMapEvent, TimeSignature, Track

__all__ = [
    "read",
    "dump",
    "Sequence",
    "Track",
    "Section",
    "Tempo",
    "TimeSignature",
    "TempoMapEvent",
    "Source",
    "BinaryReader",
    *_error_names,
]

# The classes are trillo's: tracebacks and reprs name them so.
for _name in __all__:
    _object = globals().get(_name)
    if isinstance(_object, type) and _object.__module__.startswith(__name__ + "."):
        _object.__module__ = __name__
del _name, _object


class BinaryReader(Protocol):
    """A binary file object: read(size) returns up to size bytes, b"" at the end."""

    def read(self, size: int, /) -> bytes: ...


Source = Union[str, os.PathLike[str], os.PathLike[bytes], bytes, bytearray, memoryview, BinaryReader]
"""What read and dump take: a path, a bytes-like object or a binary file object."""


def _check_text_codec(encoding: str) -> None:
    """Raises LookupError for an unknown codec or one that does not decode
    bytes to str (such as "hex"), before any file is read."""
    if not getattr(codecs.lookup(encoding), "_is_text_encoding", True):
        raise LookupError(f"{encoding!r} is not a text encoding")


@overload
def read(source: Source, encoding: None = None) -> Sequence[bytes]: ...


@overload
def read(source: Source, encoding: str) -> Sequence[str]: ...


def read(source: Source, encoding: Optional[str] = None) -> Union[Sequence[bytes], Sequence[str]]:
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
