"""trillo.write: the way back from a Sequence to a VSQ file.  What it writes
reads back and dumps as the original did; what no file holds raises
CannotWrite and writes nothing."""

import array
import datetime
import io
import math

import pytest

import trillo
from cases import EXAMPLES, valid

VALID = valid()


@pytest.mark.parametrize("case", VALID, ids=lambda case: str(case.name))
def test_a_file_read_and_written_back_dumps_as_the_original(case):
    original = trillo.dump(case.data)
    written = trillo.write(trillo.read(case.data))
    assert trillo.dump(written) == original
    assert trillo.read(written) == trillo.read(case.data)


@pytest.mark.parametrize("case", VALID[:12], ids=lambda case: str(case.name))
def test_text_read_with_an_encoding_is_written_back_with_it(case):
    as_text = trillo.read(case.data, encoding="latin-1")
    assert trillo.dump(trillo.write(as_text, encoding="latin-1")) == trillo.dump(case.data)


def test_the_written_file_dumps_with_the_tool_as_trillo_dump_says(tool, tmp_path):
    for case in VALID[:8]:
        path = tmp_path / "written.vsq"
        trillo.write(trillo.read(case.data), path)
        outcome = tool.run(path)
        assert (outcome.status, outcome.err) == (0, b""), case.name
        assert outcome.out == trillo.dump(path) == trillo.dump(case.data), case.name


def hand_made():
    return trillo.Sequence(
        voices=2,
        division=960,
        tempo_map=[trillo.Tempo(0, 120), trillo.TimeSignature(0, 6, 8), trillo.Tempo(1920, 96.0),
                   trillo.Tempo(3840, math.inf), trillo.TimeSignature(3840, 3, 4)],
        tracks=[
            trillo.Track([trillo.Section("Common", [("Name", "ソプラノ"), ("Color", "181,162,123")]),
                          trillo.Section("Events", [("Tick", ""), ("k", "a=b"), ("k", "[x]")])]),
            trillo.Track([trillo.Section("Long", [("Line", "0123456789" * 100)] * 3)]),
        ],
    )


def test_a_sequence_made_by_hand_reads_back_as_made():
    made = hand_made()
    back = trillo.read(trillo.write(made), encoding="utf-8")
    assert back == made
    assert trillo.dump(trillo.write(made)).startswith(
        b"[Master]\nNumVoices=2\nDivision=960\n[TempoMap]\n0=Tempo:120.00\n0=Time:6/8:24:8\n"
        b"1920=Tempo:96.00\n3840=Tempo:inf\n3840=Time:3/4:24:8\n\n[Track01]\n[Common]\nName=")


def test_a_tempo_is_written_as_the_microseconds_that_print_it():
    made = with_tempo_map(trillo.Tempo(0, 87.5), trillo.Tempo(0, 775.0), trillo.Tempo(0, 3.58))
    tempi = trillo.read(trillo.write(made)).tempo_map
    assert [f"{event.bpm:.2f}" for event in tempi if isinstance(event, trillo.Tempo)] == ["87.50", "775.00", "3.58"]
    assert len(tempi) == 3


def test_str_is_encoded_with_the_encoding_given_and_bytes_stay_as_they_are():
    made = trillo.Sequence(1, 480, [], [trillo.Track([trillo.Section("歌", [(b"\x82\xa0", "歌")])])])
    back = trillo.read(trillo.write(made, encoding="cp932"))
    assert back.tracks[0].sections[0] == trillo.Section("歌".encode("cp932"), [(b"\x82\xa0", "歌".encode("cp932"))])
    with pytest.raises(UnicodeEncodeError):
        trillo.write(made, encoding="ascii")
    with pytest.raises(LookupError):
        trillo.write(made, encoding="no-such-codec")


def test_a_sequence_changed_by_hand_reads_back_changed():
    song = trillo.read(EXAMPLES / "song.vsq", encoding="utf-8")
    first = song.tracks[0].sections[0]
    key, _ = first.fields[0]
    first.fields[0] = (key, "changed value")
    song.tracks[-1].sections.append(trillo.Section("Added", [("New", "1"), ("New", "2")]))
    song.tempo_map.append(trillo.TimeSignature(song.tempo_map[-1].tick + 1920 if song.tempo_map else 0, 7, 8))
    written = trillo.write(song, encoding="utf-8")
    assert trillo.read(written, encoding="utf-8") == song
    original = trillo.dump(EXAMPLES / "song.vsq").decode()
    assert f"{key}=changed value\n" not in original
    assert f"{key}=changed value\n" in trillo.dump(written).decode()
    assert trillo.dump(written).endswith(b"[Added]\nNew=1\nNew=2\n")


