import copy
import itertools
import json
import pickle
import random

import pytest

from vesk_graph._rust.graph import PyGraph

LIMIT = 67_108_864


def sample():
    g = PyGraph(directed=False, name="kg", multi=True)
    g.add_node("gone")
    g.add_node("a", {"x": [1, -2, 2.5, None, True, "t\u00e9\n"], "o": {"b": 1, "a": {}}})
    g.add_node("b")
    g.add_node("", {"": ""})  # empty texts have no bytes to copy
    g.add_edge("a", "b", {"w": 1e-7})
    g.add_edge("b", "a")
    g.remove_node("gone")
    return g


def same(g, h):
    assert (h.is_directed, h.is_multi, h.name) == (g.is_directed, g.is_multi, g.name)
    assert h.node_ids() == g.node_ids()
    assert h.edges() == g.edges()
    assert [h.node(n) for n in h.node_ids()] == [g.node(n) for n in g.node_ids()]


def test_json_round_trip_with_exact_caps():
    g = sample()
    text = g.to_json()
    n = len(text.encode())
    h = PyGraph.from_json(text, n, g.n_nodes, g.n_edges)
    same(g, h)
    # Each cap one below the graph: that cap, and only it, refuses.
    for caps, message in [
        ((n - 1, g.n_nodes, g.n_edges),
         f"Graph JSON is {n} bytes; refusing to parse above {n - 1} bytes (raise VeskGraphSettings.max_bytes if intended)."),
        ((n, g.n_nodes - 1, g.n_edges),
         f"Graph JSON declares {g.n_nodes} nodes; refusing above max_nodes={g.n_nodes - 1} "
         "(raise VeskGraphSettings.max_nodes if intended)."),
        ((n, g.n_nodes, g.n_edges - 1),
         f"Graph JSON declares {g.n_edges} edges; refusing above max_edges={g.n_edges - 1} "
         "(raise VeskGraphSettings.max_edges if intended)."),
    ]:
        with pytest.raises(ValueError) as ei:
            PyGraph.from_json(text, *caps)
        assert str(ei.value) == message


@pytest.mark.parametrize("protocol", range(2, pickle.HIGHEST_PROTOCOL + 1))
def test_pickle_and_deepcopy(protocol):
    g = sample()
    h = pickle.loads(pickle.dumps(g, protocol=protocol))
    same(g, h)
    assert h is not g
    d = copy.deepcopy(g)
    same(g, d)
    d.add_node("new")
    assert "new" not in g


def test_setstate_takes_flags_from_the_state_and_closes_slots():
    g = sample()
    target = PyGraph()
    target.add_node("old")
    target.__setstate__(g.__getstate__())
    same(g, target)
    assert target.__getstate__().startswith(b"QTB1{")


def test_deeply_nested_values_survive_json():
    v = 0
    for _ in range(123):
        v = [v]
    g = PyGraph()
    g.add_node("n", {"v": v})
    h = PyGraph.from_json(g.to_json(), 10**9, 10, 10)
    assert h.node("n") == {"v": v}
    same(g, pickle.loads(pickle.dumps(g)))


@pytest.mark.parametrize(
    "state, exc, message",
    [
        (b"QTB", ValueError, "vesk-graph pickle payload too short to contain magic header."),
        (b"ABCD{}", ValueError, "vesk-graph pickle magic mismatch: expected b'QTB1', got [65, 66, 67, 68]. "
                                 "Pickled state from a different vesk-graph release or format."),
        (b"QTB1", ValueError, "EOF while parsing a value at line 1 column 0"),
        (b"QTB1\xff", ValueError, "vesk-graph pickle payload after magic header is not UTF-8: "
                                   "invalid utf-8 sequence of 1 bytes from index 0"),
        (b"QTB1{\xe2\x82", ValueError, "vesk-graph pickle payload after magic header is not UTF-8: "
                                        "incomplete utf-8 byte sequence from index 1"),
    ],
)
def test_setstate_payload_errors_leave_the_graph(state, exc, message):
    g = sample()
    with pytest.raises(exc) as ei:
        g.__setstate__(state)
    assert str(ei.value) == message
    same(sample(), g)


