"""The W3C RDF 1.1 test suites for Turtle, TriG, N-Triples and N-Quads, run
through load_rdf_string: every positive syntax test loads, every negative
one fails with a positioned parse error, and every evaluation test gives the
graph its expected result gives (the same statistics, and the same nodes and
edges up to the naming of blank nodes). The expected results are read by
rdflib as well, so that a fault of the lexer both loads share cannot cancel
out.

The manifests are read with the loader itself; the number of tests found
per suite is pinned so that a reader fault cannot quietly drop tests."""

import os
import warnings
from collections import Counter
from pathlib import Path

import networkx as nx
import pytest
import rdflib

from vesk_graph._rust import rdf

ROOT = Path(__file__).resolve().parent.parent
W3C = ROOT / "tests" / "w3c"

MF = "http://www.w3.org/2001/sw/DataAccess/tests/test-manifest#"
RDF_TYPE = "http://www.w3.org/1999/02/22-rdf-syntax-ns#type"
CAP = 10**9

# suite directory -> (format name of load_rdf_string, tests in its manifest)
SUITES = {
    "rdf-turtle": ("turtle", 313),
    "rdf-trig": ("trig", 356),
    "rdf-n-triples": ("ntriples", 70),
    "rdf-n-quads": ("nquads", 87),
}


def manifest_tests(suite):
    """(name, kind, action path, result path or None, base IRI or None)."""
    d = W3C / suite
    text = (d / "manifest.ttl").read_text(encoding="utf-8")
    g, _ = rdf.load_rdf_string(f"@base <{(d / 'manifest.ttl').as_uri()}> .\n" + text, "turtle", CAP, CAP)
    out = {}
    base = None
    for s, o, props in g.edges():
        p = props["predicate"]
        if p == MF + "assumedTestBase":
            base = o
        elif p in (MF + "action", MF + "result", RDF_TYPE):
            out.setdefault(s, {})[p] = o
    tests = []
    for iri, fields in sorted(out.items()):
        if MF + "action" not in fields:
            continue
        kind = fields[RDF_TYPE].rsplit("#", 1)[1]
        path = Path(fields[MF + "action"].removeprefix("file://"))
        result = fields.get(MF + "result")
        tests.append((iri.rsplit("#", 1)[1], kind, path, result and Path(result.removeprefix("file://")), base))
    return tests


def collect():
    params = []
    for suite, (fmt, expected) in SUITES.items():
        tests = manifest_tests(suite)
        assert len(tests) == expected, f"{suite}: {len(tests)} tests in the manifest, expected {expected}"
        params += [pytest.param((fmt, *t), id=f"{suite}:{t[0]}") for t in tests]
    return params


def document(fmt, path, base):
    text = path.read_bytes().decode("utf-8")
    if fmt in ("turtle", "trig") and base:
        # The tests assume the document's own IRI as base; the loader sets none.
        text = f"@base <{base}{path.name}> .\n" + text
    return text


def as_networkx(g):
    """The loaded graph with blank nodes anonymised, for isomorphism."""
    h = nx.MultiDiGraph()
    for n in g.node_ids():
        h.add_node(n, term=None if n.startswith("_:") else n)
    for s, o, props in g.edges():
        h.add_edge(s, o, predicate=props["predicate"])
    return h


def rdflib_reading(path):
    """What the mapping would make of rdflib's parse of an N-Triples or
    N-Quads file: the graph as as_networkx gives it, and the statistics."""
    # Lexical forms as written: normalised, "1." and "1.0" would be one triple.
    normalize, rdflib.NORMALIZE_LITERALS = rdflib.NORMALIZE_LITERALS, False
    try:
        ds = rdflib.Dataset()
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", DeprecationWarning)  # rdflib's own use of its old names
            ds.parse(path, format="nquads" if path.suffix == ".nq" else "nt")
    finally:
        rdflib.NORMALIZE_LITERALS = normalize
    h = nx.MultiDiGraph()
    quads = list(ds.quads((None, None, None, None)))

    def node(t):
        n = f"_:{t}" if isinstance(t, rdflib.BNode) else str(t)
        h.add_node(n, term=None if isinstance(t, rdflib.BNode) else n)
        return n

    literals = 0
    for s, p, o, _ in quads:
        s_id = node(s)
        if isinstance(o, rdflib.Literal):
            literals += 1
        else:
            h.add_edge(s_id, node(o), predicate=str(p))
    stats = {"total_triples": len(quads), "nodes": h.number_of_nodes(), "edges": h.number_of_edges(),
             "literal_properties": literals}
    return h, stats


def same_graph(a, b):
    ha, hb = (x if isinstance(x, nx.MultiDiGraph) else as_networkx(x) for x in (a, b))
    if Counter(d["term"] for _, d in ha.nodes(data=True)) != Counter(d["term"] for _, d in hb.nodes(data=True)):
        return False
    return nx.is_isomorphic(
        ha, hb, node_match=lambda x, y: x["term"] == y["term"], edge_match=lambda x, y: Counter(
            e["predicate"] for e in x.values()) == Counter(e["predicate"] for e in y.values())
    )


def without_time(stats):
    return {k: v for k, v in stats.items() if k != "load_time_ms"}


@pytest.mark.parametrize("case", collect())
def test_w3c(case):
    fmt, name, kind, path, result, base = case
    text = document(fmt, path, base)
    if "Negative" in kind:
        with pytest.raises(ValueError) as err:
            rdf.load_rdf_string(text, fmt, CAP, CAP)
        assert str(err.value).startswith("Parse error: ")
        return
    g, stats = rdf.load_rdf_string(text, fmt, CAP, CAP)
    assert stats["edges"] == stats["total_triples"] - stats["literal_properties"]
    if "Eval" in kind:
        expected_fmt = "nquads" if result.suffix == ".nq" else "ntriples"
        want, want_stats = rdf.load_rdf_string(result.read_text(encoding="utf-8"), expected_fmt, CAP, CAP)
        assert without_time(stats) == without_time(want_stats)
        assert same_graph(g, want)
        theirs, their_stats = rdflib_reading(result)
        assert without_time(want_stats) == their_stats
        assert same_graph(want, theirs)
