// Absolute IRIs (RFC 3987) and resolution of IRI references against a base
// (RFC 3986 section 5), strict: every character outside the IRI grammar is
// refused, so a validated IRI can be written between '<' and '>' in
// N-Triples without escaping.
//
// Usage:
//   if (auto err = iri_error("http://ex.org/a b")) ...   // "Invalid IRI code point ' '"
//   auto base = Iri::parse("http://ex.org/dir/file");    // Result<Iri>
//   auto full = base.value().resolve("../other#x");      // "http://ex.org/other#x"
//   full.value().str();
//
// Error texts (without any prefix; callers add their own context):
//   "No scheme found in an absolute IRI", "Invalid character '{}'" (port),
//   "Invalid character '{}' in host", "Invalid host IP ({})",
//   "Invalid IRI code point '{}'", "Invalid IRI percent encoding '{}'",
//   "An IRI path is not allowed to start with //".
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/result.hpp"

namespace vg::rdf {

class Iri {
public:
    // `text` must be an absolute IRI.
    static Result<Iri> parse(std::string text);
    // Resolves an IRI reference (absolute or relative) against this IRI.
    Result<Iri> resolve(std::string_view reference) const;
    // Replaces this IRI by the resolution of `reference` against it, as a
    // document's next base does; returns the bytes written. A relative path
    // without "." or ".." segments extends the text in place (the cost of
    // the reference, not of the whole IRI), so a chain of relative bases
    // stays linear; anything else is resolved in full.
    Result<size_t> rebase(std::string_view reference);

    const std::string& str() const { return text_; }
    std::string take() { return std::move(text_); }

private:
    friend struct IriBuilder;
    friend struct IriResolution;
    std::string text_;
    // Offsets into text_: end of the scheme (the ':'), of the authority (equal
    // to scheme_end_ + 1 when there is none), of the path and of the query
    // (equal to path_end_ when there is none).
    uint32_t scheme_end_ = 0;
    uint32_t authority_end_ = 0;
    uint32_t path_end_ = 0;
    uint32_t query_end_ = 0;
    bool has_authority_ = false;
    bool has_query_ = false;
    // Whether the path is known to hold no "." or ".." segment (which the
    // in-place rebase needs); worked out once, on the first rebase.
    enum class DotFree : uint8_t { Unknown, Yes, No };
    DotFree dot_free_ = DotFree::Unknown;
};

// The length of the scheme that `ref` starts with (the offset of its ':'),
// 0 when it has none. A reference with a scheme resolves alike against
// every base.
size_t scheme_length(std::string_view ref);

// nullopt when `text` is an absolute IRI, else the error text.
std::optional<std::string> iri_error(std::string_view text);

// Whether `text` is an absolute IRI (the fast check used on hot paths).
inline bool is_absolute_iri(std::string_view text) { return !iri_error(text); }

}  // namespace vg::rdf
