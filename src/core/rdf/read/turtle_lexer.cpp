#include "core/rdf/read/turtle_lexer.hpp"

#include <array>

#include "core/io/utf8.hpp"

namespace vg::rdf {

namespace {

constexpr int kEof = TextInput::kEof;

constexpr bool is_digit(int c) { return c >= '0' && c <= '9'; }
inline bool is_hex(int c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
constexpr bool is_alpha(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline int hex_value(int c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

// Bytes that end a plain run inside '<...>': the closing '>', characters
// an IRI reference may not hold, the escape '\\', and non-ASCII bytes
// (checked as UTF-8 one sequence at a time).
constexpr std::array<bool, 256> make_iri_stops() {
    std::array<bool, 256> t{};
    for (int c = 0; c < 256; ++c) t[c] = c <= 0x20 || c >= 0x80;
    for (char c : std::string_view("<>\"{}|^`\\")) t[static_cast<unsigned char>(c)] = true;
    return t;
}
constexpr std::array<bool, 256> kIriStop = make_iri_stops();

// Bytes that end a plain run inside a string quoted with q: the quote, the
// escape '\\', line ends, and non-ASCII bytes.
constexpr std::array<bool, 256> make_string_stops(char q) {
    std::array<bool, 256> t{};
    for (int c = 0x80; c < 256; ++c) t[c] = true;
    for (char c : {q, '\\', '\n', '\r'}) t[static_cast<unsigned char>(c)] = true;
    return t;
}
constexpr std::array<bool, 256> kDoubleQuotedStop = make_string_stops('"');
constexpr std::array<bool, 256> kSingleQuotedStop = make_string_stops('\'');

// Bytes that end a plain run inside a comment: line ends, and non-ASCII
// bytes (a comment must still be UTF-8).
constexpr std::array<bool, 256> make_comment_stops() {
    std::array<bool, 256> t{};
    for (int c = 0x80; c < 256; ++c) t[c] = true;
    t['\n'] = t['\r'] = true;
    return t;
}
constexpr std::array<bool, 256> kCommentStop = make_comment_stops();

// Bytes that end a run of digits, of letters, and of letters and digits.
template <class Keep>
constexpr std::array<bool, 256> make_stops_but(Keep keep) {
    std::array<bool, 256> t{};
    for (int c = 0; c < 256; ++c) t[c] = !keep(c);
    return t;
}
constexpr std::array<bool, 256> kDigitRunStop = make_stops_but([](int c) { return is_digit(c); });
constexpr std::array<bool, 256> kLetterRunStop = make_stops_but([](int c) { return is_alpha(c); });
constexpr std::array<bool, 256> kAlnumRunStop = make_stops_but([](int c) { return is_alpha(c) || is_digit(c); });

// ASCII characters that continue a prefix or blank-node label (PN_CHARS),
// and those that continue a local name (PN_CHARS and ':'); other bytes,
// '.' and non-ASCII ones included, take the careful path.
enum : uint8_t { kPnChar = 1, kLocalChar = 2 };
constexpr std::array<uint8_t, 256> make_name_chars() {
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 128; ++c)
        if (is_alpha(c) || is_digit(c) || c == '_' || c == '-') t[c] = kPnChar | kLocalChar;
    t[':'] = kLocalChar;
    return t;
}
constexpr std::array<uint8_t, 256> kNameChar = make_name_chars();

// The end of the run of plain name characters (those with `bits`) from p.
inline const char* name_run(const char* p, const char* e, uint8_t bits) {
    while (p < e && (kNameChar[static_cast<unsigned char>(*p)] & bits)) ++p;
    return p;
}

// How a byte shows in a message: printable ASCII as itself, others in hex.
std::string shown(int c) {
    if (c > 0x20 && c < 0x7F) return std::string(1, char(c));
    static constexpr char kHex[] = "0123456789ABCDEF";
    return std::string("U+00") + kHex[(c >> 4) & 15] + kHex[c & 15];
}

}  // namespace

bool is_pn_chars_base(int32_t c) {
    if (c < 0x80) return is_alpha(c);
    return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) ||
           (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool TurtleLexer::fail(std::string_view msg, uint64_t begin, uint64_t end) {
    TextPosition a = text_.position_at(begin);
    TextPosition b = end > begin ? text_.position_at(end) : a;
    std::string m = "Parser error ";
    if (a.line == b.line && b.char_column <= a.char_column + 1) {
        m += "at line " + std::to_string(a.line) + " column " + std::to_string(a.char_column);
    } else if (a.line == b.line) {
        m += "at line " + std::to_string(a.line) + " between columns " + std::to_string(a.char_column) + " and " +
             std::to_string(b.char_column);
    } else {
        m += "between line " + std::to_string(a.line) + " column " + std::to_string(a.char_column) + " and line " +
             std::to_string(b.line) + " column " + std::to_string(b.char_column);
    }
    m += ": ";
    m += msg;
    error_ = std::move(m);
    return false;
}

bool TurtleLexer::eof_in(const char* what) {
    if (text_.failed()) {
        error_ = text_.read_error().message;
        return false;
    }
    return fail(std::string("unexpected end of file in ") + what, start_, text_.offset());
}

int32_t TurtleLexer::cp_at(size_t k, int* len) {
    int b = text_.peek_at(k);
    if (b == kEof) return -1;
    if (b < 0x80) {
        *len = 1;
        return b;
    }
    unsigned char tmp[4] = {uint8_t(b), 0, 0, 0};
    int have = 1;
    for (; have < 4; ++have) {
        int x = text_.peek_at(k + have);
        if (x == kEof) break;
        tmp[have] = uint8_t(x);
    }
    int bad = 0;
    int n = utf8_sequence(tmp, tmp + have, &bad);
    if (n <= 0) return -2;
    uint32_t cp = tmp[0] & (0x7F >> n);
    for (int i = 1; i < n; ++i) cp = (cp << 6) | (tmp[i] & 0x3F);
    *len = n;
    return int32_t(cp);
}

bool TurtleLexer::skip_space(bool& newline) {
    for (;;) {
        const char* p = text_.cur();
        const char* e = text_.limit();
        while (p < e) {
            char c = *p;
            if (c == ' ' || c == '\t') {
                ++p;
            } else if (c == '\n' || c == '\r') {
                newline = true;
                ++p;
            } else if (c == '#') {
                // A comment runs to the line end (or the end of the input).
                text_.advance_to(p + 1);
                for (;;) {
                    int b = scan_to(kCommentStop, false);
                    if (b < 0x80) break;
                    if (!take_utf8(false)) return false;
                }
                p = text_.cur();
                e = text_.limit();
            } else {
                text_.advance_to(p);
                return true;
            }
        }
        text_.advance_to(p);
        if (text_.peek() == kEof) return true;
    }
}

bool TurtleLexer::next(Token& t) {
    text_.unmark();
    if (!started_) {
        // A byte order mark, as some editors write, is not part of the text.
        started_ = true;
        if (text_.peek() == 0xEF && text_.peek_at(1) == 0xBB && text_.peek_at(2) == 0xBF)
            text_.advance_to(text_.cur() + 3);
    }
    in_.tick();
    bool newline = false;
    if (!skip_space(newline)) return false;
    t = Token{};
    t.newline_before = newline;
    start_ = text_.offset();
    t.begin = start_;
    text_.mark();
    int c = text_.peek();
    bool ok = true;
    switch (c) {
        case kEof:
            if (text_.failed()) {
                error_ = text_.read_error().message;
                return false;
            }
            t.kind = Tok::Eof;
            break;
        case '<': ok = lex_iri(t); break;
        case '"':
        case '\'': ok = lex_string(t, char(c)); break;
        case '@': ok = lex_at(t); break;
        case '_':
            if (text_.peek_at(1) != ':') return fail("expected ':' after '_' of a blank node", start_, start_ + 1);
            ok = lex_blank(t);
            break;
        case '^':
            if (text_.peek_at(1) != '^') return fail("expected '^^'", start_, start_ + 1);
            text_.skip();
            text_.skip();
            t.kind = Tok::Carets;
            break;
        case '[': case ']': case '(': case ')': case '{': case '}': case ';': case ',':
            text_.skip();
            t.kind = Tok::Punct;
            t.punct = char(c);
            break;
        case '.':
            if (is_digit(text_.peek_at(1))) {
                ok = lex_number(t);
            } else {
                text_.skip();
                t.kind = Tok::Punct;
                t.punct = '.';
            }
            break;
        case '+': case '-': case '0': case '1': case '2': case '3': case '4':
        case '5': case '6': case '7': case '8': case '9':
            ok = lex_number(t);
            break;
        case ':': ok = lex_name(t); break;
        default: {
            int len = 0;
            int32_t cp = cp_at(0, &len);
            if (cp == -2) return bad_utf8(start_);
            if (!is_pn_chars_base(cp)) {
                std::string what = cp < 0x80 ? shown(cp) : std::string(text_.cur(), size_t(len));
                return fail("unexpected character '" + what + "'", start_, start_ + 1);
            }
            ok = lex_name(t);
        }
    }
    if (!ok) return false;
    t.end = text_.offset();
    return true;
}

bool TurtleLexer::uchar() {
    int u = text_.next();  // 'u' or 'U'
    int digits = u == 'u' ? 4 : 8;
    uint32_t cp = 0;
    for (int i = 0; i < digits; ++i) {
        int h = text_.peek();
        if (!is_hex(h)) {
            uint64_t at = text_.offset();
            if (h == kEof) return eof_in("an escape sequence");
            return fail("invalid escape sequence: expected a hexadecimal digit", at, at + 1);
        }
        text_.skip();
        cp = (cp << 4) | uint32_t(hex_value(h));
    }
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
        uint64_t at = text_.offset();
        return fail("invalid escape sequence: not a Unicode scalar value", at - digits - 2, at);
    }
    utf8_append(buf_, cp);
    return true;
}

// Inlined: the scan of IRIs and strings is the lexer's hottest loop.
[[gnu::always_inline]] inline int TurtleLexer::scan_to(const StopTable& stop, bool copy) {
    for (;;) {
        const char* run = text_.cur();
        const char* p = run;
        const char* e = text_.limit();
        while (p < e && !stop[static_cast<unsigned char>(*p)]) ++p;
        if (copy) buf_.append(run, size_t(p - run));
        text_.advance_to(p);
        if (p < e) return static_cast<unsigned char>(*p);
        if (text_.peek() == kEof) return kEof;
    }
}

bool TurtleLexer::take_utf8(bool copy) {
    int bad = 0;
    int n = text_.utf8_length(&bad);
    if (n <= 0) return bad_utf8(text_.offset());
    if (copy) buf_.append(text_.cur(), size_t(n));
    text_.advance_to(text_.cur() + n);
    return true;
}

bool TurtleLexer::lex_iri(Token& t) {
    text_.skip();  // '<'
    bool escaped = false;
    for (;;) {
        int c = scan_to(kIriStop, escaped);
        if (c == kEof) return eof_in("IRI");
        if (c == '>') {
            text_.skip();
            t.kind = Tok::IriRef;
            if (escaped) {
                t.text = buf_;
            } else {
                std::string_view m = text_.marked();
                t.text = m.substr(1, m.size() - 2);
            }
            return true;
        }
        if (c >= 0x80) {
            if (!take_utf8(escaped)) return false;
            continue;
        }
        uint64_t at = text_.offset();
        if (c == '\\') {
            if (!escaped) {
                escaped = true;
                buf_.assign(text_.marked().substr(1));
            }
            text_.skip();
            int u = text_.peek();
            if (u != 'u' && u != 'U') {
                if (u == kEof) return eof_in("IRI");
                return fail("invalid escape sequence in IRI: only \\u and \\U are allowed", at, at + 2);
            }
            if (!uchar()) return false;
            continue;
        }
        return fail("invalid character '" + shown(c) + "' in IRI", at, at + 1);
    }
}

bool TurtleLexer::lex_string(Token& t, char q) {
    bool is_long = text_.peek_at(1) == q && text_.peek_at(2) == q;
    size_t open = is_long ? 3 : 1;
    for (size_t i = 0; i < open; ++i) text_.skip();
    t.kind = Tok::String;
    t.quote = q;
    t.long_string = is_long;
    const StopTable& stop = q == '"' ? kDoubleQuotedStop : kSingleQuotedStop;
    bool escaped = false;
    for (;;) {
        int c = scan_to(stop, escaped);
        if (c == kEof) return eof_in("string");
        uint64_t at = text_.offset();
        if (c == uint8_t(q)) {
            if (!is_long) {
                text_.skip();
                break;
            }
            if (text_.peek_at(1) == q && text_.peek_at(2) == q) {
                text_.skip();
                text_.skip();
                text_.skip();
                break;
            }
            // One or two quotes inside a long string.
            if (escaped) buf_ += q;
            text_.skip();
        } else if (c == '\n' || c == '\r') {
            if (!is_long) return fail("line break in a single-line string", start_, at);
            if (escaped) buf_ += char(c);
            text_.skip();
        } else if (c >= 0x80) {
            if (!take_utf8(escaped)) return false;
        } else {
            if (!escaped) {
                escaped = true;
                buf_.assign(text_.marked().substr(open));
            }
            if (!string_escape(at)) return false;
        }
    }
    if (escaped) {
        t.text = buf_;
    } else {
        std::string_view m = text_.marked();
        t.text = m.substr(open, m.size() - 2 * open);
    }
    return true;
}

bool TurtleLexer::string_escape(uint64_t at) {
    text_.skip();  // '\\'
    int x = text_.peek();
    char plain = 0;
    switch (x) {
        case 't': plain = '\t'; break;
        case 'b': plain = '\b'; break;
        case 'n': plain = '\n'; break;
        case 'r': plain = '\r'; break;
        case 'f': plain = '\f'; break;
        case '"': plain = '"'; break;
        case '\'': plain = '\''; break;
        case '\\': plain = '\\'; break;
        case 'u':
        case 'U': return uchar();
        case kEof: return eof_in("string");
        default: return fail("invalid escape sequence '\\" + shown(x) + "'", at, at + 2);
    }
    buf_ += plain;
    text_.skip();
    return true;
}

size_t TurtleLexer::dots_at() {
    size_t k = 0;
    while (text_.peek_at(k) == '.') ++k;
    return k;
}

// The rest of a prefix or blank node label: PN_CHARS, and dots only where
// a PN_CHARS follows them (a name never ends in '.').
bool TurtleLexer::skip_name_rest() {
    int len = 0;
    for (;;) {
        text_.advance_to(name_run(text_.cur(), text_.limit(), kPnChar));
        int32_t c = cp_at(0, &len);
        if (c == -2) return bad_utf8(text_.offset());
        if (c >= 0 && is_pn_chars(c)) {
            text_.advance_to(text_.cur() + len);
        } else {
            if (c != '.') return true;
            size_t k = dots_at();
            int32_t after = cp_at(k, &len);
            if (after < 0 || !is_pn_chars(after)) return true;
            text_.advance_to(text_.cur() + k);
        }
    }
}

bool TurtleLexer::lex_name(Token& t) {
    // Prefix part (empty when the token starts with ':'), or a bare word.
    if (text_.peek() != ':') {
        int len = 0;
        cp_at(0, &len);  // PN_CHARS_BASE, checked by the caller
        text_.advance_to(text_.cur() + len);
        if (!skip_name_rest()) return false;
    }
    size_t prefix_len = size_t(text_.offset() - start_);
    if (text_.peek() != ':') {
        t.kind = Tok::Word;
        t.text = text_.marked();
        return true;
    }
    text_.skip();
    if (!lex_local(t)) return false;
    t.kind = Tok::PName;
    t.text = text_.marked().substr(0, prefix_len);
    t.local = local_;
    return true;
}

bool TurtleLexer::lex_local(Token& t) {
    local_.clear();
    t.plain_local = true;
    bool first = true;
    for (;;) {
        // A run of plain characters at once (a name does not start with
        // '-'), and the usual end: an ASCII byte that neither continues the
        // name nor starts an escape or a dot.
        const char* p = text_.cur();
        const char* e = text_.limit();
        if (p < e && !(first && *p == '-')) {
            const char* q = name_run(p, e, kLocalChar);
            if (q != p) {
                local_.append(p, size_t(q - p));
                text_.advance_to(q);
                first = false;
            }
            if (q < e) {
                auto b = static_cast<unsigned char>(*q);
                if (b < 0x80 && b != '.' && b != '%' && b != '\\') return true;
            }
        }
        // One character the careful way (reading more input as needed).
        int len = 0;
        int32_t c = cp_at(0, &len);
        if (c == -2) return bad_utf8(text_.offset());
        if (c < 0) return true;
        bool take = first ? (is_pn_chars_u(c) || c == ':' || is_digit(c)) : (is_pn_chars(c) || c == ':');
        if (take) {
            if (len > 1) t.plain_local = false;
            local_.append(text_.cur(), size_t(len));
            text_.advance_to(text_.cur() + len);
        } else if (c == '%') {
            uint64_t at = text_.offset();
            int h1 = text_.peek_at(1), h2 = text_.peek_at(2);
            if (!is_hex(h1) || !is_hex(h2)) return fail("invalid percent escape in a local name", at, at + 3);
            local_.append(text_.cur(), 3);
            text_.advance_to(text_.cur() + 3);
            t.plain_local = false;
        } else if (c == '\\') {
            uint64_t at = text_.offset();
            int x = text_.peek_at(1);
            static constexpr std::string_view kEscapable = "_~.-!$&'()*+,;=/?#@%";
            if (x == kEof || kEscapable.find(char(x)) == std::string_view::npos)
                return fail("invalid escape sequence in a local name", at, at + 2);
            local_ += char(x);
            text_.advance_to(text_.cur() + 2);
            t.plain_local = false;
        } else if (c == '.' && !first) {
            size_t k = dots_at();
            int32_t after = cp_at(k, &len);
            if (after < 0 || !(is_pn_chars(after) || after == ':' || after == '%' || after == '\\')) return true;
            local_.append(k, '.');
            text_.advance_to(text_.cur() + k);
        } else {
            return true;
        }
        first = false;
    }
}

bool TurtleLexer::lex_blank(Token& t) {
    text_.skip();
    text_.skip();  // "_:"
    int len = 0;
    int32_t c = cp_at(0, &len);
    if (c == -2) return bad_utf8(text_.offset());
    if (c < 0 || !(is_pn_chars_u(c) || is_digit(c)))
        return fail("a blank node label must not be empty", start_, text_.offset());
    text_.advance_to(text_.cur() + len);
    if (!skip_name_rest()) return false;
    t.kind = Tok::Blank;
    t.text = text_.marked().substr(2);
    return true;
}

bool TurtleLexer::lex_at(Token& t) {
    text_.skip();  // '@'
    if (!is_alpha(text_.peek())) return fail("expected a letter after '@'", start_, start_ + 1);
    int c = scan_to(kLetterRunStop, false);
    while (c == '-') {
        int n = text_.peek_at(1);
        if (!is_alpha(n) && !is_digit(n)) {
            uint64_t at = text_.offset();
            return fail("a language subtag must not be empty", at, at + 1);
        }
        text_.skip();
        c = scan_to(kAlnumRunStop, false);
    }
    t.kind = Tok::AtWord;
    t.text = text_.marked().substr(1);
    return true;
}

bool TurtleLexer::lex_number(Token& t) {
    int c = text_.peek();
    if (c == '+' || c == '-') text_.skip();
    uint64_t digits = text_.offset();
    scan_to(kDigitRunStop, false);
    bool whole = text_.offset() > digits;
    t.kind = Tok::Integer;
    auto exponent_follows = [&](size_t k) {
        int e = text_.peek_at(k);
        if (e != 'e' && e != 'E') return false;
        int s = text_.peek_at(k + 1);
        if (s == '+' || s == '-') s = text_.peek_at(k + 2);
        return is_digit(s);
    };
    if (text_.peek() == '.') {
        if (is_digit(text_.peek_at(1))) {
            text_.skip();
            scan_to(kDigitRunStop, false);
            t.kind = Tok::Decimal;
        } else if (whole && exponent_follows(1)) {
            text_.skip();
        }
    }
    if (text_.peek() == 'e' || text_.peek() == 'E') {
        if (!exponent_follows(0) || (!whole && t.kind == Tok::Integer)) {
            uint64_t at = text_.offset();
            return fail("invalid number exponent", start_, at + 1);
        }
        text_.skip();
        if (text_.peek() == '+' || text_.peek() == '-') text_.skip();
        scan_to(kDigitRunStop, false);
        t.kind = Tok::Double;
    }
    if (!whole && t.kind == Tok::Integer) return fail("expected a number", start_, text_.offset() + 1);
    t.text = text_.marked();
    return true;
}

}  // namespace vg::rdf

#include "core/rdf/iri.hpp"
#include "core/rdf/language_tag.hpp"

namespace vg::rdf {

std::string describe(const Token& t) {
    switch (t.kind) {
        case Tok::Eof: return "the end of the file";
        case Tok::IriRef: return "the IRI <" + std::string(t.text) + ">";
        case Tok::PName: return "the prefixed name '" + std::string(t.text) + ":" + std::string(t.local) + "'";
        case Tok::Blank: return "the blank node '_:" + std::string(t.text) + "'";
        case Tok::String: return "a string";
        case Tok::AtWord: return "'@" + std::string(t.text) + "'";
        case Tok::Carets: return "'^^'";
        case Tok::Integer:
        case Tok::Decimal:
        case Tok::Double: return "the number " + std::string(t.text);
        case Tok::Word: return "'" + std::string(t.text) + "'";
        case Tok::Punct: return std::string("'") + t.punct + "'";
    }
    return "a token";
}

bool take_language(TurtleLexer& lex, const Token& t, std::string& out) {
    out.assign(t.text);
    ascii_lowercase(out);
    if (auto err = language_tag_error(out))
        return lex.fail_token("error while parsing language tag '" + std::string(t.text) + "': " + *err, t);
    return true;
}

bool check_absolute(TurtleLexer& lex, const Token& t, std::string_view iri) {
    if (auto err = iri_error(iri))
        return lex.fail_token("error while parsing IRI '" + std::string(iri) + "': " + *err, t);
    return true;
}

}  // namespace vg::rdf
