"""What every test module shares: the trillo tool to compare with.

The tool's path comes from TRILLO_BIN (the CTest test sets it to the build's
trillo).  Without it every test that needs the tool fails: none is skipped.
The shared cases, with what the tool does with each, come from the folder
that TRILLO_CASES names (see cases.py).
"""

import hashlib
import os
import subprocess
import tempfile
from dataclasses import dataclass
from pathlib import Path
from typing import Dict, Optional

import pytest


@dataclass(frozen=True)
class Outcome:
    """What a run of the tool (or of python3 -m trillo) did."""

    out: bytes
    err: bytes
    status: int

    @property
    def message(self) -> Optional[str]:
        """The error line without "Error: " and the newline, or None."""
        if not self.err:
            return None
        assert self.err.startswith(b"Error: ") and self.err.endswith(b"\n"), self.err
        return self.err[len(b"Error: "):-1].decode()


class Tool:
    """Runs a command line on files that it writes, remembering each input's outcome."""

    def __init__(self, command, folder: Path) -> None:
        self.command = list(command)
        self.folder = folder
        self.outcomes: Dict[bytes, Outcome] = {}

    def file(self, data: bytes) -> Path:
        path = self.folder / f"{hashlib.sha256(data).hexdigest()}.vsq"
        if not path.exists():
            path.write_bytes(data)
        return path

    def run(self, *args, **options) -> Outcome:
        done = subprocess.run(self.command + [str(arg) for arg in args], capture_output=True, **options)
        return Outcome(done.stdout, done.stderr, done.returncode)

    def on(self, data: bytes) -> Outcome:
        if data not in self.outcomes:
            self.outcomes[data] = self.run(self.file(data))
        return self.outcomes[data]


@pytest.fixture(scope="session")
def inputs_folder():
    with tempfile.TemporaryDirectory(prefix="trillo-pytest-") as folder:
        yield Path(folder)


@pytest.fixture(scope="session")
def tool(inputs_folder) -> Tool:
    binary = os.environ.get("TRILLO_BIN")
    if not binary:
        pytest.fail("TRILLO_BIN must name the trillo binary to compare with", pytrace=False)
    if not os.access(binary, os.X_OK):
        pytest.fail(f"TRILLO_BIN={binary} is not an executable", pytrace=False)
    return Tool([binary], inputs_folder)
