"""Write and read back a graph of 1,000,000 nodes and 2,000,000 edges with
small property dicts, as graph JSON and as a pickle, beside the standard json
module (dumps/loads of the same records), orjson when installed, and
networkx's node-link round trip. Reports seconds and MB/s of text.

    python bench/bench_json.py        (BENCH_NODES / BENCH_EDGES to resize)
"""

import json
import os
import pickle
import random
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import _harness  # noqa: E402

N = int(os.environ.get("BENCH_NODES", 1_000_000))
M = int(os.environ.get("BENCH_EDGES", 2_000_000))


def records():
    rng = random.Random(5)
    nodes = [(f"n{i}", {"rank": i, "score": rng.random(), "kind": "person"}) for i in range(N)]
    edges = [(f"n{rng.randrange(N)}", f"n{rng.randrange(N)}", {"weight": rng.randint(1, 9), "predicate": "knows"})
             for _ in range(M)]
    return nodes, edges


def timed(fn):
    t = time.perf_counter()
    out = fn()
    return time.perf_counter() - t, out


def run_vesk(nodes, edges):
    from vesk_graph._rust.graph import PyGraph

    g = PyGraph(multi=True)
    for n, p in nodes:
        g.add_node(n, p)
    for a, b, p in edges:
        g.add_edge(a, b, p)
    tw, text = timed(g.to_json)
    size = len(text.encode())
    tr, _ = timed(lambda: PyGraph.from_json(text, size, N, M))
    out = {"write": tw, "read": tr, "bytes": size}
    if size + 4 <= 67_108_864:  # pickled state above 64 MiB is refused by design
        out["pickle_roundtrip"], _ = timed(lambda: pickle.loads(pickle.dumps(g)))
    return out


def doc(nodes, edges):
    return {"directed": True, "multi": True, "name": "",
            "nodes": [{"id": n, "properties": p} for n, p in nodes],
            "edges": [{"source": a, "target": b, "properties": p} for a, b, p in edges]}


def run_json(nodes, edges):
    d = doc(nodes, edges)
    tw, text = timed(lambda: json.dumps(d, separators=(",", ":")))
    tr, _ = timed(lambda: json.loads(text))
    return {"write": tw, "read": tr, "bytes": len(text.encode())}


def run_orjson(nodes, edges):
    import orjson

    d = doc(nodes, edges)
    tw, data = timed(lambda: orjson.dumps(d))
    tr, _ = timed(lambda: orjson.loads(data))
    return {"write": tw, "read": tr, "bytes": len(data)}


def run_networkx(nodes, edges):
    import networkx as nx

    g = nx.MultiDiGraph()
    g.add_nodes_from(nodes)
    g.add_edges_from(edges)

    def write():
        return json.dumps(nx.node_link_data(g, edges="edges"), separators=(",", ":"))

    tw, text = timed(write)
    tr, _ = timed(lambda: nx.node_link_graph(json.loads(text), edges="edges"))
    return {"write": tw, "read": tr, "bytes": len(text.encode())}


RUNNERS = {"vesk_graph": run_vesk, "json (stdlib)": run_json, "orjson": run_orjson, "networkx node-link": run_networkx}

if __name__ == "__main__":
    if len(sys.argv) > 2 and sys.argv[1] == "--child":
        print(json.dumps(RUNNERS[sys.argv[2]](*records())))
        sys.exit(0)
    print(f"graph JSON: {N:,} nodes, {M:,} edges, small property dicts")
    reads = {}
    for name in RUNNERS:
        r, err = _harness.run_child(__file__, name)
        if err is not None:
            print(f"  {name:<20} unavailable ({err})")
            continue
        reads[name] = r["read"]
        mb = r["bytes"] / 1e6
        line = (f"  {name:<20} {mb:8.1f} MB  write {r['write']:7.3f} s ({mb / r['write']:7.1f} MB/s)"
                f"  read {r['read']:7.3f} s ({mb / r['read']:7.1f} MB/s)")
        if "pickle_roundtrip" in r:
            line += f"  pickle round trip {r['pickle_roundtrip']:.3f} s"
        print(line)
    if "vesk_graph" in reads:
        for name, t in reads.items():
            if name != "vesk_graph":
                print(f"  read vs {name:<20} x{t / reads['vesk_graph']:.2f} (peer / vesk_graph; vesk_graph builds the"
                      f" whole graph, the parsers only dicts and lists)")
