"""Budgets on what a document makes (IRIs, entity expansion, literal
markup) are one per document: the same bytes get the same outcome from a
string and from a file. And documents shaped against the readers (many
bindings, long chains of bases) are read or refused by the same rules as
plain ones, with the same results rdflib reads from them."""

import os
import re
import subprocess
from urllib.parse import urljoin

import pytest

from vesk_graph._rust import rdf

BIG = 10**12
EX = "http://ex.org/"
RDF = "http://www.w3.org/1999/02/22-rdf-syntax-ns#"
IRI_LIMIT = "IRI resolution and prefix expansion exceed their limit of {} bytes"
ENTITY_LIMIT = "entity expansion exceeds its limit of {} bytes"
LITERAL_LIMIT = "namespace declarations copied into XML literals exceed their limit of {} bytes"
EXTENSIONS = {"turtle": "ttl", "trig": "trig", "rdfxml": "rdf"}


def outcome(load, *args):
    try:
        g, stats = load(*args)
    except ValueError as e:
        return str(e)
    return stats["total_triples"], stats["edges"], sorted(g.node_ids())


def turtle(repeat, comment):
    # A long base, short references against it, then a long comment: the
    # comment's bytes must count for the budget before it is read.
    return ("@base <http://ex.org/" + "a" * 8000 + "/> .\n" + "<a> <b> <c> .\n" * repeat
            + "#" + "x" * comment + "\n")


def trig(repeat, comment):
    return ("BASE <http://ex.org/" + "a" * 8000 + "/>\n{\n" + "<a> <b> <c> .\n" * repeat + "}\n"
            + "#" + "x" * comment + "\n")


def rdfxml(repeat, comment):
    return (f'<?xml version="1.0"?>\n<!DOCTYPE rdf:RDF [<!ENTITY e "{"x" * 20000}">]>\n'
            f'<rdf:RDF xmlns:rdf="{RDF}" xmlns:ex="{EX}">\n<rdf:Description rdf:about="{EX}s">\n'
            + "<ex:p>&e;</ex:p>\n" * repeat + "</rdf:Description>\n<!-- " + "c" * comment + " -->\n</rdf:RDF>\n")


@pytest.mark.parametrize("fmt, make, limit, within, beyond", [
    ("turtle", turtle, IRI_LIMIT, (400, 90_000), (400, 10_000)),
    ("trig", trig, IRI_LIMIT, (400, 90_000), (400, 10_000)),
    ("rdfxml", rdfxml, ENTITY_LIMIT, (500, 120_000), (500, 10_000)),
])
def test_one_budget_whether_from_a_string_or_a_file(tmp_path, fmt, make, limit, within, beyond):
    path = tmp_path / f"doc.{EXTENSIONS[fmt]}"
    for shape, loads in ((within, True), (beyond, False)):
        doc = make(*shape)
        path.write_text(doc)
        from_string = outcome(rdf.load_rdf_string, doc, fmt, BIG, BIG)
        from_file = outcome(rdf.load_rdf_file, str(path), BIG, BIG)
        assert from_file == from_string
        if loads:
            assert from_string[0] == shape[0]
        else:
            assert from_string.startswith("Parse error: ")
            assert from_string.endswith(limit.format(max(8 << 20, 100 * len(doc.encode())))), from_string


def from_pipe(tmp_path, doc, ext):
    """The outcome of loading `doc` through a named pipe, whose size is not
    known before it is read."""
    fifo = tmp_path / f"pipe.{ext}"
    fifo.unlink(missing_ok=True)
    os.mkfifo(fifo)
    source = tmp_path / "payload"
    source.write_text(doc)
    writer = subprocess.Popen(["sh", "-c", 'exec cat "$1" > "$2" 2>/dev/null', "sh", str(source), str(fifo)])
    try:
        return outcome(rdf.load_rdf_file, str(fifo), BIG, BIG)
    finally:
        writer.kill()  # blocked in its open if the load never opened the pipe
        writer.wait(timeout=60)


