"""Graph JSON and pickling against the peers a user would pick instead.

Writes and reads back a graph of 1,000,000 nodes and 2,000,000 edges with
small property dicts as graph JSON, beside orjson and the standard json
module (dumps/loads of the same document built from dicts) and networkx's
node-link round trip; and pickles a graph of 200,000 nodes and 400,000 edges
with the same properties (a pickled state holds at most 64 MiB) beside
igraph's pickle of the same graph. Each library runs in a fresh process;
each operation is timed 3 times there and the minimum kept.

Then from_json on documents whose one property object is shaped against
the reader (one key repeated, a few keys repeated in turn, distinct keys in
random order; as a node's property map and as a property's value), each
beside a plain graph document of the same size: its time over the plain
one's, and its time at twice the size over its own (about 2: it grows
linearly).

Ratios are peer time / vesk_graph time (above 1: vesk_graph is faster).
to_json returns a str while orjson.dumps returns bytes: the str is counted
in our time, and the cost of decoding orjson's bytes is shown apart.

    python bench/bench_json.py        (BENCH_NODES / BENCH_EDGES,
                                       BENCH_PICKLE_NODES / BENCH_PICKLE_EDGES and
                                       BENCH_SHAPE_BYTES to resize)
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
PN = int(os.environ.get("BENCH_PICKLE_NODES", 200_000))
PM = int(os.environ.get("BENCH_PICKLE_EDGES", 400_000))
SHAPE_BYTES = int(os.environ.get("BENCH_SHAPE_BYTES", 8_000_000))
REPEAT = 3


def records(n, m):
    """Nodes (id, properties) and edges (source index, target index,
    properties). Documents and graphs take each edge's endpoint ids as new
    strings, as a document read from elsewhere would hold them."""
    rng = random.Random(5)
    nodes = [(f"n{i}", {"rank": i, "score": rng.random(), "kind": "person"}) for i in range(n)]
    edges = [(rng.randrange(n), rng.randrange(n), {"weight": rng.randint(1, 9), "predicate": "knows"})
             for _ in range(m)]
    return nodes, edges


def best(fn):
    """Minimum seconds of REPEAT calls, and the last result."""
    times = []
    out = None
    for _ in range(REPEAT):
        out = None
        t = time.perf_counter()
        out = fn()
        times.append(time.perf_counter() - t)
    return min(times), out


def vesk_graph(nodes, edges):
    from vesk_graph._rust.graph import PyGraph

    g = PyGraph(multi=True)
    for n, p in nodes:
        g.add_node(n, p)
    for a, b, p in edges:
        g.add_edge(f"n{a}", f"n{b}", p)
    return g


def run_vesk():
    from vesk_graph._rust.graph import PyGraph

    nodes, edges = records(N, M)
    g = vesk_graph(nodes, edges)
    del nodes, edges
    tw, text = best(g.to_json)
    size = len(text.encode())
    tr, _ = best(lambda: PyGraph.from_json(text, size, N, M))
    return {"write": tw, "read": tr, "bytes": size}


def run_vesk_pickle():
    g = vesk_graph(*records(PN, PM))
    tp, _ = best(lambda: pickle.loads(pickle.dumps(g)))
    return {"pickle": tp}


def doc(nodes, edges):
    return {"directed": True, "multi": True, "name": "",
            "nodes": [{"id": n, "properties": p} for n, p in nodes],
            "edges": [{"source": f"n{a}", "target": f"n{b}", "properties": p} for a, b, p in edges]}


def run_orjson():
    import orjson

    d = doc(*records(N, M))
    tw, data = best(lambda: orjson.dumps(d))
    td, _ = best(data.decode)
    tr, _ = best(lambda: orjson.loads(data))
    return {"write": tw, "read": tr, "bytes": len(data), "decode": td}


def run_json():
    d = doc(*records(N, M))
    tw, text = best(lambda: json.dumps(d, separators=(",", ":")))
    tr, _ = best(lambda: json.loads(text))
    return {"write": tw, "read": tr, "bytes": len(text.encode())}


def run_networkx():
    import networkx as nx

    nodes, edges = records(N, M)
    g = nx.MultiDiGraph()
    g.add_nodes_from(nodes)
    g.add_edges_from((f"n{a}", f"n{b}", p) for a, b, p in edges)
    del nodes, edges

    def write():
        return json.dumps(nx.node_link_data(g, edges="edges"), separators=(",", ":"))

    tw, text = best(write)
    tr, _ = best(lambda: nx.node_link_graph(json.loads(text), edges="edges"))
    return {"write": tw, "read": tr, "bytes": len(text.encode())}


def run_igraph():
    import igraph as ig

    nodes, edges = records(PN, PM)
    g = ig.Graph(n=PN, edges=[(a, b) for a, b, _ in edges], directed=True)
    g.vs["name"] = [n for n, _ in nodes]
    for k in ("rank", "score", "kind"):
        g.vs[k] = [p[k] for _, p in nodes]
    for k in ("weight", "predicate"):
        g.es[k] = [p[k] for _, _, p in edges]
    del nodes, edges
    tp, _ = best(lambda: pickle.loads(pickle.dumps(g)))
    return {"pickle": tp}


def members(keys, size):
    """An object of `"key":1` members cycling through keys, about size bytes."""
    out, n, i = [], 2, 0
    while n < size:
        out.append(f'"{keys[i % len(keys)]}":1')
        n += len(out[-1]) + 1
        i += 1
    return "{" + ",".join(out) + "}"


def shuffled_keys(size):
    keys = [f"k{i}" for i in range(size // 8)]
    random.Random(7).shuffle(keys)
    return keys


# name -> the property object of about `size` bytes.
OBJECT_SHAPES = {
    "one key repeated": lambda size: members(["k"], size),
    "8 keys repeated in turn": lambda size: members([f"k{i}" for i in range(8)], size),
    "distinct keys, random order": lambda size: members(shuffled_keys(size), size),
}


def shaped_document(shape, nested, size):
    obj = OBJECT_SHAPES[shape](size)
    props = '{"v":' + obj + "}" if nested else obj
    return '{"directed":true,"multi":false,"name":"","nodes":[{"id":"a","properties":' + props + '}],"edges":[]}'


def plain_document(size):
    """A graph document as bench's records make it, of about size bytes."""
    per_node = len(vesk_graph(*records(1000, 2000)).to_json()) / 1000
    n = max(1, int(size / per_node))
    return vesk_graph(*records(n, 2 * n)).to_json()


