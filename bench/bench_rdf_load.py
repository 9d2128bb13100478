"""Load 5,000,000 triples of N-Triples and of Turtle from a string and from a
file into a graph, beside pyoxigraph (parse only, and into its store),
rdflib, and the command-line parsers serdi and rapper (parse to /dev/null).
Reports seconds, MB/s and triples/s per case and the ratio of each to the
vesk_graph load of the same input; peers that are not installed are skipped.

The data is shaped like a typical dump: subjects in runs of eight triples
(a type, a tagged name, a typed number, five links to random subjects).
rdflib parses a prefix of the data (BENCH_RDFLIB_TRIPLES) so that the run
stays within minutes; its rates are per triple and comparable.

    python bench/bench_rdf_load.py     (BENCH_TRIPLES to resize)
"""

import json
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(__file__))
import _harness  # noqa: E402

N = int(os.environ.get("BENCH_TRIPLES", 5_000_000))
N_RDFLIB = int(os.environ.get("BENCH_RDFLIB_TRIPLES", 200_000))
PER_SUBJECT = 8
EX = "http://example.org/data/"
V = "http://example.org/vocab#"
RDF_TYPE = "http://www.w3.org/1999/02/22-rdf-syntax-ns#type"
XSD_INT = "http://www.w3.org/2001/XMLSchema#integer"
CAP = 2**64 - 1