@pytest.mark.skipif(not hasattr(os, "mkfifo"), reason="needs named pipes")
def test_a_pipe_budget_grows_with_what_is_read(tmp_path):
    # A pipe's size is not known beforehand: its budget is that of the
    # bytes read so far, so the document that loads from a file is refused.
    msg = from_pipe(tmp_path, turtle(400, 90_000), "ttl")
    assert isinstance(msg, str) and msg.endswith(IRI_LIMIT.format(8 << 20)), msg


def test_iri_budget_admits_exactly_its_limit():
    # 2,048 expansions of a 4,096-byte prefix make exactly 8 MiB, the least
    # budget; one byte more is refused at the name that makes it.
    head = "@prefix p: <http://e/" + "a" * 4087 + "> .\n"
    exact = head + "p: p: p:" + ", p:" * 2045 + " .\n"
    assert rdf.load_rdf_string(exact, "turtle", BIG, BIG)[1]["total_triples"] == 2046
    over = head + "p: p: p:" + ", p:" * 2044 + ", p:a .\n"
    with pytest.raises(ValueError) as e:
        rdf.load_rdf_string(over, "turtle", BIG, BIG)
    assert str(e.value) == ("Parse error: Parser error at line 2 between columns 8187 and 8190: "
                            + IRI_LIMIT.format(8 << 20))


def test_a_resolution_is_charged_the_base_it_reads():
    # References that climb out of a long base make short IRIs, but each
    # resolution reads the base: 1,200 of them read some 120 MB.
    base = EX + "/".join(["s" * 1000] * 100) + "/"
    ref = "<" + "../" * 100 + "x>"

    def doc(triples):
        return f"@base <{base}> .\n" + f"{ref} {ref} {ref} .\n" * triples

    g, stats = rdf.load_rdf_string(doc(20), "turtle", BIG, BIG)
    assert g.node_ids() == [EX + "x"] and stats["total_triples"] == 20
    many = doc(400)
    with pytest.raises(ValueError, match=r"^Parse error: Parser error at line \d+ between columns \d+ and \d+: ") as e:
        rdf.load_rdf_string(many, "turtle", BIG, BIG)
    assert str(e.value).endswith(": " + IRI_LIMIT.format(100 * len(many.encode())))


def edges(g):
    return {(s, p["predicate"], t) for s, t, p in g.edges()}


def rdflib_edges(doc, fmt):
    rdflib = pytest.importorskip("rdflib")
    graph = rdflib.Graph().parse(data=doc, format=fmt)
    return {(str(s), str(p), str(o)) for s, p, o in graph if not isinstance(o, rdflib.Literal)}


def test_a_chain_of_bases_with_dot_segments():
    # Each base resolves against the last, its dot segments taking back
    # what earlier ones added: the IRIs are those of resolving each in turn
    # (urljoin follows RFC 3986 here; rdflib keeps a base's dot segments).
    steps = ["./a/../b/./c/", "../d/", "e/../../f/", "./", "g/h/../", "../../i/j/", "k/./l/..", "m/?q", "../#f"]
    doc, want, base = f"@base <{EX}r/> .\n", set(), EX + "r/"
    for i in range(300):
        step = steps[i % len(steps)]
        base = urljoin(base, step)
        doc += f"@base <{step}> .\n<s{i}> <p> <../o{i}> .\n"
        want.add((urljoin(base, f"s{i}"), urljoin(base, "p"), urljoin(base, f"../o{i}")))
    g, stats = rdf.load_rdf_string(doc, "turtle", BIG, BIG)
    assert edges(g) == want
    # Long, the chain loads as a plain document does.
    long = f"@base <{EX}> .\n" + "@base <./a/../b/./c/> .\n" * 40000 + "<s> <p> <o> ."
    g, stats = rdf.load_rdf_string(long, "turtle", BIG, BIG)
    assert g.node_ids()[0] == EX + "b/c/" * 40000 + "s"


