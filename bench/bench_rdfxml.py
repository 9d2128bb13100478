"""Load an RDF/XML file of 1,000,000 triples (typed node elements, language
tagged and typed literals, rdf:resource links, rdf:nodeID and
parseType="Resource" blank nodes) with load_rdf_file and load_rdf_string,
beside pyoxigraph (parse only, and into its Store), Debian's rapper (parse
to /dev/null) and rdflib (on BENCH_RDFLIB_TRIPLES triples, scaled per
triple). Each case runs in a fresh process BENCH_REPEAT times (3): the
fastest run's time, the largest peak memory. Ratios compare each case with
our file load: its time over ours (above 1: we are faster), its peak memory
over ours. Absent peers are skipped.

    python bench/bench_rdfxml.py        (BENCH_TRIPLES to resize)
"""

import json
import os
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import _harness  # noqa: E402

TRIPLES = int(os.environ.get("BENCH_TRIPLES", 1_000_000))
RDFLIB_TRIPLES = int(os.environ.get("BENCH_RDFLIB_TRIPLES", 100_000))
REPEAT = int(os.environ.get("BENCH_REPEAT", 3))
CAP = 1 << 62


def document(triples):
    return Path(tempfile.gettempdir()) / f"vg_bench_rdfxml_{triples}.rdf"


def write_document(path, triples):
    """Eight triples per person; a blank-node address every person."""
    people = max(1, triples // 8)
    with open(path, "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0" encoding="utf-8"?>\n'
                '<!DOCTYPE rdf:RDF [<!ENTITY xsd "http://www.w3.org/2001/XMLSchema#">]>\n'
                '<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#"\n'
                '         xmlns:rdfs="http://www.w3.org/2000/01/rdf-schema#"\n'
                '         xmlns:ex="http://example.org/vocab#" xml:base="http://example.org/people/">\n')
        for i in range(people):
            f.write(f'  <ex:Person rdf:about="p{i}">\n'
                    f'    <rdfs:label xml:lang="en">Person number {i}</rdfs:label>\n'
                    f'    <ex:age rdf:datatype="&xsd;integer">{i % 90}</ex:age>\n'
                    f'    <ex:knows rdf:resource="p{(i * 7 + 1) % people}"/>\n'
                    f'    <ex:worksFor rdf:nodeID="org{i % 1000}"/>\n'
                    f'    <ex:address rdf:parseType="Resource">\n'
                    f'      <ex:city>City {i % 500}</ex:city>\n'
                    f'      <ex:zip>{10000 + i % 90000}</ex:zip>\n'
                    f'    </ex:address>\n'
                    f'  </ex:Person>\n')
        f.write('</rdf:RDF>\n')


def ensure_document(triples):
    path = document(triples)
    if not path.exists():
        tmp = path.with_suffix(".part")
        write_document(tmp, triples)
        tmp.rename(path)
    return path


# ---- cases, each run in a fresh process: path -> (seconds, triples, peak MiB)

def vesk_file(path):
    def setup():
        from vesk_graph._rust import rdf
        return lambda: rdf.load_rdf_file(path, CAP, CAP)[1]["total_triples"]
    return _harness.timed(setup)


def vesk_string(path):
    def setup():
        from vesk_graph._rust import rdf
        text = Path(path).read_text(encoding="utf-8")
        return lambda: rdf.load_rdf_string(text, "rdfxml", CAP, CAP)[1]["total_triples"]
    return _harness.timed(setup)


def oxigraph_parse(path):
    def setup():
        import pyoxigraph
        return lambda: sum(1 for _ in pyoxigraph.parse(path=path, format=pyoxigraph.RdfFormat.RDF_XML))
    return _harness.timed(setup)


def oxigraph_store(path):
    def setup():
        import pyoxigraph

        def run():
            pyoxigraph.Store().bulk_load(path=path, format=pyoxigraph.RdfFormat.RDF_XML)
        return run
    return _harness.timed(setup)


def rdflib_parse(path):
    def setup():
        import rdflib

        def run():
            rdflib.Graph().parse(path, format="xml")
        return run
    return _harness.timed(setup)


def rapper(path):
    return _harness.run_command(["rapper", "-q", "-i", "rdfxml", "-o", "ntriples", path])


OURS = "vesk_graph load_rdf_file"
CASES = {
    OURS: vesk_file,
    "vesk_graph load_rdf_string": vesk_string,
    "pyoxigraph parse": oxigraph_parse,
    "pyoxigraph Store.bulk_load": oxigraph_store,
    "rapper (to /dev/null)": rapper,
    "rdflib Graph.parse": rdflib_parse,
}
SMALL = {"rdflib Graph.parse"}


def main():
    t = time.perf_counter()
    big, small = ensure_document(TRIPLES), ensure_document(RDFLIB_TRIPLES)
    print(f"Loading RDF/XML: {TRIPLES:,} triples, {big.stat().st_size / 1e6:.1f} MB (rdflib: {RDFLIB_TRIPLES:,};"
          f" written in {time.perf_counter() - t:.1f} s), each case in a fresh process, best of {REPEAT}")

    def inputs(name):
        return (str(small), RDFLIB_TRIPLES, []) if name in SMALL else (str(big), TRIPLES, [])

    results = _harness.ratio_table(__file__, list(CASES), inputs, TRIPLES, REPEAT, SMALL)
    ours = results.get(OURS)
    if ours and "pyoxigraph parse" in results:
        print(f"Goal: pyoxigraph parse time / ours = {results['pyoxigraph parse'][0] / ours[0]:.2f}")
    if ours and "pyoxigraph Store.bulk_load" in results:
        print(f"Goal: our peak / pyoxigraph Store peak = {ours[1] / results['pyoxigraph Store.bulk_load'][1]:.2f}")


if __name__ == "__main__":
    if len(sys.argv) > 2 and sys.argv[1] == "--child":
        seconds, triples, peak = CASES[sys.argv[2]](sys.argv[3])
        print(json.dumps({"seconds": seconds, "triples": triples, "peak_mib": peak}))
        sys.exit(0)
    main()
