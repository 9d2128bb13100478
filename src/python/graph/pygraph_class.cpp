// PyGraph's class items, gathered from the tables of their sources in the
// order the class presents them.
#include "python/graph/pygraph_class.hpp"

#include <array>
#include <string_view>
#include <vector>

#include "python/fixed_order.hpp"

namespace vg::py {

namespace {

constexpr std::array<std::string_view, 28> kMethodOrder = {
    "add_node", "add_edge", "remove_node", "remove_edge", "update_node", "set_node_property", "node", "node_ids",
    "edges", "successors", "predecessors", "neighbors", "degree", "has_node", "has_edge", "is_dag", "to_json",
    "from_json", "__getstate__", "__setstate__", "nodes_filtered", "edges_filtered", "subgraph", "ego_graph",
    "is_connected", "is_tree", "reverse", "to_undirected",
};
constexpr std::array<std::string_view, 5> kGetterOrder = {"n_nodes", "n_edges", "is_directed", "is_multi", "name"};

// The sources of the class's items. Adding one: its source, its line in
// pygraph_class.hpp, and its line here.
std::vector<ClassItems> sources() { return {mutator_items(), query_items(), json_items(), derived_items()}; }

// Copies of one kind of item in the fixed order, closed by the sentinel
// (all null) the class slots expect.
template <class Def, size_t N>
std::vector<Def> gathered(const std::array<std::string_view, N>& order, std::span<Def> ClassItems::*kind_of,
                          const char* kind) {
    std::vector<std::span<Def>> tables;
    for (const ClassItems& items : sources()) tables.push_back(items.*kind_of);
    std::vector<Def> out;
    for (Def* d : in_fixed_order(order, tables, kind, "PyGraph")) out.push_back(*d);
    out.push_back(Def{});
    return out;
}

}  // namespace

// Built once and kept for the life of the process: the class points into them.
PyMethodDef* pygraph_methods() {
    static std::vector<PyMethodDef> methods = gathered(kMethodOrder, &ClassItems::methods, "method");
    return methods.data();
}

PyGetSetDef* pygraph_getset() {
    static std::vector<PyGetSetDef> getters = gathered(kGetterOrder, &ClassItems::getters, "property");
    return getters.data();
}

}  // namespace vg::py
