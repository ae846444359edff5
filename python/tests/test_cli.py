"""python3 -m trillo FILE against the tool: the same standard output, error
line and exit status (for a shared case, as its files say)."""

import os
import subprocess
import sys
from typing import Any, Dict

import pytest

from cases import broken, examples, generated, outcome_of, path_of
from conftest import Tool


@pytest.fixture(scope="module")
def module(inputs_folder) -> Tool:
    return Tool([sys.executable, "-m", "trillo"], inputs_folder)


def name(case):
    return case.name


@pytest.mark.parametrize("case", examples() + generated()[:5] + broken(), ids=name)
def test_same_run(tool, module, case):
    assert module.run(path_of(tool, case)) == outcome_of(tool, case)


@pytest.mark.parametrize("args", [[], ["a", "b"], ["", ""]], ids=len)
def test_wrong_argument_count(tool, module, args):
    expected = tool.run(*args)
    assert expected.err == b"usage: trillo <file>\n"
    assert module.run(*args) == expected


def test_files_that_cannot_be_read(tool, module, tmp_path):
    for path in [tmp_path / "missing.vsq", tmp_path]:
        assert module.run(path) == tool.run(path)


def run_with(command, path, **streams):
    """Runs a command line on a file with the standard streams given; the
    ones not given are captured.  Returns (stdout, stderr, status), with None
    for a stream not captured."""
    options: Dict[str, Any] = {"stdout": subprocess.PIPE, "stderr": subprocess.PIPE, **streams}
    done = subprocess.run(command.command + [str(path)], **options)
    return done.stdout, done.stderr, done.returncode


def close_stdout():
    os.close(1)


def test_output_that_cannot_be_written(tool, module):
    for case in examples() + broken()[:3]:
        path = path_of(tool, case)
        with open("/dev/full", "wb") as full:
            runs = [run_with(command, path, stdout=full) for command in (tool, module)]
        assert runs[0] == runs[1], case.name
        runs = [run_with(command, path, preexec_fn=close_stdout) for command in (tool, module)]
        assert runs[0] == runs[1], case.name


def test_standard_error_that_cannot_be_written(tool, module):
    for case in examples()[:1] + broken()[:2]:
        path = path_of(tool, case)
        with open("/dev/full", "wb") as full:
            runs = [run_with(command, path, stderr=full) for command in (tool, module)]
        assert runs[0] == runs[1], case.name


def test_a_closed_pipe_ends_both_alike(tool, module):
    path = path_of(tool, examples()[0])
    runs = []
    for command in (tool, module):
        read_end, write_end = os.pipe()
        os.close(read_end)  # before the child starts: its first write finds no reader
        runs.append(run_with(command, path, stdout=write_end))
        os.close(write_end)
    assert runs[0] == runs[1]


def test_help_and_version(tool, module):
    for option in ["--help", "--version"]:
        expected = tool.run(option)
        assert expected.status == 0 and expected.out, option
        assert module.run(option) == expected, option


def test_standard_input(tool, module):
    for case in examples() + broken()[:3]:
        path = path_of(tool, case)
        runs = []
        for command in (tool, module):
            with open(path, "rb") as stdin:
                runs.append(run_with(command, "-", stdin=stdin))
        assert runs[0] == runs[1], case.name
    runs = [run_with(command, "-", stdin=subprocess.DEVNULL) for command in (tool, module)]
    assert runs[0] == runs[1]
    assert runs[0][1] == b"Error: Unexpected file end.\n"
