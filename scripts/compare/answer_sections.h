#pragma once
// The sections of the comparison driver: each prints the answers of one group of inputs, so that the
// script runs them side by side. `arg` is what follows the section's name ("reference:alarm" -> "alarm");
// `scratch` a folder of the section's own for the files it writes.

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

// A read and a write as answers: status, time, and the node count read.
int RecordRead(VRX_network& net, const std::string& path, const std::string& key);
int RecordWrite(VRX_network& net, const std::string& path, const std::string& key);
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
