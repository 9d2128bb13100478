// N-Triples and Turtle text. Terms arrive checked, so nothing needs
// escaping: an IRI cannot hold a character that would end it early.
#include "export.hpp"
#include "export_writers.hpp"
#include "vocab.hpp"

namespace vg::rdf {

namespace {

void term(std::string& out, const ExportTerm& t) {
    if (t.blank) {
        out += t.id;
        return;
    }
    out += '<';
    out += t.id;
    out += '>';
}

void iri(std::string& out, std::string_view v) {
    out += '<';
    out += v;
    out += '>';
}

}  // namespace

std::string NTriplesWriter::triple(const ExportTerm& s, std::string_view p, const ExportTerm& o) {
    term(out_, s);
    out_ += ' ';
    iri(out_, p);
    out_ += ' ';
    term(out_, o);
    out_ += " .\n";
    return std::string();
}

void TurtleWriter::predicate(std::string_view p) {
    if (p == vocab::kRdfType) out_ += 'a';
    else iri(out_, p);
    predicate_ = p;
}

std::string TurtleWriter::triple(const ExportTerm& s, std::string_view p, const ExportTerm& o) {
    if (open_ && s.id == subject_) {
        if (p == predicate_) {
            out_ += " , ";
        } else {
            out_ += " ;\n\t";
            predicate(p);
            out_ += ' ';
        }
    } else {
        if (open_) out_ += " .\n";
        term(out_, s);
        out_ += ' ';
        predicate(p);
        out_ += ' ';
        subject_ = s.id;
        open_ = true;
    }
    term(out_, o);
    return std::string();
}

std::string TurtleWriter::finish() {
    if (open_) out_ += " .\n";
    open_ = false;
    return std::string();
}

}  // namespace vg::rdf
