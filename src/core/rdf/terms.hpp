// RDF terms and triples as the syntax readers produce them.
//
// Readers hand triples to the loader as views (TermRef), valid only for the
// duration of the call, so the hot path copies nothing. A reader that has to
// keep terms (a queue, a stack of open subjects) holds owned Terms and hands
// out their views:
//   Term s = Term::iri("http://ex.org/a");
//   Term o = Term::literal("chat", "fr");          // language-tagged
//   sink.triple(s.ref(), "http://ex.org/p", o.ref());
//
// Blank nodes carry their label without "_:". Anonymous blank nodes get a
// fresh label from BlankIds: 128 random bits in lowercase hexadecimal with
// no leading zeros, redrawn until the first character is a letter a-f, so a
// fresh label never collides with one written in a document's usual style
// (b0, n1, ...), and never starts with a digit.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vg::rdf {

enum class TermKind : uint8_t { Iri, BlankNode, Literal };

struct TermRef {
    TermKind kind = TermKind::Iri;
    std::string_view value;     // IRI text, blank-node label, or literal lexical form
    std::string_view language;  // literals: lowercase tag, empty when none
    std::string_view datatype;  // literals: datatype IRI, empty for simple and tagged ones

    bool is_literal() const { return kind == TermKind::Literal; }
};

struct Term {
    TermKind kind = TermKind::Iri;
    std::string value;
    std::string language;
    std::string datatype;

    static Term iri(std::string v) { return Term{TermKind::Iri, std::move(v), {}, {}}; }
    static Term blank(std::string label) { return Term{TermKind::BlankNode, std::move(label), {}, {}}; }
    static Term literal(std::string v, std::string lang = {}, std::string dt = {}) {
        return Term{TermKind::Literal, std::move(v), std::move(lang), std::move(dt)};
    }
    TermRef ref() const { return TermRef{kind, value, language, datatype}; }
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
