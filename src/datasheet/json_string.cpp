#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "datasheet/json_writer.hpp"

namespace quorra::datasheet {

namespace {

// For each byte: 0 when it is copied unchanged, else the letter that follows
// the backslash of its escape ('u' for the six-byte \u00XX form).
constexpr std::array<char, 256> escape_letters = [] {
    std::array<char, 256> letters{};
    for (std::size_t byte = 0; byte < 0x20; ++byte) {
        letters[byte] = 'u';
    }
    letters['"'] = '"';
    letters['\\'] = '\\';
    letters['\b'] = 'b';
    letters['\t'] = 't';
    letters['\n'] = 'n';
    letters['\f'] = 'f';
    letters['\r'] = 'r';
    return letters;
}();

char escape_letter(char byte) noexcept { return escape_letters[static_cast<unsigned char>(byte)]; }

void write_escape(std::string& out, char byte) {
    const char letter = escape_letter(byte);
    if (letter != 'u') {
        const std::array<char, 2> escape{'\\', letter};
        out.append(escape.data(), escape.size());
        return;
    }
    constexpr std::string_view hex_digits = "0123456789abcdef";
    const auto code = static_cast<unsigned char>(byte);
    const std::array<char, 6> escape{
        '\\', 'u', '0', '0', hex_digits[code >> 4], hex_digits[code & 0xFu]};
    out.append(escape.data(), escape.size());
}

}  // namespace

void write_json_string(std::string& out, std::string_view bytes) {
    out.push_back('"');
    const char* run = bytes.data();
    const char* const end = bytes.data() + bytes.size();
    for (;;) {
        const char* const stop =
            std::find_if(run, end, [](char byte) { return escape_letter(byte) != 0; });
        out.append(run, static_cast<std::size_t>(stop - run));
        if (stop == end) {
            break;
        }
        write_escape(out, *stop);
        run = stop + 1;
    }
    out.push_back('"');
}

}  // namespace quorra::datasheet
