"""The inputs that the tests run through the tool and through the package:
the bundled examples, generated valid files and broken ones, each broken one
with the exception class it must raise."""

import random
from pathlib import Path
from typing import List

from vsqfiles import Case, Header, Track, dm_frames, dm_track, master, smf, var_number, vsq_file

EXAMPLES = Path(__file__).resolve().parents[2] / "examples"


def examples() -> List[Case]:
    return [Case(path.name, path.read_bytes()) for path in sorted(EXAMPLES.glob("*.vsq"))]


def random_text(rng: random.Random, size: int) -> bytes:
    """INI-like text of about size bytes: sections, fields with empty values,
    "=" and "[" in values, bytes above 0x7F, carriage returns, long lines."""
    lines = []
    total = 0
    while total < size:
        if not lines or rng.random() < 0.15:
            line = b"[" + rng.choice([b"Common", b"Note#%04d" % rng.randrange(10000), b"\xe6\xad\x8c", b"a b"]) + b"]"
        else:
            key = rng.choice([b"Name", b"Tick", b"k", b"Dyn\x81", b"%d" % rng.randrange(100000), b" sp "])
            value = rng.choice([b"", b"=", b"a=b=c", b"[x]", b"\xff\xfe", b"v\r", b"x" * rng.randrange(300),
                                b"%d" % rng.randrange(-9999, 9999)])
            line = key + b"=" + value
        lines.append(line)
        total += len(line) + 1
    text = b"\n".join(lines)
    return text + b"\n" if rng.random() < 0.8 else text  # the last line without its newline, now and then


def shuffled_order(rng: random.Random, count: int) -> List[int]:
    """Frame numbers in order, with some neighbours swapped and some moved far."""
    order = list(range(count))
    for i in range(count - 1):
        if rng.random() < 0.2:
            order[i], order[i + 1] = order[i + 1], order[i]
    if count > 3 and rng.random() < 0.5:
        order.append(order.pop(0))  # frame 0 comes last: everything waits for it
    return order


def generated_master(rng: random.Random) -> Track:
    track = Track().meta(0, 0x03, b"Master Track")
    for _ in range(rng.randrange(0, 8)):
        delta = rng.choice([0, 1, 480, 0x0FFFFFFF])
        if rng.random() < 0.5:
            track.tempo(delta, rng.choice([0, 1, 500000, 461538, 0xFFFFFF, rng.randrange(1, 0x1000000)]))
        else:
            track.time_signature(delta, rng.randrange(256), rng.randrange(40))
        if rng.random() < 0.3:
            track.meta(0, 0x51, b"\x07", length_byte=1)  # too short to be a tempo: ignored
    return track.end_of_track()


def generated_voice(rng: random.Random) -> Track:
    text = random_text(rng, rng.choice([10, 200, 3000, 20000]))
    payload = rng.choice([1, 7, 64, 200, 255 - 8])
    frames = dm_frames(text, payload)
    track = Track().meta(0, 0x03, b"Voice")
    status_sent = False
    for number in shuffled_order(rng, len(frames)):
        track.text(rng.choice([0, 5]), frames[number])
        choice = rng.random()
        if choice < 0.1:
            track.channel(10, 0x90, 60, 64)
            status_sent = True
        elif choice < 0.2 and status_sent:
            track.running(10, 60, 0)
        elif choice < 0.25:
            track.sysex(0, b"\x43\x10" * rng.randrange(50))
        elif choice < 0.3:
            track.text(0, b"not a frame")
    return track.end_of_track()


def generated_valid(count: int = 40) -> List[Case]:
    cases = []
    for seed in range(count):
        rng = random.Random(seed)
        voices = [generated_voice(rng) for _ in range(rng.choice([1, 1, 2, 3, 16]))]
        header = Header(division=rng.choice([0, 1, 480, 0x7FFF]), extra=b"\x00" * rng.choice([0, 0, 3]))
        cases.append(Case(f"generated-{seed}", smf(header, [generated_master(rng)] + voices)))
    return cases


def one_voice(voice: Track, header: Header = None) -> bytes:
    return smf(header or Header(), [master(), voice])


