// Components, DAG operations and simple paths of the core: the iterative
// searches against plain recursive references on random graphs (orders
// included), and million-node chains and cycles that a recursive search
// could not take.
#include <algorithm>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/algorithms/components.hpp"
#include "core/graph/adjacency.hpp"
#include "core/algorithms/dag.hpp"
#include "core/algorithms/simple_paths.hpp"

#include "check.hpp"

using namespace vg;

using Lists = std::vector<std::vector<uint32_t>>;

static Lists lists(const SlotGroups& g) {
    Lists out;
    for (size_t i = 0; i < g.size(); ++i) out.emplace_back(g[i].begin(), g[i].end());
    return out;
}

static std::string show(const Lists& l) {
    std::ostringstream o;
    for (auto& v : l) {
        o << "[";
        for (uint32_t x : v) o << x << " ";
        o << "]";
    }
    return o.str();
}

// Random graph whose slots were reused out of order, with parallel edges
// and self-loops.
static PropertyGraph random_graph(std::mt19937& rng, bool directed, int n, int m) {
    PropertyGraph g(directed, true, "");
    for (int i = 0; i < n + 3; ++i) CHECK(g.add_node("n" + std::to_string(i), {}).ok());
    for (int i : {2, 0, n + 1}) {
        std::string id = "n" + std::to_string(i);
        CHECK(g.remove_node(id).ok());
    }
    for (int i = 0; i < 3; ++i) CHECK(g.add_node("r" + std::to_string(i), {}).ok());
    std::vector<std::string> ids;
    for (auto id : g.node_ids()) ids.emplace_back(id);
    std::uniform_int_distribution<size_t> pick(0, ids.size() - 1);
    for (int i = 0; i < m; ++i) (void)g.add_edge(ids[pick(rng)], ids[pick(rng)], {});
    return g;
}

// Tarjan (Pearce's form) as a plain recursion, straight from its definition.
static Lists reference_scc(const GraphInner& s) {
    std::vector<uint64_t> rindex(s.node_slots(), 0);
    uint64_t index = 1, comp = ~uint64_t(0);
    std::vector<uint32_t> stack;
    Lists out;
    std::function<void(uint32_t)> visit = [&](uint32_t v) {
        rindex[v] = index++;
        bool root = true;
        for_each_neighbor(s, v, Direction::Out, [&](uint32_t, uint32_t w) {
            if (rindex[w] == 0) visit(w);
            if (rindex[w] < rindex[v]) {
                rindex[v] = rindex[w];
                root = false;
            }
        });
        if (!root) {
            stack.push_back(v);
            return;
        }
        std::vector<uint32_t> c;
        size_t start = stack.size();
        while (start > 0 && rindex[stack[start - 1]] >= rindex[v]) --start;
        c.assign(stack.begin() + start, stack.end());
        c.push_back(v);
        for (uint32_t x : c) rindex[x] = comp;
        index -= c.size();
        stack.resize(start);
        --comp;
        out.push_back(c);
    };
    for (uint32_t r = 0; r < s.node_slots(); ++r)
        if (s.node_live(r) && rindex[r] == 0) visit(r);
    return out;
}

// The simple path enumeration as described, without any pruning.
static Lists reference_paths(const GraphInner& s, uint32_t src, uint32_t dst, uint64_t max_depth, uint64_t max_paths) {
    Lists out;
    if (src == dst) return out;
    auto neighbours = [&](uint32_t n) {
        std::vector<uint32_t> v;
        for_each_neighbor(s, n, Direction::Neighbors, [&](uint32_t, uint32_t w) { v.push_back(w); });
        return v;
    };
    uint64_t limit = std::max<uint64_t>(max_depth, 2) - 1;
    std::vector<uint32_t> path{src};
    std::vector<std::pair<std::vector<uint32_t>, size_t>> walkers{{neighbours(src), 0}};
    while (!walkers.empty() && out.size() < max_paths) {
        auto& [ns, i] = walkers.back();
        if (i == ns.size()) {
            walkers.pop_back();
            path.pop_back();
            continue;
        }
        uint32_t c = ns[i++];
        if (std::find(path.begin(), path.end(), c) != path.end()) continue;
        if (path.size() < limit) {
            if (c == dst) {
                out.push_back(path);
                out.back().push_back(dst);
            } else {
                path.push_back(c);
                walkers.push_back({neighbours(c), 0});
            }
        } else {
            bool found = c == dst;
            while (!found && i < ns.size()) found = ns[i++] == dst;
            if (found) {
                out.push_back(path);
                out.back().push_back(dst);
            } else {
                walkers.pop_back();
                path.pop_back();
            }
        }
    }
    return out;
}

// One cycle per component, each stack entry carrying its whole path.
static Lists reference_cycle_paths(const GraphInner& s) {
    Lists out;
    if (!s.is_directed()) return out;
    for (auto& comp : reference_scc(s)) {
        uint32_t start = comp[0];
        auto member = [&](uint32_t w) { return std::find(comp.begin(), comp.end(), w) != comp.end(); };
        if (comp.size() == 1) {
            if (s.find_edge(start, start)) out.push_back({start});
            continue;
        }
        std::vector<std::pair<uint32_t, std::vector<uint32_t>>> stack{{start, {start}}};
        std::vector<uint32_t> reached{start};
        bool done = false;
        while (!stack.empty() && !done) {
            auto [x, path] = stack.back();
            stack.pop_back();
            for_each_neighbor(s, x, Direction::Out, [&](uint32_t, uint32_t w) {
                if (done || !member(w)) return;
                if (w == start) {
                    out.push_back(path);
                    done = true;
                } else if (std::find(reached.begin(), reached.end(), w) == reached.end()) {
                    reached.push_back(w);
                    auto longer = path;
                    longer.push_back(w);
                    stack.push_back({w, longer});
                }
            });
        }
    }
    return out;
}

