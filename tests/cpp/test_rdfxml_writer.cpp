// RDF/XML writer, through the export core and directly.
// Build and run from the repository root:
//   g++ -std=c++20 -Isrc tests/cpp/test_rdfxml_writer.cpp $(find src/core -name '*.cpp')
//   ./a.out
#include <algorithm>
#include <cstdint>
#include <iostream>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/rdf/write/rdfxml_writer.hpp"
#include "core/rdf/write/export.hpp"
#include "core/rdf/read/load.hpp"

#include "check.hpp"

using namespace vg;

namespace {

const std::string RDF = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
const std::string HEAD =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" xmlns:its=\"http://www.w3.org/2005/11/its\">";

struct E {
    std::string s, p, o;
};

// A graph with the edges in this order, nodes created as they first occur.
PropertyGraph graph(const std::vector<E>& edges) {
    PropertyGraph g(true, true, "");
    for (const E& e : edges) {
        for (const std::string* id : {&e.s, &e.o})
            if (!g.find_node(*id)) g.add_node(*id, Properties());
        Properties props;
        props.insert_or_assign("predicate", Value::string(e.p));
        g.add_edge(e.s, e.o, std::move(props));
    }
    return g;
}

std::string xml(const std::vector<E>& edges) {
    auto r = rdf::serialize_graph_rdf(graph(edges), rdf::RdfFormat::RdfXml);
    return r ? r.value() : "<error> " + r.error();
}

void documents() {
    struct Case {
        const char* what;
        std::vector<E> edges;
        std::string body;
    };
    const std::vector<Case> cases = {
        {"no triples", {}, "\n</rdf:RDF>"},
        {"one property, own default namespace",
         {{"http://ex.org/a", "http://ex.org/v/knows", "http://ex.org/b"}},
         "\n\t<rdf:Description rdf:about=\"http://ex.org/a\">"
         "\n\t\t<knows xmlns=\"http://ex.org/v/\" rdf:resource=\"http://ex.org/b\"/>"
         "\n\t</rdf:Description>\n</rdf:RDF>"},
        {"first rdf:type names the element, a second is a property",
         {{"http://ex.org/a", RDF + "type", "http://ex.org/C"},
          {"http://ex.org/a", RDF + "type", "http://ex.org/D"},
          {"http://ex.org/a", "http://ex.org/p", "_:b1"},
          {"_:b1", RDF + "type", "_:t"}},
         "\n\t<C xmlns=\"http://ex.org/\" rdf:about=\"http://ex.org/a\">"
         "\n\t\t<rdf:type rdf:resource=\"http://ex.org/D\"/>"
         "\n\t\t<p xmlns=\"http://ex.org/\" rdf:nodeID=\"b1\"/>"
         "\n\t</C>"
         "\n\t<rdf:Description rdf:nodeID=\"b1\">"
         "\n\t\t<rdf:type rdf:nodeID=\"t\"/>"
         "\n\t</rdf:Description>\n</rdf:RDF>"},
        {"typed element with no further property; reserved type stays a property",
         {{"http://ex.org/a", RDF + "type", "http://ex.org/C"},
          {"http://ex.org/b", RDF + "type", RDF + "Description"}},
         "\n\t<C xmlns=\"http://ex.org/\" rdf:about=\"http://ex.org/a\">"
         "\n\t</C>"
         "\n\t<rdf:Description rdf:about=\"http://ex.org/b\">"
         "\n\t\t<rdf:type rdf:resource=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#Description\"/>"
         "\n\t</rdf:Description>\n</rdf:RDF>"},
        {"a type with no element name becomes a property",
         {{"http://ex.org/a", RDF + "type", "http://ex.org/C/"}},
         "\n\t<rdf:Description rdf:about=\"http://ex.org/a\">"
         "\n\t\t<rdf:type rdf:resource=\"http://ex.org/C/\"/>"
         "\n\t</rdf:Description>\n</rdf:RDF>"},
        {"subjects not adjacent get one element per run; non-reserved rdf terms are names",
         {{"http://ex.org/a", RDF + "bagID", "http://ex.org/b"},
          {"http://ex.org/b", RDF + "aboutEach", "http://ex.org/a"},
          {"http://ex.org/a", "http://ex.org/123abc", "http://ex.org/b"}},
         "\n\t<rdf:Description rdf:about=\"http://ex.org/a\">"
         "\n\t\t<rdf:bagID rdf:resource=\"http://ex.org/b\"/>"
         "\n\t</rdf:Description>"
         "\n\t<rdf:Description rdf:about=\"http://ex.org/b\">"
         "\n\t\t<rdf:aboutEach rdf:resource=\"http://ex.org/a\"/>"
         "\n\t</rdf:Description>"
         "\n\t<rdf:Description rdf:about=\"http://ex.org/a\">"
         "\n\t\t<abc xmlns=\"http://ex.org/123\" rdf:resource=\"http://ex.org/b\"/>"
         "\n\t</rdf:Description>\n</rdf:RDF>"},
        {"attribute values escaped",
         {{"http://ex.org/a?x=1&y='2'", "http://ex.org/p", "http://ex.org/b&c"}},
         "\n\t<rdf:Description rdf:about=\"http://ex.org/a?x=1&amp;y=&apos;2&apos;\">"
         "\n\t\t<p xmlns=\"http://ex.org/\" rdf:resource=\"http://ex.org/b&amp;c\"/>"
         "\n\t</rdf:Description>\n</rdf:RDF>"},
        {"non-ASCII names",
         {{"http://ex.org/a", "http://ex.org/\xC3\xA9t\xC3\xA9", "http://ex.org/b"}},
         "\n\t<rdf:Description rdf:about=\"http://ex.org/a\">"
         "\n\t\t<\xC3\xA9t\xC3\xA9 xmlns=\"http://ex.org/\" rdf:resource=\"http://ex.org/b\"/>"
         "\n\t</rdf:Description>\n</rdf:RDF>"},
    };
    for (const Case& c : cases) {
        std::string got = xml(c.edges);
        if (got != HEAD + c.body) {
            ++failures;
            std::cerr << "document: " << c.what << "\n  got:  " << got << "\n  want: " << HEAD + c.body << "\n";
        }
    }
}

void refusals() {
    const std::string reserved = "Serialization error: RDF/XML reserved syntax term is not allowed as a predicate";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {RDF + "li", reserved},
        {RDF + "about", reserved},
        {RDF + "Description", reserved},
        // Names with an empty local part, or in the namespace of xmlns
        // declarations, would make malformed XML.
        {"http://ex.org/ns#",
         "Serialization error: IRI 'http://ex.org/ns#' cannot be written as an RDF/XML element name"},
        {RDF, "Serialization error: IRI '" + RDF + "' cannot be written as an RDF/XML element name"},
        {"http://ex.org/v/1.2",
         "Serialization error: IRI 'http://ex.org/v/1.2' cannot be written as an RDF/XML element name"},
        {"http://www.w3.org/2000/xmlns/foo",
         "Serialization error: IRI 'http://www.w3.org/2000/xmlns/foo' cannot be written as an RDF/XML element "
         "name"},
    };
    for (const auto& [predicate, want] : cases) {
        // The failing triple comes second: the whole export fails.
        CHECK_EQ(xml({{"http://ex.org/a", "http://ex.org/p", "http://ex.org/b"},
                      {"http://ex.org/a", predicate, "http://ex.org/b"}}),
                 "<error> " + want);
    }
    CHECK_EQ(xml({{"alice", "http://ex.org/p", "http://ex.org/b"}}),
             std::string("<error> Invalid subject IRI 'alice': No scheme found in an absolute IRI"));
}

