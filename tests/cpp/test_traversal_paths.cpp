// Traversal and weighted path searches of the core.
// Build and run from the repository root:
//   g++ -std=c++20 -Isrc/core tests/cpp/test_traversal_paths.cpp src/core/*.cpp src/core/algorithms/*.cpp
//   ./a.out
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "algorithms/algorithms.hpp"
#include "algorithms/cost_queue.hpp"

using namespace vg;

static int failures = 0;
#define CHECK(cond)                                                            \
    do {                                                                       \
        if (!(cond)) {                                                         \
            ++failures;                                                        \
            std::fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond); \
        }                                                                      \
    } while (0)

using Strs = std::vector<std::string>;

template <class V>
static Strs strs(const V& views) {
    return Strs(views.begin(), views.end());
}

static Strs event_strs(const std::vector<DfsEvent>& ev) {
    Strs out;
    for (const DfsEvent& e : ev) out.push_back(std::string(e.id) + ":" + std::string(dfs_event_name(e.kind)));
    return out;
}

static Strs depth_strs(const std::vector<DepthEntry>& d) {
    Strs out;
    for (const DepthEntry& e : d) out.push_back(std::string(e.id) + ":" + std::to_string(e.depth));
    return out;
}

// Sorted "id=cost" strings, for results whose order carries no meaning.
static Strs cost_strs(const std::vector<NodeCost>& costs) {
    Strs out;
    for (const NodeCost& c : costs) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "=%g", c.cost);
        out.push_back(std::string(c.id) + buf);
    }
    std::sort(out.begin(), out.end());
    return out;
}

static Properties weight_props(Value v) {
    Properties p;
    p.insert_or_assign("weight", std::move(v));
    return p;
}
static Value num(double d) { return Value::number(Number::from_f64(d)); }
static Value integer(int64_t i) { return Value::number(Number::from_i64(i)); }

static void nodes(PropertyGraph& g, std::initializer_list<const char*> ids) {
    for (const char* id : ids) CHECK(g.add_node(id, {}).ok());
}
static void edge(PropertyGraph& g, const char* s, const char* t) { CHECK(g.add_edge(s, t, {}).ok()); }
static void edge(PropertyGraph& g, const char* s, const char* t, double w) {
    CHECK(g.add_edge(s, t, weight_props(num(w))).ok());
}
static uint32_t at(const PropertyGraph& g, std::string_view id) { return g.node_index(id).value(); }

static void remove_node(PropertyGraph& g, std::string_view id) {
    auto it = g.id_index.find(id);
    uint32_t n = it->second;
    g.id_index.erase(it);
    CHECK(g.inner.remove_node(n).has_value());
}

// A graph whose node and edge slots are reused out of order, so slot
// numbers disagree with insertion order: results must not depend on them.
static PropertyGraph scrambled(bool directed, bool multi = false) {
    PropertyGraph g(directed, multi, "");
    nodes(g, {"j0", "j1", "j2", "j3", "j4", "j5"});
    edge(g, "j0", "j1");
    edge(g, "j2", "j3");
    edge(g, "j4", "j5");
    edge(g, "j1", "j2");
    for (const char* id : {"j3", "j0", "j5", "j1", "j4", "j2"}) remove_node(g, id);
    return g;
}

static const std::string_view kWeight = "weight";

// ---- Traversals ---------------------------------------------------------