def setstate_refusal(size):
    return (f"vesk-graph pickle payload is {size} bytes; refusing to deserialize above {LIMIT} bytes "
            "(audit A2-#4). Set state on a smaller graph or deserialize from a trusted source through Graph.from_json().")


class _Endless:
    """A sequence of no known length whose iteration (at C speed) goes on
    far past the limit: it must be refused once past it, not read to its end."""

    def __init__(self, n):
        self.n = n

    def __getitem__(self, i):
        return 88

    def __len__(self):
        raise TypeError("no length")

    def __iter__(self):
        return itertools.repeat(88, self.n)


class _Claims(_Endless):
    """A sequence whose length claims far more than it yields: a refusal
    may name only what was read."""

    def __len__(self):
        return 100_000_000


# A size is named where it is the state's own (bytes, a bytearray, an exact
# list or tuple: some 540 MB of pointers each); elsewhere it is what was read.
@pytest.mark.parametrize("form, over, size", [
    (bytes, LIMIT + 1, LIMIT + 1),
    (bytearray, LIMIT + 1, LIMIT + 1),
    (list, LIMIT + 1, LIMIT + 1),
    (tuple, LIMIT + 1, LIMIT + 1),
    (_Endless, 4 * LIMIT, f"more than {LIMIT}"),
    (_Claims, LIMIT + 1, f"more than {LIMIT}"),
])
def test_setstate_size_is_checked_first(form, over, size):
    def state(n):
        return form(n) if form in (_Endless, _Claims) else form(b"X" * n)

    g = PyGraph()
    with pytest.raises(ValueError) as ei:
        g.__setstate__(state(over))
    assert str(ei.value) == setstate_refusal(size)
    assert not getattr(ei.value, "__notes__", None)
    # Exactly the limit passes the size check and fails later.
    with pytest.raises(ValueError, match="magic mismatch"):
        g.__setstate__(state(LIMIT))


def test_getstate_refuses_state_that_could_not_be_loaded_back():
    g = PyGraph()
    g.add_node("big", {"blob": "x" * LIMIT})
    with pytest.raises(RuntimeError, match=str(LIMIT)):
        g.__getstate__()
    with pytest.raises(RuntimeError):
        pickle.dumps(g)
    assert len(g.to_json()) > LIMIT  # plain JSON has no such limit


def refusal(size):
    return (f"vesk-graph pickle payload is {size} bytes; refusing to serialize above {LIMIT} bytes, the most that "
            "unpickling accepts. Save larger graphs with Graph.to_json().")


def filled(where, n):
    """A small graph holding n more bytes of state in its name, a node's
    properties or an edge's properties."""
    fill = "x" * n
    g = PyGraph(name=fill if where == "name" else "g")
    g.add_node("a", {"f": fill} if where == "node" else {})
    g.add_node("b")
    g.add_edge("a", "b", {"f": fill} if where == "edge" else {})
    return g


@pytest.mark.parametrize("where", ["name", "node", "edge"])
def test_state_at_the_limit_round_trips_and_one_byte_more_is_refused(where):
    fill = LIMIT - len(filled(where, 0).__getstate__())
    g = filled(where, fill)
    assert len(g.__getstate__()) == LIMIT
    same(g, pickle.loads(pickle.dumps(g)))
    # The writing stops after a record that passes the limit; when only the
    # closing bytes pass it, the whole length is known.
    for extra, size in ((1, LIMIT + 1), (1000, f"more than {LIMIT}")):
        over = filled(where, fill + extra)
        with pytest.raises(RuntimeError) as ei:
            pickle.dumps(over)
        assert str(ei.value) == refusal(size)
        same(filled(where, fill + extra), over)


# Graphs whose state would be hundreds of times their document: a long term
# written on every edge record.
LOADED = "from vesk_graph._rust import rdf\ng = rdf.load_rdf_string(doc, 'turtle', 1 << 40, 1 << 40)[0]"
OBJECTS = "', '.join(f':o{i}' for i in range(100_000))"


