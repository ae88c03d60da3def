#pragma once
// Running test code on a thread with a small stack: recursion as deep as a large network overflows it.

#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>

namespace vovido::test {

// Runs work on a thread with a 256 KiB stack, far too small for a recursion as deep as the network.
inline void RunOnSmallStack(const std::function<void()>& work) {
    pthread_attr_t attr;
    ASSERT_EQ(pthread_attr_init(&attr), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attr, 256 * 1024), 0);
    pthread_t thread;
    auto trampoline = [](void* arg) -> void* {
        (*static_cast<const std::function<void()>*>(arg))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, trampoline, const_cast<std::function<void()>*>(&work)), 0);
    ASSERT_EQ(pthread_join(thread, nullptr), 0);
    pthread_attr_destroy(&attr);
}

}  // namespace vovido::test
