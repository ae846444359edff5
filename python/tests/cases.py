"""The inputs that the tests run through the tool and through the package.

Most are the shared cases that the build writes (tests/support/make_cases.cpp)
into the folder that TRILLO_CASES names: for each, the file and what the tool
prints for it, which a C++ test checks against the tool itself.  Without the
folder every test module that reads cases fails to load: none is skipped.
Beside them, the bundled examples and files changed here at random, whose
outcome the tests ask the tool for."""

import json
import os
import random
from dataclasses import dataclass
from functools import lru_cache
from pathlib import Path
from typing import Dict, List, Optional

from conftest import Outcome

EXAMPLES = Path(__file__).resolve().parents[2] / "examples"


def _folder() -> Path:
    folder = os.environ.get("TRILLO_CASES")
    if not folder:
        raise RuntimeError("TRILLO_CASES must name the folder of shared cases that the build writes "
                           "(the CTest test python_package sets it)")
    if not (Path(folder) / "cases.json").is_file():
        raise RuntimeError(f"TRILLO_CASES={folder} holds no cases.json: build the project first")
    return Path(folder)


FOLDER = _folder()
INDEX = json.loads((FOLDER / "cases.json").read_text())

# The tool's message for each exception class, by the class's name: several
# classes share one.
MESSAGES: Dict[str, str] = INDEX["messages"]


@dataclass
class Case:
    """An input and what the tool makes of it: a name, the bytes, the Python
    class of its failure (None: valid or not known), and, for a shared case,
    its file and the tool's run on it."""

    name: str
    data: bytes
    kind: Optional[str] = None
    path: Optional[Path] = None
    expected: Optional[Outcome] = None


@lru_cache(maxsize=None)
def shared(group: str) -> List[Case]:
    """The shared cases of a group, in the index's order."""
    cases = []
    for entry in INDEX["cases"]:
        if entry["group"] != group:
            continue
        stem = FOLDER / entry["name"]
        expected = Outcome(stem.with_suffix(".stdout").read_bytes(), stem.with_suffix(".stderr").read_bytes(),
                           int(stem.with_suffix(".status").read_text()))
        path = stem.with_suffix(".vsq")
        cases.append(Case(entry["what"], path.read_bytes(), entry.get("kind"), path, expected))
    assert cases, f"no shared cases of the group {group}"
    return cases


def named(group: str, what: str) -> Case:
    """The shared case of that description."""
    found = [case for case in shared(group) if case.name == what]
    assert len(found) == 1, what
    return found[0]


def outcome_of(tool, case: Case) -> Outcome:
    """What the tool does with the case: as the shared files say, or a run."""
    outcome: Outcome = case.expected if case.expected is not None else tool.on(case.data)
    return outcome


def path_of(tool, case: Case) -> Path:
    """A file holding the case's bytes."""
    path: Path = case.path if case.path is not None else tool.file(case.data)
    return path


def examples() -> List[Case]:
    return [Case(path.name, path.read_bytes(), path=path) for path in sorted(EXAMPLES.glob("*.vsq"))]


def generated() -> List[Case]:
    """Valid files of random shapes."""
    return shared("generated")


def valid() -> List[Case]:
    return examples() + generated() + shared("valid")


def broken() -> List[Case]:
    """A file for every error line, each with the class that it raises."""
    return shared("error")


def prefixes() -> List[Case]:
    """Every proper prefix of song.vsq."""
    return shared("cut")


def large_cuts() -> List[Case]:
    """Large files cut short, so that the part before the failure spans many
    of the dump's blocks."""
    cases = []
    for case in generated()[5:7] + [named("valid", "a dump three times as large as its file")]:
        for fraction in (0.3, 0.7, 0.999):
            cases.append(Case(f"{case.name} cut at {fraction}", case.data[:int(len(case.data) * fraction)]))
    return cases


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
