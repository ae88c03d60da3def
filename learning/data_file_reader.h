#pragma once
// The reader of delimited data files: one record per line, an optional header line of column names,
// the separator taken from the first line, and the kind of each column (integers, floats or named
// states) decided by the values found in it.

#include <cstdio>
#include <string>
#include <vector>

#include "learning/data_set.h"

class DataFileReader {
public:
    DataFileReader(DataSet& data, const DataFileParams& params) : data_(data), params_(params) {}
    DataFileReader(const DataFileReader&) = delete;
    DataFileReader& operator=(const DataFileReader&) = delete;

    // Reads the open file into the (emptied) data set. On failure the message says why and names the
    // line; the data set then holds the records of the lines before the failing one.
    bool ReadRecords(FILE* file, const std::string& fileName, std::string& message);
    // The same for the whole text of a file.
    bool ReadText(const char* text, size_t size, std::string& message);

private:
    struct Token {
        const char* text;
        size_t length;
        bool missing;
    };
    // What the first scan learnt about a column.
    struct ColumnKind {
        int kind = 0;            // 0 ints, 1 floats, 2 named states
        long firstWordRow = -1;  // the record of the first word of a state column
    };
    bool LoadFile(FILE* file);
    bool ReadLoaded(std::string& message);
    // The next line [begin, end) without its line end; false at the end of the text.
    bool ReadLine(size_t& position, const char*& begin, const char*& end);
    // Cuts the line into tokens_; the count found (blank separator: an empty last token not counted).
    size_t SplitLine(const char* begin, const char* end, bool dataMode);
    bool ReadHeader(std::string& message);
    bool Classify(long& records, std::string& message);
    void Store(long records);
    void Fail(std::string& message, const char* format, long a, long b, long c) const;

    DataSet& data_;
    const DataFileParams& params_;
    std::vector<char> text_;
    size_t dataStart_ = 0;  // where the records begin
    long headerLines_ = 0;  // lines before the first record
    char separator_ = 0;
    std::vector<Token> tokens_;
    std::vector<ColumnKind> kinds_;
};
