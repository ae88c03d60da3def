// Reads a network file in any format the engine reads, observes the outcomes given on the command line,
// brings the beliefs up to date and prints every node's beliefs, one line per node in handle order:
//
//     vovido-beliefs [FILE [NODE=OUTCOME ...]]
//
// Without a file it reads the Asia network shipped beside this program's source. What a step that
// succeeded warned of goes to standard error.
#include <cstdio>
#include <cstring>
#include <string>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

#ifndef VOVIDO_EXAMPLE_NETWORK
#define VOVIDO_EXAMPLE_NETWORK "examples/asia.vrx"
#endif

namespace {

// The engine's status and what it logged, on standard error.
int Fail(const char* operation, int status) {
    std::fprintf(stderr, "vovido-beliefs: %s failed with status %d\n", operation, status);
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i) {
        std::fprintf(stderr, "  %s\n", errorLog.GetMessage(i));
    }
    return 1;
}

// What a call that succeeded warned of, on standard error; the log is emptied for the next call.
void Warnings(const char* operation) {
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i) {
        std::fprintf(stderr, "vovido-beliefs: warning: %s: [%d] %s\n", operation, errorLog.GetCode(i),
                     errorLog.GetMessage(i));
    }
    errorLog.Flush();
}

int Usage(const std::string& problem) {
    std::fprintf(stderr, "vovido-beliefs: %s\nusage: vovido-beliefs [FILE [NODE=OUTCOME ...]]\n",
                 problem.c_str());
    return 2;
}

// Observes NODE=OUTCOME; 0, or the exit code of the failure (reported).
int Observe(VRX_network& net, const char* assignment) {
    const char* equals = std::strchr(assignment, '=');
    if (equals == nullptr) return Usage(std::string("evidence '") + assignment + "' is not NODE=OUTCOME");
    const std::string nodeId(assignment, equals);
    const int handle = net.FindNode(nodeId.c_str());
    if (handle < 0) return Usage("no node '" + nodeId + "' in the network");
    VRX_node* node = net.GetNode(handle);
    VRX_idArray* outcomes = node->GetDefinition()->GetOutcomesNames();
    const int outcome = outcomes != nullptr ? outcomes->FindPosition(equals + 1) : -2;
    if (outcome < 0) return Usage("node '" + nodeId + "' has no outcome '" + (equals + 1) + "'");
    const int status = node->GetValue()->SetEvidence(outcome);
    return status == 0 ? 0 : Fail("SetEvidence", status);
}

void PrintBeliefs(VRX_network& net, int handle) {
    VRX_node* node = net.GetNode(handle);
    std::printf("%s", node->GetId());
    VRX_Dmatrix* beliefs = nullptr;
    if (node->GetValue()->GetValue(beliefs) != 0 || beliefs == nullptr) {
        std::printf("\n");
        return;
    }
    const VRX_idArray* outcomes = node->GetDefinition()->GetOutcomesNames();
    const int n = beliefs->GetNumberOfElements();
    const bool named = outcomes != nullptr && outcomes->GetCount() == n;
    for (int i = 0; i < n; ++i) {
        if (named) {
            std::printf(" %s=%.10g", (*outcomes)[i], (*beliefs)[i]);
        } else {
            std::printf(" %d=%.10g", i, (*beliefs)[i]);
        }
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    const char* file = argc > 1 ? argv[1] : VOVIDO_EXAMPLE_NETWORK;
    VRX_network net;
    if (const int status = net.ReadFile(file)) return Fail("ReadFile", status);
    Warnings("ReadFile");
    for (int i = 2; i < argc; ++i) {
        if (const int code = Observe(net, argv[i])) return code;
    }
    if (const int status = net.UpdateBeliefs()) return Fail("UpdateBeliefs", status);
    Warnings("UpdateBeliefs");
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) PrintBeliefs(net, h);
    return 0;
}
