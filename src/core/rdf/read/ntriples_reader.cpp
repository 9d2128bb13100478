// N-Triples and N-Quads: one statement per line, absolute IRIs, blank-node
// labels, double-quoted literals. The graph label of a quad is checked and
// dropped.
#include "core/rdf/read/reader.hpp"
#include "core/rdf/read/turtle_lexer.hpp"
#include "core/rdf/vocab.hpp"

namespace vg::rdf {

namespace {

class LineReader {
public:
    LineReader(RdfInput& in, TripleSink& sink, bool quads) : lex_(in), sink_(sink), quads_(quads) {}

    ReadOutcome run() {
        bool first = true;
        for (;;) {
            if (!lex_.next(t_)) return failure();
            if (t_.kind == Tok::Eof) return ReadOutcome::done();
            if (!first && !t_.newline_before)
                return fail_here("expected a line break before the next statement");
            first = false;
            if (!statement()) return failure();
            if (!sink_.triple(subject_.ref(), TermRef::iri(predicate_), object_.ref())) return ReadOutcome::stopped();
        }
    }

private:
    TurtleLexer lex_;
    TripleSink& sink_;
    bool quads_;
    Token t_;
    Term subject_;
    std::string predicate_;
    Term object_;

    ReadOutcome failure() { return ReadOutcome::failed(lex_.error()); }
    ReadOutcome fail_here(std::string_view msg) {
        lex_.fail_token(msg, t_);
        return failure();
    }
    bool expected(std::string_view what) { return lex_.fail_token("expected " + std::string(what) + ", found " + describe(t_), t_); }

    // The IRIs checked last in each role (subject, predicate, object,
    // datatype): a subject runs over several lines, and predicates and
    // datatypes come from small sets, so each is checked once per run.
    // Objects vary the most, and keep only the last one.
    static constexpr size_t kRecent = 8;
    static constexpr size_t kKept[4] = {1, kRecent, 1, kRecent};
    struct Checked {
        std::string iris[kRecent];
        size_t next = 0;
    };
    Checked checked_[4];

    bool iri_into(std::string& out, int role) {
        Checked& c = checked_[role];
        bool known = false;
        // A checked IRI is never empty, so an empty entry holds nothing.
        for (size_t i = 0; i < kKept[role] && !known; ++i) known = !c.iris[i].empty() && c.iris[i] == t_.text;
        if (!known) {
            if (!check_absolute(lex_, t_, t_.text)) return false;
            c.iris[c.next++ % kKept[role]].assign(t_.text);
        }
        out.assign(t_.text);
        return true;
    }

    // Subject, predicate, object (and graph label), then '.'.
    bool statement() {
        if (t_.kind == Tok::IriRef) {
            subject_.kind = TermKind::Iri;
            if (!iri_into(subject_.value, 0)) return false;
        } else if (t_.kind == Tok::Blank) {
            subject_.kind = TermKind::BlankNode;
            subject_.value.assign(t_.text);
        } else {
            return expected("a subject (an IRI or a blank node)");
        }
        if (!lex_.next(t_)) return false;
        if (t_.kind != Tok::IriRef) return expected("a predicate IRI");
        if (!iri_into(predicate_, 1)) return false;

        if (!lex_.next(t_)) return false;
        object_.language.clear();
        object_.datatype.clear();
        bool have_next = false;
        if (t_.kind == Tok::IriRef) {
            object_.kind = TermKind::Iri;
            if (!iri_into(object_.value, 2)) return false;
        } else if (t_.kind == Tok::Blank) {
            object_.kind = TermKind::BlankNode;
            object_.value.assign(t_.text);
        } else if (t_.kind == Tok::String && t_.quote == '"' && !t_.long_string) {
            object_.kind = TermKind::Literal;
            object_.value.assign(t_.text);
            if (!lex_.next(t_)) return false;
            if (t_.kind == Tok::AtWord) {
                if (!take_language(lex_, t_, object_.language)) return false;
            } else if (t_.kind == Tok::Carets) {
                if (!lex_.next(t_)) return false;
                if (t_.kind != Tok::IriRef) return expected("a datatype IRI");
                if (!iri_into(object_.datatype, 3)) return false;
            } else {
                have_next = true;
            }
        } else {
            return expected("an object (an IRI, a blank node or a literal)");
        }
        if (!have_next && !lex_.next(t_)) return false;
        if (quads_ && (t_.kind == Tok::IriRef || t_.kind == Tok::Blank)) {
            if (t_.kind == Tok::IriRef && !check_absolute(lex_, t_, t_.text)) return false;
            if (!lex_.next(t_)) return false;
        }
        if (t_.kind != Tok::Punct || t_.punct != '.') return expected("'.'");
        return true;
    }
};

}  // namespace

ReadOutcome read_ntriples(RdfInput& in, TripleSink& sink) { return LineReader(in, sink, false).run(); }
ReadOutcome read_nquads(RdfInput& in, TripleSink& sink) { return LineReader(in, sink, true).run(); }

}  // namespace vg::rdf
