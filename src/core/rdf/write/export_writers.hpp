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

// A predicate and its number (text_numbers.hpp): texts of one number
// are the same, so writers compare numbers.
struct ExportPredicate {
    std::string_view text;
    uint32_t number = 0;
};

// One line per triple: subject, predicate, object, " .\n".
class NTriplesWriter {
public:
    static constexpr bool kRepeatsSubject = true;
    explicit NTriplesWriter(std::string& out) : out_(out) {}
    std::string triple(const ExportTerm& s, const ExportPredicate& p, const ExportTerm& o);
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
    std::string triple(const ExportTerm& s, const ExportPredicate& p, const ExportTerm& o);
    std::string finish();

private:
    void predicate(const ExportPredicate& p);
    std::string& out_;
    bool open_ = false;
    uint32_t subject_ = 0;    // the node of the open statement
    uint32_t predicate_ = 0;  // and the number of its last predicate
};

}  // namespace vg::rdf