@pytest.mark.parametrize("doc", [
    # 0.8 MB of Turtle, 620 MB of state
    f"doc = '@prefix : <http://ex.org/> .\\n:s :' + 'p' * 2000 + ' ' + {OBJECTS} + ' .'",
    # 3.4 MB of Turtle, 100 GB of state
    f"doc = '@prefix : <http://ex.org/> .\\n<http://ex.org/' + 'a' * 1_000_000 + '> :p ' + {OBJECTS} + ' .'",
], ids=["long predicate", "long subject"])
def test_pickling_refuses_a_huge_state_within_bounded_memory(memory_capped, doc):
    out = memory_capped(
        f"import pickle\n{doc}\n{LOADED}",
        "try:\n"
        "    pickle.dumps(g)\n"
        "except RuntimeError as e:\n"
        "    print(e)\n"
        "print(g.n_nodes, g.n_edges)",
    )
    assert out.splitlines() == [refusal(f"more than {LIMIT}"), "100001 100000"]


# State past the limit, refused where it passes it under an address-space
# cap far below the whole: the writing looks at the size after the name
# and after each record, nodes included, and its first guess at the size
# from the counts is held to the limit; __setstate__ reads what it is
# handed no further than one byte past the limit.
GRAPH = "from vesk_graph._rust.graph import PyGraph\ng = PyGraph()\n"
MANY_RECORDS = ("doc = '@prefix : <http://ex.org/> .\\n:s :p ' + ', '.join(f':o{i}' for i in range(1_500_000)) + ' .'\n"
                + LOADED + "\ndel doc")
SEQUENCE = GRAPH + """import itertools
class Sequence:
    def __getitem__(self, i):
        return 88
    def __iter__(self):
        return itertools.repeat(88, 1 << 40)
"""
TOO_LARGE = "RuntimeError " + refusal(f"more than {LIMIT}")


@pytest.mark.parametrize("setup, call, message", [
    # 500 MB of node ids.
    pytest.param(GRAPH + "for i in range(500):\n    g.add_node(f'{i:03}' + 'x' * (1 << 20))",
                 "g.__getstate__()", TOO_LARGE, id="node-records"),
    # A 100 MB name, then a 400 MB node that is never written.
    pytest.param(GRAPH + "g = PyGraph(name='n' * (100 << 20))\ng.add_node('a', {'f': 'x' * (400 << 20)})",
                 "g.__getstate__()", TOO_LARGE, id="name"),
    # 3 million short records: a guess of 128 bytes each is 384 MB.
    pytest.param(MANY_RECORDS, "g.__getstate__()", TOO_LARGE, id="many-short-records"),
    pytest.param(GRAPH + "state = bytearray(300 << 20)", "g.__setstate__(state)",
                 f"ValueError {setstate_refusal(300 << 20)}", id="bytearray"),
    pytest.param(SEQUENCE + "    def __len__(self):\n        raise TypeError", "g.__setstate__(Sequence())",
                 f"ValueError {setstate_refusal(f'more than {LIMIT}')}", id="endless-sequence"),
    pytest.param(SEQUENCE + "    def __len__(self):\n        return 1 << 40", "g.__setstate__(Sequence())",
                 f"ValueError {setstate_refusal(f'more than {LIMIT}')}", id="huge-sequence"),
])
def test_state_past_the_limit_is_refused_within_bounded_memory(memory_capped, setup, call, message):
    out = memory_capped(setup, f"try:\n    {call}\nexcept Exception as e:\n    print(type(e).__name__, e)", 256)
    assert out.splitlines() == [message]


class _NotIterable:
    """A sequence (it has __getitem__) whose iteration is refused."""

    __iter__ = None

    def __getitem__(self, i):
        return 0

    def __len__(self):
        return 1


class _LengthInterrupted:
    """A sequence whose length is never known: Ctrl-C comes while it is asked for."""

    def __getitem__(self, i):
        return 0

    def __len__(self):
        raise KeyboardInterrupt

    def __iter__(self):
        return iter(())


