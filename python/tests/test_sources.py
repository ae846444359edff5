"""What read and dump take, and what they do with it beyond a valid file."""

import array
import io
import os
import threading
from typing import Callable, List, Tuple

import pytest

import trillo
from cases import EXAMPLES, examples, generated, named
from rendering import render

SONG = EXAMPLES / "song.vsq"
READERS: List[Callable[[trillo.Source], object]] = [trillo.dump, trillo.read]


class PathOf(os.PathLike):  # type: ignore[type-arg]
    """An os.PathLike whose path is str or bytes."""

    def __init__(self, path) -> None:
        self.path = path

    def __fspath__(self):
        return self.path


class FailingReader(io.RawIOBase):
    """Hands out data in 1024-byte reads, then raises."""

    def __init__(self, data: bytes, error: BaseException) -> None:
        self.data = data
        self.error = error
        self.calls = 0

    def readable(self) -> bool:
        return True

    def read(self, size: int = -1) -> bytes:
        self.calls += 1
        if not self.data:
            raise self.error
        part, self.data = self.data[:size], self.data[size:]
        return part


def test_paths_of_every_form_name_the_same_file(tmp_path):
    expected = trillo.dump(SONG.read_bytes())
    odd = os.fsdecode(b"\xff\xfe-song.vsq")  # not UTF-8: carried as surrogates
    (tmp_path / odd).write_bytes(SONG.read_bytes())
    sources: List[trillo.Source] = [str(SONG), SONG, PathOf(str(SONG)), PathOf(os.fsencode(SONG)),
                                    str(tmp_path / odd), PathOf(os.fsencode(tmp_path / odd))]
    for source in sources:
        assert trillo.dump(source) == expected, source
        assert render(trillo.read(source)) == expected, source


def test_a_path_that_cannot_be_opened(tmp_path):
    functions: List[Tuple[Callable[[trillo.Source], object], object]] = [(trillo.dump, b""),
                                                                         (trillo.read, trillo.Sequence(0, 0))]
    for function, empty in functions:
        with pytest.raises(trillo.CannotOpenFile) as caught:
            function(tmp_path / "missing.vsq")
        assert isinstance(caught.value, OSError)
        assert str(caught.value) == "cannot open file."
        assert caught.value.partial == empty


def test_a_folder_opens_but_does_not_read(tmp_path, tool):
    assert tool.run(tmp_path).message == "cannot read file."
    for function in READERS:
        with pytest.raises(trillo.CannotReadFile) as caught:
            function(tmp_path)
        assert isinstance(caught.value, OSError)
        assert str(caught.value) == "cannot read file."


def test_a_path_with_a_null_byte_is_refused():
    with pytest.raises(ValueError):
        trillo.dump(str(SONG) + "\0")


def test_bytes_like_objects_of_every_kind():
    data = SONG.read_bytes()
    expected = trillo.dump(data)
    sources: List[trillo.Source] = [bytearray(data), memoryview(data), memoryview(b"xx" + data)[2:]]
    for source in sources:
        assert trillo.dump(source) == expected, type(source)
    # Any object with the buffer protocol is taken; trillo.Source names only the usual ones.
    assert trillo.dump(array.array("B", data)) == expected  # type: ignore[arg-type]


def test_what_is_not_a_source():
    for source in [42, None, 1.5, ["a"], {"path": str(SONG)}]:
        with pytest.raises(TypeError, match="path .* bytes-like object or a binary file object"):
            trillo.dump(source)  # type: ignore[arg-type]
        with pytest.raises(TypeError):
            trillo.read(source)  # type: ignore[call-overload]
    with pytest.raises(BufferError):  # not contiguous
        trillo.dump(memoryview(SONG.read_bytes())[::2])


def test_a_text_file_is_refused():
    with open(SONG, encoding="latin-1") as text:
        with pytest.raises(TypeError, match="binary mode"):
            trillo.dump(text)  # type: ignore[arg-type]


def test_a_file_object_is_read_in_blocks_of_1024_from_where_it_stands():
    data = SONG.read_bytes()
    asked = []

    class Recording(io.BytesIO):
        def read(self, size=-1):
            asked.append(size)
            return super().read(size)

    stream = Recording(b"junk" + data + b"after")
    stream.seek(4)
    with pytest.raises(trillo.TrailingBytes) as caught:
        trillo.dump(stream)
    assert caught.value.partial == trillo.dump(data)
    assert set(asked) == {1024}


