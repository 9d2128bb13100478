// Graph JSON writer and reader, and the pickled state.
// Build and run from the repository root:
//   g++ -std=c++20 -Isrc tests/cpp/test_graph_json.cpp $(find src/core -name '*.cpp')
//   ./a.out
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "core/io/graph_json.hpp"
#include "core/io/json_number.hpp"

#include "check.hpp"

using namespace vg;

static std::string read_error(std::string_view text, uint64_t max_nodes = kNoCap, uint64_t max_edges = kNoCap) {
    auto r = from_json(text, kNoCap, max_nodes, max_edges);
    return r ? std::string("<ok>") : r.error();
}

static PropertyGraph read_ok(std::string_view text) {
    auto r = from_json(text, kNoCap, kNoCap, kNoCap);
    if (!r) {
        ++failures;
        std::cerr << "unexpected error: " << r.error() << "\n  for: " << text << "\n";
        return PropertyGraph();
    }
    return r.take();
}

static std::string write(const PropertyGraph& g) { return to_json(g).take().str(); }

static std::string fmt(double d) {
    std::string s;
    append_double(s, d);
    return s;
}

static uint64_t bits(double d) {
    uint64_t u;
    std::memcpy(&u, &d, 8);
    return u;
}

static Properties props1(std::string key, Value v) {
    Properties p;
    p.insert_or_assign(std::move(key), std::move(v));
    return p;
}

// The single property "v" of node "a" in a text whose node carries `value`.
static const Value* node_value(PropertyGraph& g) {
    const NodeData* n = g.get_node("a");
    return n ? n->properties.find("v") : nullptr;
}

static std::string doc_with_value(std::string_view value) {
    return R"({"directed":true,"name":"","nodes":[{"id":"a","properties":{"v":)" + std::string(value) +
           "}}],\"edges\":[]}";
}

static void test_double_text() {
    struct Case { double d; const char* text; };
    const Case cases[] = {
        {1, "1.0"}, {100, "100.0"}, {0.5, "0.5"}, {0.00001, "0.00001"}, {0.000001, "1e-6"},
        {0.00000025, "2.5e-7"}, {123.456, "123.456"}, {1e15, "1000000000000000.0"}, {1e16, "1e+16"},
        {1.5e300, "1.5e+300"}, {-2, "-2.0"}, {0.0, "0.0"}, {-0.0, "-0.0"}, {5e-324, "5e-324"},
        {1.7976931348623157e308, "1.7976931348623157e+308"}, {18446744073709551616.0, "1.8446744073709552e+19"},
        {0.1, "0.1"}, {-0.000012345, "-0.000012345"}, {123456789012345.6, "123456789012345.6"},
        {1234567890123456.7, "1234567890123456.8"}, {12345678901234567.0, "1.2345678901234568e+16"},
    };
    for (const Case& c : cases) CHECK_EQ(fmt(c.d), std::string(c.text));

    // The layout rules spelled out plainly on to_chars's shortest digits: the
    // writer must match them for every double, as it reads back exactly.
    auto reference = [](double d) {
        char sci[64];
        std::string t(sci, std::to_chars(sci, sci + sizeof sci, d, std::chars_format::scientific).ptr);
        std::string sign = t[0] == '-' ? "-" : "";
        if (!sign.empty()) t.erase(0, 1);
        size_t epos = t.find('e');
        int e = std::stoi(t.substr(epos + 1));
        std::string digits = t.substr(0, epos);
        if (digits.size() > 1) digits.erase(1, 1);  // the point
        int n = int(digits.size());
        if (e < -5 || e > 15)
            return sign + digits.substr(0, 1) + (n > 1 ? "." + digits.substr(1) : "") + "e" + (e < 0 ? "-" : "+") +
                   std::to_string(std::abs(e));
        int point = e + 1;
        if (point <= 0) return sign + "0." + std::string(size_t(-point), '0') + digits;
        if (point < n) return sign + digits.substr(0, size_t(point)) + "." + digits.substr(size_t(point));
        return sign + digits + std::string(size_t(point - n), '0') + ".0";
    };
    // Every written double reads back to the same bits.
    std::mt19937_64 rng(7);
    for (int i = 0; i < 200000; ++i) {
        uint64_t u = rng();
        if (i % 4 == 1) u &= 0x800FFFFFFFFFFFFFULL;  // denormals
        if (i % 4 == 2) u = (u & 0x800FFFFFFFFFFFFFULL) | (uint64_t(1023 + int(u % 60) - 30) << 52);
        double d;
        std::memcpy(&d, &u, 8);
        if (!std::isfinite(d)) continue;
        double back = -1;
        std::string t = fmt(d);
        if (parse_double_literal(t, back) != DoubleParse::Ok || bits(back) != bits(d) || t != reference(d)) {
            ++failures;
            std::cerr << "double does not round-trip or is laid out wrongly: " << t << " (" << reference(d) << ")\n";
            break;
        }
    }
}

