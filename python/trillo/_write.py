"""trillo.write: a Sequence back into a VSQ file.

The Sequence is checked and turned into the writer's parts here: the
division and the tempo map as tuples.  The extension makes each track's
INI-like text (and names a name, key or value that no line can carry), and
its writer checks the rest, lays the file out and writes it.  A
problem raises CannotWrite naming the part at fault by its place in the
Sequence ("tracks[0].sections[2].fields[1]").
"""

import operator
import os
from typing import Any, NoReturn, Tuple, Union

from . import _trillo
from ._errors import CannotOpenFile, CannotWrite, CannotWriteFile
from ._model import Sequence, Tempo, TimeSignature, Track

_MAX_TICK = 0xFFFFFFFF
_TEMPO, _TIME_SIGNATURE = 0, 1

def _fail(where: str, kind: str, what: str) -> NoReturn:
    error = CannotWrite(f"{where}: {what}")
    error.kind = kind
    error.where = where
    raise error


def _pair(field: Any) -> Tuple[Any, Any]:
    """A field taken apart as a for loop over the fields takes it, errors and all."""
    key, value = field
    return key, value


def _integer(value: Any, where: str) -> int:
    try:
        return operator.index(value)
    except TypeError:
        raise TypeError(f"{where} must be an int, not {type(value).__name__}") from None


def _division(sequence: Sequence[Any]) -> int:
    division = _integer(sequence.division, "division")
    if not 0 <= division <= _trillo.MAX_DIVISION:
        _fail("division", "DivisionOutOfRange", _trillo.describe("DivisionOutOfRange"))
    return division


def _tick(event: Any, where: str) -> int:
    tick = _integer(event.tick, where + ".tick")
    if not 0 <= tick <= _MAX_TICK:
        _fail(where, "TickOutOfRange", _trillo.TICK_OUT_OF_RANGE)
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
            _fail(where, "TempoOutOfRange", _trillo.unprintable_tempo(bpm))
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


def _problem(sequence: Sequence[Any], encoding: str, problem: Tuple[str, int, int, str]) -> NoReturn:
    kind, index, _, description = problem
    if kind in ("TempoOutOfRange", "NumeratorOutOfRange", "DenominatorNotPowerOfTwo"):
        _fail(f"tempo_map[{index}]", kind, description)
    if kind in ("NoVoice", "TooManyVoices"):
        _fail("tracks", kind, description)
    if kind == "TempoMapTooLong":
        _fail("tempo_map", kind, description)
    if kind not in ("EmptyText", "TrackTooLong"):
        fault = _trillo.locate(list(sequence.tracks), index, encoding, Track, _pair)
        if fault is not None:
            _fail(*fault)
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
    texts = _trillo.voice_texts(list(sequence.tracks), encoding, Track, _pair)
    if isinstance(texts, tuple):
        _fail(*texts)
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
