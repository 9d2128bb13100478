// Items that several tables define (module functions, PyGraph's methods and
// properties), gathered in the fixed order their owner presents them. An
// item whose name is not in the order, one that two tables both define, or
// a name of the order that no table defines is a build fault: it stops the
// import.
#pragma once
#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "python/errors.hpp"

namespace vg::py {

inline const char* item_name(const PyMethodDef& d) { return d.ml_name; }
inline const char* item_name(const PyGetSetDef& d) { return d.name; }

// `kind` ("function", "method", ...) and `owner` ("algorithms", "PyGraph")
// name the fault.
template <class Def, size_t N>
std::vector<Def*> in_fixed_order(const std::array<std::string_view, N>& order, const std::vector<std::span<Def>>& tables,
                                 const char* kind, const char* owner) {
    std::array<Def*, N> slot{};
    for (std::span<Def> table : tables) {
        for (Def& d : table) {
            const char* name = item_name(d);
            size_t i = 0;
            while (i < N && order[i] != name) ++i;
            if (i == N)
                internal_failure(std::string(kind) + " '" + name + "' is not in the registration order of '" + owner +
                                 "'");
            if (slot[i]) internal_failure(std::string(kind) + " '" + name + "' is defined twice");
            slot[i] = &d;
        }
    }
    for (size_t i = 0; i < N; ++i)
        if (!slot[i])
            internal_failure(std::string(kind) + " '" + std::string(order[i]) + "' of '" + owner +
                             "' has no definition");
    return std::vector<Def*>(slot.begin(), slot.end());
}

}  // namespace vg::py
