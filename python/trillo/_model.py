"""The objects that trillo.read returns and trillo.write takes: plain
classes, also made (or changed) by hand.

Names, keys and values are bytes as stored in the file, or str when read was
given an encoding.  The classes compare by value and print as their
constructor calls.
"""

from dataclasses import dataclass, field
from typing import Generic, Iterator, List, Tuple, TypeVar, Union

__all__ = ["Tempo", "TimeSignature", "TempoMapEvent", "Section", "Track", "Sequence"]

T = TypeVar("T", bytes, str)


@dataclass(slots=True)
class Tempo:
    """A tempo event of the master track: Tempo(tick, bpm).

    tick: the event's position in ticks from the track's start.
    bpm: quarter notes per minute, 60000000 / microseconds per quarter note
        (inf for 0).  The dump prints it with two decimals: "0=Tempo:120.00".
        trillo.write stores the 24-bit microseconds that print the same.
    """

    tick: int
    bpm: float


@dataclass(slots=True)
class TimeSignature:
    """A time-signature event of the master track: TimeSignature(tick, numerator, denominator).

    tick: the event's position in ticks from the track's start.
    numerator: beats per bar.
    denominator: the beat's note value as the power of two itself (4 for a
        quarter).  The dump prints "0=Time:3/4:24:8".
    """

    tick: int
    numerator: int
    denominator: int


TempoMapEvent = Union[Tempo, TimeSignature]


@dataclass(slots=True)
class Section(Generic[T]):
    """A section of a voice track's text: Section(name, fields).

    name: the text between "[" and "]" of its section line.
    fields: its "key=value" lines as (key, value) pairs, in file order,
        duplicates kept.  The key is what comes before the line's first "="
        (never empty); the value is the rest, which may be empty and may hold
        "=".
    """

    name: T
    fields: List[Tuple[T, T]] = field(default_factory=list)


@dataclass(slots=True)
class Track(Generic[T]):
    """A voice track: Track(sections), its sections in file order.

    The dump heads it "[Track01]", "[Track02]", ... by its place in
    Sequence.tracks.
    """

    sections: List[Section[T]] = field(default_factory=list)


@dataclass(slots=True)
class Sequence(Generic[T]):
    """A whole VSQ file: Sequence(voices, division, tempo_map, tracks).

    voices: the number of voice tracks that the file's header announces (the
        track chunks after the master track); len(tracks) for a whole file,
        and for one that trillo.write is to write.
    division: ticks per quarter note.
    tempo_map: the master track's Tempo and TimeSignature events, in file order.
    tracks: the voice tracks, in file order.

    Made by hand, for trillo.write:

        Sequence(voices=1, division=480,
                 tempo_map=[Tempo(0, 120.0), TimeSignature(0, 4, 4)],
                 tracks=[Track([Section(b"Common", [(b"Name", b"lead")])])])

    A Sequence that a failure cut short (an Error's partial) holds what was read
    before it: voices and division are 0 when the header was not read, and the
    last track and its last section may be incomplete.
    """

    voices: int
    division: int
    tempo_map: List[TempoMapEvent] = field(default_factory=list)
    tracks: List[Track[T]] = field(default_factory=list)

    def rows(self) -> Iterator[Tuple[int, int, T, T, T]]:
        """Every field of every track, flat and in file order:
        (track, section_index, section, key, value), track and section_index
        counted from 0 (tracks[track].sections[section_index]), section the
        section's name.  A section without fields gives no row.

            >>> for track, _, section, key, value in song.rows():
            ...     print(track, section, key, value)
        """
        for number, track in enumerate(self.tracks):
            for index, section in enumerate(track.sections):
                name = section.name
                for key, value in section.fields:
                    yield number, index, name, key, value
