// The RDF/XML reader and its XML tokenizer, driven through the reader
// contract of the RDF loaders: hand-out order, error texts, entities,
// encodings, line ends, base and language, XML literals, and reading a file
// in buffered steps.
#include <cstdlib>
#include <random>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "check.hpp"
#include "core/io/text_input.hpp"
#include "core/rdf/read/load.hpp"
#include "core/rdf/read/reader.hpp"
#include "core/rdf/read/xml_namespaces.hpp"

namespace {

using vg::rdf::TermKind;
using vg::rdf::TermRef;

// Triples as N-Triples-like lines; fresh blank nodes renamed _:f1, _:f2, ...
// in order of appearance so that runs compare equal.
struct Lines final : vg::rdf::TripleSink {
    std::vector<std::string> out;
    std::vector<std::string> fresh;
    std::string term(const TermRef& t) {
        if (t.kind == TermKind::Iri) return "<" + std::string(t.value) + ">";
        if (t.kind == TermKind::BlankNode) {
            if (t.value.size() < 20) return "_:" + std::string(t.value);
            for (size_t i = 0; i < fresh.size(); ++i)
                if (fresh[i] == t.value) return "_:f" + std::to_string(i + 1);
            fresh.emplace_back(t.value);
            return "_:f" + std::to_string(fresh.size());
        }
        std::string s = "\"" + std::string(t.value) + "\"";
        if (!t.language.empty()) s += "@" + std::string(t.language);
        if (!t.datatype.empty()) s += "^^<" + std::string(t.datatype) + ">";
        return s;
    }
    // A key names one term for the whole read.
    std::map<uint64_t, std::string> keyed;
    void same_term(const TermRef& t) {
        if (!t.key) return;
        auto [it, added] = keyed.try_emplace(t.key, term(t));
        CHECK_EQ(it->second, term(t));
    }
    bool triple(const TermRef& s, const TermRef& predicate, const TermRef& o) override {
        std::string_view p = predicate.value;
        same_term(s);
        same_term(predicate);
        same_term(o);
        out.push_back(term(s) + " <" + std::string(p) + "> " + term(o));
        return true;
    }
};

struct Parsed {
    std::vector<std::string> lines;
    std::string error;  // empty on success
};

Parsed parse_input(vg::TextInput& text) {
    Lines sink;
    vg::rdf::RdfInput in{text};
    auto r = vg::rdf::read_rdfxml(in, sink);
    return {sink.out, r.kind == vg::rdf::ReadOutcome::Kind::Failed ? r.message : std::string()};
}

Parsed parse(const std::string& doc) {
    auto text = vg::TextInput::from_string(doc);
    return parse_input(text);
}

const std::string RDF = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
const std::string HEAD =
    "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" xmlns:ex=\"http://ex.org/\" "
    "xml:base=\"http://ex.org/doc\">";
std::string doc(const std::string& body) { return HEAD + body + "</rdf:RDF>"; }
std::string r(const std::string& local) { return "<" + RDF + local + ">"; }

std::string join(const std::vector<std::string>& v) {
    std::string s;
    for (auto& l : v) s += l + "\n";
    return s;
}

void hand_out_order() {
    struct Case {
        std::string body;  // inside rdf:RDF, unless `whole`
        std::vector<std::string> want;
        bool whole = false;
    } cases[] = {
        // A property with rdf:ID: the triple, then its reification from rdf:object back.
        {"<rdf:Description rdf:about=\"http://ex.org/s\"><ex:p rdf:ID=\"st\">v</ex:p></rdf:Description>",
         {"<http://ex.org/s> <http://ex.org/p> \"v\"", "<http://ex.org/doc#st> " + r("object") + " \"v\"",
          "<http://ex.org/doc#st> " + r("predicate") + " <http://ex.org/p>",
          "<http://ex.org/doc#st> " + r("subject") + " <http://ex.org/s>",
          "<http://ex.org/doc#st> " + r("type") + " " + r("Statement")}},
        // A collection: the property triple, then the chain from its head.
        {"<rdf:Description rdf:about=\"http://ex.org/s\"><ex:p rdf:parseType=\"Collection\">"
         "<rdf:Description rdf:about=\"http://ex.org/a\"/><rdf:Description rdf:about=\"http://ex.org/b\"/></ex:p>"
         "</rdf:Description>",
         {"<http://ex.org/s> <http://ex.org/p> _:f1", "_:f1 " + r("rest") + " _:f2",
          "_:f1 " + r("first") + " <http://ex.org/a>", "_:f2 " + r("rest") + " " + r("nil"),
          "_:f2 " + r("first") + " <http://ex.org/b>"}},
        {"<rdf:Description rdf:about=\"http://ex.org/s\"><ex:p rdf:parseType=\"Collection\"/></rdf:Description>",
         {"<http://ex.org/s> <http://ex.org/p> " + r("nil")}},
        // A typed node: property attributes, rdf:type attribute, then the element's type.
        {"<ex:Thing rdf:about=\"http://ex.org/A\" ex:p=\"v\" rdf:type=\"http://ex.org/T\"/>",
         {"<http://ex.org/A> " + r("type") + " <http://ex.org/Thing>", "<http://ex.org/A> " + r("type") + " <http://ex.org/T>",
          "<http://ex.org/A> <http://ex.org/p> \"v\""}},
        // parseType Resource with rdf:ID: reification and triple at the start tag.
        {"<rdf:Description rdf:about=\"http://ex.org/s\"><ex:p rdf:parseType=\"Resource\" rdf:ID=\"r1\">"
         "<ex:q>w</ex:q></ex:p></rdf:Description>",
         {"<http://ex.org/s> <http://ex.org/p> _:f1", "<http://ex.org/doc#r1> " + r("object") + " _:f1",
          "<http://ex.org/doc#r1> " + r("predicate") + " <http://ex.org/p>",
          "<http://ex.org/doc#r1> " + r("subject") + " <http://ex.org/s>",
          "<http://ex.org/doc#r1> " + r("type") + " " + r("Statement"), "_:f1 <http://ex.org/q> \"w\""}},
        // rdf:li numbers per node, counting only rdf:li children.
        {"<rdf:Seq rdf:about=\"http://ex.org/l\"><ex:x>0</ex:x><rdf:li>a</rdf:li><rdf:li>b</rdf:li></rdf:Seq>"
         "<rdf:Bag rdf:about=\"http://ex.org/m\"><rdf:li>c</rdf:li></rdf:Bag>",
         {"<http://ex.org/l> " + r("type") + " " + r("Seq"), "<http://ex.org/l> <http://ex.org/x> \"0\"",
          "<http://ex.org/l> " + r("_1") + " \"a\"", "<http://ex.org/l> " + r("_2") + " \"b\"",
          "<http://ex.org/m> " + r("type") + " " + r("Bag"), "<http://ex.org/m> " + r("_1") + " \"c\""}},
        // Resource with a property attribute: the attribute triple at the start tag.
        {"<rdf:Description rdf:about=\"http://ex.org/s\"><ex:p rdf:resource=\"o\" ex:q=\"v\"/></rdf:Description>",
         {"<http://ex.org/o> <http://ex.org/q> \"v\"", "<http://ex.org/s> <http://ex.org/p> <http://ex.org/o>"}},
        // Text around references and CDATA is one literal; comments vanish.
        {"<rdf:Description rdf:about=\"http://ex.org/s\"><ex:p>a&amp;b&#38;c<![CDATA[&]]>d<!-- x -->e</ex:p></rdf:Description>",
         {"<http://ex.org/s> <http://ex.org/p> \"a&b&c&de\""}},
        // A root node element without rdf:RDF.
        {"<ex:T xmlns:ex=\"http://ex.org/\" xmlns:rdf=\"" + RDF + "\" rdf:about=\"http://ex.org/a\"/>",
         {"<http://ex.org/a> " + r("type") + " <http://ex.org/T>"}, true},
    };
    for (auto& c : cases) {
        Parsed p = parse(c.whole ? c.body : doc(c.body));
        CHECK_EQ(p.error, std::string());
        CHECK_EQ(join(p.lines), join(c.want));
    }
}

void literals_base_and_language() {
    struct Case {
        std::string body;
        std::string want;
    } cases[] = {
        {"<rdf:Description rdf:about=\"s\" xml:lang=\"EN-gb\"><ex:p/><ex:q xml:lang=\"fr\">x</ex:q>"
         "<ex:r rdf:datatype=\"http://www.w3.org/2001/XMLSchema#string\">y</ex:r>"
         "<ex:t rdf:datatype=\"http://ex.org/dt\">z</ex:t></rdf:Description>",
         "<http://ex.org/s> <http://ex.org/p> \"\"@en-gb\n<http://ex.org/s> <http://ex.org/q> \"x\"@fr\n"
         "<http://ex.org/s> <http://ex.org/r> \"y\"\n<http://ex.org/s> <http://ex.org/t> \"z\"^^<http://ex.org/dt>\n"},
        {"<rdf:Description xml:lang=\"en\"><ex:x><rdf:Description rdf:about=\"#a\" ex:p=\"v\"/></ex:x></rdf:Description>",
         "<http://ex.org/doc#a> <http://ex.org/p> \"v\"@en\n_:f1 <http://ex.org/x> <http://ex.org/doc#a>\n"},
        {"<rdf:Description rdf:about=\"\" xml:base=\"http://other.org/x/y#frag\"><ex:p rdf:resource=\"../z\"/></rdf:Description>",
         "<http://other.org/x/y> <http://ex.org/p> <http://other.org/z>\n"},
        {"<rdf:Description rdf:about=\"s\"><ex:p>  </ex:p><ex:q>\n <rdf:Description rdf:about=\"o\"/>\n</ex:q></rdf:Description>",
         "<http://ex.org/s> <http://ex.org/p> \"  \"\n<http://ex.org/s> <http://ex.org/q> <http://ex.org/o>\n"},
        // Attribute values: white space to spaces, references once.
        {"<rdf:Description rdf:about=\"s\" ex:p=\"a\tb\nc\r\nd&#10;e&amp;lt;\"/>",
         "<http://ex.org/s> <http://ex.org/p> \"a b c d\ne&lt;\"\n"},
        // A prefix bound again inside an element holds there only.
        {"<rdf:Description rdf:about=\"s\"><ex:p>1</ex:p><ex:p xmlns:ex=\"http://in.org/\">2</ex:p><ex:p>3</ex:p>"
         "</rdf:Description>",
         "<http://ex.org/s> <http://ex.org/p> \"1\"\n<http://ex.org/s> <http://in.org/p> \"2\"\n"
         "<http://ex.org/s> <http://ex.org/p> \"3\"\n"},
        // Unknown parseType swallows its content.
        {"<rdf:Description rdf:about=\"s\"><ex:p rdf:parseType=\"literal\"><b>x</b></ex:p></rdf:Description>", ""},
    };
    for (auto& c : cases) {
        Parsed p = parse(doc(c.body));
        CHECK_EQ(p.error, std::string());
        CHECK_EQ(join(p.lines), c.want);
    }
    // XML literals: namespace declarations in scope, expanded and escaped,
    // on the outermost element only; a '"' from a single-quoted value escaped.
    std::string lit =
        "<!DOCTYPE rdf:RDF [<!ENTITY e \"http://e.org/\">]>"
        "<rdf:RDF xmlns:rdf=\"" + RDF + "\" xmlns:ex=\"&e;\">"
        "<rdf:Description rdf:about=\"http://ex.org/s\"><ex:p rdf:parseType=\"Literal\">"
        "<ex:a t='say \"hi\"' xmlns:y=\"http://y.org/\">1 &lt; 2&#13;<ex:b/></ex:a></ex:p></rdf:Description></rdf:RDF>";
    Parsed p = parse(lit);
    CHECK_EQ(p.error, std::string());
    CHECK_EQ(join(p.lines), "<http://ex.org/s> <http://e.org/p> \"<ex:a t=\"say &quot;hi&quot;\" xmlns:rdf=\"" + RDF +
                                "\" xmlns:ex=\"http://e.org/\" xmlns:y=\"http://y.org/\">1 &lt; 2&#13;<ex:b></ex:b></ex:a>\"^^<" + RDF +
                                "XMLLiteral>\n");
}

void entities_and_text() {
    std::string dt = "<!DOCTYPE rdf:RDF [\n<!ENTITY % ex \"http://ex.org/\">\n<!ENTITY v \"&ex;v\">\n"
                     "<!ENTITY v \"&ex;w\">\n<!ENTITY amp \"X\">\n<!-- c -->\n]>\n";
    Parsed p = parse(dt + "<rdf:RDF xmlns:rdf=\"" + RDF + "\" xmlns:e=\"&ex;\"><rdf:Description rdf:about=\"&v;\">"
                     "<e:p>&v;&amp;</e:p></rdf:Description></rdf:RDF>");
    CHECK_EQ(p.error, std::string());
    CHECK_EQ(join(p.lines), "<http://ex.org/w> <http://ex.org/p> \"http://ex.org/w&\"\n");

    // Line ends: XML 1.0 folds CR LF and CR; XML 1.1 also NEL and U+2028.
    std::string body = "<rdf:Description rdf:about=\"s\"><ex:p>a\r\nb\rc\xC2\x85" "d\xE2\x80\xA8" "e</ex:p></rdf:Description>";
    CHECK_EQ(join(parse("<?xml version=\"1.0\"?>" + doc(body)).lines),
             "<http://ex.org/s> <http://ex.org/p> \"a\nb\nc\xC2\x85" "d\xE2\x80\xA8" "e\"\n");
    CHECK_EQ(join(parse("<?xml version=\"1.1\"?>" + doc(body)).lines), "<http://ex.org/s> <http://ex.org/p> \"a\nb\nc\nd\ne\"\n");
    for (const char* enc : {"UTF-8", "utf8", "Unicode-1-1-UTF-8"})
        CHECK_EQ(parse(std::string("<?xml version=\"1.0\" encoding=\"") + enc + "\"?>" + doc("")).error, std::string());
    CHECK_EQ(parse("\xEF\xBB\xBF" + doc("")).error, std::string());

    // Ten levels of ten references: refused once the expansion budget is spent.
    std::string lol = "<!DOCTYPE r [<!ENTITY a0 \"0123456789\">";
    for (int i = 1; i < 10; ++i) {
        lol += "<!ENTITY a" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) lol += "&a" + std::to_string(i - 1) + ";";
        lol += "\">";
    }
    lol += "]>" + doc("<rdf:Description rdf:about=\"s\" ex:p=\"&a9;\"/>");
    Parsed bomb = parse(lol);
    CHECK(bomb.error.find("entity expansion exceeds its limit of 8388608 bytes") != std::string::npos);
    // The same budget covers references in text and attribute values.
    std::string many = "<!DOCTYPE r [<!ENTITY a \"" + std::string(100000, 'x') + "\">]>" +
                       doc("<rdf:Description rdf:about=\"s\"><ex:p>" + [] {
                           std::string s;
                           for (int i = 0; i < 200; ++i) s += "&a;";
                           return s;
                       }() + "</ex:p></rdf:Description>");
    CHECK(parse(many).error.find("entity expansion exceeds") != std::string::npos);
    // And names built from a namespace declared through an entity, each
    // time one is made; a name used again was made once.
    auto names = [&](bool distinct) {
        std::string d = "<!DOCTYPE r [<!ENTITY n \"http://ex.org/" + std::string(100000, 'n') + "\">]>"
                        "<rdf:RDF xmlns:rdf=\"" + RDF + "\" xmlns:e=\"&n;\"><rdf:Description rdf:about=\"http://ex.org/s\">";
        for (int i = 0; i < 200; ++i) d += distinct ? "<e:p" + std::to_string(i) + ">x</e:p" + std::to_string(i) + ">" : "<e:p>x</e:p>";
        return d + "</rdf:Description></rdf:RDF>";
    };
    CHECK(parse(names(true)).error.find("entity expansion exceeds") != std::string::npos);
    CHECK_EQ(parse(names(false)).lines.size(), size_t(200));
}

