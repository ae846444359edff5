"""The package's types: mypy --strict accepts the package and a program
using it (typing_usage.py), and the extension module's stub matches the module."""

import subprocess
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent


def mypy(*args, cwd):
    done = subprocess.run([sys.executable, "-m", *args], capture_output=True, text=True, cwd=cwd)
    assert done.returncode == 0, done.stdout + done.stderr


def test_the_package_and_a_program_using_it(tmp_path):
    cache = str(tmp_path / "cache")
    mypy("mypy", "--strict", "--cache-dir", cache, "-p", "trillo", cwd=tmp_path)
    mypy("mypy", "--strict", "--cache-dir", cache, str(HERE / "typing_usage.py"), cwd=tmp_path)


def test_the_extension_modules_stub(tmp_path):
    mypy("mypy.stubtest", "trillo._trillo", cwd=tmp_path)
