// The two rules every operation reads edges by: an edge's label and its
// weight under a key.
#pragma once
#include <string>
#include <string_view>

#include "core/value.hpp"

namespace vg {

// The "predicate" property if it is a string, else the "type" property if
// it is a string, else the operation's own default.
inline std::string_view edge_label(const Properties& p, std::string_view fallback) {
    if (const Value* v = p.find("predicate"))
        if (const std::string* s = v->as_string()) return *s;
    if (const Value* v = p.find("type"))
        if (const std::string* s = v->as_string()) return *s;
    return fallback;
}

// The number stored under `key` as a double; 1.0 when the key is missing or
// holds a non-number. Small maps are scanned without hashing, so no
// per-edge hash is paid for the usual one or two properties.
inline double edge_weight(const Properties& p, std::string_view key) {
    const Value* v = p.find(key);
    if (!v) return 1.0;
    if (const Number* n = v->as_number()) return n->as_f64();
    return 1.0;
}

}  // namespace vg
