#pragma once
// A JVM inside the test program (with -Xcheck:jni), in which the native frame's routines are called
// directly; each test runs in its own local frame and fails on any JNI warning of the JVM.

#include <gtest/gtest.h>
#include <jni.h>

#include <memory>
#include <string>

#include "model/network.h"

// The class name and message of a pending Java exception, taken and cleared.
struct JavaFailure {
    std::string className;  // "<none>" when nothing was pending
    std::string message;    // UTF-8
};

class JvmTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    JavaFailure TakeFailure();
    // The message of the pending exception, which must be a TARVOException.
    std::string TakeTarvoMessage();
    // A Java tarvo.Network whose ptrNative is the network (owned by the test, not by Java).
    jobject WrapNetwork(VRX_network& network);
    jclass FindClass(const char* name);
    std::string Utf8(jstring string);
    std::u16string Utf16(jstring string);
    jstring NewUtf16String(const std::u16string& text);

    JNIEnv* env = nullptr;
};

// Drives a call that should unwind with PendingJavaException and returns the message raised.
#define EXPECT_RAISES_TARVO(statement, expected)               \
    do {                                                       \
        EXPECT_THROW(statement, vovido::PendingJavaException); \
        EXPECT_EQ(TakeTarvoMessage(), expected);               \
    } while (0)