// Whether text matches pattern, '*' matching any run of characters.
bool glob(const std::string& text, const std::string& pattern) {
    size_t star = pattern.find('*');
    if (star == std::string::npos) return text == pattern;
    if (text.compare(0, star, pattern, 0, star) != 0) return false;
    size_t at = star;
    for (;;) {
        size_t from = star + 1;
        star = pattern.find('*', from);
        std::string piece = pattern.substr(from, star == std::string::npos ? std::string::npos : star - from);
        if (star == std::string::npos)
            return text.size() >= at + piece.size() && text.compare(text.size() - piece.size(), piece.size(), piece) == 0;
        size_t f = text.find(piece, at);
        if (f == std::string::npos) return false;
        at = f + piece.size();
    }
}

void error_texts() {
    struct Case {
        std::string input;
        std::string want;  // the message; '*' stands for any text
    } cases[] = {
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + doc(""), "Only UTF-8 is supported by the RDF/XML parser"},
        {"<!DOCTYPE r [<!ENTITY e>]>" + doc(""), "<!ENTITY declarations should contain both an entity name and an entity value"},
        {"<!DOCTYPE r [<!ENTITY e 'x'>]>" + doc(""), "<!ENTITY values should be enclosed in double quotes"},
        {"<!DOCTYPE r [<!ENTITY e \"x<y\">]>" + doc(""), "<!ENTITY declarations values should be enclosed in double quotes"},
        {"<!DOCTYPE r [<!ENTITY e \"x\" y>]>" + doc(""), "<!ENTITY declarations values should end with >"},
        {"<!DOCTYPE r [<!ENTITY e \"&f;\"><!ENTITY f \"x\">]>" + doc(""), "unrecognized entity `f`"},
        {doc("<rdf:Description rdf:about=\"s\"><ex:p>&nope;</ex:p></rdf:Description>"), "unrecognized entity `nope`"},
        {doc("<rdf:Description rdf:about=\"s\"><ex:p>&#0;</ex:p></rdf:Description>"), "invalid character reference: 0"},
        {doc("<rdf:Description rdf:about=\"s\" ex:p=\"a&b\"/>"), "entity or character reference not closed: `;` not found before end of input"},
        {doc("<rdf:Description rdf:about=\"s\"><ex:p><rdf:Description/><rdf:Description/></ex:p></rdf:Description>"),
         "Unexpected node, a text value is already present"},
        {doc("<rdf:Description rdf:about=\"s\"><ex:p rdf:resource=\"o\"><rdf:Description/></ex:p></rdf:Description>"),
         "Unexpected node, a text value is already present"},
        {doc("<rdf:Description rdf:about=\"s\"><ex:p rdf:parseType=\"Literal\"></ex:p></rdf:Description>"),
         "No value found for rdf:XMLLiteral value of property http://ex.org/p"},
        {doc(" x <rdf:Description/>"), "Unexpected text event: ' x '"},
        {doc("<rdf:Description rdf:about=\"s\"><ex:p rdf:nodeID=\"n\">t</ex:p></rdf:Description>"), "Unexpected text event: 't'"},
        {doc("<rdf:Description rdf:ID=\"a:b\"/>"), "a:b is not a valid rdf:ID value"},
        {doc("<rdf:Description rdf:bagID=\"\"/>"), " is not a valid rdf:bagID value"},
        {doc("<rdf:Description rdf:nodeID=\"1a\"/>"), "1a is not a valid rdf:nodeID value"},
        {doc("<rdf:Description rdf:aboutEach=\"x\"/>"), RDF + "aboutEach is not a valid attribute"},
        {doc("<rdf:Description rdf:ID=\"a\"/><rdf:Description rdf:ID=\"a\"/>"), "http://ex.org/doc#a has already been used as rdf:ID value"},
        {doc("<rdf:li/>"), "Invalid node element tag name: " + RDF + "li"},
        {doc("<rdf:Description><rdf:Description/></rdf:Description>"), "Invalid property element tag name: " + RDF + "Description"},
        {doc("<rdf:Description><rdf:RDF/></rdf:Description>"), "Invalid property element tag name: " + RDF + "RDF"},
        {doc("<rdf:Description><ex:p rdf:resource=\"a\" rdf:nodeID=\"b\"/></rdf:Description>"),
         "Not both rdf:resource and rdf:nodeID could be set at the same time"},
        {doc("<rdf:Description rdf:ID=\"a\" rdf:nodeID=\"b\"/>"), "Not both rdf:ID and rdf:nodeID could be set at the same time"},
        {doc("<rdf:Description rdf:ID=\"a\" rdf:about=\"b\"/>"), "Not both rdf:ID and rdf:about*"},
        {doc("<rdf:Description rdf:nodeID=\"a\" rdf:about=\"b\"/>"), "Not both rdf:nodeID and rdf:about*"},
        {doc("<rdf:Description xml:lang=\"en_US\"/>"), "error while parsing language tag 'en_us': *"},
        {"<rdf:RDF xmlns:rdf=\"" + RDF + "\"><rdf:Description rdf:about=\"#a\"/></rdf:RDF>",
         "error while parsing IRI '#a': No scheme found in an absolute IRI"},
        {doc("<rdf:Description xml:base=\"rel/\"/>"), "error while parsing IRI 'rel/': No scheme found in an absolute IRI"},
        {doc("<Description/>"), "XML namespaces are required in RDF/XML"},
        {doc("<rdf:Description about=\"x\"/>"), "XML namespaces are required in RDF/XML"},
        {doc("<zz:Thing/>"), "Unknown prefix zz:"},
        {doc("<ex:T xmlns:ex=\"\"/>"), "Unknown prefix ex:"},
        {doc("<x:T xmlns:x=\"&u;\"/>"), "unrecognized entity `u`"},
        // The tokenizer's own refusals, with their place.
        {doc("<rdf:Description></rdf:Descr>"),
         "XML error at line 1 column 138: end tag </rdf:Descr> does not match start tag <rdf:Description>"},
        {HEAD + "<rdf:Description>", "XML error at line 1 column 138: unexpected end of input: element <rdf:Description> is not closed"},
        {doc("<rdf:Description ex:a=\"1\" ex:a=\"2\"/>"), "XML error*duplicate attribute ex:a"},
        {doc("<rdf:Description ex:a=\"<\"/>"), "XML error*'<' is not allowed in attribute values"},
        {doc("") + "x", "XML error*text outside the root element"},
        {doc("") + "<a/>", "XML error*a second root element <a>"},
        {doc("<!-- a -- b -->"), "XML error*'--' is not allowed inside a comment"},
        {doc("<rdf:Description\x01/>"), "XML error*character U+0001 is not allowed in XML"},
        {doc("<ex:p>\xC3\x28</ex:p>"), "XML error*invalid UTF-8"},
        {doc("<1a/>"), "XML error*expected an element name*"},
        {"", "XML error*no root element"},
        {"<?xml version=\"2.0\"?>" + doc(""), "XML error*unsupported XML version '2.0'"},
        {" <?xml version=\"1.0\"?>" + doc(""), "XML error*only allowed at the very start*"},
    };
    for (auto& c : cases) {
        std::string got = parse(c.input).error;
        bool ok = glob(got, c.want);
        if (!ok) {
            ++failures;
            std::cerr << "error text\n  input: " << c.input << "\n  got:  " << got << "\n  want: " << c.want << "\n";
        }
    }
}