static void test_traversal_orders() {
    for (bool reuse : {false, true}) {
        PropertyGraph g = reuse ? scrambled(true) : PropertyGraph(true, false, "");
        nodes(g, {"a", "b", "c", "d"});
        edge(g, "a", "b");
        edge(g, "a", "c");
        edge(g, "c", "d");
        if (reuse) CHECK(at(g, "a") != 0);
        uint32_t a = at(g, "a");
        CHECK(strs(bfs(g, a)) == (Strs{"a", "c", "b", "d"}));
        CHECK(depth_strs(bfs_with_depth(g, a)) == (Strs{"a:0", "c:1", "b:1", "d:2"}));
        CHECK(strs(bfs_at_depth(g, a, 1)) == (Strs{"c", "b"}));
        CHECK(strs(dfs(g, a)) == (Strs{"a", "b", "c", "d"}));
        CHECK(event_strs(dfs_events(g, a)) == (Strs{"a:enter", "c:enter", "d:enter", "d:exit", "c:exit", "b:enter",
                                                    "b:exit", "a:exit"}));
    }

    // dfs pushes a node again when it meets it again unvisited, and visits
    // it from the latest push; dfs_events enters the walk's first node.
    PropertyGraph g(true, false, "");
    nodes(g, {"a", "b", "c"});
    edge(g, "a", "c");
    edge(g, "a", "b");
    edge(g, "c", "b");
    CHECK(strs(dfs(g, at(g, "a"))) == (Strs{"a", "c", "b"}));
    CHECK(event_strs(dfs_events(g, at(g, "a"))) ==
          (Strs{"a:enter", "b:enter", "b:exit", "c:enter", "c:exit", "a:exit"}));

    // Undirected path a-b-c: b's own list holds b-c, a comes through the
    // incoming list.
    for (bool reuse : {false, true}) {
        PropertyGraph u = reuse ? scrambled(false) : PropertyGraph(false, false, "");
        nodes(u, {"a", "b", "c"});
        edge(u, "a", "b");
        edge(u, "b", "c");
        uint32_t b = at(u, "b");
        CHECK(strs(bfs(u, b)) == (Strs{"b", "c", "a"}));
        CHECK(strs(dfs(u, b)) == (Strs{"b", "a", "c"}));
        CHECK(event_strs(dfs_events(u, b)) ==
              (Strs{"b:enter", "c:enter", "c:exit", "a:enter", "a:exit", "b:exit"}));
        CHECK(strs(bfs(u, at(u, "c"))) == (Strs{"c", "b", "a"}));
    }
}

static void test_traversal_edge_cases() {
    PropertyGraph one(true, true, "");
    nodes(one, {"a"});
    uint32_t a = at(one, "a");
    for (int loops = 0; loops < 2; ++loops) {
        CHECK(strs(bfs(one, a)) == Strs{"a"});
        CHECK(strs(dfs(one, a)) == Strs{"a"});
        CHECK(event_strs(dfs_events(one, a)) == (Strs{"a:enter", "a:exit"}));
        CHECK(depth_strs(bfs_with_depth(one, a)) == Strs{"a:0"});
        CHECK(has_path(one, a, a));
        edge(one, "a", "a");  // second round with a self-loop
    }

    // Parallel edges list b once; in the undirected kind too.
    for (bool directed : {true, false}) {
        PropertyGraph g(directed, true, "");
        nodes(g, {"a", "b"});
        edge(g, "a", "b");
        edge(g, "a", "b");
        edge(g, "b", "a");
        uint32_t s = at(g, "a");
        CHECK(strs(bfs(g, s)) == (Strs{"a", "b"}));
        CHECK(strs(dfs(g, s)) == (Strs{"a", "b"}));
        CHECK(event_strs(dfs_events(g, s)) == (Strs{"a:enter", "b:enter", "b:exit", "a:exit"}));
        CHECK(depth_strs(bfs_with_depth(g, s)) == (Strs{"a:0", "b:1"}));
    }

    // Direction: only outgoing edges count on the directed kind.
    PropertyGraph d(true, false, "");
    nodes(d, {"a", "b"});
    edge(d, "b", "a");
    PropertyGraph u(false, false, "");
    nodes(u, {"a", "b"});
    edge(u, "b", "a");
    CHECK(strs(bfs(d, at(d, "a"))) == Strs{"a"});
    CHECK(!has_path(d, at(d, "a"), at(d, "b")));
    CHECK(has_path(d, at(d, "b"), at(d, "a")));
    CHECK(strs(bfs(u, at(u, "a"))) == (Strs{"a", "b"}));
    CHECK(has_path(u, at(u, "a"), at(u, "b")));
    CHECK(has_path(u, at(u, "b"), at(u, "a")));

    // Depth filter: 0 is the source, deeper than any level is empty.
    PropertyGraph c(true, false, "");
    nodes(c, {"a", "b", "c"});
    edge(c, "a", "b");
    edge(c, "b", "c");
    edge(c, "a", "c");
    CHECK(strs(bfs_at_depth(c, at(c, "a"), 0)) == Strs{"a"});
    CHECK(strs(bfs_at_depth(c, at(c, "a"), 1)) == (Strs{"c", "b"}));
    CHECK(bfs_at_depth(c, at(c, "a"), 2).empty());
    CHECK(bfs_at_depth(c, at(c, "a"), std::numeric_limits<uint64_t>::max()).empty());

    // Reachability across components, and the target behind a long detour.
    PropertyGraph r(true, false, "");
    nodes(r, {"a", "b", "c", "x"});
    edge(r, "a", "b");
    edge(r, "b", "c");
    CHECK(has_path(r, at(r, "a"), at(r, "c")));
    CHECK(!has_path(r, at(r, "a"), at(r, "x")));
    CHECK(!has_path(r, at(r, "c"), at(r, "a")));
}

