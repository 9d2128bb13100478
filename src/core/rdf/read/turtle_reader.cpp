// Turtle and TriG. Nesting ('[...]' and '(...)') lives on an explicit stack
// of frames, so depth is bounded by memory, not by the call stack.
//
// Emission order: a triple goes out as soon as its object is complete, so
// the triples inside an object '[...]' precede the triple that links to it;
// a collection links its head cell when its first item starts, then gives
// each cell's rdf:first and rdf:rest in turn.
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/support/hash.hpp"
#include "core/rdf/iri.hpp"
#include "core/rdf/read/byte_budget.hpp"
#include "core/rdf/read/reader.hpp"
#include "core/rdf/read/turtle_lexer.hpp"
#include "core/rdf/vocab.hpp"

namespace vg::rdf {

namespace {

enum class Kind : uint8_t { Triples, BlankList, Collection };
enum class Role : uint8_t { Subject, Object };

enum class State : uint8_t {
    Subject,          // Triples: expects the subject
    SubjectDone,      // Triples: subject read; a TriG graph label when '{' follows
    Verb,             // expects a predicate
    FirstVerb,        // BlankList: a predicate, or ']' for '[]'
    VerbOrEnd,        // after ';': a predicate, another ';' or the end
    AfterBlankSubject,  // Triples after a '[...]' subject: a predicate or the end
    Object,           // expects an object
    AfterObject,      // ',', ';' or the end
    Item,             // Collection: an item or ')'
};

// A subject or collection cell held by a frame: an IRI or a blank node,
// with the key it is handed over by (a new one whenever it changes).
struct Resource {
    TermKind kind = TermKind::Iri;
    std::string value;
    uint64_t key = 0;
    TermRef ref() const { return TermRef{kind, value, {}, {}, key}; }
};

// One open statement, property list or collection; kept small, since the
// input decides how many are open at once.
struct Frame {
    Kind kind = Kind::Triples;
    Role role = Role::Object;
    State state = State::Subject;
    bool label_ok = false;  // the subject may name a graph
    uint64_t items = 0;     // Collection: items so far
    Resource subject;       // Triples, BlankList: the subject; Collection: the head cell
    std::string predicate;
    uint64_t predicate_key = 0;
    Resource cell;          // Collection: the current cell
};

class TurtleParser {
public:
    TurtleParser(RdfInput& in, TripleSink& sink, bool trig) : in_(in), lex_(in), sink_(sink), trig_(trig) {}

    ReadOutcome run() {
        bool have = false;
        for (;;) {
            if (!have && !lex_.next(t_)) return failure();
            have = true;
            Step s = depth_ == 0 ? top_level() : step(frames_[depth_ - 1]);
            if (s == Step::Fail) return failure();
            if (s == Step::Stop) return ReadOutcome::stopped();
            if (s == Step::Done) return ReadOutcome::done();
            have = s == Step::Keep;
        }
    }

private:
    enum class Step : uint8_t { Consumed, Keep, Fail, Stop, Done };

    RdfInput& in_;
    TurtleLexer lex_;
    TripleSink& sink_;
    bool trig_;
    bool in_graph_ = false;
    Token t_;
    std::vector<Frame> frames_;  // frames_[0, depth_) are live; the rest keep their buffers
    size_t depth_ = 0;
    struct Prefix {
        std::string iri;
        // The IRI ends past any authority, so that appending a plain local
        // name (Token::plain_local) gives an absolute IRI again.
        bool open = false;
    };
    std::unordered_map<std::string, Prefix, KeyedHash, std::equal_to<>> prefixes_;
    // The prefixes used last, tried before the map (whose elements stay
    // where they are); documents use a few prefixes over and over.
    struct RecentPrefix {
        const std::string* name = nullptr;
        const Prefix* prefix = nullptr;
    };
    RecentPrefix recent_prefixes_[4];
    unsigned next_recent_prefix_ = 0;

