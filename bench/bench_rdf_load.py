"""Load 5,000,000 triples of N-Triples and of Turtle from a file and from a
string into a graph, beside what a user would pick instead: pyoxigraph
(parse only, and into its Store), the command-line parsers serdi and rapper
(parse to /dev/null), and rdflib. Each case runs in a fresh process
BENCH_REPEAT times (3): the fastest run's time, the largest peak memory.

Ratios compare each case with our file load: time ratio = its time over
ours (above 1: we are faster), memory ratio = its peak over ours. Peak
memory is what the load adds to the process (the command-line tools: the
whole process). rdflib parses a prefix of the data (BENCH_RDFLIB_TRIPLES)
so that the run stays within minutes; its time and memory are scaled per
triple.

The data is shaped like a typical dump: subjects in runs of eight triples
(a type, a tagged name, a typed number, five links to random subjects).

    python bench/bench_rdf_load.py     (BENCH_TRIPLES to resize)
"""

import json
import os
import random
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(__file__))
import _harness  # noqa: E402

N = int(os.environ.get("BENCH_TRIPLES", 5_000_000))
N_RDFLIB = int(os.environ.get("BENCH_RDFLIB_TRIPLES", 200_000))
REPEAT = int(os.environ.get("BENCH_REPEAT", 3))
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


# ---- cases, each run in a fresh process: (path, ext) -> (seconds, triples, peak MiB)

FORMAT = {"nt": "ntriples", "ttl": "turtle"}


def vesk_string(path, ext):
    def setup():
        from vesk_graph._rust import rdf

        with open(path, encoding="utf-8") as f:
            text = f.read()
        return lambda: rdf.load_rdf_string(text, FORMAT[ext], CAP, CAP)[1]["total_triples"]

    return _harness.timed(setup)


def vesk_file(path, ext):
    def setup():
        from vesk_graph._rust import rdf

        return lambda: rdf.load_rdf_file(path, CAP, CAP)[1]["total_triples"]

    return _harness.timed(setup)


def oxigraph_format(ext):
    import pyoxigraph

    return pyoxigraph.RdfFormat.N_TRIPLES if ext == "nt" else pyoxigraph.RdfFormat.TURTLE


def oxigraph_parse_bytes(path, ext):
    def setup():
        import pyoxigraph

        with open(path, "rb") as f:
            data = f.read()
        return lambda: sum(1 for _ in pyoxigraph.parse(data, format=oxigraph_format(ext)))

    return _harness.timed(setup)


def oxigraph_parse_file(path, ext):
    def setup():
        import pyoxigraph

        return lambda: sum(1 for _ in pyoxigraph.parse(path=path, format=oxigraph_format(ext)))

    return _harness.timed(setup)


def oxigraph_store(path, ext):
    def setup():
        import pyoxigraph

        def run():
            store = pyoxigraph.Store()
            store.bulk_load(path=path, format=oxigraph_format(ext))
            return None  # a set of quads: a repeated triple counts once

        return run

    return _harness.timed(setup)


def rdflib_parse(path, ext):
    def setup():
        import rdflib

        def run():
            g = rdflib.Graph()
            g.parse(path, format="nt" if ext == "nt" else "turtle")
            return None  # a set: a repeated triple counts once

        return run

    return _harness.timed(setup)


def command(argv):
    def run(path, ext):
        syntax = "ntriples" if ext == "nt" else "turtle"
        return _harness.run_command([a.replace("{syntax}", syntax) for a in argv] + [path])

    return run


OURS = "vesk_graph load_rdf_file"
CASES = {
    OURS: vesk_file,
    "vesk_graph load_rdf_string": vesk_string,
    "pyoxigraph parse (file)": oxigraph_parse_file,
    "pyoxigraph parse (bytes)": oxigraph_parse_bytes,
    "pyoxigraph Store.bulk_load": oxigraph_store,
    "serdi (to /dev/null)": command(["serdi", "-i", "{syntax}", "-o", "ntriples"]),
    "rapper (to /dev/null)": command(["rapper", "-q", "-i", "{syntax}", "-o", "ntriples"]),
    "rdflib Graph.parse": rdflib_parse,
}
SMALL = {"rdflib Graph.parse"}


def main():
    goals = {}
    with tempfile.TemporaryDirectory() as d:
        paths, n = write_data(d, N, "data")
        small, n_small = write_data(d, N_RDFLIB, "small")
        print(f"RDF loading: {n:,} triples (rdflib: {n_small:,}), each case in a fresh process, best of {REPEAT}")
        for ext in ("nt", "ttl"):
            title = "N-Triples" if ext == "nt" else "Turtle"
            print(f"{title}: {os.path.getsize(paths[ext]) / 1e6:.1f} MB")

            def inputs(name):
                return (small[ext], n_small, [ext]) if name in SMALL else (paths[ext], n, [ext])

            goals[title] = _harness.ratio_table(__file__, list(CASES), inputs, n, REPEAT, SMALL)
    print("Goals (time ratios above 1: we are faster):")
    for title, results in goals.items():
        ours = results.get(OURS)
        if not ours:
            continue
        for peer in ("pyoxigraph parse (file)", "serdi (to /dev/null)"):
            if peer in results:
                print(f"  {title}: {peer} time / ours = {results[peer][0] / ours[0]:.2f}")
        if "pyoxigraph Store.bulk_load" in results:
            print(f"  {title}: our peak / pyoxigraph Store peak = {ours[1] / results['pyoxigraph Store.bulk_load'][1]:.2f}")


if __name__ == "__main__":
    if len(sys.argv) > 2 and sys.argv[1] == "--child":
        seconds, triples, peak = CASES[sys.argv[2]](sys.argv[3], sys.argv[4])
        print(json.dumps({"seconds": seconds, "triples": triples, "peak_mib": peak}))
        sys.exit(0)
    main()
