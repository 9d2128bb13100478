#include "core/rdf/read/xml_entities.hpp"

#include <cctype>
#include <cstring>
#include <vector>

#include "core/io/utf8.hpp"
#include "core/rdf/read/xml_chars.hpp"

namespace vg::rdfxml {

namespace {
constexpr size_t kMaxReplacementNesting = 1024;

std::string unterminated() { return "entity or character reference not closed: `;` not found before end of input"; }
std::string unrecognized(std::string_view name) { return "unrecognized entity `" + std::string(name) + "`"; }

// The replacement text of a declared entity, charged to the document's
// expansion budget; NULL with `err` set when undeclared or over budget.
const std::string* charged_replacement(std::string_view name, Entities& ents, const TextRules& rules,
                                       std::string& err) {
    const std::string* r = ents.resolve(name);
    if (!r) {
        err = unrecognized(name);
        return nullptr;
    }
    if (!ents.charge(r->size(), rules.input_bytes, err)) return nullptr;
    return r;
}

std::string bad_char_ref(std::string_view name) { return "invalid character reference: " + std::string(name.substr(1)); }

// Bytes of the line break at s[i]: CR LF, CR, and in XML 1.1 also CR NEL,
// NEL and LS; 0 where none starts.
size_t line_break_length(std::string_view s, size_t i, bool xml11) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = s.size();
    if (c == '\r') {
        if (i + 1 < n && s[i + 1] == '\n') return 2;
        if (xml11 && i + 2 < n && static_cast<unsigned char>(s[i + 1]) == 0xC2 &&
            static_cast<unsigned char>(s[i + 2]) == 0x85)
            return 3;
        return 1;
    }
    if (xml11 && c == 0xC2 && i + 1 < n && static_cast<unsigned char>(s[i + 1]) == 0x85) return 2;
    if (xml11 && c == 0xE2 && i + 2 < n && static_cast<unsigned char>(s[i + 1]) == 0x80 &&
        static_cast<unsigned char>(s[i + 2]) == 0xA8)
        return 3;
    return 0;
}

// The name of the reference whose '&' is at s[amp], up to its ';'; false
// (err set) when no ';' closes it before the next '&' or the end.
bool reference_name(std::string_view s, size_t amp, std::string_view& name, std::string& err) {
    size_t semi = s.find(';', amp + 1);
    size_t next_amp = s.find('&', amp + 1);
    if (semi == std::string_view::npos || (next_amp != std::string_view::npos && next_amp < semi)) {
        err = unterminated();
        return false;
    }
    name = s.substr(amp + 1, semi - amp - 1);
    return true;
}

// Appends the character a "#..." reference names; false (err set) when it
// names none allowed.
bool append_char_ref(std::string_view name, bool xml11, std::string& out, std::string& err) {
    uint32_t cp;
    if (!char_ref_value(name, xml11, cp)) {
        err = bad_char_ref(name);
        return false;
    }
    utf8_append(out, cp);
    return true;
}
}  // namespace

const std::string* Entities::resolve(std::string_view name) const {
    if (name == "quot") return &predefined_[0];
    if (name == "apos") return &predefined_[1];
    if (name == "amp") return &predefined_[2];
    if (name == "lt") return &predefined_[3];
    if (name == "gt") return &predefined_[4];
    auto it = declared_.find(name);
    return it == declared_.end() ? nullptr : &it->second;
}

bool char_ref_value(std::string_view name, bool xml11, uint32_t& cp) {
    if (name.size() < 2 || name[0] != '#') return false;
    bool hex = name[1] == 'x';
    size_t i = hex ? 2 : 1;
    if (i >= name.size()) return false;
    uint64_t v = 0;
    for (; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (hex && std::isxdigit(c)) d = (std::tolower(c) - 'a') + 10;
        else return false;
        v = v * (hex ? 16 : 10) + static_cast<uint64_t>(d);
        if (v > 0x10FFFF) return false;
    }
    cp = static_cast<uint32_t>(v);
    if (is_xml_char(cp)) return true;
    return xml11 && cp >= 1 && cp <= 0x1F;  // restricted characters may be referenced in XML 1.1
}

void append_normalized_lines(std::string& out, std::string_view s, bool xml11) {
    size_t i = 0, n = s.size();
    size_t run = 0;  // start of the stretch copied unchanged
    auto flush = [&](size_t upto) { out.append(s.data() + run, upto - run); };
    if (n == 0) return;  // an empty view may hold a null pointer, which memchr must not see
    if (!xml11) {
        const void* cr = std::memchr(s.data(), '\r', n);
        if (!cr) {
            out.append(s);
            return;
        }
        i = static_cast<size_t>(static_cast<const char*>(cr) - s.data());
    }
    while (i < n) {
        size_t brk = line_break_length(s, i, xml11);
        if (brk == 0) {
            ++i;
            continue;
        }
        flush(i);
        out.push_back('\n');
        i += brk;
        run = i;
    }
    flush(n);
}