    const Prefix* find_prefix(std::string_view name) {
        for (const RecentPrefix& r : recent_prefixes_)
            if (r.name && *r.name == name) return r.prefix;
        auto it = prefixes_.find(name);
        if (it == prefixes_.end()) return nullptr;
        recent_prefixes_[next_recent_prefix_++ % 4] = {&it->first, &it->second};
        return &it->second;
    }
    std::optional<Iri> base_;
    ByteBudget budget_ = iri_budget();
    BlankIds fresh_;
    std::string iri_;     // the last IRI read, resolved
    std::string value_;   // literal value kept across a lookahead
    std::string extra_;   // literal language or datatype
    std::string scratch_;

    ReadOutcome failure() {
        if (stopped_) return ReadOutcome::stopped();
        return ReadOutcome::failed(lex_.error());
    }
    bool stopped_ = false;

    Step fail(std::string_view msg) {
        lex_.fail_token(msg, t_);
        return Step::Fail;
    }
    Step expected(std::string_view what) { return fail("expected " + std::string(what) + ", found " + describe(t_)); }

    Frame& push(Kind k, Role r, State s) {
        if (depth_ == frames_.size()) frames_.emplace_back();
        Frame& f = frames_[depth_++];
        f.kind = k;
        f.role = r;
        f.state = s;
        f.label_ok = false;
        f.items = 0;
        return f;
    }

    // Keys for the terms frames hold (terms.hpp).
    uint64_t last_key_ = 0;
    uint64_t new_key() { return ++last_key_; }
    // Gives r the term of `kind` whose text is in `text` (swapped in), with
    // a new key. A frame's terms keep their keys with them when they move.
    void set_term(Resource& r, TermKind kind, std::string& text) {
        r.kind = kind;
        r.value.swap(text);
        r.key = new_key();
    }

    bool emit(const TermRef& s, const TermRef& p, const TermRef& o) {
        if (sink_.triple(s, p, o)) return true;
        stopped_ = true;
        return false;
    }

    // IriRef or PName in t_ into iri_, resolved and checked.
    bool read_iri() {
        if (t_.kind == Tok::IriRef) {
            if (base_) {
                size_t cost = 0;
                auto r = base_->resolve(t_.text, &cost);
                if (!r) return bad_iri(r.error());
                iri_ = r.take().take();
                return charge(cost);
            }
            iri_.assign(t_.text);
            return checked(iri_);
        }
        const Prefix* prefix = find_prefix(t_.text);
        if (!prefix) return lex_.fail_token("the prefix '" + std::string(t_.text) + ":' has not been declared", t_);
        iri_.assign(prefix->iri);
        iri_.append(t_.local);
        if (!charge(iri_.size())) return false;
        // Letters, digits and "_-.:" are allowed in every part of an IRI after
        // its authority.
        if (prefix->open && t_.plain_local) return true;
        return checked(iri_);
    }

    bool bad_iri(const std::string& why) {
        return lex_.fail_token("error while parsing IRI '" + std::string(t_.text) + "': " + why, t_);
    }

    // IRI bytes made from a base or a prefix rather than read, and the
    // bytes of the base a resolution went through.
    bool charge(size_t n) {
        std::string err;
        return budget_.charge(n, in_.budget_bytes(), err) || lex_.fail_token(err, t_);
    }

    // Whether an absolute IRI ends past its authority (or has none).
    static bool ends_past_authority(std::string_view iri) {
        size_t colon = iri.find(':');  // the end of the scheme
        if (colon == std::string_view::npos) return false;
        std::string_view rest = iri.substr(colon + 1);
        if (rest.substr(0, 2) != "//") return true;
        return rest.find_first_of("/?#", 2) != std::string_view::npos;
    }

    // The last few IRIs found absolute: predicates and subjects recur, and
    // each is checked once per run.
    std::string recent_[4];
    unsigned next_recent_ = 0;

    bool checked(const std::string& iri) {
        for (const std::string& r : recent_)
            if (!r.empty() && r == iri) return true;  // a checked IRI is never empty
        if (!check_absolute(lex_, t_, iri)) return false;
        recent_[next_recent_++ & 3] = iri;
        return true;
    }

