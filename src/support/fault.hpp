#pragma once
// A fault is an unrecoverable failure of native code. It unwinds, as a C++
// exception of this one type, to the call boundary, which raises it in Python.
// Fault deliberately does not derive from std::exception, so no generic
// handler on the way can swallow it.

#include <source_location>
#include <string>
#include <string_view>

namespace quorra {

class Fault {
public:
    Fault(std::string message, std::source_location where) noexcept
        : message_(std::move(message)), where_(where) {}

    const std::string& message() const noexcept { return message_; }
    // Moves the message out, so that a handler can keep it without allocating.
    std::string take_message() noexcept { return std::move(message_); }
    const std::source_location& where() const noexcept { return where_; }

private:
    std::string message_;
    std::source_location where_;
};

// Writes the fault report to standard error, then throws the fault.
[[noreturn]] void fault(std::string message,
                        std::source_location where = std::source_location::current());

// Throws a fault without writing a report; used when the failure has
// already been reported by other means.
[[noreturn]] void fault_unreported(std::string message,
                                   std::source_location where = std::source_location::current());

// The report written before a fault unwinds:
//   "\nthread '<name>' (<id>) panicked at <file>:<line>:<column>:\n<message>\n"
// The first report of the process is followed by a note on backtraces.
void write_fault_report(std::string_view message, const std::source_location& where) noexcept;

}  // namespace quorra