static void test_writer_bytes() {
    PropertyGraph empty;
    CHECK_EQ(write(empty), std::string(R"({"directed":true,"multi":false,"name":"","nodes":[],"edges":[]})"));

    PropertyGraph g(false, true, "n\"\\/");
    g.add_node("a", props1("s", Value::string("q\"b\\ \b\f\n\r\t\x01\x1b\x1f\x7f/é")));
    g.add_node("b", props1("o", Value::object({{"a", Value::array({Value::null(), Value::boolean(true),
                                                                   Value::boolean(false)})},
                                               {"b", Value::number(Number::from_u64(UINT64_MAX))}})));
    g.add_node("c", props1("n", Value::array({Value::number(Number::from_i64(INT64_MIN)),
                                              Value::number(Number::from_f64(-0.0)),
                                              Value::number(Number::from_u64(0))})));
    g.add_edge("a", "b", Properties());
    g.add_edge("b", "a", props1("w", Value::number(Number::from_f64(2.5))));
    CHECK_EQ(write(g),
             std::string(R"({"directed":false,"multi":true,"name":"n\"\\/","nodes":[)"
                         R"({"id":"a","properties":{"s":"q\"b\\ \b\f\n\r\t\u0001\u001b\u001f)"
                         "\x7f/é\"}},"
                         R"({"id":"b","properties":{"o":{"a":[null,true,false],"b":18446744073709551615}}},)"
                         R"({"id":"c","properties":{"n":[-9223372036854775808,-0.0,0]}}],"edges":[)"
                         R"({"source":"a","target":"b","properties":{}},)"
                         R"({"source":"b","target":"a","properties":{"w":2.5}}]})"));

    // Slot order with gaps, and an undirected edge keeps its stored endpoints.
    PropertyGraph h(true, false, "");
    for (const char* id : {"x", "y", "z"}) h.add_node(id, Properties());
    h.add_edge("z", "x", Properties());
    h.add_edge("x", "y", Properties());
    CHECK(h.remove_node("y").ok());
    CHECK_EQ(write(h), std::string(R"({"directed":true,"multi":false,"name":"","nodes":[{"id":"x","properties":{}},)"
                                   R"({"id":"z","properties":{}}],"edges":[{"source":"z","target":"x","properties":{}}]})"));
}

