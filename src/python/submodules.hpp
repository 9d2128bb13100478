// Function tables of the submodules, each ending with a zeroed entry and
// listing its functions in registration order.
#pragma once
#include "py.hpp"

namespace vg::py {

PyMethodDef* algorithms_functions();
PyMethodDef* knowledge_functions();
PyMethodDef* rdf_functions();

}  // namespace vg::py
