#include "value.hpp"

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

const Properties::Map& Properties::empty_map() {
    static const Map m;
    return m;
}

Properties::Map& Properties::map() {
    if (!map_) map_ = std::make_unique<Map>();
    return *map_;
}

const Value* Properties::find(std::string_view key) const {
    if (!map_) return nullptr;
    auto it = map_->find(key);
    return it == map_->end() ? nullptr : &it->second;
}

void Properties::insert_or_assign(std::string key, Value value) {
    map().insert_or_assign(std::move(key), std::move(value));
}

void Properties::reserve(size_t n) {
    if (n) map().reserve(n);
}

}  // namespace vg
