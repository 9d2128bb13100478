// Families of vesk_graph._rust.algorithms, one binding source each; module.cpp
// lists them.
#pragma once
#include "python/functions.hpp"

namespace vg::py::alg {

Family traversal_family();
Family paths_family();
Family simple_paths_family();
Family components_family();
Family dag_family();
Family structure_family();
Family matching_family();
Family cliques_family();
Family centrality_family();
Family community_family();

}  // namespace vg::py::alg
