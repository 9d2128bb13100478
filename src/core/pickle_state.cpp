// Pickled state: "QTB1" and the graph JSON text, with the size limit that
// bounds the work of loading untrusted state.
#include <cstring>

#include "graph_json.hpp"
#include "utf8.hpp"

namespace vg {

std::string utf8_error(std::string_view bytes) {
    const auto* begin = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = begin + bytes.size();
    const auto* p = begin;
    while (p < end) {
        // Eight ASCII bytes at a time.
        if (end - p >= 8) {
            uint64_t w;
            std::memcpy(&w, p, 8);
            if (!(w & 0x8080808080808080ULL)) {
                p += 8;
                continue;
            }
        }
        if (*p < 0x80) {
            ++p;
            continue;
        }
        int bad = 0;
        int n = utf8_sequence(p, end, &bad);
        size_t at = size_t(p - begin);
        if (n < 0) return "incomplete utf-8 byte sequence from index " + std::to_string(at);
        if (n == 0) return "invalid utf-8 sequence of " + std::to_string(bad) + " bytes from index " + std::to_string(at);
        p += n;
    }
    return std::string();
}

Result<std::string> to_pickle_state(const PropertyGraph& g) {
    std::string state(kPickleMagic);
    write_graph_json(g, state);
    if (state.size() > kMaxPickleBytes)
        return Error{"vesk-graph pickle payload is " + std::to_string(state.size()) +
                     " bytes; refusing to serialize above " + std::to_string(kMaxPickleBytes) +
                     " bytes, the most that unpickling accepts. Save larger graphs with Graph.to_json()."};
    return state;
}

Result<PropertyGraph> from_pickle_state(std::string_view state) {
    if (state.size() > kMaxPickleBytes)
        return Error{"vesk-graph pickle payload is " + std::to_string(state.size()) +
                     " bytes; refusing to deserialize above " + std::to_string(kMaxPickleBytes) +
                     " bytes (audit A2-#4). Set state on a smaller graph or deserialize from a trusted source "
                     "through Graph.from_json()."};
    if (state.size() < kPickleMagic.size())
        return Error{"vesk-graph pickle payload too short to contain magic header."};
    if (state.substr(0, kPickleMagic.size()) != kPickleMagic) {
        std::string got = "[";
        for (size_t i = 0; i < kPickleMagic.size(); ++i) {
            if (i) got += ", ";
            got += std::to_string(static_cast<unsigned char>(state[i]));
        }
        got += "]";
        return Error{"vesk-graph pickle magic mismatch: expected b'QTB1', got " + got +
                     ". Pickled state from a different vesk-graph release or format."};
    }
    std::string_view text = state.substr(kPickleMagic.size());
    std::string bad = utf8_error(text);
    if (!bad.empty()) return Error{"vesk-graph pickle payload after magic header is not UTF-8: " + bad};
    return from_json(text, kNoCap, kNoCap, kNoCap);
}

}  // namespace vg
