// Entity references, character references and line ends: the text
// conversions of the RDF/XML reader. Every expansion draws on one budget
// per document, so nested entity declarations cannot blow up memory.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/rdf/read/byte_budget.hpp"
#include "core/support/hash.hpp"

namespace vg::rdfxml {

class Entities {
public:
    // Replacement text of a named entity: the five predefined ones (which
    // cannot be redefined), then the declared ones.
    const std::string* resolve(std::string_view name) const;
    void declare(std::string name, std::string value) { declared_[std::move(name)] = std::move(value); }

    // Expansion budget: bytes produced by entity replacement so far, against
    // budget_limit(input_bytes) (byte_budget.hpp).
    bool charge(size_t n, uint64_t input_bytes, std::string& err) { return spent_.charge(n, input_bytes, err); }

private:
    std::unordered_map<std::string, std::string, KeyedHash, std::equal_to<>> declared_;
    rdf::ByteBudget spent_{"entity expansion exceeds its limit of "};
    std::string predefined_[5] = {"\"", "'", "&", "<", ">"};
};

struct TextRules {
    bool xml11 = false;
    uint64_t input_bytes = 0;
};

// Code point of a character reference name ("#38", "#x26"); false when it
// is malformed or names no allowed character.
bool char_ref_value(std::string_view name, bool xml11, uint32_t& cp);

// Appends s to out with line ends normalised (XML 1.0 or 1.1 rules).
void append_normalized_lines(std::string& out, std::string_view s, bool xml11);

// Replaces every reference in s (character references and named entities,
// the replacement text taken as it is). Used for entity values and
// namespace names. Errors are XML errors.
bool expand_references(std::string_view s, Entities& ents, const TextRules& rules, std::string& out, std::string& err);

// Attribute-value normalisation for CDATA attributes: white space to
// spaces, references replaced, replacement texts normalised in turn.
bool normalize_attribute(std::string_view raw, Entities& ents, const TextRules& rules, std::string& out,
                         std::string& err);

// Escapes character data for an XML literal.
void append_escaped_text(std::string& out, std::string_view s);
// Escapes an attribute value for an XML literal (double-quoted).
void append_escaped_attr(std::string& out, std::string_view s);
// The bytes the escapes of each form add to s (before it is written).
size_t escaped_text_growth(std::string_view s);
size_t escaped_attr_growth(std::string_view s);

}  // namespace vg::rdfxml
