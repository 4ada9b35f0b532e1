// Reads one IEEE 754 double per line as 16 hexadecimal digits of its bit
// pattern and writes its JSON number text on a line of its own, so that a
// script can compare the writer with another implementation.

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "datasheet/json_writer.hpp"

namespace {

std::string read_all(std::FILE* stream) {
    std::string text;
    char block[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, stream)) > 0) {
        text.append(block, got);
    }
    return text;
}

}  // namespace

int main() {
    const std::string input = read_all(stdin);
    std::string output;
    output.reserve(input.size() * 2);
    std::string_view rest = input;
    while (!rest.empty()) {
        const std::size_t end_of_line = rest.find('\n');
        const std::string_view line = rest.substr(0, end_of_line);
        rest.remove_prefix(end_of_line == std::string_view::npos ? rest.size() : end_of_line + 1);
        std::uint64_t bits = 0;
        const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), bits, 16);
        if (ec != std::errc() || end != line.data() + line.size()) {
            std::fprintf(stderr, "not a 16-digit hexadecimal bit pattern: %.*s\n",
                         static_cast<int>(line.size()), line.data());
            return 2;
        }
        quorra::datasheet::write_json_number(output, std::bit_cast<double>(bits));
        output.push_back('\n');
    }
    std::fwrite(output.data(), 1, output.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
