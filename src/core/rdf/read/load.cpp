#include "core/rdf/read/load.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "core/errors.hpp"
#include "core/io/text_input.hpp"
#include "core/rdf/read/graph_builder.hpp"

namespace vg::rdf {

namespace {

Error invalid(std::string m) { return Error{ErrorKind::InvalidValue, std::move(m)}; }

// The extension of the path's file name; nullopt when there is none.
std::optional<std::string_view> file_extension(std::string_view path) {
    // The file name is the last component, trailing '/' and "." components
    // ignored; "..", the root and the empty path have none.
    std::string_view name;
    size_t end = path.size();
    while (end > 0) {
        size_t slash = path.rfind('/', end - 1);
        size_t begin = slash == std::string_view::npos ? 0 : slash + 1;
        std::string_view comp = path.substr(begin, end - begin);
        if (!comp.empty() && comp != ".") {
            name = comp;
            break;
        }
        if (slash == std::string_view::npos) break;
        end = slash;
    }
    if (name.empty() || name == "..") return std::nullopt;
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return std::nullopt;
    return name.substr(dot + 1);
}

uint64_t elapsed_ms(std::chrono::steady_clock::time_point start) {
    auto d = std::chrono::steady_clock::now() - start;
    if (d.count() < 0) return 0;
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
}

// A file read past the byte cap fails with kind CapRefused and no text,
// whatever the reader made of the end the cap put to its input; the caller
// words it.
Result<LoadedRdf> run_load(RdfSyntax syntax, RdfInput& in, uint64_t triple_cap,
                           std::chrono::steady_clock::time_point start, const Interrupt* interrupt) {
    LoadedRdf out;
    InterruptCheck check(interrupt);
    in.interrupt = &check;
    in.text.set_interrupt(interrupt);
    {
        GraphBuilder builder(triple_cap);
        ReadOutcome r = read_syntax(syntax, in, builder);
        if (in.over_cap()) return Error{ErrorKind::CapRefused, {}};
        if (r.kind == ReadOutcome::Kind::Stopped) return builder.error();
        if (r.kind == ReadOutcome::Kind::Failed) return Error{ErrorKind::Parse, "Parse error: " + r.message};
        if (!builder.finish()) return builder.error();
        out.stats.total_triples = builder.triples();
        out.stats.literal_properties = builder.literals();
        out.graph = std::move(builder.graph());
    }
    out.stats.load_time_ms = elapsed_ms(start);
    out.stats.nodes = out.graph.node_count();
    out.stats.edges = out.graph.edge_count();
    return out;
}

}  // namespace

Result<RdfSyntax> rdf_syntax_from_name(std::string_view name) {
    static constexpr std::pair<std::string_view, RdfSyntax> kNames[] = {
        {"turtle", RdfSyntax::Turtle}, {"ttl", RdfSyntax::Turtle},   {"ntriples", RdfSyntax::NTriples},
        {"nt", RdfSyntax::NTriples},   {"rdfxml", RdfSyntax::RdfXml}, {"xml", RdfSyntax::RdfXml},
        {"owl", RdfSyntax::RdfXml},    {"nquads", RdfSyntax::NQuads}, {"nq", RdfSyntax::NQuads},
        {"trig", RdfSyntax::TriG},
    };
    for (auto& [n, s] : kNames)
        if (n == name) return s;
    return invalid("Unknown RDF format: '" + std::string(name) +
                   "'. Supported: turtle, ttl, ntriples, nt, rdfxml, xml, owl, nquads, nq, trig");
}

Result<RdfSyntax> rdf_syntax_from_extension(std::string_view path) {
    static constexpr std::pair<std::string_view, RdfSyntax> kExtensions[] = {
        {"nt", RdfSyntax::NTriples}, {"nq", RdfSyntax::NQuads}, {"ttl", RdfSyntax::Turtle},
        {"rdf", RdfSyntax::RdfXml},  {"owl", RdfSyntax::RdfXml}, {"trig", RdfSyntax::TriG},
    };
    auto ext = file_extension(path);
    if (ext)
        for (auto& [e, s] : kExtensions)
            if (e == *ext) return s;
    return invalid("Unknown RDF file extension for " + errors::debug_quoted(ext.value_or("")) +
                   "; pass an explicit format (turtle/ntriples/rdfxml/nquads/trig) via load_rdf_string instead.");
}

ReadOutcome read_syntax(RdfSyntax syntax, RdfInput& in, TripleSink& sink) {
    switch (syntax) {
        case RdfSyntax::Turtle: return read_turtle(in, sink);
        case RdfSyntax::NTriples: return read_ntriples(in, sink);
        case RdfSyntax::RdfXml: return read_rdfxml(in, sink);
        case RdfSyntax::NQuads: return read_nquads(in, sink);
        case RdfSyntax::TriG: return read_trig(in, sink);
    }
    internal_failure("unknown RDF syntax");
}

std::string_view iri_local_name(std::string_view iri) {
    size_t cut = iri.rfind('#');
    if (cut == std::string_view::npos) cut = iri.rfind('/');
    return cut == std::string_view::npos ? iri : iri.substr(cut + 1);
}

Result<LoadedRdf> load_rdf_text(std::string_view data, std::string_view format, uint64_t max_bytes,
                                uint64_t triple_cap, const Interrupt* interrupt) {
    auto syntax = rdf_syntax_from_name(format);
    if (!syntax) return syntax.failure();
    if (data.size() > max_bytes)
        return Error{ErrorKind::CapRefused, "RDF string is " + std::to_string(data.size()) +
                                                " bytes; refusing to parse above " + std::to_string(max_bytes) +
                                                " bytes (raise VeskGraphSettings.max_bytes if intended)."};
    auto start = std::chrono::steady_clock::now();
    TextInput text = TextInput::from_string(data);
    RdfInput in{text, nullptr, data.size()};
    return run_load(syntax.value(), in, triple_cap, start, interrupt);
}

Result<LoadedRdf> load_rdf_path(std::string_view path, uint64_t max_bytes, uint64_t triple_cap,
                                const Interrupt* interrupt) {
    auto syntax = rdf_syntax_from_extension(path);
    if (!syntax) return syntax.failure();
    if (path.find('\0') != std::string_view::npos)
        return Error{ErrorKind::Io, "Failed to stat file: file name contained an unexpected NUL byte"};
    std::string p(path);
    struct stat st;
    if (::stat(p.c_str(), &st) != 0) return Error{ErrorKind::Io, "Failed to stat file: " + os_error_text(errno)};
    auto size_message = [&](uint64_t n) {
        return "RDF file is " + std::to_string(n) + " bytes; refusing to load above " + std::to_string(max_bytes) +
               " bytes (raise VeskGraphSettings.max_bytes if intended).";
    };
    if (uint64_t(st.st_size) > max_bytes) return Error{ErrorKind::CapRefused, size_message(uint64_t(st.st_size))};
    auto start = std::chrono::steady_clock::now();
    auto opened = TextInput::open_file(p);
    if (!opened) return Error{ErrorKind::Io, "Failed to open file: " + opened.error()};
    // A regular file's size is known before reading; a pipe's or a
    // device's is not (their budgets grow as they are read).
    opened.value().set_byte_cap(max_bytes);
    RdfInput in{opened.value(), nullptr, S_ISREG(st.st_mode) ? uint64_t(st.st_size) : 0};
    auto r = run_load(syntax.value(), in, triple_cap, start, interrupt);
    if (!r && r.kind() == ErrorKind::CapRefused && r.error().empty())
        return Error{ErrorKind::CapRefused, size_message(in.bytes_read())};
    return r;
}

}  // namespace vg::rdf
