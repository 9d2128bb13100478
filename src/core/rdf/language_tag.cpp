#include "core/rdf/language_tag.hpp"

#include <vector>

namespace vg::rdf {

namespace {

inline bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool is_digit(char c) { return c >= '0' && c <= '9'; }
inline bool is_alnum(char c) { return is_alpha(c) || is_digit(c); }
inline char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }

bool all(std::string_view s, bool (*f)(char)) {
    for (char c : s)
        if (!f(c)) return false;
    return true;
}

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

// Tags that predate the subtag grammar and are well-formed as whole tags.
constexpr std::string_view kGrandfathered[] = {
    "en-gb-oed", "i-ami", "i-bnn", "i-default", "i-enochian", "i-hak", "i-klingon", "i-lux",
    "i-mingo", "i-navajo", "i-pwn", "i-tao", "i-tay", "i-tsu", "sgn-be-fr", "sgn-be-nl",
    "sgn-ch-de", "art-lojban", "cel-gaulish", "no-bok", "no-nyn", "zh-guoyu", "zh-hakka",
    "zh-min", "zh-min-nan", "zh-xiang"};

std::string unexpected(std::string_view sub) {
    return "Unexpected subtag '" + std::string(sub) + "' in the language tag";
}

}  // namespace

void ascii_lowercase(std::string& s) {
    for (char& c : s) c = lower(c);
}

std::optional<std::string> language_tag_error(std::string_view tag) {
    for (auto g : kGrandfathered)
        if (iequals(tag, g)) return std::nullopt;
    if (tag.empty()) return std::string("A language tag must not be empty");
    std::vector<std::string_view> subs;
    for (size_t b = 0;;) {
        size_t e = tag.find('-', b);
        std::string_view s = tag.substr(b, e == std::string_view::npos ? std::string_view::npos : e - b);
        if (s.empty()) return std::string("A language tag must not have an empty subtag");
        if (s.size() > 8) return "The subtag '" + std::string(s) + "' is longer than 8 characters";
        if (!all(s, is_alnum)) return "The subtag '" + std::string(s) + "' is not alphanumeric";
        subs.push_back(s);
        if (e == std::string_view::npos) break;
        b = e + 1;
    }
    size_t i = 0;
    auto private_use = [&]() -> std::optional<std::string> {
        // subs[i] is "x": one or more subtags of 1 to 8 characters follow.
        if (++i == subs.size()) return std::string("A private use part must have at least one subtag");
        return std::nullopt;  // lengths and characters were checked above
    };
    if (iequals(subs[0], "x")) return private_use();

    std::string_view lang = subs[i++];
    if (!all(lang, is_alpha) || lang.size() < 2)
        return "The language subtag '" + std::string(lang) + "' must be 2 to 8 letters";
    if (lang.size() <= 3) {  // up to three extended language subtags
        for (int k = 0; k < 3 && i < subs.size() && subs[i].size() == 3 && all(subs[i], is_alpha); ++k) ++i;
    }
    if (i < subs.size() && subs[i].size() == 4 && all(subs[i], is_alpha)) ++i;  // script
    if (i < subs.size() && ((subs[i].size() == 2 && all(subs[i], is_alpha)) ||
                            (subs[i].size() == 3 && all(subs[i], is_digit))))
        ++i;  // region
    while (i < subs.size() && (subs[i].size() >= 5 || (subs[i].size() == 4 && is_digit(subs[i][0])))) ++i;
    while (i < subs.size() && subs[i].size() == 1) {
        if (iequals(subs[i], "x")) return private_use();
        size_t start = ++i;
        while (i < subs.size() && subs[i].size() >= 2) ++i;
        if (i == start) return std::string("An extension must have at least one subtag of 2 to 8 characters");
    }
    if (i < subs.size()) return unexpected(subs[i]);
    return std::nullopt;
}

}  // namespace vg::rdf
