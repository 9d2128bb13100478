// Families of vesk_graph._rust.knowledge, one binding source each (its bodies and
// a table of VG_FUNCTION lines, see functions.hpp); module.cpp lists them.
#pragma once
#include "functions.hpp"

namespace vg::py::kg {

}  // namespace vg::py::kg
