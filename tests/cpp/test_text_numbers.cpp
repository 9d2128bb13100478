// Text numbers against a map from text to number, and the test against
// one text against plain comparison, on random sequences of views: one text at one address, equal copies at
// other addresses, and shorter views at the same address (same address,
// another text), with lengths around the one from which texts are looked
// up by address.
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/support/text_numbers.hpp"

#include "check.hpp"

using namespace vg;

int main() {
    std::mt19937 rng(5);
    for (int round = 0; round < 300; ++round) {
        // Texts of one length differ in their last byte only, so equal
        // lengths compare their whole text.
        std::vector<std::string> pool;
        for (size_t length : {0, 1, 40, 127, 128, 129, 2000}) {
            for (int k = int(rng() % 3); k >= 0; --k) {
                std::string t(length, 'n');
                if (length) t.back() = char('a' + rng() % 3);
                pool.push_back(t);
            }
        }
        TextNumbers numbers;
        // One matcher on a copy of a text (another address), one on a text
        // in place.
        const std::string wanted = pool[rng() % pool.size()];
        const std::string_view own = pool[rng() % pool.size()];
        TextMatch match_copy(wanted), match_own(own);
        std::map<std::string, uint32_t, std::less<>> model;
        const int steps = 1 + int(rng() % 200);
        size_t at = 0;
        for (int i = 0; i < steps; ++i) {
            // Mostly the text before or one near it, as edges come.
            if (rng() % 3 == 0) at = rng() % pool.size();
            const std::string& backing = pool[at];
            size_t cut = rng() % 4 == 0 && !backing.empty() ? 1 + rng() % 2 : 0;
            std::string_view p(backing.data(), backing.size() - std::min(cut, backing.size()));
            auto got = numbers.number(p);
            auto [it, fresh] = model.try_emplace(std::string(p), uint32_t(model.size()));
            CHECK_EQ(got.number, it->second);
            CHECK_EQ(got.added, fresh);
            CHECK(numbers[got.number] == p);
            CHECK_EQ(numbers.size(), model.size());
            CHECK_EQ(match_copy(p), p == std::string_view(wanted));
            CHECK_EQ(match_own(p), p == own);
            if (failures) return check_summary("test_text_numbers");
        }
    }
    // Texts that differ only after a long shared prefix (predicates under
    // one namespace), short and long, must still spread over the index: at
    // most half full, it steps over about half a slot per text. A hash of a
    // prefix would put them all in one run, each lookup stepping over all
    // the texts before it.
    for (size_t length : {100, 300}) {
        std::vector<std::string> texts;
        for (int i = 0; i < 10000; ++i) {
            const std::string n = std::to_string(i);
            texts.push_back(std::string(length - n.size(), 'p') + n);
        }
        TextNumbers numbers;
        for (const std::string& t : texts) numbers.number(t);
        CHECK_EQ(numbers.size(), texts.size());
        CHECK(numbers.text_displacement() < 2 * texts.size());
    }
    return check_summary("test_text_numbers");
}
