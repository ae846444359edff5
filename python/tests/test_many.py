"""trillo.read_many: every path once, each with what read gives or raises,
whatever the others do."""

import pickle
from collections import Counter
from pathlib import Path
from typing import Dict

import pytest

import trillo
from cases import EXAMPLES, valid


def field_count(song):
    """A function for the workers: defined at the top level, so it pickles."""
    return sum(len(section.fields) for track in song.tracks for section in track.sections)


def first_name(song):
    return song.tracks[0].sections[0].name


def fails(song):
    raise KeyError("no such field")


@pytest.fixture(scope="module")
def corpus(tmp_path_factory):
    """Valid files, a cut one among them and a path with no file: each path
    with what trillo.read gives (a Sequence) or raises (the error)."""
    folder = tmp_path_factory.mktemp("corpus")
    expected: Dict[Path, object] = {}
    for number, case in enumerate(valid()[:20]):
        path = folder / f"{number}.vsq"
        path.write_bytes(case.data)
        expected[path] = trillo.read(path)
    cut = folder / "cut.vsq"
    cut.write_bytes((EXAMPLES / "song.vsq").read_bytes()[:-7])
    missing = folder / "missing.vsq"
    for path in (cut, missing):
        with pytest.raises(trillo.Error) as caught:
            trillo.read(path)
        expected[path] = caught.value
    return expected


def same_outcome(got, expected):
    if isinstance(expected, trillo.Error):
        return (type(got), str(got), got.partial) == (type(expected), str(expected), expected.partial)
    return got == expected


@pytest.mark.parametrize("workers", [None, 1, 3])
def test_each_path_once_with_its_sequence_or_error(corpus, workers):
    paths = list(corpus)
    results = list(trillo.read_many(paths, workers=workers))
    assert Counter(path for path, _ in results) == Counter(paths)
    for path, result in results:
        assert same_outcome(result, corpus[path]), path


def test_fn_runs_in_the_workers_and_only_its_result_comes_back(corpus):
    paths = list(corpus)
    results = dict(trillo.read_many(paths, field_count, workers=2))
    for path, expected in corpus.items():
        if isinstance(expected, trillo.Error):
            assert same_outcome(results[path], expected)
        else:
            assert results[path] == field_count(expected)


def test_encoding_is_reads():
    song = EXAMPLES / "song.vsq"
    assert list(trillo.read_many([song], first_name, encoding="utf-8")) == [(song, "Voice")]
    assert list(trillo.read_many([str(song)], first_name)) == [(str(song), b"Voice")]
    with pytest.raises(LookupError):
        trillo.read_many([song], encoding="no-such-codec")  # before any worker starts


def test_an_exception_of_fn_passes_out(corpus):
    with pytest.raises(KeyError, match="no such field"):
        list(trillo.read_many(list(corpus), fails, workers=2))


def test_stopping_early_and_nothing_to_read(corpus):
    results = trillo.read_many(list(corpus) * 5, field_count, workers=2)
    path, _ = next(results)
    assert path in corpus
    results.close()  # the pool stops; the test would hang otherwise
    assert list(trillo.read_many([], field_count)) == []
    with pytest.raises(ValueError):
        list(trillo.read_many([EXAMPLES / "song.vsq"], workers=0))


def test_a_function_that_does_not_pickle_fails_plainly(corpus):
    with pytest.raises((pickle.PicklingError, AttributeError)):  # before any worker starts
        list(trillo.read_many([Path(p) for p in corpus][:2], lambda song: song.voices, workers=1))
