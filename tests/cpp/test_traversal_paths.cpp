// Traversal and weighted path searches of the core.
// Build and run from the repository root:
//   g++ -std=c++20 -Isrc tests/cpp/test_traversal_paths.cpp $(find src/core -name '*.cpp')
//   ./a.out
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "core/algorithms/paths.hpp"
#include "core/algorithms/traversal.hpp"
#include "core/graph/adjacency.hpp"
#include "core/support/cost_queue.hpp"

#include "check.hpp"

using namespace vg;

static const auto W = std::optional<std::string_view>("weight");
static const auto NO_KEY = std::optional<std::string_view>();

static Properties weighted(Value v) {
    Properties p;
    p.insert_or_assign("weight", std::move(v));
    return p;
}
static Value num(double d) { return Value::number(Number::from_f64(d)); }

// Adds the nodes named in `ids`, then each edge "s>t" or "s>t:weight" of
// `edges` in order (newest last).
static void add(PropertyGraph& g, const char* ids, const char* edges) {
    std::istringstream in(ids), ein(edges);
    for (std::string id; in >> id;) CHECK(g.add_node(id, {}).ok());
    for (std::string e; ein >> e;) {
        size_t gt = e.find('>'), colon = e.find(':');
        std::string s = e.substr(0, gt), t = e.substr(gt + 1, colon - gt - 1);
        Properties p = colon == std::string::npos ? Properties() : weighted(num(std::stod(e.substr(colon + 1))));
        CHECK(g.add_edge(s, t, std::move(p)).ok());
    }
}
static PropertyGraph make(bool directed, const char* ids, const char* edges) {
    PropertyGraph g(directed, true, "");
    add(g, ids, edges);
    return g;
}
// Node and edge slots reused out of order first, so slot numbers disagree
// with insertion order; results must depend on adjacency lists only.
static PropertyGraph scrambled(bool directed, const char* ids, const char* edges) {
    PropertyGraph g = make(directed, "j0 j1 j2 j3 j4", "j0>j1 j2>j3 j4>j0 j1>j2");
    for (const char* id : {"j3", "j0", "j4", "j1", "j2"}) {
        CHECK(g.remove_node(id).ok());
    }
    add(g, ids, edges);
    return g;
}
static uint32_t at(const PropertyGraph& g, std::string_view id) { return g.node_index(id).value(); }

// Results rendered as one string for comparison.
template <class V>
static std::string str(const V& items) {
    std::string out;
    for (const auto& x : items) {
        if constexpr (std::is_same_v<std::decay_t<decltype(x)>, std::string_view>) out += std::string(x);
        else if constexpr (std::is_same_v<std::decay_t<decltype(x)>, DfsEvent>)
            out += std::string(x.id) + (x.kind == DfsEventKind::Enter ? "+" : "-");
        else out += std::string(x.id) + ":" + std::to_string(x.depth);
        out += " ";
    }
    return out;
}
// Costs sorted by id: their order carries no meaning.
static std::string costs(const Result<std::vector<NodeCost>>& r) {
    if (!r.ok()) return r.error();
    std::vector<std::string> parts;
    for (const NodeCost& c : r.value()) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "=%g ", c.cost);
        parts.push_back(std::string(c.id) + buf);
    }
    std::sort(parts.begin(), parts.end());
    std::string out;
    for (auto& p : parts) out += p;
    return out;
}
static std::string path(const Result<std::optional<WeightedPath>>& r) {
    if (!r.ok()) return r.error();
    if (!r.value()) return "none";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g: ", r.value()->cost);
    return buf + str(r.value()->path);
}

