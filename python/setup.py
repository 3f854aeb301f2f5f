"""Builds the extension _tovrin with CMake (the option TOVRIN_PYTHON of the
repository's CMakeLists.txt); the shipped bibl.ini is built into it. The
metadata is in pyproject.toml."""

import glob
import os
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def repository_file(*parts):
    path = os.path.join(ROOT, *parts)
    if not os.path.exists(path):
        sys.exit(f"tovrin: {path} is missing: build the package from python/ "
                 "inside a clone of the repository")
    return path


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = os.path.abspath(self.build_temp)
        subprocess.check_call([
            "cmake", "-S", os.path.dirname(repository_file("CMakeLists.txt")), "-B", build,
            "-DCMAKE_BUILD_TYPE=Release", "-DTOVRIN_PYTHON=ON", "-DTOVRIN_TESTS=OFF",
            "-DTOVRIN_TOOLS=OFF", "-DTOVRIN_INSTALL=OFF",
            f"-DPython_EXECUTABLE={sys.executable}"])
        subprocess.check_call(["cmake", "--build", build, "--target", "_tovrin", "-j2"])
        built = glob.glob(os.path.join(build, "python", "tovrin", "_tovrin*.so"))
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy2(built[0], target)


setup(ext_modules=[Extension("tovrin._tovrin", sources=[])],
      cmdclass={"build_ext": CMakeBuild})
