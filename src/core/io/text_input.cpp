#include "core/io/text_input.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/io/utf8.hpp"

namespace vg {

std::string os_error_text(int errnum) {
    return std::string(std::strerror(errnum)) + " (os error " + std::to_string(errnum) + ")";
}

TextInput TextInput::from_string(std::string_view text) {
    TextInput in;
    in.begin_ = in.p_ = text.data();
    in.end_ = text.data() + text.size();
    return in;
}

Result<TextInput> TextInput::open_file(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return Error{ErrorKind::Io, os_error_text(errno)};
    TextInput in;
    in.file_ = std::move(fd);
    in.buf_.resize(kBufferSize);
    in.begin_ = in.p_ = in.end_ = in.buf_.data();
    in.eof_ = false;
    return in;
}

bool TextInput::fill(size_t need) {
    while (size_t(end_ - p_) < need) {
        if (eof_) return false;
        // The byte past the cap is the last one read: enough to know the
        // source is longer, and nothing more whatever the reader asks.
        if (over_cap()) {
            eof_ = true;
            return false;
        }
        // Bytes before the mark (or the current byte) are done with; the
        // rest moves to the front of the buffer.
        const char* keep = mark_ ? mark_ : p_;
        uint64_t keep_offset = begin_offset_ + uint64_t(keep - begin_);
        if (memo_.offset > base_.offset && memo_.offset <= keep_offset) base_ = memo_;
        track(base_, keep_offset);
        size_t kept = size_t(end_ - keep);
        size_t missing = std::max(need - size_t(end_ - p_), size_t(1));
        size_t want = kept + missing;
        if (want > buf_.size()) {
            // Only a token longer than the buffer gets here.
            std::vector<char> bigger(std::max(buf_.size() * 2, want));
            std::memcpy(bigger.data(), keep, kept);
            buf_.swap(bigger);
        } else if (keep != buf_.data()) {
            std::memmove(buf_.data(), keep, kept);
        }
        char* base = buf_.data();
        p_ = base + (p_ - keep);
        if (mark_) mark_ = base + (mark_ - keep);
        begin_ = base;
        end_ = base + kept;
        begin_offset_ = keep_offset;
        // No more than one buffer's worth beyond what was asked, even into
        // a buffer grown for a long token, and never past the cap's byte.
        size_t ask = std::min(buf_.size() - kept, std::max(missing, kBufferSize));
        if (uint64_t room = cap_ - bytes_read(); room < ask) ask = size_t(room) + 1;
        // A pipe may give fewer bytes than asked: the loop reads again
        // while fewer than `need` are held.
        ssize_t got = ::read(file_.get(), base + kept, ask);
        if (got < 0 && errno == EINTR) {
            if (interrupt_ && interrupt_->poll(interrupt_->context)) throw Interrupted();
            continue;
        }
        if (got <= 0) {
            eof_ = true;
            if (got < 0) error_ = Error{ErrorKind::Io, os_error_text(errno)};
        } else {
            end_ += got;
        }
    }
    return true;
}

int TextInput::utf8_length(int* bad_len) {
    ensure(4);
    return utf8_sequence(reinterpret_cast<const unsigned char*>(p_), reinterpret_cast<const unsigned char*>(end_),
                         bad_len);
}

void TextInput::track(TextPosition& t, uint64_t offset) const {
    if (offset <= t.offset) return;
    const char* q = begin_ + (t.offset - begin_offset_);
    const char* stop = begin_ + (offset - begin_offset_);
    // Whole lines are skipped at memchr's pace; only the bytes after the
    // last line end move the columns.
    for (const void* nl; (nl = std::memchr(q, '\n', size_t(stop - q))) != nullptr;) {
        ++t.line;
        t.column = t.char_column = 1;
        q = static_cast<const char*>(nl) + 1;
    }
    auto tail = uint64_t(stop - q);
    // Code points are the bytes that do not continue a UTF-8 sequence
    // (10xxxxxx), counted eight at a time.
    uint64_t continuing = 0;
    for (; stop - q >= 8; q += 8) {
        uint64_t w;
        std::memcpy(&w, q, 8);
        continuing += uint64_t(__builtin_popcountll(w & ~(w << 1) & 0x8080808080808080ULL));
    }
    for (; q < stop; ++q) continuing += (static_cast<unsigned char>(*q) & 0xC0) == 0x80;
    t.column += tail;
    t.char_column += tail - continuing;
    t.offset = offset;
}

TextPosition TextInput::position_at(uint64_t offset) {
    uint64_t held_end = begin_offset_ + uint64_t(end_ - begin_);
    offset = std::clamp(offset, begin_offset_, held_end);
    // Start from the last answer when it lies before the one asked for and
    // is still held; otherwise from the first held byte.
    TextPosition t = memo_.offset >= begin_offset_ && memo_.offset <= offset ? memo_ : base_;
    track(t, offset);
    memo_ = t;
    return t;
}

}  // namespace vg
