"""load_rdf_string and load_rdf_file: format names and extensions, the byte
and triple caps at their boundaries, the mapping of triples to nodes and
edges, the statistics, positioned parse errors and file access errors."""

import os
import re
import socket
import stat
import subprocess
import sys
import warnings

import pytest
import rdflib

from vesk_graph._rust import rdf

BIG = 10**12
EX = "http://ex.org/"
RDF = "http://www.w3.org/1999/02/22-rdf-syntax-ns#"
NT_LINE = f"<{EX}people/alice> <{EX}vocab#knows> <{EX}people/bob> .\n"
FORMATS_MSG = "Supported: turtle, ttl, ntriples, nt, rdfxml, xml, owl, nquads, nq, trig"
NT_DOC = (
    f"<{EX}a> <{EX}p> <{EX}b> .\n"
    f'<{EX}a> <{EX}name> "A"@en .\n'
    f"_:x <{EX}p> _:y .\n"
)
# The same triples in each syntax of the Turtle family.
DOCS = {
    "ntriples": NT_DOC,
    "nquads": NT_DOC.replace(" .\n", f" <{EX}g> .\n", 1),
    "turtle": f'@prefix ex: <{EX}> .\nex:a ex:p ex:b ; ex:name "A"@en .\n_:x ex:p _:y .\n',
    "trig": f'PREFIX ex: <{EX}>\nex:g {{ ex:a ex:p ex:b ; ex:name "A"@en }}\n{{ _:x ex:p _:y }}\n',
}


def load(text, fmt="turtle", max_bytes=BIG, cap=BIG):
    return rdf.load_rdf_string(text, fmt, max_bytes, cap)


def fails(fn, *args):
    with pytest.raises(ValueError) as err:
        fn(*args)
    return str(err.value)


def summary(g):
    nodes = {n: g.node(n) for n in g.node_ids()}
    edges = sorted((s, t, sorted(p.items())) for s, t, p in g.edges())
    return nodes, edges


def no_time(stats):
    return {k: v for k, v in stats.items() if k != "load_time_ms"}


# ---- format names and caps ------------------------------------------------


@pytest.mark.parametrize(
    "names, syntax",
    [(("turtle", "ttl"), "turtle"), (("ntriples", "nt"), "ntriples"), (("nquads", "nq"), "nquads"), (("trig",), "trig")],
)
def test_format_names_select_their_syntax(names, syntax):
    want = None
    for name in names:
        g, stats = load(DOCS[syntax], name)
        assert list(stats) == ["total_triples", "nodes", "edges", "literal_properties", "load_time_ms"]
        assert no_time(stats) == {"total_triples": 3, "nodes": 4, "edges": 2, "literal_properties": 1}
        assert want is None or summary(g) == want
        want = summary(g)
    # All four syntaxes give the same graph.
    assert want == summary(load(DOCS["ntriples"], "nt")[0])


@pytest.mark.parametrize("name", ["Turtle", "NT", "n3", "jsonld", " ttl", "ttl ", "", "rdf"])
def test_unknown_format_is_refused_before_the_size(name):
    msg = fails(load, "x" * 100, name, 10, 0)
    assert msg == f"Unknown RDF format: '{name}'. {FORMATS_MSG}"


def test_rdfxml_names_reach_the_rdfxml_reader():
    doc = (f'<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#" xmlns:ex="{EX}">'
           f'<rdf:Description rdf:about="{EX}a"><ex:p rdf:resource="{EX}b"/></rdf:Description></rdf:RDF>')
    for name in ("rdfxml", "xml", "owl"):
        assert summary(load(doc, name)[0]) == summary(load(f"<{EX}a> <{EX}p> <{EX}b> .", "nt")[0])
        # The XML tokenizer's own wording, not the Turtle family's.
        assert fails(load, "<rdf", name) == "Parse error: XML error at line 1 column 1: unterminated start tag"


def test_byte_cap_counts_utf8_bytes_at_its_boundary():
    text = f'<{EX}s> <{EX}p> "\u00e9\u00e9\u00e9" .'
    n = len(text.encode())
    assert n == len(text) + 3
    assert load(text, "nt", n)[1]["total_triples"] == 1
    assert fails(load, text, "nt", n - 1) == (
        f"RDF string is {n} bytes; refusing to parse above {n - 1} bytes "
        "(raise VeskGraphSettings.max_bytes if intended)."
    )
    assert no_time(load("", "nt", 0)[1]) == {"total_triples": 0, "nodes": 0, "edges": 0, "literal_properties": 0}
    assert "refusing to parse above 0 bytes" in fails(load, " ", "nt", 0)


