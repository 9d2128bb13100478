#include "core/rdf/read/graph_builder.hpp"

#include "core/rdf/read/load.hpp"

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
    Pending t;
    if (have_last_subject_ && s.kind == last_subject_kind_ && s.value == last_subject_) {
        t.same_subject = true;
    } else {
        t.subject = keep(s.kind == TermKind::BlankNode ? "_:" : "", s.value);
        last_subject_.assign(s.value);
        last_subject_kind_ = s.kind;
        have_last_subject_ = true;
    }
    if (o.is_literal()) {
        ++literals_;
        t.literal = true;
    } else {
        t.predicate = keep("", p);
        t.object = keep(o.kind == TermKind::BlankNode ? "_:" : "", o.value);
        t.object_iri = o.kind == TermKind::Iri;
    }
    batch_.push_back(t);
    return batch_.size() < kBatch || flush();
}

uint32_t GraphBuilder::node(std::string_view id, uint32_t hash, std::string_view label) {
    if (auto slot = ids_.find(hash, id)) return *slot;
    Properties props;
    props.insert_or_assign("label", Value::string(std::string(label)));
    auto r = graph_.add_node(id, std::move(props));
    if (!r) internal_failure("RDF node refused: " + r.error());  // only when slot numbers run out
    ids_.insert(hash, id, r.value());
    return r.value();
}

bool GraphBuilder::flush() {
    // Memory first: hash every id and fetch its index entry, then the ids
    // those entries point at; the lookups below then mostly hit the cache.
    for (Pending& t : batch_) {
        if (!t.same_subject) ids_.prefetch_entry(t.subject_hash = ids_.hash(view(t.subject)));
        if (!t.literal) ids_.prefetch_entry(t.object_hash = ids_.hash(view(t.object)));
    }
    for (const Pending& t : batch_) {
        if (!t.same_subject) ids_.prefetch_key(t.subject_hash);
        if (!t.literal) ids_.prefetch_key(t.object_hash);
    }
    for (Pending& t : batch_) {
        if (t.same_subject) {
            t.subject_slot = last_subject_slot_;
        } else {
            std::string_view sid = view(t.subject);
            t.subject_slot = last_subject_slot_ = node(sid, t.subject_hash, iri_local_name(sid));
        }
        if (t.literal) continue;
        std::string_view oid = view(t.object);
        t.object_slot = node(oid, t.object_hash, t.object_iri ? iri_local_name(oid) : oid);
    }
    for (const Pending& t : batch_) {
        if (t.literal) continue;
        graph_.store().prefetch_node(t.subject_slot);
        graph_.store().prefetch_node(t.object_slot);
    }
    bool ok = true;
    for (const Pending& t : batch_) {
        if (t.literal) continue;
        std::string_view p = view(t.predicate);
        std::string_view local = iri_local_name(p);
        Properties props;
        props.reserve(3);
        props.insert_or_assign("predicate", Value::string(std::string(p)));
        props.insert_or_assign("label", Value::string(std::string(local)));
        props.insert_or_assign("type", Value::string(std::string(local)));
        // Both ends exist and parallel edges are allowed: only running out
        // of slot numbers can refuse the edge.
        auto r = graph_.add_edge_between(t.subject_slot, t.object_slot, std::move(props));
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
