#pragma once
// FormulasRegistry: a concurrent map from entry name to FormulaEntry, split
// into shards that each have their own reader-writer lock.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "formulas/entry.hpp"
#include "formulas/registry_error.hpp"
#include "support/result.hpp"

namespace quorra::formulas {

class FormulasRegistry {
public:
    // An empty registry with the process's shard count and fresh hash keys.
    FormulasRegistry();
    ~FormulasRegistry();
    FormulasRegistry(FormulasRegistry&&) noexcept;
    FormulasRegistry& operator=(FormulasRegistry&&) noexcept;

    // A new registry holding the seventeen entries of the built-in catalogue.
    static FormulasRegistry with_builtins();

    // Stores the entry under a copy of its name, replacing an entry of that name.
    void insert(FormulaEntry entry);

    // Sum of the shard sizes, read one shard at a time.
    std::size_t len() const;

    // A deep copy of the entry stored under exactly these bytes, or NotFound.
    Result<FormulaEntry, RegistryError> lookup(std::string_view name) const;

    // Every name, sorted by unsigned byte comparison, a prefix first.
    std::vector<std::string> names() const;

    // Number of shards of every registry of this process: four per available
    // processor, rounded up to a power of two.
    static std::size_t shard_count() noexcept;

private:
    struct Shards;
    std::unique_ptr<Shards> shards_;
};

}  // namespace quorra::formulas
