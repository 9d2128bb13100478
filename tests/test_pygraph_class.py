import inspect
import threading

import numpy as np
import pytest

from vesk_graph._rust.graph import PyGraph


def notes(excinfo):
    return getattr(excinfo.value, "__notes__", [])


def test_defaults_and_repr():
    g = PyGraph()
    assert (g.is_directed, g.is_multi, g.name) == (True, False, "")
    assert repr(g) == "PyGraph(nodes=0, edges=0, directed=true)"
    u = PyGraph(False, None, True)
    assert repr(u) == "PyGraph(nodes=0, edges=0, directed=false)"
    assert u.is_multi and not u.is_directed
    assert PyGraph(name="kg").name == "kg"
    assert PyGraph(directed=np.bool_(False)).is_directed is False


@pytest.mark.parametrize(
    "args, kwargs, message, note",
    [
        ((1,), {}, "'int' object is not an instance of 'bool'", "while processing 'directed'"),
        ((None,), {}, "'None' is not an instance of 'bool'", "while processing 'directed'"),
        ((True, 5), {}, "'int' object is not an instance of 'str'", "while processing 'name'"),
        ((True, None, "yes"), {}, "'str' object is not an instance of 'bool'", "while processing 'multi'"),
        ((True, None, False, 1), {}, "PyGraph.__new__() takes from 0 to 3 positional arguments but 4 were given", None),
        ((), {"direct": True}, "PyGraph.__new__() got an unexpected keyword argument 'direct'", None),
        ((True,), {"directed": True}, "PyGraph.__new__() got multiple values for argument 'directed'", None),
    ],
)
def test_constructor_errors(args, kwargs, message, note):
    with pytest.raises(TypeError) as ei:
        PyGraph(*args, **kwargs)
    assert str(ei.value) == message
    assert notes(ei) == ([note] if note else [])


def test_a_wrong_method_argument_is_noted_with_its_own_parameter():
    g = PyGraph()
    g.add_node("a")
    valid = {"id": "a", "source": "a", "target": "a", "properties": None, "key": "k", "node_ids": ["a"],
             "center": "a", "radius": 1, "state": g.__getstate__(), "data": g.to_json(), "max_bytes": 1 << 20,
             "max_nodes": 10, "max_edges": 10, "value": 1}
    checked = set()
    for name in vars(PyGraph):
        if name.startswith("__") and name != "__setstate__" or not callable(method := getattr(g, name)):
            continue  # slots and properties
        params = [p.name for p in inspect.signature(method).parameters.values()]
        for p in set(params) - {"value"}:  # property values take any object
            values = {q: valid[q] for q in params} | {p: object()}
            with pytest.raises(TypeError) as ei:
                method(**values)
            assert notes(ei) == [f"while processing '{p}'"], (name, p)
            checked.add(p)
    assert checked == set(valid) - {"value"}


def test_subclass_construction_and_membership():
    class Mine(PyGraph):
        pass

    g = Mine(directed=False)
    assert type(g) is Mine and not g.is_directed
    assert "a" not in g
    g.add_node("a")
    assert "a" in g and len(g) == 1
    g.remove_node("a")
    assert "a" not in g and len(g) == 0
    with pytest.raises(TypeError) as ei:
        1 in g
    assert notes(ei) == ["while processing 'id'"]


def test_len_counts_live_nodes_only():
    g = PyGraph()
    for n in "abc":
        g.add_node(n)
    g.remove_node("b")
    assert len(g) == 2 == g.n_nodes


class Reenter:
    """A property value whose text conversion calls back into a graph."""

    def __init__(self, action):
        self.action = action

    def __str__(self):
        return str(self.action())


def test_writer_blocks_reentrant_reads_and_writes():
    g = PyGraph()
    with pytest.raises(RuntimeError, match="^Already mutably borrowed$"):
        g.add_node("a", {"v": Reenter(lambda: len(g))})
    with pytest.raises(RuntimeError, match="^Already mutably borrowed$"):
        g.add_node("a", {"v": Reenter(lambda: repr(g))})
    with pytest.raises(RuntimeError, match="^Already borrowed$"):
        g.add_node("a", {"v": Reenter(lambda: g.add_node("b"))})
    assert len(g) == 0 and g.node_ids() == []
    g.add_node("a")  # every borrow was released


def test_mutator_checks_borrow_before_converting_arguments():
    g = PyGraph()
    g.add_node("x")
    seen = []

    def inner():
        # The outer writer holds g: even a bad id reports the borrow first.
        with pytest.raises(RuntimeError, match="Already borrowed"):
            g.remove_node(123)
        seen.append(True)
        return "ok"

    g.set_node_property("x", "k", Reenter(inner))
    assert seen == [True]
    assert g.node("x") == {"k": "ok"}


def test_writing_one_graph_may_read_another():
    g = PyGraph()
    g.add_node("n")
    other = PyGraph()
    other.add_node("v", {"p": Reenter(lambda: g.node_ids())})
    assert other.node("v") == {"p": "['n']"}
    g.add_node("m")  # g's shared borrow was given back


def test_threads_see_borrow_conflicts_not_deadlocks():
    g = PyGraph()
    started = threading.Event()
    release = threading.Event()
    errors = []

    class Slow:
        def __str__(self):
            started.set()
            release.wait(5)
            return "slow"

    def writer():
        g.add_node("a", {"v": Slow()})

    t = threading.Thread(target=writer)
    t.start()
    assert started.wait(5)
    try:
        g.node_ids()
    except RuntimeError as e:
        errors.append(str(e))
    try:
        g.add_node("b")
    except RuntimeError as e:
        errors.append(str(e))
    release.set()
    t.join()
    assert errors == ["Already mutably borrowed", "Already borrowed"]
    assert g.node_ids() == ["a"]
