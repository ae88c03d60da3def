// Reading delimited data files into a data set, one column kind decided per column.
#include "learning/data_file_reader.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <string_view>
#include <unordered_set>

#include "base/error_log.h"
#include "base/number_text.h"
#include "base/replacing_file.h"
#include "base/status_codes.h"

namespace {

constexpr char kNoFirstLine[] = "Can't read first line of file";

constexpr size_t kMaxUnseparatedFirstLine = 128;

// What a read of the file asks for at a time.
constexpr size_t kReadBlock = size_t{1} << 16;

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(const char* text, size_t length, const std::string& mark) {
    if (length != mark.size()) return false;
    for (size_t i = 0; i < length; ++i) {
        if (LowerAscii(text[i]) != LowerAscii(mark[i])) return false;
    }
    return true;
}

bool OnlyBlanks(const char* begin, const char* end) {
    for (; begin < end; ++begin) {
        if (*begin != ' ') return false;
    }
    return true;
}

// A number is what strtod reads from the token's start, followed by blanks only. Plain decimals of at
// most 15 digits (the usual case) are read directly: the digits and the power of ten are then exact
// doubles, so their quotient is the correctly rounded value that strtod gives too.
bool ParseNumber(const char* text, size_t length, double& value) {
    static const double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                     1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* end = text + length;
    const char* p = text;
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    int64_t digits = 0;
    int count = 0, fraction = 0;
    for (; p < end && *p >= '0' && *p <= '9' && count < 16; ++p, ++count) digits = digits * 10 + (*p - '0');
    if (p < end && *p == '.') {
        for (++p; p < end && *p >= '0' && *p <= '9' && count < 16; ++p, ++count, ++fraction)
            digits = digits * 10 + (*p - '0');
    }
    if (count > 0 && count < 16 && OnlyBlanks(p, end)) {
        const double magnitude = static_cast<double>(digits) / kPowers[fraction];
        value = negative ? -magnitude : magnitude;
        return true;
    }
    // strtod skips leading white space (tabs, line ends); skipped here within the token, so it never
    // runs on into the following lines.
    const char* start = text;
    while (start < end && (*start == ' ' || *start == '\t' || *start == '\n' || *start == '\v' ||
                           *start == '\f' || *start == '\r'))
        ++start;
    if (start == end) return false;
    char* stop = nullptr;
    value = std::strtod(start, &stop);
    return stop != start && stop <= end && OnlyBlanks(stop, end);
}

// Whether a number token is strtod's spelling of infinity ("inf", "-Infinity"), not a number beyond the
// doubles that strtod made infinite.
bool SpellsInfinity(const char* text, size_t length) {
    const char* end = text + length;
    while (text < end && (*text == '+' || *text == '-')) ++text;
    return text < end && LowerAscii(*text) == 'i';
}

// Whether the token is written as a whole number: a sign at most, then digits only.
bool SpellsWholeNumber(const char* text, size_t length) {
    const char* end = text + length;
    while (end > text && end[-1] == ' ') --end;
    if (text < end && (*text == '+' || *text == '-')) ++text;
    if (text == end) return false;
    for (; text < end; ++text) {
        if (*text < '0' || *text > '9') return false;
    }
    return true;
}

// Whether the number's digits (before its exponent) are not all zeros: strtod gives 0 for such a number
// only when it lies below the doubles.
bool HasNonZeroDigit(const char* text, size_t length) {
    const char* end = text + length;
    const char* p = text;
    while (p < end && (*p == ' ' || *p == '\t' || *p == '+' || *p == '-')) ++p;
    const bool hex = end - p > 1 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
    if (hex) p += 2;
    for (; p < end; ++p) {
        const char c = *p;
        if (c == '.') continue;
        if (c >= '1' && c <= '9') return true;
        if (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return true;
        if (c != '0') return false;
    }
    return false;
}

bool IsIntValue(double value) {
    return std::floor(value) == value && value >= INT32_MIN && value <= INT32_MAX;
}

// The 1-based column of the first NUL byte in the line, 0 when there is none: names and cells end at one
// wherever they are handed on as C strings, so a NUL would silently cut them.
long NulColumn(const char* begin, const char* end, char separator) {
    const void* nul = std::memchr(begin, '\0', static_cast<size_t>(end - begin));
    if (nul == nullptr) return 0;
    const char* at = static_cast<const char*>(nul);
    return separator != 0 ? 1 + std::count(begin, at, separator) : 1;
}

}  // namespace

std::string DataFileReader::LineText(long line) const {
    std::string text = "Line " + std::to_string(line);
    if (!fileName_.empty()) text += " while loading " + fileName_;
    return text;
}

void DataFileReader::Fail(std::string& message, long line, const char* format, long a, long b) const {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, format, a, b);
    // A fault of the header line alone is named by the file, when there is one, at line 1.
    message = line > 0            ? LineText(line) + ": " + buffer
              : fileName_.empty() ? std::string(buffer)
                                  : LineText(1) + ": " + buffer;
}