static void test_traversals() {
    for (bool reuse : {false, true}) {
        // a's walk yields c, then b.
        PropertyGraph g = reuse ? scrambled(true, "a b c d", "a>b a>c c>d") : make(true, "a b c d", "a>b a>c c>d");
        uint32_t a = at(g, "a");
        CHECK(str(bfs(g, a)) == "a c b d ");
        CHECK(str(bfs_with_depth(g, a)) == "a:0 c:1 b:1 d:2 ");
        CHECK(str(bfs_at_depth(g, a, 1)) == "c b ");
        CHECK(str(dfs(g, a)) == "a b c d ");
        CHECK(str(dfs_events(g, a)) == "a+ c+ d+ d- c- b+ b- a- ");

        // Undirected a-b-c: b's own list holds b-c, a comes through the
        // incoming list.
        PropertyGraph u = reuse ? scrambled(false, "a b c", "a>b b>c") : make(false, "a b c", "a>b b>c");
        uint32_t b = at(u, "b");
        CHECK(str(bfs(u, b)) == "b c a ");
        CHECK(str(dfs(u, b)) == "b a c ");
        CHECK(str(dfs_events(u, b)) == "b+ c+ c- a+ a- b- ");
    }
    // dfs visits a node from its latest push; dfs_events enters the walk's
    // first node first.
    PropertyGraph r = make(true, "a b c", "a>c a>b c>b");
    CHECK(str(dfs(r, at(r, "a"))) == "a c b ");
    CHECK(str(dfs_events(r, at(r, "a"))) == "a+ b+ b- c+ c- a- ");

    // A lone node, then with a self-loop: never listed twice.
    PropertyGraph one = make(true, "a", "");
    for (int round = 0; round < 2; ++round) {
        uint32_t a = at(one, "a");
        CHECK(str(bfs(one, a)) == "a " && str(dfs(one, a)) == "a ");
        CHECK(str(dfs_events(one, a)) == "a+ a- " && str(bfs_with_depth(one, a)) == "a:0 ");
        CHECK(has_path(one, a, a));
        add(one, "", "a>a");
    }
    // Parallel edges list b once, on both kinds.
    for (bool directed : {true, false}) {
        PropertyGraph g = make(directed, "a b", "a>b a>b b>a");
        uint32_t a = at(g, "a");
        CHECK(str(bfs(g, a)) == "a b " && str(dfs(g, a)) == "a b ");
        CHECK(str(dfs_events(g, a)) == "a+ b+ b- a- " && str(bfs_with_depth(g, a)) == "a:0 b:1 ");
    }
    // Direction counts only on the directed kind.
    for (bool directed : {true, false}) {
        PropertyGraph g = make(directed, "a b x", "b>a");
        CHECK(str(bfs(g, at(g, "a"))) == (directed ? "a " : "a b "));
        CHECK(has_path(g, at(g, "a"), at(g, "b")) == !directed);
        CHECK(has_path(g, at(g, "b"), at(g, "a")));
        CHECK(!has_path(g, at(g, "a"), at(g, "x")));
    }
    PropertyGraph c = make(true, "a b c", "a>b b>c a>c");
    CHECK(str(bfs_at_depth(c, at(c, "a"), 0)) == "a ");
    CHECK(str(bfs_at_depth(c, at(c, "a"), 1)) == "c b ");
    CHECK(bfs_at_depth(c, at(c, "a"), 2).empty());
    CHECK(bfs_at_depth(c, at(c, "a"), std::numeric_limits<uint64_t>::max()).empty());
}

