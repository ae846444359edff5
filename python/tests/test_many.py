"""Many files at once: read_many gives each file's Sequence or its failure,
and what it returns survives pickling."""

import pickle

import pytest

import trillo
from cases import EXAMPLES


def test_each_file_gives_its_sequence_or_its_failure(tmp_path):
    song = (EXAMPLES / "song.vsq").read_bytes()
    paths = []
    for number in range(12):
        path = tmp_path / f"{number}.vsq"
        path.write_bytes(song if number % 3 else song[:-5])  # every third file cut short
        paths.append(path)
    paths.append(tmp_path / "missing.vsq")
    got = dict(trillo.read_many(paths, workers=2))
    assert set(got) == set(paths)
    for path in paths[:-1]:
        try:
            expected = trillo.read(path)
        except trillo.Error as error:
            assert type(got[path]) is type(error) and str(got[path]) == str(error)
            assert got[path].partial == error.partial
        else:
            assert got[path] == expected
    assert isinstance(got[paths[-1]], trillo.CannotOpenFile)


def test_an_encoding_is_used_and_a_bad_codec_is_raised(tmp_path):
    path = EXAMPLES / "two-voices.vsq"
    [(_, sequence)] = list(trillo.read_many([path], encoding="ascii", workers=1))
    assert sequence == trillo.read(path, encoding="ascii")
    with pytest.raises(LookupError):
        list(trillo.read_many([path], encoding="no such codec", workers=1))


def test_sequences_and_failures_survive_pickling():
    sequence = trillo.read(EXAMPLES / "song.vsq", encoding="utf-8")
    assert pickle.loads(pickle.dumps(sequence)) == sequence
    with pytest.raises(trillo.Error) as caught:
        trillo.read((EXAMPLES / "song.vsq").read_bytes()[:-5])
    again = pickle.loads(pickle.dumps(caught.value))
    assert (type(again), str(again), again.partial) == (type(caught.value), str(caught.value), caught.value.partial)
    written = trillo.CannotWrite("tracks[0]: a voice track needs at least one section line")
    written.kind, written.where = "EmptyText", "tracks[0]"
    again = pickle.loads(pickle.dumps(written))
    assert (again.kind, again.where, str(again)) == (written.kind, written.where, str(written))
