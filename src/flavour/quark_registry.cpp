#include "flavour/quark_registry.hpp"

#include <algorithm>

namespace quorra::flavour {
namespace {

struct QuarkRow {
    const char* name;
    std::uint8_t generation;
    std::int32_t phi_exponent;
    double mass_mev;    // v / phi^k, v = 246220 MeV
    double mass_ratio;  // mass_mev / v, the rounded quotient
};

// The values are v / phi^k and (v / phi^k) / v as doubles, bit for bit; the
// unit tests derive them again from that rule.
constexpr QuarkRow standard_model_table[] = {
    {"up", 1, 12, 764.665760128228, 0.003105620015141857},
    {"down", 1, 11, 1237.2551899207474, 0.005024998740641489},
    {"strange", 2, 8, 5241.0970900186985, 0.02128623625220818},
    {"charm", 2, 5, 22201.643549995544, 0.09016994374947422},
    {"bottom", 3, 4, 35923.013870002665, 0.14589803375031543},
    {"top", 3, 0, 246220.0, 1.0},
};

}  // namespace

QuarkRegistry QuarkRegistry::standard_model() {
    QuarkRegistry registry;
    registry.quarks_.reserve(std::size(standard_model_table));
    for (const QuarkRow& row : standard_model_table) {
        Quark quark;
        quark.name = row.name;
        quark.mass_mev = row.mass_mev;
        quark.mass_ratio = row.mass_ratio;
        quark.phi_exponent = row.phi_exponent;
        quark.generation = row.generation;
        registry.insert(std::move(quark));
    }
    return registry;
}

void QuarkRegistry::insert(Quark quark) {
    std::string key = quark.name;
    quarks_.insert_or_assign(std::move(key), std::move(quark));
}

std::size_t QuarkRegistry::len() const noexcept { return quarks_.size(); }

std::vector<std::string> QuarkRegistry::names() const {
    // Sorts views of the keys and copies each name once, in order.
    std::vector<std::string_view> keys;
    keys.reserve(quarks_.size());
    for (const auto& [key, quark] : quarks_) {
        keys.emplace_back(key);
    }
    // string_view compares its bytes as unsigned char, so this is byte order;
    // the keys are distinct, so any correct sort gives the stable order.
    std::sort(keys.begin(), keys.end());
    return {keys.begin(), keys.end()};
}

const Quark* QuarkRegistry::find(std::string_view name) const {
    const auto it = quarks_.find(name);
    return it == quarks_.end() ? nullptr : &it->second;
}

}  // namespace quorra::flavour
