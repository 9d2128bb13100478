// Functions of vesk_graph._rust.knowledge.
#include "submodules.hpp"

namespace vg::py {

namespace {
PyMethodDef g_functions[] = {
    {nullptr, nullptr, 0, nullptr},
};
}  // namespace

PyMethodDef* knowledge_functions() { return g_functions; }

}  // namespace vg::py
