// Builds the "visit to Asia" chest-clinic network, observes a positive X-ray and dyspnoea, brings the
// beliefs up to date and prints every node's posterior, one line per node.
#include <cstdio>
#include <initializer_list>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/string_array.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

namespace {

// Adds a two-outcome chance node with outcomes "yes" and "no".
int AddNode(VRX_network& net, const char* id) {
    const int h = net.AddNode(DefinitionType::kCpt, id);
    if (h < 0) return h;
    VRX_stringArray outcomes;
    int rc = outcomes.Add("yes");
    if (rc == 0) rc = outcomes.Add("no");
    if (rc == 0) rc = net.GetNode(h)->GetDefinition()->SetOutcomes(outcomes);
    return rc != 0 ? rc : h;
}

// Entries with the parents in arc order, then the node itself varying fastest.
int SetTable(VRX_network& net, int h, std::initializer_list<double> values) {
    VRX_doubleArray entries;
    for (double v : values) {
        if (const int rc = entries.Add(v)) return rc;
    }
    return net.GetNode(h)->GetDefinition()->SetDefinitionDoubles(entries);
}

int Fail(const char* step, int code) {
    std::fprintf(stderr, "%s failed with %d", step, code);
    if (errorLog.GetNumberOfEntries() > 0) std::fprintf(stderr, ": %s", errorLog.GetMessage(0));
    std::fprintf(stderr, "\n");
    return 1;
}

}  // namespace

int main() {
    VRX_network net;
    const int asia = AddNode(net, "asia");      // visit to Asia
    const int tub = AddNode(net, "tub");        // tuberculosis
    const int smoke = AddNode(net, "smoke");    // smoker
    const int lung = AddNode(net, "lung");      // lung cancer
    const int bronc = AddNode(net, "bronc");    // bronchitis
    const int either = AddNode(net, "either");  // tuberculosis or lung cancer
    const int xray = AddNode(net, "xray");      // positive X-ray
    const int dysp = AddNode(net, "dysp");      // dyspnoea
    for (int h : {asia, tub, smoke, lung, bronc, either, xray, dysp}) {
        if (h < 0) return Fail("AddNode", h);
    }
    const int arcs[][2] = {{asia, tub},   {smoke, lung},  {smoke, bronc}, {lung, either},
                           {tub, either}, {either, xray}, {bronc, dysp},  {either, dysp}};
    for (const auto& arc : arcs) {
        if (const int rc = net.AddArc(arc[0], arc[1])) return Fail("AddArc", rc);
    }
    const int tables[] = {
        SetTable(net, asia, {0.01, 0.99}),
        SetTable(net, tub, {0.05, 0.95, 0.01, 0.99}),
        SetTable(net, smoke, {0.5, 0.5}),
        SetTable(net, lung, {0.1, 0.9, 0.01, 0.99}),
        SetTable(net, bronc, {0.6, 0.4, 0.3, 0.7}),
        SetTable(net, either, {1, 0, 1, 0, 1, 0, 0, 1}),
        SetTable(net, xray, {0.98, 0.02, 0.05, 0.95}),
        SetTable(net, dysp, {0.9, 0.1, 0.8, 0.2, 0.7, 0.3, 0.1, 0.9}),
    };
    for (int rc : tables) {
        if (rc != 0) return Fail("SetDefinitionDoubles", rc);
    }

    if (const int rc = net.GetNode(xray)->GetValue()->SetEvidence(0)) return Fail("SetEvidence", rc);
    if (const int rc = net.GetNode(dysp)->GetValue()->SetEvidence(0)) return Fail("SetEvidence", rc);
    if (const int rc = net.UpdateBeliefs()) return Fail("UpdateBeliefs", rc);

    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        VRX_node* node = net.GetNode(h);
        VRX_idArray* names = node->GetDefinition()->GetOutcomesNames();
        VRX_Dmatrix* beliefs = nullptr;
        if (const int rc = node->GetValue()->GetValue(beliefs)) return Fail("GetValue", rc);
        std::printf("%s", node->GetId());
        for (int k = 0; k < beliefs->GetNumberOfElements(); k++) {
            std::printf(" %s=%.10g", (*names)[k], (*beliefs)[k]);
        }
        std::printf("\n");
    }
    return 0;
}