def test_names_under_many_bindings():
    # Thousands of bindings in scope, names under the first and the last
    # declared, rebinding on inner elements, and more names than the
    # reader keeps at hand: each name resolves under the binding in force.
    n = 5000
    spaces = " ".join(f'xmlns:p{i}="{EX}{i}/"' for i in range(n))
    names = [f"<p0:a{i} rdf:resource='{EX}o'/><p{n - 1}:b{i} rdf:resource='{EX}o'/>" for i in range(n)]
    rebound = "".join(f'<rdf:Description rdf:about="{EX}t{i}" xmlns:p0="{EX}re{i % 3}/">'
                      f"<p0:a{i} rdf:resource='{EX}o'/></rdf:Description>" for i in range(0, n, 7))
    doc = (f'<rdf:RDF xmlns:rdf="{RDF}" {spaces}><rdf:Description rdf:about="{EX}s">{"".join(names)}</rdf:Description>'
           f"{rebound}<rdf:Description rdf:about='{EX}u'>{"".join(names[:300])}</rdf:Description></rdf:RDF>")
    g, stats = rdf.load_rdf_string(doc, "rdfxml", BIG, BIG)
    assert edges(g) == rdflib_edges(doc, "xml")


def test_xml_literals_under_many_bindings_are_bounded():
    # Every XML literal repeats the bindings in force: many literals under
    # many bindings would write their product, and are refused instead.
    def doc(bindings, literals):
        spaces = " ".join(f'xmlns:p{i}="{EX}x{i}"' for i in range(bindings))
        body = '<ex:p rdf:parseType="Literal"><a/></ex:p>' * literals
        return (f'<rdf:RDF xmlns:rdf="{RDF}" xmlns:ex="{EX}" {spaces}>'
                f'<rdf:Description rdf:about="{EX}s">{body}</rdf:Description></rdf:RDF>')

    few = doc(300, 300)
    assert rdf.load_rdf_string(few, "rdfxml", BIG, BIG)[1]["literal_properties"] == 300
    many = doc(3000, 3000)
    with pytest.raises(ValueError) as e:
        rdf.load_rdf_string(many, "rdfxml", BIG, BIG)
    assert str(e.value) == "Parse error: " + LITERAL_LIMIT.format(max(8 << 20, 100 * len(many.encode())))


def test_xml_literals_are_charged_the_hidden_bindings_they_pass_over():
    # Rebinding one prefix on every level writes a single declaration into
    # each literal, but each literal still passes over every hidden binding:
    # 20,000 literals under 4,500 bindings are refused like the product.
    def doc(literals):
        nest = '<p:D xmlns:p="e:"><p:r xmlns:p="e:">' * 2250
        body = '<p:q r:parseType="Literal"><a/></p:q>' * literals
        return (f'<r:RDF xmlns:r="{RDF}">{nest}<r:Description>{body}</r:Description>'
                + "</p:r></p:D>" * 2250 + "</r:RDF>")

    assert rdf.load_rdf_string(doc(2000), "rdfxml", BIG, BIG)[1]["literal_properties"] == 2000
    many = doc(20000)
    with pytest.raises(ValueError) as e:
        rdf.load_rdf_string(many, "rdfxml", BIG, BIG)
    assert str(e.value) == "Parse error: " + LITERAL_LIMIT.format(100 * len(many.encode()))


def test_a_bindings_entities_are_expanded_once_for_all_its_literals():
    # A namespace spelled with an entity is expanded once for its binding,
    # not again for each XML literal that declares it: 400 literals leave
    # the entity budget to the 10 KB entity's plain uses, of which some 800
    # fit in 8 MiB.
    def doc(uses):
        return (f'<?xml version="1.0"?>\n<!DOCTYPE rdf:RDF [<!ENTITY e "http://e/{"x" * 10000}">]>\n'
                f'<rdf:RDF xmlns:rdf="{RDF}" xmlns:ex="{EX}" xmlns:p="&e;"><rdf:Description rdf:about="{EX}s">'
                + '<ex:p rdf:parseType="Literal"><a/></ex:p>' * 400 + "<ex:q>&e;</ex:q>" * uses
                + "</rdf:Description></rdf:RDF>")

    assert rdf.load_rdf_string(doc(500), "rdfxml", BIG, BIG)[1]["literal_properties"] == 900
    with pytest.raises(ValueError) as e:
        rdf.load_rdf_string(doc(850), "rdfxml", BIG, BIG)
    assert str(e.value) == "Parse error: " + ENTITY_LIMIT.format(8 << 20)