def test_setstate_state_forms_and_their_errors():
    good = sample().__getstate__()
    g = PyGraph()
    g.__setstate__(list(good))
    same(sample(), g)
    g2 = PyGraph()
    g2.__setstate__(bytearray(good))
    same(sample(), g2)
    cases = [
        ([0, 256], OverflowError, "out of range integral type conversion attempted"),
        ([-1], OverflowError, "out of range integral type conversion attempted"),
        ("QTB1{}", TypeError, "Can't extract `str` to `Vec`"),
        (5, TypeError, "'int' object is not an instance of 'Sequence'"),
        ([1.5], TypeError, None),
        (_NotIterable(), TypeError, "'_NotIterable' object is not iterable"),
        # Only an ordinary error of the length is passed over (_Endless).
        (_LengthInterrupted(), KeyboardInterrupt, None),
    ]
    for state, exc, message in cases:
        with pytest.raises(exc) as ei:
            g.__setstate__(state)
        if message:
            assert str(ei.value) == message
        assert ei.value.__notes__ == ["while processing 'state'"]


def test_setstate_reports_borrow_before_looking_at_state():
    g = sample()

    seen = []

    class Hook:
        def __str__(self):
            with pytest.raises(RuntimeError, match="^Already borrowed$"):
                g.__setstate__(12345)
            seen.append("refused")
            return "ok"

    # nodes_filtered holds a shared borrow while it converts its value.
    assert g.nodes_filtered("k", Hook()) == []
    assert seen == ["refused"]


def test_from_json_argument_errors():
    with pytest.raises(OverflowError) as ei:
        PyGraph.from_json("{}", -1, 1, 1)
    assert ei.value.__notes__ == ["while processing 'max_bytes'"]
    with pytest.raises(TypeError) as ei:
        PyGraph.from_json(b"{}", 1, 1, 1)
    assert ei.value.__notes__ == ["while processing 'data'"]
    with pytest.raises(TypeError, match=r"^PyGraph.from_json\(\) missing 1 required positional argument: 'max_edges'$"):
        PyGraph.from_json("{}", 1, 1)
    with pytest.raises(TypeError, match=r"^PyGraph.__setstate__\(\) missing 1 required positional argument: 'state'$"):
        PyGraph().__setstate__()
    with pytest.raises(TypeError):
        PyGraph().to_json(1)


def test_json_escape_forms():
    # The exact text of each byte that is escaped, and of its neighbours that are not.
    named = {0x08: "\\b", 0x09: "\\t", 0x0A: "\\n", 0x0C: "\\f", 0x0D: "\\r", 0x22: '\\"', 0x5C: "\\\\"}
    cases = [(chr(b), named.get(b, f"\\u{b:04x}")) for b in range(0x20)]
    cases += [(chr(b), named.get(b, chr(b))) for b in (0x20, 0x22, 0x2F, 0x5C, 0x7F)]
    g = PyGraph()
    for s, _ in cases:
        g.add_node(s)
    nodes = ",".join('{"id":"' + text + '","properties":{}}' for _, text in cases)
    assert g.to_json() == '{"directed":true,"multi":false,"name":"","nodes":[' + nodes + '],"edges":[]}'


