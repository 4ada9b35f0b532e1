#pragma once
// The error value of the formulas registry. Only NotFound is produced by this
// library; the other kinds exist so that every registry failure has one type.

#include <string>
#include <system_error>
#include <variant>

namespace quorra::formulas {

struct NotFound {
    std::string name;
};
struct NotImplemented {
    std::string name;
};
struct LoadFailed {
    std::string source;
    std::error_code io_error;
};
struct InvalidSchema {
    std::string source;
};
struct CyclicDerivation {
    std::string name;
};
struct ExpressionParse {
    std::string location;
    std::string parser_message;
};

class RegistryError {
public:
    using Kind = std::variant<NotFound, NotImplemented, LoadFailed, InvalidSchema, CyclicDerivation,
                              ExpressionParse>;

    RegistryError(Kind kind) : kind_(std::move(kind)) {}

    const Kind& kind() const noexcept { return kind_; }

    // Appends the message of this error to out; texts are inserted verbatim.
    void append_message(std::string& out) const;
    std::string message() const;

private:
    Kind kind_;
};

}  // namespace quorra::formulas