def test_references_against_long_dotted_and_deep_bases():
    # What resolution keeps of a base between references (its directory,
    # without dot segments) must not change what each reference gives.
    bases = [EX + "a" * 5000, EX + "a/./b/../c/./" * 300 + "d", EX + "s/" * 2000 + "?q#f", "http://h:8/" + "y/" * 500]
    refs = ["x", "../x", "../../x/./y", "./", "", "?k", "#g", "/r", "a/../../b", "../" * 700 + "z"]
    for base in bases:
        # (urljoin keeps the base's fragment for an empty reference: each
        # reference here ends in a segment.)
        doc = f"@base <{base}> .\n" + "".join(f"<{r}o> <{EX}p> <{r}o/p> .\n" for r in refs)
        g, _ = rdf.load_rdf_string(doc, "turtle", BIG, BIG)
        want = {(urljoin(base, r + "o"), EX + "p", urljoin(base, r + "o/p")) for r in refs}
        assert edges(g) == want, base[:40]


@pytest.mark.parametrize("body", [
    # A binding on every element, rebinding the prefixes its names use.
    "".join(f'<rdf:Description rdf:about="{EX}s{i}" xmlns:q="{EX}q{i % 3}/"><q:p{i % 5} rdf:resource="{EX}o"/>'
            f'<ex:p xmlns:ex="{EX}e{i % 2}/" rdf:resource="{EX}o{i}"/></rdf:Description>' for i in range(300)),
    # Thousands of attributes on one element.
    f'<rdf:Description rdf:about="{EX}s" ' + " ".join(f'ex:a{i}="v{i}"' for i in range(5000)) + "/>",
    # Nesting with a base and a language on every level.
    f'<rdf:Description rdf:about="{EX}s">' + "".join(f'<ex:p xml:base="{EX}b{i}/" xml:lang="en"><rdf:Description rdf:about="x{i}">'
                                                      for i in range(400)) + "</rdf:Description></ex:p>" * 400
    + "</rdf:Description>",
    # References after a long base.
    f'<rdf:Description xml:base="{EX}{"a" * 5000}" rdf:about="x">'
    + "".join(f'<ex:p rdf:resource="{r}"/>' for r in ("y", "../y", "#f", "", "../../z/./w")) + "</rdf:Description>",
])
def test_rdfxml_shapes_read_as_rdflib_reads_them(body):
    doc = f'<rdf:RDF xmlns:rdf="{RDF}" xmlns:ex="{EX}">{body}</rdf:RDF>'
    g, stats = rdf.load_rdf_string(doc, "rdfxml", BIG, BIG)
    assert edges(g) == rdflib_edges(doc, "xml")


