import pytest

from vesk_graph._rust.graph import PyGraph


def build(edges=(), nodes=(), directed=True, multi=False):
    """A graph with the given nodes (in order) and then edges."""
    g = PyGraph(directed=directed, multi=multi)
    for n in nodes:
        g.add_node(n)
    for e in edges:
        for n in e[:2]:
            if n not in g:
                g.add_node(n)
        g.add_edge(*e)
    return g


@pytest.fixture
def make():
    return build
