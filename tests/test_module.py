import sys

import vesk_graph._rust as root
from vesk_graph._rust.graph import PyGraph


def test_root_attributes_and_all_order():
    assert root.__all__ == ["__version__", "graph", "algorithms", "knowledge", "rdf"]
    assert root.__version__ == "0.1.6"
    assert root.__path__ == []
    assert root.__package__ == "vesk_graph._rust"
    assert root.__doc__.startswith("The root Python module `vesk_graph._rust`.\n\n")


def test_submodules_registered_under_dotted_names():
    for short in ("graph", "algorithms", "knowledge", "rdf"):
        sub = getattr(root, short)
        assert sys.modules["vesk_graph._rust." + short] is sub
        assert sub.__name__ == short
        assert sub.__doc__ is None
    assert root.graph.__all__ == ["PyGraph"]
    assert root.graph.PyGraph is PyGraph


def test_class_identity_and_docstring():
    assert PyGraph.__module__ == "vesk_graph._rust.graph"
    assert PyGraph.__qualname__ == "PyGraph"
    assert PyGraph.__text_signature__ == "(directed=True, name=None, multi=False)"
    assert PyGraph.__doc__.startswith("A property graph backed by a stable-index graph store.\n\n")
    assert PyGraph.add_node.__text_signature__ == "($self, id, properties=None)"
    assert PyGraph.update_node.__doc__ == (
        "Merge properties into an existing node. Existing properties are\n"
        "preserved unless overwritten by the new values."
    )
    assert PyGraph.n_nodes.__doc__ == "Number of nodes."
    assert PyGraph.is_multi.__doc__ == "Whether the graph allows parallel edges (multi-graph)."


def test_properties_are_read_only():
    g = PyGraph()
    for attr in ("n_nodes", "n_edges", "is_directed", "is_multi", "name"):
        try:
            setattr(g, attr, 1)
        except AttributeError:
            pass
        else:
            raise AssertionError(attr + " accepted an assignment")


def test_panic_exception_is_a_base_exception():
    # Reached through a dict changed while it is converted.
    class Grow:
        def __init__(self, d):
            self.d = d

        def __index__(self):
            self.d["new"] = 1
            return 1

    d = {}
    d["a"] = Grow(d)
    d["b"] = 2
    g = PyGraph()
    try:
        g.add_node("x", d)
    except BaseException as e:  # noqa: B036 - the class under test is not an Exception
        assert not isinstance(e, Exception)
        assert type(e).__bases__ == (BaseException,)
        assert type(e).__name__ == "PanicException"
        assert str(e) == "dictionary changed size during iteration"
    else:
        raise AssertionError("no PanicException")
    assert len(g) == 0
    g.add_node("x")  # the borrow was released
