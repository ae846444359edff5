"""Checked by mypy --strict in test_typing.py, never run: what a type checker
makes of the package's interface."""

import io
from pathlib import Path
from typing import List, Tuple, Union

from typing_extensions import assert_type

import trillo

as_bytes = trillo.read("song.vsq")
assert_type(as_bytes, trillo.Sequence[bytes])
assert_type(as_bytes.tracks[0].sections[0].name, bytes)
as_text = trillo.read(Path("song.vsq"), encoding="cp932")
assert_type(as_text.tracks[0].sections[0].fields, List[Tuple[str, str]])
from_file = trillo.read(io.BytesIO(b""))
assert_type(from_file.voices, int)
for event in as_bytes.tempo_map:
    assert_type(event, Union[trillo.Tempo, trillo.TimeSignature])
    if isinstance(event, trillo.Tempo):
        assert_type(event.bpm, float)
assert_type(trillo.dump(bytearray()), bytes)
assert_type(trillo.dump(memoryview(b"")), bytes)
made = trillo.Sequence(1, 480, [trillo.Tempo(0, 120.0)], [trillo.Track([trillo.Section(b"S", [(b"k", b"v")])])])
try:
    trillo.dump(open("song.vsq", "rb"))
except trillo.CannotOpenFile as error:
    assert_type(error, trillo.CannotOpenFile)
    assert isinstance(error, OSError)
assert_type(trillo.write(made), bytes)
assert_type(trillo.write(as_text, Path("out.vsq"), encoding="cp932"), None)
assert_type(trillo.write(as_bytes, io.BytesIO()), None)
try:
    trillo.write(made, "out.vsq")
except trillo.CannotWrite as error:
    assert_type(error.kind, str)
    assert isinstance(error, ValueError)


def voices(song: trillo.Sequence[str]) -> int:
    return song.voices


for path, counted in trillo.read_many([Path("a.vsq")], voices, encoding="utf-8", workers=2):
    assert_type(path, Path)
    assert_type(counted, Union[int, trillo.Error])
for name, whole in trillo.read_many(["a.vsq"]):
    assert_type(name, str)
    assert_type(whole, Union[trillo.Sequence[bytes], trillo.Error])
many = trillo.read_many(["a.vsq"], encoding="cp932")
assert_type(next(many)[1], Union[trillo.Sequence[str], trillo.Error])
many.close()
