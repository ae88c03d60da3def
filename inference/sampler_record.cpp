// Building the samplers' records from a relevant part.
#include "inference/sampler_record.h"

#include <new>

#include "base/status_codes.h"
#include "inference/part_view.h"
#include "inference/relevance_graph.h"
#include "inference/sampling_draws.h"

int BuildSamplerRecords(RelevanceGraph& part, std::vector<SamplerRecord>& out) {
    out.clear();
    try {
        PartView view(part);
        if (view.GetStatus() != kSuccess) return view.GetStatus();
        const int n = view.GetNumberOfNodes();
        std::vector<SamplerRecord> records(static_cast<size_t>(n));
        std::vector<int> parentOutcomes;
        for (int i = 0; i < n; i++) {
            SamplerRecord& record = records[i];
            const std::vector<int>& parents = view.GetParentIndices(i);
            record.node = view.GetRecord(i)->node;
            record.numOutcomes = view.GetNumberOfOutcomes(i);
            record.table = view.GetNodeTable(i);
            record.numParents = static_cast<int>(parents.size());
            record.evidence = view.GetEvidence(i);
            record.state = record.evidence;
            record.parentPositions.reset(new int[parents.size()]);
            record.parentStates.reset(new const int*[parents.size()]);
            record.parentStrides.reset(new int[parents.size()]);
            parentOutcomes.clear();
            for (int j = 0; j < record.numParents; j++) {
                const int p = parents[j];
                if (p == PartView::kOutsidePart) return kOutOfRange;
                record.parentPositions[j] = p;
                record.parentStates[j] = &records[p].state;
                parentOutcomes.push_back(view.GetNumberOfOutcomes(p));
            }
            if (!vovido::TableFitsFamily(record.table, parentOutcomes.data(), record.numParents,
                                         record.numOutcomes))
                return kOutOfRange;
            record.tableData = record.table->GetData();
            for (int j = 0; j < record.numParents; j++)
                record.parentStrides[j] = record.table->GetStrides()[j];
            record.hitCounts.reset(new unsigned[record.numOutcomes]());
            record.weightedCounts.reset(new double[record.numOutcomes]());
        }
        out.swap(records);
        return kSuccess;
    } catch (const std::bad_alloc&) {
        out.clear();
        return kOutOfMemory;
    }
}
