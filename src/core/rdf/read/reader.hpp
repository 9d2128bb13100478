// The contract between a syntax reader and the RDF loader.
//
// The loader owns the input and the graph; a reader reads its syntax from an
// RdfInput and hands each triple, in the order the syntax yields them, to a
// TripleSink. The sink returns false to stop the reader (triple cap, refused
// edge); the reader then returns Stopped at once, and the loader reports the
// sink's own message. Everything a reader itself refuses (syntax, IRIs,
// language tags, read errors of the input) comes back as Failed with the
// text the loader shows after "Parse error: "; a read error of the cursor
// (text.failed()) is reported the same way, with read_error().message.
//
// A reader is one function per syntax:
//   ReadOutcome read_rdfxml(RdfInput& in, TripleSink& sink);
// and a typical body looks like
//   while (more statements) {
//       ...
//       if (!sink.triple(subject.ref(), predicate.ref(), object.ref())) return ReadOutcome::stopped();
//   }
//   return ReadOutcome::done();
// Nothing a reader hands over may outlive the call to `triple`. A term the
// reader holds across triples carries its key (terms.hpp), so that the sink
// pays for its text once, not once per triple.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/io/text_input.hpp"
#include "core/rdf/terms.hpp"
#include "core/support/interrupt.hpp"

namespace vg::rdf {

class TripleSink {
public:
    virtual ~TripleSink() = default;
    // Returns false to stop reading.
    // The predicate is an IRI.
    virtual bool triple(const TermRef& subject, const TermRef& predicate, const TermRef& object) = 0;
};

// One input: the shared text cursor over a string or a file. A string was
// measured before reading; a file is held to the byte cap by the cursor
// itself (TextInput::set_byte_cap), which ends the input one byte past the
// cap, so a reader needs no cap check: whatever it makes of that end, the
// loader reports the cap.
//
// The budgets on bytes a document makes (resolved IRIs, expanded entities)
// grow with budget_bytes(): the input's whole size where it is known before
// reading (a string, a regular file), so that the same bytes get the same
// budget from either; for a pipe or a device, the bytes read so far.
//
// A reader calls tick() once per token or event, so that a long load can be
// abandoned from outside (Ctrl-C): the check then throws Interrupted out of
// the reader, and everything read so far is dropped on the way out.
struct RdfInput {
    TextInput& text;
    InterruptCheck* interrupt = nullptr;

    uint64_t known_size = 0;  // the whole input's size, 0 when not known beforehand

    uint64_t bytes_read() const { return text.bytes_read(); }
    uint64_t budget_bytes() const { return std::max(known_size, bytes_read()); }
    bool over_cap() const { return text.over_cap(); }
    void tick() {
        if (interrupt) interrupt->tick();
    }
};

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
