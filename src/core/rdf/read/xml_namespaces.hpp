// The namespace bindings in scope while an XML document is read. A document
// controls how many there are (tens of thousands on one element cost it a
// few bytes each), so nothing here walks them per name: a look-up is one
// hash of the prefix, and closing an element undoes just what it declared.
//
// Usage:
//   scope.open();                          // at each start tag, then
//   scope.bind("ex", "http://ex.org/");    // for each declaration on it
//   const std::string* ns = scope.find("ex");
//   if (scope.close()) ...                 // at its end tag: true when it declared any
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/support/hash.hpp"

namespace vg::rdfxml {

class NamespaceScope {
public:
    struct Binding {
        std::string prefix;  // empty: the default namespace
        std::string ns;      // as written, references not yet expanded
        int32_t hides = -1;  // the binding of the same prefix it hides, -1 none
        bool hidden = false;
        // What an XML literal writes for it, worked out by the reader on
        // first use and gone with the binding: the declaration, or why it
        // cannot be written.
        struct LiteralForm {
            bool known = false, ok = false;
            std::string text;
        };
        mutable LiteralForm literal;
    };

    void open() { marks_.push_back(static_cast<uint32_t>(bindings_.size())); }
    void bind(std::string_view prefix, std::string_view ns);
    // Whether the innermost open element declared any binding.
    bool declared_here() const { return !marks_.empty() && bindings_.size() != marks_.back(); }
    // Closes the innermost element; true when it had declared bindings.
    bool close() {
        if (marks_.empty()) return false;
        uint32_t mark = marks_.back();
        marks_.pop_back();
        return bindings_.size() != mark && unwind(mark);
    }

    // The namespace in force for a prefix, null when there is none.
    const std::string* find(std::string_view prefix) const;
    // Every binding, in the order declared; those not `hidden` are in force.
    const std::vector<Binding>& bindings() const { return bindings_; }

private:
    // Takes back the bindings from `mark` on; true.
    bool unwind(uint32_t mark);

    std::vector<Binding> bindings_;
    std::vector<uint32_t> marks_;  // bindings_ size before each open element
    std::unordered_map<std::string, uint32_t, KeyedHash, std::equal_to<>> in_force_;  // prefix -> binding
};

}  // namespace vg::rdfxml
