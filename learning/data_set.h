#pragma once
// Learning data: variables (columns) and records (rows), stored column by column in 32-bit cells,
// ints for a discrete variable and floats for a continuous one.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/size_limits.h"

class VRX_network;

struct DataSetVariable {
    bool discrete = true;
    std::string name;
    int32_t missingInt = -1;
    float missingFloat = 0.0f;  // NaN once added; see DataSet::AddVariable
    // Cell value i stands for stateNames[i]; empty when the cells stand for themselves.
    std::vector<std::string> stateNames;
};

// The tie of one data set column to a network node.
struct DataMatch {
    int node = -1;
    int slice = 0;
    int column = -1;
};

// Options of one data file read.
struct DataFileParams {
    std::string missingMark = "*";
    int32_t missingInt = -1;
    float missingFloat;  // NaN
    bool hasHeader = true;
    DataFileParams();
};

class DataSet;
// "<learner>: column [x] holds inf in record 3: only finite values can be <done>".
std::string NonFiniteText(const char* learner, const DataSet& data, int v, int r, const char* done);

class DataSet {
public:
    // A limit of cells below kMaxDataSetCells lets a caller (or a test) keep smaller data.
    explicit DataSet(int64_t maxCells = kMaxDataSetCells) : maxCells_(maxCells) {}
    virtual ~DataSet();
    DataSet(const DataSet&) = delete;
    DataSet& operator=(const DataSet&) = delete;

    int GetVariableCount() const { return static_cast<int>(variables.size()); }
    int GetRecordCount() const { return records_; }
    const DataSetVariable& GetVariable(int v) const { return variables[v]; }
    // First variable with exactly this name; -1 for none or for the empty name.
    int FindVariable(const std::string& name) const;
    // How messages name a variable: its name, or "column N" (from 1, as the file counts its columns)
    // when it has none.
    std::string Label(int v) const;

    // kDuplicatedIdentifier for a duplicate non-empty name, or -42 past the limit of cells with the reason
    // in the error log (nothing changes); else appends the variable with a column of GetRecordCount()
    // missing cells.
    [[nodiscard]] int AddVariable(const std::string& name, bool discrete, int32_t missingInt,
                                  float missingFloat);
    [[nodiscard]] int AddIntVariable(const std::string& name, int32_t missingInt);
    [[nodiscard]] int AddFloatVariable(const std::string& name, float missingFloat);
    // One missing cell more in every column; nothing without variables. -42 with the reason in the error
    // log when the data set would pass its limit of cells (see CheckSize); nothing changes then.
    int AddEmptyRecord();
    // 0 when a data set of so many variables and records stays within its limit of cells, counting
    // kDataVariableCells a variable besides its records; else -42 with the reason in the holder.
    int CheckSize(int64_t variables, int64_t records, std::string& message) const;
    // kOutOfRange for a bad index; with the cause in the error log, kInvalidData for a continuous
    // variable or a name given twice, kOutOfRange when a cell that is not missing holds a value without
    // a name. Nothing changes then; the cells stay as they are.
    [[nodiscard]] int SetStateNames(int v, const std::vector<std::string>& names);

    // Cell access; callers check the indices. A cell of the other kind reads converted as a Java cast
    // converts it (a float truncated toward 0, NaN as 0, beyond the ints at the nearest end). A write
    // stores the value converted into the cell's kind and marks the cell missing exactly when that is
    // the variable's marker of the cell's kind. A write the cell cannot hold (a value that converts
    // inexactly, a state index outside the state names) is refused with -4 or -2 and its reason,
    // naming the variable and the record, in the error log; the cell keeps its value.
    int32_t GetInt(int v, int r) const {
        const int32_t cell = columns[v].cells[r];
        return variables[v].discrete ? cell : FloatCellToInt(cell);
    }
    float GetFloat(int v, int r) const;
    int SetInt(int v, int r, int32_t value);
    int SetFloat(int v, int r, float value);
    // The checks of those writes alone: 0, or the status with the reason in the holder.
    int CheckInt(int v, int r, int32_t value, std::string& message) const;
    int CheckFloat(int v, int r, float value, std::string& message) const;
    // Whether the cell holds no value. Cells are flagged one by one, so a value that happens to equal
    // the marker (a -1 read from a file) stays a value.
    bool IsMissing(int v, int r) const { return columns[v].missing[r] != 0; }
    // Whether the float cell is missing with respect to the marker: with a NaN marker every NaN cell.
    bool IsMissingFloat(int v, int r, float marker) const;
    // Any missing cell in the variable's column.
    bool HasMissing(int v) const;
    // The first record whose cell of the continuous variable is a value but no finite number (infinity,
    // or NaN under another marker), -1 when there is none or the variable is discrete.
    int FirstNonFinite(int v) const;
    // 0 when a table of at most `limit` cells can hold the variable's `states` states; else -42 with the
    // reason in the error log (a learner would build tables of at least that many cells for it).
    int CheckStateCount(int v, int64_t states, int64_t limit = kMaxTableCells) const;

    void DeleteColumns();
    // Replaces the contents by a delimited text file. 0, or kFileIoFailed with the reason in the holder (or
    // in the error log, kDataFileFailed, without a holder).
    [[nodiscard]] int ReadFile(const char* fileName, const DataFileParams* params, std::string* message);
    // Ties the columns to the network's nodes by name and rewrites discrete columns with state names
    // into outcome indices of their nodes. 0, kOutOfRange, kInvalidData or kWrongNodeType with the reason in
    // the holder.
    [[nodiscard]] int MatchNetwork(VRX_network& network, std::vector<DataMatch>& matches,
                                   std::string& message);

private:
    friend class DataFileReader;
    static int32_t FloatCellToInt(int32_t bits);
    // "Variable 1 (b), record 2": how a refused write names its cell.
    std::string CellName(int v, int r) const;
    struct Column {
        std::vector<int32_t> cells;  // ints, or float bits for a continuous variable
        std::vector<uint8_t> missing;
    };
    void Clear();
    int LogSizeRefusal(int64_t variables, int64_t records) const;
    // AddVariable without the look-up of the name, for callers that know it is new.
    void AppendVariable(const std::string& name, bool discrete, int32_t missingInt, float missingFloat);
    // Replaces a column and the variable's kind and markers at once (used by the reader).
    void ReplaceColumn(int v, const DataSetVariable& variable, Column&& column);

    std::vector<DataSetVariable> variables;
    std::vector<Column> columns;
    // The first variable of each non-empty name, so that adding many variables checks each name at once.
    std::unordered_map<std::string, int> names_;
    int64_t maxCells_;
    int records_ = 0;
    // Every column holds this many cells, those past records_ missing already: a record added to many
    // columns then writes none of them, and the columns grow together, a block of records at a time.
    int capacity_ = 0;
};