// The topological search with the cycle check walking incoming lists.
static std::pair<std::vector<uint32_t>, uint32_t> reference_toposort(const GraphInner& s) {
    std::vector<uint8_t> disc(s.node_slots()), fin(s.node_slots());
    std::vector<uint32_t> stack, post;
    for (uint32_t r = 0; r < s.node_slots(); ++r) {
        if (!s.node_live(r) || disc[r]) continue;
        stack.push_back(r);
        while (!stack.empty()) {
            uint32_t x = stack.back();
            if (!disc[x]) {
                disc[x] = 1;
                bool loop = false;
                for_each_neighbor(s, x, Direction::Out, [&](uint32_t, uint32_t t) {
                    if (loop) return;
                    if (t == x) loop = true;
                    else if (!disc[t]) stack.push_back(t);
                });
                if (loop) return {{}, x};
            } else {
                stack.pop_back();
                if (!fin[x]) fin[x] = 1, post.push_back(x);
            }
        }
    }
    std::vector<uint32_t> order(post.rbegin(), post.rend());
    std::fill(disc.begin(), disc.end(), 0);
    for (uint32_t i : order) {
        disc[i] = 1;
        uint32_t last = END;
        for_each_neighbor(s, i, Direction::In, [&](uint32_t, uint32_t src) {
            if (!disc[src]) last = src;
        });
        if (last != END) return {{}, last};
    }
    return {order, END};
}

static void random_against_references() {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        bool directed = round % 3 != 0;
        int n = 3 + int(rng() % 9);
        PropertyGraph g = random_graph(rng, directed, n, int(rng() % (round % 2 ? n : 3 * n)));
        const GraphInner& s = g.store();
        if (directed) {
            CHECK_EQ(show(lists(tarjan_scc(s))), show(reference_scc(s)));
            CHECK_EQ(show(lists(find_cycle_paths(s))), show(reference_cycle_paths(s)));
            TopoOrder t = toposort(s);
            auto [order, cycle_at] = reference_toposort(s);
            CHECK_EQ(show({t.order}), show({order}));
            CHECK_EQ(t.cycle_at.value_or(END), cycle_at);
        }
        std::vector<uint32_t> live;
        for (uint32_t v = 0; v < s.node_slots(); ++v)
            if (s.node_live(v)) live.push_back(v);
        uint32_t a = live[rng() % live.size()], b = live[rng() % live.size()];
        uint64_t depth = rng() % 8, cap = rng() % 4 == 0 ? 3 : 100000;
        CHECK_EQ(show(lists(all_simple_paths(s, a, b, depth, cap))), show(reference_paths(s, a, b, depth, cap)));
        // Every cycle path is a cycle of edges inside its component.
        for (auto& cyc : lists(find_cycle_paths(s)))
            for (size_t i = 0; i < cyc.size(); ++i)
                CHECK(s.find_edge(cyc[i], cyc[(i + 1) % cyc.size()]).has_value());
    }
}

// Dense multigraphs: runs of parallel edges into the target at every depth,
// and caps that stop inside such a run.
static void paths_in_dense_multigraphs() {
    std::mt19937 rng(11);
    for (int round = 0; round < 400; ++round) {
        const int n = 2 + int(rng() % 5);
        PropertyGraph g = random_graph(rng, round % 2 == 0, n, 4 * n + int(rng() % (4 * n)));
        const GraphInner& s = g.store();
        std::vector<uint32_t> live;
        for (uint32_t v = 0; v < s.node_slots(); ++v)
            if (s.node_live(v)) live.push_back(v);
        const uint32_t a = live[rng() % live.size()], b = live[rng() % live.size()];
        const uint64_t depth = rng() % 8, cap = std::vector<uint64_t>{1, 2, 3, 5, 1000000}[rng() % 5];
        CHECK_EQ(show(lists(all_simple_paths(s, a, b, depth, cap))), show(reference_paths(s, a, b, depth, cap)));
    }
}

static void million_node_chain_and_cycle() {
    const uint32_t n = 1000000;
    PropertyGraph g(true, false, "");
    for (uint32_t i = 0; i < n; ++i) (void)g.add_node(std::to_string(i), {});
    for (uint32_t i = 0; i + 1 < n; ++i) (void)g.add_edge(std::to_string(i), std::to_string(i + 1), {});
    const GraphInner& s = g.store();
    CHECK_EQ(tarjan_scc(s).size(), size_t(n));
    CHECK_EQ(toposort(s).order.size(), size_t(n));
    auto lp = longest_path(g);
    CHECK(lp.ok() && lp.value().length == n - 1 && lp.value().path.size() == n);
    CHECK_EQ(ancestors(g, n - 1).size(), size_t(n - 1));
    auto paths = all_simple_paths(s, 0, n - 1, 2 * uint64_t(n), 10);
    CHECK(paths.size() == 1 && paths[0].size() == n);
    CHECK_EQ(all_simple_paths(s, 0, n - 1, n - 1, 10).size(), size_t(0));  // one node too short

    (void)g.add_edge(std::to_string(n - 1), "0", {});
    CHECK_EQ(tarjan_scc(s).size(), size_t(1));
    CHECK(toposort(s).cycle_at.has_value());
    auto cyc = find_cycle_paths(s);
    CHECK(cyc.size() == 1 && cyc[0].size() == n);
    CHECK_EQ(condensation(g).node_count(), uint64_t(1));
}

int main() {
    random_against_references();
    paths_in_dense_multigraphs();
    million_node_chain_and_cycle();
    return check_summary("test_components_dag");
}
