// Growable output buffer for text writers that produce hundreds of
// megabytes: growth leaves the new bytes uninitialised (a std::string would
// zero them first) and large buffers grow in place where the allocator can
// remap them, so the text is written once and copied once, into the final
// Python object.
#pragma once
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace vg {

namespace detail {
struct Free {
    void operator()(char* p) const { std::free(p); }
};
}  // namespace detail

// An uninitialised block of n bytes (malloc alignment) for large tables
// read at random: where it is large and the system allows, it lies on huge
// pages, so that random reads miss the TLB far less.
class LargeBlock {
public:
    explicit LargeBlock(size_t n);
    char* data() { return data_.get(); }

private:
    std::unique_ptr<char, detail::Free> data_;
};

class TextBuffer {
public:
    TextBuffer() = default;
    TextBuffer(TextBuffer&&) noexcept = default;
    TextBuffer& operator=(TextBuffer&&) noexcept = default;

    const char* data() const { return data_.get(); }
    size_t size() const { return size_; }
    std::string_view view() const { return {data_.get(), size_}; }
    std::string str() const { return std::string(view()); }

    // Room for n more bytes at end(); the bytes written there count once
    // set_end() or commit() says so.
    char* end() { return data_.get() + size_; }
    char* limit() { return data_.get() + cap_; }
    void ensure(size_t n) {
        if (cap_ - size_ < n) grow(n);
    }
    void commit(size_t n) { size_ += n; }
    void set_end(const char* p) { size_ = size_t(p - data_.get()); }

    void append(std::string_view s);
    // Capacity for `total` bytes in all, as a first guess that saves regrowth.
    void reserve(size_t total);

private:
    void grow(size_t n);
    void reallocate(size_t cap);

    std::unique_ptr<char, detail::Free> data_;
    size_t size_ = 0;
    size_t cap_ = 0;
};

}  // namespace vg
