// Copies of short-lived texts that stay where they are until reset(): the
// texts go into blocks that never move, so a view of one stays good while
// more are added (a std::string buffer would move as it grows). reset()
// keeps the first block for the next round.
//
//     TextArena a;
//     std::string_view x = a.keep(made_text);   // good until a.reset()
#pragma once
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace vg::rdf {

class TextArena {
public:
    std::string_view keep(std::string_view s) {
        if (s.empty()) return {};
        if (room_ < s.size()) add_block(s.size());
        char* at = blocks_.back().get() + (size_ - room_);
        std::memcpy(at, s.data(), s.size());
        room_ -= s.size();
        return {at, s.size()};
    }

    void reset() {
        // Only a first block of the usual size is kept.
        if (blocks_.size() > 1 || size_ != kBlock) {
            blocks_.clear();
            size_ = 0;
        }
        room_ = size_;
    }

private:
    static constexpr size_t kBlock = size_t(64) << 10;

    void add_block(size_t need) {
        // A text longer than a block gets a block of its own.
        size_ = need > kBlock ? need : kBlock;
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(size_));
        room_ = size_;
    }

    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t size_ = 0;  // of the last block
    size_t room_ = 0;  // left at its end
};

}  // namespace vg::rdf
