// The fixed error texts of the graph operations, formed in one place so
// that every caller reports them with the same wording and kind.
#pragma once
#include <string>
#include <string_view>

#include "core/result.hpp"

namespace vg::errors {

inline std::string quoted(std::string_view s) { return "'" + std::string(s) + "'"; }

// A text as messages show a value they did not expect: in double quotes,
// with backslash escapes for the quote, the backslash and control
// characters (C1 controls included, as \u{..}).
std::string debug_quoted(std::string_view s);

inline Error node_not_found(std::string_view id) { return {ErrorKind::NotFound, "Node " + quoted(id) + " not found"}; }
// A node whose index entry points at a vacant slot (only a broken store
// can produce it; the updaters still report it as a missing node).
inline Error node_not_in_graph(std::string_view id) {
    return {ErrorKind::NotFound, "Node " + quoted(id) + " not found in graph"};
}
inline Error node_exists(std::string_view id) {
    return {ErrorKind::AlreadyExists, "Node " + quoted(id) + " already exists"};
}
inline Error source_not_found(std::string_view id) {
    return {ErrorKind::NotFound, "Source node " + quoted(id) + " not found"};
}
inline Error target_not_found(std::string_view id) {
    return {ErrorKind::NotFound, "Target node " + quoted(id) + " not found"};
}
inline Error edge_exists(std::string_view source, std::string_view target) {
    return {ErrorKind::AlreadyExists, "Edge " + quoted(source) + " -> " + quoted(target) + " already exists"};
}
inline Error edge_not_found(std::string_view source, std::string_view target) {
    return {ErrorKind::NotFound, "Edge " + quoted(source) + " -> " + quoted(target) + " not found"};
}
inline Error negative_cycle() { return {ErrorKind::Cycle, "Negative cycle detected"}; }
inline Error node_slots_exhausted() {
    return {ErrorKind::CapRefused, "Graph node slot limit reached (4294967295 slots)"};
}
inline Error edge_slots_exhausted() {
    return {ErrorKind::CapRefused, "Graph edge slot limit reached (4294967295 slots)"};
}

}  // namespace vg::errors
