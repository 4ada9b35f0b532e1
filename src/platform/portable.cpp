// The platform interface from the C++ standard library alone, for systems
// without a Linux implementation, and for checking that the core needs
// nothing more.

#include "platform/platform.hpp"

#include <atomic>
#include <cstddef>
#include <cstring>
#include <exception>
#include <random>
#include <thread>

namespace quorra::platform {

// hardware_concurrency counts the machine's processors, not those the
// process may use; 0 means unknown.
std::size_t available_processors() noexcept {
    const unsigned count = std::thread::hardware_concurrency();
    return count > 0 ? count : 1;
}

// std::random_device reports a missing or failing source by throwing
// std::exception types only.
bool random_bytes(void* buffer, std::size_t size) noexcept {
    try {
        std::random_device source;
        auto* bytes = static_cast<unsigned char*>(buffer);
        while (size > 0) {
            const std::random_device::result_type word = source();
            const std::size_t n = size < sizeof word ? size : sizeof word;
            std::memcpy(bytes, &word, n);
            bytes += n;
            size -= n;
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool given_thread_name(char (&)[thread_name_size]) noexcept { return false; }

// Numbered in the order the threads first ask, from 1.
std::int64_t thread_id() noexcept {
    static std::atomic<std::int64_t> next{1};
    thread_local const std::int64_t id = next.fetch_add(1, std::memory_order_relaxed);
    return id;
}

}  // namespace quorra::platform
