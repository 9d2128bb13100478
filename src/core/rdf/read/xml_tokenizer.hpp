// A strict, streaming pull tokenizer for XML 1.0 / 1.1 documents in UTF-8.
//
// It checks well-formedness (characters, names, tag and attribute syntax,
// duplicate attributes, end-tag matching, one root element, unterminated
// constructs, elements left open at the end) but does no DTD processing and
// expands no references: entity and character references in text come out
// as their own events, attribute values come out raw, and the DOCTYPE comes
// out as one raw event. Empty-element tags come out as a start and an end
// event. Views in an event stay valid until the next call of next().
//
// It reads through the shared text cursor: each token is marked from its
// first byte, so a refill keeps it whole; a byte cap is the cursor's, which
// ends the input there. Characters are checked as the scan for a token's end
// passes over them, so of two faults the one met first in the document is
// the one reported, whether the text comes from a string or a file.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/io/text_input.hpp"

namespace vg::rdfxml {

enum class XmlEventKind { StartTag, EndTag, Text, CData, Comment, Decl, PI, Doctype, Reference, Eof };

struct XmlAttribute {
    std::string_view name;
    std::string_view value;  // raw, between the quotes
};

struct XmlEvent {
    XmlEventKind kind = XmlEventKind::Eof;
    std::string_view name;  // tag name, reference name (between '&' and ';'), PI target
    std::string_view text;  // text, CDATA, comment, PI data, DOCTYPE content after the keyword
    std::string_view version;   // declaration
    std::string_view encoding;  // declaration; empty when absent
    bool has_encoding = false;
    std::vector<XmlAttribute> attrs;  // start tag, document order
};

struct XmlError {
    bool io = false;
    std::string message;
};

class XmlTokenizer {
public:
    // Open elements allowed at once; deeper documents are refused.
    static constexpr size_t kMaxDepth = 10000;

    explicit XmlTokenizer(TextInput& text) : text_(text) {}
    XmlTokenizer(const XmlTokenizer&) = delete;
    XmlTokenizer& operator=(const XmlTokenizer&) = delete;

    // Reads the next event. On false, err holds the failure and the
    // tokenizer must not be used again.
    bool next(XmlEvent& ev, XmlError& err);

    size_t depth() const { return open_.size(); }

private:
    enum class Phase : uint8_t { Prolog, Root, Epilog };

    // The cursor moves through the token; offsets below are from its mark.
    uint64_t token_offset(size_t k) const { return text_.mark_offset() + k; }
    size_t token_length() const { return text_.marked().size(); }
    template <class Find>
    bool seek(Find&& find);
    bool seek_literal(std::string_view lit);
    void check_new();
    bool refill();
    bool input_failed();
    bool ahead(size_t k, std::string_view lit);
    bool fail(uint64_t offset, const std::string& msg);
    bool unterminated(const char* what);

    bool markup(XmlEvent& ev);
    enum class TagRead : uint8_t { Done, Failed, Retry };
    bool start_tag(XmlEvent& ev);
    TagRead read_tag(std::string_view tag, bool checked, XmlEvent& ev, size_t& gt, bool& empty);
    bool end_tag(XmlEvent& ev);
    bool text(XmlEvent& ev);
    bool reference(XmlEvent& ev);
    bool comment(XmlEvent& ev);
    bool cdata(XmlEvent& ev);
    bool pi(XmlEvent& ev);
    bool declaration(XmlEvent& ev, std::string_view token);
    bool doctype(XmlEvent& ev);
    bool finish(XmlEvent& ev);
    std::string_view top_name() const;

    TextInput& text_;
    XmlError* err_ = nullptr;
    // Bytes before the offset checked_ are checked as characters; a fault
    // found there waits at fault_ until the scan reaches it.
    uint64_t checked_ = 0;
    uint64_t fault_ = UINT64_MAX;
    std::string fault_msg_;

    Phase phase_ = Phase::Prolog;
    bool started_ = false;
    uint64_t bom_ = 0;
    bool any_event_ = false;
    bool seen_doctype_ = false;
    bool pending_end_ = false;
    bool pop_pending_ = false;
    bool done_ = false;
    std::string names_;              // names of the open elements, back to back
    std::vector<uint32_t> open_;     // start of each open name in names_
};

}  // namespace vg::rdfxml
