// The Turtle-family readers seen from a sink: the terms they hand over
// (literal values, tags, datatypes, escapes), the same terms from a file
// whose tokens straddle buffer refills, and stopping when the sink says so.
// The loader drops literal values, so only this program checks them.
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/rdf/read/load.hpp"

#include "check.hpp"

using namespace vg;
using namespace vg::rdf;

namespace {

struct Recorder : TripleSink {
    std::vector<std::string> lines;
    size_t stop_after = SIZE_MAX;
    // A key names one term for the whole read.
    std::map<uint64_t, std::string> keyed;
    void same_term(const TermRef& t) {
        if (!t.key) return;
        auto [it, added] = keyed.try_emplace(t.key, term(t));
        CHECK_EQ(it->second, term(t));
    }
    static std::string term(const TermRef& t) {
        if (t.kind == TermKind::Iri) return "<" + std::string(t.value) + ">";
        if (t.kind == TermKind::BlankNode) return "_:" + std::string(t.value);
        std::string s = "\"" + std::string(t.value) + "\"";
        if (!t.language.empty()) s += "@" + std::string(t.language);
        if (!t.datatype.empty()) s += "^^<" + std::string(t.datatype) + ">";
        return s;
    }
    bool triple(const TermRef& s, const TermRef& predicate, const TermRef& o) override {
        std::string_view p = predicate.value;
        same_term(s);
        same_term(predicate);
        same_term(o);
        lines.push_back(term(s) + " <" + std::string(p) + "> " + term(o));
        return lines.size() < stop_after;
    }
};

std::string read(RdfSyntax syntax, TextInput text, Recorder& rec) {
    RdfInput in{text};
    ReadOutcome r = read_syntax(syntax, in, rec);
    if (r.kind == ReadOutcome::Kind::Failed) return "error: " + r.message;
    if (r.kind == ReadOutcome::Kind::Stopped) return "stopped";
    std::string all;
    for (auto& l : rec.lines) all += l + "\n";
    return all;
}

std::string from_string(RdfSyntax syntax, std::string_view doc) {
    Recorder rec;
    return read(syntax, TextInput::from_string(doc), rec);
}

std::string from_file(RdfSyntax syntax, const std::string& doc) {
    TempDir dir;
    std::string path = dir.file("doc");
    std::ofstream(path, std::ios::binary) << doc;
    auto opened = TextInput::open_file(path);
    return opened ? [&] { Recorder rec; return read(syntax, std::move(opened.value()), rec); }() : opened.error();
}

const std::string X = "http://ex.org/";
const std::string XSD = "http://www.w3.org/2001/XMLSchema#";

void turtle_terms() {
    struct Case {
        std::string doc;
        std::string want;
    } cases[] = {
        {"@prefix : <" + X + "> . :s :p 'a\\tb\\u00E9\\U0001F600\\\\\\'' .",
         "<" + X + "s> <" + X + "p> \"a\tb\xC3\xA9\xF0\x9F\x98\x80\\'\"\n"},
        // Every escape of a string, and the highest code point.
        {"@prefix : <" + X + "> . :s :p \"\\b\\f\\n\\r\\\"\\U0010FFFF\\u0000\" .",
         "<" + X + "s> <" + X + "p> \"\b\f\n\r\"\xF4\x8F\xBF\xBF" + std::string(1, '\0') + "\"\n"},
        {"@prefix : <" + X + "> . :s :p \"\"\"x\n\"y\"\"z\"\"\"@EN-gb .",
         "<" + X + "s> <" + X + "p> \"x\n\"y\"\"z\"@en-gb\n"},
        {"@prefix : <" + X + "> . :s :p -1, +.5, 1.e3, 2E-1, true .",
         "<" + X + "s> <" + X + "p> \"-1\"^^<" + XSD + "integer>\n<" + X + "s> <" + X + "p> \"+.5\"^^<" + XSD +
             "decimal>\n<" + X + "s> <" + X + "p> \"1.e3\"^^<" + XSD + "double>\n<" + X + "s> <" + X +
             "p> \"2E-1\"^^<" + XSD + "double>\n<" + X + "s> <" + X + "p> \"true\"^^<" + XSD + "boolean>\n"},
        {"PREFIX x: <" + XSD + "> <" + X + "s> <" + X + "p> \"7\"^^x:int.",
         "<" + X + "s> <" + X + "p> \"7\"^^<" + XSD + "int>\n"},
        {"@prefix : <" + X + "> . :a.b :c\\~d%20 _:x.y.", "<" + X + "a.b> <" + X + "c~d%20> _:x.y\n"},
        {"@base <" + X + "d/> . <\\u0061> <#p> <?q> .", "<" + X + "d/a> <" + X + "d/#p> <" + X + "d/?q>\n"},
        {"@prefix : <" + X + "> . :s :p :o . # comment \xC3\xA9", "<" + X + "s> <" + X + "p> <" + X + "o>\n"},
    };
    for (auto& c : cases) CHECK_EQ(from_string(RdfSyntax::Turtle, c.doc), c.want);
    CHECK_EQ(from_string(RdfSyntax::NTriples, "<" + X + "s> <" + X + "p> \"\\U0010FFFF\\t\" ."),
             "<" + X + "s> <" + X + "p> \"\xF4\x8F\xBF\xBF\t\"\n");
    // Past the last code point, and surrogates, are refused.
    for (const char* esc : {"\\U00110000", "\\uD800", "\\uDFFF"})
        CHECK(from_string(RdfSyntax::NTriples, "<" + X + "s> <" + X + "p> \"" + esc + "\" .").starts_with("error: "));
    // A comment or a literal holding bytes that are not UTF-8 is refused.
    CHECK(from_string(RdfSyntax::Turtle, "# \xC3\x28\n").starts_with("error: "));
    CHECK(from_string(RdfSyntax::NTriples, "<" + X + "s> <" + X + "p> \"\xFF\" .").starts_with("error: "));
}

// A key names one term for the whole read (the Recorder checks every one):
// subjects that come back after nested lists and collections or take a
// list's place, frames reused from statement to statement, predicates over
// object lists, in Turtle and TriG.
void keyed_terms() {
    const std::string l = "<" + X + std::string(100, 'l') + ">", p = "<" + X + "p>", o = "<" + X + "o>";
    std::string doc = l + " " + p + " [ " + p + " 1 ] , ( " + l + " " + o + " ) ; " + l + " [] , " + o + " .\n" +
                      "[] " + p + " " + o + " .\n" + l + " " + p + " " + o + " .\n( " + o + " ) " + p + " " + o +
                      " .\n" + l + " " + l + " " + l + " .\n[ " + p + " [ " + l + " " + o + " ] ] " + l + " " + o +
                      " .\n() " + l + " _:b , _:b .\n";
    for (RdfSyntax syntax : {RdfSyntax::Turtle, RdfSyntax::TriG}) {
        Recorder rec;
        std::string text = syntax == RdfSyntax::TriG ? "{ " + doc + " }" : doc;
        CHECK(!read(syntax, TextInput::from_string(text), rec).starts_with("error"));
        CHECK(!rec.keyed.empty());
    }
}

void refills() {
    // Escaped and plain tokens of every length around the buffer size, so
    // that refills fall inside escapes, multi-byte characters and the
    // closing quote.
    std::string doc;
    for (int i = 0; i < 40; ++i) {
        std::string lit(8150 + i * 3, 'a');
        for (size_t k = 0; k < lit.size(); k += 997) lit.replace(k, 1, (k / 997) % 2 ? "\\u00e9" : "\xC3\xA9");
        doc += "<" + X + "s" + std::to_string(i) + "> <" + X + "p> \"" + lit + "\"@en-GB .\n";
        doc += "<" + X + std::string(8180 + i, 'i') + "\\u0041> <" + X + "p> _:" + std::string(i + 1, 'b') + " .\n";
    }
    std::string s = from_string(RdfSyntax::NTriples, doc);
    CHECK(s.size() > 600000);
    CHECK(s == from_file(RdfSyntax::NTriples, doc));
    CHECK(s == from_string(RdfSyntax::NQuads, doc));
    CHECK(s == from_file(RdfSyntax::Turtle, doc));
}

void stopping() {
    Recorder rec;
    rec.stop_after = 2;
    std::string doc = "@prefix : <" + X + "> . :s :p :a , :b , :c .";
    CHECK_EQ(read(RdfSyntax::Turtle, TextInput::from_string(doc), rec), std::string("stopped"));
    CHECK_EQ(rec.lines.size(), size_t(2));
    // Positions use code points for columns.
    CHECK_EQ(from_string(RdfSyntax::NTriples, "<" + X + "\xC3\xA9\xC3\xA9> \xC3\x97"),
             std::string("error: Parser error at line 1 column 20: unexpected character '\xC3\x97'"));
}

// The loaders poll the interrupt hook as they read: the first poll that
// answers true ends the load by throwing, whatever the syntax.
struct Polls {
    int count = 0;
    int stop_at = 0;
    static bool poll(void* self) {
        auto* p = static_cast<Polls*>(self);
        return ++p->count == p->stop_at;
    }
};

void interrupts() {
    std::string nt, xml = "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" xmlns:ex=\"" + X + "\">";
    for (int i = 0; i < 20000; ++i) {
        nt += "<" + X + "s> <" + X + "p> \"" + std::to_string(i) + "\" .\n";
        xml += "<rdf:Description rdf:about=\"" + X + "s\"><ex:p>" + std::to_string(i) + "</ex:p></rdf:Description>";
    }
    xml += "</rdf:RDF>";
    for (const char* format : {"nt", "nq", "turtle", "trig", "rdfxml"}) {
        const std::string& doc = std::string_view(format) == "rdfxml" ? xml : nt;
        Polls never;
        Interrupt quiet{&Polls::poll, &never};
        auto r = load_rdf_text(doc, format, UINT64_MAX, UINT64_MAX, &quiet);
        CHECK(r.ok() && r.value().stats.total_triples == 20000);
        CHECK(never.count >= 4);
        Polls third{0, 3};
        Interrupt stop{&Polls::poll, &third};
        bool thrown = false;
        try {
            load_rdf_text(doc, format, UINT64_MAX, UINT64_MAX, &stop);
        } catch (const Interrupted&) {
            thrown = true;
        }
        CHECK(thrown);
        CHECK_EQ(third.count, 3);
    }
}

}  // namespace

int main() {
    turtle_terms();
    keyed_terms();
    refills();
    stopping();
    interrupts();
    return check_summary("test_rdf_readers");
}
