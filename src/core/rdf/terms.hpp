// RDF terms and triples as the syntax readers produce them.
//
// Readers hand triples to the loader as views (TermRef), valid only for the
// duration of the call, so the hot path copies nothing. A reader that has to
// keep terms (a queue, a stack of open subjects) holds owned Terms and hands
// out their views:
//   Term s = Term::iri("http://ex.org/a");
//   Term o = Term::literal("chat", "fr");          // language-tagged
//   sink.triple(s.ref(), TermRef::iri("http://ex.org/p"), o.ref());
//
// A reader that holds a term and hands it over again (the subject of a
// predicate list, the predicate of an object list) gives it a key: a number
// it never gives to another term in the same load. Two views with the same
// non-zero key are the same term, so a sink can recognise a term it has
// already seen without reading its text again (which can be long). A key of
// 0 says nothing.
//
// Blank nodes carry their label without "_:". Anonymous blank nodes get a
// fresh label from BlankIds: 128 random bits in lowercase hexadecimal with
// no leading zeros, redrawn until the first character is a letter a-f, so a
// fresh label never collides with one written in a document's usual style
// (b0, n1, ...), and never starts with a digit.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vg::rdf {

// Below this length a term costs about as much to find by its text as by
// its key: sinks remember by key only the terms at least this long.
constexpr size_t kLongTermBytes = 64;

enum class TermKind : uint8_t { Iri, BlankNode, Literal };

struct TermRef {
    TermKind kind = TermKind::Iri;
    std::string_view value;     // IRI text, blank-node label, or literal lexical form
    std::string_view language;  // literals: lowercase tag, empty when none
    std::string_view datatype;  // literals: datatype IRI, empty for simple and tagged ones
    uint64_t key = 0;           // the reader's identity for the term, 0 when none

    static TermRef iri(std::string_view v, uint64_t key = 0) { return TermRef{TermKind::Iri, v, {}, {}, key}; }
    bool is_literal() const { return kind == TermKind::Literal; }
    // Whether a sink remembers this term by its key (see kLongTermBytes).
    bool found_by_key() const { return key && value.size() >= kLongTermBytes; }
};

struct Term {
    TermKind kind = TermKind::Iri;
    std::string value;
    std::string language;
    std::string datatype;
    uint64_t key = 0;

    static Term iri(std::string v) { return Term{TermKind::Iri, std::move(v), {}, {}, 0}; }
    static Term blank(std::string label) { return Term{TermKind::BlankNode, std::move(label), {}, {}, 0}; }
    static Term literal(std::string v, std::string lang = {}, std::string dt = {}) {
        return Term{TermKind::Literal, std::move(v), std::move(lang), std::move(dt), 0};
    }
    TermRef ref() const { return TermRef{kind, value, language, datatype, key}; }
};

// Source of fresh blank-node labels. Seeded once from the OS random source;
// labels differ between loads.
class BlankIds {
public:
    BlankIds();
    // Writes a fresh label into `out` (replacing its contents).
    void next(std::string& out);
    std::string next() {
        std::string s;
        next(s);
        return s;
    }

private:
    uint64_t s_[4];
    uint64_t draw();
};

}  // namespace vg::rdf
