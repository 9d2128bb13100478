// Well-formedness of BCP 47 language tags (RFC 5646 section 2.1: langtag,
// private use or grandfathered tag), compared case-insensitively.
//
// Usage:
//   if (auto err = language_tag_error("en-US")) ...   // nullopt: well-formed
//   std::string tag = "EN-us"; ascii_lowercase(tag);  // the stored form
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace vg::rdf {

// nullopt when `tag` is well-formed, else a message saying what is wrong.
std::optional<std::string> language_tag_error(std::string_view tag);

void ascii_lowercase(std::string& s);

}  // namespace vg::rdf
