// Fuzz target for the graph JSON reader and the pickled state.
//
// Built by CMake (see CMakeLists.txt: -DVG_FUZZ=ON with clang++ for libFuzzer,
// -DVG_FUZZ=REPLAY for a corpus replayer), as fuzz_graph_json; from the
// repository root:
//   build-fuzz/fuzz_graph_json -dict=tests/fuzz/graph_json.dict -max_len=4096 -max_total_time=600 fuzz-out tests/fuzz/corpus
// (a replayer takes the corpus files as arguments: build-fuzz/fuzz_graph_json tests/fuzz/corpus/*).
//
// Checks beyond "no crash": every accepted text writes back to text that is
// read as an equal graph, every error carries a message, and every finite
// double's text reads back to the same bits.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_harness.hpp"
#include "core/io/graph_json.hpp"
#include "core/io/json_number.hpp"

namespace {

bool same_properties(const vg::Properties& a, const vg::Properties& b) {
    if (a.size() != b.size()) return false;
    for (const auto& [k, v] : a) {
        const vg::Value* w = b.find(k);
        if (!w || !(*w == v)) return false;
    }
    return true;
}

bool same_graph(const vg::PropertyGraph& a, const vg::PropertyGraph& b) {
    if (a.directed() != b.directed() || a.multi() != b.multi() || a.name() != b.name()) return false;
    if (a.node_count() != b.node_count() || a.edge_count() != b.edge_count()) return false;
    auto na = a.node_ids(), nb = b.node_ids();
    for (size_t i = 0; i < na.size(); ++i) {
        if (na[i] != nb[i]) return false;
        if (!same_properties(a.get_node(na[i])->properties, b.get_node(nb[i])->properties)) return false;
    }
    auto ea = a.edges(), eb = b.edges();
    for (size_t i = 0; i < ea.size(); ++i)
        if (ea[i].source != eb[i].source || ea[i].target != eb[i].target ||
            !same_properties(ea[i].data->properties, eb[i].data->properties))
            return false;
    return true;
}

void check_graph_text(std::string_view text, uint64_t max_nodes, uint64_t max_edges) {
    auto r = vg::from_json(text, vg::kNoCap, max_nodes, max_edges);
    if (!r) {
        if (r.error().empty()) fail("empty error message");
        return;
    }
    const vg::PropertyGraph& g = r.value();
    if (g.node_count() > max_nodes || g.edge_count() > max_edges) fail("cap not applied");
    std::string again = vg::to_json(g).take().str();
    auto back = vg::from_json(again, again.size(), g.node_count(), g.edge_count());
    if (!back) fail(("written text not readable: " + back.error()).c_str());
    if (!same_graph(g, back.value())) fail("graph changed by a write and read");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        check_graph_text({}, vg::kNoCap, vg::kNoCap);
        return 0;
    }
    // The first byte picks the mode and small caps, the rest is the input.
    uint8_t mode = data[0];
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (mode % 4) {
        case 0:
        case 1: check_graph_text(text, vg::kNoCap, vg::kNoCap); break;
        case 2: check_graph_text(text, (mode >> 2) & 7, (mode >> 5) & 7); break;
        default: {
            auto r = vg::from_pickle_state(text);
            if (!r && r.error().empty()) fail("empty pickle error");
            if (r) {
                auto state = vg::to_pickle_state(r.value());
                if (!state || !vg::from_pickle_state(state.value().view())) fail("pickled state does not load back");
            }
        }
    }
    if (text.size() >= 8) {
        double d;
        std::memcpy(&d, text.data(), 8);
        if (std::isfinite(d)) {
            char buf[vg::kDoubleTextMax];
            double back = -1;
            size_t n = vg::format_double(d, buf);
            if (vg::parse_double_literal(std::string_view(buf, n), back) != vg::DoubleParse::Ok ||
                std::memcmp(&back, &d, 8) != 0)
                fail("double text does not read back to the same bits");
        }
    }
    return 0;
}
