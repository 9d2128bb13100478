"""Documents shaped against the readers, each beside a plain document of the
same size in the same syntax: long chains of relative bases, references
against long or dotted bases, many prefixes, deep nesting, long
collections; for RDF/XML many namespace bindings, a binding on every
element, XML literals under many bindings, thousands of attributes on one
element, deep nesting with xml:base and xml:lang, entity references in
attribute values.

For each shape: our load time (load_rdf_string, best of BENCH_REPEAT, 3),
the plain document's, their ratio per byte and per triple (some shapes
make many triples from few bytes), the time of a document twice the size
over this one (about 2: it grows linearly), and what came of it (triples,
or the budget that refused it). The last column is pyoxigraph's own ratio
(parse only, hostile over plain) on the same two documents, when it is
installed: what a peer pays for the same shape.

    python bench/bench_hostile.py       (BENCH_BYTES to resize, 1,000,000)
"""

import os
import subprocess
import sys
import tempfile
import time

from vesk_graph._rust import rdf

SIZE = int(os.environ.get("BENCH_BYTES", 1_000_000))
REPEAT = int(os.environ.get("BENCH_REPEAT", 3))
CAP = 1 << 62
EX = "http://ex.org/"
RDFNS = "http://www.w3.org/1999/02/22-rdf-syntax-ns#"


