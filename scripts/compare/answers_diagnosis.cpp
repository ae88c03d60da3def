// Sections of troubleshooting sessions: the ranking of tests under every mode, with one and with several
// pursued faults, with and without d-separation, and again after the best test's likeliest result.
#include <string>
#include <vector>

#include "base/error_log.h"
#include "inference/diag_session.h"
#include "model/network.h"
#include "scripts/compare/answer_record.h"
#include "scripts/compare/answer_sections.h"
#include "tests/support/arrays.h"
#include "tests/support/costly_networks.h"
#include "tests/support/diagnosis_roles.h"
#include "tests/support/reference_networks.h"

namespace vovido::compare {
namespace {

// Modes 0 to 7, each variant flag on every ranking, and bits no ranking defines.
const int kModes[] = {0,  1,  2,  3,  4,  5,  6,  7,   9,   10,  12,  17,  18,  20,  33, 34,
                      36, 65, 66, 68, 72, 96, 73, 128, 129, 130, 132, 131, 255, 256, -1, -129};

bool SetRoles(VRX_network& net, const std::string& name) {
    if (name != "asia") return test::SetReferenceRoles(net, name, 6);
    for (const char* target : {"tub", "lung", "bronc"}) {
        if (!test::MarkTarget(net, target, {0})) return false;
    }
    for (const char* observation : {"asia", "smoke", "xray", "dysp"}) {
        if (!test::MarkObservation(net, observation)) return false;
    }
    return true;
}

std::string Ranking(const DiagSession& session) {
    std::vector<double> numbers;
    for (const TestResult& r : session.GetResults())
        numbers.insert(numbers.end(), {double(r.test), r.strength, r.cost, r.score});
    std::string out;
    AppendNumbers(out, "results", numbers);
    return out;
}

// Every fault on its own, the two most likely, the first three and all of them.
std::vector<std::vector<int>> PursuedSets(const DiagSession& session) {
    const int faults = static_cast<int>(session.GetFaults().size());
    std::vector<std::vector<int>> sets;
    for (int f = 0; f < faults; ++f) sets.push_back({f});
    if (faults >= 2) sets.push_back({0, 1});
    if (faults >= 3) sets.push_back({0, 1, 2});
    std::vector<int> all;
    for (int f = 0; f < faults; ++f) all.push_back(f);
    if (faults > 3) sets.push_back(all);
    sets.push_back({faults});  // past the list
    sets.push_back({});
    return sets;
}

std::string Joined(const std::vector<int>& items) {
    std::string out;
    for (int i : items) out += (out.empty() ? "" : ",") + std::to_string(i);
    return out.empty() ? "none" : out;
}

}  // namespace

void DiagnosisSection(const std::string& name) {
    VRX_network net;
    const std::string base = "diagnosis:" + name;
    if (RecordRead(net, test::ReferencePath(name, ".xvrx"), base + ":read") != 0) return;
    if (!SetRoles(net, name)) {
        PrintAnswer(false, base + ":roles", -1, 0.0, "");
        return;
    }
    DiagSession session;
    if (RecordCall(false, base + ":start", [&](std::string& values) {
            int status = session.SetNetwork(&net);
            if (status == 0) status = session.CollectFaultsAndObservations();
            session.InstantiateDefaultObservations();
            if (status == 0) status = session.UpdateFaultBeliefs();
            AppendNumbers(values, "faults", {double(session.GetFaults().size())});
            AppendNumbers(values, "mostLikely", {double(session.FindMostLikelyFault())});
            return status;
        }) != 0)
        return;
    for (const std::vector<int>& pursued : PursuedSets(session)) {
        const std::string at = base + ":pursued=" + Joined(pursued);
        if (RecordCall(false, at + ":set",
                       [&](std::string&) { return session.SetPursuedFaults(test::Ints(pursued)); }) != 0)
            continue;
        for (bool dSeparation : {false, true}) {
            session.SetDSeparation(dSeparation);
            for (int mode : kModes) {
                (void)RecordCall(
                    false, at + ":dsep=" + std::to_string(dSeparation) + ":mode=" + std::to_string(mode),
                    [&](std::string& values) {
                        session.ClearResults();
                        int status = session.UpdateFaultBeliefs();
                        if (status == 0) status = session.ComputeTestStrengths(mode);
                        values = Ranking(session);
                        return status;
                    });
            }
        }
        session.SetDSeparation(false);
    }
    // The session's course: the best test of the most likely fault performed with its likeliest outcome,
    // and the tests ranked again, three times; then a test released and a bad observation refused.
    (void)session.SetPursuedFault(session.FindMostLikelyFault());
    for (int round = 0; round < 3; ++round) {
        const std::string at = base + ":round=" + std::to_string(round);
        if (RecordCall(false, at + ":rank",
                       [&](std::string& values) {
                           int status = session.UpdateFaultBeliefs();
                           if (status == 0) status = session.ComputeTestStrengths(0);
                           values = Ranking(session);
                           return status;
                       }) != 0 ||
            session.GetResults().empty())
            break;
        size_t best = 0;
        for (size_t i = 0; i < session.GetResults().size(); ++i) {
            if (session.GetResults()[i].score > session.GetResults()[best].score) best = i;
        }
        const int test = session.GetResults()[best].test;
        (void)RecordCall(false, at + ":perform", [&](std::string& values) {
            const int status = session.InstantiateObservation(test, 0);
            AppendNumbers(values, "unperformed", {double(session.GetUnperformedTests().GetCount())});
            return status;
        });
    }
    const int first = net.GetFirstNode();
    (void)RecordCall(false, base + ":release",
                     [&](std::string&) { return session.ReleaseObservation(first); });
    (void)RecordCall(false, base + ":bad-observation",
                     [&](std::string&) { return session.InstantiateObservation(-3, 0); });
    (void)RecordCall(false, base + ":bad-outcome",
                     [&](std::string&) { return session.InstantiateObservation(first, 99); });
    (void)RecordCall(false, base + ":bad-fault", [&](std::string&) { return session.SetPursuedFault(-1); });
}

// MODE:PURSUED[:SIZE]: the first PURSUED faults of SIZE (40 by default; as many tests, every fifth
// observed) ranked under the mode.
void DiagnosisLimitsSection(const std::string& which) {
    const size_t colon = which.find(':'), second = which.find(':', colon + 1);
    const int mode = std::stoi(which.substr(0, colon));
    const int pursued = std::stoi(which.substr(colon + 1, second - colon - 1));
    const int size = second == std::string::npos ? 40 : std::stoi(which.substr(second + 1));
    const std::string key = "diagnosis-limits:" + which;
    VRX_network net;
    if (test::BuildTroubleshootingNetwork(net, size, size) != 0 || test::ObserveTests(net, size, 5) != 0) {
        PrintAnswer(false, key + ":build", -1, 0.0, "");
        return;
    }
    DiagSession session;
    std::vector<int> faults;
    for (int f = 0; f < pursued; ++f) faults.push_back(f);
    (void)RecordCall(false, key, [&](std::string& values) {
        int status = session.SetNetwork(&net);
        if (status == 0) status = session.CollectFaultsAndObservations();
        if (status == 0) status = session.UpdateFaultBeliefs();
        if (status == 0) status = session.SetPursuedFaults(test::Ints(faults));
        if (status == 0) status = session.ComputeTestStrengths(mode);
        values = Ranking(session);
        return status;
    });
}

}  // namespace vovido::compare