bool DataFileReader::CheckSize(size_t variables, long records, long line, std::string& message) {
    std::string reason;
    if (data_.CheckSize(static_cast<int64_t>(variables), records, reason) == kSuccess) return true;
    // Counted as the lines arrive, so that the data is refused before it is stored.
    reason[0] = LowerAscii(reason[0]);
    message = LineText(line) + ": " + reason;
    tooLarge_ = true;
    return false;
}

bool DataFileReader::NextLine(bool atEnd, const char*& begin, const char*& end) {
    const size_t size = text_.size();
    if (position_ >= size) return false;
    const char* base = text_.data();
    const char* stop = base + size;
    // A line ends at a line feed, a carriage return and line feed, or a carriage return alone (as
    // spreadsheets of classic Mac systems write).
    // The next line feed is searched for once, not again for each line a return alone ends before it.
    if (feed_ < scanned_ || (feed_ < size && base[feed_] != '\n')) {
        const size_t from = std::max(feed_, scanned_);
        const void* feed = std::memchr(base + from, '\n', size - from);
        feed_ = feed != nullptr ? static_cast<size_t>(static_cast<const char*>(feed) - base) : size;
    }
    const char* lineEnd = base + feed_;
    const void* cr = std::memchr(base + scanned_, '\r', static_cast<size_t>(lineEnd - (base + scanned_)));
    if (cr != nullptr) lineEnd = static_cast<const char*>(cr);
    // A return at the end of what has arrived may be followed by its line feed.
    const bool waiting = lineEnd == stop || (*lineEnd == '\r' && lineEnd + 1 == stop);
    if (waiting && !atEnd) {
        scanned_ = static_cast<size_t>(lineEnd - base);  // a line still arriving is not searched again
        return false;
    }
    begin = base + position_;
    end = lineEnd;
    const bool crlf = lineEnd + 1 < stop && lineEnd[0] == '\r' && lineEnd[1] == '\n';
    position_ = static_cast<size_t>(end - base) + (crlf ? 2 : 1);
    scanned_ = position_;
    return true;
}

size_t DataFileReader::SplitLine(const char* begin, const char* end, bool dataMode) {
    tokens_.clear();
    const char* start = begin;
    for (;;) {
        const char* stop =
            separator_ != 0 ? static_cast<const char*>(std::memchr(start, separator_, end - start)) : nullptr;
        if (stop == nullptr) stop = end;
        tokens_.push_back(Token{start, static_cast<size_t>(stop - start), false});
        if (stop == end) break;
        start = stop + 1;
    }
    size_t found = tokens_.size();
    if (dataMode && separator_ == ' ' && tokens_.back().length == 0) {
        tokens_.pop_back();
        --found;
    }
    // Blanks around a name or cell (a tab too, unless it separates) are no part of it.
    const bool tabBlank = separator_ != '\t';
    for (Token& token : tokens_) {
        while (token.length > 0 && (*token.text == ' ' || (tabBlank && *token.text == '\t'))) {
            ++token.text;
            --token.length;
        }
        while (token.length > 0 &&
               (token.text[token.length - 1] == ' ' || (tabBlank && token.text[token.length - 1] == '\t')))
            --token.length;
        token.missing = dataMode && (token.length == 0 ||
                                     EqualsIgnoringCase(token.text, token.length, params_.missingMark));
    }
    return found;
}

