// RDF/XML writer.
#include "core/rdf/write/rdfxml_writer.hpp"

#include <cstdint>

#include "core/rdf/read/rdf_names.hpp"
#include "core/rdf/read/xml_chars.hpp"

namespace vg::rdfxml {

namespace {

constexpr std::string_view kItsNs = "http://www.w3.org/2005/11/its";
using names::kXmlnsNs;

// Terms of the RDF/XML syntax itself; they cannot be properties.
bool is_reserved(std::string_view iri) {
    std::string_view local = names::rdf_local(iri);
    if (local.empty()) return false;
    for (std::string_view r :
         {"RDF", "ID", "about", "nodeID", "resource", "datatype", "parseType", "Description", "li"})
        if (local == r) return true;
    return false;
}

void escape_attribute(std::string& out, std::string_view v) {
    size_t run = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        const char* rep = nullptr;
        switch (v[i]) {
            case '<': rep = "&lt;"; break;
            case '>': rep = "&gt;"; break;
            case '&': rep = "&amp;"; break;
            case '"': rep = "&quot;"; break;
            case '\'': rep = "&apos;"; break;
            case '\t': rep = "&#9;"; break;
            case '\n': rep = "&#10;"; break;
            case '\r': rep = "&#13;"; break;
            default: continue;
        }
        out.append(v.substr(run, i - run));
        out += rep;
        run = i + 1;
    }
    out.append(v.substr(run));
}

constexpr std::string_view kReservedPredicate = "RDF/XML reserved syntax term is not allowed as a predicate";

}  // namespace

RdfXmlWriter::RdfXmlWriter(std::string& out, const std::map<std::string, std::string>& prefixes) : out_(out) {
    for (const auto& [prefix, ns] : prefixes) {
        if (prefix == "rdf" || prefix == "its") continue;
        prefix_by_ns_[ns] = prefix;
    }
    prefix_by_ns_[std::string(names::kRdf)] = "rdf";
    prefix_by_ns_[std::string(kItsNs)] = "its";
    for (const auto& entry : prefix_by_ns_)
        if (entry.second.empty()) custom_default_prefix_ = true;
}

RdfXmlName RdfXmlWriter::qualified_name(std::string_view iri) const {
    // The local part starts at the first name start character after the
    // last character that cannot be inside a local name.
    size_t brk = std::string_view::npos;
    for (size_t i = 0; i < iri.size();) {
        size_t at = i;
        uint32_t c = decode_utf8(iri, i);
        if (!is_xml_name_char(c) || c == ':') brk = at;
    }
    size_t split = iri.size();
    if (brk != std::string_view::npos) {
        for (size_t i = brk; i < iri.size();) {
            size_t at = i;
            uint32_t c = decode_utf8(iri, i);
            if (c != ':' && is_xml_name_start_char(c)) {
                split = at;
                break;
            }
        }
    }
    std::string_view ns = iri.substr(0, split);
    std::string_view local = iri.substr(split);
    RdfXmlName r;
    // A name made of a prefix and an empty local part, or one with the
    // prefix that XML keeps for namespace declarations, is not well-formed.
    if (local.empty()) {
        r.error = "IRI '" + std::string(iri) + "' cannot be written as an RDF/XML element name";
        return r;
    }
    if (auto it = prefix_by_ns_.find(ns); it != prefix_by_ns_.end()) {
        r.name = it->second.empty() ? std::string(local) : it->second + ":" + std::string(local);
    } else if (ns == kXmlnsNs) {
        r.error = "IRI '" + std::string(iri) + "' cannot be written as an RDF/XML element name";
    } else if (!custom_default_prefix_) {
        r.name = local;
        r.decl_name = "xmlns";
        r.decl_value = ns;
    } else {
        r.name = "oxprefix:" + std::string(local);
        r.decl_name = "xmlns:oxprefix";
        r.decl_value = ns;
    }
    return r;
}

void RdfXmlWriter::line() {
    if (!line_break_) return;
    out_ += '\n';
    out_.append(size_t(depth_), '\t');
}

void RdfXmlWriter::open_tag(std::string_view name) {
    line();
    out_ += '<';
    out_ += name;
}

