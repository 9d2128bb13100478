#include "core/rdf/read/predicate_table.hpp"

#include "core/rdf/read/load.hpp"

namespace vg::rdf {

uint32_t PredicateTable::find_or_add_keyed(const TermRef& iri) {
    if (iri.key == last_key_) return last_index_;
    uint32_t i;
    if (!iri.found_by_key()) {
        i = find_or_add(iri.value);
    } else if (auto it = long_by_key_.find(iri.key); it != long_by_key_.end()) {
        i = it->second;
    } else {
        i = find_or_add(iri.value);
        long_by_key_.emplace(iri.key, i);
    }
    last_key_ = iri.key;
    last_index_ = i;
    return i;
}

uint32_t PredicateTable::find_or_add(std::string_view iri) {
    for (uint32_t i : recent_)
        if (i < known_.size() && known_[i].iri == iri) return i;
    auto h = uint32_t(index_.traits().key(iri));
    const PositionSlot* hit = index_.find(h, [&](const PositionSlot& s) { return s.hash == h && known_[s.pos].iri == iri; });
    uint32_t i;
    if (hit) {
        i = hit->pos;
    } else {
        i = uint32_t(known_.size());
        std::string_view local = iri_local_name(iri);
        Properties props;
        props.reserve(3);
        props.insert_or_assign("predicate", Value::string(std::string(iri)));
        props.insert_or_assign("label", Value::string(std::string(local)));
        props.insert_or_assign("type", Value::string(std::string(local)));
        index_.reserve(known_.size() + 1);
        known_.push_back(Known{std::string(iri), std::move(props)});
        index_.insert(h, PositionSlot{i, h}, [](const PositionSlot&) { return false; });
    }
    recent_[next_recent_++ % kRecent] = i;
    return i;
}

}  // namespace vg::rdf