static void test_weights_and_queue() {
    auto w = [](Value v) { return edge_weight(weighted(std::move(v)), "weight"); };
    CHECK(edge_weight(Properties(), "weight") == 1.0);
    CHECK(w(Value::number(Number::from_i64(-1))) == -1.0 && w(num(2.5)) == 2.5);
    CHECK(w(Value::number(Number::from_u64(0))) == 0.0);
    CHECK(w(Value::number(Number::from_u64(9007199254740993ull))) == 9007199254740992.0);
    for (Value v : {Value::boolean(true), Value::boolean(false), Value::string("3"), Value::null(),
                    Value::array({num(5)})})
        CHECK(w(v) == 1.0);
    CHECK(edge_weight(weighted(num(7)), "Weight") == 1.0);
    // Short maps are scanned, long ones hashed: both must find the key.
    for (int extra : {1, 3, 10}) {
        Properties p;
        for (int i = 0; i < extra; ++i) p.insert_or_assign("k" + std::to_string(i), num(100 + i));
        p.insert_or_assign("weight", num(-4));
        CHECK(edge_weight(p, "weight") == -4.0 && edge_weight(p, "missing") == 1.0);
    }

    // Equal costs leave by the heap's own moves, not by insertion.
    CostQueue q;
    for (uint32_t n = 0; n < 4; ++n) q.push(1.0, n);
    std::string order;
    while (auto e = q.pop()) order += std::to_string(e->node);
    CHECK(order == "0213");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double c : {nan, 3.0, nan, -1.0}) q.push(c, 0);
    CHECK(q.pop()->cost == -1.0 && q.pop()->cost == 3.0 && std::isnan(q.pop()->cost) && std::isnan(q.pop()->cost));
    // Interleaved pushes and pops always yield the current minimum.
    std::mt19937 rng(7);
    std::multiset<double> live;
    bool ok = true;
    for (int step = 0; step < 20000; ++step) {
        if (rng() % 3 != 0 || q.empty()) {
            double c = double(rng() % 50);
            q.push(c, 0);
            live.insert(c);
        } else {
            double c = q.pop()->cost;
            ok = ok && c == *live.begin();
            live.erase(live.begin());
        }
    }
    CHECK(ok && q.size() == live.size());
}

static void test_dijkstra() {
    PropertyGraph g = make(true, "a b c t", "a>b:1 a>c:5 b>t:1");
    CHECK(costs(dijkstra_distances(g, at(g, "a"), at(g, "t"), W)) == "a=0 b=1 c=5 t=2 ");  // c reached, unsettled
    CHECK(costs(dijkstra_distances(g, at(g, "a"), std::nullopt, W)) == "a=0 b=1 c=5 t=2 ");
    CHECK(costs(dijkstra_distances(g, at(g, "a"), std::nullopt, NO_KEY)) == "a=0 b=1 c=1 t=2 ");
    CHECK(costs(dijkstra_distances(g, at(g, "a"), at(g, "a"), W)) == "a=0 ");
    CHECK(shortest_path_length(g, at(g, "a"), at(g, "t"), W) == 2.0);
    CHECK(shortest_path_length(g, at(g, "a"), at(g, "a"), W) == 0.0);
    CHECK(!shortest_path_length(g, at(g, "t"), at(g, "a"), W));

    // Equal costs: the node queued first (newest edge) pops first, whatever
    // its slot number.
    PropertyGraph y_new = scrambled(true, "s x y p", "s>x:1 s>y:1 x>p:5");
    CHECK(costs(dijkstra_distances(y_new, at(y_new, "s"), at(y_new, "y"), W)) == "s=0 x=1 y=1 ");
    PropertyGraph x_new = scrambled(true, "s x y p", "s>y:1 s>x:1 x>p:5");
    CHECK(costs(dijkstra_distances(x_new, at(x_new, "s"), at(x_new, "y"), W)) == "p=6 s=0 x=1 y=1 ");

    for (bool directed : {true, false}) {
        PropertyGraph e = make(directed, "a b", "a>b:3");
        CHECK(costs(dijkstra_distances(e, at(e, "b"), std::nullopt, W)) == (directed ? "b=0 " : "a=3 b=0 "));
    }
    // Negative weights: a settled node keeps its cost. A negative self-loop
    // is relaxed before its node settles and lowers the node's own entry,
    // while its other edges still start from the popped cost.
    PropertyGraph n = make(true, "a b c", "a>b:1 a>c:2 c>b:-5");
    CHECK(costs(dijkstra_distances(n, at(n, "a"), std::nullopt, W)) == "a=0 b=1 c=2 ");
    add(n, "", "a>a:-1");
    CHECK(costs(dijkstra_distances(n, at(n, "a"), std::nullopt, W)) == "a=-1 b=1 c=2 ");
    PropertyGraph par = make(true, "a b", "a>b:1 a>b:4");
    CHECK(shortest_path_length(par, at(par, "a"), at(par, "b"), W) == 1.0);
}