void depth_limit() {
    std::string deep = "<rdf:RDF xmlns:rdf=\"" + RDF + "\" xmlns:ex=\"http://ex.org/\">";
    for (int i = 0; i < 6000; ++i) deep += "<rdf:Description><ex:p>";
    Parsed p = parse(deep);
    CHECK(p.error.find("elements nested deeper than 10000 levels") != std::string::npos);
}

// Reading a file in buffered steps gives what reading the string gives,
// wherever the buffer boundaries fall.
void file_reads_match_string_reads() {
    std::string body = "<rdf:Description rdf:about=\"s\" ex:a=\"x&#10;y\"><ex:p xml:lang=\"en\">t&amp;u<![CDATA[<c>]]>\r\n</ex:p>"
                       "<ex:q rdf:parseType=\"Literal\"><ex:z a='1'>w</ex:z></ex:q><!-- note --></rdf:Description>";
    std::string want;
    {
        Parsed p = parse(doc(body));
        CHECK_EQ(p.error, std::string());
        want = join(p.lines);
    }
    TempDir dir;
    std::string path = dir.file("doc.rdf");
    size_t head = HEAD.size();
    for (size_t shift = 0; shift <= body.size() + 8; ++shift) {
        // Short comments before the body put the buffer edge `shift` bytes
        // into it, with no long token in front.
        size_t pad = vg::TextInput::kBufferSize - shift - head;
        std::string fill;
        while (fill.size() + 7 <= pad) fill += "<!---->";
        fill.append(pad - fill.size(), ' ');
        std::string d = HEAD + fill + body + "</rdf:RDF>";
        std::ofstream(path, std::ios::binary) << d;
        auto opened = vg::TextInput::open_file(path);
        CHECK(opened.ok());
        if (!opened) break;
        Parsed p = parse_input(opened.value());
        if (p.error != "" || join(p.lines) != want) {
            ++failures;
            std::cerr << "file read differs at shift " << shift << ": " << p.error << "\n";
            break;
        }
    }
    // Truncated files fail, wherever they are cut.
    std::string whole = doc(body);
    for (size_t cut : {whole.size() - 1, whole.size() - 10, whole.size() / 2}) {
        std::ofstream(path, std::ios::binary) << whole.substr(0, cut);
        auto opened = vg::TextInput::open_file(path);
        CHECK(opened.ok());
        if (!opened) break;
        CHECK(glob(parse_input(opened.value()).error, "XML error at line * column *: *"));
    }
}