def test_every_target_gets_the_bytes_that_are_returned(tmp_path):
    made = hand_made()
    data = trillo.write(made)
    trillo.write(made, str(tmp_path / "as str.vsq"))
    trillo.write(made, tmp_path / "as path.vsq")
    buffer = io.BytesIO(b"kept:")
    buffer.seek(0, io.SEEK_END)
    trillo.write(made, buffer)
    with open(tmp_path / "unbuffered.vsq", "wb", buffering=0) as raw:
        trillo.write(made, raw)
    for name in ("as str.vsq", "as path.vsq", "unbuffered.vsq"):
        assert (tmp_path / name).read_bytes() == data, name
    assert buffer.getvalue() == b"kept:" + data


class Trickle(io.RawIOBase):
    """A raw stream that takes at most 7 bytes a call."""

    def __init__(self):
        self.taken = bytearray()

    def writable(self):
        return True

    def write(self, data):
        part = bytes(data[:7])
        self.taken += part
        return len(part)


def test_a_stream_that_takes_a_part_at_a_time_gets_everything():
    made = hand_made()
    stream = Trickle()
    trillo.write(made, stream)
    assert bytes(stream.taken) == trillo.write(made)


class Full(io.RawIOBase):
    """A raw stream that takes nothing more."""

    def writable(self):
        return True

    def write(self, data):
        return 0


def test_a_stream_that_takes_nothing_fails_instead_of_waiting():
    with pytest.raises(trillo.CannotWriteFile):
        trillo.write(hand_made(), Full())


class Broken(io.RawIOBase):
    def writable(self):
        return True

    def write(self, data):
        raise OSError(28, "No space left on device")


def test_writing_failures_are_trillo_errors(tmp_path):
    with pytest.raises(trillo.CannotOpenFile) as opened:
        trillo.write(hand_made(), tmp_path / "no folder" / "x.vsq")
    assert isinstance(opened.value.__cause__, FileNotFoundError)
    with pytest.raises(trillo.CannotWriteFile) as written:
        trillo.write(hand_made(), Broken())
    assert str(written.value) == "cannot write file."
    assert isinstance(written.value.__cause__, OSError) and written.value.__cause__.errno == 28


def one_track(*sections):
    return trillo.Sequence(1, 480, [trillo.Tempo(0, 120.0)], [trillo.Track(list(sections))])


def with_tempo_map(*events):
    return trillo.Sequence(1, 480, list(events), [trillo.Track([trillo.Section(b"S", [(b"k", b"v")])])])


def tempo_between_two_values():
    """A tempo of two decimals that no 24-bit microseconds per quarter note prints."""
    for cents in range(77500, 200000):
        wanted = "%.2f" % (cents / 100)
        guess = int(60000000 / (cents / 100))
        if all("%.2f" % (60000000 / us) != wanted for us in range(guess - 2, guess + 3)):
            return cents / 100
    raise AssertionError("every tempo prints")


S = trillo.Section
FIELD = "tracks[0].sections[1].fields[0]"