bool DataFileReader::ReadHeader(const char* begin, const char* end, std::string& message) {
    // A byte-order mark of UTF-8, as spreadsheets write it, is no part of the first name.
    static constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
    if (end - begin >= 3 && std::memcmp(begin, kByteOrderMark, 3) == 0) begin += 3;
    separator_ = 0;
    for (char candidate : {'\t', ',', ';', ' '}) {
        if (std::memchr(begin, candidate, end - begin) != nullptr) {
            separator_ = candidate;
            break;
        }
    }
    if (separator_ == 0 && static_cast<size_t>(end - begin) > kMaxUnseparatedFirstLine) {
        Fail(message, 0, "First line has more than 128 characters and no separators were found", 0, 0);
        return false;
    }
    if (const long column = NulColumn(begin, end, separator_)) {
        Fail(message, 1, "NUL byte in column %ld", column, 0);
        return false;
    }
    tokens_.reserve(32);
    const size_t raw = end - begin;
    SplitLine(begin, end, false);
    const char* lastStart = begin;
    for (const char* p = begin; p < end; ++p) {
        if (*p == separator_) lastStart = p + 1;
    }
    if (raw == 0 || lastStart == end) {
        Fail(message, 0, "Trailing separator found in header line", 0, 0);
        return false;
    }
    const float nan = std::numeric_limits<float>::quiet_NaN();
    if (!CheckSize(tokens_.size(), 0, 1, message)) return false;
    if (params_.hasHeader) {
        // The names seen so far in a hash set: a look-up per column keeps wide files linear.
        std::unordered_set<std::string_view> names;
        names.reserve(tokens_.size());
        for (size_t i = 0; i < tokens_.size(); ++i) {
            if (tokens_[i].length == 0) {
                Fail(message, 0, "Column name %ld is empty", static_cast<long>(i + 1), 0);
                return false;
            }
            const std::string_view name(tokens_[i].text, tokens_[i].length);
            if (!names.insert(name).second) {
                Fail(message, 0, "Duplicated column name: ", 0, 0);
                message += std::string(name);
                return false;
            }
            data_.AppendVariable(std::string(name), true, params_.missingInt, nan);
        }
        dataStart_ = position_;
        headerLines_ = 1;
    } else {
        for (size_t i = 0; i < tokens_.size(); ++i)
            data_.AppendVariable(std::string(), true, params_.missingInt, nan);
        dataStart_ = 0;
        headerLines_ = 0;
    }
    return true;
}

// First scan of a record line: checks its column count and settles each column's kind, so that the
// cells are stored once, in their final form.
bool DataFileReader::Classify(const char* begin, const char* end, std::string& message) {
    const size_t columns = kinds_.size();
    if (const long column = NulColumn(begin, end, separator_)) {
        Fail(message, headerLines_ + records_ + 1, "NUL byte in column %ld", column, 0);
        return false;
    }
    const size_t found = SplitLine(begin, end, true);
    if (found != columns) {
        Fail(message, headerLines_ + records_ + 1, "expected %ld columns of data but found %ld",
             static_cast<long>(columns), static_cast<long>(found));
        return false;
    }
    for (size_t c = 0; c < columns; ++c) {
        const Token& token = tokens_[c];
        ColumnKind& kind = kinds_[c];
        if (token.missing || kind.kind == 2) continue;
        double value;
        if (!ParseNumber(token.text, token.length, value)) {
            kind.kind = 2;
            continue;
        }
        const float cell = static_cast<float>(value);
        const char* unheld = nullptr;
        if (std::isnan(value) || SpellsInfinity(token.text, token.length)) {
            // NaN and infinity are float values as strtod reads them (a NaN cell is missing under the
            // NaN marker).
        } else if (!std::isfinite(cell) ||
                   (value == 0.0 ? HasNonZeroDigit(token.text, token.length)
                                 : std::fpclassify(cell) == FP_SUBNORMAL || cell == 0.0f)) {
            // Cells are floats or ints: a number beyond the floats would become infinite, a non-zero one
            // below their normal range (or below the doubles) would lose its digits or become 0.
            unheld = " is out of range";
        } else if (!IsIntValue(value) && static_cast<double>(cell) != value &&
                   SpellsWholeNumber(token.text, token.length)) {
            // An int beyond the ints' range that a float would change (2147483649).
            unheld = " is out of range";
        }
        ColumnKind::Refused* refused = nullptr;
        if (unheld != nullptr) {
            refused = &kind.unheld;
        } else if (!IsIntValue(value)) {
            kind.kind = 1;
        } else if (static_cast<double>(cell) != value) {
            refused = &kind.inexact;
            unheld = " is out of range";
        }
        if (refused != nullptr && refused->record < 0)
            *refused = {records_, std::string(token.text, token.length), unheld};
    }
    if (!CheckSize(columns, records_ + 1, headerLines_ + records_ + 1, message)) return false;
    ++records_;
    return true;
}

