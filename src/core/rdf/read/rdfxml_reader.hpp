// The RDF/XML reader: turns the events of the XML tokenizer into triples by
// the RDF/XML grammar. It is reached through rdf::read_rdfxml (the reader
// contract of the RDF loaders); this header exposes the parts that the
// tests and the fuzz target drive directly.
//
// Triples completed by one XML event are handed out last-in, first-out: a
// property triple comes before its four reification triples, a collection's
// property triple before its rdf:first / rdf:rest chain.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/support/hash.hpp"
#include "core/rdf/iri.hpp"
#include "core/rdf/read/byte_budget.hpp"
#include "core/rdf/read/reader.hpp"
#include "core/rdf/read/text_arena.hpp"
#include "core/rdf/terms.hpp"
#include "core/rdf/read/xml_entities.hpp"
#include "core/rdf/read/xml_namespaces.hpp"
#include "core/rdf/read/xml_tokenizer.hpp"

namespace vg::rdfxml {

enum class StateKind : uint8_t { Doc, Rdf, NodeElt, PropertyElt, Collection, Literal };
enum class ObjectKind : uint8_t { None, Node, Text };
enum class ParseType : uint8_t { Default, Collection, Literal, Resource, Other };  // rdf:parseType

// An IRI made once and handed over by many triples (an element or
// attribute name resolved under the bindings in force): shared, not
// copied, and handed over with its key (terms.hpp).
struct SharedIri {
    std::shared_ptr<const std::string> text;
    uint64_t key = 0;
    const std::string& str() const { return *text; }
};

// One entry of the parser's stack: where in the grammar an open element
// stands. Only the fields of its kind are used.
struct State {
    StateKind kind = StateKind::Doc;
    std::optional<rdf::Iri> base;          // the element's own xml:base
    std::optional<std::string> language;   // the element's own xml:lang
    int32_t base_from = -1;                // state whose base is in force, -1 none
    int32_t lang_from = -1;                // state whose language is in force, -1 none
    rdf::Term subject;                     // node elements (with a key); property elements use their parent's
    SharedIri iri;                         // property IRI; a node element's own name
    uint64_t li_counter = 0;
    ObjectKind object_kind = ObjectKind::None;
    rdf::Term object;                      // node, or the text in object.value
    std::optional<std::string> id_attr;    // statement IRI from rdf:ID
    std::optional<std::string> datatype;
    std::vector<rdf::Term> objects;        // collection members in document order
    std::string literal;                   // markup of an XML literal
    bool emit = true;
};

class RdfXmlParser {
public:
    explicit RdfXmlParser(rdf::RdfInput& in);
    rdf::ReadOutcome run(rdf::TripleSink& sink);

private:
    // The triples completed by the current event, handed out last in,
    // first out. A text that stays where it is until they are handed out
    // (in a state, a shared name, a constant) is shown in place, so that a
    // subject or a name over many triples is never copied; the others
    // (terms made for one triple) are copied into an arena reused from
    // event to event, so a triple costs no allocation of its own.
    struct Queued {
        std::string_view subject, predicate, object, language, datatype;
        uint64_t subject_key = 0, predicate_key = 0, object_key = 0;
        rdf::TermKind subject_kind = rdf::TermKind::Iri, object_kind = rdf::TermKind::Iri;
    };
    bool fail_msg(std::string m);
    bool fail_xml(std::string m);
    bool fail_iri(std::string_view text, const std::string& why);

    bool event();
    bool flush_text();
    bool text_event(std::string text);
    // Markup escapes in an XML literal write up to six bytes for one, and
    // entity expansions can fill a literal with such characters: the bytes
    // the escapes would add are charged with the expansions, before they
    // are written.
    bool charge_escapes(size_t added) { return added == 0 || entities_.charge(added, in_.budget_bytes(), err_); }
    bool start_tag();
    bool end_tag();
    bool doctype(std::string_view content);
    bool declaration();