def repeat(unit, size, head="", tail=""):
    return head + unit * max(1, (size - len(head) - len(tail)) // len(unit)) + tail


def generate(line, size, head="", tail=""):
    out, n, i = [], len(head) + len(tail), 0
    while n < size:
        out.append(line(i))
        n += len(out[-1])
        i += 1
    return head + "".join(out) + tail


def long_term_list(size, head, item):
    """One statement: a term of half the size spelled once (in `head`), then
    objects that each reuse it."""
    return generate(lambda i: ("," if i else "") + item(i), size, f"@base <{EX}> .\n" + head(size // 2), " .\n")


def rdf_root(extra=""):
    return f'<rdf:RDF xmlns:rdf="{RDFNS}" xmlns:ex="{EX}"{extra}>'


def plain(syntax, size):
    if syntax == "turtle":
        return generate(lambda i: f"<{EX}s{i}> <{EX}p{i % 50}> <{EX}o{i}> .\n", size)
    return generate(lambda i: f'<rdf:Description rdf:about="{EX}s{i}"><ex:p{i % 50} rdf:resource="{EX}o{i}"/>'
                              "</rdf:Description>\n", size, rdf_root() + "\n", "</rdf:RDF>")


def names_under_many_bindings(size):
    n = size // 36
    return (f'<rdf:RDF xmlns:rdf="{RDFNS}" ' + " ".join(f'xmlns:p{i}="h:"' for i in range(n))
            + '>\n<rdf:Description rdf:about="h:s">' + "".join(f"<p0:n{i}>v</p0:n{i}>" for i in range(n))
            + "</rdf:Description></rdf:RDF>")


def literals_under_many_bindings(size):
    n = int((size / 70) ** 0.5)
    spaces = " ".join(f'xmlns:p{i}="{EX}x{i}"' for i in range(n))
    return repeat('<ex:p rdf:parseType="Literal"><a/></ex:p>', size,
                  rdf_root(" " + spaces) + '<rdf:Description rdf:about="h:s">', "</rdf:Description></rdf:RDF>")


def nesting_with_base_and_language(size):
    depth = 4500  # the reader refuses more than 10,000 open elements
    unit = '<rdf:Description rdf:about="s" xml:base="http://b.org/x/" xml:lang="en"><ex:p>'
    close = "</ex:p></rdf:Description>"
    one = unit * depth + "v" + close * depth
    return rdf_root() + one * max(1, size // len(one)) + "</rdf:RDF>"


SHAPES = [
    ("turtle", "relative bases with dot segments",
     lambda s: repeat("@base <./a/../b/./c/> .\n", s, f"@base <{EX}> .\n", "<s> <p> <o> .\n")),
    ("turtle", "references after a long last segment",
     lambda s: repeat("<x> <p> <y> .\n", s, f"@base <{EX}" + "a" * (s // 3) + "> .\n")),
    ("turtle", "references against a dotted base",
     lambda s: repeat("<x> <p> <y> .\n", s, f"@base <{EX}" + "a/./b/../" * (s // 30) + "> .\n")),
    ("turtle", "'..' against a long base",
     lambda s: repeat("<../../x> <p> <y> .\n", s, f"@base <{EX}" + "a/" * (s // 6) + "> .\n")),
    ("turtle", "many prefixes",
     lambda s: generate(lambda i: f"@prefix p{i}: <{EX}{i}/> .\np{i // 2}:s p{i // 3}:p p{i}:o .\n", s)),
    ("turtle", "one prefix redefined over and over",
     lambda s: generate(lambda i: f"@prefix p: <{EX}{i}/> .\np:s p:p p:o .\n", s)),
    ("turtle", "deep nesting",
     lambda s: f"@base <{EX}> .\n<s> <p> " + "[ <p> " * (s // 8) + "<o>" + " ]" * (s // 8) + " .\n"),
    ("turtle", "long collection", lambda s: f"@base <{EX}> .\n<s> <p> (" + " <o>" * (s // 4) + " ) .\n"),
    ("turtle", "a long subject, literal objects",
     lambda s: long_term_list(s, lambda n: f"<{'a' * n}> <p> ", lambda i: str(i))),
    ("turtle", "a long subject, '[ ]' objects",
     lambda s: long_term_list(s, lambda n: f"<{'a' * n}> <p> ", lambda i: f"[<q> {i}]")),
    ("turtle", "a long predicate, blank objects",
     lambda s: long_term_list(s, lambda n: f"<s> <{'a' * n}> ", lambda i: f"_:o{i}")),
    ("turtle", "a long prefixed predicate",
     lambda s: long_term_list(s, lambda n: f"@prefix e: <{EX}> .\ne:s e:{'a' * n} ", lambda i: f"_:o{i}")),
    ("rdfxml", "names under many bindings", names_under_many_bindings),
    ("rdfxml", "a binding on every element",
     lambda s: generate(lambda i: f'<ex:p xmlns:q{i % 7}="h:">v</ex:p>\n', s,
                        rdf_root() + '<rdf:Description rdf:about="h:s">', "</rdf:Description></rdf:RDF>")),
    ("rdfxml", "XML literals under many bindings", literals_under_many_bindings),
    ("rdfxml", "attributes on one element",
     lambda s: rdf_root() + '<rdf:Description rdf:about="h:s" '
               + " ".join(f'ex:a{i}="v"' for i in range(s // 12)) + "/></rdf:RDF>"),
    ("rdfxml", "nesting with base and language", nesting_with_base_and_language),
    ("rdfxml", "references after a long base",
     lambda s: repeat('<rdf:Description rdf:about="x"><ex:p rdf:resource="y"/></rdf:Description>', s,
                      rdf_root(f' xml:base="{EX}' + "a" * (s // 3) + '"'), "</rdf:RDF>")),
    ("rdfxml", "a long rdf:about around its properties",
     lambda s: generate(lambda i: f"<ex:p>{i}</ex:p>", s,
                               rdf_root() + f'<rdf:Description rdf:about="{EX}' + "a" * (s // 2) + '">',
                               "</rdf:Description></rdf:RDF>")),
    ("rdfxml", "a long xml:base, a subject from rdf:ID",
     lambda s: generate(lambda i: f"<ex:p>{i}</ex:p>", s,
                               rdf_root(f' xml:base="{EX}' + "a" * (s // 2) + '"') + '<rdf:Description rdf:ID="x">',
                               "</rdf:Description></rdf:RDF>")),
    ("rdfxml", "names under a 4,000-byte namespace",
     lambda s: generate(lambda i: f"<q:T{i}/>", s, f'<rdf:RDF xmlns:rdf="{RDFNS}" xmlns:q="{EX}{"n" * 3986}">',
                        "</rdf:RDF>")),
    ("rdfxml", "entities in attribute values",
     lambda s: repeat('<rdf:Description rdf:about="h:s" ex:v="&e;&e;&e;&e;"/>', s,
                      f'<!DOCTYPE rdf:RDF [<!ENTITY e "{"x" * 200}">]>' + rdf_root(), "</rdf:RDF>")),
]


def ours(doc, syntax):
    """(best seconds, triples or the refusal's last words)."""
    best, what = float("inf"), None
    for _ in range(REPEAT):
        t = time.perf_counter()
        try:
            what = rdf.load_rdf_string(doc, syntax, CAP, CAP)[1]["total_triples"]
        except ValueError as e:
            what = "refused: ..." + str(e)[-48:]
        best = min(best, time.perf_counter() - t)
    return best, what


def peer(doc, syntax):
    """pyoxigraph's best parse time, or None when it is not installed or fails."""
    try:
        import pyoxigraph
    except ImportError:
        return None
    fmt = pyoxigraph.RdfFormat.TURTLE if syntax == "turtle" else pyoxigraph.RdfFormat.RDF_XML
    data = doc.encode()
    best = float("inf")
    for _ in range(REPEAT):
        t = time.perf_counter()
        try:
            for _ in pyoxigraph.parse(data, format=fmt):
                pass
        except (SyntaxError, ValueError):
            return None
        best = min(best, time.perf_counter() - t)
    return best


def export_shape(size):
    """The graph of a long subject with IRI objects: a term of half the size
    that the Turtle export groups every edge under."""
    return long_term_list(size, lambda n: f"<{'a' * n}> <p> ", lambda i: f"<o{i}>")


def export_time(doc):
    g = rdf.load_rdf_string(doc, "turtle", CAP, CAP)[0]
    best = float("inf")
    for _ in range(REPEAT):
        t = time.perf_counter()
        rdf.export_turtle(g)
        best = min(best, time.perf_counter() - t)
    return best


# Writes the file argv[2], then argv[3] over and over, into the pipe argv[1]
# until the reader closes it or argv[4] bytes are out.
ENDLESS_WRITER = """
import os, sys
path, unit, limit = sys.argv[1], sys.argv[3].encode(), int(sys.argv[4])
with open(sys.argv[2], "rb") as f:
    head = f.read()
fd = os.open(path, os.O_WRONLY)
block = unit * max(1, 65536 // len(unit))
written = os.write(fd, head)
try:
    while written < limit:
        written += os.write(fd, block)
except BrokenPipeError:
    pass
"""

# Streams that never end inside one construct, read through a named pipe
# under a byte cap: (extension, name, head, unit).
PIPES = [
    ("ttl", "Turtle comment", "#", "x"),
    ("ttl", "Turtle long string of quotes", f'<{EX}s> <{EX}p> """', '"x'),
    ("nt", "N-Triples IRI of escapes", "<", "\\u00e9"),
    ("rdf", "RDF/XML processing instruction of '?'", "<?pi ", "?"),
    ("rdf", "RDF/XML CDATA of ']'", rdf_root() + '<rdf:Description rdf:about="h:s"><ex:p><![CDATA[', "]"),
    ("rdf", "RDF/XML comment of 'a-'", "<!--", "a-"),
    ("rdf", "RDF/XML DOCTYPE comment of '-'", "<!DOCTYPE r [<!--", "-"),
]


def through_pipe(ext, head, unit, cap, limit=None):
    """(seconds until the load ends, its outcome) for a pipe fed by another
    process with `head`, then `unit` until `limit` bytes (64 x the cap)."""
    with tempfile.TemporaryDirectory() as d:
        fifo, first = os.path.join(d, "stream." + ext), os.path.join(d, "head")
        os.mkfifo(fifo)
        with open(first, "w") as f:
            f.write(head)
        limit = 64 * cap if limit is None else limit
        writer = subprocess.Popen([sys.executable, "-c", ENDLESS_WRITER, fifo, first, unit, str(limit)])
        time.sleep(0.3)  # the writer's start-up, until it waits in its open, is not the load's time
        t = time.perf_counter()
        try:
            what = rdf.load_rdf_file(fifo, cap, CAP)[1]["total_triples"]
        except ValueError as e:
            what = str(e)
        elapsed = time.perf_counter() - t
        writer.kill()
        writer.wait()
    return elapsed, what


def pipes():
    """Each endless stream beside a plain document of the cap's size through a pipe."""
    print(f"\nEndless streams through a pipe, max_bytes = {SIZE:,}: refused one byte past the cap.")
    print(f"  {'stream':<40} {'ours ms':>8} {'plain ms':>8} {'ratio':>9} {'2x cap':>8}  bytes read")
    doc = plain("turtle", SIZE)
    for ext, name, head, unit in PIPES:
        t, what = through_pipe(ext, head, unit, SIZE)
        t_double, _ = through_pipe(ext, head, unit, 2 * SIZE)
        t_plain, _ = through_pipe("ttl", doc, " ", CAP, len(doc.encode()))
        read = what.split(" bytes;")[0].removeprefix("RDF file is ") if isinstance(what, str) else what
        print(f"  {name:<40} {t * 1e3:8.1f} {t_plain * 1e3:8.1f} {t / t_plain:8.2f}x {t_double / t:7.2f}x  {read}")


def main():
    print(f"Hostile documents of about {SIZE:,} bytes against plain ones of the same size (best of {REPEAT}).")
    print(f"  {'shape':<40} {'ours ms':>8} {'plain ms':>8} {'per byte':>9} {'per triple':>10} {'2x size':>8}"
          f" {'pyoxigraph':>10}  outcome")
    for syntax, name, make in SHAPES:
        doc = make(SIZE)
        usual = plain(syntax, len(doc))
        t, what = ours(doc, syntax)
        t_plain, plain_triples = ours(usual, syntax)
        t_double, _ = ours(make(2 * SIZE), syntax)
        per_triple = ""
        if isinstance(what, int) and what >= 1000:
            per_triple = f"{(t / what) / (t_plain / plain_triples):9.2f}x"
        p, p_plain = peer(doc, syntax), peer(usual, syntax)
        theirs = f"{p / p_plain:9.2f}x" if p and p_plain else "         -"
        print(f"  {syntax + ': ' + name:<40} {t * 1e3:8.1f} {t_plain * 1e3:8.1f} {t / t_plain:8.2f}x {per_triple:>10}"
              f" {t_double / t:7.2f}x {theirs:>10}  {what}")
    doc = export_shape(SIZE)
    t, t_plain = export_time(doc), export_time(plain("turtle", len(doc)))
    t_double = export_time(export_shape(2 * SIZE))
    print(f"  {'export_turtle: a long subject':<40} {t * 1e3:8.1f} {t_plain * 1e3:8.1f} {t / t_plain:8.2f}x"
          f" {'':>10} {t_double / t:7.2f}x {'-':>10}  (the graph of each document)")
    pipes()


if __name__ == "__main__":
    main()
