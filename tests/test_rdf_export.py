"""export_turtle, export_ntriples and export_jsonld: exact text of each
format, the checks and their messages, and round trips through rdflib."""

import inspect
import json
import random

import pytest

from vesk_graph._rust.graph import PyGraph
from vesk_graph._rust.rdf import export_jsonld, export_ntriples, export_turtle, load_rdf_string

RDF_TYPE = "http://www.w3.org/1999/02/22-rdf-syntax-ns#type"
DEFAULT = "https://vesk-graph.org/ns#relatedTo"
EX = "http://ex.org/"


def graph(edges, nodes=(), directed=True):
    """Multigraph with `nodes` first, then edges (source, target, props)."""
    g = PyGraph(directed=directed, multi=True)
    for n in nodes:
        g.add_node(n)
    for s, t, props in edges:
        for n in (s, t):
            if n not in g:
                g.add_node(n)
        g.add_edge(s, t, props)
    return g


def p(iri):
    return {"predicate": iri}


S, T, O1, O2, C, P, Q = (EX + x for x in ("s", "t", "o1", "o2", "C", "p", "q"))


def test_turtle_and_ntriples_text():
    g = graph([
        (S, O1, p(P)), (S, O2, p(P)), (S, C, p(RDF_TYPE)), (T, S, p(P)),
        (S, O1, p(Q)), (S, O1, p(Q)),           # back to S: a new statement; parallel edges repeat
        ("_:b1", "_:b2", {"type": P}),           # blank nodes, label from "type"
        ("_:b1", S, {"predicate": 7, "type": Q}),  # a non-string predicate falls through to "type"
        ("_:b2", S, {"weight": 1}),              # no label at all
    ], nodes=["http://ex.org/isolated"])
    assert export_turtle(g) == (
        f"<{S}> <{P}> <{O1}> , <{O2}> ;\n\ta <{C}> .\n"
        f"<{T}> <{P}> <{S}> .\n"
        f"<{S}> <{Q}> <{O1}> , <{O1}> .\n"
        f"_:b1 <{P}> _:b2 ;\n\t<{Q}> <{S}> .\n"
        f"_:b2 <{DEFAULT}> <{S}> .\n"
    )
    assert export_ntriples(g) == (
        f"<{S}> <{P}> <{O1}> .\n<{S}> <{P}> <{O2}> .\n<{S}> <{RDF_TYPE}> <{C}> .\n<{T}> <{P}> <{S}> .\n"
        f"<{S}> <{Q}> <{O1}> .\n<{S}> <{Q}> <{O1}> .\n"
        f"_:b1 <{P}> _:b2 .\n_:b1 <{Q}> <{S}> .\n_:b2 <{DEFAULT}> <{S}> .\n"
    )
    # Undirected: each edge once, as it was added; no edges: empty text.
    u = graph([(O1, S, p("http://ex.org/é"))], directed=False)
    assert export_ntriples(u) == f"<{O1}> <http://ex.org/é> <{S}> .\n"
    assert export_turtle(graph([], nodes=[S, "alice"])) == export_ntriples(graph([], nodes=[S])) == ""


