#pragma once
// Checks of the learners' settings, shared by their setters and their runs: each answers the reason,
// beginning with the learner's name, when the value lies outside the setting's meaning; else empty.

#include <string>

std::string PcSignificanceFault(double significance);
std::string PcMaxAdjacencyFault(int maxAdjacency);
std::string MaxParentsFault(const char* learner, int maxParents);
std::string NetWeightFault(const char* learner, double weight);
std::string EmSampleSizeFault(int sampleSize);