// ---- Edge weights and the cost queue ------------------------------------

static void test_edge_weight() {
    CHECK(edge_weight(Properties(), kWeight) == 1.0);
    CHECK(edge_weight(weight_props(integer(2)), kWeight) == 2.0);
    CHECK(edge_weight(weight_props(num(2.5)), kWeight) == 2.5);
    CHECK(edge_weight(weight_props(integer(-1)), kWeight) == -1.0);
    CHECK(edge_weight(weight_props(integer(0)), kWeight) == 0.0);
    CHECK(edge_weight(weight_props(Value::number(Number::from_u64(9007199254740993ull))), kWeight) ==
          9007199254740992.0);
    CHECK(edge_weight(weight_props(Value::boolean(true)), kWeight) == 1.0);
    CHECK(edge_weight(weight_props(Value::boolean(false)), kWeight) == 1.0);
    CHECK(edge_weight(weight_props(Value::string("3")), kWeight) == 1.0);
    CHECK(edge_weight(weight_props(Value::null()), kWeight) == 1.0);
    CHECK(edge_weight(weight_props(Value::array({integer(5)})), kWeight) == 1.0);
    CHECK(edge_weight(weight_props(integer(7)), "Weight") == 1.0);
    CHECK(edge_weight(weight_props(integer(7)), "weigh") == 1.0);
    // Both lookup paths: short maps are scanned, long ones hashed.
    for (int extra : {1, 3, 10}) {
        Properties p;
        for (int i = 0; i < extra; ++i) p.insert_or_assign("k" + std::to_string(i), integer(100 + i));
        p.insert_or_assign("weight", integer(-4));
        CHECK(edge_weight(p, kWeight) == -4.0);
        CHECK(edge_weight(p, "missing") == 1.0);
    }
}

static void test_cost_queue() {
    // Equal costs come out by the heap's own moves, not by insertion.
    CostQueue q;
    for (uint32_t n = 0; n < 4; ++n) q.push(1.0, n);
    std::vector<uint32_t> order;
    while (auto e = q.pop()) order.push_back(e->node);
    CHECK(order == (std::vector<uint32_t>{0, 2, 1, 3}));
    CHECK(!q.pop());

    const double nan = std::numeric_limits<double>::quiet_NaN();
    q.push(nan, 9);
    q.push(3.0, 1);
    q.push(nan, 8);
    q.push(-1.0, 2);
    CHECK(q.pop()->node == 2);
    CHECK(q.pop()->node == 1);
    CHECK(std::isnan(q.pop()->cost));
    CHECK(std::isnan(q.pop()->cost));
    CHECK(q.empty());

    // Interleaved pushes and pops always yield the current minimum, and
    // every entry pushed comes out once.
    std::mt19937 rng(7);
    std::vector<CostEntry> live;
    std::vector<uint32_t> out;
    uint32_t next = 0;
    bool ordered = true;
    for (int step = 0; step < 20000; ++step) {
        if (rng() % 3 != 0 || q.empty()) {
            double c = double(rng() % 50);
            q.push(c, next);
            live.push_back({c, next++});
        } else {
            CostEntry e = *q.pop();
            double lowest = std::min_element(live.begin(), live.end(), [](auto& x, auto& y) {
                                return x.cost < y.cost;
                            })->cost;
            ordered = ordered && e.cost == lowest;
            auto it = std::find_if(live.begin(), live.end(), [&](auto& x) { return x.node == e.node; });
            ordered = ordered && it != live.end() && it->cost == e.cost;
            if (it != live.end()) live.erase(it);
        }
    }
    CHECK(ordered);
    CHECK(q.size() == live.size());
}

