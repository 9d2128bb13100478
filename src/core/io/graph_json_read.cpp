// Graph JSON reader. It reads the three records (document, node, edge)
// straight from the text, property values straight into Value, and feeds
// nodes and edges to the graph as they complete, so no intermediate tree
// is built. Failures rank as: the first reading fault in text order, then
// the caps, then the store's refusals.
#include <algorithm>
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

// A string of a record kept until its batch goes into the graph: a view
// into the text, or a copy when it had escapes (it was read into scratch).
struct KeptString {
    std::string_view view;
    std::string copy;
    bool copied = false;
    std::string_view get() const { return copied ? std::string_view(copy) : view; }
};

struct PendingNode {
    KeptString id;
    Properties properties;
    uint32_t hash = 0;
};

struct PendingEdge {
    KeptString source, target;
    Properties properties;
    uint32_t source_hash = 0, target_hash = 0;
    std::optional<uint32_t> a, b;  // the endpoints' slots, once looked up
};

// Records go into the graph in batches of this many: the index and node
// reads of a whole batch are started before the first of them is needed,
// so their memory latencies overlap.
constexpr size_t kBatch = 64;

class Reader : public JsonReader {
public:
    Reader(std::string_view text, uint64_t max_nodes, uint64_t max_edges)
        : JsonReader(text), max_nodes_(max_nodes), max_edges_(max_edges), node_batch_(kBatch), edge_batch_(kBatch) {}

    bool read_document();
    Result<PropertyGraph> finish();

private:
    bool read_graph_field(int f);
    bool read_node();
    bool read_edge();
    bool plain_node(PendingNode& n);
    bool plain_edge(PendingEdge& e);
    bool edge_read();
    void keep(KeptString& out, std::string_view s) {
        out.copied = in_scratch_;
        if (out.copied) out.copy.assign(s);
        else out.view = s;
    }

    // ---- graph building ----------------------------------------------
    void set_flags() { graph_.set_flags(directed_, multi_); }
    void add_nodes();
    void add_edges(PendingEdge* edges, size_t n);
    void add_edge(PendingEdge& e);

    uint64_t max_nodes_, max_edges_;
    PropertyGraph graph_;
    bool directed_ = true, multi_ = false;
    bool have_directed_ = false, have_multi_ = false, nodes_done_ = false;
    std::string name_;
    uint64_t nodes_seen_ = 0, edges_seen_ = 0;
    std::optional<Error> node_error_, edge_error_;
    bool edges_direct_ = false;  // edges go into the graph as they are read
    std::vector<PendingNode> node_batch_;
    size_t nodes_batched_ = 0;
    std::vector<PendingEdge> edge_batch_;
    size_t edges_batched_ = 0;
    std::vector<PendingEdge> pending_;  // edges read before the nodes and flags
    U64Set pairs_;  // slot pairs joined so far, without parallel edges
};

// Records as the writer makes them: {"id":"..","properties":{..}} and
// {"source":"..","target":"..","properties":{..}}, each within a list in
// the document (the record and its properties object are the next two
// levels of nesting). Any other text is read again the general way.
bool Reader::plain_node(PendingNode& n) {
    std::string_view id;
    if (!plain_literal("{\"id\":\"") || !plain_string(id) || !plain_literal(",\"properties\":")) return false;
    // A value that failed deep inside left its levels counted: the depth
    // is set back either way.
    const int depth = depth_;
    depth_ += 2;
    bool ok = plain_properties(n.properties) && plain_char('}');
    depth_ = depth;
    if (ok) {
        n.id.copied = false;
        n.id.view = id;
    }
    return ok;
}

bool Reader::plain_edge(PendingEdge& e) {
    std::string_view source, target;
    if (!plain_literal("{\"source\":\"") || !plain_string(source) || !plain_literal(",\"target\":\"") ||
        !plain_string(target) || !plain_literal(",\"properties\":"))
        return false;
    // A value that failed deep inside left its levels counted: the depth
    // is set back either way.
    const int depth = depth_;
    depth_ += 2;
    bool ok = plain_properties(e.properties) && plain_char('}');
    depth_ = depth;
    if (ok) {
        e.source.copied = e.target.copied = false;
        e.source.view = source;
        e.target.view = target;
    }
    return ok;
}

// Nodes past a cap or after a refused node are only counted: the text must
// still be read to its end, but they can never reach the graph.
bool Reader::read_node() {
    bool take = ++nodes_seen_ <= max_nodes_ && !node_error_;
    PendingNode& n = node_batch_[take ? nodes_batched_ : 0];
    if (take) {
        const char* start = p_;
        if (peek_ws() == '{' && plain_node(n)) {
            if (++nodes_batched_ == kBatch) add_nodes();
            return true;
        }
        p_ = start;
        n.properties = Properties();
    }
    Properties props;
    Properties& into = take ? n.properties : props;
    bool ok = read_record(kNodeShape, [&](int f) {
        if (f == 1) return read_properties(into);
        std::string_view id;
        if (!read_string(id)) return false;
        if (take) keep(n.id, id);
        return true;
    });
    if (!ok || !take) return ok;
    if (++nodes_batched_ == kBatch) add_nodes();
    return true;
}