void RdfXmlWriter::attribute(std::string_view name, std::string_view value) {
    out_ += ' ';
    out_ += name;
    out_ += "=\"";
    escape_attribute(out_, value);
    out_ += '"';
}

void RdfXmlWriter::close_start() {
    out_ += '>';
    ++depth_;
    line_break_ = true;
}

void RdfXmlWriter::close_empty() {
    out_ += "/>";
    line_break_ = true;
}

void RdfXmlWriter::end_tag(std::string_view name) {
    --depth_;
    line();
    out_ += "</";
    out_ += name;
    out_ += '>';
    line_break_ = true;
}

void RdfXmlWriter::start_document() {
    out_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    line_break_ = true;
    open_tag("rdf:RDF");
    for (const auto& [ns, prefix] : prefix_by_ns_) attribute(prefix.empty() ? "xmlns" : "xmlns:" + prefix, ns);
    close_start();
    started_ = true;
}

RdfXmlName RdfXmlWriter::property_name(std::string_view predicate) const {
    if (is_reserved(predicate)) {
        RdfXmlName r;
        r.error = kReservedPredicate;
        return r;
    }
    return qualified_name(predicate);
}

const RdfXmlName& RdfXmlWriter::numbered_property_name(std::string_view predicate, uint32_t number) {
    if (number == last_number_) return *last_numbered_;
    auto [it, added] = numbered_.try_emplace(number);
    PropertyName& p = it->second;
    if (added) {
        p.name = property_name(predicate);
        // The name's view of the namespace points into this copy instead of
        // the caller's text; the map never moves its entries.
        p.ns = p.name.decl_value;
        p.name.decl_value = p.ns;
    }
    last_number_ = number;
    last_numbered_ = &p.name;
    return p.name;
}

std::string RdfXmlWriter::triple(const RdfXmlTerm& subject, std::string_view predicate, const RdfXmlTerm& object,
                                 uint32_t predicate_number) {
    // Terms from graph nodes are compared by node: a long id costs nothing
    // per triple beyond its writing.
    bool new_subject = !has_subject_ || subject.blank != subject_blank_ ||
                       (subject.node != kNoNode || subject_node_ != kNoNode
                            ? subject.node != subject_node_
                            : subject.value != std::string_view(subject_text_));
    // A first rdf:type triple names the node element after the type when
    // the type has an element name; otherwise it becomes a property.
    RdfXmlName type_name;
    bool typed = false;
    if (new_subject && predicate == rdf::vocab::kRdfType && !object.blank && !is_reserved(object.value)) {
        type_name = qualified_name(object.value);
        typed = type_name.error.empty();
    }
    RdfXmlName unnumbered;
    const RdfXmlName* property = &unnumbered;
    if (!typed) {
        if (predicate_number != kNoNumber) property = &numbered_property_name(predicate, predicate_number);
        else unnumbered = property_name(predicate);
        if (!property->error.empty()) return property->error;
    }

    if (!started_) start_document();
    if (new_subject) {
        if (has_subject_) end_tag(element_ ? std::string_view(*element_) : "rdf:Description");
        element_.reset();
        has_subject_ = true;
        if (subject.node == kNoNode) subject_text_.assign(subject.value);
        subject_blank_ = subject.blank;
        subject_node_ = subject.node;
        if (typed) {
            open_tag(type_name.name);
            if (!type_name.decl_name.empty()) attribute(type_name.decl_name, type_name.decl_value);
            element_ = std::move(type_name.name);
        } else {
            open_tag("rdf:Description");
        }
        attribute(subject.blank ? "rdf:nodeID" : "rdf:about", subject.value);
        close_start();
        if (typed) return std::string();
    }
    open_tag(property->name);
    if (!property->decl_name.empty()) attribute(property->decl_name, property->decl_value);
    attribute(object.blank ? "rdf:nodeID" : "rdf:resource", object.value);
    close_empty();
    return std::string();
}

std::string RdfXmlWriter::finish() {
    if (has_subject_) end_tag(element_ ? std::string_view(*element_) : "rdf:Description");
    else if (!started_) start_document();
    has_subject_ = false;
    element_.reset();
    end_tag("rdf:RDF");
    return std::string();
}

}  // namespace vg::rdfxml
