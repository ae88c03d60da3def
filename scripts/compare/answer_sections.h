#pragma once
// The sections of the comparison driver: each prints the answers of one group of inputs, so that the
// script runs them side by side. `arg` is what follows the section's name ("reference:alarm" -> "alarm");
// `scratch` a folder of the section's own for the files it writes.

#include <functional>
#include <string>
#include <vector>

#include "model/network.h"

namespace vovido::compare {

// The discrete samplers, whose answers are drawn.
bool IsDiscreteSampler(int algorithm);
// Seeds every generator a sampler draws from, before each sampled update.
void SeedSamplers();

void ReferenceSection(const std::string& network);
void StreamSection(const std::string& network);
void FileSection(const std::string& path, const std::string& scratch);
void EditsSection(const std::string& scopeAndSeed, const std::string& scratch);
void DecisionsSection();
void HybridSection();
void LimitsSection(const std::string& which, const std::string& scratch);
void LearningSection(const std::string& which);
void DiagnosisSection(const std::string& network);
void DynamicSection(const std::string& which, const std::string& scratch);
void ValueOfInformationSection();
void AnnealedMapSection(const std::string& network);
void KiSection(const std::string& scratch);
void ClusterLeavesSection(const std::string& shape);
void LargeSection(const std::string& networkAndAlgorithm);
void QueriesSection(const std::string& networkAndAlgorithm);
void SaturatingSection(const std::string& which);
void EntriesSection(const std::string& scratch);
void DiagnosisLimitsSection(const std::string& which);
void AnnealedMapLargeSection(const std::string& networkAndMoves);
void HybridShapesSection(const std::string& form);
void LeavesSection();
void RandomFindingsSection(const std::string& networkAndAlgorithm);
void ProbEvidenceSection(const std::string& network);
void DeMorganSection(const std::string& which);
void LeafEditsSection(const std::string& leaves);
void FileShapesSection(const std::string& which, const std::string& scratch);

// Gives the node's two-state columns entries drawn from its handle and cell, so that no answer is the
// uniform one of the default tables; the status.
int FillTable(VRX_network& net, int h);

// A read and a write as answers: status, time, and the node count read.
int RecordRead(VRX_network& net, const std::string& path, const std::string& key);
int RecordWrite(VRX_network& net, const std::string& path, const std::string& key);
// The extensions of the formats the engine writes (".vrx", ...).
std::vector<std::string> WritableFormats();
// Writes the network in every format and reads each file back; `answer` answers the read-back copy.
void RecordRoundTrips(VRX_network& net, const std::string& scratch, const std::string& key,
                      const std::function<void(VRX_network&, const std::string&)>& answer);
// What a file read answers: its updates (RecordFileUpdates), then its writes in every format, each file
// read back and its updates answered.
void RecordFileAnswers(VRX_network& net, const std::string& scratch, const std::string& key);

// The updates a network read from a file answers: both solvers of an influence diagram, otherwise
// exact belief updating; `key` prefixes their keys.
void RecordFileUpdates(VRX_network& net, const std::string& key);

// The real files the file sections read (paths), in a fixed order.
std::vector<std::string> RealFiles();
// The reference networks by name.
std::vector<std::string> ReferenceNetworks();

}  // namespace vovido::compare