// A configured prefix map (the export core passes none).
void prefixes() {
    std::string out;
    rdfxml::RdfXmlWriter w(out, {{"ex", "http://ex.org/"}, {"", "http://other.org/"}, {"rdf", "http://bad/"}});
    CHECK_EQ(w.triple({"http://ex.org/a", false}, "http://ex.org/p", {"b", true}), std::string());
    CHECK_EQ(w.triple({"http://ex.org/a", false}, "http://other.org/q", {"b", true}), std::string());
    CHECK_EQ(w.triple({"http://ex.org/a", false}, "http://third.org/r", {"b", true}), std::string());
    CHECK_EQ(w.finish(), std::string());
    CHECK_EQ(out, std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<rdf:RDF xmlns:ex=\"http://ex.org/\" xmlns=\"http://other.org/\" "
                              "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
                              "xmlns:its=\"http://www.w3.org/2005/11/its\">"
                              "\n\t<rdf:Description rdf:about=\"http://ex.org/a\">"
                              "\n\t\t<ex:p rdf:nodeID=\"b\"/>"
                              "\n\t\t<q rdf:nodeID=\"b\"/>"
                              "\n\t\t<oxprefix:r xmlns:oxprefix=\"http://third.org/\" rdf:nodeID=\"b\"/>"
                              "\n\t</rdf:Description>\n</rdf:RDF>"));
}

