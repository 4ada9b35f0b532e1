#include "support/fault.hpp"

#include <atomic>
#include <cerrno>  // program_invocation_short_name
#include <cstdio>
#include <cstring>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quorra {
namespace {

// A thread counts as named when somebody gave it a name other than the one
// every thread inherits from the process. Reads into a fixed buffer, since
// reporting must not allocate.
void current_thread_name(char (&name)[64]) noexcept {
    if (pthread_getname_np(pthread_self(), name, sizeof name) != 0 || name[0] == '\0' ||
        std::strncmp(name, program_invocation_short_name, 15) == 0) {
        std::snprintf(name, sizeof name, "%s", "<unnamed>");
    }
}

std::atomic<bool> first_report_written{false};

}  // namespace

void write_fault_report(std::string_view message, const std::source_location& where) noexcept {
    char thread[64] = {};
    current_thread_name(thread);
    const long thread_id = syscall(SYS_gettid);
    std::fprintf(stderr, "\nthread '%s' (%ld) panicked at %s:%u:%u:\n%.*s\n", thread,
                 thread_id, where.file_name(), static_cast<unsigned>(where.line()),
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
