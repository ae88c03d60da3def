// Natives of tarvo.learning.DataSet: the data set's life, cells, state names, data files and matching.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/record_natives.h"
#include "learning/data_set.h"
#include "model/network.h"
#include "tarvo_learning_DataSet.h"

using vovido::CheckEngineStatus;
using vovido::GetArrayElement;
using vovido::GetNetwork;
using vovido::kNullArrayText;
using vovido::LocalRef;
using vovido::MakeJavaString;
using vovido::MakeObjectArray;
using vovido::MakeStringArray;
using vovido::NativeObject;
using vovido::NewJavaObject;
using vovido::RunNative;
using vovido::ThrowTarvoException;

namespace {

// The reason of a refused new variable: its name is taken.
int ExplainVariableRefusal(const std::string& name, int code) {
    if (code != kDuplicatedIdentifier) return code;
    return LogError(errorLog, code, ("Variable [" + name + "] already exists in the data set").c_str(),
                    nullptr);
}

DataSet& Data(JNIEnv* env, jobject self) {
    return NativeObject<DataSet>(env, self);
}

void checkVariableIndex(const DataSet& data, int variable) {
    if (variable < 0) throw std::invalid_argument("Negative variable index");
    checkItemIndex("variable index", variable, data.GetVariableCount(), "DataSet object has no variables");
}

void checkRecordIndex(const DataSet& data, int variable, int record) {
    checkVariableIndex(data, variable);
    if (record < 0) throw std::invalid_argument("Negative record index");
    checkItemIndex("record index", record, data.GetRecordCount(), "DataSet object has no records");
}

// getInt, getFloat: the cell, after the checks of its variable and record.
template <typename Value>
Value GetCell(JNIEnv* env, jobject self, jint variable, jint record,
              Value (DataSet::*get)(int, int) const) noexcept {
    return RunNative(env, [&]() -> Value {
        const DataSet& data = Data(env, self);
        checkRecordIndex(data, variable, record);
        return (data.*get)(variable, record);
    });
}

// setInt, setFloat: a value the variable cannot take is refused with the data set's reason.
template <typename Value>
void SetCell(JNIEnv* env, jobject self, jint variable, jint record, Value value,
             int (DataSet::*check)(int, int, Value, std::string&) const,
             int (DataSet::*set)(int, int, Value)) noexcept {
    RunNative(env, [&] {
        DataSet& data = Data(env, self);
        checkRecordIndex(data, variable, record);
        std::string text;
        if ((data.*check)(variable, record, value, text) != kSuccess) throw std::invalid_argument(text);
        (void)(data.*set)(variable, record, value);
    });
}

// addIntVariable, addFloatVariable: a taken name is refused naming it.
template <typename Missing>
void AddVariable(JNIEnv* env, jobject self, jstring name, Missing missing,
                 int (DataSet::*add)(const std::string&, Missing), const char* operation) noexcept {
    RunNative(env, [&] {
        DataSet& data = Data(env, self);
        const JStringChars text(env, name, "name");
        CheckEngineStatus(env, operation,
                          ExplainVariableRefusal(text.str(), (data.*add)(text.str(), missing)));
    });
}

}  // namespace

VOVIDO_RECORD_LIFE(DataSet, DataSet)