# (what, the sequence, the class, kind, where, words of the message)
FAILURES = [
    ("an empty section name", one_track(S(b"A"), S(b"")), "MalformedSection", "tracks[0].sections[1].name",
     "must not be empty"),
    ("a name with ]", one_track(S(b"A"), S(b"a]b")), "MalformedSection", "tracks[0].sections[1].name", '"]"'),
    ("a name with a newline", one_track(S(b"A"), S(b"a\nb")), "NewlineInText", "tracks[0].sections[1].name",
     '"\\n"'),
    ("an empty key", one_track(S(b"A"), S(b"B", [(b"", b"v")])), "MalformedField", FIELD, "must not be empty"),
    ("a key with =", one_track(S(b"A"), S(b"B", [(b"a=b", b"v")])), "MalformedField", FIELD, '"="'),
    ("a str key with = after one without", one_track(S("A"), S("B", [("k", "v"), ("a=b", "v")])), "MalformedField",
     "tracks[0].sections[1].fields[1]", '"="'),
    # "[k=]" would read back as a section line.
    ("a key that begins with [", one_track(S(b"A"), S(b"B", [(b"[k", b"]")])), "MalformedField", FIELD, '"["'),
    ("a key with a newline", one_track(S(b"A"), S(b"B", [(b"a\n", b"v")])), "NewlineInText", FIELD, "key"),
    ("a value with a newline", one_track(S(b"A"), S(b"B", [(b"k", b"\n[C]")])), "NewlineInText", FIELD, "value"),
    ("a str value with a newline", one_track(S("A"), S("B", [("k", "v\n")])), "NewlineInText", FIELD, "value"),
    ("a 0 byte in a name", one_track(S(b"A"), S(b"\0")), "ZeroByte", "tracks[0].sections[1].name", "0 byte"),
    ("a 0 byte in a key", one_track(S(b"A"), S(b"B", [(b"k\0", b"v")])), "ZeroByte", FIELD, "0 byte"),
    ("a 0 byte in a value", one_track(S(b"A"), S(b"B", [(b"k", b"\0")])), "ZeroByte", FIELD, "0 byte"),
    ("a track without sections", one_track(), "EmptyText", "tracks[0]", "at least one section"),
    ("no tracks", trillo.Sequence(0, 480, [], []), "NoVoice", "tracks", "at least one voice track"),
    ("too many tracks", trillo.Sequence(65535, 480, [], [trillo.Track([S(b"S")])] * 65535), "TooManyVoices",
     "tracks", "at most 65534"),
    ("voices that are not the tracks", trillo.Sequence(2, 480, [], [trillo.Track([S(b"S")])]), "VoicesMismatch",
     "voices", "1 tracks"),
    ("a negative division", trillo.Sequence(1, -1, [], [trillo.Track([S(b"S")])]), "DivisionOutOfRange",
     "division", "0 to 32767"),
    ("a division of 32768", trillo.Sequence(1, 32768, [], [trillo.Track([S(b"S")])]), "DivisionOutOfRange",
     "division", "0 to 32767"),
    ("a negative tick", with_tempo_map(trillo.Tempo(-1, 120.0)), "TickOutOfRange", "tempo_map[0]",
     "4294967295"),
    ("a tick of 2**32", with_tempo_map(trillo.TimeSignature(2**32, 4, 4)), "TickOutOfRange", "tempo_map[0]",
     "4294967295"),
    ("a tempo between two values", with_tempo_map(trillo.Tempo(0, tempo_between_two_values())), "TempoOutOfRange",
     "tempo_map[0]", "prints as %.2f" % tempo_between_two_values()),
    ("a tempo too slow", with_tempo_map(trillo.Tempo(0, 3.5)), "TempoOutOfRange", "tempo_map[0]",
     "prints as 3.50"),
    ("a tempo of 0", with_tempo_map(trillo.Tempo(0, 0.0)), "TempoOutOfRange", "tempo_map[0]", "above 0"),
    ("a negative tempo", with_tempo_map(trillo.Tempo(0, -120.0)), "TempoOutOfRange", "tempo_map[0]", "above 0"),
    ("a tempo that is no number", with_tempo_map(trillo.Tempo(0, math.nan)), "TempoOutOfRange", "tempo_map[0]",
     "above 0"),
    ("a denominator of 3", with_tempo_map(trillo.TimeSignature(0, 4, 3)), "DenominatorNotPowerOfTwo",
     "tempo_map[0]", "power of two"),
    ("a denominator of 0", with_tempo_map(trillo.TimeSignature(0, 4, 0)), "DenominatorNotPowerOfTwo",
     "tempo_map[0]", "power of two"),
    ("a denominator of 2**32", with_tempo_map(trillo.TimeSignature(0, 4, 2**32)), "DenominatorNotPowerOfTwo",
     "tempo_map[0]", "power of two"),
    ("a numerator of 256", with_tempo_map(trillo.TimeSignature(0, 256, 4)), "NumeratorOutOfRange", "tempo_map[0]",
     "0 to 255"),
    ("a negative numerator", with_tempo_map(trillo.TimeSignature(0, -1, 4)), "NumeratorOutOfRange",
     "tempo_map[0]", "0 to 255"),
]


@pytest.mark.parametrize("what,sequence,kind,where,words", FAILURES, ids=[f[0] for f in FAILURES])
def test_what_no_file_holds_raises_cannot_write_and_writes_nothing(tmp_path, what, sequence, kind, where, words):
    with pytest.raises(trillo.CannotWrite) as failure:
        trillo.write(sequence)
    error = failure.value
    assert isinstance(error, trillo.Error) and isinstance(error, ValueError)
    assert (error.kind, error.where) == (kind, where)
    assert str(error).startswith(where + ": ") and words in str(error), str(error)
    assert error.partial is None

    new = tmp_path / "new.vsq"
    with pytest.raises(trillo.CannotWrite):
        trillo.write(sequence, new)
    assert not new.exists()
    existing = tmp_path / "existing.vsq"
    existing.write_bytes(b"before")
    with pytest.raises(trillo.CannotWrite):
        trillo.write(sequence, existing)
    assert existing.read_bytes() == b"before"
    stream = io.BytesIO()
    with pytest.raises(trillo.CannotWrite):
        trillo.write(sequence, stream)
    assert stream.getvalue() == b""


