// Families of vesk_graph._rust.rdf, one binding source each (its bodies and
// a table of VG_FUNCTION lines, see functions.hpp); module.cpp lists them.
#pragma once
#include "functions.hpp"

namespace vg::py::rdf {

}  // namespace vg::py::rdf