static void test_number_reading() {
    struct Case { const char* text; Number::Form form; double as; uint64_t raw; };
    const Case cases[] = {
        {"1", Number::Form::U64, 1, 1},
        {"-1", Number::Form::I64, -1, uint64_t(-1)},
        {"18446744073709551615", Number::Form::U64, 0, UINT64_MAX},
        {"-9223372036854775808", Number::Form::I64, 0, uint64_t(INT64_MIN)},
        {"1.0", Number::Form::F64, 1.0, 0},
        {"18446744073709551616", Number::Form::F64, 18446744073709551616.0, 0},
        {"-9223372036854775809", Number::Form::F64, -9223372036854775808.0, 0},
        {"1E2", Number::Form::F64, 100.0, 0},
        {"2.5e-7", Number::Form::F64, 2.5e-7, 0},
        {"1.7976931348623157e308", Number::Form::F64, 1.7976931348623157e308, 0},
        {"5e-324", Number::Form::F64, 5e-324, 0},
        {"1e-400", Number::Form::F64, 0.0, 0},
        {"1e-99999999999", Number::Form::F64, 0.0, 0},
        {"0e99999999999", Number::Form::F64, 0.0, 0},
    };
    for (const Case& c : cases) {
        PropertyGraph g = read_ok(doc_with_value(c.text));
        const Value* v = node_value(g);
        CHECK(v && v->as_number());
        if (!v || !v->as_number()) continue;
        const Number& n = *v->as_number();
        CHECK(n.form == c.form);
        if (c.form == Number::Form::F64) CHECK_EQ(bits(n.d), bits(c.as));
        else CHECK_EQ(n.u, c.raw);
    }
    // Literals read inside a document convert as the full conversion does:
    // short ones and those near the edges of the exact shortcut (2^53, 10^22)
    // as well as every written double.
    std::vector<std::string> literals = {"0.1", "123.456", "-2.5", "1e22", "1e23", "4.5e-22", "4.5e-23",
                                         "9007199254740992.0", "9007199254740993.0", "900719925474099.3",
                                         "0.30000000000000004", "12345678901234567e-5", "1.5E+2", "0.0000001"};
    std::mt19937_64 rng(3);
    for (int i = 0; i < 20000; ++i) {
        uint64_t u = (rng() & 0x800FFFFFFFFFFFFFULL) | (uint64_t(1023 + int(rng() % 120) - 60) << 52);
        double d;
        std::memcpy(&d, &u, 8);
        literals.push_back(fmt(d));
    }
    std::string list = "[";
    for (const std::string& l : literals) list += l + ",";
    list.back() = ']';
    PropertyGraph many = read_ok(doc_with_value(list));
    const Value* got = node_value(many);
    CHECK(got && got->as_array() && got->as_array()->size() == literals.size());
    for (size_t i = 0; got && got->as_array() && i < literals.size(); ++i) {
        double want = 0;
        parse_double_literal(literals[i], want);
        const Number* n = (*got->as_array())[i].as_number();
        if (!n || !n->is_float() || bits(n->d) != bits(want)) {
            ++failures;
            std::cerr << "literal read differently from its conversion: " << literals[i] << "\n";
            break;
        }
    }
    // Negative zero, also from underflow, stays negative and is written as -0.0.
    for (const char* t : {"-0", "-0.0", "-1e-400", "-0e99999999999"}) {
        PropertyGraph g = read_ok(doc_with_value(t));
        const Value* v = node_value(g);
        CHECK(v && v->as_number() && v->as_number()->is_float() && bits(v->as_number()->d) == bits(-0.0));
        CHECK(write(g).find("\"v\":-0.0}") != std::string::npos);
    }
}

