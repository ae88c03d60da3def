// Network natives that read and write network files, the format chosen by the file name's extension.
#include "base/error_log.h"
#include "jni/jni_frame.h"
#include "model/network.h"
#include "tarvo_Network.h"

using vovido::CheckEngineStatus;
using vovido::GetNetwork;
using vovido::RunNative;

namespace {

// Numbers in files always use '.', whatever the
// host's locale, which is restored also when the engine fails (the guard outlives the error text).
template <typename Operation>
void RunFileOperation(JNIEnv* env, jobject self, jstring path, const char* name, Operation operation) {
    VRX_network& network = GetNetwork(env, self);
    const JStringChars fileName(env, path, "path");
    const NumericLocaleGuard guard;
    CheckEngineStatus(env, name, operation(network, fileName.get()));
}

}  // namespace

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_readFile(JNIEnv* env, jobject self, jstring path) {
    RunNative(env, [&] {
        RunFileOperation(env, self, path, "ReadFile", [](VRX_network& network, const char* fileName) {
            return network.ReadFile(fileName, FileFormatCode::kByExtension, nullptr);
        });
    });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_writeFile(JNIEnv* env, jobject self, jstring path) {
    RunNative(env, [&] {
        RunFileOperation(env, self, path, "WriteFile", [](VRX_network& network, const char* fileName) {
            return network.WriteFile(fileName, FileFormatCode::kByExtension, nullptr);
        });
    });
}
