#include "core/rdf/iri.hpp"

#include <array>
#include <string.h>  // memrchr

#include <cstring>

#include "core/io/utf8.hpp"

namespace vg::rdf {

namespace {

// ASCII character classes of the IRI grammar, one bit each.
enum : uint8_t {
    kUnreserved = 1,  // ALPHA DIGIT - . _ ~
    kSubDelim = 2,    // ! $ & ' ( ) * + , ; =
    kSchemeRest = 4,  // ALPHA DIGIT + - .
    kHex = 8,
    kAlpha = 16,
    kDigit = 32,
    kPathOk = 64,    // ipchar and '/'
    kQueryOk = 128,  // ipchar, '/' and '?'
};

constexpr std::array<uint8_t, 128> make_classes() {
    std::array<uint8_t, 128> t{};
    for (int c = 'a'; c <= 'z'; ++c) t[c] |= kUnreserved | kSchemeRest | kAlpha;
    for (int c = 'A'; c <= 'Z'; ++c) t[c] |= kUnreserved | kSchemeRest | kAlpha;
    for (int c = '0'; c <= '9'; ++c) t[c] |= kUnreserved | kSchemeRest | kHex | kDigit;
    for (int c = 'a'; c <= 'f'; ++c) t[c] |= kHex;
    for (int c = 'A'; c <= 'F'; ++c) t[c] |= kHex;
    for (char c : std::string_view("-._~")) t[uint8_t(c)] |= kUnreserved;
    for (char c : std::string_view("!$&'()*+,;=")) t[uint8_t(c)] |= kSubDelim;
    for (char c : std::string_view("+-.")) t[uint8_t(c)] |= kSchemeRest;
    for (int c = 0; c < 128; ++c)
        if (t[c] & (kUnreserved | kSubDelim)) t[c] |= kPathOk | kQueryOk;
    for (char c : std::string_view(":@/")) t[uint8_t(c)] |= kPathOk | kQueryOk;
    t[uint8_t('?')] |= kQueryOk;
    return t;
}
constexpr std::array<uint8_t, 128> kClass = make_classes();

inline bool has(unsigned char c, uint8_t bits) { return c < 128 && (kClass[c] & bits); }

bool is_ucschar(uint32_t cp) {
    if (cp >= 0xA0 && cp <= 0xD7FF) return true;
    if (cp >= 0xF900 && cp <= 0xFDCF) return true;
    if (cp >= 0xFDF0 && cp <= 0xFFEF) return true;
    if (cp >= 0x10000 && cp <= 0xDFFFD) return (cp & 0xFFFF) <= 0xFFFD;
    return cp >= 0xE1000 && cp <= 0xEFFFD;
}

bool is_iprivate(uint32_t cp) {
    return (cp >= 0xE000 && cp <= 0xF8FF) || (cp >= 0xF0000 && cp <= 0xFFFFD) || (cp >= 0x100000 && cp <= 0x10FFFD);
}

std::string with_char(const char* head, uint32_t cp, const char* tail) {
    std::string m(head);
    utf8_append(m, cp);
    m += tail;
    return m;
}

// Where the components of a parsed reference lie. Offsets into the text.
struct Parts {
    bool has_scheme = false;
    bool has_authority = false;
    bool has_query = false;
    bool has_fragment = false;
    size_t scheme_end = 0;     // offset of ':' (valid when has_scheme)
    size_t authority_begin = 0, authority_end = 0;
    size_t path_begin = 0, path_end = 0;
    size_t query_begin = 0, query_end = 0;  // without the '?'
    size_t fragment_begin = 0;              // without the '#'
};

enum class Section { Userinfo, Host, Path, Query, Fragment };

class Scanner {
public:
    explicit Scanner(std::string_view s) : s_(s) {}