LONG = EX + "l" * 5000
LONG_NS = EX + "n" * 5000 + "/"
HUGE = EX + "h" * 300_000
SHARED_TERMS = [
    # Turtle: a long subject over object lists, coming back after nested
    # blank nodes and collections; a long predicate over its objects; both
    # spelled as prefixed names.
    ("turtle", f"<{LONG}> <{EX}p> 0, 1, <{EX}o1>, \"x\"@en, [<{EX}q> 1], [<{EX}q> <{LONG}>], "
               f"[<{EX}r> [<{EX}q> <{EX}o2>]], (<{LONG}> <{EX}o3>) ; <{EX}p2> <{EX}o4>, <{LONG}> .\n"
               f"[] <{EX}p> <{EX}o11> .\n<{LONG}> <{EX}p> <{EX}o12> .\n( <{EX}o13> ) <{EX}p> <{EX}o14> .\n"
               f"<{EX}s> <{LONG}> _:o0, _:o1, <{EX}o5>, [<{LONG}> _:o2, [<{LONG}> <{EX}o6>]] ; <{LONG}> <{EX}o7> .\n"
               f"[<{LONG}> <{EX}o8>] <{LONG}> <{EX}o9> .\n"
               f"@prefix e: <{EX}> .\ne:{'l' * 5000} e:{'l' * 5000} _:o3, e:o10, [e:{'l' * 5000} _:o4] .\n"),
    # The same long subject again on both sides of the end of the loader's
    # batch of triples (32 of them), then over nested blank nodes; fillers
    # that make as many nodes as triples, or fewer, or more.
    *(("turtle", "".join(f"<{EX}f{i}> <{EX}p> {obj.format(i)} .\n" for i in range(filler))
                 + f"<{LONG}> <{EX}a> <{EX}b> .\n<{LONG}> <{EX}c> <{EX}x>"
                 + f" ; <{EX}d> [ <{EX}e> <{EX}v> ]" * 20 + " .\n")
      for filler, obj in ((31, f"<{EX}o>"), (31, '"x"'), (31, f"<{EX}o{{}}>"), (63, f"<{EX}o>"), (63, '"x"'))),
    ("trig", f"{{ <{LONG}> <{EX}p> <{EX}o1>, [<{EX}q> <{EX}o2>], <{EX}o3> }}\n"
             f"<{EX}g> {{ <{EX}s> <{LONG}> <{EX}o4>, _:o5 ; <{EX}q> [<{LONG}> <{EX}o6>], <{EX}o7> }}\n"),
    # RDF/XML: a long subject over property elements, property attributes,
    # nested and typed node elements, reified properties, collections and
    # parseType="Resource"; names under a long namespace; a subject made
    # from rdf:ID under a long xml:base.
    ("xml", f'<rdf:Description rdf:about="{LONG}" ex:a="1" ex:b="2" rdf:type="{EX}T">'
            f'<ex:p rdf:resource="{EX}o1"/><ex:p>text</ex:p><ex:p rdf:ID="r1" rdf:resource="{LONG}"/>'
            f'<ex:p><ex:C rdf:about="{EX}o2"><ex:q rdf:resource="{LONG}"/></ex:C></ex:p>'
            f'<ex:p rdf:parseType="Collection"><rdf:Description rdf:about="{LONG}"/>'
            f'<rdf:Description rdf:about="{EX}o3"/></ex:p>'
            f'<ex:p rdf:parseType="Resource"><ex:q rdf:resource="{EX}o4"/></ex:p>'
            f'<ex:p ex:c="3" rdf:type="{EX}T2"/><ex:p rdf:parseType="Literal"><b/></ex:p>'
            f'<n:p rdf:resource="{EX}o5"/><n:p rdf:resource="{EX}o6"/></rdf:Description>'
            f'<n:Type rdf:about="{EX}t1"><n:p rdf:resource="{LONG}"/></n:Type><n:Type rdf:about="{EX}t2"/>'
            f'<rdf:Description xml:base="{LONG}" rdf:ID="x"><ex:p rdf:resource="{EX}o7"/>'
            f'<n:p rdf:resource="#y"/></rdf:Description>'),
    # Terms made for one triple longer than a block of the reader's text
    # arena (64 KiB): property attribute values, and IRIs from attributes.
    ("xml", f'<rdf:Description rdf:about="{EX}s" ex:a="{"v" * 300_000}" ex:b="{"w" * 70_000}" '
            f'rdf:type="{HUGE}"><ex:p rdf:resource="{HUGE}"/></rdf:Description>'
            f'<rdf:Description rdf:about="{HUGE}" ex:c="{"x" * 300_000}"><ex:p rdf:resource="{EX}o"/>'
            f'<ex:q rdf:nodeID="n{"n" * 100_000}" ex:d="1"/></rdf:Description>'),
]


@pytest.mark.filterwarnings("ignore::DeprecationWarning")
@pytest.mark.parametrize("fmt, doc", SHARED_TERMS)
def test_terms_shared_by_many_triples_read_as_rdflib_reads_them(fmt, doc):
    # A long term that the reader hands over again is recognised, not read
    # again: it must still name the same node, predicate or literal.
    rdflib = pytest.importorskip("rdflib")
    from rdflib.compare import isomorphic

    if fmt == "xml":
        doc = f'<rdf:RDF xmlns:rdf="{RDF}" xmlns:ex="{EX}" xmlns:n="{LONG_NS}" xml:base="{EX}b">{doc}</rdf:RDF>'
    g, stats = rdf.load_rdf_string(doc, {"xml": "rdfxml"}.get(fmt, fmt), BIG, BIG)
    theirs = rdflib.Dataset() if fmt == "trig" else rdflib.Graph()
    theirs.parse(data=doc, format=fmt)
    quads = theirs.quads() if fmt == "trig" else ((s, p, o, None) for s, p, o in theirs)
    want, literals = rdflib.Graph(), 0
    for s, p, o, _ in quads:
        if isinstance(o, rdflib.Literal):
            literals += 1
        else:
            want.add((s, p, o))

    def term(x):
        return rdflib.BNode(x[2:]) if x.startswith("_:") else rdflib.URIRef(x)

    ours = rdflib.Graph()
    for s, t, props in g.edges():
        ours.add((term(s), rdflib.URIRef(props["predicate"]), term(t)))
    assert isomorphic(ours, want)
    assert len(g.edges()) == len(want) and stats["literal_properties"] == literals


