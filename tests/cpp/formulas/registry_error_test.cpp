#include "formulas/registry_error.hpp"

#include <string>
#include <system_error>

#include <gtest/gtest.h>

namespace {

using namespace std::literals;
using namespace quorra::formulas;

struct MessageCase {
    const char* label;
    RegistryError::Kind kind;
    std::string message;
};

class RegistryErrorMessage : public testing::TestWithParam<MessageCase> {};

TEST_P(RegistryErrorMessage, IsTheTabledTextWithValuesInsertedVerbatim) {
    const MessageCase& test = GetParam();
    const RegistryError error(test.kind);
    EXPECT_EQ(error.message(), test.message);

    // Appending keeps what the text already holds.
    std::string out = "KeyError: ";
    error.append_message(out);
    EXPECT_EQ(out, "KeyError: " + test.message);
}

const std::error_code no_such_file = std::make_error_code(std::errc::no_such_file_or_directory);
const std::error_code permission_denied = std::make_error_code(std::errc::permission_denied);

INSTANTIATE_TEST_SUITE_P(
    AllKinds, RegistryErrorMessage,
    testing::Values(
        MessageCase{"NotFound", NotFound{"B3"}, "constant `B3` not found in registry"},
        MessageCase{"NotFoundEmpty", NotFound{""}, "constant `` not found in registry"},
        MessageCase{"NotFoundBacktick", NotFound{"a`b"}, "constant `a`b` not found in registry"},
        MessageCase{"NotFoundNonAscii", NotFound{"\xcf\x86\xe2\x82\x80"},
                    "constant `\xcf\x86\xe2\x82\x80` not found in registry"},
        MessageCase{"NotFoundEmbeddedNul", NotFound{"b3\0x"s},
                    "constant `b3\0x` not found in registry"s},
        MessageCase{"NotFoundTrailingNewline", NotFound{"b3\n"},
                    "constant `b3\n` not found in registry"},
        MessageCase{"NotImplemented", NotImplemented{"n_gen_sq"},
                    "derivation of `n_gen_sq` is not yet implemented in quorra_core"},
        MessageCase{"LoadFailed", LoadFailed{"constants.json", no_such_file},
                    "failed to load constants from `constants.json`: No such file or directory"},
        MessageCase{"LoadFailedEmbeddedNul", LoadFailed{"a\0b"s, permission_denied},
                    "failed to load constants from `a\0b`: Permission denied"s},
        MessageCase{"InvalidSchema", InvalidSchema{"data/constants.json"},
                    "invalid JSON schema in `data/constants.json`"},
        MessageCase{"CyclicDerivation", CyclicDerivation{"x"}, "cyclic derivation involving `x`"},
        MessageCase{"ExpressionParse", ExpressionParse{"n_gen_sq", "unexpected token `*` at 6"},
                    "expression parse error in `n_gen_sq`: unexpected token `*` at 6"},
        MessageCase{"ExpressionParseEmptyTexts", ExpressionParse{"", ""},
                    "expression parse error in ``: "}),
    [](const auto& test) { return std::string(test.param.label); });

}  // namespace
