// The graph's id index against a plain map: random additions and removals
// (slots reused, index entries shifted back on erase) must keep every id
// findable at its slot, refused operations must change nothing, and the
// property index must agree with a map as well. Copies of a property map
// share its body until one changes, and only the changed one sees it.
#include <atomic>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/graph/graph.hpp"

#include "check.hpp"

using namespace vg;

using Entries = std::vector<std::pair<std::string, Value>>;
static Entries entries(const Properties& p) { return Entries(p.begin(), p.end()); }
static Value num(uint64_t v) { return Value::number(Number::from_u64(v)); }

static void shared_bodies() {
    // Empty, scanned and indexed maps; each change applied to a fresh copy.
    for (size_t n : {0, 3, 20}) {
        Properties base;
        for (size_t i = 0; i < n; ++i) base.insert_or_assign("k" + std::to_string((i * 7) % n), num(i));
        const Entries before = entries(base);
        struct Change {
            const char* what;
            void (*apply)(Properties&);
        } changes[] = {
            {"replace", [](Properties& p) { p.insert_or_assign("k0", Value::string("changed")); }},
            {"add", [](Properties& p) { p.insert_or_assign("new", Value::null()); }},
            {"reserve", [](Properties& p) { p.reserve(64); }},
        };
        for (const Change& c : changes) {
            Properties copy = base, assigned;
            assigned = copy;
            CHECK(n == 0 || (copy.shares_body_with(base) && assigned.shares_body_with(base)));
            Entries want = entries(copy);
            Properties changed = copy;
            c.apply(changed);
            CHECK(!changed.shares_body_with(base));
            CHECK(entries(base) == before);
            CHECK(entries(copy) == want && entries(assigned) == want);
            // The changed map keeps the order it had, plus what was added.
            Entries got = entries(changed);
            CHECK(got.size() >= before.size());
            for (size_t i = 0; i < before.size() && i < got.size(); ++i) CHECK(got[i].first == before[i].first);
            if (std::string(c.what) == "replace") CHECK(*changed.find("k0") == Value::string("changed"));
            if (std::string(c.what) == "add") CHECK(changed.find("new") && got.back().first == "new");
        }
        // Moves hand the body over, leaving an empty map.
        Properties moved = base;
        Properties to(std::move(moved));
        CHECK(moved.empty() && entries(to) == before);
    }

    // Four threads copy one shared map, read the copies, change some and
    // drop them all; the map itself stays as it was.
    Properties shared;
    for (int i = 0; i < 20; ++i) shared.insert_or_assign("k" + std::to_string(i), num(uint64_t(i)));
    const Entries before = entries(shared);
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&shared, &wrong, t] {
            for (int r = 0; r < 20000; ++r) {
                Properties mine = shared;
                const Value* v = mine.find("k5");
                if (!v || !(*v == num(5))) ++wrong;
                if (r % 64 == t) {
                    mine.insert_or_assign("k5", num(uint64_t(t)));
                    if (!(*mine.find("k5") == num(uint64_t(t))) || mine.size() != 20) ++wrong;
                }
            }
        });
    for (auto& th : threads) th.join();
    CHECK_EQ(wrong.load(), 0);
    CHECK(entries(shared) == before);
}

int main() {
    shared_bodies();
    std::mt19937 rng(7);
    PropertyGraph g(true, false, "");
    std::map<std::string, uint32_t> want;
    for (int step = 0; step < 60000; ++step) {
        std::string id = "n" + std::to_string(rng() % 3000);
        bool present = want.count(id) != 0;
        if (rng() % 3 != 0) {
            auto r = g.add_node(id, Properties());
            CHECK_EQ(r.ok(), !present);
            if (r) want[id] = r.value();
            else CHECK(r.kind() == ErrorKind::AlreadyExists);
        } else {
            auto r = g.remove_node(id);
            CHECK_EQ(r.ok(), present);
            if (r) want.erase(id);
            else CHECK_EQ(r.error(), "Node '" + id + "' not found");
        }
        if (step % 5000 == 0 || step == 59999) {
            CHECK_EQ(g.node_count(), uint64_t(want.size()));
            for (const auto& [k, slot] : want) {
                auto n = g.find_node(k);
                CHECK(n && *n == slot && g.store().id_of(slot) == k);
            }
            for (int i = 0; i < 3000; ++i) {
                std::string k = "n" + std::to_string(i);
                CHECK_EQ(g.find_node(k).has_value(), want.count(k) != 0);
            }
        }
    }

    // Property maps switch from scanning to their index past a few entries.
    Properties p;
    std::map<std::string, int> pw;
    for (int i = 0; i < 500; ++i) {
        std::string k = "k" + std::to_string(rng() % 200);
        p.insert_or_assign(k, Value::number(Number::from_u64(uint64_t(i))));
        pw[k] = i;
        if (i % 50 == 0 || i == 499) {
            CHECK_EQ(p.size(), pw.size());
            for (const auto& [k2, v] : pw) CHECK(p.find(k2) && *p.find(k2) == Value::number(Number::from_u64(uint64_t(v))));
            CHECK(!p.find("absent"));
        }
    }
    // A copy holds every entry with its value, and changes apart.
    Properties copy = p;
    CHECK_EQ(copy.size(), pw.size());
    for (const auto& [k, v] : pw) CHECK(copy.find(k) && *copy.find(k) == Value::number(Number::from_u64(uint64_t(v))));
    copy.insert_or_assign("only in the copy", Value::null());
    CHECK(!p.find("only in the copy") && copy.size() == pw.size() + 1);
    return check_summary("test_graph_index");
}
