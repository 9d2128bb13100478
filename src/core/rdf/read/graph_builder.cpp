#include "core/rdf/read/graph_builder.hpp"

#include "core/rdf/read/load.hpp"
#include "core/support/prefetch.hpp"

namespace vg::rdf {

GraphBuilder::Span GraphBuilder::keep(std::string_view prefix, std::string_view text) {
    Span s{text_.size(), prefix.size() + text.size()};
    text_.append(prefix);
    text_.append(text);
    return s;
}

bool GraphBuilder::triple(const TermRef& s, const TermRef& p, const TermRef& o) {
    if (++triples_ > cap_) {
        error_ = Error{ErrorKind::CapRefused, "RDF parse exceeded triple_cap=" + std::to_string(cap_) +
                                                  " (raise VeskGraphSettings.max_triples if intended)."};
        return false;
    }
    const auto at = uint32_t(batch_.size());
    Pending& t = batch_.emplace_back();
    // The subject of the triple before, by its key, or by its text (a
    // subject read again, or one without a key); a new key for it names
    // that node from now on.
    bool same = s.key && s.key == last_subject_key_;
    if (!same && have_last_subject_text_ && s.kind == last_subject_kind_ && s.value == last_subject_) {
        same = true;
        if (s.key) remember(s, last_subject_ref_);
    }
    if (same) {
        t.subject.from = From::Last;
        if (s.key) last_subject_key_ = s.key;
    } else {
        // The text is kept where it was copied for its lookup anyway; a
        // subject found by its key costs nothing of its length.
        have_last_subject_text_ = place(s, t.subject, 2 * at);
        last_subject_key_ = s.key;
        last_subject_ref_ = t.subject.from == From::Slot      ? t.subject.slot
                            : t.subject.from == From::Earlier ? kPending | t.subject.earlier
                                                              : kPending | (2 * at);
        if (have_last_subject_text_) {
            last_subject_.assign(s.value);
            last_subject_kind_ = s.kind;
        }
    }
    if (o.is_literal()) {
        ++literals_;
        t.literal = true;
    } else {
        t.predicate = predicates_.find_or_add(p);
        place(o, t.object, 2 * at + 1);
        t.object_iri = o.kind == TermKind::Iri;
    }
    return batch_.size() < kBatch || flush();
}

void GraphBuilder::remember(const TermRef& t, uint64_t where) {
    if (!t.found_by_key()) return;
    auto [it, added] = long_by_key_.try_emplace(t.key, where);
    if (added && (where & kPending)) keyed_in_batch_.push_back(t.key);
}

[[gnu::always_inline]] inline bool GraphBuilder::place(const TermRef& t, End& e, uint32_t at) {
    if (t.found_by_key()) {
        auto [it, added] = long_by_key_.try_emplace(t.key, kPending | at);
        if (!added) {
            if (it->second & kPending) {
                e.from = From::Earlier;
                e.earlier = uint32_t(it->second);
            } else {
                e.from = From::Slot;
                e.slot = uint32_t(it->second);
            }
            return false;
        }
        keyed_in_batch_.push_back(t.key);
    }
    // Ids are hashed while their text is at hand, and the first reads of
    // their lookups start now.
    const IdIndex& ids = graph_.id_index();
    e.text = keep(t.kind == TermKind::BlankNode ? "_:" : "", t.value);
    e.hash = ids.hash(view(e.text));
    ids.prefetch(e.hash);
    return true;
}

[[gnu::always_inline]] inline uint32_t GraphBuilder::slot_of(const End& e, bool label_is_id) {
    switch (e.from) {
        case From::Text: return node(view(e.text), e.hash, label_is_id);
        case From::Last: return last_subject_slot_;
        case From::Slot: return e.slot;
        case From::Earlier: {
            const Pending& t = batch_[e.earlier >> 1];
            return (e.earlier & 1) ? t.object.slot : t.subject.slot;
        }
    }
    return 0;
}

uint32_t GraphBuilder::node(std::string_view id, uint32_t hash, bool label_is_id) {
    if (auto slot = graph_.find_node(id, hash)) return *slot;
    Properties props;
    props.insert_or_assign("label", Value::string(std::string(label_is_id ? id : iri_local_name(id))));
    auto r = graph_.add_absent_node(id, hash, std::move(props));
    if (!r) internal_failure("RDF node refused: " + r.error());  // only when slot numbers run out
    return r.value();
}

bool GraphBuilder::flush() {
    // Memory first: the index slots were requested as the triples came;
    // now the node records those slots name, then the ids in them. The
    // lookups below then mostly hit the cache.
    const IdIndex& ids = graph_.id_index();
    const GraphInner& store = graph_.store();
    for (const Pending& t : batch_) {
        if (t.subject.from == From::Text) ids.prefetch_records(t.subject.hash, store);
        if (!t.literal && t.object.from == From::Text) ids.prefetch_records(t.object.hash, store);
    }
    for (const Pending& t : batch_) {
        if (t.subject.from == From::Text) ids.prefetch_ids(t.subject.hash, store);
        if (!t.literal && t.object.from == From::Text) ids.prefetch_ids(t.object.hash, store);
    }
    for (Pending& t : batch_) {
        t.subject.slot = last_subject_slot_ = slot_of(t.subject, false);
        if (t.literal) continue;
        // A blank-node object is labelled with its whole id.
        t.object.slot = slot_of(t.object, !t.object_iri);
    }
    for (uint64_t key : keyed_in_batch_) {
        uint64_t& known = long_by_key_[key];
        const Pending& t = batch_[uint32_t(known) >> 1];
        known = (known & 1) ? t.object.slot : t.subject.slot;
    }
    keyed_in_batch_.clear();
    if (last_subject_ref_ & kPending) last_subject_ref_ = last_subject_slot_;
    for (const Pending& t : batch_) {
        if (t.literal) continue;
        graph_.store().prefetch_node(t.subject.slot);
        graph_.store().prefetch_node(t.object.slot);
    }
    bool ok = true;
    for (const Pending& t : batch_) {
        if (t.literal) continue;
        // Both ends exist and parallel edges are allowed: only running out
        // of slot numbers can refuse the edge.
        auto r = graph_.add_edge_between(t.subject.slot, t.object.slot, predicates_.properties(t.predicate));
        if (!r) {
            error_ = Error{r.kind(), "Failed to add RDF edge: " + r.error()};
            ok = false;
            break;
        }
    }
    batch_.clear();
    text_.clear();
    return ok;
}

}  // namespace vg::rdf