    bool push_bindings();
    bool resolve_qname(std::string_view qname, bool attribute, std::string& out);
    // Resolved names stay valid while the bindings do: documents declare
    // their namespaces once, so each name is resolved and checked once. A
    // change of bindings makes every name resolved before it stale (by its
    // generation), at no cost until the name is met again.
    struct NameInfo {
        SharedIri iri;
        std::optional<std::string> iri_error;  // why iri is not an absolute IRI
        uint64_t generation = 0;               // names_generation_ when resolved
    };
    const NameInfo* name_info(std::string_view qname, bool attribute);
    bool convert(std::string_view raw, std::string& out);
    bool resolve_ref(const std::optional<rdf::Iri>& own, std::string_view ref, std::string& out);
    bool literal_start_tag();
    const std::string* literal_declaration(const NamespaceScope::Binding& b);
    struct ElementAttributes;  // what a start tag's attributes say (rdfxml_element.cpp)
    bool read_attributes(ElementAttributes& at);
    bool resolve_attributes(ElementAttributes& at);
    bool node_element(const NameInfo& ename, ElementAttributes& at);
    bool property_element(const NameInfo& ename, ElementAttributes& at);
    // Pushes the state of the element just opened, with its own xml:base
    // and xml:lang taken from `at`.
    State& open_state(StateKind kind, ElementAttributes& at);
    // The triples of the property attributes of the element just opened,
    // whose subject is `subject`.
    void emit_property_attributes(const rdf::Term& subject, std::vector<std::pair<SharedIri, std::string>>& props);
    void close_top();
    // The literal object of a property element that closes on text (or on
    // nothing), in place in its state.
    rdf::TermRef text_literal(const State& s) const;
    rdf::Term fresh_blank();
    uint64_t new_key() { return ++last_key_; }
    uint64_t last_key_ = 0;
    TextRules rules() const { return TextRules{xml11_, in_.budget_bytes()}; }

    rdf::RdfInput& in_;
    XmlTokenizer tok_;
    XmlEvent ev_;
    XmlError xerr_;
    std::string err_;

    // Room for the deepest nesting the tokenizer allows is reserved at the
    // start, so a state never moves: queued triples show their texts in
    // place (see Queued).
    std::vector<State> state_;
    // The element that closed last stays on the stack until its triples
    // have been handed out.
    bool pop_after_drain_ = false;
    NamespaceScope scope_;
    using NameCache = std::unordered_map<std::string, NameInfo, KeyedHash, std::equal_to<>>;
    NameCache element_names_, attribute_names_;
    uint64_t names_generation_ = 0;
    // The generation each cache was last emptied at: a full cache is emptied
    // again only once some of its names may be stale.
    uint64_t element_names_emptied_ = 0, attribute_names_emptied_ = 0;
    // Before each map, a small memo indexed by a cheap hash: documents use
    // a few names over and over, and the keyed hash costs more than the
    // rest of a look-up. A clash in it costs only a miss, so crafted names
    // gain nothing. Its keys are the maps' own, cleared with them.
    struct NameMemo {
        std::string_view name;
        NameInfo* info = nullptr;
    };
    static constexpr size_t kNameMemoSize = 64;
    std::array<NameMemo, kNameMemoSize> element_memo_{}, attribute_memo_{};
    void forget_names() { ++names_generation_; }
    // Names resolved once the caches are full; one for elements and one
    // for attributes, so that an element's name outlives its attributes'.
    NameInfo scratch_element_, scratch_attribute_;
    std::string pending_text_;
    bool has_pending_ = false;
    Entities entities_;
    rdf::ByteBudget iri_budget_ = rdf::iri_budget();
    rdf::ByteBudget literal_budget_{"namespace declarations copied into XML literals exceed their limit of "};
    std::string last_absolute_ref_, last_absolute_iri_;  // see resolve_ref
    uint64_t in_literal_depth_ = 0;
    std::unordered_set<std::string, KeyedHash, std::equal_to<>> known_rdf_id_;
    bool is_end_ = false;
    bool xml11_ = false;
    std::vector<Queued> results_;
    rdf::TextArena results_text_;
    std::vector<std::shared_ptr<const std::string>> shared_shown_;  // names the queue shows, held until then
    // A term copied into the arena; a name shown in place, that the queue
    // holds (a state's names stay put on their own).
    rdf::TermRef copied(const rdf::TermRef& t);
    rdf::TermRef held(std::shared_ptr<const std::string> name, uint64_t key);
    static rdf::TermRef shared(const SharedIri& iri) { return rdf::TermRef::iri(*iri.text, iri.key); }
    void add(const rdf::TermRef& s, const rdf::TermRef& p, const rdf::TermRef& o) {
        results_.push_back(Queued{s.value, p.value, o.value, o.language, o.datatype, s.key, p.key, o.key, s.kind, o.kind});
    }
    void reify(const rdf::TermRef& s, const rdf::TermRef& p, const rdf::TermRef& o, const std::optional<std::string>& stmt);
    rdf::BlankIds blank_ids_;
    std::string scratch_;
};

}  // namespace vg::rdfxml
