#include "core/rdf/read/xml_tokenizer.hpp"

#include <bit>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "core/io/utf8.hpp"
#include "core/rdf/read/xml_chars.hpp"
#include "core/support/hash.hpp"

namespace vg::rdfxml {

namespace {

constexpr int kEof = TextInput::kEof;

// The bytes that end a run of text, and those a scan for the end of a tag
// stops at (quotes and angle brackets).
constexpr char kTextStops[] = {'<', '&'};
constexpr char kTagStops[] = {'<', '>', '"', '\''};

// The first byte in [p, e) that is one of `stops`, or e: eight bytes at a
// time where words load little-endian (a byte equal to c leaves a high bit
// in (y - 0x01..) & ~y with y = x ^ c.., the lowest one exact).
template <size_t N>
inline const char* find_stop(const char* p, const char* e, const char (&stops)[N]) {
    if constexpr (std::endian::native == std::endian::little) {
        constexpr uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
        for (; e - p >= 8; p += 8) {
            uint64_t x, hits = 0;
            std::memcpy(&x, p, 8);
            for (char c : stops) {
                uint64_t y = x ^ (kOnes * static_cast<unsigned char>(c));
                hits |= (y - kOnes) & ~y & kHigh;
            }
            if (hits) return p + std::countr_zero(hits) / 8;
        }
    }
    for (; p < e; ++p)
        for (char c : stops)
            if (*p == c) return p;
    return e;
}

inline const char* find_byte(const char* p, const char* e, char c) {
    const void* q = p < e ? std::memchr(p, c, size_t(e - p)) : nullptr;
    return q ? static_cast<const char*>(q) : e;
}

std::string show_char(std::string_view s, size_t i) {
    if (i >= s.size()) return "end of input";
    auto c = static_cast<unsigned char>(s[i]);
    if (c >= 0x21 && c < 0x7F) return std::string("'") + s[i] + "'";
    char buf[16];
    std::snprintf(buf, sizeof buf, "byte 0x%02X", c);
    return buf;
}

size_t skip_space(std::string_view s, size_t i) {
    while (i < s.size() && is_xml_space(s[i])) ++i;
    return i;
}

}  // namespace

bool XmlTokenizer::fail(uint64_t offset, const std::string& msg) {
    // A read error ends the input early: that, not what the cut made of
    // the document, is the failure.
    if (input_failed()) return false;
    TextPosition at = text_.position_at(offset);
    err_->message = "XML error at line " + std::to_string(at.line) + " column " + std::to_string(at.char_column) + ": " + msg;
    return false;
}

// At the end of the input, where the token needed more.
bool XmlTokenizer::unterminated(const char* what) {
    if (!err_->message.empty()) return false;
    return fail(text_.mark_offset(), std::string("unterminated ") + what);
}

bool XmlTokenizer::input_failed() {
    if (text_.failed()) {
        err_->io = true;
        err_->message = text_.read_error().message;
        return true;
    }
    return false;
}

// Reads more input, keeping the token from its mark. False at the end of
// the input (the cap's included), and when reading failed (err_ set then).
bool XmlTokenizer::refill() {
    size_t have = size_t(text_.limit() - text_.cur());
    text_.ensure(have + TextInput::kBufferSize);
    if (input_failed()) return false;
    return size_t(text_.limit() - text_.cur()) > have;
}

// Checks the buffered bytes after checked_ as XML characters in UTF-8, up
// to the first fault (kept in fault_ for the scan that reaches it) or to a
// sequence cut off by the end of the buffer, which waits for more input.
void XmlTokenizer::check_new() {
    const char* base = text_.cur();
    uint64_t base_offset = text_.offset();
    auto* u = reinterpret_cast<const unsigned char*>(base + (checked_ - base_offset));
    auto* e = reinterpret_cast<const unsigned char*>(text_.limit());
    const char* fault = nullptr;
    char buf[64];
    while (u < e && !fault) {
        // Eight plain ASCII bytes (0x20..0x7F) at a time.
        while (e - u >= 8) {
            uint64_t x;
            std::memcpy(&x, u, 8);
            constexpr uint64_t kHigh = 0x8080808080808080ull, kSpace = 0x2020202020202020ull;
            if (((x | ((x - kSpace) & ~x)) & kHigh) != 0) break;
            u += 8;
        }
        if (u >= e) break;
        unsigned char c = *u;
        if (c >= 0x20 && c < 0x80) {
            ++u;
        } else if (c < 0x20) {
            if (c == '\t' || c == '\n' || c == '\r') {
                ++u;
            } else {
                std::snprintf(buf, sizeof buf, "character U+%04X is not allowed in XML", c);
                fault = buf;
            }
        } else {
            int bad = 0;
            int w = utf8_sequence(u, e, &bad);
            if (w < 0) break;
            if (w == 0) fault = "invalid UTF-8";
            else if (w == 3 && c == 0xEF && u[1] == 0xBF && (u[2] == 0xBE || u[2] == 0xBF))
                fault = u[2] == 0xBE ? "character U+FFFE is not allowed in XML" : "character U+FFFF is not allowed in XML";
            else u += w;
        }
    }
    checked_ = base_offset + uint64_t(reinterpret_cast<const char*>(u) - base);
    if (fault) {
        fault_ = checked_;
        fault_msg_ = fault;
    }
}

// Moves the cursor to the first byte at which `find` (given checked bytes
// [p, e), returning such a byte or e) stops, reading and checking more
// input as needed. False at the end of the input and on a fault; err_
// holds a message only for the latter.
template <class Find>
bool XmlTokenizer::seek(Find&& find) {
    if (checked_ < text_.offset()) checked_ = text_.offset();  // bytes taken by a literal match
    for (;;) {
        const char* e = text_.cur() + (checked_ - text_.offset());
        const char* q = find(text_.cur(), e);
        text_.advance_to(q);
        if (q != e) return true;
        if (fault_ == checked_) return fail(fault_, fault_msg_);
        uint64_t before = checked_;
        check_new();
        if (checked_ != before || fault_ == checked_) continue;
        // Nothing left to check but the start of a cut sequence, if that.
        if (!refill()) {
            if (!err_->message.empty() || text_.cur() == text_.limit()) return false;
            return fail(checked_, "invalid UTF-8: input ends inside a character");
        }
    }
}

// Moves the cursor to the next occurrence of `lit`, trying each occurrence
// of its first byte.
bool XmlTokenizer::seek_literal(std::string_view lit) {
    for (;;) {
        if (!seek([c = lit[0]](const char* p, const char* e) { return find_byte(p, e, c); })) return false;
        if (ahead(0, lit)) return true;
        text_.skip();
    }
}

// Whether the bytes k ahead of the cursor spell `lit` (reading more input
// as needed; none of it is consumed).
bool XmlTokenizer::ahead(size_t k, std::string_view lit) {
    return text_.ensure(k + lit.size()) && std::memcmp(text_.cur() + k, lit.data(), lit.size()) == 0;
}

std::string_view XmlTokenizer::top_name() const {
    size_t b = open_.back();
    return std::string_view(names_).substr(b);
}

bool XmlTokenizer::next(XmlEvent& ev, XmlError& err) {
    err_ = &err;
    err.io = false;
    err.message.clear();
    if (pop_pending_) {
        names_.resize(open_.back());
        open_.pop_back();
        pop_pending_ = false;
        if (open_.empty()) phase_ = Phase::Epilog;
    }
    if (pending_end_) {
        pending_end_ = false;
        ev.kind = XmlEventKind::EndTag;
        ev.name = top_name();
        pop_pending_ = true;
        return true;
    }
    if (done_) {
        ev.kind = XmlEventKind::Eof;
        return true;
    }
    text_.unmark();  // the last event's views end here
    if (!started_) {
        started_ = true;
        if (ahead(0, "\xEF\xBB\xBF")) {
            text_.advance_to(text_.cur() + 3);
            bom_ = 3;
        }
    }
    for (;;) {
        if (text_.cur() == text_.limit() && !refill()) return err_->message.empty() && finish(ev);
        char c = *text_.cur();
        text_.mark();
        bool ok = c == '<' ? markup(ev) : c == '&' ? reference(ev) : text(ev);
        if (!ok) return false;
        if (ev.kind == XmlEventKind::Eof) continue;  // skipped: white space outside the root
        any_event_ = true;
        return true;
    }
}

bool XmlTokenizer::finish(XmlEvent& ev) {
    if (phase_ == Phase::Prolog) return fail(text_.offset(), "no root element");
    if (!open_.empty())
        return fail(text_.offset(), "unexpected end of input: element <" + std::string(top_name()) + "> is not closed");
    done_ = true;
    ev.kind = XmlEventKind::Eof;
    return true;
}

bool XmlTokenizer::markup(XmlEvent& ev) {
    int c1 = text_.peek_at(1);
    if (c1 == kEof) return fail(text_.mark_offset(), "unexpected end of input after '<'");
    if (c1 == '/') return end_tag(ev);
    if (c1 == '?') return pi(ev);
    if (c1 != '!') return start_tag(ev);
    if (ahead(2, "--")) return comment(ev);
    if (ahead(2, "[CDATA[")) return cdata(ev);
    if (ahead(2, "DOCTYPE")) return doctype(ev);
    return fail(text_.mark_offset(), "unknown markup declaration");
}

bool XmlTokenizer::start_tag(XmlEvent& ev) {
    text_.skip();  // '<'
    // Most tags lie whole in the bytes already checked, and one pass reads
    // them. Any other is first scanned for its closing '>' (outside quoted
    // values, no '<' before it), so that its faults are met in their order.
    const char* mark = text_.marked().data();
    size_t seen = checked_ > text_.offset() ? size_t(text_.cur() - mark) + size_t(checked_ - text_.offset()) : 1;
    size_t gt = 0;
    bool empty = false;
    TagRead r = read_tag(std::string_view(mark, seen), false, ev, gt, empty);
    if (r == TagRead::Retry) {
        char quote = 0;
        bool found = seek([&quote](const char* p, const char* e) {
            for (;; ++p) {
                p = find_stop(p, e, kTagStops);
                if (p == e) return e;
                char c = *p;
                if (quote) {
                    if (c == quote) quote = 0;
                    else if (c == '<') return p;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else {
                    return p;
                }
            }
        });
        if (!found) return unterminated("start tag");
        if (*text_.cur() == '<')
            return fail(text_.offset(), quote ? "'<' is not allowed in attribute values" : "'<' inside a tag");
        r = read_tag(text_.marked(), true, ev, gt, empty);
    }
    if (r != TagRead::Done) return false;
    std::string_view name = ev.name;
    if (phase_ == Phase::Epilog) return fail(text_.mark_offset(), "a second root element <" + std::string(name) + ">");
    if (open_.size() >= kMaxDepth)
        return fail(text_.mark_offset(), "elements nested deeper than " + std::to_string(kMaxDepth) + " levels");
    phase_ = Phase::Root;
    open_.push_back(static_cast<uint32_t>(names_.size()));
    names_.append(name);
    ev.kind = XmlEventKind::StartTag;
    pending_end_ = empty;
    text_.advance_to(text_.marked().data() + gt + 1);
    return true;
}

// Reads a start tag's name and attributes from `tag`, its bytes from '<'
// on. Checked, `tag` ends just before the closing '>' and every fault is
// reported; otherwise `tag` may run on past the '>' or stop short of it,
// and anything but a whole, well-formed tag gives Retry. `gt` is where the
// '>' stands.
XmlTokenizer::TagRead XmlTokenizer::read_tag(std::string_view tag, bool checked, XmlEvent& ev, size_t& gt, bool& empty) {
    size_t n = tag.size();
    auto fault = [&](size_t i, auto&& message) {
        if (!checked) return TagRead::Retry;
        fail(token_offset(i), message());
        return TagRead::Failed;
    };
    // Where the '>' may stand: the end of `tag` when checked.
    auto closes = [&](size_t i) { return checked ? i == n : tag[i] == '>'; };
    size_t nl = name_length(tag, 1);
    if (nl == 0) return fault(1, [&] { return "expected an element name, found " + show_char(tag, 1); });
    ev.name = tag.substr(1, nl);
    ev.attrs.clear();
    empty = false;
    size_t i = 1 + nl;
    for (;;) {
        size_t ws = i;
        i = skip_space(tag, i);
        if (!checked && i == n) return TagRead::Retry;
        if (closes(i)) break;
        if (tag[i] == '/') {
            if (!checked && i + 1 == n) return TagRead::Retry;
            if (!closes(i + 1)) return fault(i, [] { return "expected '>' after '/' in a tag"; });
            empty = true;
            ++i;
            break;
        }
        if (i == ws) return fault(i, [&] { return "expected white space before an attribute, found " + show_char(tag, i); });
        size_t al = name_length(tag, i);
        if (al == 0) return fault(i, [&] { return "expected an attribute name, found " + show_char(tag, i); });
        std::string_view an = tag.substr(i, al);
        i = skip_space(tag, i + al);
        if (i == n || tag[i] != '=') return fault(i, [&] { return "expected '=' after attribute " + std::string(an); });
        i = skip_space(tag, i + 1);
        if (i == n || (tag[i] != '"' && tag[i] != '\''))
            return fault(i, [&] { return "expected a quoted value for attribute " + std::string(an); });
        size_t close = tag.find(tag[i], i + 1);
        if (close == std::string_view::npos) return fault(i + 1, [] { return "unterminated attribute value"; });
        std::string_view value = tag.substr(i + 1, close - i - 1);
        if (!checked && value.find('<') != std::string_view::npos) return TagRead::Retry;
        ev.attrs.push_back({an, value});
        i = close + 1;
    }
    gt = i;
    // Duplicates: pairwise for ordinary tags, a set for long ones (keyed, as
    // the names are the document's: colliding ones cannot be made up front).
    size_t na = ev.attrs.size();
    if (na <= 1) return TagRead::Done;
    if (na <= 32) {
        for (size_t a = 1; a < na; ++a)
            for (size_t b = 0; b < a; ++b)
                if (ev.attrs[a].name == ev.attrs[b].name)
                    return fault(0, [&] { return "duplicate attribute " + std::string(ev.attrs[a].name); });
    } else {
        std::unordered_set<std::string_view, KeyedHash> seen;
        for (auto& a : ev.attrs)
            if (!seen.insert(a.name).second) return fault(0, [&] { return "duplicate attribute " + std::string(a.name); });
    }
    return TagRead::Done;
}

bool XmlTokenizer::end_tag(XmlEvent& ev) {
    text_.advance_to(text_.cur() + 2);  // "</"
    if (!seek([](const char* p, const char* e) { return find_byte(p, e, '>'); })) return unterminated("end tag");
    std::string_view tag = text_.marked();
    size_t nl = name_length(tag, 2);
    if (nl == 0) return fail(token_offset(2), "expected an element name in an end tag");
    std::string_view name = tag.substr(2, nl);
    size_t i = skip_space(tag, 2 + nl);
    if (i != tag.size()) return fail(token_offset(i), "unexpected " + show_char(tag, i) + " in an end tag");
    if (open_.empty()) return fail(text_.mark_offset(), "end tag </" + std::string(name) + "> without a start tag");
    if (name != top_name())
        return fail(text_.mark_offset(),
                    "end tag </" + std::string(name) + "> does not match start tag <" + std::string(top_name()) + ">");
    ev.kind = XmlEventKind::EndTag;
    ev.name = top_name();
    pop_pending_ = true;
    text_.skip();  // '>'
    return true;
}

bool XmlTokenizer::text(XmlEvent& ev) {
    // Text runs to the next markup or reference, or to the end of the input.
    if (!seek([](const char* p, const char* e) { return find_stop(p, e, kTextStops); }) && !err_->message.empty())
        return false;
    std::string_view t = text_.marked();
    if (phase_ != Phase::Root) {
        if (!is_xml_whitespace(t)) return fail(text_.mark_offset(), "text outside the root element");
        ev.kind = XmlEventKind::Eof;  // nothing to report
        return true;
    }
    size_t bad = t.find("]]>");
    if (bad != std::string_view::npos) return fail(token_offset(bad), "']]>' is not allowed in text");
    ev.kind = XmlEventKind::Text;
    ev.text = t;
    return true;
}

bool XmlTokenizer::reference(XmlEvent& ev) {
    // The run of name bytes after "&" or "&#", then its checks: the run
    // holds the reference's name or number, and ';' must follow it.
    text_.skip();
    bool is_char = text_.peek() == '#';
    if (is_char) text_.skip();
    // Control characters stay in the run, for the character check to refuse.
    auto name_run = [](const char* p, const char* e) {
        while (p < e) {
            auto c = static_cast<unsigned char>(*p);
            if (c < 0x80 && !(kAsciiNameChar[c] & 2) && (c >= 0x20 || is_xml_space(char(c)))) break;
            ++p;
        }
        return p;
    };
    if (!seek(name_run) && !err_->message.empty()) return false;
    std::string_view r = text_.marked();
    size_t i;
    if (is_char) {
        i = 2;
        bool hex = i < r.size() && r[i] == 'x';
        if (hex) ++i;
        while (i < r.size() && (hex ? std::isxdigit(static_cast<unsigned char>(r[i])) : std::isdigit(static_cast<unsigned char>(r[i]))))
            ++i;
    } else {
        i = 1 + name_length(r, 1);
    }
    int end = i < r.size() ? static_cast<unsigned char>(r[i]) : text_.peek();
    if (end == kEof)
        return fail(text_.mark_offset(), "entity or character reference not closed: `;` not found before end of input");
    if (end != ';' || i == 1 || (is_char && (i == 2 || (i == 3 && r[2] == 'x')))) {
        if (end == ';') return fail(text_.mark_offset(), "empty or malformed reference");
        std::string shown = i < r.size() ? show_char(r, i) : show_char(std::string_view(text_.cur(), 1), 0);
        return fail(token_offset(i), "entity or character reference not closed: `;` not found before " + shown);
    }
    if (phase_ != Phase::Root) return fail(text_.mark_offset(), "reference outside the root element");
    ev.kind = XmlEventKind::Reference;
    ev.name = r.substr(1, i - 1);
    text_.skip();  // ';'
    return true;
}

bool XmlTokenizer::comment(XmlEvent& ev) {
    text_.advance_to(text_.cur() + 4);  // "<!--"
    if (!seek_literal("--")) return unterminated("comment");
    int after = text_.peek_at(2);
    if (after == kEof) return unterminated("comment");
    if (after != '>') return fail(text_.offset(), "'--' is not allowed inside a comment");
    ev.kind = XmlEventKind::Comment;
    ev.text = text_.marked().substr(4);
    text_.advance_to(text_.cur() + 3);
    return true;
}

bool XmlTokenizer::cdata(XmlEvent& ev) {
    text_.advance_to(text_.cur() + 9);  // "<![CDATA["
    if (!seek_literal("]]>")) return unterminated("CDATA section");
    if (phase_ != Phase::Root) return fail(text_.mark_offset(), "CDATA section outside the root element");
    ev.kind = XmlEventKind::CData;
    ev.text = text_.marked().substr(9);
    text_.advance_to(text_.cur() + 3);
    return true;
}

bool XmlTokenizer::pi(XmlEvent& ev) {
    text_.advance_to(text_.cur() + 2);  // "<?"
    if (!seek_literal("?>")) return unterminated("processing instruction");
    std::string_view token = text_.marked();
    size_t close = token.size();
    size_t nl = name_length(token, 2);
    if (nl == 0) return fail(token_offset(2), "expected a processing instruction target");
    std::string_view target = token.substr(2, nl);
    bool is_xml = nl == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' && (target[2] | 0x20) == 'l';
    if (is_xml) {
        bool at_start = !any_event_ && text_.mark_offset() == bom_ && target == "xml";
        if (!at_start) return fail(text_.mark_offset(), "an XML declaration is only allowed at the very start of the document");
        if (!declaration(ev, token)) return false;
    } else {
        size_t i = 2 + nl;
        if (i < close && !is_xml_space(token[i]))
            return fail(token_offset(i), "expected white space after the processing instruction target");
        i = skip_space(token, i);
        ev.kind = XmlEventKind::PI;
        ev.name = target;
        ev.text = token.substr(i);
    }
    text_.advance_to(text_.cur() + 2);
    return true;
}

// The XML declaration: `token` runs from "<?" up to the closing "?>".
bool XmlTokenizer::declaration(XmlEvent& ev, std::string_view token) {
    size_t i = 5, close = token.size();
    // Pseudo-attributes in their fixed order: version, encoding, standalone.
    auto pseudo = [&](std::string_view key, std::string_view& val, bool& found) -> bool {
        found = false;
        size_t s = i;
        i = skip_space(token, i);
        if (i == s || token.substr(i, key.size()) != key) {
            i = s;
            return true;
        }
        i = skip_space(token, i + key.size());
        if (i == close || token[i] != '=')
            return fail(token_offset(i), "expected '=' after " + std::string(key) + " in the XML declaration");
        i = skip_space(token, i + 1);
        if (i == close || (token[i] != '"' && token[i] != '\''))
            return fail(token_offset(i), "expected a quoted " + std::string(key) + " value");
        size_t e = token.find(token[i], i + 1);
        if (e == std::string_view::npos)
            return fail(token_offset(i + 1), "unterminated " + std::string(key) + " value in the XML declaration");
        val = token.substr(i + 1, e - i - 1);
        i = e + 1;
        found = true;
        return true;
    };
    std::string_view version, encoding, standalone;
    bool has_v, has_e, has_s;
    if (!pseudo("version", version, has_v)) return false;
    if (!has_v) return fail(token_offset(i), "the XML declaration must start with a version");
    if (version != "1.0" && version != "1.1")
        return fail(text_.mark_offset(), "unsupported XML version '" + std::string(version) + "'");
    if (!pseudo("encoding", encoding, has_e)) return false;
    // An empty name is well-formed enough to be refused by the reader as
    // an encoding other than UTF-8.
    if (has_e && !encoding.empty()) {
        bool good = std::isalpha(static_cast<unsigned char>(encoding[0]));
        for (char c : encoding)
            good = good && (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-');
        if (!good) return fail(text_.mark_offset(), "malformed encoding name '" + std::string(encoding) + "'");
    }
    if (!pseudo("standalone", standalone, has_s)) return false;
    if (has_s && standalone != "yes" && standalone != "no")
        return fail(text_.mark_offset(), "standalone must be 'yes' or 'no'");
    i = skip_space(token, i);
    if (i != close) return fail(token_offset(i), "unexpected " + show_char(token, i) + " in the XML declaration");
    ev.kind = XmlEventKind::Decl;
    ev.version = version;
    ev.encoding = encoding;
    ev.has_encoding = has_e;
    return true;
}

bool XmlTokenizer::doctype(XmlEvent& ev) {
    if (phase_ != Phase::Prolog || seen_doctype_)
        return fail(text_.mark_offset(), "a DOCTYPE is only allowed once, before the root element");
    // The closing '>', skipping quoted text, and the internal subset in
    // brackets with its comments.
    text_.advance_to(text_.cur() + 9);  // "<!DOCTYPE"
    char quote = 0;
    bool subset = false;
    auto find = [&](const char* p, const char* e) {
        for (; p < e; ++p) {
            char c = *p;
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '[') {
                subset = true;
            } else if (c == ']') {
                subset = false;
            } else if (subset ? c == '<' : c == '>') {
                return p;
            }
        }
        return e;
    };
    for (;;) {
        if (!seek(find)) return unterminated("DOCTYPE");
        if (*text_.cur() == '>') break;
        // A '<' in the subset: a comment there is skipped whole.
        bool is_comment = ahead(1, "!--");
        text_.advance_to(text_.cur() + (is_comment ? 4 : 1));
        if (is_comment && !seek_literal("-->")) return unterminated("DOCTYPE");
        if (is_comment) text_.advance_to(text_.cur() + 3);
    }
    std::string_view token = text_.marked();
    if (token.size() <= 9 || !is_xml_space(token[9])) return fail(token_offset(9), "expected white space after DOCTYPE");
    seen_doctype_ = true;
    ev.kind = XmlEventKind::Doctype;
    ev.text = token.substr(9);
    text_.skip();  // '>'
    return true;
}

}  // namespace vg::rdfxml
