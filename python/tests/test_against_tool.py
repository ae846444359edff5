"""trillo.dump and trillo.read against the tool, on the same inputs given as a
path, as bytes and as file objects: the same dump, the same failures with the
same messages, and the same output before a failure.  What the tool does with
a shared case is in its files; with any other input, a run says it."""

import io
import random

import pytest

import trillo
from cases import MESSAGES, broken, large_cuts, mutants, outcome_of, path_of, prefixes, valid
from rendering import agrees_with_partial_dump, render


class ShortReads(io.RawIOBase):
    """A file object whose read returns fewer bytes than asked, of varying
    counts (never none before the end), and a bytearray or memoryview now and then."""

    def __init__(self, data: bytes, seed: int) -> None:
        self.data = data
        self.at = 0
        self.rng = random.Random(seed)

    def readable(self) -> bool:
        return True

    def read(self, size: int = -1):
        count = min(size, self.rng.randrange(1, 1100))
        part = self.data[self.at:self.at + count]
        self.at += len(part)
        return self.rng.choice([bytes, bytearray, memoryview])(part)


def sources(tool, case):
    """Each kind of source for one input, as (label, a function making it)."""
    path = path_of(tool, case)
    data = case.data
    return [
        ("str path", lambda: str(path)),
        ("Path", lambda: path),
        ("bytes", lambda: data),
        ("bytearray", lambda: bytearray(data)),
        ("memoryview", lambda: memoryview(data)),
        ("BytesIO", lambda: io.BytesIO(data)),
        ("open file", lambda: open(path, "rb")),
        ("unbuffered file", lambda: open(path, "rb", buffering=0)),
        ("short reads", lambda: ShortReads(data, len(data))),
    ]


def results(tool, case, function):
    """function applied to each kind of source: (label, result or the trillo.Error raised)."""
    for label, make in sources(tool, case):
        source = make()
        try:
            yield label, function(source)
        except trillo.Error as failure:
            yield label, failure
        finally:
            if hasattr(source, "close"):
                source.close()


def expect_same_dump(tool, case, kind=None):
    """dump gives the tool's output, or fails with its message (and a class
    that has that message, kind if given) after the tool's output."""
    outcome = outcome_of(tool, case)
    for label, result in results(tool, case, trillo.dump):
        if outcome.status == 0:
            assert result == outcome.out, label
            continue
        assert isinstance(result, trillo.Error), label
        assert str(result) == outcome.message, label
        assert result.partial == outcome.out, label
        assert MESSAGES[type(result).__name__] == outcome.message, label
        assert kind is None or type(result) is kind, label


def expect_same_read(tool, case, kind=None):
    """read fails where dump does, with the same message, and its objects make
    the dump again, up to the failure."""
    outcome = outcome_of(tool, case)
    for label, result in results(tool, case, trillo.read):
        if outcome.status == 0:
            assert render(result) == outcome.out, label
            continue
        assert isinstance(result, trillo.Error), label
        assert str(result) == outcome.message, label
        assert kind is None or type(result) is kind, label
        assert isinstance(result.partial, trillo.Sequence), label
        assert agrees_with_partial_dump(result.partial, outcome.out), label
        if isinstance(result, trillo.TrailingBytes):
            assert render(result.partial) == outcome.out, label  # all of it was read


def name(case):
    return case.name


@pytest.mark.parametrize("case", valid(), ids=name)
def test_valid_file(tool, case):
    assert outcome_of(tool, case).status == 0, outcome_of(tool, case).err
    expect_same_dump(tool, case)
    expect_same_read(tool, case)


@pytest.mark.parametrize("case", broken(), ids=name)
def test_broken_file(tool, case):
    outcome = outcome_of(tool, case)
    assert outcome.status == 1
    assert outcome.message == MESSAGES[case.kind]
    expect_same_dump(tool, case, getattr(trillo, case.kind))
    expect_same_read(tool, case, getattr(trillo, case.kind))


@pytest.mark.parametrize("case", prefixes() + mutants() + large_cuts(), ids=name)
def test_cut_or_changed_file(tool, case):
    expect_same_dump(tool, case)
    expect_same_read(tool, case)
