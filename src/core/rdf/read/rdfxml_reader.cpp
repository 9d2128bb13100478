// The event pump of the RDF/XML reader: declaration, DOCTYPE entities,
// character data, end tags and the triples emitted when an element closes.
#include "core/rdf/read/rdfxml_reader.hpp"

#include <cstring>

#include "core/io/utf8.hpp"
#include "core/rdf/read/rdf_names.hpp"
#include "core/rdf/read/xml_chars.hpp"

namespace vg::rdfxml {

using rdf::Term;
using rdf::TermKind;

RdfXmlParser::RdfXmlParser(rdf::RdfInput& in) : in_(in), tok_(in.text) {
    // The document state, one per open element, and one that closed and
    // waits for its triples to be handed out.
    state_.reserve(XmlTokenizer::kMaxDepth + 2);
    State doc;
    doc.kind = StateKind::Doc;
    state_.push_back(std::move(doc));
}

bool RdfXmlParser::fail_msg(std::string m) {
    err_ = std::move(m);
    return false;
}
bool RdfXmlParser::fail_xml(std::string m) {
    err_ = std::move(m);
    return false;
}
bool RdfXmlParser::fail_iri(std::string_view text, const std::string& why) {
    err_ = "error while parsing IRI '" + std::string(text) + "': " + why;
    return false;
}

rdf::ReadOutcome RdfXmlParser::run(rdf::TripleSink& sink) {
    for (;;) {
        // Last in, first out: the queue is empty before the next event.
        while (!results_.empty()) {
            const Queued& t = results_.back();
            if (!sink.triple(rdf::TermRef{t.subject_kind, t.subject, {}, {}, t.subject_key},
                             rdf::TermRef::iri(t.predicate, t.predicate_key),
                             rdf::TermRef{t.object_kind, t.object, t.language, t.datatype, t.object_key}))
                return rdf::ReadOutcome::stopped();
            results_.pop_back();
        }
        results_text_.reset();
        shared_shown_.clear();
        if (pop_after_drain_) {
            state_.pop_back();
            pop_after_drain_ = false;
        }
        if (is_end_) return rdf::ReadOutcome::done();
        in_.tick();
        if (!tok_.next(ev_, xerr_))
            return rdf::ReadOutcome::failed(xerr_.message);
        if (!event()) return rdf::ReadOutcome::failed(err_);
    }
}

rdf::TermRef RdfXmlParser::copied(const rdf::TermRef& t) {
    return rdf::TermRef{t.kind, results_text_.keep(t.value), results_text_.keep(t.language),
                        results_text_.keep(t.datatype), t.key};
}

rdf::TermRef RdfXmlParser::held(std::shared_ptr<const std::string> name, uint64_t key) {
    rdf::TermRef t = rdf::TermRef::iri(*name, key);
    shared_shown_.push_back(std::move(name));
    return t;
}

Term RdfXmlParser::fresh_blank() { return Term::blank(blank_ids_.next()); }

bool RdfXmlParser::event() {
    switch (ev_.kind) {
        case XmlEventKind::StartTag:
        case XmlEventKind::EndTag: {
            // The text before a tag is handled first: its fault is the one
            // reported (a failed read goes no further).
            if (!flush_text()) return false;
            return ev_.kind == XmlEventKind::StartTag ? start_tag() : end_tag();
        }
        case XmlEventKind::Text:
        case XmlEventKind::CData:
            has_pending_ = true;
            append_normalized_lines(pending_text_, ev_.text, xml11_);
            return true;
        case XmlEventKind::Reference: {
            std::string_view name = ev_.name;
            if (!name.empty() && name[0] == '#') {
                uint32_t cp;
                if (!char_ref_value(name, xml11_, cp)) return fail_xml("invalid character reference: " + std::string(name.substr(1)));
                has_pending_ = true;
                utf8_append(pending_text_, cp);
                return true;
            }
            const std::string* r = entities_.resolve(name);
            if (!r) return fail_xml("unrecognized entity `" + std::string(name) + "`");
            if (!entities_.charge(r->size(), in_.budget_bytes(), err_)) return false;
            has_pending_ = true;
            pending_text_.append(*r);
            return true;
        }
        case XmlEventKind::Comment:
        case XmlEventKind::PI:
            return true;
        case XmlEventKind::Decl:
            return declaration();
        case XmlEventKind::Doctype:
            return doctype(ev_.text);
        case XmlEventKind::Eof:
            is_end_ = true;
            return flush_text();
    }
    return true;
}

namespace {
bool is_utf8_encoding_name(std::string_view name) {
    if (name.empty()) return false;
    std::string low(name);
    for (char& c : low)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return low == "utf-8" || low == "utf8" || low == "unicode-1-1-utf-8" || low == "unicode11utf8" ||
           low == "unicode20utf8" || low == "x-unicode20utf8";
}

bool has_non_whitespace(std::string_view s) { return !is_xml_whitespace(s); }
}  // namespace

bool RdfXmlParser::declaration() {
    xml11_ = ev_.version == "1.1";
    if (ev_.has_encoding && !is_utf8_encoding_name(ev_.encoding))
        return fail_msg("Only UTF-8 is supported by the RDF/XML parser");
    return true;
}

bool RdfXmlParser::doctype(std::string_view raw) {
    std::string content;
    append_normalized_lines(content, raw, xml11_);
    auto lstrip = [](std::string_view s) {
        size_t i = 0;
        while (i < s.size() && (is_xml_space(s[i]) || s[i] == '\f')) ++i;
        return s.substr(i);
    };
    std::string_view rest(content);
    size_t lt = rest.find('<');
    while (lt != std::string_view::npos) {
        rest = rest.substr(lt + 1);
        lt = rest.find('<');
        std::string_view piece = rest.substr(0, lt);
        if (piece.substr(0, 7) != "!ENTITY") continue;
        std::string_view s = lstrip(piece.substr(7));
        if (!s.empty() && s[0] == '%') s = lstrip(s.substr(1));
        size_t ws = s.find_first_of(" \t\n\f\r");
        if (ws == std::string_view::npos)
            return fail_msg("<!ENTITY declarations should contain both an entity name and an entity value");
        std::string name(s.substr(0, ws));
        s = lstrip(s.substr(ws + 1));
        if (s.empty() || s[0] != '"') return fail_msg("<!ENTITY values should be enclosed in double quotes");
        size_t close = s.find('"', 1);
        if (close == std::string_view::npos)
            return fail_msg("<!ENTITY declarations values should be enclosed in double quotes");
        std::string_view raw_value = s.substr(1, close - 1);
        s = lstrip(s.substr(close + 1));
        if (s.empty() || s[0] != '>') return fail_msg("<!ENTITY declarations values should end with >");
        std::string value;
        if (!expand_references(raw_value, entities_, rules(), value, err_)) return false;
        if (!entities_.charge(value.size(), in_.budget_bytes(), err_)) return false;
        entities_.declare(std::move(name), std::move(value));
    }
    return true;
}

bool RdfXmlParser::flush_text() {
    if (!has_pending_) return true;
    has_pending_ = false;
    std::string text;
    text.swap(pending_text_);
    bool ok = text_event(std::move(text));
    pending_text_.clear();
    return ok;
}

bool RdfXmlParser::text_event(std::string text) {
    State& top = state_.back();
    switch (top.kind) {
        case StateKind::PropertyElt:
            if (top.object_kind == ObjectKind::None ||
                (top.object_kind == ObjectKind::Text && !has_non_whitespace(top.object.value))) {
                top.object_kind = ObjectKind::Text;
                top.object.value = std::move(text);
                return true;
            }
            break;
        case StateKind::Literal:
            if (!charge_escapes(escaped_text_growth(text))) return false;
            append_escaped_text(top.literal, text);
            return true;
        default:
            break;
    }
    if (is_xml_whitespace(text)) return true;
    return fail_msg("Unexpected text event: '" + text + "'");
}

rdf::TermRef RdfXmlParser::text_literal(const State& s) const {
    // The language is the element's own or an ancestor's, read where it
    // was given: a long one costs nothing per literal.
    rdf::TermRef o{TermKind::Literal, s.object.value, {}, {}, 0};
    if (s.datatype) {
        if (*s.datatype != names::kXsdString) o.datatype = *s.datatype;
    } else if (s.language) {
        o.language = *s.language;
    } else if (s.lang_from >= 0 && static_cast<size_t>(s.lang_from) < state_.size()) {
        o.language = *state_[static_cast<size_t>(s.lang_from)].language;
    }
    return o;
}

void RdfXmlParser::reify(const rdf::TermRef& s, const rdf::TermRef& p, const rdf::TermRef& o,
                         const std::optional<std::string>& stmt) {
    if (!stmt) return;
    rdf::TermRef statement = copied(rdf::TermRef::iri(*stmt));
    add(statement, rdf::TermRef::iri(rdf::vocab::kRdfType), rdf::TermRef::iri(names::kStatement));
    add(statement, rdf::TermRef::iri(names::kSubject), s);
    add(statement, rdf::TermRef::iri(names::kPredicate), p);
    add(statement, rdf::TermRef::iri(names::kObject), o);
}

bool RdfXmlParser::end_tag() {
    bool ok = true;
    if (in_literal_depth_ > 0) {
        State& top = state_.back();
        if (top.kind != StateKind::Literal) internal_failure("XML literal depth without a literal state");
        top.literal.append("</");
        top.literal.append(ev_.name);
        top.literal.push_back('>');
        --in_literal_depth_;
    } else if (state_.size() > 1) {
        close_top();
        pop_after_drain_ = true;
        ok = err_.empty();
    } else if (!state_.empty()) {
        state_.pop_back();
    }
    if (scope_.close()) forget_names();
    return ok;
}

// Emits what the element on top completes; the state below it is the
// parent (the top is popped afterwards, in place, to save moving it).
void RdfXmlParser::close_top() {
    State& s = state_.back();
    switch (s.kind) {
        case StateKind::Doc:
        case StateKind::Rdf:
            return;
        case StateKind::NodeElt: {
            State& top = state_[state_.size() - 2];
            if (top.kind == StateKind::PropertyElt) {
                bool pending = top.object_kind == ObjectKind::Node ||
                               (top.object_kind == ObjectKind::Text && has_non_whitespace(top.object.value));
                if (pending) {
                    fail_msg("Unexpected node, a text value is already present");
                    return;
                }
                top.object_kind = ObjectKind::Node;
                top.object = std::move(s.subject);
            } else if (top.kind == StateKind::Collection) {
                top.objects.push_back(std::move(s.subject));
            }
            return;
        }
        case StateKind::PropertyElt: {
            // The object stays in the state until its triples are handed out.
            rdf::TermRef object = s.object_kind == ObjectKind::Node ? s.object.ref() : text_literal(s);
            rdf::TermRef subject = state_[state_.size() - 2].subject.ref();
            rdf::TermRef predicate = shared(s.iri);
            reify(subject, predicate, object, s.id_attr);
            add(subject, predicate, object);
            return;
        }
        case StateKind::Collection: {
            rdf::TermRef current = rdf::TermRef::iri(rdf::vocab::kRdfNil);
            for (size_t k = s.objects.size(); k-- > 0;) {
                rdf::TermRef b = copied(fresh_blank().ref());
                add(b, rdf::TermRef::iri(rdf::vocab::kRdfFirst), s.objects[k].ref());
                add(b, rdf::TermRef::iri(rdf::vocab::kRdfRest), current);
                current = b;
            }
            rdf::TermRef subject = state_[state_.size() - 2].subject.ref();
            rdf::TermRef predicate = shared(s.iri);
            reify(subject, predicate, current, s.id_attr);
            add(subject, predicate, current);
            return;
        }
        case StateKind::Literal: {
            if (!s.emit) return;
            if (s.literal.empty()) {
                fail_msg("No value found for rdf:XMLLiteral value of property " + s.iri.str());
                return;
            }
            rdf::TermRef object{TermKind::Literal, s.literal, {}, names::kXmlLiteral, 0};
            rdf::TermRef subject = state_[state_.size() - 2].subject.ref();
            rdf::TermRef predicate = shared(s.iri);
            reify(subject, predicate, object, s.id_attr);
            add(subject, predicate, object);
            return;
        }
    }
}

}  // namespace vg::rdfxml

namespace vg::rdf {

ReadOutcome read_rdfxml(RdfInput& in, TripleSink& sink) {
    rdfxml::RdfXmlParser parser(in);
    return parser.run(sink);
}

}  // namespace vg::rdf
