// Network natives of the annealed MAP search: the tuning record from Java, the network's findings as
// evidence, and the results as a tarvo.AnnealedMapResults.
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "base/error_log.h"
#include "base/int_array.h"
#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/network_natives.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"
#include "tarvo_Network.h"

using vovido::FindJavaClass;
using vovido::MakeIntArray;

using vovido::LocalRef;

using vovido::CheckEngineStatus;
using vovido::CheckJavaException;
using vovido::FindField;
using vovido::FindMethod;
using vovido::kNullArrayText;
using vovido::NewJavaObject;
using vovido::OnNetwork;
using vovido::ReadIntArray;

namespace {

// The tuning fields go into the network, refused naming the first field out of range; the seed is
// returned.
int ReadTuning(JNIEnv* env, VRX_network& network, jobject tuning) {
    if (tuning == nullptr) return 0;
    const LocalRef<jclass> cls(env, env->GetObjectClass(tuning));
    CheckJavaException(env);
    auto real = [&](const char* name) {
        return env->GetDoubleField(tuning, FindField(env, cls.get(), name, "D"));
    };
    auto whole = [&](const char* name) {
        return env->GetIntField(tuning, FindField(env, cls.get(), name, "I"));
    };
    VRX_annealedMapTuning record;
    record.speed = real("speed");
    record.Tmin = real("Tmin");
    record.Tinit = real("Tinit");
    record.kReheat = real("kReheat");
    record.kMAP = whole("kMAP");
    record.kRFC = real("kRFC");
    record.numCycle = whole("numCycle");
    record.iReheatSteps = whole("iReheatSteps");
    record.iStopSteps = whole("iStopSteps");
    const int seed = whole("randSeed");
    CheckJavaException(env);
    const std::string fault = record.Fault();
    if (!fault.empty()) throw std::invalid_argument(fault);
    (void)network.SetAnnealedMapTuning(record);  // in range: taken
    return seed;
}

jobject AnnealedMap(JNIEnv* env, VRX_network& network, jintArray mapNodes, jobject tuning) {
    // A search that fails leaves the network's settings as they were.
    const VRX_annealedMapTuning before = network.GetAnnealedMapTuning();
    struct Restore {
        VRX_network& network;
        const VRX_annealedMapTuning& tuning;
        bool done = false;
        ~Restore() {
            if (!done) (void)network.SetAnnealedMapTuning(tuning);
        }
    } restore{network, before};
    const int seed = ReadTuning(env, network, tuning);
    std::vector<std::pair<int, int>> evidence;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        VRX_nodeValue* value = network.GetNode(h)->GetValue();
        if (value != nullptr && value->HasEvidence()) evidence.emplace_back(h, value->GetEvidence());
    }
    const std::vector<jint> nodes = ReadIntArray(env, mapNodes);
    VRX_intArray handles;
    for (jint h : nodes) {
        if (handles.Add(h) != 0) throw std::bad_alloc();
    }
    VRX_intArray assignment;
    double mapProbability = 0.0;
    double evidenceProbability = 0.0;
    CheckEngineStatus(
        env, "AnnealedMAP",
        network.AnnealedMAP(evidence, handles, assignment, mapProbability, evidenceProbability, seed));
    const LocalRef<jclass> cls = FindJavaClass(env, "tarvo/AnnealedMapResults");
    const jmethodID constructor = FindMethod(env, cls.get(), "<init>", "(DD[I)V");
    const LocalRef<jintArray> states(env, makeIntArray(env, assignment));
    jobject results =
        NewJavaObject(env, cls.get(), constructor, mapProbability, evidenceProbability, states.get());
    restore.done = true;
    return results;
}

}  // namespace

extern "C" JNIEXPORT jobject JNICALL Java_tarvo_Network_annealedMap___3ILtarvo_AnnealedMapTuning_2(
    JNIEnv* env, jobject self, jintArray mapNodes, jobject tuning) {
    return OnNetwork(env, self,
                     [&](VRX_network& network) { return AnnealedMap(env, network, mapNodes, tuning); });
}

extern "C" JNIEXPORT jobject JNICALL
Java_tarvo_Network_annealedMap___3Ljava_lang_String_2Ltarvo_AnnealedMapTuning_2(JNIEnv* env, jobject self,
                                                                                jobjectArray mapNodeIds,
                                                                                jobject tuning) {
    return OnNetwork(env, self, [&](VRX_network& network) {
        if (mapNodeIds == nullptr) throw std::invalid_argument(kNullArrayText);
        const std::vector<int> handles = nodeHandlesFromIds(env, network, mapNodeIds, "mapNodeIds");
        const LocalRef<jintArray> array(env,
                                        MakeIntArray(env, handles.data(), static_cast<int>(handles.size())));
        return AnnealedMap(env, network, array.get(), tuning);
    });
}
