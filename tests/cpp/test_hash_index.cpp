// The flat index against a plain map of the same entries, over many random
// insertions, removals and moves whose hashes collide often, so that probe
// runs wrap around the array and removals shift entries back.

#include <cstdint>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "check.hpp"
#include "expansion/hash_index.hpp"
#include "tree_generator.hpp"

using namespace kalvira;

TEST_CASE(hash_index_finds_what_a_plain_map_holds) {
    kalvira::testing::Random random(11);
    HashIndex index;
    std::map<std::uint32_t, std::size_t> hash_of;  // position -> hash
    std::uint32_t next = 0;
    for (int step = 0; step < 6000; ++step) {
        const int action = random.below(10);
        if (action < 5 || hash_of.empty()) {
            // Hashes differing only in low bits, or in high bits only.
            const std::size_t hash =
                random.chance(50) ? std::size_t(random.below(40)) : std::size_t(random.below(8)) << 60;
            index.insert(hash, next);
            hash_of[next++] = hash;
            continue;
        }
        auto entry = hash_of.begin();
        std::advance(entry, random.below(static_cast<int>(hash_of.size())));
        const auto [position, hash] = *entry;
        if (action < 8) {
            index.erase(hash, position);
            hash_of.erase(entry);
        } else {
            index.move(hash, position, next);
            hash_of.erase(entry);
            hash_of[next++] = hash;
        }
        if (step % 50 != 0) {
            CHECK_EQ(index.find(hash, [gone = position](std::uint32_t q) { return q == gone; }), HashIndex::NONE);
            continue;
        }
        for (const auto& [p, h] : hash_of) {
            const std::uint32_t wanted = p;
            if (index.find(h, [wanted](std::uint32_t q) { return q == wanted; }) != wanted) {
                check::record_failure(__FILE__, __LINE__,
                                      "lost position " + std::to_string(p) + " at step " + std::to_string(step));
                return;
            }
        }
        CHECK_EQ(index.find(hash, [position = position](std::uint32_t q) { return q == position; }), HashIndex::NONE);
    }
}
