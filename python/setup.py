"""Builds trillo's extension module with the project's own CMake build.

The module's sources, and the libraries it links, are listed once: in the
CMake files (python/CMakeLists.txt and each library's folder).  Here CMake is
configured on the whole project with -DTRILLO_PYTHON_MODULE=ON, in setuptools'
build folder, and only the module's target is built; the compiler comes from
CXX and CXXFLAGS as for any CMake build, and CMAKE_BUILD_PARALLEL_LEVEL sets
the parallel jobs, and TRILLO_CMAKE_ARGS adds arguments to the configuration
(say "-G Ninja -DTRILLO_WERROR=ON").  The package is built from a clone of the project: it needs
the folders beside python/.
"""

import os
import re
import shlex
import subprocess
import sys
import sysconfig
from pathlib import Path

import pybind11
from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

PROJECT = Path(__file__).resolve().parent.parent


def project_version() -> str:
    """The version in the project's CMakeLists.txt: one number for the tool and the package."""
    found = re.search(r"project\(trillo VERSION ([0-9.]+)", (PROJECT / "CMakeLists.txt").read_text())
    if found is None:
        raise RuntimeError(f"no project version in {PROJECT / 'CMakeLists.txt'}")
    return found.group(1)


class CMakeExtension(Extension):
    """An extension that CMake builds: setuptools compiles no source of it."""

    def __init__(self, name: str) -> None:
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    def build_extension(self, ext: Extension) -> None:
        target = Path(self.get_ext_fullpath(ext.name)).resolve()
        build = Path(self.build_temp).resolve() / "cmake"
        configure = [
            "cmake", "-S", str(PROJECT), "-B", str(build),
            "-DCMAKE_BUILD_TYPE=Release",
            "-DTRILLO_BUILD_TESTS=OFF",
            "-DTRILLO_PYTHON_MODULE=ON",
            f"-DPython_EXECUTABLE={sys.executable}",
            f"-Dpybind11_DIR={pybind11.get_cmake_dir()}",
            f"-DTRILLO_PYTHON_MODULE_DIR={target.parent}",
            f"-DTRILLO_PYTHON_MODULE_SUFFIX={sysconfig.get_config_var('EXT_SUFFIX')}",
            *shlex.split(os.environ.get("TRILLO_CMAKE_ARGS", "")),
        ]
        subprocess.run(configure, check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "_trillo"], check=True)
        if not target.exists():
            raise RuntimeError(f"the CMake build did not make {target}")


setup(
    version=project_version(),
    packages=["trillo"],
    package_data={"trillo": ["py.typed", "*.pyi"]},
    ext_modules=[CMakeExtension("trillo._trillo")],
    cmdclass={"build_ext": CMakeBuild},
)
