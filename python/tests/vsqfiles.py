"""A small writer of SMF and VSQ bytes from a readable description, for the
package's tests: the Python twin of tests/support/SmfWriter.h.  It writes what
it is told, also when that is wrong on purpose (lengths, magics, raw bytes).
"""

from dataclasses import dataclass
from typing import List, Optional, Sequence


def var_number(value: int) -> bytes:
    """A variable-length number: 1 to 4 bytes, the highest 7 bits first."""
    if not 0 <= value <= 0x0FFFFFFF:
        raise ValueError("variable-length numbers hold 28 bits")
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


class Track:
    """One track chunk, event by event; every method returns the track."""

    def __init__(self) -> None:
        self.data = bytearray()
        self.length: Optional[int] = None  # written instead of the data's size
        self.magic = b"MTrk"

    def channel(self, delta: int, status: int, *data: int) -> "Track":
        self.data += var_number(delta) + bytes([status, *data])
        return self

    def running(self, delta: int, *data: int) -> "Track":
        self.data += var_number(delta) + bytes(data)
        return self

    def meta(self, delta: int, kind: int, data: bytes, length_byte: Optional[int] = None) -> "Track":
        length = len(data) if length_byte is None else length_byte
        self.data += var_number(delta) + bytes([0xFF, kind, length]) + data
        return self

    def text(self, delta: int, text: bytes) -> "Track":
        return self.meta(delta, 0x01, text)

    def tempo(self, delta: int, microseconds_per_quarter: int) -> "Track":
        return self.meta(delta, 0x51, microseconds_per_quarter.to_bytes(3, "big"))

    def time_signature(self, delta: int, numerator: int, denominator_power: int) -> "Track":
        return self.meta(delta, 0x58, bytes([numerator, denominator_power, 24, 8]))

    def sysex(self, delta: int, data: bytes) -> "Track":
        self.data += var_number(delta) + b"\xF0" + var_number(len(data)) + data
        return self

    def end_of_track(self, delta: int = 0) -> "Track":
        return self.meta(delta, 0x2F, b"")

    def raw(self, data: bytes) -> "Track":
        self.data += data
        return self

    def declared_length(self, length: int) -> "Track":
        self.length = length
        return self

    def with_magic(self, magic: bytes) -> "Track":
        self.magic = magic
        return self

    def chunk(self) -> bytes:
        length = len(self.data) if self.length is None else self.length
        return self.magic + length.to_bytes(4, "big") + bytes(self.data)


@dataclass
class Header:
    format: int = 1
    tracks: Optional[int] = None  # default: the number of tracks written
    division: int = 480
    extra: bytes = b""  # header bytes after the division word
    length: Optional[int] = None  # default: 6 + len(extra)
    magic: bytes = b"MThd"

    def chunk(self, track_count: int) -> bytes:
        length = 6 + len(self.extra) if self.length is None else self.length
        tracks = track_count if self.tracks is None else self.tracks
        return (self.magic + length.to_bytes(4, "big") + self.format.to_bytes(2, "big")
                + tracks.to_bytes(2, "big") + self.division.to_bytes(2, "big") + self.extra)


def smf(header: Header, tracks: Sequence[Track]) -> bytes:
    return header.chunk(len(tracks)) + b"".join(track.chunk() for track in tracks)


def dm_frames(text: bytes, payload_size: int = 64) -> List[bytes]:
    """The DM frames of a text: b"DM:%04d:" and at most payload_size bytes each."""
    return [b"DM:%04d:" % number + text[at:at + payload_size]
            for number, at in enumerate(range(0, len(text), payload_size))]


def dm_track(text: bytes, payload_size: int = 64, order: Sequence[int] = ()) -> Track:
    """A voice track carrying text as DM frames, in the order of the frame
    numbers given (none: in number order), ended by End of Track."""
    frames = dm_frames(text, payload_size)
    track = Track()
    for number in order or range(len(frames)):
        track.text(0, frames[number])
    return track.end_of_track()


def master() -> Track:
    """120 BPM and 4/4 at tick 0."""
    return Track().tempo(0, 500000).time_signature(0, 4, 2).end_of_track()


def vsq_file(voice_texts: Sequence[bytes], division: int = 480, payload_size: int = 64) -> bytes:
    return smf(Header(division=division), [master()] + [dm_track(text, payload_size) for text in voice_texts])


@dataclass
class Case:
    """An input and what the tool makes of it: a name, the bytes, and the
    Python class of its failure (None: valid)."""

    name: str
    data: bytes
    kind: Optional[str] = None
