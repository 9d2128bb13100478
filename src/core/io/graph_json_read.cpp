// Graph JSON reader. It reads the three records (document, node, edge)
// straight from the text, property values straight into Value, and feeds
// nodes and edges to the graph as they complete, so no intermediate tree
// is built. Failures rank as: the first reading fault in text order, then
// the caps, then the store's refusals.
#include <optional>
#include <string>
#include <vector>

#include "core/graph/pairs.hpp"
#include "core/io/graph_json.hpp"
#include "core/io/json_reader.hpp"

namespace vg {

namespace {

constexpr FieldShape kGraphShape{"struct GraphJson", "struct GraphJson with 5 elements",
                                 "one of `directed`, `multi`, `name`, `nodes`, `edges`",
                                 {"directed", "multi", "name", "nodes", "edges"}, 5, 1u << 1};
constexpr FieldShape kNodeShape{"struct NodeJson", "struct NodeJson with 2 elements", "`id` or `properties`",
                                {"id", "properties"}, 2, 0};
constexpr FieldShape kEdgeShape{"struct EdgeJson", "struct EdgeJson with 3 elements",
                                "one of `source`, `target`, `properties`", {"source", "target", "properties"}, 3, 0};

struct PendingEdge {
    std::string source;
    std::string target;
    Properties properties;
};

class Reader : public JsonReader {
public:
    Reader(std::string_view text, uint64_t max_nodes, uint64_t max_edges)
        : JsonReader(text), max_nodes_(max_nodes), max_edges_(max_edges) {}

    bool read_document();
    Result<PropertyGraph> finish();

private:
    bool read_graph_field(int f);
    bool read_node();
    bool read_edge();

    // ---- graph building ----------------------------------------------
    void set_flags() { graph_.set_flags(directed_, multi_); }
    void take_node(std::string_view id, Properties props);
    void take_edge(std::string_view source, std::string_view target, Properties props);
    void add_edge_now(std::string_view source, std::string_view target, Properties props);

    uint64_t max_nodes_, max_edges_;
    PropertyGraph graph_;
    bool directed_ = true, multi_ = false;
    bool have_directed_ = false, have_multi_ = false, nodes_done_ = false;
    std::string name_;
    uint64_t nodes_seen_ = 0, edges_seen_ = 0;
    std::optional<Error> node_error_, edge_error_;
    bool edges_direct_ = false;  // edges go into the graph as they are read
    std::vector<PendingEdge> pending_;
    U64Set pairs_;  // slot pairs joined so far, without parallel edges
    std::string id_keep_, source_keep_, target_keep_;
};

bool Reader::read_node() {
    std::string_view id;
    Properties props;
    bool ok = read_record(kNodeShape, [&](int f) {
        if (f == 1) return read_properties(props);
        if (!read_string(id)) return false;
        id = stable(id, id_keep_);
        return true;
    });
    if (ok) take_node(id, std::move(props));
    return ok;
}

bool Reader::read_edge() {
    std::string_view source, target;
    Properties props;
    bool ok = read_record(kEdgeShape, [&](int f) {
        if (f == 2) return read_properties(props);
        std::string_view& s = f == 0 ? source : target;
        if (!read_string(s)) return false;
        s = stable(s, f == 0 ? source_keep_ : target_keep_);
        return true;
    });
    if (ok) take_edge(source, target, std::move(props));
    return ok;
}

bool Reader::read_graph_field(int f) {
    switch (f) {
        case 0:
            have_directed_ = true;
            return read_bool(directed_);
        case 1:
            have_multi_ = true;
            return read_bool(multi_);
        case 2: {
            std::string_view s;
            if (!read_string(s)) return false;
            name_.assign(s);
            return true;
        }
        case 3:
            if (!read_seq([&] { return read_node(); })) return false;
            nodes_done_ = true;
            return true;
        default:
            // With the flags known and every node in place, edges can go in
            // as they are read; otherwise they wait for the end of the text.
            if (have_directed_ && have_multi_ && nodes_done_) {
                edges_direct_ = true;
                set_flags();
            }
            return read_seq([&] { return read_edge(); });
    }
}

bool Reader::read_document() {
    if (!read_record(kGraphShape, [&](int f) { return read_graph_field(f); })) return false;
    if (peek_ws() != kEof) return fail_peek("trailing characters");
    return true;
}

// Nodes past a cap or after a refused node are only counted: the text must
// still be read to its end, but they can never reach the graph.
void Reader::take_node(std::string_view id, Properties props) {
    if (++nodes_seen_ > max_nodes_ || node_error_) return;
    auto slot = graph_.add_node(id, std::move(props));
    if (!slot) node_error_ = slot.failure();
}

void Reader::take_edge(std::string_view source, std::string_view target, Properties props) {
    ++edges_seen_;
    if (edges_seen_ > max_edges_ || nodes_seen_ > max_nodes_ || node_error_ || edge_error_) return;
    if (edges_direct_) add_edge_now(source, target, std::move(props));
    else pending_.push_back({std::string(source), std::string(target), std::move(props)});
}

// The graph's add_edge, with the parallel-edge test through the reader's
// own set of joined pairs (a hub's adjacency list is never walked).
// Any refusal goes through add_edge itself for the graph's own error.
void Reader::add_edge_now(std::string_view source, std::string_view target, Properties props) {
    auto [a, b] = graph_.find_node_pair(source, target);
    bool fresh = a && b;
    if (fresh && !multi_) fresh = pairs_.insert(slot_pair_key(*a, *b, directed_));
    if (!fresh) {
        auto r = graph_.add_edge(source, target, std::move(props));
        if (r) internal_failure("edge pair index disagrees with the store");
        edge_error_ = r.failure();
        return;
    }
    auto r = graph_.add_edge_between(*a, *b, std::move(props));
    if (!r) edge_error_ = r.failure();
}

Result<PropertyGraph> Reader::finish() {
    if (nodes_seen_ > max_nodes_)
        return Error{ErrorKind::CapRefused, "Graph JSON declares " + std::to_string(nodes_seen_) + " nodes; refusing above max_nodes=" +
                     std::to_string(max_nodes_) + " (raise VeskGraphSettings.max_nodes if intended)."};
    if (edges_seen_ > max_edges_)
        return Error{ErrorKind::CapRefused, "Graph JSON declares " + std::to_string(edges_seen_) + " edges; refusing above max_edges=" +
                     std::to_string(max_edges_) + " (raise VeskGraphSettings.max_edges if intended)."};
    if (node_error_) return *node_error_;
    set_flags();
    graph_.set_name(std::move(name_));
    if (!pending_.empty()) {
        if (!multi_) pairs_.reserve(pending_.size());
        for (PendingEdge& e : pending_) {
            add_edge_now(e.source, e.target, std::move(e.properties));
            if (edge_error_) break;
        }
    }
    if (edge_error_) return *edge_error_;
    return std::move(graph_);
}

}  // namespace

Result<PropertyGraph> from_json(std::string_view text, uint64_t max_bytes, uint64_t max_nodes, uint64_t max_edges) {
    if (text.size() > max_bytes)
        return Error{ErrorKind::CapRefused, "Graph JSON is " + std::to_string(text.size()) + " bytes; refusing to parse above " +
                     std::to_string(max_bytes) + " bytes (raise VeskGraphSettings.max_bytes if intended)."};
    Reader reader(text, max_nodes, max_edges);
    if (!reader.read_document()) return Error{ErrorKind::Parse, std::move(reader.error())};
    return reader.finish();
}

}  // namespace vg

