// Fuzz target for the Turtle-family readers and the RDF loader, one binary
// per syntax (VG_FUZZ_SYNTAX = Turtle, TriG, NTriples or NQuads).
//
// Built by CMake (see CMakeLists.txt: -DVG_FUZZ=ON with clang++ for libFuzzer,
// -DVG_FUZZ=REPLAY for a corpus replayer), as fuzz_turtle (fuzz_trig, fuzz_ntriples, fuzz_nquads); from the
// repository root:
//   build-fuzz/fuzz_turtle -dict=tests/fuzz/turtle.dict -max_len=4096 -max_total_time=600 fuzz-out tests/fuzz/corpus_rdf
// (a replayer takes the corpus files as arguments: build-fuzz/fuzz_turtle tests/fuzz/corpus_rdf/*).
//
// Checks beyond "no crash": every IRI a reader hands over is an absolute IRI
// by the strict validator, every language tag is well-formed and lowercase,
// every blank-node label is non-empty; a refusal is a positioned parse error;
// a load's statistics agree with what the sink saw.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>

#include "fuzz_harness.hpp"
#include "core/rdf/iri.hpp"
#include "core/rdf/language_tag.hpp"
#include "core/rdf/read/load.hpp"

#ifndef VG_FUZZ_SYNTAX
#define VG_FUZZ_SYNTAX Turtle
#endif

namespace {

using namespace vg;
using namespace vg::rdf;

struct Checker : TripleSink {
    uint64_t triples = 0, literals = 0;
    // A key names one term for the whole load: the sink trusts it in
    // place of the text.
    std::unordered_map<uint64_t, std::string> keyed;
    void same_term(const TermRef& t) {
        if (!t.key) return;
        std::string what = char('0' + int(t.kind)) + std::string(t.value);
        auto [it, added] = keyed.try_emplace(t.key, what);
        if (!added && it->second != what) fail("one key for two terms");
    }
    static void term(const TermRef& t) {
        if (t.kind == TermKind::Iri && iri_error(t.value)) fail("an IRI term is not an absolute IRI");
        if (t.kind == TermKind::BlankNode && t.value.empty()) fail("an empty blank-node label");
        if (t.kind == TermKind::Literal) {
            if (!t.language.empty()) {
                if (language_tag_error(t.language)) fail("a malformed language tag");
                for (char c : t.language)
                    if (c >= 'A' && c <= 'Z') fail("a language tag not in lowercase");
            }
            if (!t.datatype.empty() && iri_error(t.datatype)) fail("a datatype that is not an absolute IRI");
        }
    }
    bool triple(const TermRef& s, const TermRef& predicate, const TermRef& o) override {
        std::string_view p = predicate.value;
        if (s.kind == TermKind::Literal) fail("a literal subject");
        same_term(s);
        same_term(predicate);
        same_term(o);
        term(s);
        term(o);
        if (iri_error(p)) fail("a predicate that is not an absolute IRI");
        ++triples;
        literals += o.is_literal();
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    constexpr RdfSyntax syntax = RdfSyntax::VG_FUZZ_SYNTAX;
    Checker checker;
    TextInput input = TextInput::from_string(text);
    RdfInput in{input};
    ReadOutcome r = read_syntax(syntax, in, checker);
    if (r.kind == ReadOutcome::Kind::Stopped) fail("stopped without a reason");
    if (r.kind == ReadOutcome::Kind::Failed && r.message.rfind("Parser error ", 0) != 0) fail("an unpositioned error");

    static const char* const kName[] = {"turtle", "ntriples", "rdfxml", "nquads", "trig"};
    auto loaded = load_rdf_text(text, kName[int(syntax)], UINT64_MAX, UINT64_MAX);
    if (loaded.ok() != (r.kind == ReadOutcome::Kind::Done)) fail("the loader and the reader disagree");
    if (loaded) {
        const LoadStats& st = loaded.value().stats;
        if (st.total_triples != checker.triples || st.literal_properties != checker.literals)
            fail("statistics differ from the triples read");
        if (st.edges != st.total_triples - st.literal_properties) fail("edge count");
    } else if (loaded.error() != "Parse error: " + r.message) {
        fail("the loader reports another error than the reader");
    }
    return 0;
}
