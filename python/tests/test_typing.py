"""The package's types: mypy --strict accepts the package, a program using it
(typing_usage.py), the tests' use of it and docs/python.md's scripts, and the
extension module's stub matches the module."""

import re
import subprocess
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
PAGE = HERE.parents[1] / "docs" / "python.md"


def mypy(*args, cwd):
    done = subprocess.run([sys.executable, "-m", *args], capture_output=True, text=True, cwd=cwd)
    assert done.returncode == 0, done.stdout + done.stderr


def test_the_package_and_a_program_using_it(tmp_path):
    cache = str(tmp_path / "cache")
    mypy("mypy", "--strict", "--cache-dir", cache, "-p", "trillo", cwd=tmp_path)
    mypy("mypy", "--strict", "--cache-dir", cache, str(HERE / "typing_usage.py"), cwd=tmp_path)


def test_the_tests_use_of_the_package(tmp_path):
    """Every call into trillo in the tests is checked against its types (the
    test functions themselves need no annotations; their bodies are checked)."""
    mypy("mypy", "--strict", "--allow-untyped-defs", "--allow-incomplete-defs", "--allow-untyped-calls",
         "--cache-dir", str(tmp_path / "cache"), *sorted(str(path) for path in HERE.glob("*.py")), cwd=HERE)


def test_the_docs_scripts(tmp_path):
    scripts = re.findall(r"<!-- ([^:]+): the script -->\n```python\n(.*?)```", PAGE.read_text(), re.S)
    assert len(scripts) >= 5
    for name, script in scripts:
        path = tmp_path / (name.replace(" ", "_") + "_example.py")
        path.write_text(script)
        # distributed's functions carry no types of their own.
        untyped_calls = ["--allow-untyped-calls"] if "distributed" in script else []
        mypy("mypy", "--strict", *untyped_calls, "--cache-dir", str(tmp_path / "cache"), str(path), cwd=tmp_path)


def test_the_extension_modules_stub(tmp_path):
    mypy("mypy.stubtest", "trillo._trillo", cwd=tmp_path)