static void test_values_and_strings() {
    PropertyGraph g = read_ok(doc_with_value(R"({"b":1,"a":{"y":[],"x":{}},"b":[true,null,"s"]})"));
    const Value* v = node_value(g);
    CHECK(v && *v == Value::object({{"a", Value::object({{"x", Value::object({})}, {"y", Value::array({})}})},
                                    {"b", Value::array({Value::boolean(true), Value::null(), Value::string("s")})}}));

    PropertyGraph s = read_ok(doc_with_value(R"("a\"b\\c\/d\b\f\n\r\t\u0000\u00e9\u20AC\ud83d\ude00")"));
    v = node_value(s);
    CHECK(v && *v->as_string() == std::string("a\"b\\c/d\b\f\n\r\t") + std::string(1, '\0') + "é€😀");

    // The last of repeated property names wins.
    PropertyGraph p = read_ok(R"({"directed":true,"name":"","nodes":[{"id":"a","properties":{"v":1,"v":2}}],"edges":[]})");
    v = node_value(p);
    CHECK(v && *v == Value::number(Number::from_u64(2)));
}

// Reading errors: message and reported byte.
static void test_reading_errors() {
    struct Case { std::string text; std::string msg; };
    const std::string nodes0 = R"({"directed":true,"name":"g","nodes":[)";
    const std::string props0 = nodes0 + R"({"id":"a","properties":{"v":)";
    const Case cases[] = {
        {"", "EOF while parsing a value at line 1 column 0"},
        {"  \t", "EOF while parsing a value at line 1 column 3"},
        {"{}", "missing field `directed` at line 1 column 2"},
        {"[]", "invalid length 0, expected struct GraphJson with 5 elements at line 1 column 2"},
        {"[true]", "invalid length 2, expected struct GraphJson with 5 elements at line 1 column 6"},
        {R"({"directed":true})", "missing field `name` at line 1 column 17"},
        {R"({"directed":true,"name":"","nodes":[],"edges":[]}x)", "trailing characters at line 1 column 50"},
        {R"({"directed":1})", "invalid type: integer `1`, expected a boolean at line 1 column 13"},
        {R"({"directed":-5})", "invalid type: integer `-5`, expected a boolean at line 1 column 14"},
        {R"({"directed":-0})", "invalid type: floating point `-0.0`, expected a boolean at line 1 column 14"},
        {R"({"directed":1e16})", "invalid type: floating point `1e+16`, expected a boolean at line 1 column 16"},
        {R"({"directed":"y\"\u0001\n"})",
         R"(invalid type: string "y\"\u{1}\n", expected a boolean at line 1 column 25)"},
        {R"({"directed":[]})", "invalid type: sequence, expected a boolean at line 1 column 12"},
        {R"({"directed":true,"name":null})", "invalid type: null, expected a string at line 1 column 28"},
        {R"({"directed":true,"name":"g","nodes":{}})", "invalid type: map, expected a sequence at line 1 column 36"},
        {nodes0 + "1]}", "invalid type: integer `1`, expected struct NodeJson at line 1 column 38"},
        {nodes0 + R"({"id":"a","properties":[]}]})", "invalid type: sequence, expected a map at line 1 column 60"},
        {nodes0 + R"({"id":"a","extra":1}]})",
         "unknown field `extra`, expected `id` or `properties` at line 1 column 54"},
        {nodes0 + R"({"id":"a"}]})", "missing field `properties` at line 1 column 47"},
        {nodes0 + R"(["a"]]})", "invalid length 1, expected struct NodeJson with 2 elements at line 1 column 42"},
        {nodes0 + R"(],"edges":[{"source":"a","w":1}]})",
         "unknown field `w`, expected one of `source`, `target`, `properties` at line 1 column 65"},
        {nodes0 + R"(],"edges":[["a"]]})",
         "invalid length 1, expected struct EdgeJson with 3 elements at line 1 column 53"},
        {R"({"x" :1})", "unknown field `x`, expected one of `directed`, `multi`, `name`, `nodes`, `edges` at line 1 column 4"},
        {R"({"directed":true,"directed":false})", "duplicate field `directed` at line 1 column 27"},
        {R"({"multi":true,"multi":1})", "duplicate field `multi` at line 1 column 21"},
        {R"([true,false,"g",[],[],1])", "trailing characters at line 1 column 23"},
        {R"([true,false,"g",[],[],])", "trailing comma at line 1 column 23"},
        {R"([true,false,"g",[],[])", "EOF while parsing a list at line 1 column 21"},
        {R"([true,])", "trailing comma at line 1 column 7"},
        {R"({"directed":tru})", "expected ident at line 1 column 16"},
        {R"({"directed":tr)", "EOF while parsing a value at line 1 column 14"},
        {R"({"directed":x})", "expected value at line 1 column 13"},
        {R"({"directed" true})", "expected `:` at line 1 column 13"},
        {R"({"directed":true "name")", "expected `,` or `}` at line 1 column 18"},
        {R"({"directed":true,})", "trailing comma at line 1 column 18"},
        {R"({"directed":true,)", "EOF while parsing a value at line 1 column 17"},
        {R"({"directed":true)", "EOF while parsing an object at line 1 column 16"},
        {R"({"directed")", "EOF while parsing an object at line 1 column 11"},
        {R"({1:2})", "key must be a string at line 1 column 2"},
        {R"({,})", "key must be a string at line 1 column 2"},
        {R"({"dir)", "EOF while parsing a string at line 1 column 5"},
        {"{\n  \"directed\": 1\n}", "invalid type: integer `1`, expected a boolean at line 2 column 15"},
        {"{\n}", "missing field `directed` at line 2 column 1"},
        // Property values.
        {props0 + "[1,2}", "expected `,` or `]` at line 1 column 70"},
        {props0 + "[1,]", "trailing comma at line 1 column 69"},
        {props0 + "[1", "EOF while parsing a list at line 1 column 67"},
        {props0 + R"({"a":1,})", "trailing comma at line 1 column 73"},
        {props0 + R"({"a" 1})", "expected `:` at line 1 column 71"},
        {props0 + "nul", "EOF while parsing a value at line 1 column 68"},
        {props0 + "nulx", "expected ident at line 1 column 69"},
        {props0 + "01", "invalid number at line 1 column 67"},
        {props0 + "-}", "invalid number at line 1 column 67"},
        {props0 + "1.}", "invalid number at line 1 column 68"},
        {props0 + "1.", "EOF while parsing a value at line 1 column 67"},
        {props0 + "1e+}", "invalid number at line 1 column 69"},
        {props0 + ".5", "expected value at line 1 column 66"},
        {props0 + "1e400}", "number out of range at line 1 column 70"},
        {props0 + "-1.7976931348623159e308}", "number out of range at line 1 column 88"},
        {props0 + "1e99999999999}", "number out of range at line 1 column 77"},
        {props0 + "1234567890123456789012345678901234567890e300}", "number out of range at line 1 column 109"},
        {props0 + R"("\q")", "invalid escape at line 1 column 68"},
        {props0 + R"("\u12G4")", "invalid escape at line 1 column 72"},
        {props0 + R"("\u12)", "EOF while parsing a string at line 1 column 70"},
        {props0 + R"("\uDC00")", "lone leading surrogate in hex escape at line 1 column 72"},
        {props0 + R"("\uD800x")", "unexpected end of hex escape at line 1 column 73"},
        {props0 + R"("\uD800")", "unexpected end of hex escape at line 1 column 73"},
        {props0 + R"("\uD800\n")", "unexpected end of hex escape at line 1 column 74"},
        {props0 + R"("\uD800\u0041")", "lone leading surrogate in hex escape at line 1 column 78"},
        {props0 + "\"a\x01\"", "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 68"},
        {props0 + "\"a\n\"", "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 68"},
        {props0 + "\"a\xff\"", "invalid unicode code point at line 1 column 68"},
        {props0 + "\"a\xed\xa0\x80\"", "invalid unicode code point at line 1 column 68"},
        {props0 + "\"a\xe2\x82", "EOF while parsing a string at line 1 column 69"},
    };
    for (const Case& c : cases) CHECK_EQ(read_error(c.text), c.msg);

    // The first fault in the text wins over later ones.
    CHECK_EQ(read_error(nodes0 + R"({"id":"a","x":1,}]})"),
             std::string("unknown field `x`, expected `id` or `properties` at line 1 column 50"));
}

