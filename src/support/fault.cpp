#include "support/fault.hpp"

#include <sys/auxv.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace quorra {
namespace {

// The kernel keeps a thread's name in 16 bytes, NUL included.
constexpr std::size_t thread_name_size = 16;

// The last path component, cut to what the kernel keeps of a name.
std::string_view kernel_name_of(std::string_view path) noexcept {
    const std::size_t slash = path.rfind('/');
    if (slash != std::string_view::npos) {
        path.remove_prefix(slash + 1);
    }
    return path.substr(0, thread_name_size - 1);
}

// Every thread starts with the name that exec gave the process: the last
// component of the path that was executed (a script's own, for a script run
// through its #! line). Only a name different from that was given by
// somebody. The executable's own name is compared too, for a process started
// from a file descriptor, whose name comes from the file instead.
bool is_inherited_name(std::string_view name) noexcept {
    if (const auto* executed = reinterpret_cast<const char*>(getauxval(AT_EXECFN))) {
        if (name == kernel_name_of(executed)) {
            return true;
        }
    }
    char executable[4096];
    const ssize_t length = readlink("/proc/self/exe", executable, sizeof executable);
    return length > 0 &&
           name == kernel_name_of({executable, static_cast<std::size_t>(length)});
}

// The thread's name, or "<unnamed>" for a thread nobody named. Reads into a
// fixed buffer, since reporting must not allocate.
void current_thread_name(char (&name)[thread_name_size]) noexcept {
    if (prctl(PR_GET_NAME, name, 0, 0, 0) != 0 || name[0] == '\0' || is_inherited_name(name)) {
        std::snprintf(name, sizeof name, "%s", "<unnamed>");
    }
}

std::atomic<bool> first_report_written{false};

}  // namespace

void write_fault_report(std::string_view message, const std::source_location& where) noexcept {
    char thread[thread_name_size] = {};
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
