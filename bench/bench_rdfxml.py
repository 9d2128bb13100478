"""Load an RDF/XML file of 1,000,000 triples (typed node elements, language
tagged and typed literals, rdf:resource links, rdf:nodeID and
parseType="Resource" blank nodes) with load_rdf_file and load_rdf_string,
beside rdflib, pyoxigraph (parse only, and into its store) and Debian's
rapper (parse to /dev/null). Each case runs in a fresh process; absent peers
are skipped. Reports seconds, triples/s and each peer's time over ours.

    python bench/bench_rdfxml.py        (BENCH_TRIPLES to resize)
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from _harness import child_main, report  # noqa: E402

TRIPLES = int(os.environ.get("BENCH_TRIPLES", 1_000_000))
PATH = Path(tempfile.gettempdir()) / f"vg_bench_rdfxml_{TRIPLES}.rdf"
CAP = 1 << 62


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


def ensure_document():
    if not PATH.exists():
        tmp = PATH.with_suffix(".part")
        write_document(tmp, TRIPLES)
        tmp.rename(PATH)
    return PATH


def vesk_file():
    from vesk_graph._rust import rdf
    return lambda: (lambda s: s["total_triples"])(rdf.load_rdf_file(str(PATH), CAP, CAP)[1])


def vesk_string():
    from vesk_graph._rust import rdf
    text = PATH.read_text(encoding="utf-8")
    return lambda: (lambda s: s["total_triples"])(rdf.load_rdf_string(text, "rdfxml", CAP, CAP)[1])


def rdflib_parse():
    import rdflib
    return lambda: len(rdflib.Graph().parse(str(PATH), format="xml"))


def oxigraph_parse():
    import pyoxigraph
    return lambda: sum(1 for _ in pyoxigraph.parse(path=str(PATH), format=pyoxigraph.RdfFormat.RDF_XML))


def oxigraph_store():
    import pyoxigraph
    def run():
        store = pyoxigraph.Store()
        store.bulk_load(path=str(PATH), format=pyoxigraph.RdfFormat.RDF_XML)
        return len(store)
    return run


def rapper():
    if shutil.which("rapper") is None:
        raise RuntimeError("rapper is not installed")
    def run():
        with open(os.devnull, "wb") as null:
            subprocess.run(["rapper", "-q", "-i", "rdfxml", "-o", "ntriples", str(PATH)], stdout=null, check=True)
        return TRIPLES
    return run


CASES = {
    "vesk load_rdf_file": (vesk_file, lambda run: run()),
    "vesk load_rdf_string": (vesk_string, lambda run: run()),
    "pyoxigraph parse": (oxigraph_parse, lambda run: run()),
    "pyoxigraph Store.bulk_load": (oxigraph_store, lambda run: run()),
    "rapper to /dev/null": (rapper, lambda run: run()),
    "rdflib Graph.parse": (rdflib_parse, lambda run: run()),
}


def main():
    t = time.perf_counter()
    ensure_document()
    size = PATH.stat().st_size
    print(f"{TRIPLES:,} triples, {size / 1e6:.1f} MB of RDF/XML (written in {time.perf_counter() - t:.1f} s)")
    results = report("Loading RDF/XML", __file__, list(CASES))
    ours = results.get("vesk load_rdf_file", {}).get("seconds")
    print("Triples/s and peer time over load_rdf_file:")
    for name, r in results.items():
        if "error" in r:
            continue
        ratio = f"{r['seconds'] / ours:7.2f}x" if ours else "      -"
        print(f"  {name:<28} {TRIPLES / r['seconds']:>12,.0f} triples/s   {ratio}")


if __name__ == "__main__":
    if len(sys.argv) > 2 and sys.argv[1] == "--child":
        child_main(CASES)
    else:
        main()
