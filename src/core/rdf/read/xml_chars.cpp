#include "core/rdf/read/xml_chars.hpp"

namespace vg::rdfxml {

bool is_xml_name_start_char(uint32_t c) {
    if (c < 0x80) return c == ':' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) ||
           (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool is_xml_name_char(uint32_t c) {
    if (c < 0x80)
        return c == ':' || c == '_' || c == '-' || c == '.' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
               (c >= 'a' && c <= 'z');
    return c == 0xB7 || (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040) || is_xml_name_start_char(c);
}

bool is_ncname(std::string_view s) { return is_xml_name(s) && s.find(':') == std::string_view::npos; }

bool is_xml_whitespace(std::string_view s) {
    for (char c : s)
        if (!is_xml_space(c)) return false;
    return true;
}

}  // namespace vg::rdfxml