extern "C" JNIEXPORT jint JNICALL Java_tarvo_learning_DataSet_getRecordCount(JNIEnv* env, jobject self) {
    return RunNative(env, [&]() -> jint { return Data(env, self).GetRecordCount(); });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_learning_DataSet_getVariableCount(JNIEnv* env, jobject self) {
    return RunNative(env, [&]() -> jint { return Data(env, self).GetVariableCount(); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_DataSet_addEmptyRecord(JNIEnv* env, jobject self) {
    RunNative(env, [&] { CheckEngineStatus(env, "addEmptyRecord", Data(env, self).AddEmptyRecord()); });
}

// Checked like every other variable argument, rather than read past the list.
extern "C" JNIEXPORT jstring JNICALL Java_tarvo_learning_DataSet_getVariableId(JNIEnv* env, jobject self,
                                                                               jint variable) {
    return RunNative(env, [&]() -> jstring {
        const DataSet& data = Data(env, self);
        checkVariableIndex(data, variable);
        return MakeJavaString(env, data.GetVariable(variable).name.c_str());
    });
}

extern "C" JNIEXPORT jobjectArray JNICALL Java_tarvo_learning_DataSet_getStateNames(JNIEnv* env, jobject self,
                                                                                    jint variable) {
    return RunNative(env, [&]() -> jobjectArray {
        const DataSet& data = Data(env, self);
        checkVariableIndex(data, variable);
        const std::vector<std::string>& names = data.GetVariable(variable).stateNames;
        return MakeStringArray(env, names.size(), [&](size_t i) { return names[i].c_str(); });
    });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_DataSet_setStateNames(JNIEnv* env, jobject self,
                                                                            jint variable,
                                                                            jobjectArray names) {
    RunNative(env, [&] {
        DataSet& data = Data(env, self);
        checkVariableIndex(data, variable);
        if (names == nullptr) throw std::invalid_argument(kNullArrayText);
        const jsize count = env->GetArrayLength(names);
        std::vector<std::string> copy;
        copy.reserve(count);
        for (jsize i = 0; i < count; ++i) {
            const LocalRef<jstring> element =
                GetArrayElement<jstring>(env, names, i, "State name can't be null (index ");
            copy.push_back(JStringChars(env, element.get(), "names").str());
        }
        CheckEngineStatus(env, "setStateNames", data.SetStateNames(variable, copy));
    });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_learning_DataSet_getInt(JNIEnv* env, jobject self, jint variable,
                                                                     jint record) {
    return GetCell<int32_t>(env, self, variable, record, &DataSet::GetInt);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_DataSet_setInt(JNIEnv* env, jobject self, jint variable,
                                                                     jint record, jint value) {
    SetCell<int32_t>(env, self, variable, record, value, &DataSet::CheckInt, &DataSet::SetInt);
}

extern "C" JNIEXPORT jfloat JNICALL Java_tarvo_learning_DataSet_getFloat(JNIEnv* env, jobject self,
                                                                         jint variable, jint record) {
    return GetCell<float>(env, self, variable, record, &DataSet::GetFloat);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_DataSet_setFloat(JNIEnv* env, jobject self,
                                                                       jint variable, jint record,
                                                                       jfloat value) {
    SetCell<float>(env, self, variable, record, value, &DataSet::CheckFloat, &DataSet::SetFloat);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_DataSet_addIntVariable(JNIEnv* env, jobject self,
                                                                             jstring name, jint missing) {
    AddVariable<int32_t>(env, self, name, missing, &DataSet::AddIntVariable, "addIntVariable");
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_DataSet_addFloatVariable(JNIEnv* env, jobject self,
                                                                               jstring name, jfloat missing) {
    AddVariable<float>(env, self, name, missing, &DataSet::AddFloatVariable, "addFloatVariable");
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_DataSet_readFile(JNIEnv* env, jobject self,
                                                                       jstring fileName, jstring missingMark,
                                                                       jint missingInt, jfloat missingFloat,
                                                                       jboolean header) {
    RunNative(env, [&] {
        DataSet& data = Data(env, self);
        const JStringChars path(env, fileName, "fileName");
        const JStringChars mark(env, missingMark, "missingValueToken", JStringChars::AllowNull());
        DataFileParams params;
        if (!mark.IsNull()) params.missingMark = mark.str();
        params.missingInt = missingInt;
        params.missingFloat = missingFloat;
        params.hasHeader = header == JNI_TRUE;
        const NumericLocaleGuard guard;
        std::string message;
        if (data.ReadFile(path.get(), &params, &message) != kSuccess) ThrowTarvoException(env, message);
    });
}

extern "C" JNIEXPORT jobjectArray JNICALL Java_tarvo_learning_DataSet_matchNetwork(JNIEnv* env, jobject self,
                                                                                   jobject network) {
    return RunNative(env, [&]() -> jobjectArray {
        DataSet& data = Data(env, self);
        VRX_network& net = GetNetwork(env, network);
        std::vector<DataMatch> matches;
        std::string message;
        if (data.MatchNetwork(net, matches, message) != kSuccess) {
            ThrowTarvoException(env, message);
            return nullptr;
        }
        return MakeObjectArray(env, "tarvo/learning/DataMatch", "(III)V", matches.size(),
                               [&](jclass cls, jmethodID constructor, size_t i) {
                                   const DataMatch& m = matches[i];
                                   return NewJavaObject(env, cls, constructor, m.column, m.node, m.slice);
                               });
    });
}
