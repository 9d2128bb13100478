// Text writers of the RDF exports. Each takes triples of checked terms and
// appends to one output buffer; a returned non-empty string is a failure.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vg::rdf {

// A subject or object: an IRI, or a blank node when `blank` (then `id` is
// the whole node id, "_:" included), and the graph node it names.
struct ExportTerm {
    std::string_view id;
    bool blank = false;
    uint32_t node = 0;
};

// Whether two texts are the same, at no cost when they are one text (the
// edges of a loaded graph share their predicate's).
inline bool same_text(std::string_view a, std::string_view b) {
    return (a.data() == b.data() && a.size() == b.size()) || a == b;
}

// One line per triple: subject, predicate, object, " .\n".
class NTriplesWriter {
public:
    static constexpr bool kRepeatsSubject = true;
    explicit NTriplesWriter(std::string& out) : out_(out) {}
    std::string triple(const ExportTerm& s, std::string_view p, const ExportTerm& o);
    std::string finish() { return std::string(); }

private:
    std::string& out_;
};

// Turtle without base or prefixes. One statement stays open; a triple
// continues it with " , " (same subject and predicate) or " ;" and a new
// line (same subject), or closes it (" .") and starts a new one.
class TurtleWriter {
public:
    static constexpr bool kRepeatsSubject = false;
    explicit TurtleWriter(std::string& out) : out_(out) {}
    std::string triple(const ExportTerm& s, std::string_view p, const ExportTerm& o);
    std::string finish();

private:
    void predicate(std::string_view p);
    std::string& out_;
    bool open_ = false;
    uint32_t subject_ = 0;  // the node of the open statement
    std::string_view predicate_;
};

}  // namespace vg::rdf
