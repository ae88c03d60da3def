// Separate networks in separate threads: each thread builds, saves, reads, updates and fails on its own
// networks at the same time as the others, and sees its own messages, generator draws and buffer pool.
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "base/random_generator.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "tests/support/error_log.h"
#include "tests/support/save_failure.h"

namespace {

constexpr int kThreads = 4;
constexpr int kRounds = 3;
constexpr int kChain = 6;

std::string PathOf(int thread, const std::string& what) {
    return vovido::test::TempPath(std::to_string(thread) + "_" + what);
}

VRX_doubleArray Values(std::initializer_list<double> values) {
    VRX_doubleArray a;
    EXPECT_EQ(a.SetSize(static_cast<int>(values.size())), kSuccess);
    int i = 0;
    for (double v : values) a[i++] = v;
    a.SetCount(a.GetSize());
    return a;
}

std::vector<double> Beliefs(VRX_network& net, int h) {
    VRX_Dmatrix* m = nullptr;
    if (h < 0 || net.GetNode(h)->GetValue()->GetValue(m) != kSuccess || m == nullptr) return {};
    return std::vector<double>(m->GetData(), m->GetData() + m->GetNumberOfElements());
}

// X0 -> X1 -> ... with tables of the thread's own, saved in the format of the round, read back and
// updated: P(Xi = yes) by forward recursion.
void SaveReadAndUpdate(int thread, int round) {
    const double p0 = 0.1 + 0.05 * thread;
    const double stay = 0.7 + 0.02 * thread;
    VRX_network net;
    for (int i = 0; i < kChain; ++i) {
        const int h = net.AddNode(DefinitionType::kCpt, ("X" + std::to_string(i)).c_str());
        ASSERT_EQ(h, i);
        if (i > 0) {
            ASSERT_EQ(net.AddArc(i - 1, i, 0), kSuccess);
        }
        ASSERT_EQ(net.GetNode(h)->GetDefinition()->SetDefinitionDoubles(
                      i == 0 ? Values({p0, 1 - p0}) : Values({stay, 1 - stay, 0.2, 0.8})),
                  kSuccess);
    }
    const std::string path = PathOf(thread, round % 2 == 0 ? "chain.vrx" : "chain.xvrx");
    ASSERT_EQ(net.WriteFile(path.c_str()), kSuccess);
    VRX_network copy;
    ASSERT_EQ(copy.ReadFile(path.c_str()), kSuccess);
    EXPECT_EQ(vovido::test::LoggedMessages(), std::vector<std::string>{});
    ASSERT_EQ(copy.UpdateBeliefs(), kSuccess);
    double yes = p0;
    for (int i = 0; i < kChain; ++i) {
        const std::vector<double> beliefs = Beliefs(copy, copy.FindNode(("X" + std::to_string(i)).c_str()));
        ASSERT_EQ(beliefs.size(), 2u);
        EXPECT_NEAR(beliefs[0], yes, 1e-12) << path << " X" << i;
        EXPECT_NEAR(beliefs[1], 1 - yes, 1e-12) << path << " X" << i;
        yes = yes * stay + (1 - yes) * 0.2;
    }
    std::remove(path.c_str());
}

// Failed and half-failed reads: the log holds exactly this thread's messages.
void FailOnOwnFiles(int thread) {
    const std::string word = "Junk" + std::to_string(thread);
    const std::string text = PathOf(thread, "unknown.vrx");
    ASSERT_TRUE(vovido::test::WriteWholeFile(text, "net N\n{\n " + word + " = 1;\n};\n"));
    VRX_network net;
    errorLog.Flush();
    EXPECT_EQ(net.ReadFile(text.c_str()), kSuccess);
    EXPECT_EQ(vovido::test::LoggedMessages(),
              std::vector<std::string>{"(line 3) : ERROR: '" + word + "' : Unknown Net Statement"});
    errorLog.Flush();

    const std::string missing = PathOf(thread, "missing.xvrx");
    EXPECT_EQ(net.ReadFile(missing.c_str()), kFileIoFailed);
    const std::vector<std::string> messages = vovido::test::LoggedMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Error at 0, 0 while loading " + missing + ": Can't open file " + missing +
                               ": No such file or directory");
    errorLog.Flush();
    std::remove(text.c_str());
}

// The thread's generators draw exactly the sequence of their seeds: no other thread steps them.
void DrawOwnSequences(int thread) {
    const uint32_t seed = 1000u + static_cast<uint32_t>(thread);
    RandomGenerator* generators[] = {&mixtureGenerator, &sampleNodeGenerator, &messageGenerator};
    for (RandomGenerator* g : generators) {
        g->Seed(seed);
        RandomGenerator reference(seed);
        int differences = 0;
        for (int i = 0; i < 5000; ++i) differences += g->NextFraction() != reference.NextFraction() ? 1 : 0;
        EXPECT_EQ(differences, 0);
    }
}

// The buffer pool of one thread holds only the buffers that thread released.
void UseOwnPool() {
    EXPECT_FALSE(VRX_doubleArray::HasPool());
    ASSERT_EQ(VRX_doubleArray::CreatePool(8), kSuccess);
    for (int k = 0; k < 3; ++k) {
        VRX_doubleArray a;
        ASSERT_EQ(a.SetSize(16 + k), kSuccess);
    }
    EXPECT_EQ(VRX_doubleArray::PoolBufferCount(), 3);
    VRX_doubleArray b;
    ASSERT_EQ(b.SetSize(17), kSuccess);  // the released buffer of 17, exactly
    EXPECT_EQ(VRX_doubleArray::PoolBufferCount(), 2);
    b.CleanUp();
    VRX_doubleArray::DestroyPool();
    EXPECT_FALSE(VRX_doubleArray::HasPool());
}

TEST(SeparateThreads, EachThreadWorksOnItsOwnNetworksLogAndState) {
    LogError(errorLog, kFailure, "main thread", nullptr);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int round = 0; round < kRounds; ++round) {
                SaveReadAndUpdate(t, round);
                FailOnOwnFiles(t);
                DrawOwnSequences(t);
                UseOwnPool();
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(vovido::test::LoggedMessages(), std::vector<std::string>{"main thread"});
    errorLog.Flush();
}

}  // namespace