// ---- Dijkstra ------------------------------------------------------------

static void test_dijkstra() {
    const auto key = std::optional<std::string_view>(kWeight);
    {
        PropertyGraph g(true, false, "");
        nodes(g, {"a", "b", "c", "t"});
        edge(g, "a", "b", 1);
        edge(g, "a", "c", 5);
        edge(g, "b", "t", 1);
        Strs all{"a=0", "b=1", "c=5", "t=2"};
        CHECK(cost_strs(dijkstra_distances(g, at(g, "a"), at(g, "t"), key)) == all);
        CHECK(cost_strs(dijkstra_distances(g, at(g, "a"), std::nullopt, key)) == all);
        CHECK(shortest_path_length(g, at(g, "a"), at(g, "t"), key) == 2.0);
        CHECK(shortest_path_length(g, at(g, "a"), at(g, "a"), key) == 0.0);
        CHECK(cost_strs(dijkstra_distances(g, at(g, "a"), at(g, "a"), key)) == Strs{"a=0"});
        CHECK(!shortest_path_length(g, at(g, "t"), at(g, "a"), key).has_value());
        // Without a key every edge weighs 1.
        CHECK(cost_strs(dijkstra_distances(g, at(g, "a"), std::nullopt, std::nullopt)) ==
              (Strs{"a=0", "b=1", "c=1", "t=2"}));
    }
    // Equal costs: the node queued first (newest edge) pops first, even
    // when its slot number is higher.
    for (bool y_last : {true, false}) {
        PropertyGraph g = scrambled(true);
        nodes(g, {"s", "x", "y", "p"});
        if (y_last) {
            edge(g, "s", "x", 1);
            edge(g, "s", "y", 1);
        } else {
            edge(g, "s", "y", 1);
            edge(g, "s", "x", 1);
        }
        edge(g, "x", "p", 5);
        auto got = cost_strs(dijkstra_distances(g, at(g, "s"), at(g, "y"), key));
        CHECK(got == (y_last ? Strs{"s=0", "x=1", "y=1"} : Strs{"p=6", "s=0", "x=1", "y=1"}));
    }
    // Undirected edges are used from both ends.
    for (bool directed : {true, false}) {
        PropertyGraph g(directed, false, "");
        nodes(g, {"a", "b"});
        edge(g, "a", "b", 3);
        CHECK(cost_strs(dijkstra_distances(g, at(g, "b"), std::nullopt, key)) ==
              (directed ? Strs{"b=0"} : Strs{"a=3", "b=0"}));
    }
    // Negative weights: a settled node keeps its cost. A negative self-loop
    // is relaxed before its node settles: it lowers the node's own entry,
    // while the node's other edges still start from the popped cost.
    {
        PropertyGraph g(true, false, "");
        nodes(g, {"a", "b", "c"});
        edge(g, "a", "b", 1);
        edge(g, "a", "c", 2);
        edge(g, "c", "b", -5);
        CHECK(cost_strs(dijkstra_distances(g, at(g, "a"), std::nullopt, key)) == (Strs{"a=0", "b=1", "c=2"}));
        edge(g, "a", "a", -1);
        CHECK(cost_strs(dijkstra_distances(g, at(g, "a"), std::nullopt, key)) == (Strs{"a=-1", "b=1", "c=2"}));
    }
    // Parallel edges: the cheaper one wins whichever comes first.
    {
        PropertyGraph g(true, true, "");
        nodes(g, {"a", "b"});
        edge(g, "a", "b", 1);
        edge(g, "a", "b", 4);
        CHECK(shortest_path_length(g, at(g, "a"), at(g, "b"), key) == 1.0);
    }
}

