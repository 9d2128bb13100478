// Knowledge-graph operations over property graphs: transitive densification
// along one predicate, merge and diff of two graphs, triples in and out,
// degree queries and subgraphs selected by node properties.
//
// None of them changes a graph it is given. Ids and labels in results are
// views into the records of the given graphs (or slots of them, where the
// caller turns each id into one shared object), valid while those graphs
// stay unchanged.
#pragma once
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "core/graph/graph.hpp"

namespace vg {

// ---- Densify ------------------------------------------------------------
// A copy of `g` (live nodes, then live edges, each in slot order, values
// deep-copied, slots dense) plus one edge A -> C, carrying "predicate" and
// "type" equal to `predicate`, for every pair that a chain of one or more
// edges labelled `predicate` (stored orientation) connects and that no edge
// of the copy joins yet. The label is the edge's String "predicate", else
// its String "type", else the empty string.
PropertyGraph transitive_densify(const PropertyGraph& g, std::string_view predicate);

// ---- Merge --------------------------------------------------------------
enum class MergePolicy : uint8_t { KeepFirst, Merge, KeepLatest };
// "keep_first" and "merge" by exact name; every other string keeps the latest.
MergePolicy merge_policy(std::string_view name);
Properties merge_node_properties(const Properties& base, const Properties& other, MergePolicy policy);
// Nodes and joined pairs of both graphs, once each; `base` decides
// direction, the result never allows parallel edges and has no name.
PropertyGraph merge_graphs(const PropertyGraph& base, const PropertyGraph& other, MergePolicy policy);

// ---- Triples ------------------------------------------------------------
struct Triple {
    std::string_view subject;
    std::string_view predicate;
    std::string_view object;
};
// One node per distinct subject or object (first appearance order) and one
// edge per triple whose pair no earlier triple joined.
PropertyGraph from_triples(const std::vector<Triple>& triples, bool directed);
// (stored source slot, label, stored target slot) of every live edge in
// slot order; the label defaults to "relatedTo". Labels are given once
// each, in order of first use, and triples name them by position.
struct SlotTriple {
    uint32_t subject;
    uint32_t predicate;  // into ProjectedTriples::labels
    uint32_t object;
};
struct ProjectedTriples {
    std::vector<std::string_view> labels;
    std::vector<SlotTriple> triples;
};
ProjectedTriples project_triples(const PropertyGraph& g);

// ---- Diff ---------------------------------------------------------------
// Entries are node slots: "added" ones of the new graph, the others of the
// old graph; edges as (stored source, stored target) slot pairs.
using SlotPair = std::pair<uint32_t, uint32_t>;
struct GraphDiff {
    std::vector<uint32_t> added_nodes;
    std::vector<uint32_t> removed_nodes;
    std::vector<SlotPair> added_edges;
    std::vector<SlotPair> removed_edges;
    std::vector<uint32_t> changed_node_properties;
};
GraphDiff diff_graphs(const PropertyGraph& old_graph, const PropertyGraph& new_graph);
// Same entry count and every name of `a` in `b` with an equal value.
bool properties_equal(const Properties& a, const Properties& b);

// ---- Degree queries -------------------------------------------------------
// Degree as PropertyGraph::degree counts it, for every node slot (0 for
// vacant slots).
std::vector<uint64_t> slot_degrees(const PropertyGraph& g);
std::vector<std::string_view> hub_nodes(const PropertyGraph& g, uint64_t threshold);
std::vector<std::string_view> orphan_nodes(const PropertyGraph& g);
// (degree, node count) for each degree that occurs, in the order in which
// the degrees first occur in slot order.
std::vector<std::pair<uint64_t, uint64_t>> degree_histogram(const PropertyGraph& g);

// ---- Subgraphs by node property ---------------------------------------------
// Live nodes (slot order) whose "type" is a String among `types`.
std::vector<std::string_view> nodes_of_types(const PropertyGraph& g, const std::vector<std::string_view>& types);
// Live nodes (slot order) whose value under `key` equals `probe`.
std::vector<std::string_view> nodes_matching(const PropertyGraph& g, std::string_view key, const Value& probe);
// The subgraph the selected ids induce; they are live and distinct.
PropertyGraph induced_subgraph(const PropertyGraph& g, const std::vector<std::string_view>& ids);

}  // namespace vg
