#include "core/value.hpp"

#include <algorithm>
#include <cmath>

namespace vg {

bool Number::operator==(const Number& o) const {
    if (form != o.form) return false;
    switch (form) {
        case Form::U64: return u == o.u;
        case Form::I64: return i == o.i;
        default: return d == o.d;  // 0.0 equals -0.0
    }
}

Value Value::from_double(double d) {
    if (!std::isfinite(d)) return Value();
    return number(Number::from_f64(d));
}

Value::Value(const Value& o) {
    switch (o.kind()) {
        case Kind::Null: break;
        case Kind::Bool: v.emplace<1>(*o.as_bool()); break;
        case Kind::Number: v.emplace<2>(*o.as_number()); break;
        case Kind::String: {
            std::string copy(*o.as_string());
            v.emplace<3>(std::move(copy));
            break;
        }
        case Kind::Array: {
            Array copy(*o.as_array());
            v.emplace<4>(std::move(copy));
            break;
        }
        case Kind::Object: {
            Object copy(*o.as_object());
            v.emplace<5>(std::move(copy));
            break;
        }
    }
}

Value& Value::operator=(const Value& o) {
    if (this != &o) {
        Value copy(o);
        *this = std::move(copy);
    }
    return *this;
}

bool Value::operator==(const Value& o) const {
    if (v.index() != o.v.index()) return false;
    switch (kind()) {
        case Kind::Null: return true;
        case Kind::Bool: return *as_bool() == *o.as_bool();
        case Kind::Number: return *as_number() == *o.as_number();
        case Kind::String: return *as_string() == *o.as_string();
        case Kind::Array: return *as_array() == *o.as_array();
        case Kind::Object: {
            const Object& a = *as_object();
            const Object& b = *o.as_object();
            if (a.size() != b.size()) return false;
            for (size_t i = 0; i < a.size(); ++i)
                if (a[i].first != b[i].first || a[i].second != b[i].second) return false;
            return true;
        }
    }
    return false;
}

namespace {
// std::string compares through char_traits<char>, which orders bytes as
// unsigned values: the byte order graph JSON keys need.
bool key_less(const std::pair<std::string, Value>& e, std::string_view k) { return std::string_view(e.first) < k; }
}  // namespace

void object_insert(Object& obj, std::string key, Value value) {
    auto it = std::lower_bound(obj.begin(), obj.end(), std::string_view(key), key_less);
    if (it != obj.end() && it->first == key) {
        it->second = std::move(value);
        return;
    }
    obj.emplace(it, std::move(key), std::move(value));
}

void object_normalize(Object& obj) {
    // Stable sort keeps equal keys in input order; the last one wins.
    std::stable_sort(obj.begin(), obj.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    size_t out = 0;
    for (size_t i = 0; i < obj.size(); ++i) {
        if (out > 0 && obj[out - 1].first == obj[i].first) {
            obj[out - 1].second = std::move(obj[i].second);
        } else {
            if (out != i) obj[out] = std::move(obj[i]);
            ++out;
        }
    }
    obj.resize(out);
}

long Properties::Body::find_pos(std::string_view key) const {
    if (!index) {
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].first == key) return long(i);
        return -1;
    }
    uint32_t h = hash_of(key);
    const IndexSlot* slot = index->find(h, [&](const IndexSlot& s) { return s.hash == h && entries[s.pos].first == key; });
    return slot ? long(slot->pos) : -1;
}

void Properties::Body::index_entry(uint32_t pos) {
    uint32_t h = hash_of(entries[pos].first);
    index->insert(h, {pos, h}, [](const IndexSlot&) { return false; });  // names are unique
}

const Value* Properties::find(std::string_view key) const {
    if (!body_) return nullptr;
    long pos = body_->find_pos(key);
    return pos < 0 ? nullptr : &body_->entries[size_t(pos)].second;
}

Properties::Body& Properties::own() {
    if (!body_) {
        body_ = std::make_unique<Body>().release();  // freed by release()
    } else if (body_->holders.load(std::memory_order_acquire) != 1) {
        // Shared: copy first, and only then let go of the shared body.
        Body* mine = std::make_unique<Body>(*body_).release();
        release();
        body_ = mine;
    }
    return *body_;
}

void Properties::Body::make_room(size_t n) {
    if (entries.capacity() < n) entries.reserve(std::max(n, 2 * entries.capacity()));
    if (n <= kScanLimit) return;
    if (index) {
        index->reserve(n);
        return;
    }
    auto fresh = std::make_unique<Index>();
    fresh->reserve(std::max<size_t>(n, 16));
    index = std::move(fresh);
    for (uint32_t i = 0; i < entries.size(); ++i) index_entry(i);
}

void Properties::Body::put(std::string&& key, Value&& value) {
    long pos = find_pos(key);
    if (pos >= 0) {
        entries[size_t(pos)].second = std::move(value);
        return;
    }
    entries.emplace_back(std::move(key), std::move(value));
    if (index) index_entry(uint32_t(entries.size() - 1));
}

void Properties::insert_or_assign(std::string key, Value value) {
    Body& b = own();
    b.make_room(b.entries.size() + 1);
    b.put(std::move(key), std::move(value));
}

void Properties::update(const Properties& from) {
    if (from.empty()) return;
    std::vector<Entry> copies(from.begin(), from.end());
    Body& b = own();
    b.make_room(b.entries.size() + copies.size());
    for (Entry& e : copies) b.put(std::move(e.first), std::move(e.second));
}

void Properties::reserve(size_t n) {
    if (!n) return;
    own().entries.reserve(n);
}

}  // namespace vg
