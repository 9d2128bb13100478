// Property values: JSON-like data held by nodes and edges.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

#include "core/support/hash.hpp"

namespace vg {

// Graph JSON reads at most 127 nested levels; the document, its record
// list, the record and its properties object take four of them. A value's
// depth counts its nested arrays and objects (a scalar has depth 0). Values
// deeper than this could be stored but never read back, so they are refused
// where they enter a graph.
inline constexpr int kMaxValueDepth = 123;

struct Number {
    enum class Form : uint8_t { U64, I64, F64 };
    Form form = Form::U64;
    union {
        uint64_t u;
        int64_t i;
        double d;
    };
    Number() : u(0) {}
    static Number from_u64(uint64_t v) { Number n; n.form = Form::U64; n.u = v; return n; }
    // Non-negative integers always take the unsigned form.
    static Number from_i64(int64_t v) {
        Number n;
        if (v >= 0) { n.form = Form::U64; n.u = uint64_t(v); }
        else { n.form = Form::I64; n.i = v; }
        return n;
    }
    static Number from_f64(double v) { Number n; n.form = Form::F64; n.d = v; return n; }
    bool is_float() const { return form == Form::F64; }
    // The number as a double (for weights and scores).
    double as_f64() const {
        switch (form) {
            case Form::U64: return double(u);
            case Form::I64: return double(i);
            default: return d;
        }
    }
    bool operator==(const Number& o) const;
};

struct Value;
using Array = std::vector<Value>;
// Entries sorted by key in byte order, one per key.
using Object = std::vector<std::pair<std::string, Value>>;

struct Value {
    enum class Kind : uint8_t { Null, Bool, Number, String, Array, Object };
    std::variant<std::monostate, bool, Number, std::string, Array, Object> v;

    Value() = default;
    // Copies are built apart and then moved in: the standard library's
    // variant copy, when an alternative's allocation throws, has been seen to
    // destroy an alternative that was never built. Built this way, a copy
    // that runs out of memory throws std::bad_alloc with nothing touched.
    Value(const Value& o);
    Value& operator=(const Value& o);
    Value(Value&&) noexcept = default;
    Value& operator=(Value&&) noexcept = default;
    ~Value() = default;

    static Value null() { return Value(); }
    static Value boolean(bool b) { Value x; x.v.emplace<1>(b); return x; }
    static Value number(Number n) { Value x; x.v.emplace<2>(n); return x; }
    static Value string(std::string s) { Value x; x.v.emplace<3>(std::move(s)); return x; }
    static Value array(Array a) { Value x; x.v.emplace<4>(std::move(a)); return x; }
    static Value object(Object o) { Value x; x.v.emplace<5>(std::move(o)); return x; }
    // A double becomes Null when it is NaN or infinite.
    static Value from_double(double d);

    Kind kind() const { return Kind(v.index()); }
    bool is_null() const { return v.index() == 0; }
    const bool* as_bool() const { return std::get_if<1>(&v); }
    const Number* as_number() const { return std::get_if<2>(&v); }
    const std::string* as_string() const { return std::get_if<3>(&v); }
    const Array* as_array() const { return std::get_if<4>(&v); }
    const Object* as_object() const { return std::get_if<5>(&v); }

    bool operator==(const Value& o) const;
    bool operator!=(const Value& o) const { return !(*this == o); }
};
// Moves never allocate, so containers of values keep their strong guarantee.
static_assert(std::is_nothrow_move_constructible_v<Value> && std::is_nothrow_move_assignable_v<Value>);

// Insert or replace an entry, keeping the object sorted by key.
void object_insert(Object& obj, std::string key, Value value);
// Sort entries and keep the last of duplicate keys.
void object_normalize(Object& obj);

// Property map of one node or edge. Empty maps allocate nothing. Entries
// sit in one vector; small maps are scanned, and a map that grows past a
// few entries gets an index keyed at random per map, so colliding names
// cannot be precomputed. Iteration order is not sorted and callers must not
// rely on it.
//
// Copies share one immutable body (its count of holders is atomic, so maps
// that share it may be read from several threads); a change to a shared
// body first takes a private copy, so no holder sees another's change.
// Many edges of one kind (say, every RDF edge of one predicate) then cost
// one pointer each.
class Properties {
public:
    using Entry = std::pair<std::string, Value>;
    using const_iterator = std::vector<Entry>::const_iterator;