@pytest.mark.parametrize("edges, message", [
    # The predicate is checked before the subject, the subject before the object.
    ([("alice", "bob", p("knows"))], "Invalid predicate IRI 'knows': No scheme found in an absolute IRI"),
    ([("alice", "bob", p(P))], "Invalid subject IRI 'alice': No scheme found in an absolute IRI"),
    ([(S, "bob", p(P))], "Invalid object IRI 'bob': No scheme found in an absolute IRI"),
    ([("_", S, p(P))], "Invalid subject IRI '_': No scheme found in an absolute IRI"),
    ([("_:", S, p(P))], "Invalid blank node id '_:': The blank node identifier is invalid"),
    ([(S, "_:a.", p(P))], "Invalid blank node id '_:a.': The blank node identifier is invalid"),
    ([(S, "_:a b", p(P))], "Invalid blank node id '_:a b': The blank node identifier is invalid"),
    # Turtle would read "_:x:y" as a blank node and a prefixed name.
    ([(S, "_:x:y", p(P))], "Invalid blank node id '_:x:y': The blank node identifier is invalid"),
    ([(S, O1, p("http://ex.org/a b"))], "Invalid predicate IRI 'http://ex.org/a b': Invalid IRI code point ' '"),
    ([(S, O1, {"predicate": None, "type": "http://ex.org/<x>"})],
     "Invalid predicate IRI 'http://ex.org/<x>': Invalid IRI code point '<'"),
    # The first edge is fine; only the error of the second comes back.
    ([(S, O1, p(P)), (S, "http://ex.org/{x}", p(P))], "Invalid object IRI 'http://ex.org/{x}': Invalid IRI code point '{'"),
    # Every distinct predicate is checked, not only the first one met.
    ([(S, O1, p(P)), (S, O2, p("not an iri"))], "Invalid predicate IRI 'not an iri': No scheme found in an absolute IRI"),
    ([(S, O1, p(P)), (T, O1, p(Q)), (S, O2, p(P)), (T, O2, {"type": "ex:{q}"})],
     "Invalid predicate IRI 'ex:{q}': Invalid IRI code point '{'"),
])
def test_refusals(edges, message):
    g = graph(edges)
    for fn in (export_turtle, export_ntriples):
        with pytest.raises(ValueError) as e:
            fn(g)
        assert str(e.value) == message
    # JSON-LD checks nothing: ids and labels are written as they are.
    assert jsonld_edges(export_jsonld(g)) == sorted((s, label(props), t) for s, t, props in edges)


def jsonld_edges(doc):
    """(subject, label, target) of every reference in a JSON-LD export."""
    out = []
    for node in json.loads(doc)["@graph"]:
        for key, value in node.items():
            if key != "@id":
                out += [(node["@id"], key, ref["@id"]) for ref in (value if isinstance(value, list) else [value])]
    return sorted(out)


def test_blank_node_labels_accepted():
    ids = ["_:a", "_:0", "_:a.b", "_:a-b_c", "_:é·", "_:_"]
    g = graph([(i, S, p(P)) for i in ids])
    assert export_ntriples(g) == "".join(f"{i} <{P}> <{S}> .\n" for i in ids)


def test_jsonld_text():
    g = graph([("a", "b", p("p")), ("a", "c", p("p")), ("a", "b", {"type": "q"}), ("c", "a", p("p"))],
              nodes=["a", "b", "c", "d"])
    assert export_jsonld(g) == """{
  "@graph": [
    {
      "@id": "a",
      "p": [
        {
          "@id": "b"
        },
        {
          "@id": "c"
        }
      ],
      "q": {
        "@id": "b"
      }
    },
    {
      "@id": "c",
      "p": {
        "@id": "a"
      }
    },
    {
      "@id": "b"
    }
  ]
}"""
    assert export_jsonld(PyGraph()) == export_jsonld(graph([], nodes=["x"])) == '{\n  "@graph": []\n}'


def test_jsonld_ordering_and_names():
    g = graph([
        ("ab", "t2", p("x")), ("a", "a", {}), ("B", "t1", p("")), ("B", "t1", p("")),
        ("B", "t3", {"predicate": True}), ("a", "t3", p("@id")), ("q\"\\\n\x01/é", "t2", p("#")),
    ], nodes=["t3", "lonely", "t2"])
    doc = export_jsonld(g)
    # Members by bytes: "" and "#" before "@id"; a label "@id" replaces the id.
    assert json.loads(doc) == {"@graph": [
        {"": [{"@id": "t1"}, {"@id": "t1"}], "@id": "B", DEFAULT: {"@id": "t3"}},
        {"@id": {"@id": "t3"}, DEFAULT: {"@id": "a"}},
        {"@id": "ab", "x": {"@id": "t2"}},
        {"#": {"@id": "t2"}, "@id": "q\"\\\n\x01/é"},
        {"@id": "t3"}, {"@id": "t2"}, {"@id": "t1"},
    ]}
    assert '"q\\"\\\\\\n\\u0001/é"' in doc
    assert doc.index('"": [') < doc.index('"@id": "B"')


