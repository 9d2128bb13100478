"""The type stubs shipped in the installed package against the built module:
the same `__all__` in every module, and for every function, method and
property of PyGraph the same parameters (names, kinds, defaults), each with a
return annotation whose names all resolve."""

import ast
import builtins
import importlib.util
import inspect
import subprocess
import sys
from pathlib import Path

import pytest

import vesk_graph._rust as root

PACKAGE = Path(importlib.util.find_spec("vesk_graph").submodule_search_locations[0])
STUBS = PACKAGE / "_rust"
SUBMODULES = ["graph", "algorithms", "knowledge", "rdf"]


def stub_tree(name):
    return ast.parse((STUBS / f"{name}.pyi").read_text(), filename=f"{name}.pyi")


def stub_all(tree):
    for node in tree.body:
        if isinstance(node, ast.Assign) and [t.id for t in node.targets] == ["__all__"]:
            return ast.literal_eval(node.value)
    return None


def public_defs(body):
    return {n.name: n for n in body if isinstance(n, (ast.FunctionDef, ast.ClassDef)) and not n.name.startswith("_")}


def stub_params(fn, drop_first):
    """(name, kind, default) per parameter of a stub function."""
    a = fn.args
    positional = a.posonlyargs + a.args
    defaults = [inspect.Parameter.empty] * (len(positional) - len(a.defaults)) + [ast.literal_eval(d) for d in a.defaults]
    out = [(p.arg, inspect.Parameter.POSITIONAL_ONLY if p in a.posonlyargs else inspect.Parameter.POSITIONAL_OR_KEYWORD, d)
           for p, d in zip(positional, defaults)]
    out += [(p.arg, inspect.Parameter.KEYWORD_ONLY, inspect.Parameter.empty if d is None else ast.literal_eval(d))
            for p, d in zip(a.kwonlyargs, a.kw_defaults)]
    return out[1:] if drop_first else out


def runtime_params(obj, drop_first):
    params = list(inspect.signature(obj).parameters.values())
    return [(p.name, p.kind, p.default) for p in params[1 if drop_first else 0:]]


def unresolved_names(tree):
    """Names used in annotations that the stub neither defines nor imports."""
    known = set(dir(builtins))
    for node in ast.walk(tree):
        if isinstance(node, (ast.Import, ast.ImportFrom)):
            known |= {(a.asname or a.name).split(".")[0] for a in node.names}
        elif isinstance(node, (ast.ClassDef, ast.FunctionDef)):
            known.add(node.name)
        elif isinstance(node, (ast.AnnAssign, ast.Assign)):
            for t in [node.target] if isinstance(node, ast.AnnAssign) else node.targets:
                if isinstance(t, ast.Name):
                    known.add(t.id)
    used = set()
    for node in ast.walk(tree):
        if isinstance(node, ast.arg) and node.annotation is not None:
            used |= {n.id for n in ast.walk(node.annotation) if isinstance(n, ast.Name)}
        elif isinstance(node, ast.FunctionDef) and node.returns is not None:
            used |= {n.id for n in ast.walk(node.returns) if isinstance(n, ast.Name)}
        elif isinstance(node, ast.AnnAssign):
            used |= {n.id for n in ast.walk(node) if isinstance(n, ast.Name) and n is not node.target}
    return used - known


def test_stubs_and_marker_ship_in_the_package():
    # Started in the repository root, Python finds the installed package,
    # not a source folder of the same name.
    root_dir = Path(__file__).resolve().parent.parent
    r = subprocess.run([sys.executable, "-c", "import vesk_graph._rust as r; print(r.__file__)"],
                       cwd=root_dir, capture_output=True, text=True)
    assert r.returncode == 0 and Path(r.stdout.strip()).parent == PACKAGE, r.stderr
    assert (PACKAGE / "py.typed").is_file()
    assert sorted(p.name for p in STUBS.glob("*.pyi")) == sorted(f"{n}.pyi" for n in ["__init__", *SUBMODULES])
    # The stub folder beside the extension does not shadow it.
    assert Path(root.__file__).suffix == ".so"
    assert stub_all(stub_tree("__init__")) == root.__all__


@pytest.mark.parametrize("name", SUBMODULES)
def test_functions_match_the_module(name):
    module = getattr(root, name)
    tree = stub_tree(name)
    assert not unresolved_names(tree)
    defs = public_defs(tree.body)
    assert stub_all(tree) == module.__all__
    assert sorted(defs) == sorted(module.__all__)
    for fname, node in defs.items():
        if isinstance(node, ast.ClassDef):
            continue
        assert node.returns is not None, fname
        assert all(a.annotation is not None for a in node.args.args), fname
        assert stub_params(node, False) == runtime_params(getattr(module, fname), False), fname


def test_pygraph_members_match_the_class():
    from vesk_graph._rust.graph import PyGraph

    cls = public_defs(stub_tree("graph").body)["PyGraph"]
    methods = {n.name: n for n in cls.body if isinstance(n, ast.FunctionDef)}
    properties = {n for n, f in methods.items() if any(getattr(d, "id", None) == "property" for d in f.decorator_list)}
    runtime = {k: v for k, v in vars(PyGraph).items() if k not in ("__doc__", "__module__")}
    assert properties == {k for k, v in runtime.items() if inspect.isgetsetdescriptor(v)}
    assert set(methods) == set(runtime)
    for name, node in methods.items():
        assert node.returns is not None, name
        if name in properties:
            continue
        if name == "__new__":
            # The class carries the constructor's signature.
            assert stub_params(node, True) == runtime_params(PyGraph, False)
        else:
            static = isinstance(runtime[name], staticmethod)
            assert stub_params(node, not static) == runtime_params(getattr(PyGraph, name), not static), name
