"""The objects that read returns are plain classes: built by hand, they equal
what read makes of the same file."""

import pickle

import trillo
from cases import EXAMPLES
from rendering import render
from vsqfiles import Header, Track, dm_track, smf


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
    text = b"[S]\nk=1\nk=2\na=\n[S]\nk=3\n"
    read = trillo.read(smf(Header(), [Track().tempo(0, 600000).end_of_track(), dm_track(text)]))
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
    texts = [b"%sx%s" % (b"a" * n, b"b" * m) for n in (8, 10) for m in (8, 13)] + [b"", b"=", b"v", b"vv"]
    variants = [t.replace(b"x", c) for t in texts for c in (b"x", b"y")]
    lines = [b"[" + variants[0] + b"]"]
    for round_ in range(3):
        for i, text in enumerate(variants):
            lines.append(b"k" * (1 + round_) + text + b"=" + variants[-1 - i])
            if i % 7 == 6:
                lines.append(b"[" + (text or b"s") + b"]")
    data = smf(Header(), [Track().tempo(0, 500000).end_of_track(), dm_track(b"\n".join(lines) + b"\n", 5)])
    assert render(trillo.read(data)) == trillo.dump(data)
    assert render_decoded(trillo.read(data, encoding="latin-1")) == trillo.dump(data)


def render_decoded(sequence):
    """render for a Sequence of str read with latin-1."""
    for track in sequence.tracks:
        for section in track.sections:
            section.name = section.name.encode("latin-1")
            section.fields = [(k.encode("latin-1"), v.encode("latin-1")) for k, v in section.fields]
    return render(sequence)
