#include "flavour/quark_registry.hpp"

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <utility>

namespace quorra::flavour {
namespace {

struct QuarkRow {
    std::string_view name;
    std::uint8_t generation;
    std::int32_t phi_exponent;
    double mass_mev;    // v / phi^k, v = 246220 MeV
    double mass_ratio;  // mass_mev / v, the rounded quotient
    // What the hash of the name reads, read at compile time.
    TextWords name_words;
};

consteval QuarkRow quark_row(std::string_view name, std::uint8_t generation,
                             std::int32_t phi_exponent, double mass_mev, double mass_ratio) {
    return {name, generation, phi_exponent, mass_mev, mass_ratio, TextWords::of(name)};
}

// The values are v / phi^k and (v / phi^k) / v as doubles, bit for bit; the
// unit tests derive them again from that rule.
constexpr QuarkRow standard_model_table[] = {
    quark_row("up", 1, 12, 764.665760128228, 0.003105620015141857),
    quark_row("down", 1, 11, 1237.2551899207474, 0.005024998740641489),
    quark_row("strange", 2, 8, 5241.0970900186985, 0.02128623625220818),
    quark_row("charm", 2, 5, 22201.643549995544, 0.09016994374947422),
    quark_row("bottom", 3, 4, 35923.013870002665, 0.14589803375031543),
    quark_row("top", 3, 0, 246220.0, 1.0),
};

}  // namespace

QuarkRegistry::QuarkRegistry() noexcept : keys_(HashKeys::fresh()) {}

// In table order, as insert would store them, but each quark is built once,
// in its place, in the one allocation made for the whole table.
QuarkRegistry QuarkRegistry::standard_model() {
    QuarkRegistry registry;
    registry.quarks_.reserve(std::size(standard_model_table));
    for (const QuarkRow& row : standard_model_table) {
        registry.quarks_.emplace_or_assign(keyed_hash(registry.keys_, row.name_words), row.name,
                                           [&row] {
                                               return Quark{.name = std::string(row.name),
                                                            .attributes = {},
                                                            .mass_mev = row.mass_mev,
                                                            .mass_ratio = row.mass_ratio,
                                                            .phi_exponent = row.phi_exponent,
                                                            .generation = row.generation};
                                           });
    }
    return registry;
}

void QuarkRegistry::insert(Quark quark) {
    quarks_.emplace_or_assign(keyed_hash(keys_, quark.name), quark.name,
                              [&quark]() -> Quark&& { return std::move(quark); });
}

std::size_t QuarkRegistry::len() const noexcept { return quarks_.size(); }

std::vector<std::string> QuarkRegistry::names() const {
    // Sorts views of the keys and copies each name once, in order. The views
    // of a registry as small as the standard model's stay on the stack.
    std::array<std::string_view, 16> few;
    std::vector<std::string_view> many;
    std::span<std::string_view> keys;
    if (quarks_.size() <= few.size()) {
        keys = std::span(few).first(quarks_.size());
    } else {
        many.resize(quarks_.size());
        keys = many;
    }
    std::size_t next = 0;
    quarks_.for_each_key([&](std::string_view key) { keys[next++] = key; });
    // Unsigned byte order, a prefix first, compared inline: the names are
    // short, and a call to memcmp per comparison costs more than the loop.
    // The keys are distinct, so any correct sort gives the stable order.
    std::sort(keys.begin(), keys.end(), [](std::string_view a, std::string_view b) {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
                return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
            });
    });
    return {keys.begin(), keys.end()};
}

const Quark* QuarkRegistry::find(std::string_view name) const noexcept {
    return quarks_.find(keyed_hash(keys_, name), name);
}

}  // namespace quorra::flavour
