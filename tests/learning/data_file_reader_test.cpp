// Reading delimited data files: separators, header, column kinds, missing values and every failure.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/status_codes.h"
#include "learning/data_file_reader.h"
#include "learning/data_set.h"
#include "tests/support/error_log.h"
#include "tests/support/sanitizer.h"
#include "tests/support/temp_file.h"

namespace {

using vovido::test::TempFile;
using namespace std::string_literals;

const int kManyRows = vovido::test::kUnderAddressSanitizer ? 100000 : 1000000;

// The data set in one line: per column "name:kind(states)[cells]" with kind i, f or s and "*" for a
// missing cell.
std::string Describe(const DataSet& data) {
    std::string out;
    for (int v = 0; v < data.GetVariableCount(); ++v) {
        const DataSetVariable& var = data.GetVariable(v);
        out += (v > 0 ? " " : "") + var.name + ":" +
               (!var.discrete            ? "f"
                : var.stateNames.empty() ? "i"
                                         : "s");
        if (!var.stateNames.empty()) {
            out += "(";
            for (size_t s = 0; s < var.stateNames.size(); ++s) out += (s > 0 ? "," : "") + var.stateNames[s];
            out += ")";
        }
        out += "[";
        for (int r = 0; r < data.GetRecordCount(); ++r) {
            std::string cell = "*";
            if (!data.IsMissing(v, r)) {
                char buffer[32];
                if (var.discrete) {
                    std::snprintf(buffer, sizeof buffer, "%d", data.GetInt(v, r));
                } else {
                    std::snprintf(buffer, sizeof buffer, "%g", data.GetFloat(v, r));
                }
                cell = buffer;
            }
            out += (r > 0 ? "," : "") + cell;
        }
        out += "]";
    }
    return out;
}

// The message without the file's name, which every message of a line gives after its number.
std::string Unnamed(std::string message, const TempFile& file) {
    const std::string named = std::string(" while loading ") + file.c_str();
    const size_t at = message.find(named);
    EXPECT_TRUE(message.compare(0, 5, "Line ") != 0 || at != std::string::npos) << message;
    if (at != std::string::npos) message.erase(at, named.size());
    return message;
}

struct ReadCase {
    std::string content;
    const char* expected;  // Describe() after success, or the failure text
    bool header = true;
    const char* mark = "*";
};

std::string Read(const ReadCase& c, int* status = nullptr) {
    TempFile file(".txt");
    file.Write(c.content);
    DataSet data;
    DataFileParams params;
    params.hasHeader = c.header;
    params.missingMark = c.mark;
    std::string message;
    const int result = data.ReadFile(file.c_str(), &params, &message);
    if (status != nullptr) *status = result;
    return result == kSuccess ? Describe(data) : Unnamed(message, file);
}

TEST(DataFileReader, ColumnKindsAndValues) {
    const ReadCase cases[] = {
        {"a,b,c\n1,2,3\n4,5.5,x\n", "a:i[1,4] b:f[2,5.5] c:s(3,x)[0,1]"},
        {"w\nb\na\nc\na\n", "w:s(a,b,c)[1,0,2,0]"},
        {"v\n0.1\n2.5\nword\n0.1\n", "v:s(0.1,2.5,word)[0,1,2,0]"},
        {"v\n1.0\n1e3\n2 \n", "v:i[1,1000,2]"},
        {"v\n2x\n3\n", "v:s(2x,3)[0,1]"},
        {"a;b\n-1;*\n*;-1\n", "a:i[-1,*] b:i[*,-1]"},
        {"a\tb\n-1\t0.5\n\t-1\n", "a:i[-1,*] b:f[0.5,-1]"},
        {"a,b\n-1,1\nz,2\n", "a:s(-1,z)[0,1] b:i[1,2]"},
        {"a\n1\n\n2", "a:i[1,*,2]"},
        {"a,b\r\n1,2\r\n", "a:i[1] b:i[2]"},
        {"x, y\n1,2\n", "x:i[1] y:i[2]"},
        {"x ,y\n1,2\n", "x:i[1] y:i[2]"},
        // As spreadsheets write them: a byte-order mark, blanks around cells, classic Mac line ends, blank
        // lines at the end.
        {"\xEF\xBB\xBF"
         "asia,b\n1,2\n",
         "asia:i[1] b:i[2]"},
        {"a , b\n x ,\t2 \n", "a:s(x)[0] b:i[2]"},
        {"a,b\r1,2\r3,x\r", "a:i[1,3] b:s(2,x)[0,1]"},
        {"a,b\n1,2\n\n", "a:i[1] b:i[2]"},
        {"a b\r\n1 2\r\n  \r\n\r\n", "a:i[1] b:i[2]"},
        {"a\n1\n\n", "a:i[1]"},
        {"a b\n1 2 \n", "a:i[1] b:i[2]"},
        {"a,b\n", "a:i[] b:i[]"},
        {"1,2\n3,4\n", ":i[1,3] :i[2,4]", false},
        {"a,b,c,d\nna,NA,  NA,NA \n", "a:i[*] b:i[*] c:i[*] d:i[*]", true, "NA"},
        {"a,b\n1,3000000000\n", "a:i[1] b:f[3e+09]"},
        {"a,b\nx,1\ny,7\n", "a:s(x,y)[0,1] b:i[1,7]"},
        // One text, one state, in ascending byte order, whether it came before the first word or after.
        {"a\n007\n5\nx\n007\n", "a:s(007,5,x)[0,1,2,0]"},
        {"b\n53.000\n1.5\n?\n53\n", "b:s(1.5,53,53.000,?)[2,0,3,1]"},
        // Whole numbers a float holds exactly stay in a column of floats; a word makes any number a state.
        {"a\n16777216\n0.5\n-2147483648\n", "a:f[1.67772e+07,0.5,-2.14748e+09]"},
        {"a\n16777217\n0.5\nx\n", "a:s(0.5,16777217,x)[1,0,2]"},
        {"a\n16777217\n", "a:i[16777217]"},
        // In a column of states a number is a state's name, whatever its value.
        {"a,b\nnan,1e400\nx,-inf\n1e-400,y\n", "a:s(1e-400,nan,x)[1,2,0] b:s(-inf,1e400,y)[1,0,2]"},
        // NaN and infinity are floats, as strtod reads them: a NaN cell is missing under the NaN marker.
        {"a,b\n1,nan\n2,-NaN\n", "a:i[1,2] b:f[*,*]"},
        {"a,b\ninf,1\n-Infinity,0.5\n", "a:f[inf,-inf] b:f[1,0.5]"},
        {"a\n1.17549435e-38\n2147483648\n", "a:f[1.17549e-38,2.14748e+09]"},
    };
    for (const ReadCase& c : cases) {
        int status = 0;
        EXPECT_EQ(Read(c, &status), c.expected) << c.content;
        EXPECT_EQ(status, kSuccess) << c.content;
    }
}

TEST(DataFileReader, NumbersReadAsStrtodReadsThem) {
    const char* tokens[] = {"0.1",
                            "-2.5",
                            "123456789012345.5",
                            "1234567890123456789.25",
                            "3.14159265358979",
                            "1e-3",
                            "-0.000001",
                            ".5",
                            "7.",
                            "0x1p-2",
                            "99999999999999.99",
                            "-1"};
    std::string content = "v\n";
    for (const char* token : tokens) content += std::string(token) + "\n";
    TempFile file(".txt");
    file.Write(content);
    DataSet data;
    ASSERT_EQ(data.ReadFile(file.c_str(), nullptr, nullptr), kSuccess);
    ASSERT_FALSE(data.GetVariable(0).discrete);
    for (int r = 0; r < data.GetRecordCount(); ++r) {
        EXPECT_EQ(data.GetFloat(0, r), static_cast<float>(std::strtod(tokens[r], nullptr))) << tokens[r];
    }
}

TEST(DataFileReader, FailuresNameTheLine) {
    const std::string longLine(129, 'x');
    const ReadCase cases[] = {
        // An empty file: "Can't read first line of file: " and its name (the Java data set test).
        {"\n1\n", "Line 1: Trailing separator found in header line"},
        {"a,b,\n1,2,3\n", "Line 1: Trailing separator found in header line"},
        {"a,,b\n", "Line 1: Column name 2 is empty"},
        {"a,b,a\n", "Line 1: Duplicated column name: a"},
        {"a b\n1  2\n", "Line 2: expected 2 columns of data but found 3"},
        {"a,b\n1,2\n\n3,4\n", "Line 3: expected 2 columns of data but found 1"},
        {"a b\n1 2\n\n3 4\n", "Line 3: expected 2 columns of data but found 0"},
        // Cells are floats: a number beyond them is refused rather than made infinite, a non-zero one
        // below them rather than made 0.
        {"a,b\n1,2\n3,1e39\n", "Line 3: number 1e39 in column 2 is out of range"},
        {"a\n-1e400\n", "Line 2: number -1e400 in column 1 is out of range"},
        {"a,b\n1,0.0\n2,1e-50\n", "Line 3: number 1e-50 in column 2 is out of range"},
        {"a\n-1e-46\n", "Line 2: number -1e-46 in column 1 is out of range"},
        // Below the doubles too, in either column kind; a whole number a float column would change.
        {"a,b\n1,0.5\n2,1e-400\n", "Line 3: number 1e-400 in column 2 is out of range"},
        {"a\n1\n-1e-400\n", "Line 3: number -1e-400 in column 1 is out of range"},
        {"a\n0x1p-1100\n", "Line 2: number 0x1p-1100 in column 1 is out of range"},
        {"a\n1e-320\n", "Line 2: number 1e-320 in column 1 is out of range"},
        {"a,b\n1,16777217\n2,3\n3,0.5\n", "Line 2: number 16777217 in column 2 is out of range"},
        {"a,b\n1,0.5\n2,-16777217\n", "Line 3: number -16777217 in column 2 is out of range"},
        // A float below the normal range would lose digits (1e-45 becomes 1.4e-45); an int beyond the ints
        // that a float would change.
        {"a\n0.5\n1e-45\n", "Line 3: number 1e-45 in column 1 is out of range"},
        {"a\n-1e-39\n", "Line 2: number -1e-39 in column 1 is out of range"},
        {"a,b\n1,2147483649\n", "Line 2: number 2147483649 in column 2 is out of range"},
        {"a\n0.5\n-99999999999\n", "Line 3: number -99999999999 in column 1 is out of range"},
        {"a,b\n1,2\n3;4\n", "Line 3: expected 2 columns of data but found 1"},
        // Names and cells are handed on as C strings: a NUL would cut them.
        {"a,b\n1,2\n3,x\0y\n"s, "Line 3: NUL byte in column 2"},
        {"a,A\0B\n1,2\n"s, "Line 1: NUL byte in column 2"},
        {"1;2\n\0;4\n"s, "Line 2: NUL byte in column 1", false},
        {"1,2\n3,4\n5\n", "Line 3: expected 2 columns of data but found 1", false},
        {longLine.c_str(), "Line 1: First line has more than 128 characters and no separators were found"},
    };
    for (const ReadCase& c : cases) {
        int status = 0;
        EXPECT_EQ(Read(c, &status), c.expected) << c.content;
        EXPECT_EQ(status, kFileIoFailed) << c.content;
    }
    const std::string name(128, 'x');
    EXPECT_EQ(Read({name.c_str(), ""}), name + ":i[]") << "128 characters are one column";
}

TEST(DataFileReader, AFailedReadKeepsWhatTheSetHeld) {
    // The earliest line is named, before a later failure.
    EXPECT_EQ(Read({"a,b\n1,2\n3,1e39\n4\n", ""}), "Line 3: number 1e39 in column 2 is out of range");
    {
        // A whole number refused once its column turns out to hold floats.
        TempFile file(".txt");
        file.Write("a,b\n1,2\n3,16777217\n4,5\n6,0.5\n");
        DataSet data;
        std::string message;
        EXPECT_EQ(data.ReadFile(file.c_str(), nullptr, &message), kFileIoFailed);
        EXPECT_EQ(Unnamed(message, file), "Line 3: number 16777217 in column 2 is out of range");
        EXPECT_EQ(Describe(data), "");
    }
    TempFile good(".txt");
    good.Write("a,b\nx,1\ny,2\n");
    TempFile bad(".txt");
    bad.Write("c,d,e\n1,2,3\n4\n");
    DataSet data;
    std::string message;
    EXPECT_EQ(data.ReadFile(bad.c_str(), nullptr, &message), kFileIoFailed);
    EXPECT_EQ(message, "Line 3 while loading " + bad.path() + ": expected 3 columns of data but found 1");
    EXPECT_EQ(Describe(data), "");
    ASSERT_EQ(data.ReadFile(good.c_str(), nullptr, &message), kSuccess);
    EXPECT_EQ(data.ReadFile(bad.c_str(), nullptr, &message), kFileIoFailed);
    EXPECT_EQ(Describe(data), "a:s(x,y)[0,1] b:i[1,2]");
    errorLog.Flush();
    const std::string folder = vovido::test::TempPath("folder.txt");
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    EXPECT_EQ(data.ReadFile(folder.c_str(), nullptr, &message), kFileIoFailed);
    EXPECT_EQ(message, "Can't open data file: " + folder + ": Is a directory");
    std::filesystem::remove(folder);
    EXPECT_EQ(data.ReadFile("/nonexistent/data.txt", nullptr, nullptr), kFileIoFailed);
    EXPECT_TRUE(vovido::test::Logged(
        kDataFileFailed, "Can't open data file: /nonexistent/data.txt: No such file or directory"));
    EXPECT_EQ(Describe(data), "a:s(x,y)[0,1] b:i[1,2]");
    errorLog.Flush();
}

// Lines are checked as they arrive: a faulty endless stream fails at its bad line, keeping the records
// before it; a sound one is refused whole at the input limit.
TEST(DataFileReader, StreamsFailAtTheirFirstBadLineOrAtTheInputLimit) {
    struct Case {
        const char* command;
        int64_t limit;
        const char* text;
        int records;
    };
    const Case cases[] = {
        {"printf 'a,b\\n1,2\\n3\\n'; yes 1,2", kMaxInputBytes,
         "Line 3 while loading pipe: expected 2 columns of data but found 1", 1},
        {"yes 1,2", 1 << 16, "Data file larger than 65536 bytes: pipe", 0},
    };
    for (const Case& c : cases) {
        FILE* pipe = popen(c.command, "r");
        ASSERT_NE(pipe, nullptr);
        DataSet data;
        const DataFileParams params;
        DataFileReader reader(data, params, c.limit);
        std::string message;
        EXPECT_FALSE(reader.ReadRecords(pipe, "pipe", message));
        pclose(pipe);
        EXPECT_EQ(message, c.text);
        EXPECT_EQ(data.GetRecordCount(), c.records) << c.text;
    }
}

// A file is counted as it is read: the line that brings the data set past its limit of cells is refused
// with -42, and the data set keeps what it held; one at the limit is read whole.
TEST(DataFileReader, AFileBeyondTheLimitOfCellsIsRefusedAtItsLine) {
    const std::string tail =
        " records passes its limit of 198 cells (a variable counts 64 besides its records)";
    struct Case {
        const char* content;
        int status;
        std::string text;
    };
    const Case cases[] = {
        {"a,b,c\n1,2,3\n4,5,6\n", kSuccess, "a:i[1,4] b:i[2,5] c:i[3,6]"},
        {"a,b,c\n1,2,3\n4,5,6\n7,8,9\n", kOutOfMemory, "Line 4: a data set of 3 variables and 3" + tail},
        {"a,b,c,d\n1,2,3,4\n", kOutOfMemory, "Line 1: a data set of 4 variables and 0" + tail},
        {"a,b,c\n1,2,1e39\n4,5,6\n7,8,9\n", kFileIoFailed, "Line 2: number 1e39 in column 3 is out of range"},
    };
    for (const Case& c : cases) {
        TempFile file(".txt");
        file.Write(c.content);
        DataSet data(3 * (2 + kDataVariableCells));
        ASSERT_EQ(data.AddIntVariable("kept", -1), kSuccess);
        std::string message;
        const int status = data.ReadFile(file.c_str(), nullptr, &message);
        EXPECT_EQ(status, c.status) << c.content;
        EXPECT_EQ(status == kSuccess ? Describe(data) : Unnamed(message, file), c.text);
        if (status != kSuccess) {
            EXPECT_EQ(Describe(data), "kept:i[]");
        }
    }
    errorLog.Flush();
    DataSet data(100);
    TempFile file(".txt");
    file.Write("a,b\n");
    EXPECT_EQ(data.ReadFile(file.c_str(), nullptr, nullptr), kOutOfMemory);
    EXPECT_EQ(vovido::test::LoggedMessages(),
              std::vector<std::string>{"Line 1 while loading " + file.path() +
                                       ": a data set of 2 variables and 0 records passes its limit of 100 "
                                       "cells (a variable counts 64 besides its records)"});
    errorLog.Flush();
}

// A file larger than its first block, whose size could hold more records than the data set takes, has
// its lines counted before they are read: one past the limit is refused at the same line as one read line
// by line, a CR LF or a carriage return alone ending lines as when read; blank lines at its end are no
// records, and a file within the limit is read whole.
TEST(DataFileReader, ALargeFileIsCountedBeforeItsLinesAreRead) {
    constexpr int64_t kCells = int64_t{1} << 18;
    const auto lines = [](const std::string& line, int64_t count) {
        std::string text;
        for (int64_t i = 0; i < count; ++i) text += line;
        return text;
    };
    const int64_t fitOne = kCells - kDataVariableCells;      // records of one column
    const int64_t fitTwo = kCells / 2 - kDataVariableCells;  // of two
    const std::string tail = " passes its limit of 262144 cells (a variable counts 64 besides its records)";
    const auto refusal = [&tail](int variables, int64_t records, int64_t line) {
        return "Line " + std::to_string(line) + ": a data set of " + std::to_string(variables) +
               " variables and " + std::to_string(records) + " records" + tail;
    };
    struct Case {
        std::string content;
        int status;
        std::string text;  // the refusal, or the records read
    };
    const Case cases[] = {
        {"a\n" + lines("1\n", fitOne + 5), kOutOfMemory, refusal(1, fitOne + 1, fitOne + 2)},
        {"a\r\n" + lines("1\r\n", fitOne + 1), kOutOfMemory, refusal(1, fitOne + 1, fitOne + 2)},
        {"a\r" + lines("1\r", fitOne + 1), kOutOfMemory, refusal(1, fitOne + 1, fitOne + 2)},
        {"a\n" + lines("1\n", fitOne - 1) + "\n1\n", kOutOfMemory, refusal(1, fitOne + 1, fitOne + 2)},
        {"a,b\n" + lines("1,2\n", fitTwo + 1), kOutOfMemory, refusal(2, fitTwo + 1, fitTwo + 2)},
        {"a\n" + lines("1\n", fitOne) + lines(" \n", 1000), kSuccess, std::to_string(fitOne)},
        {"a\n" + lines("22\n", fitOne), kSuccess, std::to_string(fitOne)},
    };
    for (const Case& c : cases) {
        TempFile file(".txt");
        file.Write(c.content);
        DataSet data(kCells);
        std::string message;
        const int status = data.ReadFile(file.c_str(), nullptr, &message);
        EXPECT_EQ(status, c.status) << c.text;
        EXPECT_EQ(status == kSuccess ? std::to_string(data.GetRecordCount()) : Unnamed(message, file),
                  c.text);
    }
}

TEST(DataFileReader, WideHeaders) {
    std::string header;
    for (int c = 0; c < 20000; ++c) header += "c" + std::to_string(c) + ",";
    const std::string wide = header + "last\n" + std::string(20000, ',') + "1\n";
    DataSet data;
    TempFile file(".txt");
    file.Write(wide);
    ASSERT_EQ(data.ReadFile(file.c_str(), nullptr, nullptr), kSuccess);
    EXPECT_EQ(data.GetVariableCount(), 20001);
    EXPECT_EQ(data.GetInt(20000, 0), 1);
    EXPECT_EQ(Read({(header + "c7\n").c_str(), ""}), "Line 1: Duplicated column name: c7");
}

}  // namespace

namespace {

TEST(DataFileReader, MillionRowsAndARaggedLastLine) {
    std::string content = "a,b\n";
    content.reserve(8 * kManyRows);
    for (int r = 0; r < kManyRows; ++r) content += r % 1000 == 7 ? "*,x\n" : "1,y\n";
    TempFile ragged(".txt");
    ragged.Write(content + "1\n");
    TempFile file(".txt");
    file.Write(content);
    DataSet data;
    std::string message;
    EXPECT_EQ(data.ReadFile(ragged.c_str(), nullptr, &message), kFileIoFailed);
    EXPECT_EQ(Unnamed(message, ragged),
              "Line " + std::to_string(kManyRows + 2) + ": expected 2 columns of data but found 1");
    EXPECT_EQ(data.GetRecordCount(), 0);  // what the set held
    ASSERT_EQ(data.ReadFile(file.c_str(), nullptr, &message), kSuccess);
    ASSERT_EQ(data.GetRecordCount(), kManyRows);
    EXPECT_TRUE(data.IsMissing(0, kManyRows - 993));
    EXPECT_EQ(data.GetInt(1, kManyRows - 993), 0);
    EXPECT_EQ(data.GetInt(1, kManyRows - 1), 1);
}

}  // namespace