// Through the loaders: format names and extensions reach the reader, the
// mapping sees the hand-out order, and its errors come back as parse errors.
void loaders() {
    std::string d = doc("<rdf:Description rdf:about=\"s\"><ex:p rdf:ID=\"st\" rdf:resource=\"o\"/><ex:q>v</ex:q></rdf:Description>");
    for (const char* format : {"rdfxml", "xml", "owl"}) {
        auto r = vg::rdf::load_rdf_text(d, format, d.size(), 6);
        CHECK(r.ok());
        if (!r) continue;
        auto& st = r.value().stats;
        CHECK_EQ(st.total_triples, 6u);
        CHECK_EQ(st.literal_properties, 1u);
        CHECK_EQ(st.edges, 5u);
        // The property triple comes before its reification, so its object
        // node is labelled as an object, not through rdf:object.
        auto edges = r.value().graph.edges();
        CHECK_EQ(edges.size(), size_t(5));
        if (edges.empty()) continue;
        CHECK_EQ(std::string(edges[0].source), "http://ex.org/s");
        CHECK_EQ(std::string(edges[0].target), "http://ex.org/o");
    }
    auto capped = vg::rdf::load_rdf_text(d, "rdfxml", d.size(), 5);
    CHECK_EQ(capped.error(), "RDF parse exceeded triple_cap=5 (raise VeskGraphSettings.max_triples if intended).");
    auto bad = vg::rdf::load_rdf_text(doc("<rdf:Description rdf:about=\"#x\" xml:base=\"b\"/>"), "xml", 1000, 10);
    CHECK_EQ(bad.error(), "Parse error: error while parsing IRI 'b': No scheme found in an absolute IRI");

    TempDir dir;
    for (const char* ext : {"rdf", "owl"}) {
        std::string path = dir.file(std::string("data.") + ext);
        std::ofstream(path, std::ios::binary) << d;
        auto r = vg::rdf::load_rdf_path(path, d.size(), 100);
        CHECK(r.ok());
        if (r) CHECK_EQ(r.value().stats.total_triples, 6u);
    }
}