static void test_astar() {
    // At equal cost the neighbour behind s's newest edge leaves first.
    PropertyGraph g = scrambled(true, "s a b t", "s>a:1 s>b:1 a>t:1 b>t:1");
    CHECK(path(astar_path(g, at(g, "s"), at(g, "t"), W)) == "2: s b t ");
    PropertyGraph h = scrambled(true, "s a b t", "s>b:1 s>a:1 a>t:1 b>t:1");
    CHECK(path(astar_path(h, at(h, "s"), at(h, "t"), W)) == "2: s a t ");
    CHECK(path(astar_path(h, at(h, "s"), at(h, "s"), W)) == "0: s ");
    CHECK(path(astar_path(h, at(h, "t"), at(h, "s"), W)) == "none");
    for (bool directed : {true, false}) {
        PropertyGraph e = make(directed, "a b", "a>b:7");
        CHECK(path(astar_path(e, at(e, "b"), at(e, "a"), NO_KEY)) == (directed ? "none" : "1: b a "));
    }
    // The target leaves before the cheaper route appears; a is re-opened.
    PropertyGraph early = make(true, "s t a", "s>t:1 s>a:2 a>t:-5");
    CHECK(path(astar_path(early, at(early, "s"), at(early, "t"), W)) == "1: s t ");
    PropertyGraph reopen = make(true, "s a b t", "s>a:5 s>b:1 b>a:-3 a>t:1");
    CHECK(path(astar_path(reopen, at(reopen, "s"), at(reopen, "t"), W)) == "-1: s b a t ");

    // Many re-openings without a negative cycle are no error: y drops once
    // per x_i, and the chain behind it follows each time.
    PropertyGraph many = make(true, "s y z1 z2 z3 t", "y>z1:1 z1>z2:1 z2>z3:1 z3>t:1000");
    for (int i = 1; i <= 30; ++i) {
        std::string x = "x" + std::to_string(i);
        add(many, x.c_str(), ("s>" + x + ":" + std::to_string(i) + " " + x + ">y:" + std::to_string(-2 * i)).c_str());
    }
    CHECK(path(astar_path(many, at(many, "s"), at(many, "t"), W)) == "973: s x30 y z1 z2 z3 t ");

    // Negative cycles reached before the target pops would never let the
    // search end, and one inside the target's predecessor chain would never
    // let the path end. Reached only after the target pops, they do no harm.
    PropertyGraph cyc = make(true, "a b c", "a>b:1 b>a:-2");
    CHECK(path(astar_path(cyc, at(cyc, "a"), at(cyc, "c"), W)) == "Negative cycle detected");
    CHECK(path(astar_path(cyc, at(cyc, "a"), at(cyc, "a"), W)) == "0: a ");
    PropertyGraph und = make(false, "a b c", "a>b:-1");
    CHECK(path(astar_path(und, at(und, "a"), at(und, "c"), W)) == "Negative cycle detected");
    PropertyGraph chain = make(true, "s a b t", "s>a:1 a>b:1 b>a:-3 b>t:-100");
    CHECK(path(astar_path(chain, at(chain, "s"), at(chain, "t"), W)) == "Negative cycle detected");
    PropertyGraph late = make(true, "s t a b", "s>t:1 s>a:5 a>b:1 b>a:-3");
    CHECK(path(astar_path(late, at(late, "s"), at(late, "t"), W)) == "1: s t ");
}