bool DataFileReader::TakeLines(bool atEnd, std::string& message) {
    const char* begin;
    const char* end;
    if (!headerRead_) {
        if (!NextLine(atEnd, begin, end)) {
            if (!atEnd) return true;
            message = kNoFirstLine;
            return false;
        }
        if (!ReadHeader(begin, end, message)) return false;
        headerRead_ = true;
        kinds_.assign(data_.GetVariableCount(), ColumnKind());
        position_ = scanned_ = feed_ = dataStart_;
    }
    while (NextLine(atEnd, begin, end)) {
        // Blank lines are held back: at the end of the file they end it, before a record they are
        // records (of one empty cell, refused unless the file has one column).
        if (OnlyBlanks(begin, end)) {
            ++pendingBlankLines_;
            continue;
        }
        for (; pendingBlankLines_ > 0; --pendingBlankLines_) {
            if (!Classify(begin, begin, message)) return false;
        }
        if (!Classify(begin, end, message)) return false;
    }
    return true;
}

void DataFileReader::Store(long records) {
    const size_t columns = kinds_.size();
    std::vector<DataSet::Column> cells(columns);
    std::vector<std::map<std::string, int, std::less<>>> states(columns);
    for (size_t c = 0; c < columns; ++c) {
        const int kind = kinds_[c].kind;
        int32_t marker = kind == 2 ? -1 : params_.missingInt;
        if (kind == 1) std::memcpy(&marker, &params_.missingFloat, sizeof marker);
        cells[c].cells.assign(records, marker);
        cells[c].missing.assign(records, 0);
    }
    // The records classified are whole lines: taken again from the first, they end where they did.
    position_ = scanned_ = feed_ = dataStart_;
    const char* begin;
    const char* end;
    for (long r = 0; r < records && NextLine(true, begin, end); ++r) {
        SplitLine(begin, end, true);
        for (size_t c = 0; c < columns; ++c) {
            const Token& token = tokens_[c];
            DataSet::Column& column = cells[c];
            if (token.missing) {
                column.missing[r] = 1;
                continue;
            }
            const ColumnKind& kind = kinds_[c];
            if (kind.kind == 2) {
                // A state is its cell's text, numbers before the first word too: one text, one state.
                const std::string_view name(token.text, token.length);
                auto& table = states[c];
                auto found = table.find(name);
                if (found == table.end()) {
                    found = table.emplace(std::string(name), static_cast<int>(table.size())).first;
                }
                column.cells[r] = found->second;
                continue;
            }
            double value = 0.0;
            (void)ParseNumber(token.text, token.length, value);
            if (kind.kind == 0) {
                column.cells[r] = static_cast<int32_t>(value);
            } else {
                const float f = static_cast<float>(value);
                std::memcpy(&column.cells[r], &f, sizeof f);
                // A NaN cell is missing when NaN is the marker (the default), as a NaN written is.
                if (std::isnan(f) && std::isnan(params_.missingFloat)) column.missing[r] = 1;
            }
        }
    }
    for (size_t c = 0; c < columns; ++c) {
        DataSetVariable variable = data_.variables[c];
        const int kind = kinds_[c].kind;
        if (kind == 1) {
            variable.discrete = false;
            variable.missingFloat = params_.missingFloat;
        } else if (kind == 2) {
            variable.missingInt = -1;
            // Names in ascending byte order; the cells follow them.
            std::vector<int> position(states[c].size());
            variable.stateNames.clear();
            for (const auto& entry : states[c]) {
                position[entry.second] = static_cast<int>(variable.stateNames.size());
                variable.stateNames.push_back(entry.first);
            }
            for (long r = 0; r < records; ++r) {
                if (cells[c].missing[r] == 0) cells[c].cells[r] = position[cells[c].cells[r]];
            }
        }
        data_.ReplaceColumn(static_cast<int>(c), variable, std::move(cells[c]));
    }
}