def file_of_blocks(blocks: int) -> bytes:
    """A valid file whose size is a whole number of 1024-byte blocks."""
    for pad in range(blocks * 1024):
        data = one_voice(dm_track(b"[S]\nk=" + b"v" * pad + b"\n"))
        if len(data) == blocks * 1024:
            return data
    raise AssertionError("no such size")


def valid() -> List[Case]:
    return examples() + generated_valid() + [
        Case(f"{blocks} whole blocks", file_of_blocks(blocks)) for blocks in (1, 2, 5)
    ] + [
        Case("infinite tempo", smf(Header(), [Track().tempo(0, 0).tempo(480, 500000).end_of_track(),
                                             dm_track(b"[S]\nk=v\n")])),
        Case("a value across many frames", vsq_file([b"[S]\nk=" + b"0123456789" * 2000 + b"\n"], payload_size=3)),
        Case("a dump three times as large as its file", dump_larger_than_file()),
    ]


def dump_larger_than_file() -> bytes:
    """Tempo events of 8 bytes that print as lines of about 26."""
    master_track = Track()
    for _ in range(30000):
        master_track.tempo(0x0FFFFFF, 1)
    return smf(Header(), [master_track.end_of_track(), dm_track(b"[S]\nk=v\n")])


def large_cuts() -> List[Case]:
    """Large files cut short, so that the part before the failure spans many
    of the dump's blocks."""
    cases = []
    for case in generated_valid()[5:7] + [Case("big dump", dump_larger_than_file())]:
        for fraction in (0.3, 0.7, 0.999):
            cases.append(Case(f"{case.name} cut at {fraction}", case.data[:int(len(case.data) * fraction)]))
    return cases


def broken() -> List[Case]:
    full = one_voice(dm_track(b"[S]\nk=v\n"))
    overrun = dm_track(b"[S]\nk=v\n").raw(b"\x00\x90\x3C\x40")
    overrun.declared_length(len(overrun.data) - 1)  # the note's last byte is outside
    return [
        Case("empty file", b"", "UnexpectedFileEnd"),
        Case("bad magic", one_voice(dm_track(b"[S]\n"), Header(magic=b"RIFF")), "IllegalMagic"),
        Case("bad track magic", one_voice(dm_track(b"[S]\n").with_magic(b"MTrK")), "IllegalMagic"),
        Case("short header", one_voice(dm_track(b"[S]\n"), Header(length=5)), "TooShortHeader"),
        Case("format 0", one_voice(dm_track(b"[S]\n"), Header(format=0)), "IllegalSMFFormat"),
        Case("format 2", one_voice(dm_track(b"[S]\n"), Header(format=2)), "IllegalSMFFormat"),
        Case("one track", one_voice(dm_track(b"[S]\n"), Header(tracks=1)), "TooFewTracks"),
        Case("SMPTE division", one_voice(dm_track(b"[S]\n"), Header(division=0xE728)), "DivisionNotSupported"),
        Case("cut inside the header", full[:10], "UnexpectedFileEnd"),
        Case("cut inside the master track", full[:30], "UnexpectedFileEnd"),
        Case("cut inside a voice track's chunk header", full[:-28], "UnexpectedFileEnd"),
        Case("cut inside a voice track's text", full[:-6], "UnexpectedFileEnd"),
        Case("cut after a voice track's text", full[:-3], "UnexpectedFileEnd"),
        Case("chunk overrun", one_voice(overrun), "ChunkOverrun"),
        Case("no status for running status", one_voice(dm_track(b"[S]\n").raw(b"\x00\x3C\x40")),
             "IllegalRunningStatus"),
        Case("a system message", one_voice(dm_track(b"[S]\n").raw(b"\x00\xF2\x00\x00")), "IllegalSystemMessage"),
        Case("an over-long number", one_voice(dm_track(b"[S]\n").raw(b"\x80\x80\x80\x80\x00\xFF\x2F\x00")),
             "TooLongVarInteger"),
        Case("a duplicated frame", one_voice(Track().text(0, b"DM:0:[S]\n").text(0, b"DM:1:a=1\n")
                                             .text(0, b"DM:1:b=2\n")), "DuplicatedDMFrame"),
        Case("a negative frame", one_voice(Track().text(0, b"DM:0:[S]\n").text(0, b"DM:-1:a=1\n")),
             "DuplicatedDMFrame"),
        Case("a missing frame", one_voice(Track().text(0, b"DM:0:[S]\n").text(0, b"DM:2:b=2\n")), "LackedDMFrame"),
        Case("a malformed section", one_voice(dm_track(b"[S]\nk=v\n[T\n")), "MalformedSectionName"),
        Case("text after a section name", one_voice(dm_track(b"[S]\nk=v\n[T]x\n")), "MalformedSectionName"),
        Case("a field before a section", one_voice(dm_track(b"k=v\n[S]\n")), "SectionIdentifierLacked"),
        Case("a malformed field", one_voice(dm_track(b"[S]\nk\n")), "MalformedField"),
        Case("an empty key", one_voice(dm_track(b"[S]\na=1\n=v\n")), "MalformedField"),
        Case("a voice track without DM text", one_voice(Track().text(0, b"hello").end_of_track()), "NoText"),
        Case("the second voice without DM text", smf(Header(), [master(), dm_track(b"[S]\nk=v\n"),
                                                                Track().end_of_track()]), "NoText"),
        Case("trailing bytes", full + b"\x00", "TrailingBytes"),
        Case("two files joined", full + full, "TrailingBytes"),
        Case("a byte after whole blocks", file_of_blocks(2) + b"x", "TrailingBytes"),
        Case("whole blocks cut by one byte", file_of_blocks(2)[:-1], "UnexpectedFileEnd"),
        Case("a huge announced system exclusive", one_voice(dm_track(b"[S]\n").raw(b"\x00\xF0\xFF\xFF\xFF\x7F\x01")),
             "ChunkOverrun"),
        Case("a delta time of 4 bytes, then 5", one_voice(Track().raw(var_number(0x0FFFFFFF) + b"\xFF\x01\x06DM:0:x")
                                                          .raw(b"\xFF\xFF\xFF\xFF\x7F")), "TooLongVarInteger"),
    ]