bool Reader::read_edge() {
    bool take = ++edges_seen_ <= max_edges_ && nodes_seen_ <= max_nodes_ && !node_error_ && !edge_error_;
    PendingEdge* e = nullptr;
    if (take) {
        e = edges_direct_ ? &edge_batch_[edges_batched_] : &pending_.emplace_back();
        const char* start = p_;
        if (peek_ws() == '{' && plain_edge(*e)) return edge_read();
        p_ = start;
        e->properties = Properties();
    }
    Properties props;
    bool ok = read_record(kEdgeShape, [&](int f) {
        if (f == 2) return read_properties(e ? e->properties : props);
        std::string_view s;
        if (!read_string(s)) return false;
        if (e) keep(f == 0 ? e->source : e->target, s);
        return true;
    });
    if (!ok || !e) return ok;
    return edge_read();
}

// An edge taken was read into its place: a batch full of direct edges goes
// into the graph.
bool Reader::edge_read() {
    if (edges_direct_ && ++edges_batched_ == kBatch) {
        add_edges(edge_batch_.data(), kBatch);
        edges_batched_ = 0;
    }
    return true;
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
            add_nodes();
            nodes_done_ = true;
            return true;
        default:
            // With the flags known and every node in place, edges can go in
            // as they are read; otherwise they wait for the end of the text.
            if (have_directed_ && have_multi_ && nodes_done_) {
                edges_direct_ = true;
                set_flags();
            }
            if (!read_seq([&] { return read_edge(); })) return false;
            if (edges_direct_) {
                add_edges(edge_batch_.data(), edges_batched_);
                edges_batched_ = 0;
                edges_direct_ = false;
            }
            return true;
    }
}

bool Reader::read_document() {
    if (!read_record(kGraphShape, [&](int f) { return read_graph_field(f); })) return false;
    if (peek_ws() != kEof) return fail_peek("trailing characters");
    return true;
}

// The batched nodes in order, up to the first the graph refuses.
void Reader::add_nodes() {
    const size_t n = nodes_batched_;
    nodes_batched_ = 0;
    for (size_t i = 0; i < n; ++i) {
        PendingNode& p = node_batch_[i];
        p.hash = graph_.id_hash(p.id.get());
        graph_.prefetch_id(p.hash);
    }
    for (size_t i = 0; i < n && !node_error_; ++i) {
        PendingNode& p = node_batch_[i];
        auto slot = graph_.add_node(p.id.get(), p.hash, std::move(p.properties));
        if (!slot) node_error_ = slot.failure();
    }
}

// Edges in order, up to the first the graph refuses. Each pass starts the
// memory reads of the next for the whole group: the index slots of the
// endpoint ids, their node records, then (without parallel edges) the
// entries of the joined pairs.
void Reader::add_edges(PendingEdge* edges, size_t n) {
    for (size_t from = 0; from < n && !edge_error_; from += kBatch) {
        PendingEdge* group = edges + from;
        const size_t k = std::min(kBatch, n - from);
        for (size_t i = 0; i < k; ++i) {
            PendingEdge& e = group[i];
            e.source_hash = graph_.id_hash(e.source.get());
            e.target_hash = graph_.id_hash(e.target.get());
            graph_.prefetch_id(e.source_hash);
            graph_.prefetch_id(e.target_hash);
        }
        for (size_t i = 0; i < k; ++i) {
            graph_.prefetch_id_record(group[i].source_hash);
            graph_.prefetch_id_record(group[i].target_hash);
        }
        for (size_t i = 0; i < k; ++i) {
            PendingEdge& e = group[i];
            e.a = graph_.find_node(e.source.get(), e.source_hash);
            e.b = graph_.find_node(e.target.get(), e.target_hash);
            if (!multi_ && e.a && e.b) pairs_.prefetch(slot_pair_key(*e.a, *e.b, directed_));
        }
        for (size_t i = 0; i < k && !edge_error_; ++i) add_edge(group[i]);
    }
}

// The graph's add_edge for endpoints already looked up, with the
// parallel-edge test through the reader's own set of joined pairs (a hub's
// adjacency list is never walked). Any refusal goes through add_edge
// itself for the graph's own error.
void Reader::add_edge(PendingEdge& e) {
    bool fresh = e.a && e.b;
    if (fresh && !multi_) fresh = pairs_.insert(slot_pair_key(*e.a, *e.b, directed_));
    if (!fresh) {
        auto r = graph_.add_edge(e.source.get(), e.target.get(), std::move(e.properties));
        if (r) internal_failure("edge pair index disagrees with the store");
        edge_error_ = r.failure();
        return;
    }
    auto r = graph_.add_edge_between(*e.a, *e.b, std::move(e.properties));
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
        add_edges(pending_.data(), pending_.size());
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

