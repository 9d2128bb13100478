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

bool GraphBuilder::triple(const TermRef& s, std::string_view p, const TermRef& o) {
    if (++triples_ > cap_) {
        error_ = Error{ErrorKind::CapRefused, "RDF parse exceeded triple_cap=" + std::to_string(cap_) +
                                                  " (raise VeskGraphSettings.max_triples if intended)."};
        return false;
    }
    // Ids are hashed while their text is at hand, and the first reads of
    // their lookups start now.
    const IdIndex& ids = graph_.id_index();
    Pending t;
    if (have_last_subject_ && s.kind == last_subject_kind_ && s.value == last_subject_) {
        t.same_subject = true;
    } else {
        t.subject = keep(s.kind == TermKind::BlankNode ? "_:" : "", s.value);
        t.subject_hash = ids.hash(view(t.subject));
        ids.prefetch(t.subject_hash);
        last_subject_.assign(s.value);
        last_subject_kind_ = s.kind;
        have_last_subject_ = true;
    }
    if (o.is_literal()) {
        ++literals_;
        t.literal = true;
    } else {
        t.predicate = predicates_.find_or_add(p);
        t.object = keep(o.kind == TermKind::BlankNode ? "_:" : "", o.value);
        t.object_hash = ids.hash(view(t.object));
        ids.prefetch(t.object_hash);
        t.object_iri = o.kind == TermKind::Iri;
    }
    batch_.push_back(t);
    return batch_.size() < kBatch || flush();
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
        if (!t.same_subject) ids.prefetch_records(t.subject_hash, store);
        if (!t.literal) ids.prefetch_records(t.object_hash, store);
    }
    for (const Pending& t : batch_) {
        if (!t.same_subject) ids.prefetch_ids(t.subject_hash, store);
        if (!t.literal) ids.prefetch_ids(t.object_hash, store);
    }
    for (Pending& t : batch_) {
        if (t.same_subject) {
            t.subject_slot = last_subject_slot_;
        } else {
            t.subject_slot = last_subject_slot_ = node(view(t.subject), t.subject_hash, false);
        }
        if (t.literal) continue;
        // A blank-node object is labelled with its whole id.
        t.object_slot = node(view(t.object), t.object_hash, !t.object_iri);
    }
    for (const Pending& t : batch_) {
        if (t.literal) continue;
        graph_.store().prefetch_node(t.subject_slot);
        graph_.store().prefetch_node(t.object_slot);
    }
    bool ok = true;
    for (const Pending& t : batch_) {
        if (t.literal) continue;
        // Both ends exist and parallel edges are allowed: only running out
        // of slot numbers can refuse the edge.
        auto r = graph_.add_edge_between(t.subject_slot, t.object_slot, predicates_.properties(t.predicate));
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