static void test_nesting_limit() {
    // The document, the node list, the record and the properties object take
    // four levels; a property value may nest kMaxValueDepth more.
    auto nested = [](int depth) { return std::string(size_t(depth), '[') + std::string(size_t(depth), ']'); };
    CHECK_EQ(kMaxValueDepth, 123);
    PropertyGraph g = read_ok(doc_with_value(nested(kMaxValueDepth)));
    const Value* v = node_value(g);
    int depth = 0;
    while (v && v->as_array()) {
        ++depth;
        v = v->as_array()->empty() ? nullptr : &v->as_array()->front();
    }
    CHECK_EQ(depth, kMaxValueDepth);
    std::string text = write(g);
    CHECK(read_error(text) == "<ok>");

    std::string deep = doc_with_value(nested(kMaxValueDepth + 1));
    size_t at = deep.find('[', deep.find("\"v\":")) + kMaxValueDepth;
    CHECK_EQ(read_error(deep), "recursion limit exceeded at line 1 column " + std::to_string(at + 1));
    // The same in the array form of the records, and for objects.
    std::string arr = "[true,false,\"\",[[\"a\",{\"v\":" + nested(kMaxValueDepth) + "}]],[]]";
    CHECK(read_error(arr) == "<ok>");
    arr = "[true,false,\"\",[[\"a\",{\"v\":" + nested(kMaxValueDepth + 1) + "}]],[]]";
    CHECK(read_error(arr).rfind("recursion limit exceeded", 0) == 0);
    std::string objs;
    for (int i = 0; i < kMaxValueDepth + 1; ++i) objs += "{\"k\":";
    CHECK(read_error(doc_with_value(objs)).rfind("recursion limit exceeded", 0) == 0);
}

