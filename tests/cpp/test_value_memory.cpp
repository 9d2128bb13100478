// Values and property maps when memory runs out: every allocation of a copy
// or a change is made to fail in turn, and each failure must throw
// std::bad_alloc, leak nothing and leave the source (or the map changed) as
// it was. And the memo of shared things against a map, on keys that
// alternate.
#include <cstdlib>
#include <map>
#include <new>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/support/shared_memo.hpp"
#include "core/value.hpp"

#include "check.hpp"

namespace {
long fail_in = -1;  // allocations until the one that fails; -1: none fails
long live = 0;      // blocks held
}  // namespace

// Not inlined: GCC would then pair the malloc and free across the two and
// warn of a mismatch.
[[gnu::noinline]] void* operator new(size_t n) {
    if (fail_in == 0) throw std::bad_alloc();
    if (fail_in > 0) --fail_in;
    void* p = std::malloc(n ? n : 1);
    if (!p) throw std::bad_alloc();
    ++live;
    return p;
}
[[gnu::noinline]] void operator delete(void* p) noexcept {
    if (!p) return;
    --live;
    std::free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

using namespace vg;

namespace {

// Runs `body` for k = 0, 1, ... until its step needs fewer allocations:
// body builds what it needs, then calls attempt(step), which runs the step
// with its k-th allocation failing and tells whether it failed. Whatever
// body made must be gone when it returns. Returns the runs made.
template <class Body>
int for_each_failing_allocation(Body&& body) {
    for (int k = 0;; ++k) {
        const long held = live;
        bool failed = false;
        body([&](auto&& step) {
            fail_in = k;
            try {
                step();
            } catch (const std::bad_alloc&) {
                failed = true;
            }
            fail_in = -1;
            return failed;
        });
        CHECK_EQ(live, held);
        if (!failed) return k + 1;
    }
}

std::string text(char c, size_t n) { return std::string(n, c); }

Value tree() {
    Object inner;
    object_insert(inner, "deep", Value::array({Value::string(text('d', 300)), Value::null()}));
    object_insert(inner, "n", Value::number(Number::from_i64(-7)));
    Array items;
    items.push_back(Value::string(text('a', 1000)));
    items.push_back(Value::boolean(true));
    items.push_back(Value::object(std::move(inner)));
    items.push_back(Value::string(""));
    items.push_back(Value::array({}));
    Object top;
    object_insert(top, "items", Value::array(std::move(items)));
    object_insert(top, "name", Value::string(text('n', 40)));
    object_insert(top, "x", Value::from_double(0.5));
    return Value::object(std::move(top));
}

// The map's entries, by name, and a check that every one is found.
std::map<std::string, Value> entries(const Properties& p) {
    std::map<std::string, Value> out;
    for (const auto& [k, v] : p) {
        CHECK(out.emplace(k, v).second);  // names are unique
        const Value* found = p.find(k);
        CHECK(found && *found == v);
    }
    return out;
}

Properties map_of(size_t n, char c) {
    Properties p;
    for (size_t i = 0; i < n; ++i) p.insert_or_assign("k" + std::to_string(i), Value::string(text(c, 20 + i)));
    return p;
}

void value_copies() {
    const Value source = tree();
    for (const Value& v : {source, Value::string(text('s', 5000)), source.as_object()->front().second}) {
        const Value before = v;
        const int runs = for_each_failing_allocation([&](auto attempt) {
            attempt([&] { Value copy(v); });
            CHECK(v == before);
        });
        CHECK(runs > 1);
        // Assignment over a value of another shape.
        for_each_failing_allocation([&](auto attempt) {
            const Value old = Value::string(text('t', 500));
            Value target = old;
            const bool failed = attempt([&] { target = v; });
            CHECK(v == before);
            CHECK(target == (failed ? old : v));
        });
    }
}

// Changes to maps of every size around the one from which maps are
// indexed, held alone or shared with a copy: a failed change leaves the
// map as it was (and still open to changes), and the copy is never touched.
void map_changes() {
    for (size_t size : {0, 1, 7, 8, 9, 15, 16, 17, 40}) {
        for (bool shared : {false, true}) {
            for (int change = 0; change < 4; ++change) {
                for_each_failing_allocation([&](auto attempt) {
                    Properties p = map_of(size, 'a');
                    Properties copy = shared ? p : Properties();
                    const auto before = entries(p);
                    // New names, names that exist, and a mix, one at a
                    // time or all at once.
                    Properties more = map_of(size / 2 + 3, 'b');
                    more.insert_or_assign("new", Value::string(text('z', 200)));
                    auto expected = before;
                    switch (change) {
                        case 0: expected["fresh"] = Value::string(text('f', 100)); break;
                        case 1: expected["k0"] = Value::string(text('g', 100)); break;
                        case 2:
                            for (const auto& [k, v] : more) expected[k] = v;
                            break;
                        default: break;
                    }
                    const bool failed = attempt([&] {
                        switch (change) {
                            case 0: p.insert_or_assign("fresh", Value::string(text('f', 100))); break;
                            case 1: p.insert_or_assign("k0", Value::string(text('g', 100))); break;
                            case 2: p.update(more); break;
                            default: p.update(Properties()); break;
                        }
                    });
                    CHECK(entries(p) == (failed ? before : expected));
                    CHECK(entries(copy) == (shared ? before : decltype(before)()));
                    p.insert_or_assign("after", Value::null());
                    CHECK(p.find("after") && entries(p).size() == (failed ? before : expected).size() + 1);
                });
            }
        }
    }
}

// The memo against a map from key to value, on random runs of keys drawn
// from a few (so they alternate), with a make() that sometimes fails: each
// distinct key is made once, a failed make keeps nothing, and every answer
// is the model's.
void memo_against_a_model() {
    std::mt19937 rng(11);
    for (int round = 0; round < 200; ++round) {
        SharedMemo<std::string> memo;
        std::map<std::pair<uintptr_t, uintptr_t>, std::string> model;
        const uintptr_t keys = 1 + rng() % 40;
        int makes = 0, failed_makes = 0;
        for (int step = 0; step < 500; ++step) {
            const std::pair<uintptr_t, uintptr_t> key{1 + rng() % keys, rng() % 3};
            const bool fail = rng() % 10 == 0;
            const std::string value = std::to_string(key.first) + "/" + std::to_string(key.second);
            try {
                const std::string& got = memo.get(key.first, key.second, [&] {
                    ++makes;
                    if (fail) throw std::bad_alloc();
                    return value;
                });
                CHECK_EQ(got, value);
                model.emplace(key, value);
            } catch (const std::bad_alloc&) {
                CHECK(fail && !model.count(key));
                ++failed_makes;
            }
        }
        CHECK_EQ(memo.size(), model.size());
        CHECK_EQ(makes, int(model.size()) + failed_makes);
    }
}

}  // namespace

int main() {
    value_copies();
    map_changes();
    memo_against_a_model();
    return check_summary("test_value_memory");
}
