"""Builds and runs the C++ unit programs under tests/cpp against the core
sources (no Python involved), so the engine's own
invariants are checked even where no Python call reaches them."""

import os
import shutil
import subprocess
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parent.parent
SRC = ROOT / "src"
CORE = SRC / "core"
UNITS = sorted((ROOT / "tests" / "cpp").glob("test_*.cpp"))
CXX = os.environ.get("CXX", "g++")
FLAGS = ["-std=c++20", "-O2", "-Wall", "-Wextra", "-ffp-contract=off", f"-I{SRC}"]

pytestmark = pytest.mark.skipif(shutil.which(CXX) is None or not CORE.is_dir(), reason="needs a C++ compiler and the sources")


def compile_one(src, out):
    r = subprocess.run([CXX, *FLAGS, "-c", str(src), "-o", str(out)], capture_output=True, text=True)
    assert r.returncode == 0, r.stderr
    return out


@pytest.fixture(scope="session")
def core_objects(tmp_path_factory):
    d = tmp_path_factory.mktemp("core")
    sources = sorted(CORE.rglob("*.cpp"))
    with ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        return list(pool.map(lambda s: compile_one(s, d / (s.relative_to(SRC).as_posix().replace("/", "_") + ".o")), sources))


@pytest.mark.parametrize("unit", UNITS, ids=[u.stem for u in UNITS])
def test_unit_program(unit, core_objects, tmp_path):
    exe = tmp_path / unit.stem
    obj = compile_one(unit, tmp_path / (unit.stem + ".o"))
    r = subprocess.run([CXX, str(obj), *map(str, core_objects), "-o", str(exe)], capture_output=True, text=True)
    assert r.returncode == 0, r.stderr
    run = subprocess.run([str(exe)], capture_output=True, text=True, cwd=ROOT, timeout=600)
    assert run.returncode == 0, run.stdout[-4000:] + run.stderr[-4000:]