@pytest.mark.parametrize("fmt", ["ntriples", "nquads", "turtle", "trig"])
def test_triple_cap_at_its_boundary(fmt):
    doc = DOCS[fmt]
    assert load(doc, fmt, BIG, 3)[1]["total_triples"] == 3
    msg = "RDF parse exceeded triple_cap=2 (raise VeskGraphSettings.max_triples if intended)."
    assert fails(load, doc, fmt, BIG, 2) == msg
    # The cap holds for a literal triple too, and an empty document passes 0.
    assert fails(load, f'<{EX}s> <{EX}p> "x" .', "nt", BIG, 0).startswith("RDF parse exceeded triple_cap=0 ")
    assert load("", fmt, BIG, 0)[1]["total_triples"] == 0


def test_cap_arguments_are_unsigned_64_bit():
    with pytest.raises(OverflowError) as err:
        rdf.load_rdf_string("", "nt", -1, 1)
    assert "while processing 'max_bytes'" in err.value.__notes__
    with pytest.raises(TypeError) as err:
        rdf.load_rdf_file(b"x.nt", 1, 1)
    assert "while processing 'path'" in err.value.__notes__
    g, stats = rdf.load_rdf_string(data="", format="nt", max_bytes=2**64 - 1, triple_cap=2**64 - 1)
    assert stats["nodes"] == 0


# ---- mapping and statistics ------------------------------------------------


def test_mapping_of_iris_literals_and_repeats():
    g, stats = load(NT_LINE, "nt")
    assert no_time(stats) == {"total_triples": 1, "nodes": 2, "edges": 1, "literal_properties": 0}
    assert summary(g) == (
        {f"{EX}people/alice": {"label": "alice"}, f"{EX}people/bob": {"label": "bob"}},
        [(f"{EX}people/alice", f"{EX}people/bob",
          [("label", "knows"), ("predicate", f"{EX}vocab#knows"), ("type", "knows")])],
    )
    assert (g.is_directed, g.is_multi, g.name) == (True, True, "")
    g.add_edge(f"{EX}people/alice", f"{EX}people/bob")  # parallel edges stay allowed
    assert g.n_edges == 2

    g, stats = load(f'<{EX}people/alice> <{EX}vocab#name> "Alice" .', "nt")
    assert no_time(stats) == {"total_triples": 1, "nodes": 1, "edges": 0, "literal_properties": 1}
    assert summary(g)[0] == {f"{EX}people/alice": {"label": "alice"}}

    # A repeated triple, also across named graphs, is one more parallel edge.
    g, stats = load(NT_LINE * 2, "nt")
    assert (stats["total_triples"], stats["edges"]) == (2, 2)
    quads = NT_LINE.replace(" .", f" <{EX}g1> .") + NT_LINE.replace(" .", f" <{EX}g2> .")
    g, stats = load(quads, "nq")
    assert (stats["edges"], stats["nodes"]) == (2, 2)
    assert not any("g1" in n or "g2" in n for n in g.node_ids())
    g, _ = load(f"<{EX}g1> {{ <{EX}s> <{EX}p> <{EX}s> }} <{EX}g2> {{ <{EX}s> <{EX}p> <{EX}s> }}", "trig")
    assert g.node_ids() == [f"{EX}s"] and g.n_edges == 2  # two self-loops


def test_node_labels_and_first_sight_wins():
    doc = (
        f"_:x <{EX}p> _:y .\n"
        f"<{EX}s> <{EX}p> <{EX}a/> .\n"
        f"<{EX}s> <{EX}p> <{EX}a#> .\n"
        f"<{EX}s> <{EX}p> <urn:isbn:123> .\n"
        f"<{EX}s> <{EX}p> <{EX}a#b/c> .\n"
        f"<{EX}s> <{EX}p> _:obj .\n"
        f"_:obj <{EX}p> <{EX}s> .\n"
    )
    g, _ = load(doc, "nt")
    labels = {n: g.node(n)["label"] for n in g.node_ids()}
    assert labels == {
        "_:x": "_:x", "_:y": "_:y", f"{EX}s": "s", f"{EX}a/": "", f"{EX}a#": "",
        "urn:isbn:123": "urn:isbn:123", f"{EX}a#b/c": "b/c", "_:obj": "_:obj",
    }
    assert g.node_ids()[:2] == ["_:x", "_:y"]


def test_anonymous_blank_nodes_are_fresh_per_load():
    doc = f"@prefix ex: <{EX}> . ex:s ex:p [ ex:q ex:o ] , ( ex:o ) ."
    ids = []
    for _ in range(2):
        g, stats = load(doc)
        blanks = [n for n in g.node_ids() if n.startswith("_:")]
        assert len(blanks) == 2 and stats["total_triples"] == 5
        for b in blanks:
            assert re.fullmatch(r"_:[a-f][0-9a-f]{0,31}", b)
        ids += blanks
    assert len(set(ids)) == 4


