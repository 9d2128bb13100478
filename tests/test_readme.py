"""Every Python example of the README runs as pasted, each on its own in a
fresh interpreter and an empty folder, and prints what its comments say.

The convention of the examples: a `print(...)` whose last line ends in a
comment promises that comment as its output, where `...` stands for any
text and white space is not compared (so a dict or a JSON document may be
shown on one line). Every print carries such a comment, and prints run in
the order they are written."""

import ast
import io
import re
import subprocess
import sys
import tokenize
from pathlib import Path

import pytest

README = Path(__file__).resolve().parent.parent / "README.md"


def examples():
    text = README.read_text(encoding="utf-8")
    out = []
    for m in re.finditer(r"^```python\n(.*?)^```", text, re.M | re.S):
        line = text.count("\n", 0, m.start()) + 1
        out.append(pytest.param(m.group(1), id=f"README line {line}"))
    return out


def promised_outputs(code):
    """The comment of each print, in order; None for a print without one."""
    comments = {t.start[0]: t.string[1:].strip()
                for t in tokenize.generate_tokens(io.StringIO(code).readline) if t.type == tokenize.COMMENT}
    prints = sorted(n.end_lineno for n in ast.walk(ast.parse(code))
                    if isinstance(n, ast.Call) and isinstance(n.func, ast.Name) and n.func.id == "print")
    return [comments.get(line) for line in prints]


def pattern(promises):
    squeeze = lambda s: re.sub(r"\s+", "", s)  # noqa: E731
    return "".join(".*?".join(re.escape(part) for part in squeeze(p).split("...")) for p in promises)


def test_examples_are_found():
    # The README's sections each show at least this many runnable examples.
    assert len(examples()) >= 9


@pytest.mark.parametrize("code", examples())
def test_example_runs_and_prints_what_it_says(code, tmp_path):
    promises = promised_outputs(code)
    assert promises and None not in promises, "every example prints, and every print says what"
    (tmp_path / "example.py").write_text(code, encoding="utf-8")
    run = subprocess.run([sys.executable, "example.py"], cwd=tmp_path, capture_output=True, text=True, timeout=120)
    assert run.returncode == 0, run.stderr
    assert re.fullmatch(pattern(promises), re.sub(r"\s+", "", run.stdout), re.S), (promises, run.stdout)
