// N-Triples and Turtle text. Terms arrive checked, so nothing needs
// escaping: an IRI cannot hold a character that would end it early.
#include <cstring>

#include "core/rdf/write/export.hpp"
#include "core/rdf/write/export_writers.hpp"
#include "core/rdf/vocab.hpp"

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

namespace {

// Appends a term to a line being assembled at `at`.
char* put_term(char* at, const ExportTerm& t) {
    if (!t.blank) *at++ = '<';
    if (!t.id.empty()) std::memcpy(at, t.id.data(), t.id.size());  // an empty view may hold a null pointer
    at += t.id.size();
    if (!t.blank) *at++ = '>';
    return at;
}

}  // namespace

std::string NTriplesWriter::triple(const ExportTerm& s, const ExportPredicate& pred, const ExportTerm& o) {
    const std::string_view p = pred.text;
    // Most lines are assembled on the stack and appended in one piece.
    char line[512];
    if (s.id.size() + p.size() + o.id.size() + 10 <= sizeof line) {
        char* at = put_term(line, s);
        *at++ = ' ';
        at = put_term(at, ExportTerm{p, false});
        *at++ = ' ';
        at = put_term(at, o);
        std::memcpy(at, " .\n", 3);
        out_.append(line, size_t(at + 3 - line));
        return std::string();
    }
    term(out_, s);
    out_ += ' ';
    iri(out_, p);
    out_ += ' ';
    term(out_, o);
    out_ += " .\n";
    return std::string();
}

void TurtleWriter::predicate(const ExportPredicate& p) {
    if (p.text == vocab::kRdfType) out_ += 'a';
    else iri(out_, p.text);
    predicate_ = p.number;
}

std::string TurtleWriter::triple(const ExportTerm& s, const ExportPredicate& p, const ExportTerm& o) {
    // Nodes and predicate numbers, not texts, are compared: a long term
    // costs nothing per edge beyond its writing.
    if (open_ && s.node == subject_) {
        if (p.number == predicate_) {
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
        subject_ = s.node;
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
