// IRI validation and resolution, language tags and fresh blank-node labels.
// Build and run from the repository root:
//   g++ -std=c++20 -Isrc tests/cpp/test_rdf_iri.cpp $(find src/core -name '*.cpp')
//   ./a.out
#include <algorithm>
#include <iterator>
#include <random>
#include <set>
#include <string>

#include "core/rdf/iri.hpp"
#include "core/rdf/language_tag.hpp"
#include "core/rdf/terms.hpp"

#include "check.hpp"

using namespace vg::rdf;

static std::string check_iri(std::string_view s) {
    auto e = iri_error(s);
    return e ? *e : "<ok>";
}

static std::string resolve(std::string_view base, std::string_view ref) {
    auto b = Iri::parse(std::string(base));
    if (!b) return "base: " + b.error();
    auto r = b.value().resolve(ref);
    return r ? r.value().str() : "error: " + r.error();
}

static void validation() {
    struct Case {
        const char* text;
        const char* want;
    } cases[] = {
        {"http://ex.org/a/b?c=d#e", "<ok>"},
        {"urn:isbn:123", "<ok>"},
        {"scheme:!$%25&'()*+,-./0123456789:/@ABCXYZ_abcxyz~?#", "<ok>"},
        {"http://[::1]:8080/x", "<ok>"},
        {"http://[2001:db8::7]/", "<ok>"},
        {"http://[::ffff:192.0.2.1]/", "<ok>"},
        {"http://[v7.a:b]/", "<ok>"},
        {"http://user:pw@host:/", "<ok>"},
        {"http://ex.org/\xc3\xa9t\xc3\xa9", "<ok>"},
        {"http://ex.org/?\xee\x80\x80", "<ok>"},          // private use: query only
        {"http://ex.org/\xee\x80\x80", "Invalid IRI code point '\xee\x80\x80'"},
        {"alice", "No scheme found in an absolute IRI"},
        {"", "No scheme found in an absolute IRI"},
        {"1a:b", "No scheme found in an absolute IRI"},
        {"a b:c", "No scheme found in an absolute IRI"},
        {"http://ex.org/a b", "Invalid IRI code point ' '"},
        {"http://ex.org/<", "Invalid IRI code point '<'"},
        {"http://ex.org/a>", "Invalid IRI code point '>'"},
        {"http://ex.org/\"", "Invalid IRI code point '\"'"},
        {"http://ex.org/{}", "Invalid IRI code point '{'"},
        {"http://ex.org/|", "Invalid IRI code point '|'"},
        {"http://ex.org/\\", "Invalid IRI code point '\\'"},
        {"http://ex.org/^", "Invalid IRI code point '^'"},
        {"http://ex.org/`", "Invalid IRI code point '`'"},
        {"http://ex.org/\x01", "Invalid IRI code point '\x01'"},
        {"http://ex.org/#a#b", "Invalid IRI code point '#'"},
        {"http://ex.org/%4g", "Invalid IRI percent encoding '%4g'"},
        {"http://ex.org/%4", "Invalid IRI percent encoding '%4'"},
        {"http://ex.org/%", "Invalid IRI percent encoding '%'"},
        {"http://ex ample.org/", "Invalid character ' ' in host"},
        {"http://ex.org:8a/", "Invalid character 'a'"},
        {"http://[::1/", "Invalid host IP (invalid IPv6 address syntax)"},
        {"http://[1:2:3:4:5:6:7:8:9]/", "Invalid host IP (invalid IPv6 address syntax)"},
        {"http://[::1]x/", "Invalid character 'x' in host"},
    };
    for (auto& c : cases) CHECK_EQ(check_iri(c.text), std::string(c.want));

    // The one-pass check of common IRIs must agree with the full parser
    // (Iri::parse) on every text, valid or not, and in the error's words:
    // random texts built from the characters that shape an IRI.
    static constexpr std::string_view kPieces[] = {
        "http", "urn", ":", "//", "/", "?", "#", "@", "[", "]", "::1", "%", "%41", "%4", "a", "Z9", "-._~",
        "!$&'()*+,;=", "80", " ", "<", "\\", "\xc3\xa9", "\xee\x80\x80", "\x80", "1", "ex.org", "+",
    };
    std::mt19937 rng(11);
    for (int i = 0; i < 200000; ++i) {
        static constexpr std::string_view kStarts[] = {"", "http:", "http://", "urn:", "http://ex.org", "s://h:"};
        std::string text(kStarts[rng() % std::size(kStarts)]);
        for (size_t n = rng() % 7; n > 0; --n) text += kPieces[rng() % std::size(kPieces)];
        auto full = Iri::parse(text);
        CHECK_EQ(check_iri(text), full ? std::string("<ok>") : full.error());
    }
}