    Properties() = default;
    Properties(const Properties& o) noexcept : body_(o.body_) { retain(); }
    Properties(Properties&& o) noexcept : body_(std::exchange(o.body_, nullptr)) {}
    Properties& operator=(const Properties& o) noexcept {
        Properties(o).swap(*this);
        return *this;
    }
    Properties& operator=(Properties&& o) noexcept {
        Properties(std::move(o)).swap(*this);
        return *this;
    }
    ~Properties() { release(); }
    void swap(Properties& o) noexcept { std::swap(body_, o.body_); }

    size_t size() const { return body_ ? body_->entries.size() : 0; }
    bool empty() const { return size() == 0; }
    const Value* find(std::string_view key) const;
    // Changes give the strong guarantee: one that runs out of memory throws
    // std::bad_alloc and leaves the map as it was.
    void insert_or_assign(std::string key, Value value);
    // Every entry of `from` set here, replacing values of the same names.
    void update(const Properties& from);
    void reserve(size_t n);
    const_iterator begin() const { return body_ ? body_->entries.cbegin() : const_iterator(); }
    // Starts loading the map's storage, for passes over many maps that lie
    // scattered over memory.
    [[gnu::always_inline]] void prefetch() const {
        if (body_) prefetch_read(body_);
    }
    const_iterator end() const { return body_ ? body_->entries.cend() : const_iterator(); }
    // Whether the two maps hold the same body (a copy not changed since).
    bool shares_body_with(const Properties& o) const { return body_ && body_ == o.body_; }
    // The body when at least two other maps hold it too, else nullptr: a
    // pass over many maps works out what it needs once per such body
    // (SharedMemo). A body held by one or two maps comes up at most twice,
    // and working it out again costs less than remembering it.
    const void* shared_body() const {
        return body_ && body_->holders.load(std::memory_order_relaxed) > 2 ? body_ : nullptr;
    }

private:
    // Maps up to this size are scanned; larger ones are indexed.
    static constexpr size_t kScanLimit = 8;

    // Entry positions, with hash keys drawn for this map.
    using IndexSlot = PositionSlot;
    using Index = PositionIndex;
    // Kept behind one pointer so that the many empty maps of a graph cost
    // eight bytes each.
    struct Body {
        std::vector<Entry> entries;
        std::unique_ptr<Index> index;
        std::atomic<uint64_t> holders{1};
        Body() = default;
        // A private copy starts with one holder.
        Body(const Body& o) : entries(o.entries), index(o.index ? std::make_unique<Index>(*o.index) : nullptr) {}
        long find_pos(std::string_view key) const;
        void index_entry(uint32_t pos);
        // Room for n entries and their index: after it, put() of up to that
        // many entries allocates nothing and so cannot fail.
        void make_room(size_t n);
        void put(std::string&& key, Value&& value);
        uint32_t hash_of(std::string_view key) const { return uint32_t(index->traits().key(key)); }
    };

    void retain() const noexcept {
        if (body_) body_->holders.fetch_add(1, std::memory_order_relaxed);
    }
    // The last holder frees the body; acquire-release so that every read
    // of the other holders happens before the free.
    void release() noexcept {
        if (body_ && body_->holders.fetch_sub(1, std::memory_order_acq_rel) == 1)
            std::unique_ptr<Body> last(body_);
        body_ = nullptr;
    }
    // The body, made private to this map (created when absent) before a change.
    Body& own();

    Body* body_ = nullptr;
};

}  // namespace vg