static void test_building() {
    const std::string two = R"({"id":"a","properties":{}},{"id":"b","properties":{}})";
    auto doc = [&](const char* flags, const std::string& nodes, const std::string& edges) {
        return std::string("{") + flags + R"("name":"g","nodes":[)" + nodes + R"(],"edges":[)" + edges + "]}";
    };
    const std::string ab = R"({"source":"a","target":"b","properties":{}})";
    const std::string ba = R"({"source":"b","target":"a","properties":{}})";
    const char* dir = R"("directed":true,"multi":false,)";
    const char* undir = R"("directed":false,"multi":false,)";

    CHECK_EQ(read_error(doc(dir, two + R"(,{"id":"a","properties":{}})", "")), std::string("Node 'a' already exists"));
    CHECK_EQ(read_error(doc(dir, two, R"({"source":"a","target":"zz","properties":{}})")),
             std::string("Target node 'zz' not found"));
    CHECK_EQ(read_error(doc(dir, two, R"({"source":"q","target":"zz","properties":{}})")),
             std::string("Source node 'q' not found"));
    CHECK_EQ(read_error(doc(dir, two, ab + "," + ab)), std::string("Edge 'a' -> 'b' already exists"));
    CHECK_EQ(read_error(doc(dir, two, ab + "," + ba)), std::string("<ok>"));
    CHECK_EQ(read_error(doc(undir, two, ab + "," + ba)), std::string("Edge 'b' -> 'a' already exists"));
    CHECK_EQ(read_error(doc(R"("directed":false,"multi":true,)", two, ab + "," + ba + "," + ab)), std::string("<ok>"));
    // Without the multi member parallel edges are refused.
    CHECK_EQ(read_error(doc(R"("directed":true,)", two, ab + "," + ab)), std::string("Edge 'a' -> 'b' already exists"));

    // Members in any order: edges before nodes and flags are held back
    // until every node is in.
    std::string late = R"({"edges":[)" + ab + "," + ba + R"(],"nodes":[)" + two + R"(],"name":"g","directed":false})";
    CHECK_EQ(read_error(late), std::string("Edge 'b' -> 'a' already exists"));
    late = R"({"edges":[)" + ab + R"(],"nodes":[)" + two + R"(],"name":"g","directed":false})";
    PropertyGraph lg = read_ok(late);
    CHECK(!lg.directed() && !lg.multi() && lg.name() == "g" && lg.has_edge("b", "a") && lg.edge_count() == 1);

    // Order of failures: reading, node cap, edge cap, node refusals, edge refusals.
    std::string dup = two + R"(,{"id":"a","properties":{}})";
    CHECK(read_error(doc(dir, dup, ab) + "x").rfind("trailing characters", 0) == 0);
    CHECK(read_error(doc(dir, dup, ab), 2).rfind("Graph JSON declares 3 nodes", 0) == 0);
    CHECK(read_error(doc(dir, dup, ab + "," + ab), kNoCap, 1).rfind("Graph JSON declares 2 edges", 0) == 0);
    CHECK_EQ(read_error(doc(dir, dup, R"({"source":"x","target":"y","properties":{}})")),
             std::string("Node 'a' already exists"));
}

static void test_caps() {
    const std::string text = R"({"directed":true,"name":"","nodes":[{"id":"a","properties":{}}],"edges":[["a","a",{}]]})";
    CHECK(from_json(text, text.size(), 1, 1).ok());
    auto r = from_json(text, text.size() - 1, 1, 1);
    CHECK_EQ(r.error(), "Graph JSON is " + std::to_string(text.size()) + " bytes; refusing to parse above " +
                            std::to_string(text.size() - 1) + " bytes (raise VeskGraphSettings.max_bytes if intended).");
    CHECK_EQ(from_json(text, kNoCap, 0, 1).error(),
             std::string("Graph JSON declares 1 nodes; refusing above max_nodes=0 (raise VeskGraphSettings.max_nodes if intended)."));
    CHECK_EQ(from_json(text, kNoCap, 1, 0).error(),
             std::string("Graph JSON declares 1 edges; refusing above max_edges=0 (raise VeskGraphSettings.max_edges if intended)."));
    CHECK(from_json(R"({"directed":true,"name":"","nodes":[],"edges":[]})", kNoCap, 0, 0).ok());
    // The byte cap is checked before anything is read.
    CHECK(from_json("garbage", 6, kNoCap, kNoCap).error().rfind("Graph JSON is 7 bytes", 0) == 0);
}

static void test_round_trip() {
    PropertyGraph g(false, false, "kg");
    for (int i = 0; i < 50; ++i) {
        Properties p;
        p.insert_or_assign("i", Value::number(Number::from_u64(uint64_t(i))));
        p.insert_or_assign("f", Value::number(Number::from_f64(i / 7.0)));
        p.insert_or_assign("s", Value::string("n" + std::to_string(i) + "\n\"é"));
        p.insert_or_assign("o", Value::object({{"a", Value::array({Value::number(Number::from_i64(-i - 1))})}}));
        g.add_node("n" + std::to_string(i), std::move(p));
    }
    for (int i = 0; i < 49; ++i) g.add_edge("n" + std::to_string(i), "n" + std::to_string(i + 1), props1("w", Value::null()));
    g.add_edge("n3", "n3", Properties());
    // Removed slots close up on reading.
    for (const char* id : {"n10", "n20"}) {
        CHECK(g.remove_node(id).ok());
    }
    std::string text = write(g);
    PropertyGraph back = read_ok(text);
    CHECK(!back.directed() && !back.multi() && back.name() == "kg");
    CHECK_EQ(back.node_count(), g.node_count());
    CHECK_EQ(back.edge_count(), g.edge_count());
    CHECK_EQ(back.store().node_slots(), size_t(g.node_count()));
    auto ids = g.node_ids();
    auto back_ids = back.node_ids();
    CHECK(std::vector<std::string_view>(ids) == back_ids);
    for (std::string_view id : ids) {
        const Properties& a = g.get_node(id)->properties;
        const Properties& b = back.get_node(id)->properties;
        CHECK_EQ(a.size(), b.size());
        for (const auto& [k, v] : a) CHECK(b.find(k) && *b.find(k) == v);
    }
    auto e1 = g.edges();
    auto e2 = back.edges();
    CHECK_EQ(e1.size(), e2.size());
    for (size_t i = 0; i < e1.size() && i < e2.size(); ++i)
        CHECK(e1[i].source == e2[i].source && e1[i].target == e2[i].target);
    CHECK(from_json(text, text.size(), back.node_count(), back.edge_count()).ok());
}