def test_emission_order_of_nested_terms():
    doc = f"@prefix : <{EX}> . :s :p [ :q :o ] , ( :a :b ) ."
    g, _ = load(doc)
    preds = [p["predicate"].rsplit("/", 1)[-1].rsplit("#", 1)[-1] for _, _, p in g.edges()]
    assert preds == ["q", "p", "p", "first", "rest", "first", "rest"]


def test_documents_as_other_tools_write_them(tmp_path):
    # A byte order mark, CRLF line ends, many prefixes, SPARQL-style
    # directives, a multi-line literal and a long collection.
    prefixes = "".join(f"@prefix p{i}: <{EX}ns{i}/> .\r\n" for i in range(300))
    doc = (
        "\ufeff" + prefixes + f"PREFIX ex: <{EX}>\r\nBASE <{EX}base/>\r\n"
        'ex:s a p299:C ;\r\n  ex:note """line one\r\nline two""" ;\r\n'
        "  ex:list ( " + " ".join(f"p{i % 300}:x{i}" for i in range(5000)) + " ) ;\r\n"
        "  ex:rel <rel> .\r\n"
    )
    path = tmp_path / "tool.ttl"
    path.write_bytes(doc.encode())
    g, stats = rdf.load_rdf_file(str(path), BIG, BIG)
    assert no_time(stats) == {"total_triples": 10004, "nodes": 10004, "edges": 10003, "literal_properties": 1}
    assert f"{EX}base/rel" in g.node_ids() and f"{EX}ns299/C" in g.node_ids()
    nt = "\ufeff" + NT_LINE.replace("\n", "\r\n")
    assert load(nt, "nt")[1]["total_triples"] == 1


def test_deep_nesting_loads_without_recursion():
    depth = 100_000
    nested = f"@prefix : <{EX}> . :s :p " + "[ :p " * depth + ":o" + " ]" * depth + " ."
    assert load(nested)[1]["total_triples"] == depth + 1
    lists = f"@prefix : <{EX}> . :s :p " + "( " * depth + ")" * depth + " ."
    # Every list holds one item but the innermost, which is rdf:nil.
    assert load(lists)[1]["total_triples"] == 1 + 2 * (depth - 1)


S, P, O = f"<{EX}s>", f"<{EX}p>", f"<{EX}o>"


@pytest.mark.parametrize(
    "fmt, text, at, message",
    [
        # (line, column) of a point, or (line, first column, column after) of a span on one line
        ("nt", f"{S} {P} {O}", (1, 54), "expected '.', found the end of the file"),
        ("nt", f"{S} <rel> {O} .", (1, 19, 24), "error while parsing IRI 'rel': No scheme found in an absolute IRI"),
        ("nt", f'{S} {P} "x"@abcdefghi .', (1, 40, 50), "error while parsing language tag 'abcdefghi': "),
        ("nt", f"{S} {P} {O} . {S} {P} {O} .", (1, 57, 74), "expected a line break before the next statement"),
        ("ttl", f"{S} {P} {O[:-1]} b> .", (1, 53), "invalid character 'U+0020' in IRI"),
        ("ttl", "ex:s ex:p ex:o .", (1, 1, 5), "the prefix 'ex:' has not been declared"),
        ("ttl", f"{S} {P} [ {P} {O} .", (1, 75), "expected ',', ';' or ']', found '.'"),
        ("trig", f"<{EX}g> {{ {S} {P} {O} .", (1, 76), "expected '}', found the end of the file"),
    ],
)
def test_parse_errors_carry_positions(fmt, text, at, message):
    where = f"at line {at[0]} column {at[1]}" if len(at) == 2 else f"at line {at[0]} between columns {at[1]} and {at[2]}"
    msg = fails(load, text, fmt)
    assert msg.startswith(f"Parse error: Parser error {where}: {message}"), msg


# Objects that start like a number: a sign or a dot alone, or an exponent
# without the digits around it, is no number (None: a number, loaded).
NUMBERS = [("-", "expected a number"), ("+", "expected a number"), ("-.", "expected a number"),
           ("+.e2", "expected a number"), ("-e5", "invalid number exponent"), ("+E1", "invalid number exponent"),
           ("1e", "invalid number exponent"), ("1e+", "invalid number exponent"), ("-.5", None), ("+1", None),
           ("-1e5", None), ("-0", None), (".5e-3", None), ("1.e3", None), ("+1.5E+2", None)]