def test_jsonld_members_in_byte_order():
    # Labels whose order by length, by code unit or by first sight is not
    # their byte order, short ones and long ones (these are numbered by
    # address: one text at two addresses is still one label).
    long = ["z" * 130, "y" * 300, "x" * 128 + "b", "x" * 129, "x" * 128]
    labels = ["b", "aa", "é", "\x7f", "B", "", "#", "a", "@ie", "@i", "~"] + long + ["".join(list("y" * 300))]
    edges = [(S, f"{EX}o{i}", p(x)) for i, x in enumerate(labels)] + [(T, O1, p(x)) for x in reversed(labels[::3])]
    doc = json.loads(export_jsonld(graph(edges)), object_pairs_hook=list)
    subjects = [(dict(entry)["@id"], [k for k, _ in entry]) for entry in doc[0][1][:2]]

    def in_bytes(keys):
        return sorted(set(keys) | {"@id"}, key=str.encode)

    assert subjects == [(S, in_bytes(labels)), (T, in_bytes(labels[::3]))]


def random_graph(seed, n_nodes=60, n_edges=300):
    rng = random.Random(seed)
    ids = [f"{EX}n{i}" if i % 4 else f"_:b{i}" for i in range(n_nodes)]
    labels = [p(f"{EX}p{k}") for k in range(4)] + [p(RDF_TYPE), {"type": f"{EX}t"}, {}]
    edges = [(rng.choice(ids), rng.choice(ids), rng.choice(labels)) for _ in range(n_edges)]
    edges.sort(key=lambda e: e[0] if rng.random() < 0.7 else "")  # mostly grouped subjects
    return graph(edges, nodes=ids), edges


def expected_triples(edges):
    import rdflib

    def term(x):
        return rdflib.BNode(x[2:]) if x.startswith("_:") else rdflib.URIRef(x)

    out = rdflib.Graph()
    for s, t, props in edges:
        out.add((term(s), rdflib.URIRef(label(props)), term(t)))
    return out


def label(props):
    return props.get("predicate") or props.get("type") or DEFAULT


@pytest.mark.parametrize("seed", range(3))
def test_round_trip_through_loader(seed):
    g, edges = random_graph(seed)
    want = sorted((s, label(props), t) for s, t, props in edges)
    for text, fmt in ((export_ntriples(g), "nt"), (export_turtle(g), "turtle")):
        back, stats = load_rdf_string(text, fmt, len(text.encode()), len(edges))
        assert sorted((s, props["predicate"], t) for s, t, props in back.edges()) == want, fmt


def long_subject_graph():
    """Loaded: one 4 MB subject among 100,000 short triples."""
    doc = (f"<{EX}{'a' * 4_000_000}> <{P}> <{O1}> .\n" + f"<{S}> <{P}> <{O1}> .\n" * 100_000)
    return load_rdf_string(doc, "ntriples", 1 << 40, 1 << 40)[0]


def isolated_long_id_graph():
    """Built: 200,000 parallel edges between two nodes, and an isolated node
    with a 10 MB id."""
    g = graph([], nodes=[S, O1, EX + "b" * 10_000_000])
    for _ in range(200_000):
        g.add_edge(S, O1, {"predicate": P})
    return g


def alternating_long_terms_graph():
    """Loaded: two 3 KB predicates in turn on two 3 KB subjects that take
    turns every three edges; the edges of a predicate share its text."""
    doc = f"@prefix q: <{EX}{'n' * 3000}/> .\n@prefix l: <{EX}{'a' * 3000}/> .\n" + "".join(
        f"l:{'xy'[i // 3 % 2]} {'a' if i % 7 == 0 else 'q:' + 'ab'[i % 2]} <{EX}o{i % 50}> .\n" for i in range(600))
    return load_rdf_string(doc, "turtle", 1 << 40, 1 << 40)[0]


