// Columns and records of learning data, with their editing, matching and writing.
#include "learning/data_set.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <utility>

#include "base/error_log.h"
#include "base/status_codes.h"

namespace {

int32_t FloatBits(float value) {
    int32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

bool IsMarkerFloat(float value, float marker) {
    return std::isnan(marker) ? std::isnan(value) : value == marker;
}

}  // namespace

DataFileParams::DataFileParams() : missingFloat(std::numeric_limits<float>::quiet_NaN()) {}

DataSet::~DataSet() {
    DeleteColumns();
}

int DataSet::FindVariable(const std::string& name) const {
    if (name.empty()) return -1;
    const auto found = names_.find(name);
    return found != names_.end() ? found->second : -1;
}

int DataSet::AddVariable(const std::string& name, bool discrete, int32_t missingInt, float missingFloat) {
    if (!name.empty() && FindVariable(name) >= 0) return kDuplicatedIdentifier;
    if (const int status = LogSizeRefusal(GetVariableCount() + int64_t{1}, GetRecordCount())) return status;
    AppendVariable(name, discrete, missingInt, missingFloat);
    return kSuccess;
}

void DataSet::AppendVariable(const std::string& name, bool discrete, int32_t missingInt, float missingFloat) {
    const int records = capacity_;
    DataSetVariable variable;
    variable.discrete = discrete;
    variable.name = name;
    variable.missingInt = missingInt;
    variable.missingFloat = missingFloat;
    Column column;
    column.cells.assign(records, discrete ? missingInt : FloatBits(missingFloat));
    column.missing.assign(records, 1);
    if (!name.empty()) names_.emplace(name, static_cast<int>(variables.size()));
    variables.push_back(std::move(variable));
    columns.push_back(std::move(column));
}

int DataSet::AddIntVariable(const std::string& name, int32_t missingInt) {
    return AddVariable(name, true, missingInt, std::numeric_limits<float>::quiet_NaN());
}

int DataSet::AddFloatVariable(const std::string& name, float missingFloat) {
    return AddVariable(name, false, -1, missingFloat);
}

int DataSet::CheckSize(int64_t variables, int64_t records, std::string& message) const {
    if (variables * (records + kDataVariableCells) <= maxCells_) return kSuccess;
    message = "A data set of " + std::to_string(variables) + " variables and " + std::to_string(records) +
              " records passes its limit of " + std::to_string(maxCells_) + " cells (a variable counts " +
              std::to_string(kDataVariableCells) + " besides its records)";
    return kOutOfMemory;
}

int DataSet::LogSizeRefusal(int64_t variables, int64_t records) const {
    std::string message;
    const int status = CheckSize(variables, records, message);
    return status == kSuccess ? status : LogError(errorLog, status, message.c_str(), nullptr);
}

int DataSet::AddEmptyRecord() {
    if (variables.empty()) return kSuccess;
    if (const int status = LogSizeRefusal(GetVariableCount(), GetRecordCount() + int64_t{1})) return status;
    if (records_ == capacity_) {
        // A quarter more, up to the limit: each column is written once a block, in one sweep.
        const int64_t fit = maxCells_ / GetVariableCount() - kDataVariableCells;
        const auto grown = static_cast<int>(
            std::min<int64_t>({int64_t{records_} + std::max(records_ / 4, 16), fit, INT32_MAX}));
        for (size_t v = 0; v < variables.size(); ++v) {
            const DataSetVariable& variable = variables[v];
            Column& column = columns[v];
            // Reserved first: a plain resize would double the capacity.
            column.cells.reserve(grown);
            column.missing.reserve(grown);
            column.cells.resize(grown,
                                variable.discrete ? variable.missingInt : FloatBits(variable.missingFloat));
            column.missing.resize(grown, 1);
        }
        capacity_ = grown;
    }
    ++records_;
    return kSuccess;
}

int DataSet::SetStateNames(int v, const std::vector<std::string>& names) {
    if (v < 0 || v >= GetVariableCount()) return kOutOfRange;
    const std::string column = "column [" + Label(v) + "]";
    if (!variables[v].discrete) {
        const std::string text =
            "Column [" + Label(v) + "] is continuous: only discrete columns have state names";
        return LogError(errorLog, kInvalidData, text.c_str(), nullptr);
    }
    // A name given twice would make two states one when the column is matched by name.
    std::map<std::string, size_t> seen;
    for (size_t i = 0; i < names.size(); ++i) {
        const auto found = seen.emplace(names[i], i);
        if (found.second) continue;
        const std::string text = "State name '" + names[i] + "' is given twice for " + column +
                                 ", as states " + std::to_string(found.first->second) + " and " +
                                 std::to_string(i);
        return LogError(errorLog, kInvalidData, text.c_str(), nullptr);
    }
    // Every value the cells hold needs its name, or the records holding it would be lost to the learners.
    for (int r = 0; !names.empty() && r < records_; ++r) {
        const int32_t value = columns[v].cells[r];
        if (IsMissing(v, r) || (value >= 0 && static_cast<size_t>(value) < names.size())) continue;
        const std::string text = std::to_string(names.size()) + " state name" +
                                 (names.size() == 1 ? " is" : "s are") + " too few for " + column +
                                 ": record " + std::to_string(r) + " holds the value " +
                                 std::to_string(value);
        return LogError(errorLog, kOutOfRange, text.c_str(), nullptr);
    }
    variables[v].stateNames = names;
    return kSuccess;
}

float DataSet::GetFloat(int v, int r) const {
    const int32_t cell = columns[v].cells[r];
    if (variables[v].discrete) return static_cast<float>(cell);
    float value;
    std::memcpy(&value, &cell, sizeof value);
    return value;
}

int32_t DataSet::FloatCellToInt(int32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0f) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

std::string NonFiniteText(const char* learner, const DataSet& data, int v, int r, const char* done) {
    char value[32];
    std::snprintf(value, sizeof value, "%g", data.GetFloat(v, r));
    return std::string(learner) + ": column [" + data.Label(v) + "] holds " + value + " in record " +
           std::to_string(r) + ": only finite values can be " + done;
}

int DataSet::FirstNonFinite(int v) const {
    if (variables[v].discrete) return -1;
    for (int r = 0; r < records_; ++r) {
        if (!IsMissing(v, r) && !std::isfinite(GetFloat(v, r))) return r;
    }
    return -1;
}

std::string DataSet::Label(int v) const {
    return variables[v].name.empty() ? "column " + std::to_string(v + 1) : variables[v].name;
}

std::string DataSet::CellName(int v, int r) const {
    return "Variable " + std::to_string(v) + " (" + variables[v].name + "), record " + std::to_string(r);
}

int DataSet::CheckInt(int v, int r, int32_t value, std::string& message) const {
    const DataSetVariable& variable = variables[v];
    if (!variable.discrete) {
        if (static_cast<int64_t>(static_cast<float>(value)) == value) return kSuccess;
        message = CellName(v, r) + ": the float cell cannot hold " + std::to_string(value) + " exactly";
        return kInvalidData;
    }
    const auto states = static_cast<int64_t>(variable.stateNames.size());
    if (states > 0 && value != variable.missingInt && (value < 0 || value >= states)) {
        message = "Invalid state index " + std::to_string(value) + " for variable " + std::to_string(v) +
                  ", valid range is 0.." + std::to_string(states - 1);
        return kOutOfRange;
    }
    return kSuccess;
}

int DataSet::CheckFloat(int v, int r, float value, std::string& message) const {
    if (!variables[v].discrete) return kSuccess;
    // Within the ints and whole: the float converts exactly.
    if (value >= -2147483648.0f && value < 2147483648.0f && std::trunc(value) == value)
        return CheckInt(v, r, static_cast<int32_t>(value), message);
    char text[32];
    if (std::isnan(value)) {
        std::snprintf(text, sizeof text, "NaN");
    } else if (std::isinf(value)) {
        std::snprintf(text, sizeof text, value > 0 ? "Infinity" : "-Infinity");
    } else {
        std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    }
    message = CellName(v, r) + ": the int cell cannot hold " + text + " exactly";
    return kInvalidData;
}

int DataSet::SetInt(int v, int r, int32_t value) {
    std::string message;
    const int status = CheckInt(v, r, value, message);
    if (status != kSuccess) return LogError(errorLog, status, message.c_str(), nullptr);
    if (!variables[v].discrete) return SetFloat(v, r, static_cast<float>(value));
    columns[v].cells[r] = value;
    columns[v].missing[r] = value == variables[v].missingInt ? 1 : 0;
    return kSuccess;
}

int DataSet::SetFloat(int v, int r, float value) {
    std::string message;
    const int status = CheckFloat(v, r, value, message);
    if (status != kSuccess) return LogError(errorLog, status, message.c_str(), nullptr);
    if (variables[v].discrete) return SetInt(v, r, static_cast<int32_t>(value));
    columns[v].cells[r] = FloatBits(value);
    columns[v].missing[r] = IsMarkerFloat(value, variables[v].missingFloat) ? 1 : 0;
    return kSuccess;
}

bool DataSet::IsMissingFloat(int v, int r, float marker) const {
    return IsMarkerFloat(GetFloat(v, r), marker);
}

bool DataSet::HasMissing(int v) const {
    const std::vector<uint8_t>& missing = columns[v].missing;
    return std::any_of(missing.begin(), missing.begin() + records_, [](uint8_t flag) { return flag != 0; });
}

int DataSet::CheckStateCount(int v, int64_t states, int64_t limit) const {
    if (states <= limit) return kSuccess;
    const std::string text = "Column '" + variables[v].name + "' has " + std::to_string(states) +
                             " states: no table of at most " + std::to_string(limit) + " cells can hold them";
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

void DataSet::DeleteColumns() {
    for (Column& column : columns) {
        std::vector<int32_t>().swap(column.cells);
        std::vector<uint8_t>().swap(column.missing);
    }
    records_ = capacity_ = 0;
}

void DataSet::Clear() {
    DeleteColumns();
    columns.clear();
    variables.clear();
    names_.clear();
}

void DataSet::ReplaceColumn(int v, const DataSetVariable& variable, Column&& column) {
    const bool renamed = variables[v].name != variable.name;
    variables[v] = variable;
    columns[v] = std::move(column);
    records_ = capacity_ = static_cast<int>(columns[v].cells.size());
    if (!renamed) return;
    names_.clear();
    for (size_t k = 0; k < variables.size(); ++k) {
        if (!variables[k].name.empty()) names_.emplace(variables[k].name, static_cast<int>(k));
    }
}
