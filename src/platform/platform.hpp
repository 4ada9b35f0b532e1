#pragma once
// What the core asks of the operating system, in one place: how many
// processors the process may use, random bytes, and the calling thread's name
// and id for fault reports.
//
// linux.cpp answers from the kernel; portable.cpp answers from the C++
// standard library alone, so the core builds wherever C++20 does. The build
// takes linux.cpp on Linux unless QUORRA_PORTABLE_PLATFORM is on.

#include <cstddef>
#include <cstdint>

namespace quorra::platform {

// The number of processors this process may run on (its affinity set where
// the system has one); 1 when that cannot be found out.
std::size_t available_processors() noexcept;

// Fills the buffer with bytes from the system's source of randomness. False
// when there is none or it fails; the buffer's contents are then unspecified.
bool random_bytes(void* buffer, std::size_t size) noexcept;

// Room for a thread name, NUL included: the kernel keeps at most 15 bytes.
inline constexpr std::size_t thread_name_size = 16;

// The name that somebody gave the calling thread, NUL-terminated. False, and
// the buffer unspecified, for a thread that still has the name every thread
// starts with, or where threads have no names.
bool given_thread_name(char (&name)[thread_name_size]) noexcept;

// A number that identifies the calling thread in fault reports: the kernel's
// thread id where there is one.
std::int64_t thread_id() noexcept;

}  // namespace quorra::platform
