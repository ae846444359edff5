"""The objects that read returns are plain classes: built by hand, they equal
what read makes of the same file."""

import pickle

import trillo
from cases import EXAMPLES, named
from rendering import render


def test_the_worked_example_built_by_hand():
    by_hand = trillo.Sequence(
        voices=2,
        division=480,
        tempo_map=[trillo.Tempo(tick=0, bpm=120.0), trillo.TimeSignature(tick=0, numerator=4, denominator=4)],
        tracks=[
            trillo.Track([trillo.Section(b"Alpha", [(b"Name", b"first voice"), (b"Level", b"64")])]),
            trillo.Track([trillo.Section(b"Alpha", [(b"Name", b"second voice"), (b"Level", b"70")])]),
        ],
    )
    path = EXAMPLES / "two-voices.vsq"
    assert trillo.read(path) == by_hand
    assert render(by_hand) == trillo.dump(path)


def test_a_section_keeps_duplicates_and_order():
    # [S]\nk=1\nk=2\na=\n[S]\nk=3\n, and a tempo of 600000 microseconds per quarter note
    read = trillo.read(named("valid", "keys and sections repeated").data)
    assert read.tracks == [trillo.Track([trillo.Section(b"S", [(b"k", b"1"), (b"k", b"2"), (b"a", b"")]),
                                         trillo.Section(b"S", [(b"k", b"3")])])]
    assert read.tempo_map == [trillo.Tempo(0, 100.0)]


def test_objects_compare_by_value_and_print_as_their_constructors():
    made = trillo.Sequence(1, 480, [trillo.Tempo(0, 120.0)], [trillo.Track([trillo.Section("S", [("k", "v")])])])
    assert eval(repr(made), {"Sequence": trillo.Sequence, "Tempo": trillo.Tempo, "Track": trillo.Track,
                             "Section": trillo.Section}) == made
    assert made != trillo.Sequence(1, 480, [trillo.Tempo(0, 120.0)], [trillo.Track([trillo.Section("S")])])
    assert pickle.loads(pickle.dumps(made)) == made
    read = trillo.read(EXAMPLES / "song.vsq")
    assert pickle.loads(pickle.dumps(read)) == read


def test_texts_alike_but_in_the_middle_stay_apart():
    """Names, keys and values of one length whose ends agree, and ones that
    differ only in length or in one byte, alternating: each read as it stands."""
    data = named("valid", "texts alike but in the middle").data  # in frames of 5 bytes
    assert render(trillo.read(data)) == trillo.dump(data)
    assert render_decoded(trillo.read(data, encoding="latin-1")) == trillo.dump(data)


def render_decoded(sequence):
    """render for a Sequence of str read with latin-1."""
    for track in sequence.tracks:
        for section in track.sections:
            section.name = section.name.encode("latin-1")
            section.fields = [(k.encode("latin-1"), v.encode("latin-1")) for k, v in section.fields]
    return render(sequence)
