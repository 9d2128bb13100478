// Tokens of the Turtle family (N-Triples, N-Quads, Turtle, TriG) over the
// shared text cursor. The lexer knows no grammar: the readers decide which
// tokens a syntax allows where. Token texts are views that stay valid until
// the next call to next(); escapes are decoded, IRIs are neither resolved
// nor validated here.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/rdf/read/reader.hpp"

namespace vg::rdf {

enum class Tok : uint8_t {
    Eof,
    IriRef,    // text: the IRI reference between '<' and '>'
    PName,     // text: prefix (no ':'), local: local name, escapes decoded
    Blank,     // text: the label after "_:"
    String,    // text: the value; quote and long_string tell the form
    AtWord,    // text: the word after '@' (a language tag or a directive)
    Carets,    // "^^"
    Integer,   // text: the lexical form, likewise for Decimal and Double
    Decimal,
    Double,
    Word,      // text: a bare word (a, true, false, PREFIX, BASE, GRAPH)
    Punct,     // punct: one of [ ] ( ) { } . ; ,
};

struct Token {
    Tok kind = Tok::Eof;
    char punct = 0;
    char quote = 0;
    bool long_string = false;
    bool newline_before = false;  // a line end between the previous token and this one
    bool plain_local = false;     // PName: the local name is letters, digits and "_-.:", unescaped
    std::string_view text;
    std::string_view local;
    uint64_t begin = 0;  // offsets of the token's first byte and of the byte after it
    uint64_t end = 0;
};

class TurtleLexer {
public:
    explicit TurtleLexer(RdfInput& in) : in_(in), text_(in.text) {}

    // Reads the next token; false on an error (message in error()). The
    // byte cap is the cursor's: past it the input simply ends.
    bool next(Token& t);

    const std::string& error() const { return error_; }

    // Records an error spanning [begin, end) in the positioned form and
    // returns false.
    bool fail(std::string_view msg, uint64_t begin, uint64_t end);
    bool fail_token(std::string_view msg, const Token& t) { return fail(msg, t.begin, t.end); }

private:
    RdfInput& in_;
    TextInput& text_;
    std::string buf_;    // decoded token text when escapes are present
    std::string local_;  // decoded local name of a prefixed name
    std::string error_;
    bool started_ = false;
    uint64_t start_ = 0;  // offset of the current token's first byte

    bool skip_space(bool& newline);
    bool lex_iri(Token& t);
    bool lex_string(Token& t, char quote);
    bool string_escape(uint64_t at);  // the escape at the cursor's '\\' (offset at), decoded into buf_

    // Moves the cursor to the next byte that `stop` marks, copying the bytes
    // passed into buf_ when `copy`, reading more input as needed. Returns
    // that byte (not consumed), or kEof where the input ends.
    using StopTable = std::array<bool, 256>;
    int scan_to(const StopTable& stop, bool copy);
    // One UTF-8 sequence at the cursor, copied into buf_ when `copy`.
    bool take_utf8(bool copy);
    // The length of the run of '.' at the cursor (not consumed).
    size_t dots_at();
    bool skip_name_rest();
    bool lex_name(Token& t);
    bool lex_local(Token& t);
    bool lex_blank(Token& t);
    bool lex_at(Token& t);
    bool lex_number(Token& t);

    // The code point k bytes ahead (not consumed), its byte length in *len;
    // -1 at the end of the input, -2 for a broken UTF-8 sequence.
    int32_t cp_at(size_t k, int* len);
    bool bad_utf8(uint64_t at) { return fail("Invalid UTF-8 sequence", at, at); }
    bool eof_in(const char* what);
    // Decodes \uXXXX or \UXXXXXXXX (cursor on 'u' or 'U') into buf_.
    bool uchar();
};

// Code point classes of the Turtle grammar's names.
bool is_pn_chars_base(int32_t c);
inline bool is_pn_chars_u(int32_t c) { return c == '_' || is_pn_chars_base(c); }
inline bool is_pn_chars(int32_t c) {
    return is_pn_chars_u(c) || c == '-' || (c >= '0' && c <= '9') || c == 0xB7 || (c >= 0x300 && c <= 0x36F) ||
           (c >= 0x203F && c <= 0x2040);
}

}  // namespace vg::rdf

namespace vg::rdf {

// What a token is called in "expected ..., found ..." messages.
std::string describe(const Token& t);

// Checks the language tag of a literal token and writes it lowercased into
// `out`; false (with the lexer's error set) when it is not well-formed.
bool take_language(TurtleLexer& lex, const Token& t, std::string& out);

// Checks that `iri` (the text of token t) is absolute; false with the
// lexer's error set otherwise.
bool check_absolute(TurtleLexer& lex, const Token& t, std::string_view iri);

}  // namespace vg::rdf