@pytest.mark.parametrize("fmt", ["ttl", "trig"])
@pytest.mark.parametrize("number, message", NUMBERS)
def test_numbers_and_what_only_starts_like_one(fmt, number, message):
    doc = f"{S} {P} {number} ." if fmt == "ttl" else f"{{ {S} {P} {number} }}"
    if message is None:
        assert load(doc, fmt)[1]["literal_properties"] == 1
        return
    col = doc.index(f" {number} ") + 2
    assert fails(load, doc, fmt) == f"Parse error: Parser error at line 1 between columns {col} and {col + 2}: {message}"


def test_error_spanning_lines():
    msg = fails(load, f'{S} {P} """a\nb', "ttl")
    assert msg == "Parse error: Parser error between line 1 column 37 and line 2 column 2: unexpected end of file in string"


# A statement of each syntax around an object written as given.
STATEMENT = {"turtle": "{} .", "trig": "{{ {} }}", "ntriples": "{} .", "nquads": f"{{}} <{EX}g> ."}


@pytest.mark.parametrize("fmt", ["turtle", "trig", "ntriples", "nquads"])
@pytest.mark.parametrize("brk", ["\r", "\n", "\r\n"])
def test_raw_line_breaks_end_no_single_line_string(fmt, brk):
    # Refused from the opening quote to the break, after plain text or an
    # escape, in either quote...
    for q in ('"', "'"):
        for text in (f"a{brk}b", f"\\t{brk}"):
            doc = STATEMENT[fmt].format(f"{S} {P} {q}{text}{q}")
            col = doc.index(q) + 1
            assert fails(load, doc, fmt) == (
                f"Parse error: Parser error at line 1 between columns {col} and {col + 1 + text.index(brk)}: "
                "line break in a single-line string"), repr(doc)
    # ...and held by a long string, where the syntax has them.
    if fmt in ("turtle", "trig"):
        for q in ('"""', "'''"):
            assert load(STATEMENT[fmt].format(f"{S} {P} {q}a{brk}b{q}"), fmt)[1]["literal_properties"] == 1


def test_strict_reading():
    # No base unless the document sets one; no predefined prefixes.
    assert "No scheme found" in fails(load, f"<s> <{EX}p> <{EX}o> .")
    assert "has not been declared" in fails(load, "rdf:s rdf:type rdf:o .")
    assert load(f"@base <{EX}dir/> . <s> <p> <../o> .")[0].node_ids() == [f"{EX}dir/s", f"{EX}o"]
    # Characters that would break N-Triples output never enter an IRI.
    for bad in (" ", "<", ">", '"', "{", "}", "|", "\\", "^", "`", "\x01"):
        assert fails(load, f"<{EX}s> <{EX}p> <{EX}a\\u{ord(bad):04X}b> .", "nt").startswith("Parse error: ")
    # RDF-star triple terms are not part of these syntaxes.
    assert fails(load, f"<< <{EX}a> <{EX}b> <{EX}c> >> <{EX}p> <{EX}o> .").startswith("Parse error: ")


def test_a_chain_of_relative_bases():
    # Each base resolves against the one before; dot segments and queries
    # take the long way, plain segments extend the base in place.
    steps = [f"s{i}/" for i in range(40000)] + ["../t/", "?q", "u"]
    doc = f"@base <{EX}> .\n" + "".join(f"@base <{s}> .\n" for s in steps) + "<a> <#p> <> ."
    g, stats = load(doc)
    base = EX + "".join(steps[:39999]) + "t/u"
    assert stats["total_triples"] == 1
    assert summary(g)[1] == [(base[:-1] + "a", base, [("label", "p"), ("predicate", base + "#p"), ("type", "p")])]


BUDGET = "IRI resolution and prefix expansion exceed their limit of {} bytes"
LONG = EX + "x" * 100_000


@pytest.mark.parametrize(
    "fmt, head, repeat",
    [
        # Many short references against one long base...
        ("turtle", f"@base <{LONG}> .\n", "<> <#p> <> .\n"),
        ("trig", f"BASE <{LONG}>\n", "{ <> <#p> <> }\n"),
        # ...or one long prefix, and bases that grow from each other.
        ("turtle", f"@prefix p: <{LONG}> .\n", "p:a p:b p:c .\n"),
        ("turtle", f"@base <{LONG}> .\n", "@base <?q> .\n"),
        ("rdfxml", f'<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#" xmlns:ex="{EX}" xml:base="{LONG}">',
         '<rdf:Description rdf:about=""><ex:p rdf:resource="#o"/></rdf:Description>'),
    ],
)
def test_made_iris_are_bounded_per_document(fmt, head, repeat):
    tail = "</rdf:RDF>" if fmt == "rdfxml" else ""
    # Within max(8 MiB, 100 x the input) a document loads...
    few = head + repeat * 20 + tail
    assert load(few, fmt)[1]["total_triples"] == (0 if "@base" in repeat else 20)
    # ...past it, the load stops at the first IRI over the limit.
    many = head + repeat * 1000 + tail
    msg = fails(load, many, fmt)
    limit = max(8 << 20, 100 * len(many.encode()))
    assert msg.startswith("Parse error: ") and msg.endswith(BUDGET.format(limit)), msg
    if fmt != "rdfxml":
        assert re.match(r"Parse error: Parser error at line \d+ between columns \d+ and \d+: ", msg)


