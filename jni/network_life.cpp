// Network natives that create and destroy the engine network.
#include "jni/jni_frame.h"
#include "model/network.h"
#include "tarvo_Network.h"

using vovido::DeleteVrxObject;
using vovido::RunNative;
using vovido::ToNativePtr;

extern "C" JNIEXPORT jlong JNICALL Java_tarvo_Network_createNative(JNIEnv* env, jobject) {
    return RunNative(env, []() -> jlong { return ToNativePtr(new VRX_network()); });
}

// ValueOfInfo.deleteNative shares this body: both only run the virtual destructor.
extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_deleteNative(JNIEnv* env, jobject, jlong ptr) {
    RunNative(env, [ptr] { DeleteVrxObject(ptr); });
}
