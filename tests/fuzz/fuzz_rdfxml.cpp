// Fuzz target for the XML tokenizer and the RDF/XML reader.
//
// Built by CMake (see CMakeLists.txt: -DVG_FUZZ=ON with clang++ for libFuzzer,
// -DVG_FUZZ=REPLAY for a corpus replayer), as fuzz_rdfxml; from the
// repository root:
//   build-fuzz/fuzz_rdfxml -dict=tests/fuzz/rdfxml.dict -max_len=4096 -max_total_time=600 fuzz-out tests/fuzz/corpus_rdfxml
// (a replayer takes the corpus files as arguments: build-fuzz/fuzz_rdfxml tests/fuzz/corpus_rdfxml/*).
//
// Checks beyond "no crash": reading the bytes from a file (in 8,192-byte
// steps) gives the same triples and the same error as reading them from
// memory; every failure has a message; and, with VG_FUZZ_EXPAT, the
// tokenizer accepts exactly the ASCII documents that expat accepts (those
// without a DOCTYPE, references, an encoding or a version other than 1.0,
// where the two are meant to agree).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_harness.hpp"
#include "core/rdf/read/xml_tokenizer.hpp"
#include "core/io/text_input.hpp"
#include "core/rdf/read/reader.hpp"

#ifdef VG_FUZZ_EXPAT
#include <expat.h>
#endif

namespace {

struct Collect final : vg::rdf::TripleSink {
    std::vector<std::string> out;
    bool triple(const vg::rdf::TermRef& s, const vg::rdf::TermRef& predicate, const vg::rdf::TermRef& o) override {
        std::string_view p = predicate.value;
        // Fresh blank labels differ between runs: keep only their kind.
        auto t = [](const vg::rdf::TermRef& x) {
            if (x.kind == vg::rdf::TermKind::BlankNode) return std::string("_:");
            return std::string(x.value) + "|" + std::string(x.language) + "|" + std::string(x.datatype);
        };
        out.push_back(t(s) + " " + std::string(p) + " " + t(o));
        return true;
    }
};

struct Outcome {
    std::vector<std::string> triples;
    vg::rdf::ReadOutcome result;
};

Outcome read(vg::TextInput& text) {
    Collect sink;
    vg::rdf::RdfInput in{text};
    auto r = vg::rdf::read_rdfxml(in, sink);
    if (r.kind == vg::rdf::ReadOutcome::Kind::Failed && r.message.empty()) fail("failure without a message");
    return {std::move(sink.out), std::move(r)};
}

std::string temp_path() {
    static std::string path = [] {
        char p[] = "/tmp/vg_fuzz_rdfxml_XXXXXX";
        int fd = mkstemp(p);
        if (fd < 0) fail("mkstemp");
        close(fd);
        return std::string(p);
    }();
    return path;
}

#ifdef VG_FUZZ_EXPAT
bool tokenizer_accepts(std::string_view s) {
    auto text = vg::TextInput::from_string(s);
    vg::rdfxml::XmlTokenizer tok(text);
    vg::rdfxml::XmlEvent ev;
    vg::rdfxml::XmlError err;
    for (;;) {
        if (!tok.next(ev, err)) return false;
        if (ev.kind == vg::rdfxml::XmlEventKind::Eof) return true;
    }
}

bool expat_accepts(std::string_view s) {
    XML_Parser p = XML_ParserCreate("UTF-8");
    bool ok = XML_Parse(p, s.data(), static_cast<int>(s.size()), 1) == XML_STATUS_OK;
    XML_ParserFree(p);
    return ok;
}

void compare_with_expat(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80 || c == '&') return;
    if (s.find("<!DOCTYPE") != std::string_view::npos || s.find("encoding") != std::string_view::npos ||
        s.find("1.1") != std::string_view::npos)
        return;
    // expat takes any version number; the tokenizer only 1.0 and 1.1.
    size_t v = s.find("version");
    if (v != std::string_view::npos && s.find("version=\"1.0\"") != v) return;
    if (tokenizer_accepts(s) != expat_accepts(s)) fail("tokenizer and expat disagree on well-formedness");
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view s(reinterpret_cast<const char*>(data), size);
    auto mem = vg::TextInput::from_string(s);
    Outcome a = read(mem);
    {
        std::ofstream(temp_path(), std::ios::binary | std::ios::trunc).write(s.data(), static_cast<std::streamsize>(s.size()));
    }
    auto opened = vg::TextInput::open_file(temp_path());
    if (!opened) fail("temp file");
    Outcome b = read(opened.value());
    if (a.triples != b.triples) fail("file and memory reads give different triples");
    if (a.result.kind != b.result.kind || a.result.message != b.result.message)
        fail("file and memory reads end differently");
#ifdef VG_FUZZ_EXPAT
    compare_with_expat(s);
#endif
    return 0;
}