static void test_pickle_state() {
    PropertyGraph g(true, true, "p");
    g.add_node("a", props1("x", Value::number(Number::from_f64(0.1))));
    g.add_edge("a", "a", Properties());
    g.add_edge("a", "a", Properties());
    std::string state = to_pickle_state(g).take().str();
    CHECK_EQ(state.substr(0, 4), std::string("QTB1"));
    CHECK_EQ(state.substr(4), write(g));
    auto back = from_pickle_state(state);
    CHECK(back && back.value().multi() && back.value().edge_count() == 2 && back.value().name() == "p");

    CHECK_EQ(from_pickle_state("QTB").error(), std::string("vesk-graph pickle payload too short to contain magic header."));
    CHECK_EQ(from_pickle_state("ABCD{}").error(),
             std::string("vesk-graph pickle magic mismatch: expected b'QTB1', got [65, 66, 67, 68]. Pickled state "
                         "from a different vesk-graph release or format."));
    CHECK_EQ(from_pickle_state(std::string_view("\xff\x00QT", 4)).error().substr(0, 63),
             std::string("vesk-graph pickle magic mismatch: expected b'QTB1', got [255, 0"));
    CHECK_EQ(from_pickle_state("QTB1").error(), std::string("EOF while parsing a value at line 1 column 0"));
    const std::string utf = "vesk-graph pickle payload after magic header is not UTF-8: ";
    CHECK_EQ(from_pickle_state("QTB1{\"a\xff").error(), utf + "invalid utf-8 sequence of 1 bytes from index 3");
    CHECK_EQ(from_pickle_state("QTB1ab\xe2\x82").error(), utf + "incomplete utf-8 byte sequence from index 2");
    CHECK_EQ(from_pickle_state("QTB1ab\xe2\x82x").error(), utf + "invalid utf-8 sequence of 2 bytes from index 2");
    CHECK_EQ(from_pickle_state("QTB1\xf0\x90\x80\x41").error(), utf + "invalid utf-8 sequence of 3 bytes from index 0");
    CHECK_EQ(from_pickle_state("QTB1\xc0\x80").error(), utf + "invalid utf-8 sequence of 1 bytes from index 0");

    // The limit is the same both ways: a state of exactly 64 MiB is written
    // and read, one byte more is refused by both.
    const size_t base = write(PropertyGraph()).size() + 4;
    PropertyGraph big(true, false, std::string(kMaxPickleBytes - base, 'n'));
    auto at_limit = to_pickle_state(big);
    CHECK(at_limit && at_limit.value().size() == kMaxPickleBytes);
    if (at_limit) CHECK(from_pickle_state(at_limit.value().view()).ok());
    big.set_name(big.name() + 'n');
    auto over = to_pickle_state(big);
    CHECK(!over && over.error().find("67108865 bytes") != std::string::npos &&
          over.error().find("67108864") != std::string::npos);
    std::string too_long(kMaxPickleBytes + 1, 'x');
    CHECK_EQ(from_pickle_state(too_long).error(),
             std::string("vesk-graph pickle payload is 67108865 bytes; refusing to deserialize above 67108864 bytes "
                         "(audit A2-#4). Set state on a smaller graph or deserialize from a trusted source through "
                         "Graph.from_json()."));
}

// Writer-made text is read by a shortcut for compact records; a space after
// every member name sends each record the general way. The two must agree
// on random graphs (escapes, non-ASCII, long ids, nested values, repeated
// names) and on random damage to their text: the same graph, or the same
// message (positions aside, as the spaces move them).
static std::string spaced(std::string_view text) {
    std::string out;
    bool in_string = false, escaped = false;
    for (char c : text) {
        out += c;
        if (in_string) {
            if (escaped) escaped = false;
            else if (c == '\\') escaped = true;
            else if (c == '"') in_string = false;
        } else if (c == '"') {
            in_string = true;
        } else if (c == ':') {
            out += ' ';
        }
    }
    return out;
}