# The tool's message for each class: several classes share one.
MESSAGES = {
    "UnexpectedFileEnd": "Unexpected file end.",
    "IllegalMagic": "Illegal SMF magic.",
    "TooShortHeader": "Too short SMF header.",
    "ChunkOverrun": "SMF data error - track chunk overrun.",
    "IllegalRunningStatus": "SMF data error - illegal running status.",
    "IllegalSystemMessage": "SMF data error - raw system message is disallowed.",
    "TooLongVarInteger": "SMF data error - variable length integer overflow.",
    "IllegalSMFFormat": "Illegal SMF Format (Format 1 required).",
    "TooFewTracks": "Too few number of tracks.",
    "DivisionNotSupported": "SMPTE style division is not supported.",
    "LackedDMFrame": "Some DM frames lacked.",
    "DuplicatedDMFrame": "Some DM frames lacked.",
    "MalformedSectionName": "exception caught.",
    "SectionIdentifierLacked": "exception caught.",
    "MalformedField": "exception caught.",
    "NoText": "No DM frames - SMF, but not VSQ.",
    "TrailingBytes": "There are needless trailing bytes.",
    "CannotOpenFile": "cannot open file.",
    "CannotReadFile": "cannot read file.",
    "CannotWriteFile": "cannot write file.",
}


def mutants(count: int = 300) -> List[Case]:
    """song.vsq with one to three bytes changed, dropped or added: inputs whose
    outcome nobody chose, for the package to agree with the tool on."""
    song = (EXAMPLES / "song.vsq").read_bytes()
    rng = random.Random(7)
    cases = []
    for number in range(count):
        data = bytearray(song)
        for _ in range(rng.randrange(1, 4)):
            at = rng.randrange(len(data))
            action = rng.random()
            if action < 0.6:
                data[at] = rng.choice([0x00, 0x0A, 0x3D, 0x5B, 0x5D, 0x7F, 0x80, 0xF2, 0xFF, rng.randrange(256)])
            elif action < 0.8:
                del data[at]
            else:
                data.insert(at, rng.randrange(256))
        cases.append(Case(f"mutant-{number}", bytes(data)))
    return cases


def prefixes() -> List[Case]:
    """Every proper prefix of song.vsq."""
    song = (EXAMPLES / "song.vsq").read_bytes()
    return [Case(f"song.vsq[:{length}]", song[:length]) for length in range(len(song))]