PREFIXES = ["http://ex.org/", "http://ex.org", "http://ex.org:", "http://[::1]", "urn:x:", "s:", "http://ex.org/a#",
            "http://ex.org/?q"]
LOCALS = {"a": "a", "a:1": "a:1", "a:b": "a:b", "1.2": "1.2", "-_x": None, "%41": "%41", "a\\~b": "a~b",
          "a\\#b": "a#b", "a\\/b": "a/b", "\u00e9": "\u00e9"}


@pytest.mark.parametrize("prefix", PREFIXES)
def test_prefixed_names_give_what_the_full_iri_gives(prefix):
    # Valid or not, a prefixed name reads as its whole IRI written out.
    for local, expanded in LOCALS.items():
        short = f"@prefix p: <{prefix}> .\np:{local} <{EX}p> <{EX}o> ."
        if expanded is None:  # not a local name: the statement breaks
            assert fails(load, short).startswith("Parse error: ")
            continue
        full = f"<{prefix}{expanded}> <{EX}p> <{EX}o> ."
        try:
            want = load(full)[0].node_ids()
        except ValueError as e:
            assert str(e).split("error while parsing IRI")[1] == fails(load, short).split("error while parsing IRI")[1]
        else:
            assert load(short)[0].node_ids() == want, (prefix, local)


# Local names with runs of dots: inside a name, before an escape, a percent
# escape or ':', and at a statement's end, where a name stops before its
# bare dots. rdflib decides each document but those given the grammar's
# answer, where rdflib strays from it: a local name neither starts nor ends
# with a bare '.', yet may end in an escaped one. None is a refusal.
DOT_HEAD = f"@prefix ex: <{EX}> .\n@prefix e..x: <{EX}e/> .\n"
DOT_RUNS = [
    ("e..x:a..b ex:p..q ex:c...d .", "rdflib"),
    ("ex:a..\\-b ex:p...\\~q ex:c..\\-d..\\-.", "rdflib"),
    ("ex:a..%41b ex:p...%7eq ex:c..%41.", "rdflib"),
    ("ex:a..:b ex:p...: ex:1..2.", "rdflib"),
    ("ex:a..b ex:p ex:c..d, ex:e...f; ex:q [ ex:r ex:g..h ].", "rdflib"),
    ("ex:s ex:p ex:a..% .", "rdflib"),
    ("ex:s ex:p ex:a..\\z .", "rdflib"),
    ("ex:s ex:p ex:a.. .", "rdflib"),
    ("ex:s ex:p ex:a..\\. .", {(f"{EX}s", f"{EX}p", f"{EX}a...")}),
    ("ex:s ex:p ex:o..", None),
    ("ex:s ex:p ex:a...b..", None),
    ("ex:s ex:p ex:a...\n", None),
    ("ex:s ex:p ex:a.. ex:b .", None),
    ("ex:s ex:p ex:..a .", None),
]


def rdflib_triples(doc, fmt):
    """The triples with a non-literal object rdflib reads (blank nodes as '_'), None if it refuses."""
    g = rdflib.Dataset()
    try:
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", DeprecationWarning)  # rdflib's own use of its old names
            g.parse(data=doc, format=fmt)
    except Exception:
        return None
    term = lambda t: "_" if isinstance(t, rdflib.BNode) else str(t)
    return {(term(s), term(p), term(o)) for s, p, o, _ in g.quads() if not isinstance(o, rdflib.Literal)}


@pytest.mark.parametrize("fmt", ["turtle", "trig"])
@pytest.mark.parametrize("body, want", DOT_RUNS)
def test_dot_runs_in_local_names(fmt, body, want):
    # TriG reads the same statements inside a graph.
    doc = DOT_HEAD + (body if fmt == "turtle" else "{ " + body + " }")
    if want == "rdflib":
        want = rdflib_triples(doc, fmt)
    if want is None:
        assert fails(load, doc, fmt).startswith("Parse error: Parser error at line 3 ")
        return
    term = lambda t: "_" if t.startswith("_:") else t
    assert {(term(s), p["predicate"], term(t)) for s, t, p in load(doc, fmt)[0].edges()} == want


# ---- files -----------------------------------------------------------------


EXT_MSG = "Unknown RDF file extension for {}; pass an explicit format (turtle/ntriples/rdfxml/nquads/trig) via load_rdf_string instead."


