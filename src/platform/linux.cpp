// The platform interface on Linux, from the kernel's own calls.

#include "platform/platform.hpp"

#include <fcntl.h>
#include <sched.h>
#include <sys/auxv.h>
#include <sys/prctl.h>
#include <sys/random.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <string_view>

namespace quorra::platform {
namespace {

// Fills the buffer with read_some(position, bytes left), retrying reads that
// a signal interrupted; false on any other failure or an early end.
template <class ReadSome>
bool fill(unsigned char* buffer, std::size_t size, ReadSome&& read_some) noexcept {
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t got = read_some(buffer + filled, size - filled);
        if (got > 0) {
            filled += static_cast<std::size_t>(got);
        } else if (got == 0 || errno != EINTR) {
            return false;
        }
    }
    return true;
}

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
bool is_executable_name(std::string_view name) noexcept {
    if (const auto* executed = reinterpret_cast<const char*>(getauxval(AT_EXECFN))) {
        if (name == kernel_name_of(executed)) {
            return true;
        }
    }
    char executable[4096];
    const ssize_t length = readlink("/proc/self/exe", executable, sizeof executable);
    return length > 0 && name == kernel_name_of({executable, static_cast<std::size_t>(length)});
}

}  // namespace

// A set of CPU_SETSIZE (1024) processors first; the kernel refuses a set
// smaller than its own with EINVAL, and then one twice the size is tried.
std::size_t available_processors() noexcept {
    constexpr std::size_t most_tried = std::size_t{1} << 22;
    for (std::size_t processors = CPU_SETSIZE; processors <= most_tried; processors *= 2) {
        cpu_set_t* const set = CPU_ALLOC(processors);
        if (set == nullptr) {
            return 1;
        }
        const std::size_t bytes = CPU_ALLOC_SIZE(processors);
        CPU_ZERO_S(bytes, set);
        const int read = sched_getaffinity(0, bytes, set);
        const int error = errno;
        const int count = read == 0 ? CPU_COUNT_S(bytes, set) : 0;
        CPU_FREE(set);
        if (read == 0) {
            return count > 0 ? static_cast<std::size_t>(count) : 1;
        }
        if (error != EINVAL) {
            return 1;
        }
    }
    return 1;
}

// getrandom(2), or /dev/urandom where that system call is missing or
// refused. Nothing here throws, so the first registry of a process costs no
// exception.
bool random_bytes(void* buffer, std::size_t size) noexcept {
    auto* const bytes = static_cast<unsigned char*>(buffer);
    if (fill(bytes, size, [](unsigned char* at, std::size_t n) { return getrandom(at, n, 0); })) {
        return true;
    }
    const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool filled =
        fill(bytes, size, [fd](unsigned char* at, std::size_t n) { return read(fd, at, n); });
    close(fd);
    return filled;
}

bool given_thread_name(char (&name)[thread_name_size]) noexcept {
    return prctl(PR_GET_NAME, name, 0, 0, 0) == 0 && name[0] != '\0' && !is_executable_name(name);
}

std::int64_t thread_id() noexcept { return static_cast<std::int64_t>(syscall(SYS_gettid)); }

}  // namespace quorra::platform
