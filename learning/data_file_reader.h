#pragma once
// The reader of delimited data files: one record per line, an optional header line of column names,
// the separator taken from the first line, and the kind of each column (integers, floats or named
// states) decided by the values found in it.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/size_limits.h"
#include "learning/data_set.h"

class DataFileReader {
public:
    DataFileReader(DataSet& data, const DataFileParams& params, int64_t maxInputBytes = kMaxInputBytes)
        : data_(data), params_(params), maxInputBytes_(maxInputBytes) {}
    DataFileReader(const DataFileReader&) = delete;
    DataFileReader& operator=(const DataFileReader&) = delete;

    // Reads the open file into the (emptied) data set. On failure the message says why and names the
    // line; the data set then holds the records of the lines before the failing one. Lines are checked
    // as they arrive, so a faulty stream fails at its first bad line; more than maxInputBytes of input
    // is refused as too large, keeping no records; so is a line that brings the data set past its limit of
    // cells (TooLarge() then tells it from a faulty file).
    bool ReadRecords(FILE* file, const std::string& fileName, std::string& message);
    // The same for the whole text of a file.
    bool ReadText(const char* text, size_t size, std::string& message);
    bool TooLarge() const { return tooLarge_; }

private:
    struct Token {
        const char* text;
        size_t length;
        bool missing;
    };
    // What the first scan learnt about a column.
    struct ColumnKind {
        int kind = 0;  // 0 ints, 1 floats, 2 named states
        // Numbers a cell of the column cannot hold, refused unless the column turns out to hold states
        // (where a number is the name of one): the first one no numeric cell holds (finite but beyond the
        // floats, below their normal range, or an int beyond the ints that a float would change), and the
        // first whole number of the ints' range that a float would change (16777217), refused when the
        // column holds floats. NaN and infinity are float values.
        struct Refused {
            long record = -1;
            std::string text;
            const char* reason = nullptr;
        };
        Refused unheld;
        Refused inexact;
    };
    // The next complete line [begin, end) after the last one taken, without its line end; at the end of
    // the input also a last line without a line feed. False when there is none (yet).
    bool NextLine(bool atEnd, const char*& begin, const char*& end);
    // Cuts the line into tokens_; the count found (blank separator: an empty last token not counted).
    size_t SplitLine(const char* begin, const char* end, bool dataMode);
    // The header from the first line, then every record line held so far is checked and classified.
    bool TakeLines(bool atEnd, std::string& message);
    bool ReadHeader(const char* begin, const char* end, std::string& message);
    bool Classify(const char* begin, const char* end, std::string& message);
    // Appends the next block of the file to the text: kSuccess, kEndOfFile, kOutOfMemory past the input's
    // limit or kFileIoFailed, with the message.
    int ReadBlock(FILE* file, std::string& message);
    // Whether a file of this size could hold more records than the data set takes, its columns known.
    bool MayPassLimit(int64_t fileSize) const;
    // With the whole file held: whether its lines after those taken make more records than the data set
    // takes, counted without reading them; the message then refuses the first such line.
    bool RecordsPassLimit(std::string& message);
    // Ends the input with a line feed unless it has one.
    void EndInput();
    // Ends the read: the cells of the records classified are stored; `complete` is the result. A number
    // that its column, of the kind now settled, cannot hold fails the read at its line, before any later
    // failure, keeping the records before it.
    bool Finish(bool complete, std::string& message);
    void Store(long records);
    // "Line N while loading F" (the file when the read has one).
    std::string LineText(long line) const;
    // The formatted text at its line; line 0 is the header's fault, named at line 1 when a file is read.
    void Fail(std::string& message, long line, const char* format, long a, long b) const;
    // Refuses the line that would bring the data set to so many variables and records past its limit.
    bool CheckSize(size_t variables, long records, long line, std::string& message);

    DataSet& data_;
    const DataFileParams& params_;
    const int64_t maxInputBytes_;
    std::string fileName_;  // named in the messages; none for a text read
    std::vector<char> text_;
    size_t position_ = 0;  // start of the next line to take
    size_t scanned_ = 0;   // no line end in [position_, scanned_)
    // No line feed in [scanned_, feed_): the next one is at feed_, unless feed_ is where the text ended
    // when it was searched.
    size_t feed_ = 0;
    bool headerRead_ = false;
    size_t dataStart_ = 0;        // where the records begin
    long headerLines_ = 0;        // lines before the first record
    long records_ = 0;            // records classified
    long pendingBlankLines_ = 0;  // blank lines since the last record
    char separator_ = 0;
    bool tooLarge_ = false;
    std::vector<Token> tokens_;
    std::vector<ColumnKind> kinds_;
};
