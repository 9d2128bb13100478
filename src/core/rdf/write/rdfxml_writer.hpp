// RDF/XML writer: triples of IRIs and blank nodes (never literals) as one
// document, a node element per run of triples with the same subject and an
// empty property element per triple, indented with one TAB per level.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vg::rdfxml {

// A subject or object: an IRI, or a blank node label (without "_:"), and
// the graph node it names when it comes from one (kNoNode otherwise).
inline constexpr uint32_t kNoNode = UINT32_MAX;
struct RdfXmlTerm {
    std::string_view value;
    bool blank = false;
    uint32_t node = kNoNode;
};

// XML name for an IRI: `name`, plus a namespace declaration attribute when
// `decl_name` is not empty. `error` is set instead when the IRI has no
// name that makes well-formed XML.
struct RdfXmlName {
    std::string name;
    std::string decl_name;
    std::string_view decl_value;
    std::string error;
};

class RdfXmlWriter {
public:
    // `prefixes` maps prefix to namespace IRI; entries for "rdf" and "its"
    // are replaced by the writer's own.
    explicit RdfXmlWriter(std::string& out, const std::map<std::string, std::string>& prefixes = {});

    // Appends the elements of one triple; a non-empty result is the failure
    // and nothing of that triple is written. Two subjects are one when both
    // name the same node, or neither names a node and their texts match. A
    // caller that numbers its predicates (one number per distinct text,
    // below kNoNumber) passes the number: the element name is then worked
    // out once per number instead of once per triple.
    static constexpr uint32_t kNoNumber = UINT32_MAX;
    std::string triple(const RdfXmlTerm& subject, std::string_view predicate, const RdfXmlTerm& object,
                       uint32_t predicate_number = kNoNumber);
    // Closes the open elements (an empty document when no triple came).
    std::string finish();

    RdfXmlName qualified_name(std::string_view iri) const;

private:
    // The property element name of a predicate, or the error that it has
    // none; a numbered one holds its own copy of the namespace.
    struct PropertyName {
        RdfXmlName name;
        std::string ns;
    };
    RdfXmlName property_name(std::string_view predicate) const;
    const RdfXmlName& numbered_property_name(std::string_view predicate, uint32_t number);

    void start_document();
    void open_tag(std::string_view name);
    void attribute(std::string_view name, std::string_view value);
    void close_start();
    void close_empty();
    void end_tag(std::string_view name);
    void line();

    std::string& out_;
    std::map<std::string, std::string, std::less<>> prefix_by_ns_;
    bool custom_default_prefix_ = false;
    bool started_ = false;
    bool has_subject_ = false;
    bool subject_blank_ = false;
    uint32_t subject_node_ = kNoNode;
    std::string subject_text_;  // kept only for a subject that names no node
    std::unordered_map<uint32_t, PropertyName> numbered_;
    const RdfXmlName* last_numbered_ = nullptr;
    uint32_t last_number_ = kNoNumber;
    std::optional<std::string> element_;  // name of a typed node element
    int depth_ = 0;
    bool line_break_ = false;
};

}  // namespace vg::rdfxml
