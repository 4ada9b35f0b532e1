// Prints the time per call of the registry operations that every Python call
// of the module functions pays for. Not a test: run it by hand on an
// optimised build.

#include <chrono>
#include <cstdio>

#include "flavour/quark_registry.hpp"
#include "formulas/registry.hpp"

namespace {

using quorra::flavour::QuarkRegistry;
using quorra::formulas::FormulasRegistry;

// Best of several runs of `count` calls, in nanoseconds per call; each call
// returns a size that is summed so the work cannot be optimised away.
template <class Call>
double ns_per_call(Call call) {
    constexpr int runs = 7;
    constexpr int count = 200'000;
    double best = 0.0;
    std::size_t sink = 0;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < count; ++i) {
            sink += call();
        }
        const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
        const double per_call = took.count() / count;
        best = run == 0 || per_call < best ? per_call : best;
    }
    if (sink == 0) {
        std::puts("(nothing counted)");
    }
    return best;
}

}  // namespace

int main() {
    const FormulasRegistry registry = FormulasRegistry::with_builtins();
    const struct {
        const char* label;
        double ns;
    } rows[] = {
        {"with_builtins() + destroy", ns_per_call([] { return FormulasRegistry::with_builtins().len(); })},
        {"with_builtins() + names()", ns_per_call([] { return FormulasRegistry::with_builtins().names().size(); })},
        {"with_builtins() + lookup(\"b3\")",
         ns_per_call([] { return FormulasRegistry::with_builtins().lookup("b3").value().units.size(); })},
        {"lookup(\"phi\")", ns_per_call([&] { return registry.lookup("phi").value().name.size(); })},
        {"lookup(\"B3\"), missing", ns_per_call([&] { return registry.lookup("B3").ok() ? 0UL : 1UL; })},
        {"len()", ns_per_call([&] { return registry.len(); })},
        {"names()", ns_per_call([&] { return registry.names().size(); })},
        {"QuarkRegistry::standard_model() + names()",
         ns_per_call([] { return QuarkRegistry::standard_model().names().size(); })},
    };
    for (const auto& row : rows) {
        std::printf("%-44s %8.1f ns\n", row.label, row.ns);
    }
}
