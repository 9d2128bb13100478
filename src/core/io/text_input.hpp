// Byte cursor shared by every text reader (graph JSON, and the RDF syntax
// lexers and the XML tokenizer built beside it): one current position over
// either a string held in place (no copy) or a file read through a fixed
// 8,192-byte buffer, straight from its descriptor (no stdio buffer beneath,
// which would read ahead of a cap). Positions (line, column) are worked out
// only when asked for, so scanning costs nothing extra.
//
// Usage:
//
//     auto opened = TextInput::open_file(path);      // or TextInput::from_string(text)
//     if (!opened) return opened.failure();            // kind Io, "... (os error N)"
//     TextInput& in = opened.value();
//     for (int c; (c = in.peek()) != TextInput::kEof;) {
//         if (c == '<') {                              // a token: keep its bytes
//             in.skip();
//             in.mark();
//             while (in.peek() != '>' && in.peek() != TextInput::kEof) in.skip();
//             std::string_view body = in.marked();     // survives refills while marked
//             in.unmark();
//             ...
//         } else if (c >= 0x80) {
//             int bad;
//             int n = in.utf8_length(&bad);            // 0: invalid, -1: cut off by the end
//             ...
//         } else {
//             in.skip();
//         }
//     }
//     if (in.failed()) return in.read_error();         // a read error ends the input like EOF
//
// Rules:
// - peek() returns the current byte (0..255) or kEof; skip() consumes it and
//   must only follow a peek() that was not kEof. peek_at(k) looks k bytes
//   ahead without consuming (small k: one token's lookahead).
// - Views (marked(), cur()/limit()) stay valid until the next call that may
//   read more input (peek, peek_at, next, ensure, utf8_length) past the
//   buffered bytes, except that the bytes from the mark on are kept across
//   refills: marked() is valid until the next read past the buffer moves
//   them (take it again after such a call), and its content is always the
//   whole token. The buffer grows only when one marked token is longer than
//   it. In string mode nothing ever moves: every view lasts as long as the
//   string.
// - A file can be given a byte cap (set_byte_cap): every read goes through
//   fill(), which never reads more than one byte past the cap, even from a
//   pipe, and then ends the input as EOF does. Whatever a reader was in the
//   middle of, it meets an end there, and over_cap() tells its caller that
//   the end was the cap. So no reader needs a cap check of its own, and no
//   loop can read on.
// - Hot loops may scan [cur(), limit()) directly and then advance_to() the
//   first byte they did not take; ensure(n) makes n bytes available there.
// - position() is the place of the current byte, position_at(offset) that of
//   an earlier byte still held (at or after the mark, or in string mode any
//   offset). Lines count from 1 and are ended by '\n'; `column` is the
//   1-based byte column, `char_column` the 1-based code-point column.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/io/file_descriptor.hpp"
#include "core/result.hpp"
#include "core/support/interrupt.hpp"

namespace vg {

struct TextPosition {
    uint64_t offset = 0;       // bytes before this one in the whole input
    uint64_t line = 1;
    uint64_t column = 1;       // bytes since the line start, plus one
    uint64_t char_column = 1;  // code points since the line start, plus one
};

// "{description} (os error {number})" for an errno value.
std::string os_error_text(int errnum);

class TextInput {
public:
    static constexpr int kEof = -1;
    static constexpr size_t kBufferSize = 8192;

    // Reads `text` in place; the text must outlive the cursor.
    static TextInput from_string(std::string_view text);
    // Opens a file for reading; ErrorKind::Io with os_error_text on failure.
    static Result<TextInput> open_file(const std::string& path);

    TextInput(TextInput&&) noexcept = default;
    TextInput& operator=(TextInput&&) noexcept = default;

    int peek() {
        if (p_ < end_) return static_cast<unsigned char>(*p_);
        return fill(1) ? static_cast<unsigned char>(*p_) : kEof;
    }
    int peek_at(size_t k) {
        if (size_t(end_ - p_) > k) return static_cast<unsigned char>(p_[k]);
        return fill(k + 1) ? static_cast<unsigned char>(p_[k]) : kEof;
    }
    void skip() { ++p_; }
    int next() {
        int c = peek();
        if (c != kEof) ++p_;
        return c;
    }
    // Whether n bytes are available from the current one (reading more as
    // needed); false when the input ends sooner.
    bool ensure(size_t n) { return size_t(end_ - p_) >= n || fill(n); }

    // Raw access to the buffered bytes from the current one.
    const char* cur() const { return p_; }
    const char* limit() const { return end_; }
    void advance_to(const char* p) { p_ = p; }
    bool at_end() { return peek() == kEof; }

    // Token bytes: from mark() to the current byte.
    void mark() { mark_ = p_; }
    void unmark() { mark_ = nullptr; }
    bool marking() const { return mark_ != nullptr; }
    std::string_view marked() const { return {mark_, size_t(p_ - mark_)}; }
    uint64_t mark_offset() const { return begin_offset_ + uint64_t(mark_ - begin_); }

    // The UTF-8 sequence starting at the current (non-ASCII) byte: its length
    // when valid (not consumed); 0 when invalid, *bad_len then being the
    // bytes before the first one that breaks it; -1 when the input ends
    // inside an otherwise valid prefix.
    int utf8_length(int* bad_len);

    uint64_t offset() const { return begin_offset_ + uint64_t(p_ - begin_); }
    TextPosition position() { return position_at(offset()); }
    TextPosition position_at(uint64_t offset);

    // Bytes taken from the source so far (a string: all of it).
    uint64_t bytes_read() const { return begin_offset_ + uint64_t(end_ - begin_); }
    // Reads stop one byte past `cap`; over_cap() is then true.
    void set_byte_cap(uint64_t cap) { cap_ = cap; }
    bool over_cap() const { return bytes_read() > cap_; }

    // A read error ends the input as EOF does; this tells them apart.
    bool failed() const { return error_.has_value(); }
    const Error& read_error() const { return *error_; }

    // A signal that interrupts a wait for input (a pipe) is no read error:
    // the read starts again, unless this hook answers true, which throws
    // Interrupted.
    void set_interrupt(const Interrupt* hook) { interrupt_ = hook && hook->poll ? hook : nullptr; }

private:
    TextInput() = default;
    bool fill(size_t need);
    // Moves `t` forward over the held bytes up to `offset`.
    void track(TextPosition& t, uint64_t offset) const;

    FileDescriptor file_;
    std::vector<char> buf_;
    const char* begin_ = nullptr;  // first held byte
    const char* p_ = nullptr;
    const char* end_ = nullptr;
    const char* mark_ = nullptr;
    uint64_t begin_offset_ = 0;
    uint64_t cap_ = UINT64_MAX;
    bool eof_ = true;
    std::optional<Error> error_;
    const Interrupt* interrupt_ = nullptr;
    TextPosition base_;  // place of the first held byte
    TextPosition memo_;  // last place worked out, to keep repeated asks linear
};

}  // namespace vg