    static bool is_iri(const Token& t) { return t.kind == Tok::IriRef || t.kind == Tok::PName; }
    static bool is_punct(const Token& t, char c) { return t.kind == Tok::Punct && t.punct == c; }
    static bool is_word(const Token& t, std::string_view w) { return t.kind == Tok::Word && t.text == w; }
    static bool is_keyword(const Token& t, std::string_view w) {
        if (t.kind != Tok::Word || t.text.size() != w.size()) return false;
        for (size_t i = 0; i < w.size(); ++i)
            if ((t.text[i] | 0x20) != (w[i] | 0x20)) return false;
        return true;
    }

    // ---- statements outside any frame --------------------------------
    Step top_level() {
        if (t_.kind == Tok::Eof) {
            if (in_graph_) return expected("'}'");
            return Step::Done;
        }
        if (in_graph_ && is_punct(t_, '}')) {
            in_graph_ = false;
            return Step::Consumed;
        }
        if (t_.kind == Tok::AtWord || is_keyword(t_, "prefix") || is_keyword(t_, "base")) {
            if (in_graph_) return fail("directives are not allowed inside a graph");
            return directive();
        }
        if (trig_ && !in_graph_ && is_keyword(t_, "graph")) {
            if (!lex_.next(t_)) return Step::Fail;
            if (is_punct(t_, '[')) {
                if (!lex_.next(t_)) return Step::Fail;
                if (!is_punct(t_, ']')) return expected("']' (a graph name '[]')");
            } else if (is_iri(t_)) {
                if (!read_iri()) return Step::Fail;
            } else if (t_.kind != Tok::Blank) {
                return expected("a graph name");
            }
            if (!lex_.next(t_)) return Step::Fail;
            if (!is_punct(t_, '{')) return expected("'{'");
            in_graph_ = true;
            return Step::Consumed;
        }
        if (trig_ && !in_graph_ && is_punct(t_, '{')) {
            in_graph_ = true;
            return Step::Consumed;
        }
        push(Kind::Triples, Role::Subject, State::Subject);
        return Step::Keep;
    }

    Step directive() {
        bool sparql = t_.kind == Tok::Word;
        bool prefix;
        if (sparql) {
            prefix = is_keyword(t_, "prefix");
        } else if (t_.text == "prefix" || t_.text == "base") {
            prefix = t_.text == "prefix";
        } else {
            return fail("unknown directive '@" + std::string(t_.text) + "'");
        }
        std::string name;
        if (prefix) {
            if (!lex_.next(t_)) return Step::Fail;
            if (t_.kind != Tok::PName || !t_.local.empty()) return expected("a prefix name such as 'ex:'");
            name.assign(t_.text);
        }
        if (!lex_.next(t_)) return Step::Fail;
        if (t_.kind != Tok::IriRef) return expected("an IRI");
        if (!prefix && base_) {
            // The new base grows from the old one in place where it can, so
            // a chain of relative bases costs what it reads.
            auto r = base_->rebase(t_.text);
            if (!r) {
                bad_iri(r.error());
                return Step::Fail;
            }
            if (!charge(r.value())) return Step::Fail;
        } else {
            if (!read_iri()) return Step::Fail;
            if (prefix) {
                prefixes_[name] = Prefix{iri_, ends_past_authority(iri_)};
            } else {
                auto b = Iri::parse(iri_);
                if (!b) return fail("error while parsing IRI '" + iri_ + "': " + b.error());
                base_ = b.take();
            }
        }
        if (sparql) return Step::Consumed;
        if (!lex_.next(t_)) return Step::Fail;
        if (!is_punct(t_, '.')) return expected("'.'");
        return Step::Consumed;
    }