@pytest.mark.parametrize(
    "name, shown",
    [("data.TTL", '"TTL"'), ("data.xml", '"xml"'), ("data.n3", '"n3"'), ("data.jsonld", '"jsonld"'),
     ("data", '""'), (".ttl", '""'), ("data.", '""'), ("d.\"q\\\t", '"\\"q\\\\\\t"'), ("d.x\x85\x7f", '"x\\u{85}\\u{7f}"'), ("..", '""'), ("/", '""')],
)
def test_unknown_extension_is_refused_before_the_file_is_looked_at(tmp_path, name, shown):
    assert fails(rdf.load_rdf_file, str(tmp_path / "missing" / name) if name not in ("..", "/") else name, BIG, BIG) == EXT_MSG.format(shown)


def test_extension_table_and_path_forms(tmp_path):
    for name, doc in [("a.nt", DOCS["ntriples"]), ("a.nq", DOCS["nquads"]), ("archive.tar.ttl", DOCS["turtle"]), ("a.trig", DOCS["trig"])]:
        (tmp_path / name).write_text(doc)
        assert no_time(rdf.load_rdf_file(str(tmp_path / name), BIG, BIG)[1])["total_triples"] == 3
    (tmp_path / "dir.nt").mkdir()
    (tmp_path / "dir.nt" / "data.rdf").write_text("<rdf")
    for name in ("dir.nt/data.rdf", "dir.nt/./data.rdf/."):
        assert fails(rdf.load_rdf_file, str(tmp_path / name), BIG, BIG).startswith("Parse error: ")
    assert fails(rdf.load_rdf_file, str(tmp_path / "a.nt") + "/", BIG, BIG) == "Failed to stat file: Not a directory (os error 20)"
    assert fails(rdf.load_rdf_file, str(tmp_path / "x.ttl"), BIG, BIG) == "Failed to stat file: No such file or directory (os error 2)"
    assert fails(rdf.load_rdf_file, "a\0b.ttl", BIG, BIG) == "Failed to stat file: file name contained an unexpected NUL byte"


def test_file_size_cap_and_equivalence_with_strings(tmp_path):
    path = tmp_path / "data.ttl"
    path.write_text(DOCS["turtle"])
    n = len(DOCS["turtle"].encode())
    g, stats = rdf.load_rdf_file(str(path), n, BIG)
    g2, stats2 = load(DOCS["turtle"])
    assert no_time(stats) == no_time(stats2) and summary(g) == summary(g2)
    assert fails(rdf.load_rdf_file, str(path), n - 1, BIG) == (
        f"RDF file is {n} bytes; refusing to load above {n - 1} bytes (raise VeskGraphSettings.max_bytes if intended)."
    )
    empty = tmp_path / "empty.nt"
    empty.write_text("")
    assert no_time(rdf.load_rdf_file(str(empty), 0, 0)[1]) == {"total_triples": 0, "nodes": 0, "edges": 0, "literal_properties": 0}