// ---- A* ---------------------------------------------------------------

static std::string path_str(const Result<std::optional<WeightedPath>>& r) {
    if (!r.ok()) return "error:" + r.error();
    if (!r.value()) return "none";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g:", r.value()->cost);
    std::string out = buf;
    for (std::string_view id : r.value()->path) out += std::string(id) + ",";
    return out;
}

static void test_astar() {
    const auto key = std::optional<std::string_view>(kWeight);
    for (bool a_first : {true, false}) {
        PropertyGraph g = scrambled(true);
        nodes(g, {"s", "a", "b", "t"});
        if (a_first) {
            edge(g, "s", "a", 1);
            edge(g, "s", "b", 1);
        } else {
            edge(g, "s", "b", 1);
            edge(g, "s", "a", 1);
        }
        edge(g, "a", "t", 1);
        edge(g, "b", "t", 1);
        CHECK(path_str(astar_path(g, at(g, "s"), at(g, "t"), key)) == (a_first ? "2:s,b,t," : "2:s,a,t,"));
        CHECK(path_str(astar_path(g, at(g, "s"), at(g, "s"), key)) == "0:s,");
        CHECK(path_str(astar_path(g, at(g, "t"), at(g, "s"), key)) == "none");
    }
    for (bool directed : {true, false}) {
        PropertyGraph g(directed, false, "");
        nodes(g, {"a", "b"});
        edge(g, "a", "b", 1);
        CHECK(path_str(astar_path(g, at(g, "b"), at(g, "a"), std::nullopt)) == (directed ? "none" : "1:b,a,"));
    }
    {
        // The target leaves the queue before the cheaper route appears.
        PropertyGraph g(true, false, "");
        nodes(g, {"s", "t", "a"});
        edge(g, "s", "t", 1);
        edge(g, "s", "a", 2);
        edge(g, "a", "t", -5);
        CHECK(path_str(astar_path(g, at(g, "s"), at(g, "t"), key)) == "1:s,t,");
    }
    {
        // a is re-opened after its cost drops through b.
        PropertyGraph g(true, false, "");
        nodes(g, {"s", "a", "b", "t"});
        edge(g, "s", "a", 5);
        edge(g, "s", "b", 1);
        edge(g, "b", "a", -3);
        edge(g, "a", "t", 1);
        CHECK(path_str(astar_path(g, at(g, "s"), at(g, "t"), key)) == "-1:s,b,a,t,");
    }
    {
        // Many re-openings without a negative cycle are no error: y drops
        // once per x_i, and the chain behind it follows each time.
        PropertyGraph g(true, false, "");
        nodes(g, {"s", "y", "t"});
        const int k = 30, m = 5;
        for (int i = 1; i <= k; ++i) {
            std::string x = "x" + std::to_string(i);
            CHECK(g.add_node(x, {}).ok());
            CHECK(g.add_edge("s", x, weight_props(integer(i))).ok());
            CHECK(g.add_edge(x, "y", weight_props(integer(-2 * i))).ok());
        }
        std::string prev = "y";
        for (int j = 1; j <= m; ++j) {
            std::string z = "z" + std::to_string(j);
            CHECK(g.add_node(z, {}).ok());
            CHECK(g.add_edge(prev, z, weight_props(integer(1))).ok());
            prev = z;
        }
        CHECK(g.add_edge(prev, "t", weight_props(integer(1000))).ok());
        CHECK(path_str(astar_path(g, at(g, "s"), at(g, "t"), key)) == "975:s,x30,y,z1,z2,z3,z4,z5,t,");
    }
    {
        // Negative cycles: reached before the target pops, the search would
        // never end; entering the target's predecessor chain, the path would
        // never end. Reached only after the target pops, they do no harm.
        PropertyGraph g(true, false, "");
        nodes(g, {"a", "b", "c"});
        edge(g, "a", "b", 1);
        edge(g, "b", "a", -2);
        CHECK(path_str(astar_path(g, at(g, "a"), at(g, "c"), key)) == "error:Negative cycle detected");
        CHECK(path_str(astar_path(g, at(g, "a"), at(g, "a"), key)) == "0:a,");

        PropertyGraph u(false, false, "");
        nodes(u, {"a", "b", "c"});
        edge(u, "a", "b", -1);
        CHECK(path_str(astar_path(u, at(u, "a"), at(u, "c"), key)) == "error:Negative cycle detected");

        PropertyGraph p(true, false, "");
        nodes(p, {"s", "a", "b", "t"});
        edge(p, "s", "a", 1);
        edge(p, "a", "b", 1);
        edge(p, "b", "a", -3);
        edge(p, "b", "t", -100);
        CHECK(path_str(astar_path(p, at(p, "s"), at(p, "t"), key)) == "error:Negative cycle detected");

        PropertyGraph late(true, false, "");
        nodes(late, {"s", "t", "a", "b"});
        edge(late, "s", "t", 1);
        edge(late, "s", "a", 5);
        edge(late, "a", "b", 1);
        edge(late, "b", "a", -3);
        CHECK(path_str(astar_path(late, at(late, "s"), at(late, "t"), key)) == "1:s,t,");
    }
}

