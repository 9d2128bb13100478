// Numbers for texts met over and over.
#include "core/support/text_numbers.hpp"

#include "core/result.hpp"

namespace vg {

TextNumbers::Numbered TextNumbers::look_up(std::string_view p) {
    Numbered r;
    if (p.size() < kLong) {
        r = !texts_.empty() && p == texts_[last_] ? Numbered{last_, false} : by_text(p);
    } else {
        const uint64_t h = by_address_.traits().of(p.data(), p.size());
        auto same = [&](const AddressEntry& e) { return e.data == p.data() && e.size == p.size(); };
        if (const AddressEntry* e = by_address_.find(h, same)) {
            r = {e->number, false};
        } else {
            r = by_text(p);
            by_address_.insert(h, {p.data(), p.size(), r.number}, same);
        }
    }
    last_data_ = p.data();
    last_size_ = p.size();
    last_ = r.number;
    return r;
}

TextNumbers::Numbered TextNumbers::by_text(std::string_view p) {
    const uint32_t h = uint32_t(by_text_.traits().key(p));
    const uint32_t next = uint32_t(texts_.size());
    if (next == PositionTraits::empty().pos) internal_failure("more distinct texts than numbers");
    auto [slot, added] =
        by_text_.insert(h, {next, h}, [&](const PositionSlot& s) { return s.hash == h && texts_[s.pos] == p; });
    if (added) texts_.push_back(p);
    return {slot->pos, added};
}

}  // namespace vg
