"""Shared fixtures: the repository's data, the shipped languages and the
command-line program the module is checked against."""

import os
import shutil

import pytest

import tovrin

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DATA = os.path.join(ROOT, "data")


@pytest.fixture(scope="session")
def config():
    return tovrin.Config()


@pytest.fixture(scope="session")
def cz(config):
    return config.language("cz")


@pytest.fixture(scope="session")
def en(config):
    return config.language("en")


@pytest.fixture(scope="session")
def sample():
    with open(os.path.join(DATA, "nztexty.tex"), "rb") as f:
        return f.read()


@pytest.fixture(scope="session")
def cli():
    """The tovrin program: $TOVRIN_CLI, else build/tovrin of the repository."""
    path = os.environ.get("TOVRIN_CLI") or os.path.join(ROOT, "build", "tovrin")
    if not shutil.which(path):
        pytest.skip(f"no tovrin program at {path} (set TOVRIN_CLI)")
    return path