def test_the_writers_messages_are_the_packing_tools():
    """The same situation gives the trillo-pack tool's words."""
    messages = {kind: trillo._trillo.describe(kind) for kind in ("DivisionOutOfRange", "DenominatorNotPowerOfTwo")}
    for what, sequence, kind, where, _ in FAILURES:
        if kind in messages:
            with pytest.raises(trillo.CannotWrite) as failure:
                trillo.write(sequence)
            assert str(failure.value) == f"{where}: {messages[kind]}", what


@pytest.mark.parametrize("sequence,words", [
    ("not a sequence", "trillo.Sequence"),
    (trillo.Sequence(1, "480", [], [trillo.Track([S(b"S")])]), "division"),  # type: ignore[arg-type]
    (trillo.Sequence(1, 480, [(0, 120.0)], [trillo.Track([S(b"S")])]), "tempo_map[0]"),  # type: ignore[list-item]
    (trillo.Sequence(1, 480, [], [[S(b"S")]]), "tracks[0]"),  # type: ignore[list-item]
    (one_track(S(b"A"), S(b"B", [(b"k", 1)])), "tracks[0].sections[1].fields[0] value"),
    (one_track(S(None)), "tracks[0].sections[0].name"),
])
def test_parts_of_the_wrong_type_raise_type_error(sequence, words):
    with pytest.raises(TypeError, match=words.replace("[", r"\[").replace("]", r"\]")):
        trillo.write(sequence)


def test_bytes_like_values_are_written_beside_bytes_keys():
    """A section whose keys are bytes or bytearray takes any bytes-like value."""
    sequence = one_track(S(b"A", [(b"k", memoryview(b"v")), (bytearray(b"a"), array.array("B", b"b"))]))
    assert trillo.read(trillo.write(sequence)).tracks[0].sections[0].fields == [(b"k", b"v"), (b"a", b"b")]


@pytest.mark.parametrize("field,error", [
    (datetime.date(2026, 1, 1), TypeError),
    ((b"k", b"v", b"w"), ValueError),
    ((b"k",), ValueError),
])
def test_a_field_is_taken_apart_as_python_takes_it(field, error):
    def as_python_says():
        key, value = field
    with pytest.raises(error) as expected:
        as_python_says()
    with pytest.raises(error) as got:
        trillo.write(one_track(S(b"A", [field])))
    assert str(got.value) == str(expected.value)


def test_a_wrapped_tick_is_written_as_the_reader_counts():
    """Ticks count modulo 2**32: 17 long steps pass 2**32 and start again."""
    wrapped = with_tempo_map(*[trillo.Tempo(step * 0x0FFFFFFF % 2**32, 120.0) for step in range(18)])
    assert trillo.read(trillo.write(wrapped)) == wrapped
    assert trillo.dump(trillo.write(wrapped)).endswith(
        b"\n4294967280=Tempo:120.00\n268435439=Tempo:120.00\n\n[Track01]\n[S]\nk=v\n")


def test_a_step_longer_than_a_delta_time_is_bridged():
    """Empty text events in the master track bridge it; the reader passes over them.

    A tick below the one before is a step past 2**32 - 1, as the reader counts."""
    long_steps = with_tempo_map(trillo.Tempo(1, 120.0), trillo.Tempo(0x10000001, 100.0),
                                trillo.TimeSignature(2**32 - 1, 3, 4), trillo.Tempo(9, 60.0))
    assert trillo.read(trillo.write(long_steps)) == long_steps
    assert trillo.dump(trillo.write(long_steps)).endswith(
        b"\n1=Tempo:120.00\n268435457=Tempo:100.00\n4294967295=Time:3/4:24:8\n9=Tempo:60.00\n"
        b"\n[Track01]\n[S]\nk=v\n")


def test_help_describes_write_on_its_own():
    doc = trillo.write.__doc__
    assert doc is not None
    for words in ("target", "encoding", "CannotWrite", "Tempo(tick, bpm)", "len(tracks)", "bytes"):
        assert words in doc, words