static void resolution() {
    // The normal and abnormal examples of RFC 3986 section 5.4.
    const char* base = "http://a/b/c/d;p?q";
    struct Case {
        const char* ref;
        const char* want;
    } cases[] = {
        {"g:h", "g:h"}, {"g", "http://a/b/c/g"}, {"./g", "http://a/b/c/g"}, {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"}, {"//g", "http://g"}, {"?y", "http://a/b/c/d;p?y"}, {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q#s"}, {"g#s", "http://a/b/c/g#s"}, {"g?y#s", "http://a/b/c/g?y#s"},
        {";x", "http://a/b/c/;x"}, {"g;x", "http://a/b/c/g;x"}, {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"}, {"./", "http://a/b/c/"}, {"..", "http://a/b/"}, {"../", "http://a/b/"},
        {"../g", "http://a/b/g"}, {"../..", "http://a/"}, {"../../", "http://a/"}, {"../../g", "http://a/g"},
        {"../../../g", "http://a/g"}, {"../../../../g", "http://a/g"}, {"/./g", "http://a/g"},
        {"/../g", "http://a/g"}, {"g.", "http://a/b/c/g."}, {".g", "http://a/b/c/.g"}, {"g..", "http://a/b/c/g.."},
        {"..g", "http://a/b/c/..g"}, {"./../g", "http://a/b/g"}, {"./g/.", "http://a/b/c/g/"},
        {"g/./h", "http://a/b/c/g/h"}, {"g/../h", "http://a/b/c/h"}, {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
        {"g;x=1/../y", "http://a/b/c/y"}, {"g?y/./x", "http://a/b/c/g?y/./x"}, {"g#s/../x", "http://a/b/c/g#s/../x"},
        {"http:g", "http:g"}, {"g h", "error: Invalid IRI code point ' '"},
    };
    for (auto& c : cases) CHECK_EQ(resolve(base, c.ref), std::string(c.want));
    CHECK_EQ(resolve("http://ex.org", "a"), std::string("http://ex.org/a"));
    CHECK_EQ(resolve("http://ex.org/a?q#f", "#g"), std::string("http://ex.org/a?q#g"));
    CHECK_EQ(resolve("tag:a/b", "../c"), std::string("tag:/c"));
    CHECK_EQ(resolve("tag:a/b", "..//c"), std::string("error: An IRI path is not allowed to start with //"));
    // A resolved IRI serves as a base in turn.
    auto b = Iri::parse("http://ex.org/x/y").take().resolve("z/").take().resolve("../w?q");
    CHECK_EQ(b.value().str(), std::string("http://ex.org/x/w?q"));

    // A reference of one segment resolves as "./" before it does (the
    // short way for plain segments, the full one for the rest), against
    // bases with and without authority, directories and dot segments.
    static constexpr const char* kBases[] = {"http://a", "http://a/", "http://a/b/c", "http://a/b/./c/",
                                             "http://a/../b/", "urn:x", "urn:x/y/", "tag:a/b", "s:/",
                                             "http://a/b?q", "http://a/b#f", "file:///d/", "s:./a/", "s:../a/b"};
    static constexpr std::string_view kSegments[] = {"a", "Z9", ".", "..", "-_~", "!$&'()*+,;=", "@", "%41", "%4",
                                                     "\xc3\xa9", " "};
    std::mt19937 rng(5);
    for (const char* base_text : kBases) {
        Iri base = Iri::parse(base_text).take();
        for (int i = 0; i < 400; ++i) {
            std::string ref;
            for (size_t n = 1 + rng() % 3; n > 0; --n) ref += kSegments[rng() % std::size(kSegments)];
            auto direct = base.resolve(ref), dotted = base.resolve("./" + ref);
            CHECK_EQ(direct ? direct.value().str() : direct.error(), dotted ? dotted.value().str() : dotted.error());
            if (direct && dotted) {  // the parts found agree too: the result serves as a base alike
                auto again = direct.value().resolve("x?y"), again_dotted = dotted.value().resolve("x?y");
                CHECK_EQ(again.value().str(), again_dotted.value().str());
            }
        }
    }
}

// A base changed in place must be the IRI that resolution gives, offsets
// included (later references see its path, query and fragment), and a
// chain of relative bases must cost what the references add.
static void rebasing() {
    const char* bases[] = {"http://a/b/c/d;p?q#f", "http://a", "http://a/x/./y/", "tag:a/b", "urn:isbn:1",
                           "file:///tmp/x", "http://a/b/../c?q"};
    const char* refs[] = {"g", "g/", "g/h?y#s", "g;x", "..", "./g", "g/./h", "g/../h", "?y", "#s", "", "/g", "//h/i",
                          "x:y", "g..", ".g", "g%20h", "..g/"};
    const char* probes[] = {"p", "#t", "", "?z", "../u", "/v"};
    for (const char* b : bases) {
        for (const char* first : refs) {
            for (const char* second : refs) {
                Iri in_place = Iri::parse(b).take();
                vg::Result<Iri> resolved = Iri::parse(b).take();
                for (const char* ref : {first, second}) {
                    auto r = in_place.rebase(ref);
                    resolved = resolved.value().resolve(ref);
                    CHECK(r.ok() && resolved.ok());
                    if (!r.ok() || !resolved.ok()) return;
                    CHECK_EQ(in_place.str(), resolved.value().str());
                }
                for (const char* probe : probes)
                    CHECK_EQ(in_place.resolve(probe).value().str(), resolved.value().resolve(probe).value().str());
            }
        }
    }
    Iri chain = Iri::parse("http://ex.org/").take();
    size_t written = 0;
    for (int i = 0; i < 10000; ++i) written += chain.rebase("s/").value();
    CHECK_EQ(written, size_t(20000));
    CHECK_EQ(chain.str().size(), size_t(14 + 20000));
    // Dot segments cost what they read, not the base they shorten.
    for (int i = 0; i < 10000; ++i) CHECK_EQ(chain.rebase("../t/./").value(), size_t(7));
    CHECK_EQ(chain.str().size(), size_t(14 + 20000));
    CHECK_EQ(chain.rebase("..").value(), size_t(2));
    CHECK_EQ(chain.str().size(), size_t(14 + 19998));
    CHECK_EQ(chain.rebase("g h").error(), std::string("Invalid IRI code point ' '"));
}


// RFC 3986 section 5.2, transcribed step by step on whole strings: the
// model the resolver (its short ways, in-place rebasing and the costs they
// report) must agree with on every input.
namespace model {
struct Split {
    bool scheme = false, authority = false, query = false, fragment = false;
    std::string s, a, p, q, f;
};
Split split(std::string_view t) {
    Split r;
    size_t i = 0;
    if (size_t n = scheme_length(t)) {
        r.scheme = true;
        r.s = t.substr(0, n);
        i = n + 1;
    }
    if (t.substr(i, 2) == "//") {
        size_t e = std::min(t.find_first_of("/?#", i + 2), t.size());
        r.authority = true;
        r.a = t.substr(i + 2, e - i - 2);
        i = e;
    }
    size_t e = std::min(t.find_first_of("?#", i), t.size());
    r.p = t.substr(i, e - i);
    i = e;
    if (i < t.size() && t[i] == '?') {
        e = std::min(t.find('#', i + 1), t.size());
        r.query = true;
        r.q = t.substr(i + 1, e - i - 1);
        i = e;
    }
    if (i < t.size()) {
        r.fragment = true;
        r.f = t.substr(i + 1);
    }
    return r;
}
std::string remove_dots(std::string in) {
    std::string out;
    auto starts = [&](const char* p) { return in.rfind(p, 0) == 0; };
    while (!in.empty()) {
        if (starts("../")) in.erase(0, 3);
        else if (starts("./")) in.erase(0, 2);
        else if (starts("/./")) in.erase(0, 2);
        else if (in == "/.") in = "/";
        else if (starts("/../") || in == "/..") {
            in = in.size() == 3 ? "/" : in.substr(3);
            size_t c = out.rfind('/');
            out.resize(c == std::string::npos ? 0 : c);
        } else if (in == "." || in == "..") in.clear();
        else {
            size_t n = std::min(in.find('/', in[0] == '/' ? 1 : 0), in.size());
            out += in.substr(0, n);
            in.erase(0, n);
        }
    }
    return out;
}
std::string resolve(std::string_view base, std::string_view ref) {
    Split b = split(base), r = split(ref), t;
    if (r.scheme) {
        t = r;
        t.p = remove_dots(r.p);
    } else {
        if (r.authority) {
            t = r;
            t.p = remove_dots(r.p);
        } else {
            if (r.p.empty()) {
                t.p = b.p;
                t.query = r.query || b.query;
                t.q = r.query ? r.q : b.q;
            } else {
                if (r.p[0] == '/') {
                    t.p = remove_dots(r.p);
                } else if (b.authority && b.p.empty()) {
                    t.p = remove_dots("/" + r.p);
                } else {
                    size_t slash = b.p.rfind('/');
                    t.p = remove_dots((slash == std::string::npos ? "" : b.p.substr(0, slash + 1)) + r.p);
                }
                t.query = r.query;
                t.q = r.q;
            }
            t.authority = b.authority;
            t.a = b.a;
        }
        t.scheme = true;
        t.s = b.s;
    }
    if (!t.authority && t.p.rfind("//", 0) == 0) return "error: An IRI path is not allowed to start with //";
    std::string out = t.s + ":";
    if (t.authority) out += "//" + t.a;
    out += t.p;
    if (t.query) out += "?" + t.q;
    if (r.fragment) out += "#" + r.f;
    return out;
}
}  // namespace model

// Random bases and references (and chains of them) against the model:
// dot segments anywhere, empty segments, long segments, queries,
// fragments, bases with and without authority.
static void resolution_model() {
    static constexpr std::string_view kSegments[] = {"a", "bb", "", ".", "..", "%41", "g;x", "c.d", "..e", "xxxxxxxxxxxxxxxx"};
    static constexpr std::string_view kBaseStarts[] = {"http://h", "http://h:8", "tag:", "s:/", "file://"};
    std::mt19937 rng(23);
    auto path = [&](bool absolute) {
        std::string p = absolute ? "/" : "";
        for (size_t n = rng() % 6; n > 0; --n) {
            p += kSegments[rng() % std::size(kSegments)];
            if (n > 1 || rng() % 2) p += '/';
        }
        return p;
    };
    auto tail = [&](std::string& t) {
        if (rng() % 4 == 0) t += "?q" + path(false);
        if (rng() % 4 == 0) t += "#f" + path(false);
    };
    auto reference = [&] {
        std::string r;
        switch (rng() % 8) {
            case 0: r = "t:"; break;
            case 1: r = "//k"; break;
            default: break;
        }
        r += path(!r.empty() ? rng() % 2 : rng() % 5 == 0);
        tail(r);
        return r;
    };
    for (int i = 0; i < 20000; ++i) {
        std::string base(kBaseStarts[rng() % std::size(kBaseStarts)]);
        base += path(base.back() != ':' || rng() % 2);
        tail(base);
        auto parsed = Iri::parse(base);
        if (!parsed) continue;  // e.g. "tag://..." without a valid authority
        Iri in_place = parsed.value();
        std::string expect = base;
        for (int step = 0; step < 6; ++step) {
            std::string ref = reference();
            std::string want = model::resolve(expect, ref);
            size_t cost = 0;
            auto got = in_place.resolve(ref, &cost);
            CHECK_EQ(got ? got.value().str() : "error: " + got.error(), want);
            if (got) CHECK(cost >= got.value().str().size());
            auto r = in_place.rebase(ref);
            CHECK_EQ(r ? in_place.str() : "error: " + r.error(), want);
            if (!r) {
                CHECK_EQ(in_place.str(), expect);  // a refused base leaves the old one in force
                continue;
            }
            CHECK(r.value() <= ref.size() + in_place.str().size() + expect.size());
            expect = want;
        }
    }
}

static void language_tags() {
    for (const char* ok : {"en", "en-US", "zh-Hant-TW", "sl-rozaj-biske", "de-CH-1901", "x-whatever", "i-klingon",
                           "EN-gb-OED", "zh-min-nan", "en-a-bbb-x-a-ccc", "hy-Latn-IT-arevela", "es-419",
                           "zh-yue-HK", "qaa-Qaaa-QM-x-southern", "abcdefgh"})
        CHECK_EQ(language_tag_error(ok).value_or("<ok>"), std::string("<ok>"));
    for (const char* bad : {"", "e", "en-", "-en", "en--us", "en-US-", "123", "en-a", "en-x", "abcdefghi",
                            "en-\xc3\xa9", "en_US", "a-DE", "en-a-b", "en-US-toolongsubtag"})
        CHECK(language_tag_error(bad).has_value());
    std::string t = "EN-Latn-US";
    ascii_lowercase(t);
    CHECK_EQ(t, std::string("en-latn-us"));
}

static void blank_ids() {
    BlankIds ids;
    std::set<std::string> seen;
    for (int i = 0; i < 2000; ++i) {
        std::string id = ids.next();
        CHECK(id.size() >= 1 && id.size() <= 32);
        CHECK(id[0] >= 'a' && id[0] <= 'f');
        for (char c : id) CHECK((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'));
        seen.insert(id);
    }
    CHECK_EQ(seen.size(), size_t(2000));
}

int main() {
    validation();
    resolution();
    rebasing();
    resolution_model();
    language_tags();
    blank_ids();
    return check_summary("test_rdf_iri");
}
