// Helpers shared by the sampling drivers, and the per-part runner of the sampling-network algorithms.
#include "inference/sampling_drivers.h"

#include <new>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "inference/impossible_evidence.h"
#include "inference/part_view.h"
#include "inference/sample_net.h"
#include "model/network.h"

using vovido::RelevantPartList;

using vovido::CheckEvidencePossible;

int RemoveSingleNodeParts(RelevantPartList& parts) {
    size_t kept = 0;
    int result = kSuccess;
    for (size_t p = 0; p < parts.size(); p++) {
        if (parts[p]->GetNumberOfRecords() == 1) {
            const int rc = parts[p]->GetRecord(0)->WriteBeliefs();
            if (rc != kSuccess && result == kSuccess) result = rc;
            parts[p].reset();
            continue;
        }
        if (kept != p) parts[kept] = std::move(parts[p]);
        kept++;
    }
    parts.resize(kept);
    return result;
}

double NormalizeVector(double* values, int n, double sum) {
    if (sum == 0.0) {
        for (int i = 0; i < n; i++) sum += values[i];
        if (sum == 0.0) return 0.0;
    }
    for (int i = 0; i < n; i++) values[i] /= sum;
    return sum;
}

int RunSamplingOnParts(VRX_network& network, int (*body)(SampleNet& net)) {
    network.InvalidateValues();
    if (const int rc = CheckEvidencePossible(network)) return rc;
    int status = kSuccess;
    std::unique_ptr<RelevantPartList> parts = FindRelevantParts(network, true, true, &status);
    if (parts == nullptr) return status != kSuccess ? LogError(errorLog, status, nullptr, nullptr) : kSuccess;
    for (std::unique_ptr<RelevanceGraph>& part : *parts) {
        int setUp = kSuccess;
        int result = kSuccess;
        try {
            PartView view(*part);
            SampleNet net(view);
            setUp = net.GetStatus();
            if (setUp == kSuccess) setUp = net.PrepareTables();
            if (setUp == kSuccess) result = body(net);
            net.ReleaseTables();
        } catch (const std::bad_alloc&) {
            setUp = kOutOfMemory;
        }
        if (setUp != kSuccess) return LogError(errorLog, setUp, nullptr, nullptr);
        if (result < 0) return LogError(errorLog, kNoUsefulSamples, vovido::kNoUsefulSamplesText, nullptr);
        part.reset();
    }
    return kSuccess;
}
