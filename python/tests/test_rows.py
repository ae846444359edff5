"""The flat view for data work: Sequence.rows() and trillo.to_frame; and the
package's face: its version and its public names."""

import pytest

import trillo
from cases import EXAMPLES

SEQUENCE = trillo.Sequence(
    voices=2,
    division=480,
    tempo_map=[],
    tracks=[
        trillo.Track([trillo.Section(b"A", [(b"k", b"1"), (b"k", b"2")]), trillo.Section(b"Empty"),
                      trillo.Section(b"B", [(b"x", b"")])]),
        trillo.Track([trillo.Section(b"A", [(b"k", b"3")])]),
    ],
)


def test_rows_are_every_field_in_file_order():
    assert list(SEQUENCE.rows()) == [
        (0, 0, b"A", b"k", b"1"),
        (0, 0, b"A", b"k", b"2"),
        (0, 2, b"B", b"x", b""),
        (1, 0, b"A", b"k", b"3"),
    ]
    song = trillo.read(EXAMPLES / "song.vsq", encoding="utf-8")
    rows = list(song.rows())
    assert len(rows) == sum(len(s.fields) for t in song.tracks for s in t.sections) > 0
    for track, index, section, key, value in rows:
        assert section == song.tracks[track].sections[index].name
        assert (key, value) in song.tracks[track].sections[index].fields


def test_a_frame_holds_the_rows():
    frame = trillo.to_frame(SEQUENCE)
    assert tuple(frame.columns) == trillo.ROW_COLUMNS
    assert [tuple(row) for row in frame.itertuples(index=False)] == list(SEQUENCE.rows())
    assert str(frame.track.dtype) == "int64" and str(frame.section_index.dtype) == "int64"
    song = trillo.read(EXAMPLES / "two-voices.vsq", encoding="ascii")
    assert trillo.to_frame(song).query("key == 'Level'").value.tolist() == ["64", "70"]


def test_a_sequence_without_fields_is_an_empty_frame_with_the_columns():
    frame = trillo.to_frame(trillo.Sequence(1, 480, [], [trillo.Track([trillo.Section(b"S")])]))
    assert frame.empty and tuple(frame.columns) == trillo.ROW_COLUMNS


def test_without_pandas_to_frame_says_what_it_needs(monkeypatch):
    monkeypatch.setitem(__import__("sys").modules, "pandas", None)
    with pytest.raises(ImportError, match="pandas"):
        trillo.to_frame(SEQUENCE)


def test_the_version_is_the_tools(tool):
    assert tool.run("--version").out == f"trillo {trillo.__version__}\n".encode()


def test_the_namespace_holds_only_the_packages_own_names():
    public = {name for name in vars(trillo) if not name.startswith("_")}
    assert public == set(trillo.__all__)
    assert {"os", "codecs", "Optional", "Union", "overload", "Protocol"}.isdisjoint(dir(trillo))
