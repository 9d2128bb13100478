#include "core/io/text_buffer.hpp"

#include <algorithm>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vg {

namespace {

// Past this size a buffer is its own mapping: ask for huge pages, so that
// first touching its memory costs one fault per 2 MiB instead of per 4 KiB.
constexpr size_t kHugeFrom = size_t(8) << 20;

void advise_huge(char* p, size_t n) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr uintptr_t kPage = 4096;
    uintptr_t from = (reinterpret_cast<uintptr_t>(p) + kPage - 1) & ~(kPage - 1);
    uintptr_t to = (reinterpret_cast<uintptr_t>(p) + n) & ~(kPage - 1);
    // Only advice: where it is refused the buffer works the same.
    if (to > from) (void)madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
    (void)p;
    (void)n;
#endif
}

}  // namespace

LargeBlock::LargeBlock(size_t n) : data_(static_cast<char*>(std::malloc(n ? n : 1))) {
    if (!data_) throw std::bad_alloc();
    if (n >= kHugeFrom) advise_huge(data_.get(), n);
}

void TextBuffer::reallocate(size_t cap) {
    if (cap < kHugeFrom) {
        char* p = static_cast<char*>(std::realloc(data_.get(), cap));
        if (!p) throw std::bad_alloc();
        (void)data_.release();
        data_.reset(p);
    } else {
        // A new block and a copy rather than realloc: moving a mapping to an
        // address of another alignment splits its huge pages, and the rest
        // of the buffer would then be faulted in 4 KiB at a time.
        std::unique_ptr<char, detail::Free> p(static_cast<char*>(std::malloc(cap)));
        if (!p) throw std::bad_alloc();
        advise_huge(p.get(), cap);
        if (size_) std::memcpy(p.get(), data_.get(), size_);
        data_ = std::move(p);
    }
    cap_ = cap;
}

void TextBuffer::grow(size_t n) {
    if (n > SIZE_MAX / 2 - size_) throw std::bad_alloc();
    reallocate(std::max({cap_ + cap_ / 2, size_ + n, size_t(256)}));
}

void TextBuffer::reserve(size_t total) {
    if (total > cap_) reallocate(total);
}

void TextBuffer::append(std::string_view s) {
    ensure(s.size());
    if (!s.empty()) std::memcpy(end(), s.data(), s.size());
    size_ += s.size();
}

}  // namespace vg