// Subjects that name no node are compared by text and kind: each run of
// one subject is one element, whatever buffer its text comes in. A subject
// that names a node is compared by node, and is never one that names none.
void subjects_by_text() {
    struct Subject {
        std::string text;
        bool blank;
        uint32_t node = rdfxml::kNoNode;
    };
    const std::vector<Subject> subjects = {
        {"http://ex.org/a", false}, {"http://ex.org/a", false}, {"http://ex.org/ab", false}, {"x", true},
        {"x", true},                {"x", false},               {"http://ex.org/a", false}, {"y", true},
        {"http://ex.org/a", false},
        // A node's subject between two that name none, then its own run.
        {"http://ex.org/n", false, 3}, {"http://ex.org/a", false}, {"http://ex.org/n", false, 3},
        {"http://ex.org/n", false, 3},
    };
    std::string out;
    rdfxml::RdfXmlWriter w(out);
    for (size_t i = 0; i < subjects.size(); ++i) {
        const std::string text = subjects[i].text;  // a copy: no two subjects share an address
        const std::string object = "o" + std::to_string(i);
        CHECK_EQ(w.triple({text, subjects[i].blank, subjects[i].node}, "http://ex.org/p", {object, true}),
                 std::string());
    }
    CHECK_EQ(w.finish(), std::string());
    auto element = [](const std::string& about, std::vector<int> objects) {
        std::string e = "\n\t<rdf:Description " + about + ">";
        for (int o : objects)
            e += "\n\t\t<p xmlns=\"http://ex.org/\" rdf:nodeID=\"o" + std::to_string(o) + "\"/>";
        return e + "\n\t</rdf:Description>";
    };
    CHECK_EQ(out, HEAD + element("rdf:about=\"http://ex.org/a\"", {0, 1}) +
                      element("rdf:about=\"http://ex.org/ab\"", {2}) + element("rdf:nodeID=\"x\"", {3, 4}) +
                      element("rdf:about=\"x\"", {5}) + element("rdf:about=\"http://ex.org/a\"", {6}) +
                      element("rdf:nodeID=\"y\"", {7}) + element("rdf:about=\"http://ex.org/a\"", {8}) +
                      element("rdf:about=\"http://ex.org/n\"", {9}) + element("rdf:about=\"http://ex.org/a\"", {10}) +
                      element("rdf:about=\"http://ex.org/n\"", {11, 12}) + "\n</rdf:RDF>");
}

using Triples = std::vector<std::tuple<std::string, std::string, std::string>>;

Triples triples_of(const PropertyGraph& g) {
    Triples out;
    for (const auto& e : g.edges())
        out.emplace_back(std::string(e.source), std::string(rdf::export_predicate(*e.data)), std::string(e.target));
    std::sort(out.begin(), out.end());
    return out;
}

// Random graphs written as RDF/XML and read back by the RDF/XML reader give
// the same triples, repeats included.
void read_back() {
    std::mt19937 rng(11);
    const std::vector<std::string> predicates = {
        RDF + "type", "http://ex.org/v#knows", "http://ex.org/v/likes", "http://other.org/p-1",
        "http://ex.org/\xC3\xA9t\xC3\xA9", "http://ex.org/123abc"};
    for (int round = 0; round < 20; ++round) {
        std::vector<E> edges;
        auto node = [&] {
            int k = int(rng() % 12);
            if (k < 3) return "_:b" + std::to_string(k);
            return "http://ex.org/n" + std::to_string(k) + (k % 2 ? "?q=1&r='x'" : "");
        };
        for (int i = 0; i < 30; ++i) {
            const std::string& p = predicates[rng() % predicates.size()];
            std::string s = node();
            bool typed = p == predicates[0] && rng() % 2;
            edges.push_back({s, p, typed ? "http://ex.org/Class" + std::to_string(rng() % 3) : node()});
            if (rng() % 3 == 0) edges.push_back(edges.back());  // parallel edge, same run
        }
        PropertyGraph g = graph(edges);
        auto text = rdf::serialize_graph_rdf(g, rdf::RdfFormat::RdfXml);
        if (!text) {
            ++failures;
            std::cerr << "read_back: export failed: " << text.error() << "\n";
            continue;
        }
        auto back = rdf::load_rdf_text(text.value(), "rdfxml", UINT64_MAX, UINT64_MAX);
        if (!back) {
            ++failures;
            std::cerr << "read_back: load failed: " << back.error() << "\n" << text.value() << "\n";
            continue;
        }
        CHECK(triples_of(back.value().graph) == triples_of(g));
    }
}

}  // namespace

int main() {
    documents();
    refusals();
    prefixes();
    subjects_by_text();
    read_back();
    return check_summary("test_rdfxml_writer");
}
