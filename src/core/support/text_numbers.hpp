// Numbers for the texts a pass meets over and over (the predicates of one
// export, the labels of one projection), so that it compares and looks up
// small numbers instead of texts, which may be long; and a test of texts
// against one text on the same footing.
//
// The edges of one predicate in a loaded graph share one property body, so
// their predicate texts lie at one address. A long text is recognised by
// its address and length (one address holds one text while the graph is
// unchanged) and its bytes are hashed once per address; a short one is
// hashed as it comes, which costs no more than looking its address up.
// Either way no edge costs work in the length of its predicate.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/support/hash.hpp"

namespace vg {

class TextNumbers {
public:
    struct Numbered {
        uint32_t number;
        bool added;  // first seen: the caller checks the text once
    };

    // The number of a text, the same for all texts of the same bytes,
    // numbered 0, 1, ... in order of first sight. The texts must stay in
    // place, unchanged, while the table is used.
    Numbered number(std::string_view p) {
        // Consecutive edges mostly share their predicate.
        if (p.data() == last_data_ && p.size() == last_size_) return {last_, false};
        return look_up(p);
    }

    // The first text seen of a number.
    std::string_view operator[](uint32_t n) const { return texts_[n]; }
    size_t size() const { return texts_.size(); }

    // The slots that lookups by text step over, summed over the distinct
    // texts: how well their hash spreads them (for tests).
    size_t text_displacement() const { return by_text_.displacement(); }

    // Texts from this length on are looked up by address first.
    static constexpr size_t kLong = 128;

private:
    struct AddressEntry {
        const char* data;
        size_t size;  // 0 marks a free slot: no long text is empty
        uint32_t number;
    };
    struct AddressTraits {
        using Entry = AddressEntry;
        static Entry empty() { return {nullptr, 0, 0}; }
        static bool is_empty(const Entry& e) { return e.size == 0; }
        uint64_t hash(const Entry& e) const { return of(e.data, e.size); }
        uint64_t of(const char* data, size_t size) const {
            return key(uint64_t(reinterpret_cast<uintptr_t>(data)) ^ mix64(size));
        }
        KeyedHash key;
    };

    Numbered look_up(std::string_view p);
    Numbered by_text(std::string_view p);

    std::vector<std::string_view> texts_;
    PositionIndex by_text_;  // positions in texts_
    FlatTable<AddressTraits> by_address_;
    const char* last_data_ = nullptr;
    size_t last_size_ = SIZE_MAX;  // no text yet
    uint32_t last_ = 0;
};

// Whether texts are one given text: a short one is compared, a long one
// recognised by its number, so that many texts at a few addresses (the
// values of edges that share one property map) cost nothing of their
// length each. The given text, and the texts tested, must stay in place
// while the test is used.
class TextMatch {
public:
    explicit TextMatch(std::string_view wanted) : wanted_(wanted), number_(numbers_.number(wanted).number) {}
    bool operator()(std::string_view t) {
        if (t.size() != wanted_.size()) return false;
        if (t.size() < TextNumbers::kLong) return t == wanted_;
        return numbers_.number(t).number == number_;
    }

private:
    std::string_view wanted_;
    TextNumbers numbers_;  // before number_, which it gives
    uint32_t number_;
};

}  // namespace vg
