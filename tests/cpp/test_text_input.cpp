// The shared text cursor: a file read through the fixed buffer must give
// the same tokens, UTF-8 verdicts and positions as the same text read in
// place, whatever the token lengths and where refills fall; and the
// positions must be those a plain count of lines and code points gives.
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/io/text_input.hpp"

#include "check.hpp"

using namespace vg;

namespace {

struct Token {
    std::string text;
    uint64_t line, column, char_column;
    int utf8_verdict;  // utf8_length() at the first non-ASCII byte, or 99
    bool operator==(const Token&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Token& t) {
    return os << "<" << t.text.size() << " bytes @" << t.line << ":" << t.column << "/" << t.char_column << ">";
}

// Tokens are <...> runs; positions are taken at their first byte and asked
// for again after the token was read (position_at of an earlier offset).
std::vector<Token> lex(TextInput& in) {
    std::vector<Token> out;
    for (int c; (c = in.peek()) != TextInput::kEof;) {
        if (c != '<') {
            in.skip();
            continue;
        }
        uint64_t start = in.offset();
        in.mark();
        in.skip();
        int verdict = 99;
        while ((c = in.peek()) != TextInput::kEof && c != '>') {
            if (c >= 0x80 && verdict == 99) {
                int bad = 0;
                verdict = in.utf8_length(&bad);
            }
            in.skip();
        }
        if (c == '>') in.skip();
        TextPosition p = in.position_at(start);
        out.push_back({std::string(in.marked()), p.line, p.column, p.char_column, verdict});
        in.unmark();
    }
    return out;
}

std::string sample(unsigned seed) {
    std::mt19937 rng(seed);
    std::string s;
    const std::string pieces[] = {"a", "\n", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", " ", "\xC3"};
    while (s.size() < 60000) {
        s += '<';
        // Mostly short tokens, some longer than the buffer.
        size_t len = rng() % 10 == 0 ? 9000 + rng() % 12000 : rng() % 40;
        for (size_t i = 0; i < len; ++i) s += pieces[rng() % 7];
        s += "> x";
        // Text between tokens, on their line or across lines.
        for (size_t i = rng() % 30; i > 0; --i) s += pieces[rng() % 6];
        if (rng() % 2) s += '\n';
    }
    return s;
}

// Line and columns of the token at each "<", counted the plain way.
std::vector<Token> plain_positions(const std::string& s) {
    std::vector<Token> out;
    uint64_t line = 1, column = 1, chars = 1;
    for (unsigned char c : s) {
        if (c == '<') out.push_back({"", line, column, chars, 0});
        if (c == '\n') {
            ++line;
            column = chars = 1;
        } else {
            ++column;
            chars += (c & 0xC0) != 0x80;
        }
    }
    return out;
}

std::string write_file(const TempDir& dir, const std::string& content) {
    std::string path = dir.file("input.txt");
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

// Reads a file under a byte cap the ways readers do (byte by byte, long
// look-aheads, one token marked across refills) and checks the cap against
// a plain model: the input holds min(size, cap + 1) bytes and never reads
// past them.
void check_cap(const TempDir& dir, const std::string& content, uint64_t cap, int way) {
    auto opened = TextInput::open_file(write_file(dir, content));
    CHECK(opened.ok());
    if (!opened) return;
    TextInput& in = opened.value();
    in.set_byte_cap(cap);
    const uint64_t held = content.size() > cap ? cap + 1 : content.size();
    uint64_t seen = 0;
    bool bounded = true;
    if (way == 1) in.mark();
    for (;;) {
        // Ways: 0 byte by byte, 1 one marked token, 2 and 3 looking far ahead.
        if (way == 2) in.ensure(3 * TextInput::kBufferSize);
        if (way == 3) in.peek_at(5000);
        int c = in.peek();
        bounded = bounded && in.bytes_read() <= held;
        if (c == TextInput::kEof) break;
        CHECK_EQ(c, static_cast<unsigned char>(content[seen]));
        in.skip();
        ++seen;
    }
    CHECK_EQ(seen, held);
    CHECK(bounded);
    CHECK_EQ(in.over_cap(), content.size() > cap);
    CHECK(!in.failed());
    if (way == 1) CHECK_EQ(in.marked().size(), held);
}

}  // namespace

int main() {
    TempDir dir;
    for (unsigned seed : {1u, 2u, 3u}) {
        std::string text = sample(seed);
        TextInput mem = TextInput::from_string(text);
        std::vector<Token> want = lex(mem);
        std::vector<Token> plain = plain_positions(text);
        CHECK_EQ(want.size(), plain.size());
        for (size_t i = 0; i < want.size() && i < plain.size(); ++i) {
            CHECK_EQ(want[i].line, plain[i].line);
            CHECK_EQ(want[i].column, plain[i].column);
            CHECK_EQ(want[i].char_column, plain[i].char_column);
        }
        std::string path = write_file(dir, text);
        auto file = TextInput::open_file(path);
        CHECK(file.ok());
        if (!file) continue;
        std::vector<Token> got = lex(file.value());
        CHECK_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size() && i < want.size(); ++i) CHECK_EQ(got[i], want[i]);
        CHECK(!file.value().failed());
    }

    // In place: views point into the string itself; positions count bytes
    // and code points separately.
    std::string text = "ab\n\xC3\xA9<tok>";
    TextInput in = TextInput::from_string(text);
    while (in.peek() != '<') in.skip();
    in.mark();
    while (in.next() != '>') {
    }
    CHECK(in.marked().data() == text.data() + 5);
    CHECK_EQ(std::string(in.marked()), std::string("<tok>"));
    TextPosition p = in.position_at(5);
    CHECK_EQ(p.line, 2u);
    CHECK_EQ(p.column, 3u);
    CHECK_EQ(p.char_column, 2u);
    CHECK_EQ(in.position().column, 8u);
    CHECK_EQ(in.peek_at(0), TextInput::kEof);

    // A sequence cut off by the end, and lookahead across a refill.
    std::string cut = std::string(8191, 'a') + "\xE2\x82";
    std::string path = write_file(dir, cut);
    auto f = TextInput::open_file(path);
    for (int i = 0; i < 8191; ++i) f.value().next();
    CHECK_EQ(f.value().peek_at(1), 0x82);
    int bad = 0;
    CHECK_EQ(f.value().utf8_length(&bad), -1);

    // The byte cap: at and around the buffer's size and the content's.
    std::string body(20000, 'x');
    for (size_t i = 0; i < body.size(); i += 7) body[i] = char('a' + i % 26);
    for (uint64_t cap : {0ull, 1ull, 8191ull, 8192ull, 8193ull, 19999ull, 20000ull, 25000ull, ~0ull})
        for (int way : {0, 1, 2, 3}) check_cap(dir, body, cap, way);

    auto missing = TextInput::open_file(dir.file("missing/file.ttl"));
    CHECK(!missing.ok());
    if (!missing) {
        CHECK(missing.kind() == ErrorKind::Io);
        CHECK_EQ(missing.error(), std::string("No such file or directory (os error 2)"));
    }
    auto folder = TextInput::open_file(dir.path().string());
    if (folder) {
        // Opening a directory may succeed; reading it then fails as an error, not as EOF.
        CHECK_EQ(folder.value().peek(), TextInput::kEof);
        CHECK(folder.value().failed());
        CHECK(folder.value().read_error().kind == ErrorKind::Io);
    }
    return check_summary("test_text_input");
}