static void test_bellman_ford() {
    PropertyGraph g = make(true, "a b c z", "");
    CHECK(costs(bellman_ford_paths(g, at(g, "a"), W)) == "a=0 ");
    add(g, "", "a>b:1 a>c:2 c>b:-5");
    CHECK(costs(bellman_ford_paths(g, at(g, "a"), W)) == "a=0 b=-3 c=2 ");
    CHECK(costs(bellman_ford_paths(g, at(g, "a"), NO_KEY)) == "a=0 b=1 c=1 ");
    add(g, "", "b>a:2");
    CHECK(costs(bellman_ford_paths(g, at(g, "a"), W)) == "Negative cycle detected");
    CHECK(costs(bellman_ford_paths(g, at(g, "z"), W)) == "z=0 ");  // the cycle is out of reach

    // One node: no relaxation pass runs, the check still sees the loop.
    PropertyGraph loop = make(true, "a", "a>a:-1");
    CHECK(costs(bellman_ford_paths(loop, at(loop, "a"), W)) == "Negative cycle detected");
    PropertyGraph zero = make(true, "a", "a>a:0");
    CHECK(costs(bellman_ford_paths(zero, at(zero, "a"), W)) == "a=0 ");

    // Undirected edges are followed only from their stored source.
    for (const char* e : {"a>b:1", "a>b:-1"}) {
        PropertyGraph u = make(false, "a b", e);
        CHECK(costs(bellman_ford_paths(u, at(u, "a"), W)) == (e[4] == '-' ? "a=0 b=-1 " : "a=0 b=1 "));
        CHECK(costs(bellman_ford_paths(u, at(u, "b"), W)) == "b=0 ");
    }
    // Edge slots reused in reverse: several passes, the same answer.
    PropertyGraph r = scrambled(true, "a b c d", "a>b:4 b>c:-2 c>d:1");
    CHECK(r.store().ends(0).source == at(r, "c"));
    CHECK(costs(bellman_ford_paths(r, at(r, "a"), W)) == "a=0 b=4 c=2 d=3 ");
}

// A million-node path through every function: nothing may recurse.
static void test_long_path() {
    const uint32_t n = 1000000;
    for (bool directed : {true, false}) {
        PropertyGraph g(directed, false, "");
        g.reserve(n, n);
        for (uint32_t i = 0; i < n; ++i) (void)g.add_node("n" + std::to_string(i), {});
        for (uint32_t i = 0; i + 1 < n; ++i) (void)g.add_edge_between(i, i + 1, weighted(num(-1)));
        const uint32_t first = 0, last = n - 1, from = directed ? first : last;
        CHECK(bfs(g, from).size() == n && dfs(g, from).size() == n);
        auto ev = dfs_events(g, first);
        CHECK(ev.size() == 2 * size_t(n) && ev[n - 1].id == "n999999" && ev[n].kind == DfsEventKind::Exit);
        CHECK(bfs_with_depth(g, from).back().depth == n - 1);
        CHECK(str(bfs_at_depth(g, first, n - 1)) == "n999999 ");
        CHECK(has_path(g, first, last) && has_path(g, last, first) == !directed);
        CHECK(dijkstra_distances(g, from, std::nullopt, NO_KEY).back().cost == double(n - 1));
        CHECK(shortest_path_length(g, first, last, NO_KEY) == double(n - 1));
        auto a = astar_path(g, from, directed ? last : first, directed ? W : NO_KEY);
        CHECK(a.ok() && a.value() && a.value()->path.size() == n && a.value()->cost == (directed ? 1.0 - n : n - 1.0));
        auto bf = bellman_ford_paths(g, from, W);
        CHECK(bf.ok() && bf.value().size() == (directed ? n : 1));
    }
}

int main() {
    test_traversals();
    test_weights_and_queue();
    test_dijkstra();
    test_astar();
    test_bellman_ford();
    test_long_path();
    return check_summary("test_traversal_paths");
}
