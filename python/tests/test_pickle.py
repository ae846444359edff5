"""What read returns and raises survives pickling, so that it can travel
between processes."""

import pickle

import pytest

import trillo
from cases import EXAMPLES


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