int DataFileReader::ReadBlock(FILE* file, std::string& message) {
    const size_t held = text_.size();
    if (static_cast<int64_t>(held) >= maxInputBytes_) {
        if (std::fgetc(file) == EOF) return kEndOfFile;
        // Refused as a whole: storing what came before would cost more memory again.
        message = "Data file larger than " + std::to_string(maxInputBytes_) + " bytes: " + fileName_;
        return kOutOfMemory;
    }
    const size_t block = static_cast<size_t>(std::min<int64_t>(kReadBlock, maxInputBytes_ - held));
    text_.resize(held + block);
    const size_t got = std::fread(text_.data() + held, 1, block, file);
    text_.resize(held + got);
    if (got > 0) return kSuccess;
    if (!std::ferror(file)) return kEndOfFile;
    message = "Can't read data file: " + fileName_;
    return kFileIoFailed;
}

bool DataFileReader::MayPassLimit(int64_t fileSize) const {
    // A record takes a line end and a separator between each two cells at least.
    const auto columns = static_cast<int64_t>(kinds_.size());
    std::string reason;
    return columns > 0 && data_.CheckSize(columns, fileSize / columns + 1, reason) != kSuccess;
}

bool DataFileReader::RecordsPassLimit(std::string& message) {
    const char* base = text_.data();
    const size_t size = text_.size();
    // Every line up to the last that is not blank is a record (blank ones before it too).
    size_t last = size;
    while (last > position_ && (base[last - 1] == ' ' || base[last - 1] == '\n' || base[last - 1] == '\r'))
        --last;
    if (last <= position_) return false;
    // Line ends: line feeds, and carriage returns without one after them.
    const char* begin = base + position_;
    const char* end = base + last;
    int64_t ends = std::count(begin, end, '\n');
    for (const char* cr = begin; (cr = static_cast<const char*>(std::memchr(cr, '\r', end - cr))) != nullptr;
         ++cr) {
        if (cr + 1 == end || cr[1] != '\n') ++ends;
    }
    const int64_t records = records_ + pendingBlankLines_ + ends + 1;
    const auto columns = static_cast<int64_t>(kinds_.size());
    std::string reason;
    if (data_.CheckSize(columns, records, reason) == kSuccess) return false;
    // The first record past the limit, where the line-by-line read refuses it.
    int64_t low = records_;
    int64_t high = records;
    while (high - low > 1) {
        const int64_t middle = low + (high - low) / 2;
        (data_.CheckSize(columns, middle, reason) == kSuccess ? low : high) = middle;
    }
    return !CheckSize(kinds_.size(), static_cast<long>(high), headerLines_ + static_cast<long>(high),
                      message);
}

