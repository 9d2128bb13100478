#include "core/rdf/read/xml_tokenizer.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "core/io/utf8.hpp"
#include "core/io/text_input.hpp"
#include "core/rdf/read/xml_chars.hpp"

namespace vg::rdfxml {

namespace {

bool ascii_name_start(unsigned char c) { return c == ':' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool ascii_name_char(unsigned char c) {
    return ascii_name_start(c) || c == '-' || c == '.' || (c >= '0' && c <= '9');
}

std::string show_char(const char* p, size_t avail) {
    if (avail == 0) return "end of input";
    unsigned char c = static_cast<unsigned char>(*p);
    if (c >= 0x21 && c < 0x7F) return std::string("'") + *p + "'";
    char buf[16];
    std::snprintf(buf, sizeof buf, "byte 0x%02X", c);
    return buf;
}

const char* find2(const char* p, const char* end, char a, char b) {
    // The two bytes that end text: '<' and '&'.
    for (; p < end; ++p)
        if (*p == a || *p == b) return p;
    return nullptr;
}

}  // namespace

XmlTokenizer::XmlTokenizer(TextInput& in, uint64_t max_bytes) : in_(in), max_bytes_(max_bytes) {
    d_ = in_.cur();
    n_ = static_cast<size_t>(in_.limit() - in_.cur());
}

bool XmlTokenizer::fail(size_t off, const std::string& msg) {
    if (off > n_) off = n_;
    TextPosition at = in_.position_at(in_.offset() + off);
    err_->io = false;
    err_->message = "XML error at line " + std::to_string(at.line) + " column " + std::to_string(at.char_column) + ": " + msg;
    return false;
}

// Checks [valid_, n_) as XML characters in UTF-8; an incomplete sequence at
// the end waits for more input unless final.
bool XmlTokenizer::validate_new(bool final) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(d_);
    size_t i = valid_;
    while (i < n_) {
        // Eight plain ASCII bytes (0x20..0x7F) at a time.
        while (i + 8 <= n_) {
            uint64_t x;
            std::memcpy(&x, p + i, 8);
            constexpr uint64_t kHigh = 0x8080808080808080ull, kSpace = 0x2020202020202020ull;
            if (((x | ((x - kSpace) & ~x)) & kHigh) != 0) break;
            i += 8;
        }
        if (i >= n_) break;
        unsigned char c = p[i];
        if (c >= 0x20 && c < 0x80) {
            ++i;
            continue;
        }
        if (c < 0x20) {
            if (c == '\t' || c == '\n' || c == '\r') {
                ++i;
                continue;
            }
            valid_ = i;
            char buf[64];
            std::snprintf(buf, sizeof buf, "character U+%04X is not allowed in XML", c);
            return fail(i, buf);
        }
        int bad = 0;
        int w = utf8_sequence(p + i, p + n_, &bad);
        if (w < 0) {
            if (!final) break;
            valid_ = i;
            return fail(i, "invalid UTF-8: input ends inside a character");
        }
        if (w == 0) {
            valid_ = i;
            return fail(i, "invalid UTF-8");
        }
        if (w == 3 && c == 0xEF && p[i + 1] == 0xBF && (p[i + 2] == 0xBE || p[i + 2] == 0xBF)) {
            valid_ = i;
            return fail(i, p[i + 2] == 0xBE ? "character U+FFFE is not allowed in XML"
                                             : "character U+FFFF is not allowed in XML");
        }
        i += static_cast<size_t>(w);
    }
    valid_ = i;
    return true;
}

// Makes at least `want` more bytes available if the input has them. Keeps
// everything from pos_ on; positions are relative to pos_, which becomes 0.
bool XmlTokenizer::more(size_t want) {
    if (eof_) return false;
    in_.advance_to(d_ + pos_);
    n_ -= pos_;
    valid_ -= pos_;
    pos_ = 0;
    size_t before = valid_;
    if (want < TextInput::kBufferSize) want = TextInput::kBufferSize;
    if (!in_.ensure(n_ + want)) eof_ = true;
    d_ = in_.cur();
    n_ = static_cast<size_t>(in_.limit() - in_.cur());
    if (in_.failed()) {
        err_->io = true;
        err_->message = in_.read_error().message;
        return false;
    }
    if (in_.offset() + n_ > max_bytes_) {
        err_->over_cap = true;
        err_->message = "over the byte cap";
        return false;
    }
    if (!validate_new(eof_)) return false;
    return valid_ > before;
}

bool XmlTokenizer::at(size_t off, std::string_view lit) {
    while (pos_ + off + lit.size() > avail()) {
        size_t keep = off;
        if (!more(lit.size())) return false;
        off = keep;
    }
    return std::memcmp(d_ + pos_ + off, lit.data(), lit.size()) == 0;
}

std::string_view XmlTokenizer::top_name() const {
    size_t b = open_.back();
    size_t e = names_.size();
    return std::string_view(names_).substr(b, e - b);
}

// Length of the Name starting at d_[i] (0 when none), stopping at end.
size_t XmlTokenizer::scan_name(size_t i, size_t end) {
    size_t s = i;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(d_);
    bool first = true;
    while (i < end) {
        unsigned char c = p[i];
        if (c < 0x80) {
            if (!(first ? ascii_name_start(c) : ascii_name_char(c))) break;
            ++i;
        } else {
            size_t j = i;
            uint32_t cp = decode_utf8(std::string_view(d_, end), j);
            if (!(first ? is_xml_name_start_char(cp) : is_xml_name_char(cp))) break;
            i = j;
        }
        first = false;
    }
    return i - s;
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
    if (!started_) {
        started_ = true;
        if (!more(0) && !err.message.empty()) return false;
        if (avail() >= 3 && std::memcmp(d_, "\xEF\xBB\xBF", 3) == 0) pos_ = bom_ = 3;
    }
    for (;;) {
        if (pos_ >= avail()) {
            if (!more(0)) {
                if (!eof_ || !err_->message.empty()) return false;
                if (pos_ < n_) return fail(pos_, "invalid UTF-8");
                return finish(ev);
            }
            continue;
        }
        bool ok;
        char c = d_[pos_];
        if (c == '<') {
            if (!at(1, "?") && !err_->message.empty()) return false;
            if (pos_ + 1 >= avail()) return fail(pos_, "unexpected end of input after '<'");
            char c1 = d_[pos_ + 1];
            if (c1 == '/') {
                ok = end_tag(ev);
            } else if (c1 == '?') {
                ok = pi(ev);
            } else if (c1 == '!') {
                if (at(2, "--")) ok = comment(ev);
                else if (at(2, "[CDATA[")) ok = cdata(ev);
                else if (at(2, "DOCTYPE")) ok = doctype(ev);
                else if (!err_->message.empty()) return false;
                else return fail(pos_, "unknown markup declaration");
            } else {
                ok = start_tag(ev);
            }
        } else if (c == '&') {
            ok = reference(ev);
        } else {
            ok = text(ev);
        }
        if (!ok) return false;
        if (ev.kind == XmlEventKind::Eof) continue;  // skipped: white space outside the root
        any_event_ = true;
        return true;
    }
}

bool XmlTokenizer::finish(XmlEvent& ev) {
    if (phase_ == Phase::Prolog) return fail(pos_, "no root element");
    if (!open_.empty()) return fail(pos_, "unexpected end of input: element <" + std::string(top_name()) + "> is not closed");
    done_ = true;
    ev.kind = XmlEventKind::Eof;
    return true;
}

bool XmlTokenizer::start_tag(XmlEvent& ev) {
    // Find the closing '>' outside quoted values.
    size_t r = 1;
    char q = 0;
    for (;;) {
        const char* p = d_ + pos_;
        size_t lim = avail() - pos_;
        while (r < lim) {
            char c = p[r];
            if (q) {
                if (c == q) q = 0;
                else if (c == '<') return fail(pos_ + r, "'<' is not allowed in attribute values");
            } else if (c == '"' || c == '\'') {
                q = c;
            } else if (c == '>') {
                break;
            } else if (c == '<') {
                return fail(pos_ + r, "'<' inside a tag");
            }
            ++r;
        }
        if (r < lim) break;
        if (!more(r)) return err_->message.empty() ? fail(pos_, "unterminated start tag") : false;
    }
    size_t gt = pos_ + r;
    size_t i = pos_ + 1;
    size_t nl = scan_name(i, gt);
    if (nl == 0) return fail(i, "expected an element name, found " + show_char(d_ + i, gt - i));
    std::string_view name(d_ + i, nl);
    i += nl;
    ev.attrs.clear();
    bool empty = false;
    for (;;) {
        size_t ws = i;
        while (i < gt && is_xml_space(d_[i])) ++i;
        if (i == gt) break;
        if (d_[i] == '/') {
            if (i + 1 != gt) return fail(i, "expected '>' after '/' in a tag");
            empty = true;
            break;
        }
        if (i == ws) return fail(i, "expected white space before an attribute, found " + show_char(d_ + i, gt - i));
        size_t al = scan_name(i, gt);
        if (al == 0) return fail(i, "expected an attribute name, found " + show_char(d_ + i, gt - i));
        std::string_view an(d_ + i, al);
        i += al;
        while (i < gt && is_xml_space(d_[i])) ++i;
        if (i == gt || d_[i] != '=') return fail(i, "expected '=' after attribute " + std::string(an));
        ++i;
        while (i < gt && is_xml_space(d_[i])) ++i;
        if (i == gt || (d_[i] != '"' && d_[i] != '\'')) return fail(i, "expected a quoted value for attribute " + std::string(an));
        char qc = d_[i++];
        const char* close = static_cast<const char*>(std::memchr(d_ + i, qc, gt - i));
        if (!close) return fail(i, "unterminated attribute value");
        ev.attrs.push_back({an, std::string_view(d_ + i, static_cast<size_t>(close - (d_ + i)))});
        i = static_cast<size_t>(close - d_) + 1;
    }
    // Duplicate attributes: pairwise for ordinary tags, a set for long ones.
    size_t na = ev.attrs.size();
    if (na > 1) {
        if (na <= 32) {
            for (size_t a = 1; a < na; ++a)
                for (size_t b = 0; b < a; ++b)
                    if (ev.attrs[a].name == ev.attrs[b].name)
                        return fail(pos_, "duplicate attribute " + std::string(ev.attrs[a].name));
        } else {
            std::unordered_set<std::string_view> seen;
            for (auto& a : ev.attrs)
                if (!seen.insert(a.name).second) return fail(pos_, "duplicate attribute " + std::string(a.name));
        }
    }
    if (phase_ == Phase::Epilog) return fail(pos_, "a second root element <" + std::string(name) + ">");
    if (open_.size() >= kMaxDepth)
        return fail(pos_, "elements nested deeper than " + std::to_string(kMaxDepth) + " levels");
    phase_ = Phase::Root;
    open_.push_back(static_cast<uint32_t>(names_.size()));
    names_.append(name);
    ev.kind = XmlEventKind::StartTag;
    ev.name = name;
    pending_end_ = empty;
    pos_ = gt + 1;
    return true;
}

bool XmlTokenizer::end_tag(XmlEvent& ev) {
    size_t r = 2;
    for (;;) {
        const char* gt = static_cast<const char*>(std::memchr(d_ + pos_ + r, '>', avail() - pos_ - r));
        if (gt) {
            r = static_cast<size_t>(gt - (d_ + pos_));
            break;
        }
        size_t seen = avail() - pos_;
        if (!more(seen)) return err_->message.empty() ? fail(pos_, "unterminated end tag") : false;
        r = seen;
    }
    size_t gt = pos_ + r;
    size_t i = pos_ + 2;
    size_t nl = scan_name(i, gt);
    if (nl == 0) return fail(i, "expected an element name in an end tag");
    std::string_view name(d_ + i, nl);
    i += nl;
    while (i < gt && is_xml_space(d_[i])) ++i;
    if (i != gt) return fail(i, "unexpected " + show_char(d_ + i, gt - i) + " in an end tag");
    if (open_.empty()) return fail(pos_, "end tag </" + std::string(name) + "> without a start tag");
    if (name != top_name())
        return fail(pos_, "end tag </" + std::string(name) + "> does not match start tag <" + std::string(top_name()) + ">");
    ev.kind = XmlEventKind::EndTag;
    ev.name = top_name();
    pop_pending_ = true;
    pos_ = gt + 1;
    return true;
}

bool XmlTokenizer::text(XmlEvent& ev) {
    size_t r = 0;
    const char* stop;
    for (;;) {
        stop = find2(d_ + pos_ + r, d_ + avail(), '<', '&');
        if (stop) break;
        r = avail() - pos_;
        if (!more(r)) {
            if (!err_->message.empty()) return false;
            stop = d_ + avail();
            break;
        }
    }
    std::string_view t(d_ + pos_, static_cast<size_t>(stop - (d_ + pos_)));
    if (phase_ != Phase::Root) {
        if (!is_xml_whitespace(t)) return fail(pos_, "text outside the root element");
        pos_ += t.size();
        ev.kind = XmlEventKind::Eof;  // nothing to report
        return true;
    }
    size_t bad = t.find("]]>");
    if (bad != std::string_view::npos) return fail(pos_ + bad, "']]>' is not allowed in text");
    ev.kind = XmlEventKind::Text;
    ev.text = t;
    pos_ += t.size();
    return true;
}

bool XmlTokenizer::reference(XmlEvent& ev) {
    size_t r = 1;
    for (;;) {
        size_t lim = avail() - pos_;
        const char* p = d_ + pos_;
        bool is_char = r < lim && p[1] == '#';
        size_t i = r;
        if (is_char) {
            i = 2;
            bool hex = i < lim && p[i] == 'x';
            if (hex) ++i;
            while (i < lim && (hex ? std::isxdigit(static_cast<unsigned char>(p[i])) : std::isdigit(static_cast<unsigned char>(p[i]))))
                ++i;
        } else {
            i = 1 + scan_name(pos_ + 1, avail());
        }
        if (i < lim) {
            if (p[i] != ';' || i == 1 || (is_char && (i == 2 || (i == 3 && p[2] == 'x'))))
                return p[i] == ';' ? fail(pos_, "empty or malformed reference")
                                   : fail(pos_ + i, "entity or character reference not closed: `;` not found before " +
                                                        show_char(p + i, lim - i));
            if (phase_ != Phase::Root) return fail(pos_, "reference outside the root element");
            ev.kind = XmlEventKind::Reference;
            ev.name = std::string_view(p + 1, i - 1);
            pos_ += i + 1;
            return true;
        }
        if (!more(lim)) {
            if (!err_->message.empty()) return false;
            return fail(pos_, "entity or character reference not closed: `;` not found before end of input");
        }
    }
}

bool XmlTokenizer::comment(XmlEvent& ev) {
    size_t r = 4;
    for (;;) {
        const char* p = d_ + pos_;
        size_t lim = avail() - pos_;
        const void* dd = r < lim ? memmem(p + r, lim - r, "--", 2) : nullptr;
        if (dd) {
            size_t k = static_cast<size_t>(static_cast<const char*>(dd) - p);
            if (k + 2 < lim) {
                if (p[k + 2] != '>') return fail(pos_ + k, "'--' is not allowed inside a comment");
                ev.kind = XmlEventKind::Comment;
                ev.text = std::string_view(p + 4, k - 4);
                pos_ += k + 3;
                return true;
            }
            r = k;  // "--" at the very end: wait for the next byte
        } else {
            r = lim > 4 ? lim - 1 : 4;
        }
        if (!more(lim)) return err_->message.empty() ? fail(pos_, "unterminated comment") : false;
    }
}

bool XmlTokenizer::cdata(XmlEvent& ev) {
    size_t r = 9;
    for (;;) {
        const char* p = d_ + pos_;
        size_t lim = avail() - pos_;
        const void* e = r < lim ? memmem(p + r, lim - r, "]]>", 3) : nullptr;
        if (e) {
            size_t k = static_cast<size_t>(static_cast<const char*>(e) - p);
            if (phase_ != Phase::Root) return fail(pos_, "CDATA section outside the root element");
            ev.kind = XmlEventKind::CData;
            ev.text = std::string_view(p + 9, k - 9);
            pos_ += k + 3;
            return true;
        }
        r = lim > 11 ? lim - 2 : 9;
        if (!more(lim)) return err_->message.empty() ? fail(pos_, "unterminated CDATA section") : false;
    }
}

bool XmlTokenizer::pi(XmlEvent& ev) {
    size_t r = 2;
    size_t k;
    for (;;) {
        const char* p = d_ + pos_;
        size_t lim = avail() - pos_;
        const void* e = r < lim ? memmem(p + r, lim - r, "?>", 2) : nullptr;
        if (e) {
            k = static_cast<size_t>(static_cast<const char*>(e) - p);
            break;
        }
        r = lim > 3 ? lim - 1 : 2;
        if (!more(lim)) return err_->message.empty() ? fail(pos_, "unterminated processing instruction") : false;
    }
    size_t i = pos_ + 2, close = pos_ + k;
    size_t nl = scan_name(i, close);
    if (nl == 0) return fail(i, "expected a processing instruction target");
    std::string_view target(d_ + i, nl);
    bool is_xml = nl == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' && (target[2] | 0x20) == 'l';
    if (is_xml) {
        bool at_start = !any_event_ && in_.offset() + pos_ == bom_ && target == "xml";
        if (!at_start) return fail(pos_, "an XML declaration is only allowed at the very start of the document");
        return declaration(ev, close);
    }
    i += nl;
    if (i < close && !is_xml_space(d_[i])) return fail(i, "expected white space after the processing instruction target");
    while (i < close && is_xml_space(d_[i])) ++i;
    ev.kind = XmlEventKind::PI;
    ev.name = target;
    ev.text = std::string_view(d_ + i, close - i);
    pos_ = close + 2;
    return true;
}

bool XmlTokenizer::declaration(XmlEvent& ev, size_t close) {
    size_t i = pos_ + 5;
    // Pseudo-attributes in their fixed order: version, encoding, standalone.
    auto pseudo = [&](std::string_view key, std::string_view& val, bool& found) -> bool {
        found = false;
        size_t s = i;
        while (i < close && is_xml_space(d_[i])) ++i;
        if (i == s || close - i < key.size() || std::memcmp(d_ + i, key.data(), key.size()) != 0) {
            i = s;
            return true;
        }
        i += key.size();
        while (i < close && is_xml_space(d_[i])) ++i;
        if (i == close || d_[i] != '=') return fail(i, "expected '=' after " + std::string(key) + " in the XML declaration");
        ++i;
        while (i < close && is_xml_space(d_[i])) ++i;
        if (i == close || (d_[i] != '"' && d_[i] != '\'')) return fail(i, "expected a quoted " + std::string(key) + " value");
        char q = d_[i++];
        const char* e = static_cast<const char*>(std::memchr(d_ + i, q, close - i));
        if (!e) return fail(i, "unterminated " + std::string(key) + " value in the XML declaration");
        val = std::string_view(d_ + i, static_cast<size_t>(e - (d_ + i)));
        i = static_cast<size_t>(e - d_) + 1;
        found = true;
        return true;
    };
    std::string_view version, encoding, standalone;
    bool has_v, has_e, has_s;
    if (!pseudo("version", version, has_v)) return false;
    if (!has_v) return fail(i, "the XML declaration must start with a version");
    if (version != "1.0" && version != "1.1") return fail(pos_, "unsupported XML version '" + std::string(version) + "'");
    if (!pseudo("encoding", encoding, has_e)) return false;
    // An empty name is well-formed enough to be refused by the reader as
    // an encoding other than UTF-8.
    if (has_e && !encoding.empty()) {
        bool good = std::isalpha(static_cast<unsigned char>(encoding[0]));
        for (char c : encoding)
            good = good && (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-');
        if (!good) return fail(pos_, "malformed encoding name '" + std::string(encoding) + "'");
    }
    if (!pseudo("standalone", standalone, has_s)) return false;
    if (has_s && standalone != "yes" && standalone != "no")
        return fail(pos_, "standalone must be 'yes' or 'no'");
    while (i < close && is_xml_space(d_[i])) ++i;
    if (i != close) return fail(i, "unexpected " + show_char(d_ + i, close - i) + " in the XML declaration");
    ev.kind = XmlEventKind::Decl;
    ev.version = version;
    ev.encoding = encoding;
    ev.has_encoding = has_e;
    pos_ = close + 2;
    return true;
}

bool XmlTokenizer::doctype(XmlEvent& ev) {
    if (phase_ != Phase::Prolog || seen_doctype_) return fail(pos_, "a DOCTYPE is only allowed once, before the root element");
    // Find the closing '>', skipping quoted text, comments and the internal
    // subset in brackets.
    size_t k = 0;
    for (;;) {
        const char* p = d_ + pos_;
        size_t lim = avail() - pos_;
        size_t r = 9;
        char q = 0;
        bool subset = false, found = false, open_end = false;
        while (r < lim) {
            char c = p[r];
            if (q) {
                if (c == q) q = 0;
            } else if (subset && c == '<' && r + 3 < lim && std::memcmp(p + r, "<!--", 4) == 0) {
                const void* e = memmem(p + r + 4, lim - r - 4, "-->", 3);
                if (!e) {
                    open_end = true;
                    break;
                }
                r = static_cast<size_t>(static_cast<const char*>(e) - p) + 2;
            } else if (c == '"' || c == '\'') {
                q = c;
            } else if (c == '[' && !subset) {
                subset = true;
            } else if (c == ']' && subset) {
                subset = false;
            } else if (c == '>' && !subset) {
                found = true;
                break;
            }
            ++r;
        }
        (void)open_end;
        if (found) {
            k = r;
            break;
        }
        if (!more(lim)) return err_->message.empty() ? fail(pos_, "unterminated DOCTYPE") : false;
    }
    if (k <= 9 || !is_xml_space(d_[pos_ + 9])) return fail(pos_ + 9, "expected white space after DOCTYPE");
    seen_doctype_ = true;
    ev.kind = XmlEventKind::Doctype;
    ev.text = std::string_view(d_ + pos_ + 9, k - 9);
    pos_ += k + 1;
    return true;
}

}  // namespace vg::rdfxml