def run_vesk_shapes():
    from vesk_graph._rust.graph import PyGraph

    def read(text):
        return best(lambda: PyGraph.from_json(text, len(text.encode()), 1 << 40, 1 << 40))[0]

    out = {}
    for size in (SHAPE_BYTES, 2 * SHAPE_BYTES):
        out[f"plain {size}"] = read(plain_document(size))
        for shape in OBJECT_SHAPES:
            for nested in (False, True):
                out[f"{shape}|{nested}|{size}"] = read(shaped_document(shape, nested, size))
    return out


RUNNERS = {"vesk_graph": run_vesk, "vesk_graph pickle": run_vesk_pickle, "orjson": run_orjson, "json (stdlib)": run_json,
           "networkx node-link": run_networkx, "igraph": run_igraph}
# Run apart, after the table of peers.
CHILDREN = dict(RUNNERS, shapes=run_vesk_shapes)


def main():
    print(f"graph JSON: {N:,} nodes, {M:,} edges, small property dicts; pickle: {PN:,} nodes, {PM:,} edges; "
          f"min of {REPEAT}")
    res = {}
    for name in RUNNERS:
        r, err = _harness.run_child(__file__, name)
        if err is not None:
            print(f"  {name:<20} unavailable ({err})")
            continue
        res[name] = r
        line = f"  {name:<20}"
        if "write" in r:
            mb = r["bytes"] / 1e6
            line += (f" {mb:7.1f} MB  write {r['write']:7.3f} s ({mb / r['write']:6.1f} MB/s)"
                     f"  read {r['read']:7.3f} s ({mb / r['read']:6.1f} MB/s)")
        if "decode" in r:
            line += f"  (bytes.decode {r['decode']:.3f} s)"
        if "pickle" in r:
            line += f"  pickle round trip {r['pickle']:.3f} s"
        print(line)
    ours = dict(res.get("vesk_graph", {}), **res.get("vesk_graph pickle", {}))
    print("ratios (peer time / vesk_graph time; above 1: vesk_graph is faster):")
    for name, r in res.items():
        if name.startswith("vesk_graph"):
            continue
        parts = []
        if "write" in r and "write" in ours:
            parts.append(f"write x{r['write'] / ours['write']:.2f}")
            parts.append(f"read x{r['read'] / ours['read']:.2f}")
        if "decode" in r and "write" in ours:
            parts.append(f"write with .decode() x{(r['write'] + r['decode']) / ours['write']:.2f}")
        if "pickle" in r and "pickle" in ours:
            parts.append(f"pickle round trip x{r['pickle'] / ours['pickle']:.2f}")
        print(f"  vs {name:<20} " + ", ".join(parts))
    print("  (vesk_graph's read builds the whole graph; the parsers build only dicts and lists)")
    shapes()


def shapes():
    r, err = _harness.run_child(__file__, "shapes")
    print(f"from_json on one property object shaped against the reader, documents of about {SHAPE_BYTES / 1e6:.0f} MB "
          f"(min of {REPEAT}):")
    if err is not None:
        print(f"  unavailable ({err})")
        return
    size, plain = SHAPE_BYTES, r[f"plain {SHAPE_BYTES}"]
    print(f"  {'plain graph document':<42} {plain * 1e3:8.1f} ms  x{1:5.2f}  2x size x{r[f'plain {2 * size}'] / plain:.2f}")
    for shape in OBJECT_SHAPES:
        for nested in (False, True):
            t = r[f"{shape}|{nested}|{size}"]
            name = f"{shape}, {'a property value' if nested else 'property map'}"
            print(f"  {name:<42} {t * 1e3:8.1f} ms  x{t / plain:5.2f}  2x size x{r[f'{shape}|{nested}|{2 * size}'] / t:.2f}")
    print("  (x: time over the plain document's; 2x size: time at twice the size over this one)")


if __name__ == "__main__":
    if len(sys.argv) > 2 and sys.argv[1] == "--child":
        print(json.dumps(CHILDREN[sys.argv[2]]()))
        sys.exit(0)
    main()