// ---- Bellman-Ford ---------------------------------------------------------

static Strs bf_strs(const Result<std::vector<NodeCost>>& r) {
    if (!r.ok()) return Strs{"error:" + r.error()};
    return cost_strs(r.value());
}

static void test_bellman_ford() {
    const auto key = std::optional<std::string_view>(kWeight);
    {
        PropertyGraph g(true, false, "");
        nodes(g, {"a", "b", "c", "z"});
        CHECK(bf_strs(bellman_ford_paths(g, at(g, "a"), key)) == Strs{"a=0"});
        edge(g, "a", "b", 1);
        edge(g, "a", "c", 2);
        edge(g, "c", "b", -5);
        CHECK(bf_strs(bellman_ford_paths(g, at(g, "a"), key)) == (Strs{"a=0", "b=-3", "c=2"}));
        CHECK(bf_strs(bellman_ford_paths(g, at(g, "a"), std::nullopt)) == (Strs{"a=0", "b=1", "c=1"}));
        edge(g, "b", "a", 2);
        CHECK(bf_strs(bellman_ford_paths(g, at(g, "a"), key)) == Strs{"error:Negative cycle detected"});
        CHECK(bf_strs(bellman_ford_paths(g, at(g, "z"), key)) == Strs{"z=0"});
    }
    {
        // No relaxation pass runs with one node; the check still sees the loop.
        PropertyGraph g(true, false, "");
        nodes(g, {"a"});
        edge(g, "a", "a", -1);
        CHECK(bf_strs(bellman_ford_paths(g, at(g, "a"), key)) == Strs{"error:Negative cycle detected"});
        PropertyGraph h(true, false, "");
        nodes(h, {"a"});
        edge(h, "a", "a", 0);
        CHECK(bf_strs(bellman_ford_paths(h, at(h, "a"), key)) == Strs{"a=0"});
    }
    {
        PropertyGraph g(true, false, "");
        nodes(g, {"x", "y", "s"});
        edge(g, "x", "y", -1);
        edge(g, "y", "x", -1);
        CHECK(bf_strs(bellman_ford_paths(g, at(g, "s"), key)) == Strs{"s=0"});
    }
    // Undirected edges are followed only from their stored source.
    for (double w : {1.0, -1.0}) {
        PropertyGraph g(false, false, "");
        nodes(g, {"a", "b"});
        edge(g, "a", "b", w);
        CHECK(bf_strs(bellman_ford_paths(g, at(g, "a"), key)) == (w > 0 ? Strs{"a=0", "b=1"} : Strs{"a=0", "b=-1"}));
        CHECK(bf_strs(bellman_ford_paths(g, at(g, "b"), key)) == Strs{"b=0"});
    }
    {
        // Edge slots reused in reverse: several passes are needed, and the
        // answer does not change.
        PropertyGraph g(true, false, "");
        nodes(g, {"j", "a", "b", "c", "d"});
        for (const char* t : {"a", "b", "c", "d"}) edge(g, "j", t);
        remove_node(g, "j");
        edge(g, "c", "d", 1);
        edge(g, "b", "c", -2);
        edge(g, "a", "b", 4);
        CHECK(g.inner.edges[0].node[0] == at(g, "c"));  // c->d took slot 0, a->b slot 2
        CHECK(bf_strs(bellman_ford_paths(g, at(g, "a"), key)) == (Strs{"a=0", "b=4", "c=2", "d=3"}));
    }
}

