// A strict, streaming pull tokenizer for XML 1.0 / 1.1 documents in UTF-8.
//
// It checks well-formedness (characters, names, tag and attribute syntax,
// duplicate attributes, end-tag matching, one root element, unterminated
// constructs, elements left open at the end) but does no DTD processing and
// expands no references: entity and character references in text come out
// as their own events, attribute values come out raw, and the DOCTYPE comes
// out as one raw event. Empty-element tags come out as a start and an end
// event. Views in an event stay valid until the next call of next().
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
    bool over_cap = false;  // the input passed its byte cap
    std::string message;
};

class XmlTokenizer {
public:
    // Open elements allowed at once; deeper documents are refused.
    static constexpr size_t kMaxDepth = 10000;

    // Reads through the shared cursor; stops with over_cap once more than
    // max_bytes have been read.
    XmlTokenizer(TextInput& in, uint64_t max_bytes);
    XmlTokenizer(const XmlTokenizer&) = delete;
    XmlTokenizer& operator=(const XmlTokenizer&) = delete;

    // Reads the next event. On false, err holds the failure and the
    // tokenizer must not be used again.
    bool next(XmlEvent& ev, XmlError& err);

    // Bytes of input taken in so far.
    uint64_t bytes_read() const { return in_.offset() + n_; }
    size_t depth() const { return open_.size(); }

private:
    enum class Phase { Prolog, Root, Epilog };

    size_t avail() const { return valid_; }
    bool more(size_t want);
    bool fail(size_t off, const std::string& msg);
    bool validate_new(bool final);
    bool at(size_t off, std::string_view lit);

    bool start_tag(XmlEvent& ev);
    bool end_tag(XmlEvent& ev);
    bool text(XmlEvent& ev);
    bool reference(XmlEvent& ev);
    bool comment(XmlEvent& ev);
    bool cdata(XmlEvent& ev);
    bool pi(XmlEvent& ev);
    bool declaration(XmlEvent& ev, size_t close);
    bool doctype(XmlEvent& ev);
    bool finish(XmlEvent& ev);
    size_t scan_name(size_t i, size_t end);
    std::string_view top_name() const;

    TextInput& in_;
    uint64_t max_bytes_;
    const char* d_ = nullptr;  // always in_.cur()
    size_t n_ = 0;      // bytes in the buffer
    size_t valid_ = 0;  // bytes checked as XML characters
    size_t pos_ = 0;
    bool eof_ = false;
    XmlError* err_ = nullptr;

    Phase phase_ = Phase::Prolog;
    bool started_ = false;
    size_t bom_ = 0;
    bool any_event_ = false;
    bool seen_doctype_ = false;
    bool pending_end_ = false;
    bool pop_pending_ = false;
    bool done_ = false;
    std::string names_;              // names of the open elements, back to back
    std::vector<uint32_t> open_;     // start of each open name in names_
};

}  // namespace vg::rdfxml