def test_names_under_a_long_namespace_are_charged_when_made():
    # A name is made once under the bindings in force and shared by its
    # uses: a long namespace costs once per name, on the IRI budget, and
    # nothing per use.
    ns = EX + "n" * 62_000 + "/"

    def doc(names):
        return (f'<rdf:RDF xmlns:rdf="{RDF}" xmlns:n="{ns}"><rdf:Description rdf:about="{EX}s">'
                + "".join(f'<n:{x} rdf:resource="{EX}o"/>' for x in names) + "</rdf:Description></rdf:RDF>")

    g, stats = rdf.load_rdf_string(doc(["p"] * 3600), "rdfxml", BIG, BIG)
    assert stats["edges"] == 3600 and edges(g) == {(EX + "s", ns + "p", EX + "o")}
    with pytest.raises(ValueError) as e:
        rdf.load_rdf_string(doc([f"p{i}" for i in range(200)]), "rdfxml", BIG, BIG)
    assert str(e.value) == "Parse error: " + IRI_LIMIT.format(8 << 20)


# Typed nodes under one namespace: (namespace bytes, distinct names, nodes)
# and whether the RDF/XML and the Turtle documents load. Every name a reader
# makes is charged its bytes; RDF/XML makes a name once and shares it among
# its uses, while Turtle expands each prefixed name where it stands. Where
# the names make more than the 8 MiB floor, a document loads on what its
# size allows, and so through a pipe too, whose budget grows with the bytes
# read.
NAMESPACE_SHAPES = [
    pytest.param(4000, 30_000, 30_000, False, False, id="long-namespace-many-names"),
    pytest.param(2000, 8_000, 8_000, False, False, id="over-the-floor"),
    pytest.param(800, 12_000, 12_000, True, True, id="over-the-floor-within-the-size"),
    pytest.param(1000, 5_000, 5_000, True, True, id="under-the-floor"),
    pytest.param(200, 50_000, 50_000, True, True, id="ontology"),
    pytest.param(4000, 3, 30_000, True, False, id="few-names-used-often"),
]


def named(outcome):
    """An outcome without its blank nodes, whose labels are drawn anew by each load."""
    return outcome if isinstance(outcome, str) else (*outcome[:2], [n for n in outcome[2] if not n.startswith("_:")])


@pytest.mark.skipif(not hasattr(os, "mkfifo"), reason="needs named pipes")
@pytest.mark.parametrize("ns_bytes, names, nodes, xml_loads, turtle_loads", NAMESPACE_SHAPES)
def test_every_name_made_is_charged_once(tmp_path, ns_bytes, names, nodes, xml_loads, turtle_loads):
    ns = EX + "n" * (ns_bytes - len(EX) - 1) + "/"
    docs = {
        "rdfxml": f'<rdf:RDF xmlns:rdf="{RDF}" xmlns:q="{ns}">'
                  + "".join(f"<q:T{i % names}/>" for i in range(nodes)) + "</rdf:RDF>",
        "turtle": f"@prefix q: <{ns}> .\n" + "".join(f"[] a q:T{i % names} .\n" for i in range(nodes)),
    }
    for fmt, loads in (("rdfxml", xml_loads), ("turtle", turtle_loads)):
        doc = docs[fmt]
        path = tmp_path / f"doc.{EXTENSIONS[fmt]}"
        path.write_text(doc)
        got = named(outcome(rdf.load_rdf_string, doc, fmt, BIG, BIG))
        assert named(outcome(rdf.load_rdf_file, str(path), BIG, BIG)) == got, fmt
        piped = named(from_pipe(tmp_path, doc, EXTENSIONS[fmt]))
        if loads:
            assert piped == got == (nodes, nodes, [f"{ns}T{i}" for i in sorted(map(str, range(names)))]), fmt
        else:
            # A pipe's budget is that of the bytes read when the names pass it.
            budget = max(8 << 20, 100 * len(doc.encode()))
            assert got.startswith("Parse error: ") and got.endswith(IRI_LIMIT.format(budget)), fmt
            assert piped.startswith("Parse error: ") and re.search(IRI_LIMIT.format(r"\d+") + "$", piped), fmt


