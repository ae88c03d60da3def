#pragma once
// Size limits of the engine's tables, so that a table or join tree too large to be of use is refused
// at once instead of exhausting memory.

#include <cstdint>

// Largest number of cells of one table (a conditional table, utility table, cost table or a table
// derived from parameters): 2^28 doubles, 2 GiB. No join tree within its default limit could hold a
// larger family anyway.
constexpr int64_t kMaxTableCells = int64_t{1} << 28;

// Default limit of a join tree: the largest sum of its cluster table sizes, in entries.
constexpr uint32_t kDefaultJoinTreeLimit = 268435456u;
static_assert(kDefaultJoinTreeLimit == kMaxTableCells, "a table beyond one join tree is refused alike");

// Largest network file read, in bytes: more input than this is refused as too large, so that an endless
// device or pipe cannot exhaust memory.
constexpr int64_t kMaxInputBytes = int64_t{1} << 30;

// Largest number of nodes of the static network that unrolling a dynamic network builds for an update:
// beyond its table every node costs some kilobytes of records, so that a million slices of two nodes
// would take ten gigabytes and more than a minute before the first belief is computed.
constexpr int64_t kMaxUnrolledNodes = int64_t{1} << 18;

// Largest number of table cells, in all, of the static network that unrolling builds for an update. Its
// update holds the tables again in a join tree, with the messages between its clusters: some 23 bytes
// per cell in all, so that this limit keeps an update within about 0.8 GB and three seconds where the
// table limit would allow six gigabytes.
constexpr int64_t kMaxUnrolledCells = int64_t{1} << 25;

// Largest work of one solution of an influence diagram by policy evaluation, in node updates: it
// updates the whole network once per scenario of the decisions and what they observe, so that the
// scenarios times the nodes, not the size of one table, bound its time (some seconds at this limit).
constexpr int64_t kMaxScenarioNodeUpdates = int64_t{1} << 22;

// Largest memory the samples of one sampling run may take, in bytes (nodes x samples x the bytes of a
// sample): the same 2 GiB as the largest table, so that a sample count is refused before it is drawn.
constexpr int64_t kMaxSampleBytes = kMaxTableCells * 8;
