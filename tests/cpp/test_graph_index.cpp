// The graph's id index against a plain map: random additions and removals
// (slots reused, index entries shifted back on erase) must keep every id
// findable at its slot, refused operations must change nothing, and the
// property index must agree with a map as well.
#include <map>
#include <random>
#include <string>

#include "core/graph/graph.hpp"

#include "check.hpp"

using namespace vg;

int main() {
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