@pytest.mark.parametrize("char, escaped", [("'", True), (">", True), ("a", False)])
def test_xml_literal_escapes_count_with_the_expansions(char, escaped):
    # 300 references to a 20,000-character entity make 6 MB, within the
    # 8 MiB floor as text; an XML literal writes them escaped (up to six
    # bytes for one), and what the escapes add is charged too, before it
    # is written.
    def doc(literal):
        kind = ' rdf:parseType="Literal"' if literal else ""
        return (f'<!DOCTYPE rdf:RDF [<!ENTITY e "{char * 20_000}">]>' + f'<rdf:RDF xmlns:rdf="{RDF}" xmlns:ex="{EX}">'
                f'<rdf:Description rdf:about="{EX}s"><ex:p{kind}>' + "&e;" * 300 + "</ex:p></rdf:Description></rdf:RDF>")

    assert rdf.load_rdf_string(doc(False), "rdfxml", BIG, BIG)[1]["literal_properties"] == 1
    if not escaped:
        assert rdf.load_rdf_string(doc(True), "rdfxml", BIG, BIG)[1]["literal_properties"] == 1
        return
    with pytest.raises(ValueError) as e:
        rdf.load_rdf_string(doc(True), "rdfxml", BIG, BIG)
    assert str(e.value) == "Parse error: " + ENTITY_LIMIT.format(8 << 20)


# XML literals whose charge on the entity budget is exactly its 8 MiB floor,
# and the same with one byte more. An entity is charged its text where it is
# declared and where it is referenced (a predefined one its one character),
# and a literal what its escapes add: 5 bytes for ' or " (&apos; &quot;), 4
# for & or CR (&amp; &#13;), 3 for < or > (&lt; &gt;). In a namespace
# declaration copied into a literal, ' and CR stand as themselves.
ESCAPES_AT_THE_LIMIT = [
    # 20,000 + 69 * 20,000 * (1 + 5) + 17,721 * 5 + 3 = 8,388,608; then 4 for the last 3.
    pytest.param("'" * 20_000, "&e;" * 69 + "'" * 17_721 + ">", "&e;" * 69 + "'" * 17_721 + "&#13;", id="text"),
    # 20,000 + 104 * 20,000 * (1 + 3) + (1 + 4) + 16,201 * 3 = 8,388,608; then 1 + 3 for one 3.
    pytest.param(">" * 20_000, "<a><b xmlns:q='" + "&e;" * 104 + "&amp;" + ">" * 16_201 + "'/></a>",
                 "<a><b xmlns:q='" + "&e;" * 104 + "&amp;&lt;" + ">" * 16_200 + "'/></a>", id="nested-declaration"),
]


@pytest.mark.parametrize("entity, exact, over", ESCAPES_AT_THE_LIMIT)
def test_xml_literal_escapes_are_charged_to_the_byte(entity, exact, over):
    def doc(body):
        return (f'<!DOCTYPE rdf:RDF [<!ENTITY e "{entity}">]><rdf:RDF xmlns:rdf="{RDF}" xmlns:ex="{EX}">'
                f'<rdf:Description rdf:about="{EX}s"><ex:p rdf:parseType="Literal">{body}</ex:p>'
                "</rdf:Description></rdf:RDF>")

    assert len(doc(over).encode()) * 100 < 8 << 20  # the floor is the limit
    assert rdf.load_rdf_string(doc(exact), "rdfxml", BIG, BIG)[1]["literal_properties"] == 1
    with pytest.raises(ValueError) as e:
        rdf.load_rdf_string(doc(over), "rdfxml", BIG, BIG)
    assert str(e.value) == "Parse error: " + ENTITY_LIMIT.format(8 << 20)
