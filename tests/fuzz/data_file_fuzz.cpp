// libFuzzer target: the data file reader on arbitrary bytes, and PC on what it reads when the data are
// small. Nothing may crash; a successful read keeps one cell per column and record.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/error_log.h"
#include "learning/data_file_reader.h"
#include "learning/data_set.h"
#include "learning/pattern.h"
#include "learning/pc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DataSet set;
    DataFileParams params;
    params.hasHeader = size > 0 && (data[0] & 1) != 0;
    std::string message;
    DataFileReader reader(set, params);
    const bool read = reader.ReadText(reinterpret_cast<const char*>(data), size, message);
    if (!read && message.empty()) __builtin_trap();
    if (read && set.GetVariableCount() <= 6 && set.GetRecordCount() <= 300) {
        Pattern pattern;
        const int status = LearnPc(PcOptions(), set, pattern, nullptr);
        if (status == 0 && pattern.GetSize() != set.GetVariableCount()) __builtin_trap();
    }
    errorLog.Flush();
    return 0;
}
