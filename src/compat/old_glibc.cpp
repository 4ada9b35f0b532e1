// Older glibc interfaces for the extension module's private C++ runtime.
//
// The extension links libstdc++ statically, so that it depends on no C++
// runtime of the system it is installed on. Built against a recent
// glibc, that runtime binds a few glibc symbols at versions newer than
// GLIBC_2.28, which would bar the wheel from manylinux_2_28. The link
// redirects every reference to those symbols here (-Wl,--wrap=NAME turns a
// reference to NAME into one to __wrap_NAME; see cmake/QuorraStaticRuntime.cmake),
// and the definitions below either call the same function at its original
// version or provide it from interfaces that old glibc releases have.

#include <pthread.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#if defined(__x86_64__)
#define QUORRA_GLIBC_BASE "GLIBC_2.2.5"
#elif defined(__aarch64__)
#define QUORRA_GLIBC_BASE "GLIBC_2.17"
#else
#error "no base glibc symbol version known for this architecture"
#endif

// Declares old_NAME as NAME bound at the architecture's first glibc version,
// and __wrap_NAME forwarding to it. glibc 2.34 moved the pthread functions
// from libpthread into libc under the new version GLIBC_2.34 and kept the old
// version as an alias of the same code.
#define QUORRA_OLD_VERSION(ret, name, params, args)                \
    extern "C" ret old_##name params;                              \
    __asm__(".symver old_" #name "," #name "@" QUORRA_GLIBC_BASE); \
    extern "C" ret __wrap_##name params;                           \
    ret __wrap_##name params { return old_##name args; }

// The macro's arguments are parameter lists, which the formatter would
// misread as products.
// clang-format off
QUORRA_OLD_VERSION(int, pthread_once, (pthread_once_t* once, void (*init)()), (once, init))
QUORRA_OLD_VERSION(int, pthread_key_create, (pthread_key_t* key, void (*destroy)(void*)), (key, destroy))
QUORRA_OLD_VERSION(int, __pthread_key_create, (pthread_key_t* key, void (*destroy)(void*)), (key, destroy))
QUORRA_OLD_VERSION(int, pthread_key_delete, (pthread_key_t key), (key))
QUORRA_OLD_VERSION(void*, pthread_getspecific, (pthread_key_t key), (key))
QUORRA_OLD_VERSION(int, pthread_setspecific, (pthread_key_t key, const void* value), (key, value))
QUORRA_OLD_VERSION(int, pthread_rwlock_rdlock, (pthread_rwlock_t* lock), (lock))
QUORRA_OLD_VERSION(int, pthread_rwlock_wrlock, (pthread_rwlock_t* lock), (lock))
QUORRA_OLD_VERSION(int, pthread_rwlock_unlock, (pthread_rwlock_t* lock), (lock))
// clang-format on

// glibc 2.32: set while the process has only ever had one thread, so that the
// runtime may skip atomic instructions. Zero means "maybe several threads",
// which is always correct: reference counts stay atomic.
extern "C" {
extern char __wrap___libc_single_threaded;
char __wrap___libc_single_threaded = 0;
}

// glibc 2.36: used by std::random_device for the "arc4random" token only.
extern "C" std::uint32_t __wrap_arc4random();
std::uint32_t __wrap_arc4random() {
    std::uint32_t value = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (getentropy(&value, sizeof value) == 0) {
            return value;
        }
    }
    std::abort();  // arc4random has no way to report failure
}