    // Parses the whole text as an IRI reference; a text without a scheme
    // is refused when `absolute` is set.
    std::optional<std::string> run(bool absolute, Parts& p) {
        size_t i = 0;
        if (size_t j = scheme_length(s_)) {
            p.has_scheme = true;
            p.scheme_end = j;
            i = j + 1;
        }
        if (!p.has_scheme && absolute) return std::string("No scheme found in an absolute IRI");
        if (s_.size() - i >= 2 && s_[i] == '/' && s_[i + 1] == '/') {
            p.has_authority = true;
            p.authority_begin = i + 2;
            size_t e = p.authority_begin;
            while (e < s_.size() && s_[e] != '/' && s_[e] != '?' && s_[e] != '#') ++e;
            p.authority_end = e;
            if (auto err = authority(p.authority_begin, e)) return err;
            i = e;
        }
        p.path_begin = i;
        size_t e;
        if (auto err = chars(i, s_.size(), Section::Path, &e)) return err;
        p.path_end = e;
        i = e;
        if (i < s_.size() && s_[i] == '?') {
            p.has_query = true;
            p.query_begin = ++i;
            if (auto err = chars(i, s_.size(), Section::Query, &e)) return err;
            p.query_end = e;
            i = e;
        }
        if (i < s_.size() && s_[i] == '#') {
            p.has_fragment = true;
            p.fragment_begin = ++i;
            if (auto err = chars(i, s_.size(), Section::Fragment)) return err;
        }
        return std::nullopt;
    }

private:
    std::string_view s_;

    // Decodes one code point at i; U+FFFD for a broken sequence, consuming one byte.
    uint32_t decode(size_t& i) const {
        auto b0 = uint8_t(s_[i]);
        if (b0 < 0x80) {
            ++i;
            return b0;
        }
        int n = b0 >= 0xF0 ? 3 : b0 >= 0xE0 ? 2 : b0 >= 0xC0 ? 1 : -1;
        if (n < 0 || i + size_t(n) >= s_.size()) {
            ++i;
            return 0xFFFD;
        }
        uint32_t cp = b0 & (0x3F >> n);
        for (int k = 1; k <= n; ++k) {
            auto b = uint8_t(s_[i + k]);
            if ((b & 0xC0) != 0x80) {
                ++i;
                return 0xFFFD;
            }
            cp = (cp << 6) | (b & 0x3F);
        }
        i += n + 1;
        return cp;
    }

    std::optional<std::string> percent(size_t& i, size_t end) const {
        // s_[i] == '%'
        if (i + 2 < end && has(uint8_t(s_[i + 1]), kHex) && has(uint8_t(s_[i + 2]), kHex)) {
            i += 3;
            return std::nullopt;
        }
        // Report '%' and the (at most two) characters that follow it.
        std::string shown = "%";
        size_t j = i + 1;
        for (int k = 0; k < 2 && j < end; ++k) utf8_append(shown, decode(j));
        return "Invalid IRI percent encoding '" + shown + "'";
    }

    // Checks [i, end) for the section. With `stop`, the path ends at '?' or
    // '#' and the query at '#': the scan stops there and says where.
    std::optional<std::string> chars(size_t i, size_t end, Section sec, size_t* stop = nullptr) const {
        // Runs of plain ASCII go in one tight loop.
        uint8_t fast = sec == Section::Path ? kPathOk : sec == Section::Host || sec == Section::Userinfo ? 0 : kQueryOk;
        while (i < end) {
            auto c = uint8_t(s_[i]);
            if (fast && c < 0x80 && (kClass[c] & fast)) {
                ++i;
                continue;
            }
            if (c < 0x80) {
                bool ok = has(c, kUnreserved | kSubDelim);
                if (!ok) {
                    switch (sec) {
                        case Section::Userinfo: ok = c == ':'; break;
                        case Section::Host: break;
                        case Section::Path: ok = c == ':' || c == '@' || c == '/'; break;
                        case Section::Query:
                        case Section::Fragment: ok = c == ':' || c == '@' || c == '/' || c == '?'; break;
                    }
                }
                if (ok) {
                    ++i;
                    continue;
                }
                if (stop && (c == '#' || (c == '?' && sec == Section::Path))) {
                    *stop = i;
                    return std::nullopt;
                }
                if (c == '%') {
                    if (auto err = percent(i, end)) return err;
                    continue;
                }
                if (sec == Section::Host) return with_char("Invalid character '", c, "' in host");
                return with_char("Invalid IRI code point '", c, "'");
            }
            uint32_t cp = decode(i);
            if (is_ucschar(cp) || (sec == Section::Query && is_iprivate(cp))) continue;
            if (sec == Section::Host) return with_char("Invalid character '", cp, "' in host");
            return with_char("Invalid IRI code point '", cp, "'");
        }
        if (stop) *stop = end;
        return std::nullopt;
    }

