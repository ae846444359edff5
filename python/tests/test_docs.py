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


def run_example(tmp_path, name: str, argument: Path) -> str:
    """Runs the page's script of that name on argument; returns its standard
    output."""
    page = (PROJECT / "docs" / "python.md").read_text()
    script = tmp_path / "example.py"
    script.write_text(block_after(page, f"{name}: the script"))
    done = subprocess.run([sys.executable, str(script), str(argument)], capture_output=True, text=True, check=True)
    return done.stdout


def expected(name: str, what: str) -> str:
    return block_after((PROJECT / "docs" / "python.md").read_text(), f"{name}: its output for {what}")


def test_the_worked_example(tmp_path):
    out = run_example(tmp_path, "worked example", PROJECT / "examples" / "song.vsq")
    assert out == expected("worked example", "examples/song.vsq")


def test_the_edit_and_write_back_example(tmp_path):
    song = tmp_path / "song.vsq"
    shutil.copy(PROJECT / "examples" / "song.vsq", song)
    out = run_example(tmp_path, "edit and write back", song)
    assert out == expected("edit and write back", "a copy of examples/song.vsq")
    assert song.read_bytes() != (PROJECT / "examples" / "song.vsq").read_bytes()


def test_the_data_work_example(tmp_path):
    out = run_example(tmp_path, "data work", PROJECT / "examples" / "two-voices.vsq")
    assert out == expected("data work", "examples/two-voices.vsq")


def corpus(tmp_path: Path) -> Path:
    """The folder of the many-files examples: two examples and a cut copy."""
    folder = tmp_path / "songs"
    folder.mkdir()
    for name in ["song.vsq", "two-voices.vsq"]:
        shutil.copy(PROJECT / "examples" / name, folder / name)
    (folder / "cut.vsq").write_bytes((PROJECT / "examples" / "song.vsq").read_bytes()[:-7])
    return folder


def test_the_many_files_example(tmp_path):
    out = run_example(tmp_path, "many files", corpus(tmp_path))
    assert out == expected("many files", "the folder")


def test_the_dask_example_on_a_local_cluster(tmp_path):
    import distributed  # noqa: F401 (the test fails, never skips, without it)

    out = run_example(tmp_path, "dask", corpus(tmp_path))
    assert out == expected("dask", "the folder")