@pytest.mark.parametrize("make", [long_subject_graph, isolated_long_id_graph, alternating_long_terms_graph])
def test_exports_of_ids_far_apart_in_length(make):
    # Output buffers are sized by what each id adds to the text, not by the
    # mean id: one long id must not make every edge reserve its length.
    g = make()
    want = sorted((s, props["predicate"], t) for s, t, props in g.edges())
    for fn, fmt in ((export_ntriples, "ntriples"), (export_turtle, "turtle")):
        text = fn(g)
        back = load_rdf_string(text, fmt, 1 << 40, 1 << 40)[0]
        assert sorted((s, props["predicate"], t) for s, t, props in back.edges()) == want, fmt
    assert jsonld_edges(export_jsonld(g)) == want


@pytest.mark.parametrize("export", ["export_jsonld", "export_turtle"])
def test_a_long_subject_of_many_edges_is_written_once_within_bounded_memory(memory_capped, export):
    # JSON-LD writes the subject once, Turtle once per run of its edges:
    # room for it once per edge would be 100 GB. (N-Triples writes it on
    # every line, so this graph is no case of its.)
    setup = (
        "import json\n"
        "from vesk_graph._rust import rdf\n"
        f"{inspect.getsource(jsonld_edges)}\n"
        f"s = {EX!r} + 'a' * 1_000_000\n"
        f"doc = f'<{{s}}> <{P}> ' + ', '.join(f'<{EX}o{{i}}>' for i in range(100_000)) + ' .'\n"
        "g = rdf.load_rdf_string(doc, 'turtle', 1 << 40, 1 << 40)[0]\n"
        "want = sorted((props['predicate'], t) for _, t, props in g.edges())\n"
    )
    work = (
        f"text = rdf.{export}(g)\n"
        "if text.startswith('{'):\n"
        "    got = jsonld_edges(text)\n"
        "else:\n"
        "    back = rdf.load_rdf_string(text, 'turtle', 1 << 40, 1 << 40)[0]\n"
        "    got = [(a, props['predicate'], b) for a, b, props in back.edges()]\n"
        # one subject: its text is compared once, the rest pairwise
        "print({a for a, _, _ in got} == {s}, sorted((p, b) for _, p, b in got) == want, len(got))\n"
    )
    assert memory_capped(setup, work).split() == ["True", "True", "100000"]


@pytest.mark.filterwarnings("ignore::DeprecationWarning")
@pytest.mark.parametrize("seed", range(3))
def test_round_trip_through_rdflib(seed):
    rdflib = pytest.importorskip("rdflib")
    from rdflib.compare import isomorphic

    g, edges = random_graph(seed)
    want = expected_triples(edges)
    for text, fmt in ((export_turtle(g), "turtle"), (export_ntriples(g), "nt"), (export_jsonld(g), "json-ld")):
        got = rdflib.Graph().parse(data=text, format=fmt)
        assert isomorphic(got, want), fmt
    assert len(export_ntriples(g).splitlines()) == len(edges)


def test_arguments():
    g = graph([(S, O1, p(P))])
    assert export_turtle(graph=g) == export_turtle(g)
    with pytest.raises(TypeError) as e:
        export_jsonld("not a graph")
    assert str(e.value) == "'str' object is not an instance of 'PyGraph'"
    assert e.value.__notes__ == ["while processing 'graph'"]
    with pytest.raises(TypeError):
        export_ntriples()
    with pytest.raises(TypeError):
        export_ntriples(g, g)


def test_empty_ids():
    # The empty id has no bytes to copy; alone it is the whole id text.
    only = graph([], nodes=[""])
    assert export_turtle(only) == export_ntriples(only) == ""
    assert json.loads(export_jsonld(only)) == {"@graph": []}
    g = graph([("", "", p(P)), (S, "", {})])
    for fn in (export_turtle, export_ntriples):
        with pytest.raises(ValueError) as e:
            fn(g)
        assert str(e.value) == "Invalid subject IRI '': No scheme found in an absolute IRI"
    assert json.loads(export_jsonld(g)) == {"@graph": [{"@id": "", P: {"@id": ""}}, {"@id": S, DEFAULT: {"@id": ""}}]}