    std::optional<std::string> authority(size_t b, size_t e) const {
        size_t at = s_.substr(b, e - b).find('@');
        if (at != std::string_view::npos) {
            if (auto err = chars(b, b + at, Section::Userinfo)) return err;
            b += at + 1;
        }
        size_t port_colon;
        if (b < e && s_[b] == '[') {
            size_t close = s_.substr(b, e - b).find(']');
            if (close == std::string_view::npos)
                return std::string("Invalid host IP (invalid IPv6 address syntax)");
            if (auto err = ip_literal(s_.substr(b + 1, close - 1))) return err;
            port_colon = b + close + 1;
            if (port_colon < e && s_[port_colon] != ':') {
                size_t j = port_colon;
                return with_char("Invalid character '", decode(j), "' in host");
            }
        } else {
            port_colon = b;
            while (port_colon < e && s_[port_colon] != ':') ++port_colon;
            if (auto err = chars(b, port_colon, Section::Host)) return err;
        }
        if (port_colon < e) {
            for (size_t j = port_colon + 1; j < e;) {
                if (has(uint8_t(s_[j]), kDigit)) {
                    ++j;
                    continue;
                }
                return with_char("Invalid character '", decode(j), "'");
            }
        }
        return std::nullopt;
    }

    static std::optional<std::string> ip_literal(std::string_view v) {
        if (!v.empty() && (v[0] == 'v' || v[0] == 'V')) {
            // IPvFuture: "v" 1*HEXDIG "." 1*( unreserved / sub-delims / ":" )
            size_t j = 1;
            while (j < v.size() && has(uint8_t(v[j]), kHex)) ++j;
            bool ok = j > 1 && j < v.size() && v[j] == '.' && j + 1 < v.size();
            for (size_t k = j + 1; ok && k < v.size(); ++k)
                ok = has(uint8_t(v[k]), kUnreserved | kSubDelim) || v[k] == ':';
            if (ok) return std::nullopt;
            return std::string("Invalid host IP (invalid IP address syntax)");
        }
        if (ipv6(v)) return std::nullopt;
        return std::string("Invalid host IP (invalid IPv6 address syntax)");
    }

    static bool ipv4(std::string_view v) {
        int parts = 0;
        size_t i = 0;
        while (true) {
            size_t s = i;
            unsigned val = 0;
            while (i < v.size() && has(uint8_t(v[i]), kDigit) && i - s < 3) val = val * 10 + (v[i++] - '0');
            size_t len = i - s;
            if (len == 0 || val > 255 || (len > 1 && v[s] == '0')) return false;
            if (++parts == 4) return i == v.size();
            if (i >= v.size() || v[i] != '.') return false;
            ++i;
        }
    }

