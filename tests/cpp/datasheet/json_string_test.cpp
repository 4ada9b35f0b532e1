#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "datasheet/json_writer.hpp"

namespace {

using namespace std::string_literals;
using quorra::datasheet::write_json_string;

std::string string_text(std::string_view bytes) {
    std::string out;
    write_json_string(out, bytes);
    return out;
}

struct EscapeCase {
    std::string bytes;
    std::string text;  // without the enclosing quotes
};

void PrintTo(const EscapeCase& c, std::ostream* os) { *os << c.text; }

class StringEscape : public testing::TestWithParam<EscapeCase> {};

TEST_P(StringEscape, IsQuotedAndEscaped) {
    EXPECT_EQ(string_text(GetParam().bytes), '"' + GetParam().text + '"');
}

INSTANTIATE_TEST_SUITE_P(ShortEscapes, StringEscape,
                         testing::Values(EscapeCase{"\"", R"(\")"}, EscapeCase{"\\", R"(\\)"},
                                         EscapeCase{"\b", R"(\b)"}, EscapeCase{"\t", R"(\t)"},
                                         EscapeCase{"\n", R"(\n)"}, EscapeCase{"\f", R"(\f)"},
                                         EscapeCase{"\r", R"(\r)"}));

// Other control bytes take \u00 and two lowercase hexadecimal digits.
INSTANTIATE_TEST_SUITE_P(
    ControlBytes, StringEscape,
    testing::Values(EscapeCase{"\0"s, R"(\u0000)"}, EscapeCase{"\x01", R"(\u0001)"},
                    EscapeCase{"\x07", R"(\u0007)"}, EscapeCase{"\x0b", R"(\u000b)"},
                    EscapeCase{"\x0e", R"(\u000e)"}, EscapeCase{"\x1b", R"(\u001b)"},
                    EscapeCase{"\x1f", R"(\u001f)"}));

// DEL, the solidus and UTF-8 sequences pass through untouched.
INSTANTIATE_TEST_SUITE_P(
    CopiedBytes, StringEscape,
    testing::Values(EscapeCase{"", ""}, EscapeCase{" ", " "}, EscapeCase{"\x7f", "\x7f"},
                    EscapeCase{"/", "/"}, EscapeCase{"km/s/Mpc", "km/s/Mpc"},
                    EscapeCase{"\xc3\xa9", "\xc3\xa9"},
                    EscapeCase{"\xe2\x84\x8f\xf0\x9f\x98\x80", "\xe2\x84\x8f\xf0\x9f\x98\x80"},
                    EscapeCase{"\xff\x80", "\xff\x80"}));

// Runs of plain bytes before, between and after escapes all survive, as do
// adjacent escapes and a NUL inside the text.
INSTANTIATE_TEST_SUITE_P(
    MixedRuns, StringEscape,
    testing::Values(EscapeCase{"a\tb\nc\"d\\e", R"(a\tb\nc\"d\\e)"},
                    EscapeCase{"\t\n\"\\", R"(\t\n\"\\)"}, EscapeCase{"ab\0cd"s, R"(ab\u0000cd)"},
                    EscapeCase{"\x1b[1mbold\x1b[0m", R"(\u001b[1mbold\u001b[0m)"},
                    EscapeCase{"caf\xc3\xa9\x01", "caf\xc3\xa9\\u0001"}));

TEST(JsonString, EveryByteFromSpaceUpwardExceptQuoteAndBackslashIsCopied) {
    std::string bytes;
    for (int byte = 0x20; byte <= 0xff; ++byte) {
        if (byte != '"' && byte != '\\') {
            bytes.push_back(static_cast<char>(byte));
        }
    }
    EXPECT_EQ(string_text(bytes), '"' + bytes + '"');
}

TEST(JsonString, AppendsToWhatIsAlreadyWritten) {
    std::string out = "x";
    write_json_string(out, "a\"");
    write_json_string(out, "");
    EXPECT_EQ(out, R"(x"a\"""")");
}

}  // namespace