// The bindings in scope against a plain stack searched from its top: every
// prefix finds the same namespace, and exactly the bindings no later one
// of their prefix hides are in force, through random opens, binds and
// closes (prefixes rebound at many depths, the default one too).
void namespace_scope() {
    static constexpr const char* kPrefixes[] = {"", "a", "b", "c", "rdf"};
    std::mt19937 rng(3);
    for (int round = 0; round < 200; ++round) {
        vg::rdfxml::NamespaceScope scope;
        std::vector<std::pair<std::string, std::string>> stack;
        std::vector<size_t> marks;
        int made = 0;
        for (int step = 0; step < 300; ++step) {
            unsigned op = rng() % 8;
            if (op < 3 && !marks.empty()) {
                bool declared = stack.size() != marks.back();
                CHECK_EQ(scope.close(), declared);
                stack.resize(marks.back());
                marks.pop_back();
            } else if (op < 5 || marks.empty()) {
                scope.open();
                marks.push_back(stack.size());
            } else {
                std::string prefix = kPrefixes[rng() % std::size(kPrefixes)];
                std::string ns = "n" + std::to_string(++made);
                scope.bind(prefix, ns);
                stack.emplace_back(prefix, ns);
            }
            CHECK_EQ(scope.declared_here(), !marks.empty() && stack.size() != marks.back());
            for (const char* prefix : kPrefixes) {
                std::string want = "<none>";
                for (size_t k = stack.size(); k-- > 0;)
                    if (stack[k].first == prefix) {
                        want = stack[k].second;
                        break;
                    }
                const std::string* got = scope.find(prefix);
                CHECK_EQ(got ? *got : std::string("<none>"), want);
            }
            const auto& bindings = scope.bindings();
            CHECK_EQ(bindings.size(), stack.size());
            for (size_t k = 0; k < bindings.size() && k < stack.size(); ++k) {
                bool hidden = false;
                for (size_t j = k + 1; j < stack.size(); ++j) hidden = hidden || stack[j].first == stack[k].first;
                CHECK_EQ(bindings[k].hidden, hidden);
                CHECK_EQ(bindings[k].ns, stack[k].second);
            }
        }
    }

    // In a document: an XML literal carries the bindings in force where it
    // starts, each prefix once, and names outside it resolve the same way,
    // before, under and after a rebinding.
    std::string nested =
        "<rdf:RDF xmlns:rdf=\"" + RDF + "\" xmlns=\"http://d.org/\" xmlns:ex=\"http://ex.org/\" xmlns:a=\"http://a1/\">"
        "<rdf:Description rdf:about=\"http://ex.org/s\"><a:p rdf:parseType=\"Literal\"><x/></a:p></rdf:Description>"
        "<rdf:Description rdf:about=\"http://ex.org/t\" xmlns:a=\"http://a2/\" xmlns=\"http://d2.org/\">"
        "<a:p rdf:parseType=\"Literal\"><y/></a:p><q rdf:resource=\"http://ex.org/o\"/></rdf:Description>"
        "<rdf:Description rdf:about=\"http://ex.org/u\"><a:p rdf:parseType=\"Literal\"><z/></a:p><q>v</q>"
        "</rdf:Description></rdf:RDF>";
    Parsed p = parse(nested);
    CHECK_EQ(p.error, std::string());
    std::string lit = "\"^^<" + RDF + "XMLLiteral>\n";
    CHECK_EQ(join(p.lines),
             "<http://ex.org/s> <http://a1/p> \"<x xmlns:rdf=\"" + RDF +
                 "\" xmlns=\"http://d.org/\" xmlns:ex=\"http://ex.org/\" xmlns:a=\"http://a1/\"></x>" + lit +
                 "<http://ex.org/t> <http://a2/p> \"<y xmlns:rdf=\"" + RDF +
                 "\" xmlns:ex=\"http://ex.org/\" xmlns:a=\"http://a2/\" xmlns=\"http://d2.org/\"></y>" + lit +
                 "<http://ex.org/t> <http://d2.org/q> <http://ex.org/o>\n"
                 "<http://ex.org/u> <http://a1/p> \"<z xmlns:rdf=\"" + RDF +
                 "\" xmlns=\"http://d.org/\" xmlns:ex=\"http://ex.org/\" xmlns:a=\"http://a1/\"></z>" + lit +
                 "<http://ex.org/u> <http://d.org/q> \"v\"\n");
}

}  // namespace

int main() {
    loaders();
    hand_out_order();
    literals_base_and_language();
    namespace_scope();
    entities_and_text();
    error_texts();
    depth_limit();
    file_reads_match_string_reads();
    return check_summary("test_rdfxml");
}
