"""trillo.write: a Sequence back into a VSQ file.

The Sequence is checked and turned into the writer's parts here: the
division, the tempo map as tuples, and each track's INI-like text as bytes.
The extension's writer checks the rest, lays the file out and writes it.  A
problem raises CannotWrite naming the part at fault by its place in the
Sequence ("tracks[0].sections[2].fields[1]").
"""

import operator
import os
from typing import Any, List, NoReturn, Optional, Tuple, Union

from . import _trillo
from ._errors import CannotOpenFile, CannotWrite, CannotWriteFile
from ._model import Sequence, Tempo, TimeSignature, Track

_MAX_TICK = 0xFFFFFFFF
_TEMPO, _TIME_SIGNATURE = 0, 1

Text = Union[bytes, bytearray, str]


def _fail(where: str, kind: str, what: str) -> NoReturn:
    error = CannotWrite(f"{where}: {what}")
    error.kind = kind
    error.where = where
    raise error


def _integer(value: Any, where: str) -> int:
    try:
        return operator.index(value)
    except TypeError:
        raise TypeError(f"{where} must be an int, not {type(value).__name__}") from None


def _bytes(text: Any, encoding: str, where: str) -> bytes:
    if isinstance(text, bytes):
        return text
    if isinstance(text, str):
        return text.encode(encoding)
    if isinstance(text, bytearray):
        return bytes(text)
    raise TypeError(f"{where} must be bytes or str, not {type(text).__name__}")


def _division(sequence: Sequence[Any]) -> int:
    division = _integer(sequence.division, "division")
    if not 0 <= division <= _trillo.MAX_DIVISION:
        _fail("division", "DivisionOutOfRange", _trillo.describe("DivisionOutOfRange"))
    return division


def _tick(event: Any, where: str) -> int:
    tick = _integer(event.tick, where + ".tick")
    if not 0 <= tick <= _MAX_TICK:
        _fail(where, "TickOutOfRange", "a tick must be a number from 0 to 4294967295")
    return tick


def _tempo_entry(event: Any, where: str) -> Tuple[int, int, int, int]:
    if isinstance(event, Tempo):
        tick = _tick(event, where)
        try:
            bpm = float(event.bpm)
        except (TypeError, ValueError):
            raise TypeError(f"{where}.bpm must be a float, not {type(event.bpm).__name__}") from None
        microseconds = _trillo.microseconds_per_quarter(bpm)
        if microseconds is None:
            if not bpm > 0:
                _fail(where, "TempoOutOfRange", "a tempo must be above 0 quarter notes per minute, or inf")
            _fail(where, "TempoOutOfRange",
                  f"no tempo of 1 to 16777215 microseconds per quarter note prints as {bpm:.2f}")
        return (_TEMPO, tick, microseconds, 0)
    if isinstance(event, TimeSignature):
        tick = _tick(event, where)
        numerator = _integer(event.numerator, where + ".numerator")
        denominator = _integer(event.denominator, where + ".denominator")
        if not 0 <= numerator <= _trillo.MAX_NUMERATOR:
            _fail(where, "NumeratorOutOfRange", _trillo.describe("NumeratorOutOfRange"))
        if not 0 <= denominator <= 0xFFFFFFFF:
            _fail(where, "DenominatorNotPowerOfTwo", _trillo.describe("DenominatorNotPowerOfTwo"))
        return (_TIME_SIGNATURE, tick, numerator, denominator)
    raise TypeError(f"{where} must be a Tempo or a TimeSignature, not {type(event).__name__}")


def _as_bytes(fields: List[Tuple[Any, Any]], encoding: str, where: str) -> List[Tuple[bytes, bytes]]:
    """A section's fields with str keys and values encoded; a whole list of
    str is encoded at once, a mixed one pair by pair."""
    try:
        return [(key.encode(encoding), value.encode(encoding)) for key, value in fields]
    except AttributeError:
        pass
    pairs = []
    for f, (key, value) in enumerate(fields):
        pairs.append((_bytes(key, encoding, f"{where}.fields[{f}] key"),
                      _bytes(value, encoding, f"{where}.fields[{f}] value")))
    return pairs


def _section_lines(section: Any, where: str, encoding: str) -> List[bytes]:
    """A section's lines, without their newlines.  Checked here: the types,
    and what the writer cannot see in the text (a "]" inside the name, an "="
    inside a key); a newline inside a name, key or value shows as a surplus
    line."""
    name = _bytes(section.name, encoding, where + ".name")
    if b"]" in name:
        _fail(where + ".name", "MalformedSection", 'a section name must not contain "]"')
    fields = section.fields
    try:  # bytes throughout, the common case: no call per field
        lines = [b"[" + name + b"]"] + [key + b"=" + value for key, value in fields]
        keys = b"".join([key for key, _ in fields])
    except TypeError:
        fields = _as_bytes(fields, encoding, where)
        lines = [b"[" + name + b"]"] + [key + b"=" + value for key, value in fields]
        keys = b"".join([key for key, _ in fields])
    if b"=" in keys:
        f = next(f for f, (key, _) in enumerate(fields) if b"=" in _bytes(key, encoding, ""))
        _fail(f"{where}.fields[{f}]", "MalformedField", 'a key must not contain "="')
    return lines


