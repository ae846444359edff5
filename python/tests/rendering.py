"""The dump's text made again from a trillo.Sequence, as the tests' own model
of the format (README, "The dump")."""

from typing import Any

import trillo


def render(sequence: trillo.Sequence[Any]) -> bytes:
    """The dump of a whole file with this content."""
    lines = [b"[Master]", b"NumVoices=%d" % sequence.voices, b"Division=%d" % sequence.division, b"[TempoMap]"]
    for event in sequence.tempo_map:
        if isinstance(event, trillo.Tempo):
            lines.append(b"%d=Tempo:%.2f" % (event.tick, event.bpm))
        else:
            assert isinstance(event, trillo.TimeSignature)
            lines.append(b"%d=Time:%d/%d:24:8" % (event.tick, event.numerator, event.denominator))
    for number, track in enumerate(sequence.tracks, 1):
        lines.append(b"")
        lines.append(b"[Track%02d]" % number)
        for section in track.sections:
            lines.append(b"[" + section.name + b"]")
            lines.extend(key + b"=" + value for key, value in section.fields)
    if not sequence.tracks:
        lines.append(b"")
    return b"\n".join(lines) + b"\n"


def agrees_with_partial_dump(sequence: trillo.Sequence[Any], dump: bytes) -> bool:
    """Whether what a failed read kept agrees line for line with what the dump
    wrote before the same failure.  The dump writes some lines a step later
    or earlier than the objects show them: the master lines when the master
    track begins (not with the header), and a blank line at the end of the
    tempo map and of each track (not when the next begins)."""
    if dump == b"":
        return not sequence.tempo_map and not sequence.tracks
    return dump.rstrip(b"\n") == render(sequence).rstrip(b"\n")
