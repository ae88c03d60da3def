#pragma once
// Fixture of the readers of text formats: a read through the file dispatch, a read through the format's
// speaker alone that keeps the part read, and the check of a message logged at a line.

#include <gtest/gtest.h>

#include <string>

#include "base/error_log.h"
#include "model/network.h"
#include "tests/support/error_log.h"
#include "tests/support/temp_file.h"

namespace vovido::test {

template <typename Speaker>
class TextReaderTest : public FreshLogTest<> {
protected:
    int ReadFileNamed(const char* name, const std::string& text) {
        return net.ReadFile(WriteTextFile(name, text).c_str());
    }

    // Through the speaker alone, with the reading flags the file dispatch sets: the part read stays in
    // the network, so that what the reader went on to read after an error can be checked. (The dispatch
    // puts the network back as it was after a failed read.)
    int ReadKeepingPart(const std::string& text) {
        const int mask = net.changeMask;
        net.changeMask = 0;
        net.readingFlags = ReadingFlags::kReading;
        Speaker speaker(&net);
        const int rc = speaker.ReadText(text);
        net.readingFlags = 0;
        net.changeMask = mask;
        return rc;
    }

    // Expects an entry with the code and the message after the line prefix.
    static void ExpectLogged(int code, int line, const std::string& message) {
        const std::string text = "(line " + std::to_string(line) + ") : " + message;
        EXPECT_TRUE(Logged(code, text)) << "missing: " << code << " " << text << "\nlog:\n" << LogDump();
    }

    VRX_network net;
};

}  // namespace vovido::test
