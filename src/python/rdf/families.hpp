// Families of vesk_graph._rust.rdf, one binding source each (its bodies and
// a table of VG_FUNCTION lines, see functions.hpp); module.cpp lists them.
#pragma once
#include "python/functions.hpp"

namespace vg::py::rdf {

Family load_family();
Family export_family();

}  // namespace vg::py::rdf
