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
    // `cost`, when given, gets the work it took: the bytes taken from this
    // IRI and those of the reference. Readers charge it to their budget, as
    // it can be far more than the result's size (a long base, a short
    // result).
    Result<Iri> resolve(std::string_view reference, size_t* cost = nullptr) const;
    // Replaces this IRI by the resolution of `reference` against it, as a
    // document's next base does; returns the work it took, as resolve's
    // cost. A relative path is merged in place, after the base's directory,
    // at the cost of the reference alone (its ".." take back what earlier
    // references added), so a chain of relative bases stays linear; anything
    // else is resolved in full.
    Result<size_t> rebase(std::string_view reference);

    const std::string& str() const { return text_; }
    std::string take() { return std::move(text_); }

private:
    friend struct IriBuilder;
    friend struct IriResolution;
    // The directory relative paths are merged with (RFC 3986 5.2.3): the
    // path up to its last '/', "/" for an empty path under an authority,
    // with its dot segments removed (removing them first gives the same
    // results, and is then done once per base, not per reference).
    std::string_view directory() const;
    // Notes that the path holds no dot segment (finding its last '/').
    void set_clean_directory() const;

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
    // The directory, worked out on first use: Clean, it is text_ from
    // authority_end_ to dir_end_ (just past the path's last '/'); Cleaned,
    // it had dot segments and clean_dir_ is the directory without them.
    // DotFree: not worked out yet, but the path is known to hold no dot
    // segment (from how the IRI was made), so it will be Clean.
    enum class Dir : uint8_t { Unknown, DotFree, Clean, Cleaned };
    mutable Dir dir_ = Dir::Unknown;
    mutable uint32_t dir_end_ = 0;
    mutable std::string clean_dir_;
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