bool expand_references(std::string_view s, Entities& ents, const TextRules& rules, std::string& out, std::string& err) {
    size_t amp = s.find('&');
    if (amp == std::string_view::npos) {
        out.append(s);
        return true;
    }
    size_t i = 0;
    while (amp != std::string_view::npos) {
        out.append(s.substr(i, amp - i));
        std::string_view name;
        if (!reference_name(s, amp, name, err)) return false;
        if (!name.empty() && name[0] == '#') {
            if (!append_char_ref(name, rules.xml11, out, err)) return false;
        } else {
            const std::string* r = charged_replacement(name, ents, rules, err);
            if (!r) return false;
            out.append(*r);
        }
        i = amp + name.size() + 2;
        amp = s.find('&', i);
    }
    out.append(s.substr(i));
    return true;
}

bool normalize_attribute(std::string_view raw, Entities& ents, const TextRules& rules, std::string& out,
                         std::string& err) {
    bool plain = true;
    for (unsigned char c : raw) {
        if (c == '\t' || c == '\n' || c == '\r' || c == '&' || (rules.xml11 && (c == 0xC2 || c == 0xE2))) {
            plain = false;
            break;
        }
    }
    if (plain) {
        out.append(raw);
        return true;
    }
    // Replacement texts are normalised in turn: an explicit stack of the
    // texts being read, never recursion.
    struct Frame {
        std::string_view s;
        size_t i;
    };
    std::vector<Frame> stack{{raw, 0}};
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.i >= f.s.size()) {
            stack.pop_back();
            continue;
        }
        std::string_view s = f.s;
        size_t i = f.i;
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t brk = c == '\t' || c == '\n' ? 1 : line_break_length(s, i, rules.xml11);
        if (brk != 0) {
            out.push_back(' ');
            f.i = i + brk;
        } else if (c == '&') {
            std::string_view name;
            if (!reference_name(s, i, name, err)) return false;
            f.i = i + name.size() + 2;
            if (!name.empty() && name[0] == '#') {
                if (!append_char_ref(name, rules.xml11, out, err)) return false;
            } else if (name == "amp") {
                out.push_back('&');
            } else {
                const std::string* r = charged_replacement(name, ents, rules, err);
                if (!r) return false;
                if (stack.size() > kMaxReplacementNesting) {
                    err = "entity replacement texts nested deeper than " + std::to_string(kMaxReplacementNesting) + " levels";
                    return false;
                }
                stack.push_back({*r, 0});  // f is not used after this
            }
        } else {
            size_t j = i + 1;
            while (j < s.size()) {
                unsigned char d = static_cast<unsigned char>(s[j]);
                if (d == '\t' || d == '\n' || d == '\r' || d == '&' || (rules.xml11 && (d == 0xC2 || d == 0xE2))) break;
                ++j;
            }
            if (j == i + 1 && (c == 0xC2 || c == 0xE2)) j = i + 1;
            out.append(s.substr(i, j - i));
            f.i = j;
        }
    }
    return true;
}

namespace {

// The escape of a character in an XML literal's text (attribute: in a
// double-quoted attribute value); empty where it stands as itself. One
// table serves the writing and the count of what it adds.
std::string_view escape_of(char c, bool attribute) {
    switch (c) {
        case '"': return "&quot;";
        case '&': return "&amp;";
        case '<': return "&lt;";
        case '>': return "&gt;";
        case '\r': return attribute ? "" : "&#13;";
        case '\'': return attribute ? "" : "&apos;";
        default: return {};
    }
}

void append_escaped(std::string& out, std::string_view s, bool attribute) {
    for (char c : s) {
        std::string_view e = escape_of(c, attribute);
        if (e.empty()) out.push_back(c);
        else out.append(e);
    }
}

size_t escaped_growth(std::string_view s, bool attribute) {
    size_t n = 0;
    for (char c : s) {
        std::string_view e = escape_of(c, attribute);
        if (!e.empty()) n += e.size() - 1;
    }
    return n;
}

}  // namespace

void append_escaped_text(std::string& out, std::string_view s) { append_escaped(out, s, false); }
void append_escaped_attr(std::string& out, std::string_view s) { append_escaped(out, s, true); }
size_t escaped_text_growth(std::string_view s) { return escaped_growth(s, false); }
size_t escaped_attr_growth(std::string_view s) { return escaped_growth(s, true); }

}  // namespace vg::rdfxml