    // ---- frames --------------------------------------------------------
    Step step(Frame& f) {
        switch (f.state) {
            case State::Subject: return subject(f);
            case State::SubjectDone:
                if (trig_ && !in_graph_ && depth_ == 1 && f.label_ok && is_punct(t_, '{')) {
                    --depth_;  // the subject was a graph name
                    in_graph_ = true;
                    return Step::Consumed;
                }
                f.state = State::Verb;
                return Step::Keep;
            case State::Verb:
            case State::FirstVerb:
            case State::VerbOrEnd:
            case State::AfterBlankSubject: return verb(f);
            case State::Object: return object(f);
            case State::AfterObject:
                if (is_punct(t_, ',')) {
                    f.state = State::Object;
                    return Step::Consumed;
                }
                if (is_punct(t_, ';')) {
                    f.state = State::VerbOrEnd;
                    return Step::Consumed;
                }
                return end(f, f.kind == Kind::BlankList ? "',', ';' or ']'" : "',', ';' or '.'");
            case State::Item:
                if (is_punct(t_, ')')) return close_collection(f);
                if (f.items > 0) {
                    fresh_.next(scratch_);
                    uint64_t next = new_key();
                    if (!emit(f.cell.ref(), TermRef::iri(vocab::kRdfRest), TermRef{TermKind::BlankNode, scratch_, {}, {}, next}))
                        return Step::Stop;
                    f.cell.value.swap(scratch_);
                    f.cell.key = next;
                } else {
                    // The head cell: link it from where the collection stands.
                    f.cell.kind = TermKind::BlankNode;
                    fresh_.next(f.cell.value);
                    f.cell.key = new_key();
                    f.subject = f.cell;
                    if (f.role == Role::Object && !object_done(depth_ - 2, f.cell.ref())) return Step::Stop;
                }
                ++f.items;
                return object(f);
        }
        return Step::Fail;
    }

    Step subject(Frame& f) {
        if (is_iri(t_)) {
            if (!read_iri()) return Step::Fail;
            set_term(f.subject, TermKind::Iri, iri_);
        } else if (t_.kind == Tok::Blank) {
            scratch_.assign(t_.text);
            set_term(f.subject, TermKind::BlankNode, scratch_);
        } else if (is_punct(t_, '[')) {
            start_blank(Role::Subject);
            return Step::Consumed;
        } else if (is_punct(t_, '(')) {
            push(Kind::Collection, Role::Subject, State::Item);
            return Step::Consumed;
        } else {
            return expected("a subject");
        }
        f.label_ok = true;
        f.state = State::SubjectDone;
        return Step::Consumed;
    }

    void start_blank(Role role) {
        Frame& b = push(Kind::BlankList, role, State::FirstVerb);
        b.subject.kind = TermKind::BlankNode;
        fresh_.next(b.subject.value);
        b.subject.key = new_key();
    }

    // Likewise for the predicate of a frame.
    void set_predicate(Frame& f, std::string& text) {
        f.predicate.swap(text);
        f.predicate_key = new_key();
    }

    Step verb(Frame& f) {
        if (is_iri(t_)) {
            if (!read_iri()) return Step::Fail;
            set_predicate(f, iri_);
        } else if (is_word(t_, "a")) {
            scratch_.assign(vocab::kRdfType);
            set_predicate(f, scratch_);
        } else if (f.state == State::VerbOrEnd && is_punct(t_, ';')) {
            return Step::Consumed;
        } else if (f.state == State::VerbOrEnd || f.state == State::AfterBlankSubject) {
            return end(f, "a predicate or the end of the statement");
        } else if (f.state == State::FirstVerb && is_punct(t_, ']')) {
            return end(f, "");
        } else {
            return expected("a predicate");
        }
        f.state = State::Object;
        return Step::Consumed;
    }

    // The token that ends the frame's statement or property list.
    Step end(Frame& f, std::string_view wanted) {
        if (f.kind == Kind::BlankList) {
            if (!is_punct(t_, ']')) return expected(wanted);
            return close_blank(f);
        }
        if (is_punct(t_, '.')) {
            --depth_;
            return Step::Consumed;
        }
        if (in_graph_ && is_punct(t_, '}')) {
            --depth_;
            return Step::Keep;  // closes the graph at the top level
        }
        return expected(wanted);
    }

    Step close_blank(Frame& f) {
        bool anon = f.state == State::FirstVerb;
        --depth_;
        Frame& parent = frames_[depth_ - 1];
        if (f.role == Role::Subject) {
            std::swap(parent.subject, f.subject);
            parent.label_ok = anon;
            parent.state = anon ? State::SubjectDone : State::AfterBlankSubject;
            return Step::Consumed;
        }
        if (!object_done(depth_ - 1, f.subject.ref())) return Step::Stop;
        return Step::Consumed;
    }

