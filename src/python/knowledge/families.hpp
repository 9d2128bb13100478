// Families of vesk_graph._rust.knowledge, one binding source each (its bodies and
// a table of VG_FUNCTION lines, see functions.hpp); module.cpp lists them.
#pragma once
#include "python/functions.hpp"

namespace vg::py::kg {

Family graphs_family();   // merge, diff, densify and type inference
Family triples_family();  // triples in and out
Family select_family();   // subgraphs by node property, degree queries

}  // namespace vg::py::kg
