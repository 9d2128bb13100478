#include "core/rdf/read/xml_namespaces.hpp"

namespace vg::rdfxml {

void NamespaceScope::bind(std::string_view prefix, std::string_view ns) {
    auto index = static_cast<uint32_t>(bindings_.size());
    Binding& b = bindings_.emplace_back();
    b.prefix.assign(prefix);
    b.ns.assign(ns);
    auto [it, fresh] = in_force_.try_emplace(b.prefix, index);
    if (!fresh) {
        b.hides = static_cast<int32_t>(it->second);
        bindings_[it->second].hidden = true;
        it->second = index;
    }
}

bool NamespaceScope::unwind(uint32_t mark) {
    while (bindings_.size() > mark) {
        const Binding& b = bindings_.back();
        if (b.hides >= 0) {
            in_force_.find(b.prefix)->second = static_cast<uint32_t>(b.hides);
            bindings_[static_cast<size_t>(b.hides)].hidden = false;
        } else {
            in_force_.erase(b.prefix);
        }
        bindings_.pop_back();
    }
    return true;
}

const std::string* NamespaceScope::find(std::string_view prefix) const {
    auto it = in_force_.find(prefix);
    return it == in_force_.end() ? nullptr : &bindings_[it->second].ns;
}

}  // namespace vg::rdfxml
