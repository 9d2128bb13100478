// Functions of vesk_graph._rust.rdf.
#include "submodules.hpp"

namespace vg::py {

namespace {
PyMethodDef g_functions[] = {
    {nullptr, nullptr, 0, nullptr},
};
}  // namespace

PyMethodDef* rdf_functions() { return g_functions; }

}  // namespace vg::py