    Step close_collection(Frame& f) {
        --depth_;
        Frame& parent = frames_[depth_ - 1];
        TermRef nil = TermRef::iri(vocab::kRdfNil);
        if (f.items > 0 && !emit(f.cell.ref(), TermRef::iri(vocab::kRdfRest), nil)) return Step::Stop;
        if (f.role == Role::Subject) {
            if (f.items > 0) {
                std::swap(parent.subject, f.subject);
            } else {
                scratch_.assign(vocab::kRdfNil);
                set_term(parent.subject, TermKind::Iri, scratch_);
            }
            parent.state = State::Verb;
            return Step::Consumed;
        }
        if (f.items == 0 && !object_done(depth_ - 1, nil)) return Step::Stop;
        return Step::Consumed;
    }

    // An object is complete: the triple that takes it goes out.
    [[gnu::always_inline]] bool object_done(size_t at, const TermRef& o) {
        Frame& f = frames_[at];
        if (f.kind == Kind::Collection) return emit(f.cell.ref(), TermRef::iri(vocab::kRdfFirst), o);
        f.state = State::AfterObject;
        return emit(f.subject.ref(), TermRef::iri(f.predicate, f.predicate_key), o);
    }

    // The object in t_ for the top frame (a property list or a collection).
    Step object(Frame& f) {
        (void)f;
        size_t at = depth_ - 1;
        TermRef o;
        switch (t_.kind) {
            case Tok::IriRef:
            case Tok::PName:
                if (!read_iri()) return Step::Fail;
                o = TermRef{TermKind::Iri, iri_, {}, {}};
                break;
            case Tok::Blank: o = TermRef{TermKind::BlankNode, t_.text, {}, {}}; break;
            case Tok::Integer: o = TermRef{TermKind::Literal, t_.text, {}, vocab::kXsdInteger}; break;
            case Tok::Decimal: o = TermRef{TermKind::Literal, t_.text, {}, vocab::kXsdDecimal}; break;
            case Tok::Double: o = TermRef{TermKind::Literal, t_.text, {}, vocab::kXsdDouble}; break;
            case Tok::Word:
                if (t_.text != "true" && t_.text != "false") return expected("an object");
                o = TermRef{TermKind::Literal, t_.text, {}, vocab::kXsdBoolean};
                break;
            case Tok::Punct:
                if (t_.punct == '[') {
                    start_blank(Role::Object);
                    return Step::Consumed;
                }
                if (t_.punct == '(') {
                    push(Kind::Collection, Role::Object, State::Item);
                    return Step::Consumed;
                }
                return expected("an object");
            case Tok::String: return literal(at);
            default: return expected("an object");
        }
        if (!object_done(at, o)) return Step::Stop;
        return Step::Consumed;
    }

    // A string, with an optional language tag or datatype after it.
    Step literal(size_t at) {
        value_.assign(t_.text);
        if (!lex_.next(t_)) return Step::Fail;
        TermRef o{TermKind::Literal, value_, {}, {}};
        Step s = Step::Keep;
        if (t_.kind == Tok::AtWord) {
            if (!take_language(lex_, t_, extra_)) return Step::Fail;
            o.language = extra_;
            s = Step::Consumed;
        } else if (t_.kind == Tok::Carets) {
            if (!lex_.next(t_)) return Step::Fail;
            if (!is_iri(t_)) return expected("a datatype IRI");
            if (!read_iri()) return Step::Fail;
            extra_.swap(iri_);
            o.datatype = extra_;
            s = Step::Consumed;
        }
        if (!object_done(at, o)) return Step::Stop;
        return s;
    }
};

}  // namespace

ReadOutcome read_turtle(RdfInput& in, TripleSink& sink) { return TurtleParser(in, sink, false).run(); }
ReadOutcome read_trig(RdfInput& in, TripleSink& sink) { return TurtleParser(in, sink, true).run(); }

}  // namespace vg::rdf
