"""The exceptions of trillo.read, trillo.dump and trillo.write.

Every failure is a trillo.Error.  Its str() is the message of the trillo
tool's error line, without "Error: " and the newline, and its ``partial``
attribute holds what was made before the failure.  There is one class per kind
of failure, named after the reader's own exception classes; several kinds share
a message, as they do in the tool ("Some DM frames lacked.", "exception
caught.").  trillo.write raises CannotWrite for a Sequence that no VSQ file
holds.
"""

from typing import Any

__all__ = [
    "Error",
    "DataError",
    "IllegalFormat",
    "UnexpectedFileEnd",
    "IllegalMagic",
    "TooShortHeader",
    "ChunkOverrun",
    "IllegalRunningStatus",
    "IllegalSystemMessage",
    "TooLongVarInteger",
    "IllegalSMFFormat",
    "TooFewTracks",
    "DivisionNotSupported",
    "LackedDMFrame",
    "DuplicatedDMFrame",
    "MalformedSectionName",
    "SectionIdentifierLacked",
    "MalformedField",
    "NoText",
    "TrailingBytes",
    "CannotOpenFile",
    "CannotReadFile",
    "CannotWriteFile",
    "OutOfMemory",
    "CannotWrite",
]


class Error(Exception):
    """A failure of trillo.read, trillo.dump or trillo.write.

    str(error) is the tool's message, for example "Unexpected file end.".
    error.partial is what was made before the failure: for trillo.dump the
    bytes that the tool writes to standard output before its error line, for
    trillo.read the Sequence as far as it got.  Raised as this class itself
    only for a failure of no known kind ("exception caught.").
    """

    partial: Any = None


class DataError(Error):
    """The input is not a valid VSQ file."""


class IllegalFormat(DataError):
    """The Standard MIDI File's own structure is broken."""


class UnexpectedFileEnd(IllegalFormat):
    """"Unexpected file end.": the input ends before its last announced track does."""


class IllegalMagic(IllegalFormat):
    """"Illegal SMF magic.": the input does not start with MThd, or a later chunk is not MTrk."""


class TooShortHeader(IllegalFormat):
    """"Too short SMF header.": the header chunk is shorter than 6 bytes."""


class ChunkOverrun(IllegalFormat):
    """"SMF data error - track chunk overrun.": an event reaches beyond its track chunk."""


class IllegalRunningStatus(IllegalFormat):
    """"SMF data error - illegal running status.": a data byte where a status byte is needed."""


class IllegalSystemMessage(IllegalFormat):
    """"SMF data error - raw system message is disallowed.": a system common or real-time message."""


class TooLongVarInteger(IllegalFormat):
    """"SMF data error - variable length integer overflow.": a number longer than 4 bytes."""


class IllegalSMFFormat(DataError):
    """"Illegal SMF Format (Format 1 required).": the file is of format 0 or 2."""


class TooFewTracks(DataError):
    """"Too few number of tracks.": no voice track besides the master track."""


class DivisionNotSupported(DataError):
    """"SMPTE style division is not supported.": the division is an SMPTE time code."""


class LackedDMFrame(DataError):
    """"Some DM frames lacked.": a voice track ended while a DM frame number was missing."""


class DuplicatedDMFrame(DataError):
    """"Some DM frames lacked.": a DM frame number came twice, or was negative."""


class MalformedSectionName(DataError):
    """"exception caught.": a line starts with "[" but is not "[name]"."""


class SectionIdentifierLacked(DataError):
    """"exception caught.": a field line comes before the track's first section line."""


class MalformedField(DataError):
    """"exception caught.": a field line with nothing before its first "="."""


class NoText(DataError):
    """"No DM frames - SMF, but not VSQ.": a voice track has no section."""


class TrailingBytes(DataError):
    """"There are needless trailing bytes.": bytes follow the last announced track.

    Everything before them was read: partial is the whole dump, or the whole
    Sequence.
    """


class CannotOpenFile(Error, OSError):
    """"cannot open file.": the path cannot be opened."""


class CannotReadFile(Error, OSError):
    """"cannot read file.": reading failed (a folder, an I/O error).

    When a file object's read() raised an OSError, that error is the
    __cause__.
    """


class CannotWriteFile(Error, OSError):
    """"cannot write file.": the dump's output cannot be written."""


class OutOfMemory(Error, MemoryError):
    """"exception caught.": memory ran out."""


class CannotWrite(Error, ValueError):
    """trillo.write was given a Sequence that no VSQ file holds, or that would
    not read back the same.

    str(error) is where the fault lies in the Sequence and what is wrong, for
    example 'tracks[0].sections[2].fields[1]: a key must not contain "="' or
    "division: the division must be 0 to 32767".
    error.where is the first part ("division", "voices", "tempo_map[3]",
    "tracks[0].sections[2].name", ...); error.kind names the problem:
    "DivisionOutOfRange", "VoicesMismatch", "NoVoice", "TooManyVoices",
    "TickOutOfRange", "TempoOutOfRange", "NumeratorOutOfRange",
    "DenominatorNotPowerOfTwo",
    "EmptyText" (a track without sections), "MalformedSection" (an empty name,
    or one with "]"), "MalformedField" (an empty key, one with "=", or one
    that begins with "["),
    "NewlineInText", "ZeroByte", "TrackTooLong" or "TempoMapTooLong".
    error.partial is None: nothing was written.
    """

    kind: str = ""
    where: str = ""
