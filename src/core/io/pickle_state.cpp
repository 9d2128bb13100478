// Pickled state: "QTB1" and the graph JSON text, with the size limit that
// bounds the work of loading untrusted state.
#include "core/io/graph_json.hpp"
#include "core/io/utf8.hpp"

namespace vg {

namespace {

// `size` says how large the state is: its length, or "more than ..." when
// the writing stopped at the limit.
Error too_large(const std::string& size) {
    return Error{ErrorKind::CapRefused, "vesk-graph pickle payload is " + size + " bytes; refusing to serialize above " +
                                            std::to_string(kMaxPickleBytes) +
                                            " bytes, the most that unpickling accepts. Save larger graphs with "
                                            "Graph.to_json()."};
}

}  // namespace

Result<TextBuffer> to_pickle_state(const PropertyGraph& g) {
    TextBuffer state;
    state.append(kPickleMagic);
    // The text stops soon after the limit: a graph whose text would be many
    // times larger (a long id on many edges) is refused at bounded memory
    // and time.
    if (!write_graph_json(g, state, kMaxPickleBytes)) return too_large("more than " + std::to_string(kMaxPickleBytes));
    if (state.size() > kMaxPickleBytes) return too_large(std::to_string(state.size()));
    return state;
}

Error pickle_state_too_long(const std::string& size) {
    return Error{ErrorKind::CapRefused, "vesk-graph pickle payload is " + size + " bytes; refusing to deserialize above " +
                                            std::to_string(kMaxPickleBytes) +
                                            " bytes (audit A2-#4). Set state on a smaller graph or deserialize from a "
                                            "trusted source through Graph.from_json()."};
}

Result<PropertyGraph> from_pickle_state(std::string_view state) {
    if (state.size() > kMaxPickleBytes) return pickle_state_too_long(std::to_string(state.size()));
    if (state.size() < kPickleMagic.size())
        return Error{ErrorKind::InvalidValue, "vesk-graph pickle payload too short to contain magic header."};
    if (state.substr(0, kPickleMagic.size()) != kPickleMagic) {
        std::string got = "[";
        for (size_t i = 0; i < kPickleMagic.size(); ++i) {
            if (i) got += ", ";
            got += std::to_string(static_cast<unsigned char>(state[i]));
        }
        got += "]";
        return Error{ErrorKind::InvalidValue, "vesk-graph pickle magic mismatch: expected b'QTB1', got " + got +
                     ". Pickled state from a different vesk-graph release or format."};
    }
    std::string_view text = state.substr(kPickleMagic.size());
    // Invalid UTF-8 is reported before anything the reading finds. Reading
    // that succeeds proves the text valid (bytes above ASCII are taken only
    // inside strings, and there as valid sequences), so the text is scanned
    // for its UTF-8 only when reading fails.
    Result<PropertyGraph> graph = from_json(text, kNoCap, kNoCap, kNoCap);
    if (graph) return graph;
    std::string bad = utf8_error(text);
    if (!bad.empty()) return Error{ErrorKind::InvalidValue, "vesk-graph pickle payload after magic header is not UTF-8: " + bad};
    return graph;
}

}  // namespace vg
