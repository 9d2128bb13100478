// Times the RDF/XML export, which has no Python entry: loads one document
// and prints the best export time of some runs, in ms, and the length of
// the text. bench_hostile.py builds it against the core library of the
// Python module's incremental build:
//   g++ -std=c++20 -O2 -Isrc bench/export_rdfxml.cpp build/<tag>/libvesk_core.a -o export_rdfxml
//   ./export_rdfxml turtle doc.ttl 3 [out.rdf]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "core/rdf/read/load.hpp"
#include "core/rdf/write/export.hpp"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s SYNTAX FILE REPEAT [OUT]\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    const std::string doc{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    auto loaded = vg::rdf::load_rdf_text(doc, argv[1], UINT64_MAX, UINT64_MAX);
    if (!loaded) {
        std::fprintf(stderr, "load: %s\n", loaded.error().c_str());
        return 1;
    }
    const vg::PropertyGraph& g = loaded.value().graph;
    double best = 1e300;
    std::string text;
    for (int i = 0, n = std::max(1, std::atoi(argv[3])); i < n; ++i) {
        auto t = std::chrono::steady_clock::now();
        auto r = vg::rdf::serialize_graph_rdf(g, vg::rdf::RdfFormat::RdfXml);
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count());
        if (!r) {
            std::fprintf(stderr, "export: %s\n", r.error().c_str());
            return 1;
        }
        text = r.take();
    }
    if (argc > 4) std::ofstream(argv[4], std::ios::binary) << text;
    std::printf("%.3f %zu\n", best, text.size());
    return 0;
}
