#include "formulas/registry_error.hpp"

#include <initializer_list>
#include <string_view>
#include <type_traits>

namespace quorra::formulas {
namespace {

// Appends the pieces with one reservation. Carried texts go in as they are,
// embedded NUL bytes included, since every piece has its own length.
void append_pieces(std::string& out, std::initializer_list<std::string_view> pieces) {
    std::size_t size = out.size();
    for (const std::string_view piece : pieces) {
        size += piece.size();
    }
    out.reserve(size);
    for (const std::string_view piece : pieces) {
        out.append(piece);
    }
}

}  // namespace

void RegistryError::append_message(std::string& out) const {
    std::visit(
        [&out](const auto& kind) {
            using K = std::decay_t<decltype(kind)>;
            if constexpr (std::is_same_v<K, NotFound>) {
                append_pieces(out, {"constant `", kind.name, "` not found in registry"});
            } else if constexpr (std::is_same_v<K, NotImplemented>) {
                append_pieces(
                    out, {"derivation of `", kind.name, "` is not yet implemented in quorra_core"});
            } else if constexpr (std::is_same_v<K, LoadFailed>) {
                const std::string io_text = kind.io_error.message();
                append_pieces(out,
                              {"failed to load constants from `", kind.source, "`: ", io_text});
            } else if constexpr (std::is_same_v<K, InvalidSchema>) {
                append_pieces(out, {"invalid JSON schema in `", kind.source, "`"});
            } else if constexpr (std::is_same_v<K, CyclicDerivation>) {
                append_pieces(out, {"cyclic derivation involving `", kind.name, "`"});
            } else {
                static_assert(std::is_same_v<K, ExpressionParse>, "every kind has a message");
                append_pieces(out, {"expression parse error in `", kind.location,
                                    "`: ", kind.parser_message});
            }
        },
        kind_);
}

std::string RegistryError::message() const {
    std::string out;
    append_message(out);
    return out;
}

}  // namespace quorra::formulas
