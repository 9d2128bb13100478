// Graph JSON: the one text form of a whole graph (flags, name, nodes with
// ids and properties, edges with endpoints and properties), and the pickled
// state built on it.
#pragma once
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "core/graph/graph.hpp"
#include "core/io/text_buffer.hpp"
#include "core/result.hpp"

namespace vg {

inline constexpr uint64_t kNoCap = std::numeric_limits<uint64_t>::max();

// Compact graph JSON: {"directed":..,"multi":..,"name":..,"nodes":[..],
// "edges":[..]}, nodes and edges in slot order, properties in map order.
// Never fails for a sound graph (a non-finite double is an internal failure).
Result<TextBuffer> to_json(const PropertyGraph& g);
// Appends the same text to `out`, for callers that frame it. Under a limit
// the writing stops once `out` holds more than `limit` bytes (looked at
// after each node and edge record, so the text passes it by at most one
// record), and the result says whether the text was written whole.
bool write_graph_json(const PropertyGraph& g, TextBuffer& out, uint64_t limit = kNoCap);

// Reads graph JSON under a byte cap (checked before anything is read) and
// node and edge caps (checked after the whole text was read, before any
// node is added). Errors: the cap messages, reading errors ending in
// " at line L column C", and the store's add_node / add_edge messages.
// Pass kNoCap for no cap.
Result<PropertyGraph> from_json(std::string_view text, uint64_t max_bytes, uint64_t max_nodes, uint64_t max_edges);

// Pickled state: "QTB1" followed by the graph JSON text.
inline constexpr std::string_view kPickleMagic = "QTB1";
// Most bytes of state (magic included) that unpickling accepts.
inline constexpr uint64_t kMaxPickleBytes = 67108864;

// The state of a graph, or an error (for RuntimeError) when it would be
// larger than unpickling accepts, so a pickle never holds a graph that
// cannot be loaded back.
Result<TextBuffer> to_pickle_state(const PropertyGraph& g);
// The graph of a state: size limit, magic, UTF-8 of the text, then
// from_json without caps. Errors are meant for ValueError.
Result<PropertyGraph> from_pickle_state(std::string_view state);
// The refusal of a state longer than unpickling accepts; `size` is its
// length, or "more than ..." where the caller stopped reading it there.
Error pickle_state_too_long(const std::string& size);

}  // namespace vg