    static bool ipv6(std::string_view v) {
        int groups = 0;
        bool gap = false;
        size_t i = 0;
        if (v.substr(0, 2) == "::") {
            gap = true;
            i = 2;
            if (i == v.size()) return true;
        } else if (!v.empty() && v[0] == ':') {
            return false;
        }
        while (i < v.size()) {
            size_t s = i;
            while (i < v.size() && has(uint8_t(v[i]), kHex) && i - s < 5) ++i;
            if (i < v.size() && v[i] == '.') {
                // Trailing dotted IPv4 takes two groups.
                if (!ipv4(v.substr(s))) return false;
                groups += 2;
                i = v.size();
                break;
            }
            size_t len = i - s;
            if (len == 0 || len > 4) return false;
            ++groups;
            if (i == v.size()) break;
            if (v[i] != ':') return false;
            ++i;
            if (i < v.size() && v[i] == ':') {
                if (gap) return false;
                gap = true;
                ++i;
                if (i == v.size()) break;
            } else if (i == v.size()) {
                return false;
            }
        }
        return gap ? groups <= 7 : groups == 8;
    }
};

// The offset of the last '/' in out[floor, end), or floor when there is none.
size_t last_slash(std::string_view out, size_t floor) {
    const void* p = ::memrchr(out.data() + floor, '/', out.size() - floor);
    return p ? size_t(static_cast<const char*>(p) - out.data()) : floor;
}

// RFC 3986 section 5.2.4, appending the result to `out`. A ".." removes the
// last segment written, never anything before `floor`, and looks no
// further back than that segment: its cost is what it removes.
void remove_dot_segments(std::string_view in, std::string& out, size_t floor) {
    while (!in.empty()) {
        if (in.substr(0, 3) == "../") {
            in.remove_prefix(3);
        } else if (in.substr(0, 2) == "./") {
            in.remove_prefix(2);
        } else if (in.substr(0, 3) == "/./") {
            in.remove_prefix(2);
        } else if (in == "/.") {
            in = "/";
        } else if (in.substr(0, 4) == "/../" || in == "/..") {
            if (in.size() == 3) in = "/";
            else in.remove_prefix(3);
            out.resize(last_slash(out, floor));
        } else if (in == "." || in == "..") {
            in = {};
        } else {
            size_t next = in.find('/', in[0] == '/' ? 1 : 0);
            if (next == std::string_view::npos) next = in.size();
            out.append(in.substr(0, next));
            in.remove_prefix(next);
        }
    }
}

// Appends to `out` the merge of a relative path with a directory free of
// dot segments (RFC 3986 5.2.3-4) whose text is already in `out` but for
// its last '/' (`slashed`; without one the directory is empty): removing
// dot segments from the merge leaves the directory as it is, so only the
// path is read.
void merge_after_directory(std::string_view rpath, bool slashed, std::string& out, size_t floor) {
    if (!slashed) return remove_dot_segments(rpath, out, floor);
    std::string rest;
    rest.reserve(rpath.size() + 1);
    rest += '/';
    rest.append(rpath);
    remove_dot_segments(rest, out, floor);
}

// Whether a path holds a "." or ".." segment. Only dots are looked at, so
// a path without any costs one memchr.
bool has_dot_segment(std::string_view path) {
    for (size_t i = path.find('.'); i != std::string_view::npos; i = path.find('.', i + 1)) {
        if (i > 0 && path[i - 1] != '/') continue;
        size_t j = i + 1;
        if (j < path.size() && path[j] == '.') ++j;
        if (j == path.size() || path[j] == '/') return true;
    }
    return false;
}

}  // namespace

struct IriBuilder {
    // `clean`: the path is known to hold no dot segment, so its directory
    // needs no second look (it is found only if the IRI serves as a base).
    [[gnu::always_inline]] static Result<Iri> from(std::string text, const Parts& p, bool clean = false) {
        Iri iri;
        iri.scheme_end_ = uint32_t(p.scheme_end);
        iri.has_authority_ = p.has_authority;
        iri.authority_end_ = uint32_t(p.has_authority ? p.authority_end : p.scheme_end + 1);
        iri.path_end_ = uint32_t(p.path_end);
        iri.has_query_ = p.has_query;
        iri.query_end_ = uint32_t(p.has_query ? p.query_end : p.path_end);
        iri.text_ = std::move(text);
        if (clean) iri.dir_ = Iri::Dir::DotFree;
        return iri;
    }
};

namespace {

// The usual shape of an absolute IRI, accepted in one pass over plain
// ASCII: a scheme; an optional authority of unreserved and sub-delim
// characters with an optional numeric port; then path, query and fragment
// characters. False only means "not this shape": the full scanner then
// decides, and words any error.
bool plain_absolute_iri(std::string_view s) {
    size_t n = s.size(), i = 0;
    if (n == 0 || !has(uint8_t(s[0]), kAlpha)) return false;
    while (++i < n && has(uint8_t(s[i]), kSchemeRest)) {
    }
    if (i == n || s[i] != ':') return false;
    ++i;
    if (n - i >= 2 && s[i] == '/' && s[i + 1] == '/') {
        i += 2;
        while (i < n && has(uint8_t(s[i]), kUnreserved | kSubDelim)) ++i;
        if (i < n && s[i] == ':')
            while (++i < n && has(uint8_t(s[i]), kDigit)) {
            }
        if (i < n && s[i] != '/' && s[i] != '?' && s[i] != '#') return false;
    }
    // '?' may stand anywhere after the authority (it opens the query, or
    // is part of it or of the fragment); '#' opens the fragment once.
    bool fragment = false;
    for (; i < n; ++i) {
        auto c = uint8_t(s[i]);
        if (has(c, kPathOk) || c == '?') continue;
        if (c != '#' || fragment) return false;
        fragment = true;
    }
    return true;
}

}  // namespace

size_t scheme_length(std::string_view ref) {
    if (ref.empty() || !has(uint8_t(ref[0]), kAlpha)) return 0;
    size_t j = 1;
    while (j < ref.size() && has(uint8_t(ref[j]), kSchemeRest)) ++j;
    return j < ref.size() && ref[j] == ':' ? j : 0;
}

std::optional<std::string> iri_error(std::string_view text) {
    if (plain_absolute_iri(text)) return std::nullopt;
    Parts p;
    return Scanner(text).run(true, p);
}

Result<Iri> Iri::parse(std::string text) {
    if (text.size() > 0xFFFFFFF0u) return Error{ErrorKind::InvalidValue, "IRI too long"};
    Parts p;
    if (auto err = Scanner(text).run(true, p)) return Error{ErrorKind::InvalidValue, std::move(*err)};
    return IriBuilder::from(std::move(text), p);
}

namespace {

// One path segment of plain characters, not "." or ".." (the usual
// rdf:about="item7"): it joins its base without any of the steps below.
bool plain_segment(std::string_view ref) {
    if (ref.empty() || ref == "." || ref == "..") return false;
    for (char ch : ref)
        if (!has(uint8_t(ch), kUnreserved | kSubDelim) && ch != '@') return false;
    return true;
}

}  // namespace

void Iri::set_clean_directory() const {
    size_t n = path_end_ - authority_end_;
    const void* slash = n ? ::memrchr(text_.data() + authority_end_, '/', n) : nullptr;
    dir_end_ = slash ? uint32_t(static_cast<const char*>(slash) - text_.data() + 1) : authority_end_;
    dir_ = Dir::Clean;
}

std::string_view Iri::directory() const {
    if (dir_ == Dir::Unknown || dir_ == Dir::DotFree) {
        bool look = dir_ == Dir::Unknown;
        set_clean_directory();
        std::string_view dir(text_.data() + authority_end_, dir_end_ - authority_end_);
        if (look && has_dot_segment(dir)) {
            clean_dir_.clear();
            remove_dot_segments(dir, clean_dir_, 0);
            dir_ = Dir::Cleaned;
        }
    }
    if (dir_ == Dir::Cleaned) return clean_dir_;
    if (has_authority_ && path_end_ == authority_end_) return "/";
    return std::string_view(text_).substr(authority_end_, dir_end_ - authority_end_);
}

// The two ways of resolving a reference against a base, writing the
// target's text into `out` and its offsets into `p`, and counting the bytes
// taken from the base in `taken`.
struct IriResolution {
    // One plain segment (see plain_segment) joined to the base's directory:
    // removing dot segments from the merge would leave it as it is.
    static void join_segment(const Iri& base, std::string_view ref, std::string& out, Parts& p, size_t& taken) {
        std::string_view dir = base.directory();
        out.reserve(base.authority_end_ + dir.size() + ref.size());
        out.append(base.text_, 0, base.authority_end_);
        out.append(dir);
        out.append(ref);
        taken += base.authority_end_ + dir.size();
        p.has_scheme = true;
        p.has_authority = base.has_authority_;
        p.scheme_end = base.scheme_end_;
        p.authority_end = base.authority_end_;
        p.path_end = out.size();
    }