static std::string message_kind(const std::string& error) { return error.substr(0, error.find(" at line ")); }

static void check_same_reading(std::string_view text, int& failures_shown) {
    auto a = from_json(text, kNoCap, kNoCap, kNoCap);
    std::string other = spaced(text);
    auto b = from_json(other, kNoCap, kNoCap, kNoCap);
    bool same = a.ok() == b.ok() &&
                (a.ok() ? write(a.value()) == write(b.value()) : message_kind(a.error()) == message_kind(b.error()));
    if (!same && failures_shown++ < 3) {
        ++failures;
        std::cerr << "compact and spaced readings differ\n  text: " << text << "\n  compact: "
                  << (a.ok() ? write(a.value()) : a.error()) << "\n  spaced:  " << (b.ok() ? write(b.value()) : b.error())
                  << "\n";
    }
}

static void test_compact_and_general_reading_agree() {
    std::mt19937_64 rng(11);
    auto pick = [&](size_t n) { return size_t(rng() % n); };
    const std::vector<std::string> texts = {"a", "b", "", "é", "日本", "q\"x", "b\\s", "t\tn\n", "\x01", "k:v",
                                            "a long id with more than sixteen bytes", "x,y}"};
    std::function<Value(int)> value = [&](int depth) -> Value {
        switch (pick(depth > 2 ? 6 : 8)) {
            case 0: return Value::null();
            case 1: return Value::boolean(rng() & 1);
            case 2: return Value::number(Number::from_u64(rng() % 3 ? rng() % 1000 : rng()));
            case 3: return Value::number(Number::from_i64(-int64_t(rng() % 1000) - 1));
            case 4: {
                const double ds[] = {0.5, -0.0, 1e300, 2.5e-7, 123.456, 1e16};
                return Value::number(Number::from_f64(ds[pick(6)]));
            }
            case 5: return Value::string(texts[pick(texts.size())]);
            case 6: {
                Array a;
                for (size_t i = pick(3); i > 0; --i) a.push_back(value(depth + 1));
                return Value::array(std::move(a));
            }
            default: {
                Object o;
                for (size_t i = pick(3); i > 0; --i) object_insert(o, texts[pick(texts.size())], value(depth + 1));
                return Value::object(std::move(o));
            }
        }
    };
    auto properties = [&] {
        Properties p;
        for (size_t i = pick(4); i > 0; --i) p.insert_or_assign(texts[pick(texts.size())], value(0));
        return p;
    };
    const std::string damage = "{}[]\",:\\ a0-.e";
    int shown = 0;
    for (int round = 0; round < 400; ++round) {
        PropertyGraph g(rng() & 1, rng() & 1, texts[pick(texts.size())]);
        for (size_t i = pick(6); i > 0; --i) g.add_node(texts[pick(texts.size())], properties());
        auto ids = g.node_ids();
        for (size_t i = ids.empty() ? 0 : pick(8); i > 0; --i)
            g.add_edge(ids[pick(ids.size())], ids[pick(ids.size())], properties());
        std::string text = write(g);
        check_same_reading(text, shown);
        // Repeated names, whose last value wins either way.
        std::string repeated = text;
        size_t at = repeated.find("\"properties\":{\"");
        if (at != std::string::npos) {
            size_t name_end = repeated.find("\":", at + 15);
            repeated.insert(at + 14, repeated.substr(at + 14, name_end + 2 - (at + 14)) + "7,");
            check_same_reading(repeated, shown);
        }
        for (int k = 0; k < 20 && !text.empty(); ++k) {
            std::string bad = text;
            size_t i = pick(bad.size());
            switch (pick(3)) {
                case 0: bad[i] = damage[pick(damage.size())]; break;
                case 1: bad.erase(i, 1); break;
                default: bad.insert(i, 1, damage[pick(damage.size())]);
            }
            check_same_reading(bad, shown);
        }
    }
}

int main() {
    test_double_text();
    test_writer_bytes();
    test_number_reading();
    test_values_and_strings();
    test_reading_errors();
    test_nesting_limit();
    test_building();
    test_caps();
    test_round_trip();
    test_compact_and_general_reading_agree();
    test_pickle_state();
    return check_summary("test_graph_json");
}