def write_data(directory, n, stem):
    """The same triples as N-Triples and as Turtle; returns the two paths."""
    rng = random.Random(12)
    subjects = max(1, n // PER_SUBJECT)
    nt, ttl = [], [f"@prefix : <{EX}> .\n@prefix v: <{V}> .\n@prefix xsd: <http://www.w3.org/2001/XMLSchema#> .\n"]
    for i in range(subjects):
        links = [rng.randrange(subjects) for _ in range(5)]
        age = rng.randrange(18, 90)
        s = f"<{EX}r{i}>"
        nt.append(
            f"{s} <{RDF_TYPE}> <{V}Class{i % 20}> .\n"
            f'{s} <{V}name> "Resource {i}"@en .\n'
            f'{s} <{V}age> "{age}"^^<{XSD_INT}> .\n'
            f"{s} <{V}knows> <{EX}r{links[0]}> .\n{s} <{V}knows> <{EX}r{links[1]}> .\n"
            f"{s} <{V}worksWith> <{EX}r{links[2]}> .\n{s} <{V}likes> <{EX}r{links[3]}> .\n"
            f"{s} <{V}follows> <{EX}r{links[4]}> .\n"
        )
        ttl.append(
            f':r{i} a v:Class{i % 20} ;\n  v:name "Resource {i}"@en ;\n  v:age {age} ;\n'
            f"  v:knows :r{links[0]} , :r{links[1]} ;\n  v:worksWith :r{links[2]} ;\n"
            f"  v:likes :r{links[3]} ;\n  v:follows :r{links[4]} .\n"
        )
    paths = {}
    for ext, parts in (("nt", nt), ("ttl", ttl)):
        paths[ext] = os.path.join(directory, f"{stem}.{ext}")
        with open(paths[ext], "w", encoding="utf-8") as f:
            f.writelines(parts)
    return paths, subjects * PER_SUBJECT


# ---- cases, each run in a fresh process: (path, syntax) -> triples -------------

FORMAT = {"nt": "ntriples", "ttl": "turtle"}


def vesk_string(path, ext):
    from vesk_graph._rust import rdf

    with open(path, encoding="utf-8") as f:
        text = f.read()
    t = time.perf_counter()
    _, stats = rdf.load_rdf_string(text, FORMAT[ext], CAP, CAP)
    return time.perf_counter() - t, stats["total_triples"]


def vesk_file(path, ext):
    from vesk_graph._rust import rdf

    t = time.perf_counter()
    _, stats = rdf.load_rdf_file(path, CAP, CAP)
    return time.perf_counter() - t, stats["total_triples"]


def oxigraph_format(ext):
    import pyoxigraph

    return pyoxigraph.RdfFormat.N_TRIPLES if ext == "nt" else pyoxigraph.RdfFormat.TURTLE


def oxigraph_parse_string(path, ext):
    import pyoxigraph

    with open(path, "rb") as f:
        data = f.read()
    t = time.perf_counter()
    n = sum(1 for _ in pyoxigraph.parse(data, format=oxigraph_format(ext)))
    return time.perf_counter() - t, n


def oxigraph_parse_file(path, ext):
    import pyoxigraph

    t = time.perf_counter()
    n = sum(1 for _ in pyoxigraph.parse(path=path, format=oxigraph_format(ext)))
    return time.perf_counter() - t, n


def oxigraph_store(path, ext):
    import pyoxigraph

    t = time.perf_counter()
    store = pyoxigraph.Store()
    store.bulk_load(path=path, format=oxigraph_format(ext))
    return time.perf_counter() - t, len(store)


def rdflib_parse(path, ext):
    import rdflib

    t = time.perf_counter()
    g = rdflib.Graph()
    g.parse(path, format="nt" if ext == "nt" else "turtle")
    return time.perf_counter() - t, len(g)


def command(argv):
    def run(path, ext):
        if shutil.which(argv[0]) is None:
            raise RuntimeError(f"{argv[0]} is not installed")
        syntax = "ntriples" if ext == "nt" else "turtle"
        args = [a.replace("{syntax}", syntax) for a in argv] + [path]
        t = time.perf_counter()
        subprocess.run(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        return time.perf_counter() - t, None

    return run


CASES = {
    "vesk_graph load_rdf_file": vesk_file,
    "vesk_graph load_rdf_string": vesk_string,
    "pyoxigraph parse (file)": oxigraph_parse_file,
    "pyoxigraph parse (bytes)": oxigraph_parse_string,
    "pyoxigraph Store.bulk_load": oxigraph_store,
    "rdflib Graph.parse": rdflib_parse,
    "serdi (to /dev/null)": command(["serdi", "-i", "{syntax}", "-o", "ntriples"]),
    "rapper (to /dev/null)": command(["rapper", "-q", "-i", "{syntax}", "-o", "ntriples"]),
}


def main():
    with tempfile.TemporaryDirectory() as d:
        paths, n = write_data(d, N, "data")
        small, n_small = write_data(d, N_RDFLIB, "small")
        print(f"RDF loading: {n:,} triples (rdflib: {n_small:,}), one process per case")
        for ext in ("nt", "ttl"):
            print(f"{'N-Triples' if ext == 'nt' else 'Turtle'}: {os.path.getsize(paths[ext]) / 1e6:.1f} MB")
            base = None
            for name in CASES:
                path = small[ext] if name.startswith("rdflib") else paths[ext]
                count = n_small if name.startswith("rdflib") else n
                r, err = _harness.run_child(__file__, name, path, ext)
                if err is not None:
                    print(f"  {name:<30} unavailable ({err})")
                    continue
                secs = r["seconds"]
                if r["triples"] not in (None, count):
                    print(f"  {name:<30} read {r['triples']:,} triples, expected {count:,}")
                rate = count / secs
                mb = os.path.getsize(path) / 1e6 / secs
                base = base or rate
                print(f"  {name:<30} {secs:8.2f} s {mb:8.1f} MB/s {rate / 1e6:7.2f} M triples/s"
                      f"   x{rate / base:5.2f} of vesk_graph file load")


if __name__ == "__main__":
    if len(sys.argv) > 2 and sys.argv[1] == "--child":
        seconds, triples = CASES[sys.argv[2]](sys.argv[3], sys.argv[4])
        print(json.dumps({"seconds": seconds, "triples": triples}))
        sys.exit(0)
    main()
