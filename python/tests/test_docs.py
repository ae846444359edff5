"""docs/python.md's worked examples print what the page says they print."""

import re
import shutil
import subprocess
import sys
from pathlib import Path

PROJECT = Path(__file__).resolve().parents[2]


def block_after(page: str, marker: str) -> str:
    """The fenced block that follows the marker comment."""
    found = re.search(re.escape(f"<!-- {marker} -->") + r"\n```\w*\n(.*?)```", page, re.S)
    assert found, marker
    return found.group(1)


def test_the_worked_example(tmp_path):
    page = (PROJECT / "docs" / "python.md").read_text()
    script = tmp_path / "summary.py"
    script.write_text(block_after(page, "worked example: the script"))
    done = subprocess.run([sys.executable, str(script), str(PROJECT / "examples" / "song.vsq")],
                          capture_output=True, text=True, check=True)
    assert done.stdout == block_after(page, "worked example: its output for examples/song.vsq")


def test_the_edit_and_write_back_example(tmp_path):
    page = (PROJECT / "docs" / "python.md").read_text()
    script = tmp_path / "edit.py"
    script.write_text(block_after(page, "edit and write back: the script"))
    song = tmp_path / "song.vsq"
    shutil.copy(PROJECT / "examples" / "song.vsq", song)
    done = subprocess.run([sys.executable, str(script), str(song)], capture_output=True, text=True, check=True)
    assert done.stdout == block_after(page, "edit and write back: its output for a copy of examples/song.vsq")
    assert song.read_bytes() != (PROJECT / "examples" / "song.vsq").read_bytes()


def test_the_data_work_example(tmp_path):
    page = (PROJECT / "docs" / "python.md").read_text()
    script = tmp_path / "data.py"
    script.write_text(block_after(page, "data work: the script"))
    done = subprocess.run([sys.executable, str(script), str(PROJECT / "examples" / "two-voices.vsq")],
                          capture_output=True, text=True, check=True)
    assert done.stdout == block_after(page, "data work: its output for examples/two-voices.vsq")