// ---- Long paths: nothing may recurse ---------------------------------------

static void test_long_path() {
    const uint32_t n = 1000000;
    for (bool directed : {true, false}) {
        PropertyGraph g(directed, false, "");
        g.id_index.reserve(n);
        for (uint32_t i = 0; i < n; ++i) CHECK(g.add_node("n" + std::to_string(i), {}).ok());
        for (uint32_t i = 0; i + 1 < n; ++i)
            if (!g.inner.insert_edge(i, i + 1, EdgeData{weight_props(integer(-1))}).ok()) CHECK(false);
        const uint32_t first = 0, last = n - 1;
        const auto key = std::optional<std::string_view>(kWeight);
        auto b = bfs(g, first);
        CHECK(b.size() == n && b.back() == "n999999");
        auto d = dfs(g, first);
        CHECK(d.size() == n && d.back() == "n999999");
        auto ev = dfs_events(g, first);
        CHECK(ev.size() == 2 * size_t(n) && ev[n - 1].id == "n999999" && ev[n].kind == DfsEventKind::Exit);
        auto bd = bfs_with_depth(g, first);
        CHECK(bd.size() == n && bd.back().depth == n - 1);
        CHECK(strs(bfs_at_depth(g, first, n - 1)) == Strs{"n999999"});
        CHECK(has_path(g, first, last));
        CHECK(has_path(g, last, first) == !directed);
        auto dist = dijkstra_distances(g, first, std::nullopt, std::nullopt);
        CHECK(dist.size() == n && dist.back().cost == double(n - 1));
        CHECK(shortest_path_length(g, first, last, std::nullopt) == double(n - 1));
        if (directed) {
            auto r = astar_path(g, first, last, key);
            CHECK(r.ok() && r.value() && r.value()->path.size() == n && r.value()->cost == -double(n - 1));
            auto bf = bellman_ford_paths(g, first, key);
            CHECK(bf.ok() && bf.value().size() == n && bf.value().back().cost == -double(n - 1));
        } else {
            auto r = astar_path(g, last, first, std::nullopt);
            CHECK(r.ok() && r.value() && r.value()->path.size() == n && r.value()->path.back() == "n0");
            // Stored directions only: from the far end nothing else is reached.
            auto bf = bellman_ford_paths(g, last, std::nullopt);
            CHECK(bf.ok() && bf.value().size() == 1);
        }
    }
}

int main() {
    test_traversal_orders();
    test_traversal_edge_cases();
    test_edge_weight();
    test_cost_queue();
    test_dijkstra();
    test_astar();
    test_bellman_ford();
    test_long_path();
    if (failures) {
        std::fprintf(stderr, "%d check(s) failed\n", failures);
        return 1;
    }
    std::puts("test_traversal_paths: all checks passed");
    return 0;
}
