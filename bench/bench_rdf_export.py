"""Export the edges of a graph as N-Triples, Turtle and JSON-LD beside
pyoxigraph (serialising a store holding the same triples) and rdflib (same
formats from an in-memory graph). Each library runs in its own process;
only the serialisation is timed. rdflib runs on a smaller slice of the same
edges (it needs about 1 KB per triple) and is compared with vesk_graph on
that same slice.

    python bench/bench_rdf_export.py   (BENCH_EDGES, BENCH_RDFLIB_EDGES to resize)
"""

import json
import os
import random
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import _harness  # noqa: E402

M = int(os.environ.get("BENCH_EDGES", 5_000_000))
M_RDFLIB = int(os.environ.get("BENCH_RDFLIB_EDGES", 250_000))
FORMATS = ("N-Triples", "Turtle", "JSON-LD")
RDF_TYPE = "http://www.w3.org/1999/02/22-rdf-syntax-ns#type"


def edges(m):
    """About five edges per subject, subjects in order (as RDF data usually
    comes), eight predicates and one rdf:type per subject."""
    rng = random.Random(7)
    n = max(m // 5, 1)
    preds = [f"http://example.org/vocab#p{k}" for k in range(8)]
    out = []
    s = 0
    while len(out) < m:
        subject = f"http://example.org/resource/{s}"
        out.append((subject, f"http://example.org/class/{s % 50}", RDF_TYPE))
        for _ in range(4):
            out.append((subject, f"http://example.org/resource/{rng.randrange(n)}", preds[rng.randrange(8)]))
        s += 1
    return out[:m]


def timed(fn):
    t = time.perf_counter()
    out = fn()
    return time.perf_counter() - t, len(out)


def run_vesk(m):
    from vesk_graph._rust.graph import PyGraph
    from vesk_graph._rust.rdf import export_jsonld, export_ntriples, export_turtle

    g = PyGraph(multi=True)
    for s, o, p in edges(m):
        for n in (s, o):
            if n not in g:
                g.add_node(n)
        g.add_edge(s, o, {"predicate": p})
    return dict(zip(FORMATS, (timed(lambda: f(g)) for f in (export_ntriples, export_turtle, export_jsonld))))


def run_pyoxigraph(m):
    from pyoxigraph import DefaultGraph, NamedNode, Quad, RdfFormat, Store

    store = Store()
    store.bulk_extend(Quad(NamedNode(s), NamedNode(p), NamedNode(o), DefaultGraph()) for s, o, p in edges(m))
    fmts = (RdfFormat.N_TRIPLES, RdfFormat.TURTLE, RdfFormat.JSON_LD)
    return dict(zip(FORMATS, (timed(lambda: store.dump(format=f, from_graph=DefaultGraph())) for f in fmts)))


def run_rdflib(m):
    import rdflib

    g = rdflib.Graph()
    for s, o, p in edges(m):
        g.add((rdflib.URIRef(s), rdflib.URIRef(p), rdflib.URIRef(o)))
    return dict(zip(FORMATS, (timed(lambda: g.serialize(format=f)) for f in ("nt", "turtle", "json-ld"))))


RUNNERS = {
    "vesk_graph": (run_vesk, M),
    "pyoxigraph": (run_pyoxigraph, M),
    "vesk_graph (small)": (run_vesk, M_RDFLIB),
    "rdflib": (run_rdflib, M_RDFLIB),
}
# Each peer is compared with vesk_graph at the same size.
BASE = {"pyoxigraph": "vesk_graph", "rdflib": "vesk_graph (small)"}

if __name__ == "__main__":
    if len(sys.argv) > 2 and sys.argv[1] == "--child":
        fn, m = RUNNERS[sys.argv[2]]
        print(json.dumps(fn(m)))
        sys.exit(0)
    print(f"RDF export: {M:,} edges ({M_RDFLIB:,} for rdflib); seconds, edges/s, and vesk_graph's speed-up")
    results = {}
    for name, (_, m) in RUNNERS.items():
        found, err = _harness.run_child(__file__, name)
        if err is not None:
            print(f"  {name:<12} unavailable ({err})")
            continue
        results[name] = (m, found)
    for fmt in FORMATS:
        print(f" {fmt}")
        for name, (m, r) in results.items():
            seconds, size = r[fmt]
            rate = m / seconds
            ratio = ""
            if name in BASE and BASE[name] in results:
                bm, br = results[BASE[name]]
                ratio = f"  vesk_graph {bm / br[fmt][0] / rate:6.1f}x faster"
            print(f"  {name:<20} {m:>9,} edges {seconds:8.3f} s  {rate / 1e6:6.2f} M edges/s  {size / 1e6:7.1f} MB{ratio}")
