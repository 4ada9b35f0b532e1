#include <dlfcn.h>
#include <pthread.h>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using ThrowAndCatch = int (*)(char);
using CallThrough = int (*)(void (*)(), int*, int*);

// The probe library, loaded as the interpreter loads an extension module.
class StaticRuntime : public ::testing::Test {
protected:
    void SetUp() override {
        library_ = dlopen(QUORRA_RUNTIME_PROBE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library_, nullptr) << dlerror();
        throw_and_catch_ =
            reinterpret_cast<ThrowAndCatch>(dlsym(library_, "probe_throw_and_catch"));
        call_through_ = reinterpret_cast<CallThrough>(dlsym(library_, "probe_call_through"));
        ASSERT_NE(throw_and_catch_, nullptr);
        ASSERT_NE(call_through_, nullptr);
    }

    void* library_ = nullptr;
    static inline ThrowAndCatch throw_and_catch_ = nullptr;
    static inline CallThrough call_through_ = nullptr;
    static inline int destroyed_ = 0;
    static inline int rethrown_ = 0;
};

template <typename Body>
void* run_in_thread(Body body) {
    pthread_t thread;
    EXPECT_EQ(pthread_create(&thread, nullptr, body, nullptr), 0);
    void* result = nullptr;
    EXPECT_EQ(pthread_join(thread, &result), 0);
    return result;
}

int exit_value = 7;

TEST_F(StaticRuntime, ExceptionsAreThrownAndCaughtInsideTheLibrary) {
    EXPECT_EQ(throw_and_catch_('x'), 'x');
    // The host's own runtime is unaffected by the library's.
    EXPECT_THROW(throw std::logic_error("host"), std::logic_error);
    void* in_thread = run_in_thread(
        [](void*) -> void* { return throw_and_catch_('y') == 'y' ? &exit_value : nullptr; });
    EXPECT_EQ(in_thread, &exit_value);
}

TEST_F(StaticRuntime, ThreadExitUnwindsThroughTheLibrary) {
    destroyed_ = 0;
    rethrown_ = 0;
    // pthread_exit unwinds with the system's unwinder through the library's
    // frames: their destructors run, the catch-all lets it pass, and the
    // thread ends with its exit value.
    void* result = run_in_thread([](void*) -> void* {
        call_through_([] { pthread_exit(&exit_value); }, &destroyed_, &rethrown_);
        return nullptr;
    });
    EXPECT_EQ(result, &exit_value);
    EXPECT_EQ(destroyed_, 1);
    EXPECT_EQ(rethrown_, 1);
    // The library still works afterwards.
    EXPECT_EQ(throw_and_catch_('z'), 'z');
    EXPECT_EQ(call_through_([] {}, &destroyed_, &rethrown_), 1);
    EXPECT_EQ(destroyed_, 2);
}

}  // namespace