def test_an_os_error_of_read_is_cannot_read_file_with_its_cause():
    data = SONG.read_bytes()
    error = OSError(5, "Input/output error")
    reader = FailingReader(data[:300], error)
    with pytest.raises(trillo.CannotReadFile) as caught:
        trillo.dump(reader)
    assert str(caught.value) == "cannot read file."
    assert caught.value.__cause__ is error
    # what came before the failure is kept, as for a file cut there
    with pytest.raises(trillo.UnexpectedFileEnd) as cut:
        trillo.dump(data[:300])
    assert caught.value.partial == cut.value.partial
    with pytest.raises(trillo.CannotReadFile) as failed_read:
        trillo.read(FailingReader(data[:300], OSError("gone")))
    with pytest.raises(trillo.UnexpectedFileEnd) as cut_read:
        trillo.read(data[:300])
    assert failed_read.value.partial == cut_read.value.partial


def test_other_exceptions_of_read_pass_through_unchanged():
    data = SONG.read_bytes()
    errors: List[BaseException] = [ValueError("no"), KeyboardInterrupt()]
    for error in errors:
        for function in READERS:
            with pytest.raises(type(error)) as caught:
                function(FailingReader(data[:2000], error))
            assert caught.value is error


def test_encodings():
    data = named("valid", "code page 932 text").data  # "[歌]\n歌詞=あ\nName=\nA=b=c\n" in frames of 5 bytes
    raw = trillo.read(data)
    assert raw.tracks[0].sections[0].name == "歌".encode("cp932")
    decoded = trillo.read(data, encoding="cp932")
    assert decoded.tracks == [trillo.Track([trillo.Section("歌", [("歌詞", "あ"), ("Name", ""), ("A", "b=c")])])]
    assert decoded.tempo_map == raw.tempo_map
    with pytest.raises(UnicodeDecodeError):
        trillo.read(data, encoding="utf-8")


def decoded_by_python(sequence, encoding):
    """The Sequence of bytes with every text decoded by bytes.decode."""
    return [
        [(section.name.decode(encoding), [(k.decode(encoding), v.decode(encoding)) for k, v in section.fields])
         for section in track.sections]
        for track in sequence.tracks
    ]


# Each codec under a name of its own: the C API's decoders for UTF-8, ASCII
# and Latin-1 under any alias, the codec's decode function for the others.
@pytest.mark.parametrize("encoding", ["utf-8", "UTF8", "u8", "ascii", "US-ASCII", "latin-1", "L1", "iso8859_15",
                                      "cp932", "shift_jis", "utf-16-le", "utf-8-sig"])
@pytest.mark.parametrize("case", ["song", "code page 932 text", "long values across frames and blocks",
                                  "texts alike but in the middle"])
def test_every_codec_decodes_as_bytes_decode_does(encoding, case):
    data = SONG.read_bytes() if case == "song" else named("valid", case).data
    raw = trillo.read(data)
    try:
        expected = decoded_by_python(raw, encoding)
    except UnicodeDecodeError:
        with pytest.raises(UnicodeDecodeError):
            trillo.read(data, encoding=encoding)
        return
    got = trillo.read(data, encoding=encoding)
    assert [[(s.name, s.fields) for s in track.sections] for track in got.tracks] == expected
    assert (got.voices, got.division, got.tempo_map) == (raw.voices, raw.division, raw.tempo_map)


def test_an_unknown_codec_fails_before_the_file_is_read():
    for codec in ["no-such-codec", "hex"]:  # hex is a codec, but not of text
        reader = FailingReader(SONG.read_bytes(), OSError("unused"))
        with pytest.raises(LookupError):
            trillo.read(reader, encoding=codec)
        assert reader.calls == 0


def test_threads_read_at_once():
    cases = examples() + generated()[:8]
    expected = [trillo.dump(case.data) for case in cases]
    results = {}

    def work(index):
        for round_ in range(3):
            results[index, round_] = (trillo.dump(cases[index].data), render(trillo.read(cases[index].data)))

    threads = [threading.Thread(target=work, args=(i,)) for i in range(len(cases))]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for (index, _), (dumped, rendered) in results.items():
        assert dumped == expected[index] and rendered == expected[index]
    assert len(results) == 3 * len(cases)
