// Prints the time and the heap allocations per call of the registry
// operations that every Python call of the module functions pays for. Not a
// test: run it by hand on an optimised build.

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "flavour/quark_registry.hpp"
#include "formulas/registry.hpp"

namespace {

// Every allocation of the program goes through operator new, counted here.
std::size_t allocations = 0;

}  // namespace

void* operator new(std::size_t size) {
    ++allocations;
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

using quorra::flavour::QuarkRegistry;
using quorra::formulas::FormulasRegistry;

struct Cost {
    double ns;
    double allocations;
};

// Best of several runs of `count` calls, in nanoseconds per call, and the
// allocations per call; each call returns a size that is summed so the work
// cannot be optimised away.
template <class Call>
Cost cost_per_call(Call call) {
    constexpr int runs = 7;
    constexpr int count = 200'000;
    double best = 0.0;
    std::size_t sink = 0;
    const std::size_t allocations_before = allocations;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < count; ++i) {
            sink += call();
        }
        const std::chrono::duration<double, std::nano> took =
            std::chrono::steady_clock::now() - start;
        const double per_call = took.count() / count;
        best = run == 0 || per_call < best ? per_call : best;
    }
    if (sink == 0) {
        std::puts("(nothing counted)");
    }
    return {best, static_cast<double>(allocations - allocations_before) / (runs * count)};
}

}  // namespace

// A failure here ends the program with its exception, which is all a timing
// program needs.
// NOLINTNEXTLINE(bugprone-exception-escape)
int main() {
    const FormulasRegistry registry = FormulasRegistry::with_builtins();
    const struct {
        const char* label;
        Cost cost;
    } rows[] = {
        {"with_builtins() + destroy",
         cost_per_call([] { return FormulasRegistry::with_builtins().len(); })},
        {"with_builtins() + names()",
         cost_per_call([] { return FormulasRegistry::with_builtins().names().size(); })},
        {"with_builtins() + lookup(\"b3\")", cost_per_call([] {
             return FormulasRegistry::with_builtins().lookup("b3").value().units.size();
         })},
        {"lookup(\"phi\")",
         cost_per_call([&] { return registry.lookup("phi").value().name.size(); })},
        {"lookup_value(\"phi\")", cost_per_call([&] {
             return static_cast<std::size_t>(registry.lookup_value("phi").value());
         })},
        {"lookup(\"B3\"), missing",
         cost_per_call([&] { return registry.lookup("B3").ok() ? 0UL : 1UL; })},
        {"len()", cost_per_call([&] { return registry.len(); })},
        {"names()", cost_per_call([&] { return registry.names().size(); })},
        {"QuarkRegistry::standard_model() + destroy",
         cost_per_call([] { return QuarkRegistry::standard_model().len(); })},
        {"QuarkRegistry::standard_model() + names()",
         cost_per_call([] { return QuarkRegistry::standard_model().names().size(); })},
    };
    std::printf("%-44s %10s %12s\n", "", "ns/call", "allocs/call");
    for (const auto& row : rows) {
        std::printf("%-44s %10.1f %12.2f\n", row.label, row.cost.ns, row.cost.allocations);
    }
}
