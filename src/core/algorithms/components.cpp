// Strongly and weakly connected components, edge-list labels and
// condensation.
#include "core/algorithms/components.hpp"

#include "core/graph/adjacency.hpp"
#include "core/graph/pairs.hpp"
#include "core/support/union_find.hpp"

#include <algorithm>
#include <limits>
#include <numeric>
#include <string>

namespace vg {

namespace {

// Pearce's form of Tarjan's search. rindex is 0 for unvisited nodes, a
// visit number while the node is open and a component number (counting
// down from the top, so above every visit number) once it is placed. Visit
// numbers stay below the node count and component numbers above the top
// minus the node count, so 32 bits suffice below 2^31 slots; the smaller
// table keeps more of it in cache.
template <class Index>
SlotGroups tarjan(const GraphInner& s, std::vector<uint32_t>* component_of) {
    const size_t n = s.node_slots();
    std::vector<Index> rindex(n, 0);
    Index index = 1;
    Index component = std::numeric_limits<Index>::max();
    std::vector<uint32_t> stack;
    const Rows& adj = rows(s, Direction::Out);
    // One frame per node of the current depth-first path; `pos` is the
    // position in its row of the edge being looked at, kept until the visit
    // it started ends.
    struct Frame {
        uint32_t node;
        uint32_t pos;
        uint32_t end;
        bool root;
    };
    std::vector<Frame> frames;
    SlotGroups out;
    out.members.reserve(s.node_count());
    if (component_of) component_of->assign(n, END);

    auto open = [&](uint32_t v) {
        rindex[v] = index++;
        frames.push_back({v, adj.first[v], adj.first[v + 1], true});
    };
    for (uint32_t r = 0; r < n; ++r) {
        if (!s.node_live(r) || rindex[r] != 0) continue;
        open(r);
        while (!frames.empty()) {
            Frame& f = frames.back();
            if (f.pos != f.end) {
                const uint32_t w = adj.targets[f.pos];
                if (rindex[w] == 0) {
                    open(w);  // f is not used again before the child's frame is gone
                    continue;
                }
                if (rindex[w] < rindex[f.node]) {
                    rindex[f.node] = rindex[w];
                    f.root = false;
                }
                ++f.pos;
                continue;
            }
            const uint32_t v = f.node;
            const bool root = f.root;
            frames.pop_back();
            if (!root) {
                stack.push_back(v);
                continue;
            }
            size_t start = stack.size();
            while (start > 0 && rindex[stack[start - 1]] >= rindex[v]) --start;
            const uint32_t number = uint32_t(out.size());
            for (size_t i = start; i < stack.size(); ++i) {
                rindex[stack[i]] = component;
                out.members.push_back(stack[i]);
                if (component_of) (*component_of)[stack[i]] = number;
            }
            rindex[v] = component;
            out.members.push_back(v);
            if (component_of) (*component_of)[v] = number;
            out.close();
            index -= Index(stack.size() - start + 1);
            stack.resize(start);
            --component;
        }
    }
    return out;
}

}  // namespace

SlotGroups tarjan_scc(const GraphInner& s, std::vector<uint32_t>* component_of) {
    if (s.node_slots() < (uint32_t(1) << 31)) return tarjan<uint32_t>(s, component_of);
    return tarjan<uint64_t>(s, component_of);
}

SlotGroups weak_component_groups(const GraphInner& s) {
    const size_t n = s.node_slots();
    UnionFind uf(n);
    s.for_each_edge([&](uint32_t, EdgeEnds x, const EdgeData&) { uf.unite(x.source, x.target); });
    // Counting sort by root: group numbers in order of first member, then
    // members placed in slot order.
    std::vector<uint32_t> group_of_root(n, END), group(n, END);
    std::vector<size_t> sizes;
    s.for_each_node([&](uint32_t v, const NodeData&) {
        uint32_t r = uf.find(v);
        if (group_of_root[r] == END) {
            group_of_root[r] = uint32_t(sizes.size());
            sizes.push_back(0);
        }
        group[v] = group_of_root[r];
        ++sizes[group[v]];
    });
    SlotGroups out;
    out.starts.resize(sizes.size() + 1);
    for (size_t i = 0; i < sizes.size(); ++i) out.starts[i + 1] = out.starts[i] + sizes[i];
    out.members.resize(out.starts.back());
    std::vector<size_t> fill(out.starts.begin(), out.starts.end() - 1);
    for (uint32_t v = 0; v < n; ++v)
        if (group[v] != END) out.members[fill[group[v]]++] = v;
    return out;
}

SlotGroups strongly_connected_components(const PropertyGraph& g) {
    return g.store().is_directed() ? tarjan_scc(g.store()) : weak_component_groups(g.store());
}

size_t num_connected_components(const PropertyGraph& g) { return weak_component_groups(g.store()).size(); }

bool is_weakly_connected(const PropertyGraph& g) { return g.node_count() < 2 || g.is_connected(); }

bool is_strongly_connected(const PropertyGraph& g) {
    if (g.node_count() == 0) return true;
    if (!g.store().is_directed()) return g.is_connected();
    return tarjan_scc(g.store()).size() == 1;
}

Result<std::vector<uint32_t>> connected_component_labels(uint32_t n_nodes,
                                                         const std::vector<std::pair<uint32_t, uint32_t>>& edges) {
    // Endpoints are checked before anything is allocated.
    for (const auto& [a, b] : edges) {
        for (uint32_t x : {a, b})
            if (x >= n_nodes)
                return Error{ErrorKind::InvalidValue, "edge references node " + std::to_string(x) +
                                                          " but n_nodes is " + std::to_string(n_nodes)};
    }
    UnionFind uf(n_nodes);
    for (const auto& [a, b] : edges) uf.unite(a, b);
    std::vector<uint32_t> smallest(n_nodes);
    std::iota(smallest.begin(), smallest.end(), 0u);
    std::vector<uint32_t> labels(n_nodes);
    for (uint32_t i = 0; i < n_nodes; ++i) {
        uint32_t r = uf.find(i);
        smallest[r] = std::min(smallest[r], i);
        labels[i] = r;
    }
    for (uint32_t& l : labels) l = smallest[l];
    return labels;
}

namespace {

// Adds one node per group, named by its member ids sorted byte-wise and
// joined with ","; returns the new graph's slot for each group (a group
// whose name is taken shares the existing node).
std::vector<uint32_t> add_group_nodes(PropertyGraph& out, const GraphInner& s, const SlotGroups& groups) {
    std::vector<uint32_t> node_of(groups.size());
    out.reserve(groups.size(), 0);
    std::vector<std::string_view> ids;
    std::string name;
    for (size_t i = 0; i < groups.size(); ++i) {
        auto members = groups[i];
        std::string_view id;
        if (members.size() == 1) {
            id = s.id_of(members[0]);
        } else {
            ids.clear();
            for (uint32_t m : members) ids.push_back(s.id_of(m));
            std::stable_sort(ids.begin(), ids.end());
            name.clear();
            for (size_t j = 0; j < ids.size(); ++j) {
                if (j) name += ',';
                name += ids[j];
            }
            id = name;
        }
        auto added = out.add_node(id, Properties());
        node_of[i] = added ? added.value() : out.node_index(id).value();
    }
    return node_of;
}

}  // namespace

PropertyGraph condensation(const PropertyGraph& g) {
    PropertyGraph out(true, false, std::string());
    const GraphInner& s = g.store();
    if (!s.is_directed()) {
        add_group_nodes(out, s, weak_component_groups(s));
        return out;
    }
    std::vector<uint32_t> comp;
    SlotGroups sccs = tarjan_scc(s, &comp);
    std::vector<uint32_t> node_of = add_group_nodes(out, s, sccs);

    // One edge per pair of result nodes, from the input edge with the lowest
    // slot, in slot order. Components sharing a node (a name clash) are
    // taken together.
    PairFilter first_of_pair(true);
    s.for_each_edge([&](uint32_t, EdgeEnds x, const EdgeData&) {
        if (comp[x.source] == comp[x.target]) return;
        const uint32_t from = node_of[comp[x.source]], to = node_of[comp[x.target]];
        if (first_of_pair.first(from, to)) (void)out.add_edge_between(from, to, Properties());
    });
    return out;
}

}  // namespace vg