bool DataFileReader::ReadRecords(FILE* file, const std::string& fileName, std::string& message) {
    fileName_ = fileName;
    const int64_t fileSize = vovido::RegularFileSize(file);
    bool counted = false;
    for (;;) {
        const int read = ReadBlock(file, message);
        if (read == kEndOfFile) break;
        if (read == kOutOfMemory) return false;
        if (read != kSuccess) return Finish(false, message);
        if (!TakeLines(false, message)) return Finish(false, message);
        // A file whose size could hold more records than a data set takes is read whole and its lines
        // counted before they are classified: one past the limit is refused in a fraction of the time.
        if (!counted && headerRead_ && fileSize >= 0 && MayPassLimit(fileSize)) {
            counted = true;
            // Held whole at the size it has (with room for the last block read), not grown to twice that.
            text_.reserve(static_cast<size_t>(std::min(fileSize, maxInputBytes_)) + kReadBlock + 1);
            int rest = kSuccess;
            while ((rest = ReadBlock(file, message)) == kSuccess) {
            }
            if (rest == kOutOfMemory) return false;
            if (rest != kEndOfFile) return Finish(false, message);
            if (RecordsPassLimit(message)) return Finish(false, message);
        }
    }
    EndInput();
    const bool complete = TakeLines(true, message);
    // An empty file is named, as one that cannot be opened is.
    if (!complete && message == kNoFirstLine) message += ": " + fileName;
    return Finish(complete, message);
}

bool DataFileReader::ReadText(const char* text, size_t size, std::string& message) {
    text_.assign(text, text + size);
    EndInput();
    const bool complete = TakeLines(true, message);
    return Finish(complete, message);
}

void DataFileReader::EndInput() {
    // Every line then ends at a line feed, where strtod stops too.
    if (!text_.empty() && text_.back() != '\n') text_.push_back('\n');
}

bool DataFileReader::Finish(bool complete, std::string& message) {
    // The earliest number its column cannot hold, before any other failure.
    const ColumnKind::Refused* first = nullptr;
    size_t column = 0;
    for (size_t c = 0; c < kinds_.size(); ++c) {
        const ColumnKind& kind = kinds_[c];
        if (kind.kind == 2) continue;
        for (const ColumnKind::Refused* refused : {&kind.unheld, kind.kind == 1 ? &kind.inexact : nullptr}) {
            if (refused == nullptr || refused->record < 0 || refused->record >= records_) continue;
            if (first == nullptr || refused->record < first->record) {
                first = refused;
                column = c;
            }
        }
    }
    if (first != nullptr) {
        records_ = first->record;
        message = LineText(headerLines_ + records_ + 1) + ": number " + first->text + " in column " +
                  std::to_string(column + 1) + first->reason;
        complete = false;
        tooLarge_ = false;
    }
    if (tooLarge_) {
        // Its size alone is the cause, whatever lines before it hold; none is stored.
        kinds_.clear();
        return false;
    }
    if (headerRead_) Store(records_);
    return complete;
}

int DataSet::ReadFile(const char* fileName, const DataFileParams* params, std::string* message) {
    const DataFileParams defaults;
    const std::string name = fileName != nullptr ? fileName : "";
    std::string text;
    int status = kSuccess;
    errno = 0;  // a reason left by an earlier call is not this one's
    FILE* file = vovido::OpenForReading(fileName);
    if (file == nullptr) {
        const int error = errno;
        text = "Can't open data file: " + name;
        if (error != 0) text += ": " + vovido::SystemErrorText(error);
        status = kFileIoFailed;
    } else {
        // Read aside: a failed read keeps the contents the set had, as a network's failed read does.
        DataSet read(maxCells_);
        DataFileReader reader(read, params != nullptr ? *params : defaults);
        if (!reader.ReadRecords(file, name, text)) status = reader.TooLarge() ? kOutOfMemory : kFileIoFailed;
        std::fclose(file);
        if (status == kSuccess) {
            Clear();
            variables.swap(read.variables);
            columns.swap(read.columns);
            names_.swap(read.names_);
            std::swap(records_, read.records_);
            std::swap(capacity_, read.capacity_);
        }
    }
    if (status != kSuccess) {
        if (message != nullptr) {
            *message = text;
        } else {
            LogError(errorLog, status == kOutOfMemory ? status : kDataFileFailed, text.c_str(), nullptr);
        }
    }
    return status;
}