    // Whether the target's path starts with "//" without an authority,
    // which no IRI may.
    static bool bad_path(const std::string& out, const Parts& p) {
        return !p.has_authority && p.path_end - p.authority_end >= 2 && out[p.authority_end] == '/' &&
               out[p.authority_end + 1] == '/';
    }

    // Any reference, parsed into `r`, in full; false when the target's path
    // is a bad_path. `clean` tells whether the target's path is free of dot
    // segments (all but a copied base path).
    static bool merge(const Iri& base, std::string_view ref, const Parts& r, std::string& out, Parts& p, size_t& taken,
                      bool& clean) {
        std::string_view t(base.text_);
        std::string_view rpath = ref.substr(r.path_begin, r.path_end - r.path_begin);
        std::string_view query = ref.substr(r.query_begin, r.query_end - r.query_begin);
        p.has_scheme = true;
        p.has_query = r.has_query;
        clean = true;
        if (r.has_scheme || r.has_authority) {
            // The reference brings its own authority (and maybe scheme).
            if (!r.has_scheme) {
                out.append(t.substr(0, base.scheme_end_ + 1));
                taken += base.scheme_end_ + 1;
            }
            out.append(ref.substr(0, r.path_begin));
            p.has_authority = r.has_authority;
            p.scheme_end = r.has_scheme ? r.scheme_end : base.scheme_end_;
            p.authority_end = out.size();
            remove_dot_segments(rpath, out, out.size());
        } else {
            out.append(t.substr(0, base.authority_end_));
            taken += base.authority_end_;
            p.has_authority = base.has_authority_;
            p.scheme_end = base.scheme_end_;
            p.authority_end = out.size();
            if (rpath.empty()) {
                std::string_view bpath = t.substr(base.authority_end_, base.path_end_ - base.authority_end_);
                out.append(bpath);
                taken += bpath.size();
                if (!r.has_query && base.has_query_) {
                    p.has_query = true;
                    query = t.substr(base.path_end_ + 1, base.query_end_ - base.path_end_ - 1);
                    taken += query.size() + 1;  // and its '?'
                }
                clean = false;
            } else if (rpath[0] == '/') {
                remove_dot_segments(rpath, out, out.size());
            } else {
                std::string_view dir = base.directory();
                taken += dir.size();
                if (!dir.empty()) out.append(dir.substr(0, dir.size() - 1));
                merge_after_directory(rpath, !dir.empty(), out, p.authority_end);
            }
        }
        p.path_end = out.size();
        if (bad_path(out, p)) return false;
        if (p.has_query) {
            out += '?';
            out.append(query);
            p.query_end = out.size();
        }
        if (r.has_fragment) {
            out += '#';
            out.append(ref.substr(r.fragment_begin));
        }
        return true;
    }
};

Result<Iri> Iri::resolve(std::string_view ref, size_t* cost) const {
    std::string out;
    Parts p;
    size_t taken = 0;
    bool clean = true;
    if (plain_segment(ref)) {
        // A directory without dot segments may still start with "//" once
        // they are gone ("tag:/..//d/").
        IriResolution::join_segment(*this, ref, out, p, taken);
        if (IriResolution::bad_path(out, p)) return Error{ErrorKind::InvalidValue, "An IRI path is not allowed to start with //"};
    } else {
        Parts r;
        if (auto err = Scanner(ref).run(false, r)) return Error{ErrorKind::InvalidValue, std::move(*err)};
        if (!IriResolution::merge(*this, ref, r, out, p, taken, clean))
            return Error{ErrorKind::InvalidValue, "An IRI path is not allowed to start with //"};
    }
    if (out.size() > 0xFFFFFFF0u) return Error{ErrorKind::InvalidValue, "IRI too long"};
    if (cost) *cost = taken + ref.size();
    auto iri = IriBuilder::from(std::move(out), p, clean);
    if (!clean && dir_ != Dir::Unknown) {
        // The base's own path, copied: so is what is known of it.
        iri.value().dir_ = dir_;
        iri.value().dir_end_ = dir_end_;
        iri.value().clean_dir_ = clean_dir_;
    }
    return iri;
}

Result<size_t> Iri::rebase(std::string_view ref) {
    Parts r;
    if (auto err = Scanner(ref).run(false, r)) return Error{ErrorKind::InvalidValue, std::move(*err)};
    std::string_view rpath = ref.substr(r.path_begin, r.path_end - r.path_begin);
    // In place: a relative path after a directory without dot segments. Its
    // own dot segments may take the path back to nothing, which only an
    // authority keeps from starting with "//"; without one, a reference
    // with dot segments is resolved in full.
    bool in_place = !r.has_scheme && !r.has_authority && !rpath.empty() && rpath[0] != '/' &&
                    (has_authority_ || !has_dot_segment(rpath));
    if (in_place) directory();
    if (!in_place || dir_ != Dir::Clean) {
        size_t cost = 0;
        auto full = resolve(ref, &cost);
        if (!full) return full.failure();
        *this = full.take();
        return cost;
    }
    // The directory stays where it is, but for its last '/', which the
    // reference's path is merged from (RFC 3986 5.2.3-4); the base's query
    // and fragment go.
    bool root = has_authority_ && path_end_ == authority_end_;
    bool slashed = root || dir_end_ != authority_end_;
    size_t keep = root || !slashed ? authority_end_ : dir_end_ - 1;
    if (keep + ref.size() + 1 > 0xFFFFFFF0u) return Error{ErrorKind::InvalidValue, "IRI too long"};
    text_.resize(keep);
    merge_after_directory(rpath, slashed, text_, authority_end_);
    path_end_ = uint32_t(text_.size());
    has_query_ = r.has_query;
    if (has_query_) {
        text_ += '?';
        text_.append(ref.substr(r.query_begin, r.query_end - r.query_begin));
    }
    query_end_ = uint32_t(text_.size());
    if (r.has_fragment) {
        text_ += '#';
        text_.append(ref.substr(r.fragment_begin));
    }
    set_clean_directory();
    return ref.size() + (root ? 1 : 0);
}

}  // namespace vg::rdf
