// Network natives of belief updating, the probability of evidence, targets and algorithm settings.
#include <stdexcept>
#include <string>

#include "base/error_log.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/network_natives.h"
#include "model/network.h"
#include "model/node.h"
#include "tarvo_Network.h"

using vovido::CheckEngineStatus;
using vovido::GetNetwork;
using vovido::NodeIdText;
using vovido::OnNetwork;
using vovido::RunNative;

namespace {

void SetTarget(JNIEnv*, VRX_network& network, int handle, bool target) {
    VRX_node& node = checkNodeHandle(network, handle);
    const int status = target ? network.SetTarget(handle) : network.UnsetTarget(handle);
    // The handle is live, so the only refusal is a mark that would not change.
    if (status != 0) {
        throw std::runtime_error(std::string("Cannot change target status for node '") + NodeIdText(node) +
                                 (target ? "': it is a target already" : "': it is not a target"));
    }
}

jboolean IsTarget(JNIEnv*, const VRX_network& network, int handle) {
    checkNodeHandle(network, handle);
    return network.IsTarget(handle) != 0 ? JNI_TRUE : JNI_FALSE;
}

}  // namespace

// ---- Belief updating ----

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_updateBeliefs(JNIEnv* env, jobject self) {
    RunNative(env, [&] {
        VRX_network& network = GetNetwork(env, self);
        CheckEngineStatus(env, "UpdateBeliefs", network.UpdateBeliefs());
    });
}

extern "C" JNIEXPORT jdouble JNICALL Java_tarvo_Network_probEvidence(JNIEnv* env, jobject self) {
    return OnNetwork(env, self, [&](VRX_network& net) -> jdouble {
        double probability = 0.0;
        if (!net.CalcPropEvidence(&probability, false)) throwEngineError(env, "CalcPropEvidence", -1);
        return probability;
    });
}

// ---- Algorithm settings: the setters store what the network accepts and ignore the rest ----

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getSampleCount(JNIEnv* env, jobject self) {
    return OnNetwork(env, self, [](VRX_network& net) -> jint { return net.numSamples; });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setSampleCount(JNIEnv* env, jobject self, jint count) {
    OnNetwork(env, self, [count](VRX_network& net) {
        // The samplers refuse fewer than one sample, and so do the readers of a file that keeps it.
        if (count < 1)
            throw std::invalid_argument("Invalid sample count " + std::to_string(count) +
                                        ", it must be at least 1");
        net.numSamples = count;
    });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getBayesianAlgorithm(JNIEnv* env, jobject self) {
    return OnNetwork(env, self, [](VRX_network& net) -> jint { return net.GetBayesianAlgorithm(); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setBayesianAlgorithm(JNIEnv* env, jobject self,
                                                                          jint algorithm) {
    OnNetwork(env, self, [algorithm](VRX_network& net) { net.SetBayesianAlgorithm(algorithm); });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getInfluenceDiagramAlgorithm(JNIEnv* env, jobject self) {
    return OnNetwork(env, self, [](VRX_network& net) -> jint { return net.GetInfluenceDiagramAlgorithm(); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setInfluenceDiagramAlgorithm(JNIEnv* env, jobject self,
                                                                                  jint algorithm) {
    OnNetwork(env, self, [algorithm](VRX_network& net) { net.SetInfluenceDiagramAlgorithm(algorithm); });
}

// ---- Targets ----

VOVIDO_NODE_NATIVES(void, setTarget, Z, SetTarget, jboolean)
VOVIDO_NODE_NATIVES(jboolean, isTarget, , IsTarget)

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_clearAllTargets(JNIEnv* env, jobject self) {
    OnNetwork(env, self, [](VRX_network& net) { net.ClearAllTargets(); });
}
