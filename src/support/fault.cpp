#include "support/fault.hpp"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "platform/platform.hpp"

namespace quorra {
namespace {

// The name somebody gave the calling thread, or "<unnamed>". Reads into a
// fixed buffer, since reporting must not allocate.
void current_thread_name(char (&name)[platform::thread_name_size]) noexcept {
    if (!platform::given_thread_name(name)) {
        std::snprintf(name, sizeof name, "%s", "<unnamed>");
    }
}

std::atomic<bool> first_report_written{false};

}  // namespace

void write_fault_report(std::string_view message, const std::source_location& where) noexcept {
    char thread[platform::thread_name_size] = {};
    current_thread_name(thread);
    const auto thread_id = static_cast<long long>(platform::thread_id());
    std::fprintf(stderr, "\nthread '%s' (%lld) panicked at %s:%u:%u:\n%.*s\n", thread, thread_id,
                 where.file_name(), static_cast<unsigned>(where.line()),
                 static_cast<unsigned>(where.column()), static_cast<int>(message.size()),
                 message.data());
    if (!first_report_written.exchange(true)) {
        std::fputs(
            "note: no backtrace is recorded; run the program under gdb with "
            "`catch throw` to see where a fault starts\n",
            stderr);
    }
    std::fflush(stderr);
}

void fault(std::string message, std::source_location where) {
    write_fault_report(message, where);
    throw Fault(std::move(message), where);
}

void fault_unreported(std::string message, std::source_location where) {
    throw Fault(std::move(message), where);
}

}  // namespace quorra
