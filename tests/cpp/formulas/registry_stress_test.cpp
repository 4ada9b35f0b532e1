// Readers and writers on one registry at once. Run under ThreadSanitizer by
// scripts/tsan-cpp-tests.sh; without it, the checks still catch lost or torn
// entries and listings that are unsorted or go backwards.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "expected_catalogue.hpp"
#include "formulas/registry.hpp"

namespace {

using quorra::formulas::FormulaEntry;
using quorra::formulas::FormulasRegistry;

constexpr int writer_count = 2;
constexpr int reader_count = 2;
constexpr int inserts_per_writer = 600;
constexpr int min_reader_rounds = 8;

// Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) about
// "literal" + std::string&&, which prepends in place.
std::string writer_prefix(int writer) {
    std::string prefix = "w";
    prefix += std::to_string(writer);
    prefix += '_';
    return prefix;
}
std::string writer_key(int writer, int i) { return writer_prefix(writer) + std::to_string(i); }
std::string counter_key(int writer) { return writer_prefix(writer) + "counter"; }
double writer_value(int writer, int i) { return writer * 100000.0 + i; }

class Stress : public testing::Test {
protected:
    FormulasRegistry registry = FormulasRegistry::with_builtins();
    const std::vector<FormulaEntry> catalogue = formulas_test::expected_catalogue();
    std::latch start{writer_count + reader_count};
    std::atomic<int> writers_running{writer_count};

    // New names, a counter entry replaced with rising values, and builtins
    // replaced by equal copies while readers look them up.
    void write(int writer) {
        start.arrive_and_wait();
        for (int i = 0; i < inserts_per_writer; ++i) {
            const std::string key = writer_key(writer, i);
            registry.insert(FormulaEntry::seed(key, writer_value(writer, i), "count"));
            registry.insert(FormulaEntry::seed(counter_key(writer), i, "count"));
            if (i % 8 == 0) {
                registry.insert(catalogue[static_cast<std::size_t>(i) % catalogue.size()]);
            }
            auto own = registry.lookup(key);
            if (!own.ok() || own.value().value != writer_value(writer, i)) {
                ADD_FAILURE() << "writer " << writer << " lost its own entry " << key;
                break;
            }
            if (i % 32 == 0) {
                std::this_thread::yield();
            }
        }
        writers_running.fetch_sub(1);
    }

    void read(int reader) {
        start.arrive_and_wait();
        const std::vector<std::string>& builtin_names = formulas_test::sorted_catalogue_names();
        std::size_t last_len = 0;
        std::size_t last_listed = 0;
        std::vector<double> last_counter(writer_count, -1.0);
        for (int round = 0; round < min_reader_rounds || writers_running.load() > 0; ++round) {
            SCOPED_TRACE("reader " + std::to_string(reader) + " round " + std::to_string(round));
            for (const FormulaEntry& expected : catalogue) {
                auto found = registry.lookup(expected.name);
                ASSERT_TRUE(found.ok()) << expected.name;
                ASSERT_EQ(found.value(), expected);
            }
            // Shard counts only grow, so the sum of later reads is never smaller.
            const std::size_t len = registry.len();
            ASSERT_GE(len, last_len);
            last_len = len;

            const std::vector<std::string> names = registry.names();
            ASSERT_TRUE(std::is_sorted(names.begin(), names.end()));
            ASSERT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
            ASSERT_TRUE(std::includes(names.begin(), names.end(), builtin_names.begin(),
                                      builtin_names.end()));
            ASSERT_GE(names.size(), last_listed);
            last_listed = names.size();
            // Whatever is listed can be found; nothing is ever removed.
            for (std::size_t i = 0; i < names.size(); i += 7) {
                ASSERT_TRUE(registry.lookup(names[i]).ok()) << names[i];
            }

            for (int writer = 0; writer < writer_count; ++writer) {
                auto counter = registry.lookup(counter_key(writer));
                if (!counter.ok()) {
                    continue;  // not written yet
                }
                const auto index = static_cast<std::size_t>(writer);
                ASSERT_GE(counter.value().value, last_counter[index]) << "counter went back";
                last_counter[index] = counter.value().value;
            }
        }
    }
};

TEST_F(Stress, ConcurrentLookupsListingsAndInsertsStayConsistent) {
    std::vector<std::thread> threads;
    for (int writer = 0; writer < writer_count; ++writer) {
        threads.emplace_back([this, writer] { write(writer); });
    }
    for (int reader = 0; reader < reader_count; ++reader) {
        threads.emplace_back([this, reader] { read(reader); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }

    std::vector<std::string> expected = formulas_test::sorted_catalogue_names();
    for (int writer = 0; writer < writer_count; ++writer) {
        expected.push_back(counter_key(writer));
        EXPECT_EQ(registry.lookup(counter_key(writer)).value().value, inserts_per_writer - 1);
        for (int i = 0; i < inserts_per_writer; ++i) {
            expected.push_back(writer_key(writer, i));
            auto found = registry.lookup(writer_key(writer, i));
            ASSERT_TRUE(found.ok()) << writer_key(writer, i);
            EXPECT_EQ(found.value().value, writer_value(writer, i));
        }
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(registry.len(), expected.size());
    EXPECT_EQ(registry.names(), expected);
    for (const FormulaEntry& entry : catalogue) {
        EXPECT_EQ(registry.lookup(entry.name).value(), entry);
    }
}

}  // namespace
