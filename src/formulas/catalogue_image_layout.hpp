#pragma once
// The layout of a catalogue image, and the compile-time code that lays
// catalogue rows out in it. An image is a catalogue of entries as one
// trivially copyable value: a record per entry whose texts are spans of one
// shared text area.
// A registry copies the whole image into its block with one memcpy and
// refers to its entries by index, so making a registry constructs no
// strings and the dependency lists need no allocation of their own.
//
// Texts are located by offsets into the image rather than by pointers, so a
// copy is valid wherever it lands.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "formulas/entry.hpp"
#include "support/keyed_hash.hpp"

namespace quorra::formulas {

// A span of the image's text area.
struct TextRef {
    std::uint16_t offset = 0;
    std::uint16_t size = 0;
};

struct EntryRecord {
    // The entry's name, which is also the registry's key for it. The image
    // holds it once: a lookup compares the key, and the copy of the entry
    // that a lookup hands out gets its name from the same bytes.
    TextRef key;
    TextRef units;
    TextRef expression;
    // The entry's dependency names: this many TextRefs of the image's
    // dependency array, from `first_dependency` on.
    std::uint16_t first_dependency = 0;
    std::uint16_t dependency_count = 0;
    // Position of the key among the catalogue's keys in unsigned byte order,
    // a prefix first: a listing places the keys by it instead of comparing them.
    std::uint16_t rank = 0;
    double value = 0.0;
    std::optional<double> uncertainty;
    EntryStatus status = EntryStatus::Seed;
    bool has_expression = false;
};

// The name of a catalogue entry, as written in its row. A registry hashes
// the names of its catalogue from words read at compile time (TextWords),
// which hold at most 16 bytes, so a longer name stops the compilation here,
// at its row. The name is a string literal; its last NUL is not part of it.
struct CatalogueName {
    static constexpr std::size_t max_bytes = TextWords::max_length;
    static_assert(max_bytes == 16, "the message below names the limit");

    template <std::size_t N>
    consteval CatalogueName(const char (&literal)[N]) : text(literal, N - 1) {
        static_assert(N - 1 <= max_bytes,
                      "a catalogue name is at most 16 bytes (TextWords::max_length)");
    }

    std::string_view text;
};

// One entry of a catalogue as written in the source.
struct CatalogueRow {
    static constexpr std::size_t max_uses = 4;

    std::string_view name;
    double value = 0.0;
    std::string_view units;
    EntryStatus status = EntryStatus::Seed;
    std::optional<std::string_view> expression;
    std::array<std::string_view, max_uses> uses{};
    std::size_t use_count = 0;

    // The same fields as FormulaEntry::seed and FormulaEntry::derived give.
    static consteval CatalogueRow seed(CatalogueName name, double value, std::string_view units) {
        return {name.text, value, units, EntryStatus::Seed, std::nullopt, {}, 0};
    }
    static consteval CatalogueRow derived(CatalogueName name, std::string_view expression,
                                          std::string_view units,
                                          std::initializer_list<std::string_view> uses) {
        CatalogueRow row{name.text, 0.0, units, EntryStatus::Pending, expression, {}, 0};
        for (const std::string_view use : uses) {
            row.uses.at(row.use_count++) = use;  // past max_uses, stops the compilation
        }
        return row;
    }
};

template <std::size_t Entries, std::size_t Dependencies, std::size_t TextBytes>
struct CatalogueImage {
    static constexpr std::size_t size = Entries;

    std::array<EntryRecord, Entries> records{};
    std::array<TextRef, Dependencies> dependencies{};
    std::array<char, TextBytes> texts{};

    std::string_view text(TextRef ref) const noexcept {
        return {texts.data() + ref.offset, ref.size};
    }
    std::string_view key(std::size_t entry) const noexcept { return text(records[entry].key); }

    // A deep copy of the entry, as FormulasRegistry::lookup hands out.
    FormulaEntry entry(std::size_t index) const {
        const EntryRecord& record = records[index];
        FormulaEntry entry;
        entry.name = text(record.key);
        entry.value = record.value;
        entry.units = text(record.units);
        entry.uncertainty = record.uncertainty;
        entry.status = record.status;
        if (record.has_expression) {
            entry.expression.emplace(text(record.expression));
        }
        const std::span<const TextRef> uses(dependencies.data() + record.first_dependency,
                                            record.dependency_count);
        entry.dependencies.reserve(uses.size());
        for (const TextRef use : uses) {
            entry.dependencies.emplace_back(text(use));
        }
        return entry;
    }
};

namespace catalogue_layout {

template <std::size_t N>
consteval std::size_t dependency_count(const CatalogueRow (&rows)[N]) {
    std::size_t count = 0;
    for (const CatalogueRow& row : rows) {
        count += row.use_count;
    }
    return count;
}

template <std::size_t N>
consteval std::size_t text_bytes(const CatalogueRow (&rows)[N]) {
    std::size_t bytes = 0;
    for (const CatalogueRow& row : rows) {
        bytes += row.name.size() + row.units.size() + row.expression.value_or("").size();
        for (std::size_t i = 0; i < row.use_count; ++i) {
            bytes += row.uses[i].size();
        }
    }
    return bytes;
}

// Unsigned byte order, a prefix first.
constexpr bool bytewise_less(std::string_view a, std::string_view b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y) {
            return x < y;
        }
    }
    return a.size() < b.size();
}

// Lays the rows out: first every key (the entry's name), together, which is
// what lookups and listing read; then each entry's other texts.
template <class Image, std::size_t N>
consteval Image make_image(const CatalogueRow (&rows)[N]) {
    static_assert(Image::size == N);
    Image image{};
    std::size_t end = 0;
    const auto place = [&image, &end](std::string_view text) {
        // Offsets and sizes must fit 16 bits; a throw stops the compilation.
        if (end + text.size() > std::numeric_limits<std::uint16_t>::max()) {
            throw "catalogue texts exceed 64 KiB";
        }
        const TextRef ref{static_cast<std::uint16_t>(end), static_cast<std::uint16_t>(text.size())};
        for (const char c : text) {
            image.texts[end++] = c;
        }
        return ref;
    };
    for (std::size_t i = 0; i < N; ++i) {
        image.records[i].key = place(rows[i].name);
    }
    std::size_t next_dependency = 0;
    for (std::size_t i = 0; i < N; ++i) {
        const CatalogueRow& row = rows[i];
        EntryRecord& record = image.records[i];
        record.units = place(row.units);
        record.value = row.value;
        record.status = row.status;
        record.has_expression = row.expression.has_value();
        if (row.expression) {
            record.expression = place(*row.expression);
        }
        std::size_t rank = 0;
        for (const CatalogueRow& other : rows) {
            if (other.name == row.name && &other != &row) {
                throw "two catalogue entries have the same name";
            }
            if (bytewise_less(other.name, row.name)) {
                ++rank;
            }
        }
        record.rank = static_cast<std::uint16_t>(rank);
        record.first_dependency = static_cast<std::uint16_t>(next_dependency);
        record.dependency_count = static_cast<std::uint16_t>(row.use_count);
        for (std::size_t u = 0; u < row.use_count; ++u) {
            image.dependencies[next_dependency++] = place(row.uses[u]);
        }
    }
    return image;
}

}  // namespace catalogue_layout

}  // namespace quorra::formulas
