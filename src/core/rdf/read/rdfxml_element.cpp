// Start tags of the RDF/XML reader: namespace bindings, names, attribute
// values, IRIs, and the grammar that decides what each element opens.
#include <cstring>

#include "core/rdf/language_tag.hpp"
#include "core/rdf/read/rdfxml_reader.hpp"
#include "core/rdf/read/rdf_names.hpp"
#include "core/rdf/read/xml_chars.hpp"

namespace vg::rdfxml {

using rdf::Term;
using rdf::TermKind;

// What a start tag's attributes say: read_attributes fills it in document
// order, resolve_attributes then resolves its references against the base
// in force, in a fixed order (so that the first faulty one is reported).
struct RdfXmlParser::ElementAttributes {
    std::optional<rdf::Iri> base;         // xml:base
    std::optional<std::string> language;  // xml:lang, lowercased
    std::optional<std::string> id;        // rdf:ID, as "#name" until resolved
    std::optional<std::string> node_id;
    std::optional<std::string> about, resource, datatype, type;  // resolved
    std::optional<std::string_view> raw_about, raw_resource, raw_datatype, raw_type;
    std::vector<std::pair<SharedIri, std::string>> props;  // property attributes: IRI, value
    ParseType parse_type = ParseType::Default;
};

bool RdfXmlParser::push_bindings() {
    scope_.open();
    for (const XmlAttribute& a : ev_.attrs) {
        std::string_view n = a.name;
        if (n.size() < 5 || n.substr(0, 5) != "xmlns" || (n.size() > 5 && n[5] != ':')) continue;
        std::string_view prefix = n.size() > 5 ? n.substr(6) : std::string_view();
        std::string_view ns = a.value;
        if (prefix == "xmlns") return fail_xml("the prefix xmlns cannot be declared");
        if (prefix == "xml") {
            if (ns != names::kXmlNs) return fail_xml("the prefix xml cannot be bound to '" + std::string(ns) + "'");
            continue;  // binding xml to its own namespace changes nothing
        }
        if (ns == names::kXmlNs || ns == names::kXmlnsNs)
            return fail_xml("the namespace '" + std::string(ns) + "' cannot be bound to " +
                            (prefix.empty() ? std::string("the default namespace") : "the prefix " + std::string(prefix)));
        scope_.bind(prefix, ns);
    }
    if (scope_.declared_here()) forget_names();
    return true;
}

const RdfXmlParser::NameInfo* RdfXmlParser::name_info(std::string_view qname, bool attribute) {
    // The memo's index: the name's first and last eight bytes, multiplied
    // (the prefix alone would say little), and its length.
    uint64_t head = 0, tail = 0;
    size_t n = qname.size();
    std::memcpy(&head, qname.data(), n < 8 ? n : 8);
    if (n > 8) std::memcpy(&tail, qname.data() + n - 8, 8);
    uint64_t h = head * 0x9E3779B97F4A7C15ull + tail * 0xC2B2AE3D27D4EB4Full + n * 0x165667B19E3779F9ull;
    auto& memos = attribute ? attribute_memo_ : element_memo_;
    NameMemo* memo = &memos[(h >> 58) % kNameMemoSize];
    NameCache& cache = attribute ? attribute_names_ : element_names_;
    NameInfo* known = memo->info && memo->name == qname ? memo->info : nullptr;
    NameInfo* stale = nullptr;
    if (!known) {
        auto it = cache.find(qname);
        if (it != cache.end()) {
            known = &it->second;
            *memo = NameMemo{it->first, known};
        }
    }
    if (known && known->generation != names_generation_) std::swap(stale, known);
    // A name found again was made before, and its uses share it: only
    // making one costs.
    if (known) return known;
    NameInfo info;
    std::string made;
    if (!resolve_qname(qname, attribute, made)) return nullptr;
    // A namespace makes a long name from a short one: every name made is
    // charged its bytes, as a prefixed name is (entity references in it
    // were charged, on their own budget, as they were replaced).
    if (!iri_budget_.charge(made.size(), in_.budget_bytes(), err_)) return nullptr;
    info.iri_error = rdf::iri_error(made);
    info.iri = SharedIri{std::make_shared<const std::string>(std::move(made)), new_key()};
    info.generation = names_generation_;
    if (stale) {  // resolved again in place: its memo entries stay good
        *stale = std::move(info);
        return stale;
    }
    constexpr size_t kMaxCachedNames = 4096;
    if (cache.size() >= kMaxCachedNames) {
        uint64_t& emptied = attribute ? attribute_names_emptied_ : element_names_emptied_;
        if (emptied == names_generation_) {
            NameInfo& scratch = attribute ? scratch_attribute_ : scratch_element_;
            scratch = std::move(info);
            return &scratch;
        }
        // Some names may be stale: start again (at most once per cache
        // filled, so its cost is spread over the names it took).
        cache.clear();
        memos.fill(NameMemo{});
        emptied = names_generation_;
    }
    auto added = cache.emplace(std::string(qname), std::move(info)).first;
    *memo = NameMemo{added->first, &added->second};
    return &added->second;
}

bool RdfXmlParser::resolve_qname(std::string_view qname, bool attribute, std::string& out) {
    size_t colon = qname.find(':');
    std::string_view prefix, local = qname;
    const std::string* ns = nullptr;
    std::string_view fixed;
    if (colon == std::string_view::npos) {
        if (!attribute) ns = scope_.find({});
        if (!ns || ns->empty()) return fail_msg("XML namespaces are required in RDF/XML");
    } else {
        prefix = qname.substr(0, colon);
        local = qname.substr(colon + 1);
        if (prefix == "xml") {
            fixed = names::kXmlNs;
        } else if (prefix == "xmlns") {
            fixed = names::kXmlnsNs;
        } else {
            ns = scope_.find(prefix);
            if (!ns || ns->empty()) return fail_msg("Unknown prefix " + std::string(prefix) + ":");
        }
    }
    std::string_view nsv = ns ? std::string_view(*ns) : fixed;
    out.clear();
    if (nsv.find('&') == std::string_view::npos && local.find('&') == std::string_view::npos) {
        out.reserve(nsv.size() + local.size());
        out.append(nsv);
        out.append(local);
        return true;
    }
    std::string whole(nsv);
    whole.append(local);
    return expand_references(whole, entities_, rules(), out, err_);
}

bool RdfXmlParser::convert(std::string_view raw, std::string& out) {
    out.clear();
    return normalize_attribute(raw, entities_, rules(), out, err_);
}

bool RdfXmlParser::resolve_ref(const std::optional<rdf::Iri>& own, std::string_view ref, std::string& out) {
    const rdf::Iri* base = own ? &*own : nullptr;
    if (!base) {
        int32_t from = state_.back().base_from;
        if (from >= 0) base = &*state_[static_cast<size_t>(from)].base;
    }
    if (!base) {
        if (auto e = rdf::iri_error(ref)) return fail_iri(ref, *e);
        out.assign(ref);
        return true;
    }
    // A reference with a scheme resolves alike against every base, and
    // documents repeat a few (datatypes, classes): the last one is kept.
    bool absolute = rdf::scheme_length(ref) != 0;
    size_t cost = 0;
    if (absolute && ref == last_absolute_ref_) {
        out = last_absolute_iri_;
        cost = out.size();
    } else {
        auto r = base->resolve(ref, &cost);
        if (!r) return fail_iri(ref, r.error());
        out = r.take().take();
        if (absolute) {
            last_absolute_ref_.assign(ref);
            last_absolute_iri_ = out;
        }
    }
    return iri_budget_.charge(cost, in_.budget_bytes(), err_);
}

// The declaration of a binding as an XML literal writes it, namespace
// expanded (so the literal stands alone) and checked; null (err_ set) when
// it cannot be written.
const std::string* RdfXmlParser::literal_declaration(const NamespaceScope::Binding& b) {
    NamespaceScope::Binding::LiteralForm& d = b.literal;
    if (!d.known) {
        std::string ns;
        d.known = true;
        d.ok = expand_references(b.ns, entities_, rules(), ns, err_);
        if (d.ok) {
            if (auto e = rdf::iri_error(ns)) d.ok = fail_iri(ns, *e);
        }
        if (!d.ok) {
            d.text = err_;
        } else {
            d.text = b.prefix.empty() ? " xmlns" : " xmlns:";
            d.text.append(b.prefix);
            d.text.append("=\"");
            append_escaped_attr(d.text, ns);
            d.text.push_back('"');
        }
    }
    if (d.ok) return &d.text;
    err_ = d.text;
    return nullptr;
}

// A start tag inside an XML literal is copied into the literal's markup.
bool RdfXmlParser::literal_start_tag() {
    State& top = state_.back();
    std::string& w = top.literal;
    w.push_back('<');
    w.append(ev_.name);
    bool outermost = in_literal_depth_ == 0;
    for (const XmlAttribute& a : ev_.attrs) {
        bool is_decl = a.name.substr(0, 5) == "xmlns" && (a.name.size() == 5 || a.name[5] == ':');
        if (is_decl) {
            if (outermost) continue;  // written below with every binding in scope
            // Declarations are written expanded so the literal stands alone.
            if (!expand_references(a.value, entities_, rules(), scratch_ = std::string(), err_)) return false;
            w.push_back(' ');
            w.append(a.name);
            w.append("=\"");
            if (!charge_escapes(escaped_attr_growth(scratch_))) return false;
            append_escaped_attr(w, scratch_);
            w.push_back('"');
            continue;
        }
        w.push_back(' ');
        w.append(a.name);
        w.append("=\"");
        // A single-quoted value may hold '"', which must not end the copy.
        for (char c : a.value) {
            if (c == '"') w.append("&quot;");
            else w.push_back(c);
        }
        w.push_back('"');
    }
    if (outermost) {
        // Every literal repeats the bindings in force, which a document can
        // make many: each binding's declaration is worked out once, and the
        // bytes written (and the bindings passed over) are charged, so that
        // many literals under many bindings are refused rather than written
        // out in time and memory of the product.
        size_t before = w.size();
        const auto& bindings = scope_.bindings();
        for (const NamespaceScope::Binding& b : bindings) {
            if (b.hidden || b.ns.empty()) continue;
            const std::string* decl = literal_declaration(b);
            if (!decl) return false;
            w.append(*decl);
        }
        if (!literal_budget_.charge(w.size() - before + bindings.size(), in_.budget_bytes(), err_)) return false;
    }
    w.push_back('>');
    ++in_literal_depth_;
    return true;
}

bool RdfXmlParser::read_attributes(ElementAttributes& at) {
    std::string value;
    for (const XmlAttribute& a : ev_.attrs) {
        std::string_view n = a.name;
        if (n.size() > 4 && n.substr(0, 4) == "xml:") {
            std::string_view local = n.substr(4);
            if (local == "lang") {
                if (!convert(a.value, value)) return false;
                rdf::ascii_lowercase(value);
                if (auto e = rdf::language_tag_error(value)) {
                    err_ = "error while parsing language tag '" + value + "': " + *e;
                    return false;
                }
                at.language = value;
            } else if (local == "base") {
                if (!convert(a.value, value)) return false;
                auto r = rdf::Iri::parse(value);
                if (!r) return fail_iri(value, r.error());
                at.base = r.take();
            }
            continue;
        }
        if (n.size() > 2 && n.substr(0, 3) == "xml") continue;  // xmlns declarations and other reserved names
        const NameInfo* aname = name_info(n, true);
        if (!aname) return false;
        const std::string& iri = aname->iri.str();
        std::string_view rl = names::rdf_local(iri);
        if (!rl.empty() && (rl == "ID" || rl == "bagID" || rl == "nodeID")) {
            if (!convert(a.value, value)) return false;
            if (!is_ncname(value)) return fail_msg(value + " is not a valid rdf:" + std::string(rl) + " value");
            if (rl == "ID") at.id = "#" + value;
            else if (rl == "nodeID") at.node_id = value;
        } else if (rl == "about") {
            at.raw_about = a.value;
        } else if (rl == "resource") {
            at.raw_resource = a.value;
        } else if (rl == "datatype") {
            at.raw_datatype = a.value;
        } else if (rl == "type") {
            at.raw_type = a.value;
        } else if (rl == "parseType") {
            if (!convert(a.value, value)) return false;
            at.parse_type = value == "Collection" ? ParseType::Collection
                            : value == "Literal"  ? ParseType::Literal
                            : value == "Resource" ? ParseType::Resource
                                                  : ParseType::Other;
        } else if (!rl.empty() && names::reserved_attribute(rl)) {
            return fail_msg(iri + " is not a valid attribute");
        } else {
            if (aname->iri_error) return fail_iri(iri, *aname->iri_error);
            if (!convert(a.value, value)) return false;
            at.props.emplace_back(aname->iri, value);
        }
    }
    return true;
}

bool RdfXmlParser::resolve_attributes(ElementAttributes& at) {
    std::string value;
    if (at.id) {
        if (!resolve_ref(at.base, *at.id, value)) return false;
        if (known_rdf_id_.find(value) != known_rdf_id_.end()) return fail_msg(value + " has already been used as rdf:ID value");
        known_rdf_id_.insert(value);
        at.id = std::move(value);
    }
    const std::pair<std::optional<std::string_view>*, std::optional<std::string>*> refs[] = {
        {&at.raw_about, &at.about}, {&at.raw_resource, &at.resource}, {&at.raw_datatype, &at.datatype}, {&at.raw_type, &at.type}};
    for (auto [raw, resolved] : refs) {
        if (!*raw) continue;
        if (!convert(**raw, value) || !resolve_ref(at.base, value, resolved->emplace())) return false;
    }
    return true;
}

bool RdfXmlParser::start_tag() {
    if (!push_bindings()) return false;
    if (state_.empty()) return fail_msg("No state in the stack: the XML is not balanced");
    if (state_.back().kind == StateKind::Literal) return literal_start_tag();

    // The element's name stays where it is while the attributes are read:
    // their names go to the other cache.
    const NameInfo* ename = name_info(ev_.name, false);
    if (!ename) return false;
    ElementAttributes at;
    if (!read_attributes(at) || !resolve_attributes(at)) return false;

    const std::string& elem = ename->iri.str();
    std::string_view el = names::rdf_local(elem);
    switch (state_.back().kind) {
        case StateKind::Doc:
            if (el == "RDF") {
                open_state(StateKind::Rdf, at);
                return true;
            }
            [[fallthrough]];
        case StateKind::Rdf:
        case StateKind::PropertyElt:
        case StateKind::Collection:
            if (!el.empty() && names::reserved_element(el)) return fail_msg("Invalid node element tag name: " + elem);
            if (ename->iri_error) return fail_iri(elem, *ename->iri_error);
            return node_element(*ename, at);
        case StateKind::NodeElt:
        case StateKind::Literal:  // handled above
            break;
    }
    return property_element(*ename, at);
}

State& RdfXmlParser::open_state(StateKind kind, ElementAttributes& at) {
    int32_t self = static_cast<int32_t>(state_.size());
    int32_t base_from = at.base ? self : state_.back().base_from;
    int32_t lang_from = at.language ? self : state_.back().lang_from;
    // Built in place: a State is large, and moving one costs.
    if (state_.size() == state_.capacity()) internal_failure("RDF/XML states outgrew their reserved room");
    State& s = state_.emplace_back();
    s.kind = kind;
    s.base = std::move(at.base);
    s.language = std::move(at.language);
    s.base_from = base_from;
    s.lang_from = lang_from;
    return s;
}

bool RdfXmlParser::node_element(const NameInfo& ename, ElementAttributes& at) {
    if (at.id && at.node_id) return fail_msg("Not both rdf:ID and rdf:nodeID could be set at the same time");
    if (at.id && at.about) return fail_msg("Not both rdf:ID and rdf:about could be set at the same time");
    if (at.node_id && at.about) return fail_msg("Not both rdf:nodeID and rdf:about could be set at the same time");
    // The state first: its triples show the subject and name where they
    // stay until handed out.
    State& node = open_state(StateKind::NodeElt, at);
    if (at.id) node.subject = Term::iri(std::move(*at.id));
    else if (at.node_id) node.subject = Term::blank(std::move(*at.node_id));
    else if (at.about) node.subject = Term::iri(std::move(*at.about));
    else node.subject = fresh_blank();
    node.subject.key = new_key();
    emit_property_attributes(node.subject, at.props);
    rdf::TermRef subject = node.subject.ref();
    if (at.type) add(subject, rdf::TermRef::iri(rdf::vocab::kRdfType), copied(rdf::TermRef::iri(*at.type)));
    if (names::rdf_local(ename.iri.str()) != "Description") {
        node.iri = ename.iri;
        add(subject, rdf::TermRef::iri(rdf::vocab::kRdfType), shared(node.iri));
    }
    return true;
}

// A property element of the node on top of the stack.
bool RdfXmlParser::property_element(const NameInfo& ename, ElementAttributes& at) {
    const std::string& elem = ename.iri.str();
    std::string_view el = names::rdf_local(elem);
    SharedIri prop;
    if (el == "li") {
        prop.text = std::make_shared<const std::string>(names::rdf("_" + std::to_string(++state_.back().li_counter)));
    } else if (!el.empty() && (names::reserved_element(el) || el == "Description")) {
        return fail_msg("Invalid property element tag name: " + elem);
    } else {
        if (ename.iri_error) return fail_iri(elem, *ename.iri_error);
        prop = ename.iri;
    }
    State* s = nullptr;
    switch (at.parse_type) {
        case ParseType::Default: {
            bool has_object = at.resource || at.node_id || !at.props.empty();
            if (has_object && at.resource && at.node_id)
                return fail_msg("Not both rdf:resource and rdf:nodeID could be set at the same time");
            s = &open_state(StateKind::PropertyElt, at);
            s->datatype = std::move(at.datatype);
            if (has_object) {
                s->object_kind = ObjectKind::Node;
                if (at.resource) s->object = Term::iri(std::move(*at.resource));
                else if (at.node_id) s->object = Term::blank(std::move(*at.node_id));
                else s->object = fresh_blank();
                s->object.key = new_key();
                emit_property_attributes(s->object, at.props);
                if (at.type)
                    add(s->object.ref(), rdf::TermRef::iri(rdf::vocab::kRdfType), copied(rdf::TermRef::iri(*at.type)));
            }
            break;
        }
        case ParseType::Collection:
            s = &open_state(StateKind::Collection, at);
            break;
        case ParseType::Literal:
        case ParseType::Other:
            s = &open_state(StateKind::Literal, at);
            s->emit = at.parse_type == ParseType::Literal;
            break;
        case ParseType::Resource: {
            // The parent node stays below until this element closes.
            State& node = open_state(StateKind::NodeElt, at);
            node.subject = fresh_blank();
            node.subject.key = new_key();
            rdf::TermRef subject = state_[state_.size() - 2].subject.ref();
            rdf::TermRef predicate = held(std::move(prop.text), prop.key);  // the name is kept by no state
            rdf::TermRef object = node.subject.ref();
            reify(subject, predicate, object, at.id);
            add(subject, predicate, object);
            return true;
        }
    }
    s->iri = std::move(prop);
    s->id_attr = std::move(at.id);
    return true;
}

void RdfXmlParser::emit_property_attributes(const Term& subject, std::vector<std::pair<SharedIri, std::string>>& props) {
    if (props.empty()) return;
    // The element is open: its language is its own or an ancestor's, read
    // where it was given.
    int32_t from = state_.back().lang_from;
    std::string_view lang = from >= 0 ? std::string_view(*state_[static_cast<size_t>(from)].language) : std::string_view();
    rdf::TermRef s = subject.ref();
    // The names go with the element's attributes: the queue holds them.
    for (auto& [p, v] : props)
        add(s, held(std::move(p.text), p.key), rdf::TermRef{TermKind::Literal, results_text_.keep(v), lang, {}, 0});
}

}  // namespace vg::rdfxml
