// The contract between a syntax reader and the RDF loader.
//
// The loader owns the input and the graph; a reader reads its syntax from an
// RdfInput and hands each triple, in the order the syntax yields them, to a
// TripleSink. The sink returns false to stop the reader (triple cap, refused
// edge); the reader then returns Stopped at once, and the loader reports the
// sink's own message. Everything a reader itself refuses (syntax, IRIs,
// language tags, read errors of the input) comes back as Failed with the
// text the loader shows after "Parse error: ".
//
// A reader is one function per syntax:
//   ReadOutcome read_rdfxml(RdfInput& in, TripleSink& sink);
// and a typical body looks like
//   while (more statements) {
//       ...
//       if (!sink.triple(subject.ref(), predicate, object.ref())) return ReadOutcome::stopped();
//   }
//   return ReadOutcome::done();
// Nothing a reader hands over may outlive the call to `triple`.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "terms.hpp"

namespace vg::rdf {

class TripleSink {
public:
    virtual ~TripleSink() = default;
    // Returns false to stop reading.
    virtual bool triple(const TermRef& subject, std::string_view predicate, const TermRef& object) = 0;
};

// Bytes of a file, pulled in chunks by the reader. The file loader's source
// counts what it reads and fails once the byte cap is passed, whatever the
// file's size said (a pipe, a growing file).
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to n bytes into buf: the count read, 0 at the end of the
    // input, -1 on failure (error() then holds the text).
    virtual ptrdiff_t read(char* buf, size_t n) = 0;
    virtual const std::string& error() const = 0;
};

// One input: the text in memory when `source` is null, else the source.
struct RdfInput {
    std::string_view text;
    ByteSource* source = nullptr;
};

// Size of the buffer through which files are read.
inline constexpr size_t kReadBufferSize = 8192;

struct ReadOutcome {
    enum class Kind : uint8_t { Done, Stopped, Failed };
    Kind kind = Kind::Done;
    std::string message;  // Failed: the reader's error text

    static ReadOutcome done() { return {}; }
    static ReadOutcome stopped() { return {Kind::Stopped, {}}; }
    static ReadOutcome failed(std::string m) { return {Kind::Failed, std::move(m)}; }
};

// The syntax readers.
ReadOutcome read_ntriples(RdfInput& in, TripleSink& sink);
ReadOutcome read_nquads(RdfInput& in, TripleSink& sink);
ReadOutcome read_turtle(RdfInput& in, TripleSink& sink);
ReadOutcome read_trig(RdfInput& in, TripleSink& sink);
ReadOutcome read_rdfxml(RdfInput& in, TripleSink& sink);

}  // namespace vg::rdf
