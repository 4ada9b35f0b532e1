// Prints the time per call of the datasheet writer and the number writer.
// Not a test: run it by hand on an optimised build.

#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "datasheet/datasheet.hpp"
#include "datasheet/json_writer.hpp"
#include "formulas/entry.hpp"

namespace {

using quorra::formulas::EntryStatus;
using quorra::formulas::FormulaEntry;

// Runs `call` `count` times and returns the nanoseconds per call; each call
// returns a size that is summed so the work cannot be optimised away.
template <class Call>
double ns_per_call(std::size_t count, Call call) {
    std::size_t sink = 0;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < count; ++i) {
        sink += call(i);
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    if (sink == 0) {
        std::puts("");
    }
    return std::chrono::duration<double, std::nano>(elapsed).count() / static_cast<double>(count);
}

FormulaEntry seed(const char* name, double value, const char* units) {
    FormulaEntry e;
    e.name = name;
    e.value = value;
    e.units = units;
    e.status = EntryStatus::Seed;
    return e;
}

}  // namespace

int main() {
    constexpr std::size_t calls = 2'000'000;
    const FormulaEntry b3 = seed("b3", 24.0, "dimensionless");
    const FormulaEntry gamma = seed("gamma_em", 0.5772156649015329, "dimensionless");

    const auto direct = [](const FormulaEntry& e) {
        return [&e](std::size_t) { return quorra::datasheet::datasheet_json(e).size(); };
    };
    const auto through_object = [](const FormulaEntry& e) {
        return [&e](std::size_t) {
            std::string text;
            text.reserve(quorra::datasheet::datasheet_reserved_bytes);
            quorra::datasheet::datasheet_object(e).write(text);
            return text.size();
        };
    };
    std::printf("datasheet_json b3               %6.1f ns/call\n", ns_per_call(calls, direct(b3)));
    std::printf("datasheet_json gamma_em         %6.1f ns/call\n",
                ns_per_call(calls, direct(gamma)));
    std::printf("datasheet_object+write b3       %6.1f ns/call\n",
                ns_per_call(calls, through_object(b3)));
    std::printf("datasheet_object+write gamma_em %6.1f ns/call\n",
                ns_per_call(calls, through_object(gamma)));

    std::string out;
    out.reserve(64);
    const auto number = [&out](const std::vector<double>& values) {
        return [&out, &values](std::size_t i) {
            out.clear();
            quorra::datasheet::write_json_number(out, values[i % values.size()]);
            return out.size();
        };
    };
    const std::vector<double> catalogue{
        24.0, 72.0, 3.0, 288.0, 1.618033988749895, 0.5772156649015329, 0.0};
    std::mt19937_64 bits(1);
    std::vector<double> arbitrary;
    while (arbitrary.size() < 4096) {
        const double value = std::bit_cast<double>(bits());
        if (value == value) {
            arbitrary.push_back(value);
        }
    }
    std::printf("write_json_number catalogue     %6.1f ns/call\n",
                ns_per_call(calls, number(catalogue)));
    std::printf("write_json_number arbitrary     %6.1f ns/call\n",
                ns_per_call(calls, number(arbitrary)));
    return 0;
}