def test_repeated_names_keep_the_value_read_last_as_json_loads_does():
    # Each name is kept once as it is read: whether a repeat follows its
    # first use or comes back later, among a few members or past many, in a
    # property map or in an object within it, the value read last wins (as
    # json.loads has it) and an object value comes back in key order.
    def random_object(rng, depth):
        names = [f"k{i}" for i in range(rng.choice([1, 3, 12, 30]))]
        picked = rng.choices(names, k=rng.randrange(40))
        if rng.random() < 0.3:
            picked.sort()  # in order, repeats side by side
        return tuple((name, random_value(rng, depth)) for name in picked)

    def random_value(rng, depth):
        kind = rng.randrange(5 if depth < 3 else 4)
        if kind == 0:
            return rng.randrange(-5, 1000)
        if kind == 1:
            return rng.choice(["x", "", "\u00e9", True, False, None])
        if kind == 2:
            return [rng.randrange(9) for _ in range(rng.randrange(3))]
        if kind == 3:
            return ()
        return random_object(rng, depth + 1)

    def text(members, sep=""):
        # An object is a tuple of (name, value) pairs, so that names may repeat.
        def one(v):
            return text(v, sep) if isinstance(v, tuple) else json.dumps(v)
        return "{" + sep + ("," + sep).join(f'"{k}":{sep}{one(v)}' for k, v in members) + sep + "}"

    def in_key_order(v):
        if isinstance(v, dict):
            return list(v) == sorted(v) and all(in_key_order(x) for x in v.values())
        return not isinstance(v, list) or all(in_key_order(x) for x in v)

    rng = random.Random(17)
    cases = [(("a", 1), ("a", 2)), (("a", 1), ("b", 2), ("a", 3)),
             (("b", 1), ("a", 2), ("b", (("y", 1), ("x", 2), ("y", 3))), ("a", [4])),
             (("v", (("k", 1), ("k", 2), ("k", 3))),), (("v", (("k1", 0), ("k0", 1), ("k1", 2))),),
             tuple((f"k{i % 9}", i) for i in range(50)), (("v", tuple((f"k{i % 20}", i) for i in range(99))),)]
    cases += [random_object(rng, 1) for _ in range(300)]
    for members in cases:
        want = json.loads(text(members))
        # Written compactly (read as the writer writes) and spaced out (the
        # general reading); on a node and on an edge.
        for props in (text(members), text(members, " ")):
            doc = ('{"directed":true,"multi":false,"name":"","nodes":[{"id":"a","properties":' + props + "},"
                   '{"id":"b","properties":{}}],"edges":[{"source":"a","target":"b","properties":' + props + "}]}")
            g = PyGraph.from_json(doc, len(doc.encode()), 2, 1)
            assert g.node("a") == want and g.edges() == [("a", "b", want)]
            assert all(in_key_order(v) for v in g.node("a").values())


def test_every_byte_at_every_position_survives_json_and_pickle():
    # Strings are scanned several bytes at a time for bytes to escape: each
    # ASCII byte and a 2-, 3- and 4-byte character (and U+2028, which JSON
    # allows raw) at every position of strings up to 40 characters, so that
    # it falls in every part of a word, in short and long strings and in the
    # tail of a long one.
    chars = [chr(b) for b in range(0x80)] + ["\u00e9", "\u20ac", "\U0001f600", "\u2028"]
    strings = list(dict.fromkeys(
        ["", *chars]
        + ["a" * i + c + "a" * (n - 1 - i) for n in range(2, 41) for i in range(n) for c in chars]))
    g = PyGraph(directed=True, name="".join(chars))
    # As ids (and so as edge endpoints), property names and values.
    for s in strings:
        g.add_node(s, {s: s})
    for s, t in zip(strings, strings[1:]):
        g.add_edge(s, t)
    # Inside arrays and objects.
    nested = {"list": strings, "map": {s: [s] for s in strings}}
    g.add_node("\x00nested", nested)

    text = g.to_json()
    doc = json.loads(text)
    assert doc["name"] == g.name
    assert [n["id"] for n in doc["nodes"]] == [*strings, "\x00nested"]
    assert [n["properties"] for n in doc["nodes"]] == [{s: s} for s in strings] + [nested]
    assert [(e["source"], e["target"]) for e in doc["edges"]] == list(zip(strings, strings[1:]))
    # Every escape in its one form, wherever it falls.
    assert json.dumps(doc, ensure_ascii=False, separators=(",", ":")) == text

    for h in (PyGraph.from_json(text, len(text.encode()), g.n_nodes, g.n_edges), pickle.loads(pickle.dumps(g))):
        assert h.name == g.name
        assert h.node_ids() == [*strings, "\x00nested"]
        assert [h.node(s) for s in strings] == [{s: s} for s in strings]
        assert h.node("\x00nested") == nested
        assert h.edges() == [(s, t, {}) for s, t in zip(strings, strings[1:])]