@pytest.mark.parametrize("size, cap", [(20000, 19999), (20000, 9000), (20000, 8192), (8193, 8192)])
def test_file_size_cap_beyond_the_read_buffer(tmp_path, size, cap):
    # Refused on its size before any of it is read: the text is no RDF.
    path = tmp_path / "big.nt"
    path.write_bytes(b"x" * size)
    assert fails(rdf.load_rdf_file, str(path), cap, BIG) == (
        f"RDF file is {size} bytes; refusing to load above {cap} bytes (raise VeskGraphSettings.max_bytes if intended)."
    )
    lines = NT_LINE * (size // len(NT_LINE))
    path.write_text(lines + "#" * (size - len(lines) - 1) + "\n")
    assert no_time(rdf.load_rdf_file(str(path), size, BIG)[1])["total_triples"] == size // len(NT_LINE)


def test_long_tokens_across_buffer_refills(tmp_path):
    # Tokens longer than the 8,192-byte read buffer and split at every offset.
    long_iri = f"{EX}" + "x" * 20000
    doc = "".join(f'<{EX}s{i}> <{EX}p> "{"y" * (8190 + i)}" .\n<{EX}s{i}> <{EX}p> <{long_iri}{i}> .\n' for i in range(6))
    path = tmp_path / "long.nt"
    path.write_text(doc)
    assert summary(rdf.load_rdf_file(str(path), BIG, BIG)[0]) == summary(load(doc, "nt")[0])


def test_unreadable_file(tmp_path):
    # A socket can be looked at but not opened, whoever runs the test; a
    # file without read permission only stops someone other than root.
    sock = socket.socket(socket.AF_UNIX)
    sock.bind(str(tmp_path / "socket.nt"))
    try:
        assert fails(rdf.load_rdf_file, str(tmp_path / "socket.nt"), BIG, BIG) == (
            "Failed to open file: No such device or address (os error 6)")
    finally:
        sock.close()
    path = tmp_path / "secret.nt"
    path.write_text("")
    path.chmod(0)
    if os.geteuid() != 0:
        assert fails(rdf.load_rdf_file, str(path), BIG, BIG) == "Failed to open file: Permission denied (os error 13)"


@pytest.mark.skipif(not hasattr(os, "mkfifo"), reason="needs named pipes")
@pytest.mark.parametrize("payload", [NT_LINE * 1000, f'<{EX}s> <{EX}p> "' + "z" * 100000, "# " + "c" * 100000])
def test_pipe_is_bounded_by_the_bytes_read(tmp_path, payload):
    # A pipe reports size 0; what is read must still stop at the byte cap,
    # also inside one unterminated token: one byte past it tells enough.
    fifo = tmp_path / "stream.nt"
    os.mkfifo(fifo)
    assert stat.S_ISFIFO(os.stat(fifo).st_mode)

    # The writer is another process: the load holds the interpreter.
    source = tmp_path / "payload"
    source.write_text(payload)
    writer = subprocess.Popen(["sh", "-c", 'exec cat "$1" > "$2" 2>/dev/null', "sh", str(source), str(fifo)])
    try:
        msg = fails(rdf.load_rdf_file, str(fifo), 5000, BIG)
    finally:
        writer.kill()  # blocked in its open if the load never opened the pipe
        writer.wait(timeout=60)
    assert msg == "RDF file is 5001 bytes; refusing to load above 5000 bytes (raise VeskGraphSettings.max_bytes if intended)."


def test_a_regular_file_longer_than_its_stated_size_is_bounded_by_the_bytes_read(tmp_path):
    # Files under /proc state a size of 0 whatever they hold: the cap must
    # stop the reading there as it does for a pipe, not trust the size.
    link = tmp_path / "x.nt"
    link.symlink_to("/proc/self/maps")
    assert stat.S_ISREG(os.stat(link).st_mode) and os.stat(link).st_size == 0
    assert fails(rdf.load_rdf_file, str(link), 100, BIG) == (
        "RDF file is 101 bytes; refusing to load above 100 bytes (raise VeskGraphSettings.max_bytes if intended).")


# Writes argv[2], then argv[3] over and over, into the pipe argv[1] until
# argv[4] bytes are out or the reader closes, and prints the bytes written.
# The open does not wait for a reader that never comes.
ENDLESS_WRITER = """
import os, sys, time
path, head, unit, limit = sys.argv[1], sys.argv[2].encode(), sys.argv[3].encode(), int(sys.argv[4])
deadline = time.monotonic() + 60
while True:
    try:
        fd = os.open(path, os.O_WRONLY | os.O_NONBLOCK)
        break
    except OSError:
        if time.monotonic() > deadline:
            sys.exit("no reader opened the pipe")
        time.sleep(0.01)
os.set_blocking(fd, True)
block = unit * max(1, 65536 // len(unit))
written = 0
try:
    written += os.write(fd, head)
    while written < limit:
        written += os.write(fd, block)
except BrokenPipeError:
    pass
print(written)
"""
SP = f"{S} {P} "
XML_PROPERTY = f'<rdf:RDF xmlns:rdf="{RDF}" xmlns:a="h:"><rdf:Description rdf:about="h:s"><a:p>'
# A stream of valid 8,191-byte statements, lined up so that every refill of
# the 8,192-byte read buffer falls between the two carets of '^^'.
SHAPED = SP + '"' + "x" * (8191 - len(SP) - len(f'""^^<{EX}d> .\n')) + f'"^^<{EX}d> .\n'
ENDLESS = [
    pytest.param(ext, head, unit, id=f"{name}-{ext}")
    for name, syntaxes, head, unit in [
        ("space", "nt", "", " \n"),
        ("comment", "nt nq ttl trig", "#", "x"),
        ("blank-label", "nt nq ttl trig", "_:", "b"),
        ("language-tag", "nt nq ttl trig", SP + '"x"@', "a"),
        ("bare-word", "ttl trig", "", "w"),
        ("prefix", "ttl trig", "@prefix ", "p"),
        ("local-name", "ttl trig", f"@prefix p: <{EX}> .\np:", "x"),
        ("number", "ttl trig", SP, "1"),
        ("directive", "ttl trig", "@", "a"),
        ("language-subtags", "ttl", SP + '"x"@en', "-a"),
        ("iri-of-escapes", "nt", "<", "\\u00e9"),
        ("string-of-escapes", "nt", SP + '"', "\\u00e9"),
        ("long-string-of-quotes", "ttl", SP + '"""', '"x'),
        ("local-name-dots", "ttl", "p:a", "."),
        ("comment-of-utf8", "ttl", "# ", "é"),
        ("shaped-statements", "nt", " " * (8191 - SHAPED.index("^")), SHAPED),
        # RDF/XML: each byte may start the construct's terminator, so a
        # look-ahead for the rest of it reads on.
        ("pi-of-question-marks", "rdf", "<?pi ", "?"),
        ("declaration-of-question-marks", "rdf", '<?xml version="1.0" ', "?"),
        ("cdata-of-brackets", "rdf", XML_PROPERTY + "<![CDATA[", "]"),
        ("comment-of-dashes", "rdf", "<!--", "a-"),
        ("doctype-comment-of-dashes", "rdf", "<!DOCTYPE r [<!--", "-"),
        ("doctype-subset", "rdf", "<!DOCTYPE r [", " "),
        ("text", "rdf", XML_PROPERTY, "a"),
        ("attribute-value", "rdf", '<r a="', "x"),
        ("tag-name", "rdf", "<r", "x"),
        ("reference-name", "rdf", XML_PROPERTY + "&", "x"),
        ("property-elements", "rdf", XML_PROPERTY + "</a:p>", "<a:p xmlns:a='h:'/>"),
    ]
    for ext in syntaxes.split()
]


def chars_read():
    """(rchar, length of the text read) from /proc/self/io, or None where
    there is none: rchar counts every byte this process's reads returned,
    before this read of the proc file itself."""
    try:
        fd = os.open("/proc/self/io", os.O_RDONLY)
    except OSError:
        return None
    try:
        text = os.read(fd, 4096)
    finally:
        os.close(fd)
    return int(re.search(rb"^rchar: (\d+)$", text, re.M)[1]), len(text)


@pytest.mark.skipif(not hasattr(os, "mkfifo"), reason="needs named pipes")
@pytest.mark.parametrize("ext, head, unit", ENDLESS)
def test_pipe_is_refused_near_the_cap_inside_any_token(tmp_path, ext, head, unit):
    # A pipe that never ends inside one token (or is shaped against the
    # refills) must be refused one byte past the cap, not read on: the
    # writer gives up after 64 times the cap either way. The kernel's count
    # of the bytes the load read must be that byte count too, so no buffer
    # below the cursor reads ahead of it.
    cap = 1 << 20
    fifo = tmp_path / f"stream.{ext}"
    os.mkfifo(fifo)
    # The writer is another process: the load holds the interpreter.
    writer = subprocess.Popen([sys.executable, "-c", ENDLESS_WRITER, str(fifo), head, unit, str(64 * cap)],
                              stdout=subprocess.PIPE, text=True)
    try:
        before = chars_read()
        msg = fails(rdf.load_rdf_file, str(fifo), cap, BIG)
        after = chars_read()
    finally:
        written = writer.communicate(timeout=120)[0]
    size = re.fullmatch(rf"RDF file is (\d+) bytes; refusing to load above {cap} bytes "
                        r"\(raise VeskGraphSettings.max_bytes if intended\)\.", msg)
    assert size, msg
    assert int(size[1]) == cap + 1 and int(written) <= cap + (1 << 20)
    if before is not None:
        assert after[0] - before[0] - before[1] == cap + 1


# Writes `blocks` MiB of N-Triples into a pipe, waits `pause` seconds, then ends the stream.
STREAM_WRITER = """
import os, sys, time
block = b'<http://ex.org/s> <http://ex.org/p> "o" .\\n' * 25000
fd = os.open(sys.argv[1], os.O_WRONLY)
try:
    for _ in range(int(sys.argv[2])):
        os.write(fd, block)
    time.sleep(float(sys.argv[3]))
except BrokenPipeError:
    pass
"""


@pytest.mark.parametrize("blocks, pause", [
    # A stream parsed as fast as it comes (a few seconds' worth)...
    (2000, 0),
    # ...and a pipe that stalls, so the load waits in a read.
    (1, 30),
])
def test_ctrl_c_stops_a_load(tmp_path, ctrl_c, blocks, pause):
    fifo = tmp_path / "stream.nt"
    os.mkfifo(fifo)
    # The stream ends on its own, so a lost Ctrl-C fails the test instead of hanging it.
    writer = subprocess.Popen([sys.executable, "-c", STREAM_WRITER, str(fifo), str(blocks), str(pause)])
    try:
        ctrl_c(rdf.load_rdf_file, str(fifo), BIG, BIG)
    finally:
        writer.kill()
        writer.wait(timeout=60)
    assert load(NT_LINE, "nt")[1]["edges"] == 1