def _lines(track: Track[Any], number: int, encoding: str) -> List[bytes]:
    """The track's lines, without their newlines."""
    lines: List[bytes] = []
    for s, section in enumerate(track.sections):
        lines += _section_lines(section, f"tracks[{number}].sections[{s}]", encoding)
    return lines


def _fault_of(text: bytes, what: str, may_be_empty: bool) -> Optional[Tuple[str, str]]:
    """The kind and message of what a name, key or value holds that a line
    cannot carry, or None."""
    if b"\n" in text:
        return "NewlineInText", f'a {what} must not contain "\\n"'
    if b"\0" in text:
        return "ZeroByte", f"a {what} must not contain a 0 byte"
    if not text and not may_be_empty:
        return ("MalformedSection" if what == "section name" else "MalformedField"), f"a {what} must not be empty"
    return None


def _locate(track: Track[Any], number: int, encoding: str) -> None:
    """Raises CannotWrite for the first name, key or value of the track that
    its text cannot carry; returns if there is none.  Looked for once the text
    is known to be wrong."""
    for s, section in enumerate(track.sections):
        where = f"tracks[{number}].sections[{s}]"
        fault = _fault_of(_bytes(section.name, encoding, where + ".name"), "section name", False)
        if fault:
            _fail(where + ".name", *fault)
        for f, (key, value) in enumerate(section.fields):
            for part, text in (("key", key), ("value", value)):
                fault = _fault_of(_bytes(text, encoding, f"{where}.fields[{f}] {part}"), part, part == "value")
                if fault:
                    _fail(f"{where}.fields[{f}]", *fault)


def _voice(track: Any, number: int, encoding: str) -> bytes:
    if not isinstance(track, Track):
        raise TypeError(f"tracks[{number}] must be a Track, not {type(track).__name__}")
    lines = _lines(track, number, encoding)
    text = b"\n".join(lines) + b"\n" if lines else b""
    if text.count(b"\n") != len(lines):
        _locate(track, number, encoding)
    return text


def _problem(sequence: Sequence[Any], encoding: str, problem: Tuple[str, int, int, str]) -> NoReturn:
    kind, index, _, description = problem
    if kind in ("TempoOutOfRange", "NumeratorOutOfRange", "DenominatorNotPowerOfTwo", "TickBeforePrevious",
                "StepTooLong"):
        _fail(f"tempo_map[{index}]", kind, description)
    if kind in ("NoVoice", "TooManyVoices"):
        _fail("tracks", kind, description)
    if kind == "TempoMapTooLong":
        _fail("tempo_map", kind, description)
    if kind not in ("EmptyText", "TrackTooLong"):
        _locate(sequence.tracks[index], index, encoding)
    _fail(f"tracks[{index}]", kind, description)


def encode(sequence: Sequence[Any], encoding: str) -> bytes:
    """The VSQ file of sequence, or CannotWrite for its first problem."""
    if not isinstance(sequence, Sequence):
        raise TypeError(f"write needs a trillo.Sequence, not {type(sequence).__name__}")
    division = _division(sequence)
    tempo_map = [_tempo_entry(event, f"tempo_map[{i}]") for i, event in enumerate(sequence.tempo_map)]
    voices = _integer(sequence.voices, "voices")
    if voices != len(sequence.tracks):
        _fail("voices", "VoicesMismatch", f"voices is {voices}, but the sequence has {len(sequence.tracks)} tracks")
    texts = [_voice(track, number, encoding) for number, track in enumerate(sequence.tracks)]
    result = _trillo.write(division, tempo_map, texts)
    if isinstance(result, tuple):
        _problem(sequence, encoding, result)
    return result


def _write_all(stream: Any, data: bytes) -> None:
    """Writes all of data with stream.write, which may take a part at a time."""
    view = memoryview(data)
    while view:
        written = stream.write(view)
        if written is None or not isinstance(written, int):
            return  # a writer that does not count takes everything
        if written <= 0:
            raise CannotWriteFile("cannot write file.")  # it takes no more: never loop on it
        view = view[written:]


def store(data: bytes, target: Union[str, "os.PathLike[str]", "os.PathLike[bytes]", Any]) -> None:
    """Writes the file's bytes to a path or a binary file object."""
    if isinstance(target, (str, os.PathLike)):
        try:
            stream = open(target, "wb")
        except OSError as error:
            raise CannotOpenFile("cannot open file.") from error
        try:
            with stream:
                stream.write(data)
        except OSError as error:
            raise CannotWriteFile("cannot write file.") from error
        return
    if not hasattr(target, "write"):
        raise TypeError(f"write's target must be None, a path or a binary file object, not {type(target).__name__}")
    try:
        _write_all(target, data)
    except OSError as error:
        raise CannotWriteFile("cannot write file.") from error
