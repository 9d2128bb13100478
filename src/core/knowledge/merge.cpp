// Merge of two graphs under a conflict policy.
//
// Node order of the result: the ids of `base` in its slot order, then the
// ids only `other` has in its slot order (fixed, rather than the iteration
// order of a hash set, so that a merge comes out the same in every run).
#include "core/knowledge/common.hpp"
#include "core/knowledge/merge.hpp"
#include "core/support/shared_memo.hpp"

namespace vg {

MergePolicy merge_policy(std::string_view name) {
    if (name == "keep_first") return MergePolicy::KeepFirst;
    if (name == "merge") return MergePolicy::Merge;
    return MergePolicy::KeepLatest;
}

Properties merge_node_properties(const Properties& base, const Properties& other, MergePolicy policy) {
    switch (policy) {
        case MergePolicy::KeepFirst: return base;
        case MergePolicy::Merge: {
            // A map merged with itself (or with nothing) is itself, and stays shared.
            if (other.empty() || base.shares_body_with(other)) return base;
            Properties out = base;
            // One level only: a value under a shared name is replaced whole.
            out.update(other);
            return out;
        }
        case MergePolicy::KeepLatest: break;
    }
    return other;
}

namespace {

// Maps of one kind share one body (a loaded graph's edges of one
// predicate): the merge of two shared bodies is made once, whatever the
// order in which their pairs come, and shared alike by every node or edge
// that joins them, rather than copied into each. The maps merged must stay
// in place while it is used.
class SharedMerges {
public:
    explicit SharedMerges(MergePolicy policy) : policy_(policy) {}
    Properties operator()(const Properties& base, const Properties& other) {
        const void* b = base.shared_body();
        const void* o = other.shared_body();
        if (!b || !o) return merge_node_properties(base, other, policy_);
        return merged_.get(memo_key(b), memo_key(o), [&] { return merge_node_properties(base, other, policy_); });
    }

private:
    MergePolicy policy_;
    SharedMemo<Properties> merged_;
};

}  // namespace

PropertyGraph merge_graphs(const PropertyGraph& base, const PropertyGraph& other, MergePolicy policy) {
    const GraphInner& bs = base.store();
    const GraphInner& os = other.store();
    PropertyGraph out(base.directed(), false, std::string());
    out.reserve(bs.node_count() + os.node_count(), bs.edge_count() + os.edge_count());

    // Slot maps: base -> result, other -> result, base -> other.
    std::vector<uint32_t> b2r(bs.node_slots(), END), o2r(os.node_slots(), END), b2o(bs.node_slots(), END);
    SharedMerges merged(policy);
    bs.for_each_node([&](uint32_t n, const NodeData& node) {
        uint32_t m = other.find_node(node.id).value_or(END);
        Properties props = m == END ? node.properties : merged(node.properties, os.node(m).properties);
        b2r[n] = kn::add_fresh_node(out, node.id, std::move(props));
        if (m != END) {
            b2o[n] = m;
            o2r[m] = b2r[n];
        }
    });
    os.for_each_node([&](uint32_t n, const NodeData& node) {
        if (o2r[n] == END) o2r[n] = kn::add_fresh_node(out, node.id, node.properties);
    });

    // The latest edge of `other` for each stored (source, target) pair.
    kn::U64Map other_pairs;
    other_pairs.reserve(size_t(os.edge_count()));
    os.for_each_edge([&](uint32_t e, EdgeEnds x, const EdgeData&) {
        *other_pairs.emplace(slot_pair_key(x.source, x.target, true), e).first = e;
    });

    // The result allows no parallel edges: of several edges joining one pair
    // (either orientation when undirected) only the first is added.
    const bool directed = out.directed();
    U64Set joined;
    joined.reserve(size_t(bs.edge_count() + os.edge_count()));
    bs.for_each_edge([&](uint32_t, EdgeEnds x, const EdgeData& d) {
        uint32_t s = b2r[x.source], t = b2r[x.target];
        if (!joined.insert(slot_pair_key(s, t, directed))) return;
        const uint32_t* twin = nullptr;
        uint32_t so = b2o[x.source], to = b2o[x.target];
        if (so != END && to != END) twin = other_pairs.find(slot_pair_key(so, to, true));
        Properties props = twin ? merged(d.properties, os.edge(*twin).properties) : d.properties;
        kn::add_unjoined_edge(out, s, t, std::move(props));
    });
    os.for_each_edge([&](uint32_t, EdgeEnds x, const EdgeData& d) {
        uint32_t s = o2r[x.source], t = o2r[x.target];
        if (joined.insert(slot_pair_key(s, t, directed))) kn::add_unjoined_edge(out, s, t, d.properties);
    });
    return out;
}

}  // namespace vg
