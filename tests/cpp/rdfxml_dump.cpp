// Reads one RDF/XML file with the reader and writes its triples as
// N-Triples, in hand-out order, to standard output; a failure goes to
// standard error with exit status 1. With --file the file is read through
// the buffered cursor instead of from memory.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "core/io/text_input.hpp"
#include "core/rdf/read/reader.hpp"

namespace {

void write_escaped(std::string& out, std::string_view s) {
    for (char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: out.push_back(c);
        }
    }
}

void write_term(std::string& out, const vg::rdf::TermRef& t) {
    using vg::rdf::TermKind;
    if (t.kind == TermKind::Iri) {
        out += '<';
        out += t.value;
        out += '>';
    } else if (t.kind == TermKind::BlankNode) {
        out += "_:";
        out += t.value;
    } else {
        out += '"';
        write_escaped(out, t.value);
        out += '"';
        if (!t.language.empty()) {
            out += '@';
            out += t.language;
        } else if (!t.datatype.empty()) {
            out += "^^<";
            out += t.datatype;
            out += '>';
        }
    }
}

class Printer final : public vg::rdf::TripleSink {
public:
    std::string out;
    bool triple(const vg::rdf::TermRef& s, const vg::rdf::TermRef& predicate, const vg::rdf::TermRef& o) override {
        std::string_view p = predicate.value;
        write_term(out, s);
        out += " <";
        out += p;
        out += "> ";
        write_term(out, o);
        out += " .\n";
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    bool stream = argc > 2 && std::strcmp(argv[1], "--file") == 0;
    int i = stream ? 2 : 1;
    if (i >= argc) {
        std::fprintf(stderr, "usage: rdfxml_dump [--file] FILE\n");
        return 2;
    }
    std::ifstream f(argv[i], std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    std::string data = ss.str();
    Printer sink;
    auto opened = stream ? vg::TextInput::open_file(argv[i]) : vg::Result<vg::TextInput>(vg::TextInput::from_string(data));
    if (!opened) {
        std::fprintf(stderr, "%s\n", opened.error().c_str());
        return 2;
    }
    vg::rdf::RdfInput in{opened.value()};
    auto r = vg::rdf::read_rdfxml(in, sink);
    std::fwrite(sink.out.data(), 1, sink.out.size(), stdout);
    if (r.kind != vg::rdf::ReadOutcome::Kind::Done) {
        std::fprintf(stderr, "%s\n", r.message.c_str());
        return 1;
    }
    return 0;
}
