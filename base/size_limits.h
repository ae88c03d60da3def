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
// Largest work of one join-tree run, in table entries walked (an entry once for each pass over its table:
// building it from its families, each message at both ends, each belief read from it): some 0.7 ns an
// entry passed, so that this is some 9 s. A node of 27 two-state parents, one table of 2^28 entries walked
// 56 times, took 10.6 s and is past it; of 26, 7.2 billion entries walked, within.
constexpr uint64_t kMaxJoinTreePassEntries = uint64_t{12} << 30;
// Largest memory one exact update holds at once, in cells of 8 bytes: the network's tables with the scaled
// copies it reads, the tables its relevance steps made for a part, and that part's join tree (clusters,
// separators, the parents' marginals read for the nodes it leaves out) or clique tree with its index maps;
// 2 GiB, counted before any table of the tree is allocated. A three-state node of 26 two-state parents read
// from a file (3 x 2^26 cells) held 2.6 GB in an update of 4 s, 3.6 GB under the clique-tree engine.
constexpr int64_t kMaxUpdateMemoryCells = kMaxTableCells;
static_assert(kDefaultJoinTreeLimit == kMaxTableCells, "a table beyond one join tree is refused alike");

// Largest sum of the tables a read of a network file builds, in cells: those its arcs build and those it
// computes from parameters, the 2 GiB of the largest table at 8 bytes a cell, so that a file of many wide
// families left to their defaults is refused before it passes that memory, while one whose tables fit is
// read whatever its size (a structure read to learn its parameters gives no numbers). Each table is
// counted before it is built.
constexpr int64_t kMaxFileTableCells = kMaxTableCells;
// Tables a read builds before it counts the rest of the file's without building them, when they pass
// kLookAheadCellsPerByte cells a byte of the file too (tables the file leaves to their defaults): 64 MiB,
// so that a small file whose tables pass kMaxFileTableCells is refused before most of that is built, and
// one whose tables fit is read again, which its size makes cheap.
constexpr int64_t kLookAheadTableCells = int64_t{1} << 23;
constexpr int64_t kLookAheadCellsPerByte = 64;

// Least memory a read builds for each node and each arc, besides the tables: a node's slot, records,
// definition and value take some 1.65 to 2.2 KB for a discrete kind and 1.45 to 1.55 KB for another
// (utility, equation, multi-attribute utility), the outcomes and tables apart (measured on 100,000 nodes
// of each kind, its slot counted at 240 bytes; a chain of two-state nodes read from a Hugin file takes
// 1.75 KB a node), an arc at least its place in both nodes' lists and the definition's parent record. A
// read whose nodes, arcs and tables (8 bytes a cell) pass kMaxReadBytes is refused at the node or arc
// that passes it: such a read takes ten seconds or more (a chain of 1,000,000 nodes: some 9 to 10 s and
// 1.7 GB).
constexpr int64_t kReadDiscreteNodeBytes = 1408;
constexpr int64_t kReadNodeBytes = 1152;
constexpr int64_t kReadArcBytes = 16;
constexpr int64_t kMaxReadBytes = kMaxTableCells * 8;

// Largest network file read, in bytes: more input than this is refused as too large, so that an endless
// device or pipe cannot exhaust memory.
constexpr int64_t kMaxInputBytes = int64_t{1} << 30;

// Largest memory of the static network that unrolling a dynamic network builds, in bytes: the 2 GiB of
// the largest table. Unrolled alone, a node takes some kUnrolledNodeBytes and a table cell
// kUnrolledCellBytes (measured over chains of two, three and twenty plate nodes of two to eight
// states, 60,000 to 900,000 nodes: 1.9 to 2.1 KB a node, 10 bytes a cell, 6 to 8 us a node), a little
// more to stay below the limit.
constexpr int64_t kMaxUnrolledBytes = kMaxTableCells * 8;
constexpr int64_t kUnrolledCellBytes = 12;
constexpr int64_t kUnrolledNodeBytes = 2176;
// Updated, every node takes some kUpdatedNodeBytes of records and tree structures, every table cell
// kUpdatedCellBytes (the table, and the same again in the join tree), and every entry of the join tree's
// clusters past the tables kJoinTreeEntryBytes (measured over the same chains: 4.3 KB a node of two
// states; 21.5 KB a slice of three nodes of four states whose slices share all three, 134 KB of eight),
// a little more to stay below the limit. At it an update of small tables takes four to six seconds.
constexpr int64_t kUpdatedCellBytes = 24;
constexpr int64_t kUpdatedNodeBytes = 4480;
constexpr int64_t kJoinTreeEntryBytes = 8;

// Largest work of one solution of an influence diagram, in table cells. Policy evaluation updates the
// whole network once per scenario of the decisions and what they observe: each update touches every
// node's table, or the join tree it builds where that is larger, and costs a node some records and
// messages besides, counted as kCellsPerNodeUpdate cells, so that the scenarios times that sum bound its
// time (some seconds at this limit). The best-policy solver bounds by it the sum of everything it
// allocates: the utilities' sum, and each decision's table, family joint and join tree.
constexpr int64_t kMaxDecisionWorkCells = int64_t{1} << 28;
constexpr int64_t kCellsPerNodeUpdate = 64;

// Largest work of policy evaluation, in the cells of kMaxDecisionWorkCells: its belief updates (one per
// configuration of the scenario nodes each pass varies) times the work of one: under a clustering
// algorithm its join tree's entries and the entries its run walks, else every table's cells, and the
// fixed share of each node. Some 6 to 7 ns a cell, so some 10 s at this limit (measured: diagrams of
// 20 to 80 nodes with small tables, 0.7 to 0.8 us a node and tree node; clusters of ten four-outcome nodes,
// 7.5 ns an entry walked; noisy-MAX nodes of 14 to 16 observed parents, 0.25 ns a cell of their tables,
// which a join tree's update reads once: kTableCellsPerTreeWorkCell of them count as one).
constexpr int64_t kMaxPolicyEvaluationWorkCells = int64_t{3} << 29;
constexpr int64_t kTableCellsPerTreeWorkCell = 16;
// A tree whose tables stay within the processor's caches is built and walked faster: some 1.5 ns an entry
// (measured: two decisions over 8 to 10 observations of 44 nodes below 22 roots, trees of 1,700 entries a
// node), so that kCachedTreeEntriesPerCell of its entries and of those walked count as a cell, up to one an
// entry as its entries a node grow to kCachedEntriesPerTreeNode (a dense diagram of 54,000 entries a node
// takes 6.5 ns an entry, counted).
constexpr int64_t kCachedTreeEntriesPerCell = 4;
constexpr int64_t kCachedEntriesPerTreeNode = int64_t{1} << 15;
// An update's join tree is triangulated and built anew for each update: each node of it costs some
// records and structures besides its tables and the node's own share, counted as this many cells.
constexpr int64_t kCellsPerTreeNode = 64;

// Largest work of one ranking of tests, in table cells: the belief updates it makes (per case, the
// present evidence and each test outcome, one per combination of the fault nodes walked) times the cells
// of every table, or of the join tree where larger, and kCellsPerNodeUpdate a node; taken as independent,
// the products of the fault nodes' marginals besides, kMarginalProductsPerCell of them a cell. Some 10 s
// at this limit: measured on 40 faults and 40 tests, 2.5 ns a cell for the joint probabilities of 14
// pursued faults (1.5 s), 1.1 ns a product for 19 taken as independent (0.9 s).
constexpr int64_t kMaxDiagnosisWorkCells = int64_t{1} << 32;
// Jointly, where each combination of the pursued fault nodes updates every test's beliefs with them
// observed, that update's tree is counted with them observed, as small as they make it, and its fixed costs
// weigh most: each cell counts this many times (measured: 16 of 40 faults among 50 tests, 7.2 s; 15 and 16
// of 60 among 60, 5.7 and 10.8 s).
constexpr int64_t kFaultsObservedUpdateWeight = 5;
constexpr int64_t kMarginalProductsPerCell = 2;

// Largest work of the probability of evidence by the chain rule, in table cells: one belief update per
// finding, each over every table, or the join tree of the whole network where that is larger, and
// kCellsPerNodeUpdate a node. Some seconds at this limit.
constexpr int64_t kMaxChainRuleWorkCells = int64_t{1} << 30;

// Largest memory the samples of one sampling run may take, in bytes (nodes x samples x the bytes of a
// sample): the same 2 GiB as the largest table, so that a sample count is refused before it is drawn.
constexpr int64_t kMaxSampleBytes = kMaxTableCells * 8;

// Largest work of loopy propagation, in steps over table columns: each pass walks every read node's
// parent configurations once for its pi and once a parent for the messages it sends, some seconds at
// this limit.
constexpr int64_t kMaxLoopyWorkSteps = int64_t{1} << 30;

// Largest work of fitting noisy-MAX parameters to a table (a node whose kind changes to noisy-MAX), in
// cells of the tables its trials compute (two a free parameter each pass): some seconds at this limit.
// The fit stops there and keeps the closest parameters found.
constexpr int64_t kMaxFitWorkCells = int64_t{1} << 29;

// Largest table of beliefs a ranking of tests keeps to weigh several pursued faults at once by Bayes'
// rule (one belief per pursued fault and test outcome), in doubles: 128 MiB. Past it the ranking updates
// the beliefs once per test outcome instead.
constexpr int64_t kMaxDiagnosisBeliefCells = int64_t{1} << 24;

// Largest work of one sampling run of an equation or hybrid network, in expression terms evaluated: the
// samples (or, where evidence rejects draws, the attempts) times the terms one draw evaluates over
// every node, inverses and the equations of a component once a member included, and kTermsPerKeptSample
// a node besides for the sample it keeps; the hybrid algorithms' message passing draws again for every
// message, within about one draw per node and sample, which counts a draw of algorithms 13 and 15
// twice (measured: algorithm 13 takes 1.7 times the time of algorithm 14); a tree of more than
// 2^16 terms, too large for the processor's caches, counts each eight times. Some 10 to 20 ns a term,
// twice that on networks of thousands of nodes: a few seconds at this limit. A run that cannot
// draw its samples within it is refused before its first draw; one whose evidence rejects many draws
// stops at half of it with its warning.
constexpr int64_t kMaxSampleWorkTerms = int64_t{1} << 28;
constexpr int64_t kTermsPerKeptSample = 16;

// Largest number of elements of a hybrid definition, one a configuration of its discrete parents: each is
// an expression object of its own, some hundreds of bytes (measured: 2^22 take 1.4 GB and two seconds to
// build), so that an arc that would pass it is refused before the table is rebuilt.
constexpr int64_t kMaxHybridElements = int64_t{1} << 22;

// Largest work of one sampling run of a discrete network, in steps, counted before its first draw: each
// sample draws or weighs every record of its part at the cost of the record's outcomes, its parents and
// kSampleRecordSteps, kSampleUncertainSteps times the share of its draws that do not take their column's
// likeliest outcome (each such draw costs the processor a wrong guess: even tables draw slower than
// near-certain ones), and, as the tables its draws read outgrow the processor's caches
// (kSampleCacheBytes), up to kSampleMissSteps more for the memory each draw then waits for. A record drawn
// right after one of its parents cannot look its column up before that draw: it costs kSampleWaitSteps
// more, and its wait for memory is full once the tables outgrow kSampleNearCacheBytes. A sample that its
// evidence rejects (logic sampling) or weighs 0 (likelihood weighting) ends there: the records behind an
// observed one count by the share of samples that reach them, bounded for logic sampling by the observed
// outcome's likeliest column and, for both, where the count would refuse the run, found by trial samples.
// kMaxSamplingWorkSteps is the unit the other limits convert samples by; each sampler's own limit is the
// steps it takes in some 13 s at the median of the nine reference networks, each with no evidence and with
// three evidence cases, on a shared machine (2^30 steps take 0.88 s under logic sampling, 1.06 s under
// likelihood weighting, 1.11 s under backward sampling, 1.83 s under self-importance sampling, 1.46 s under
// adaptive importance sampling and under importance sampling after loopy propagation, a fifth more or
// less from network to network and as much from one hour to the next): a run at a limit takes some 8 to
// 25 s on all of them, a tenth less on an idle machine, so that what runs in a few seconds is not refused.
constexpr int64_t kMaxSamplingWorkSteps = int64_t{1} << 32;
constexpr int64_t kSamplingLimitUnit = int64_t{1} << 30;
constexpr int64_t kMaxLogicSamplingSteps = 17 * kSamplingLimitUnit;
constexpr int64_t kMaxLikelihoodWeightingSteps = 14 * kSamplingLimitUnit;
constexpr int64_t kMaxBackwardSamplingSteps = 14 * kSamplingLimitUnit;
constexpr int64_t kMaxSelfImportanceSamplingSteps = 8 * kSamplingLimitUnit;
constexpr int64_t kMaxAdaptiveSamplingSteps = 10 * kSamplingLimitUnit;
constexpr int64_t kMaxPrepropagatedSamplingSteps = 10 * kSamplingLimitUnit;
constexpr int64_t kSampleRecordSteps = 4;
constexpr int64_t kSampleUncertainSteps = 16;
constexpr int64_t kSampleMissSteps = 96;
constexpr int64_t kSampleCacheBytes = int64_t{32} << 20;
constexpr int64_t kSampleNearCacheBytes = int64_t{8} << 20;
constexpr int64_t kSampleWaitSteps = 8;

// Largest sum of the working tables a sampling run copies from the tables it reads (importance and
// learning tables), in cells: 1 GiB besides the network's own tables, counted with the draws.
constexpr int64_t kMaxSampleCopyCells = int64_t{1} << 27;

// Largest work of one relevance decomposition, in nodes read: every clustering run of a group of targets
// reads them, the nodes with evidence and their ancestors to find its relevant parts (a run that fails
// its limit is counted for the whole network besides), so that groups of a long network whose runs each
// answer few nodes cost the square of its size. Their trees' entries weigh most: 8 to 14 ns an entry
// propagated (measured on bands of 100 to 700 nodes), so that this limit is some 11 s where they are
// quickest. Groups follow the identifiers; each run's tree is algorithm 0's over its part.
constexpr int64_t kMaxDecompositionNodeVisits = int64_t{5} << 24;
// Relevance decomposition (algorithms 11 and 12) whose groups would read more nodes than this tries one run
// for every target first: some 0.05 s of reading (a node read sums its table into its children's when it is
// a root; a chain of 4,000 nodes read by its 125 groups takes 0.45 s).
constexpr int64_t kDecompositionWholeFirstReads = int64_t{1} << 16;
// A node of a join tree a run builds costs some reads of a node (its clusters, tables and messages), and
// the tree's propagation a pass over every kDecompositionEntriesPerRead entries of its tables a read.
constexpr int64_t kDecompositionReadsPerJoinedNode = 8;
constexpr int64_t kDecompositionEntriesPerRead = 16;

// Cells of the chain rule's work counted for each entry of the join tree an update propagates: its collect
// and distribute pass over every cluster and separator table several times, where a node's table is read
// once (measured: a band of 5,000 nodes takes some 13 ns a cell counted without it, roots alone 1 ns).
constexpr int64_t kChainRuleCellsPerTreeEntry = 8;
// The same, where each update's own join tree is counted, over the part its target and the findings before it
// make relevant: its clusters are then as large as they come, and an entry takes some 13 to 16 ns, as a cell
// of the limit does at some 10 s (measured on grids of 11 to 14 rows, 4 to 40 findings; a node read, with
// kCellsPerNodeUpdate, some 1.3 us on chains of 20,000 to 40,000 nodes).
constexpr int64_t kChainRuleStepCellsPerTreeEntry = 1;
// Past this many nodes read by the chain rule's updates in all, their trees are not counted one by one (that
// would take much of their own time, some 5 us a node read on bands of small clusters): the work of each is
// then bounded by that of one update of every finding.
constexpr int64_t kMaxChainRuleCountedReads = int64_t{1} << 20;

// Largest work of a structure search that adds arcs, in steps: each score of a family reads every copy of
// the records in use, kSearchStepsPerCell steps a cell of the family's table and kSearchStepsPerScore
// besides. The first round, every node's family with each node it may take as a parent, is counted
// before the search and refused past this limit; the rounds after it stop at the limit, keeping the
// graph found. Some seconds at this limit.
constexpr int64_t kMaxSearchWorkSteps = int64_t{3} << 30;
constexpr int64_t kSearchStepsPerScore = 64;
constexpr int64_t kSearchStepsPerCell = 4;
// An independence test of PC counts, besides the rows or records it reads and its table, the steps of
// looking up and allocating its table and of choosing its conditioning set, measured at one to two thousand.
constexpr int64_t kPcStepsPerTest = 2048;

// Largest work of an EM run, in steps: each iteration counts every distinct record once, by what the
// record observes (EmRecordWork of the learning layer). The iterations stop, as if converged, before the
// next would pass this limit, and a run whose single iteration would is refused. Some seconds at it.
constexpr int64_t kMaxEmWorkSteps = int64_t{1} << 30;

// Largest data set, in cells: each takes 5 bytes (its 32-bit value and its missing flag; measured: 2^28
// cells take 1.3 GB and some four seconds to add record by record), and a variable counts
// kDataVariableCells cells besides its records for its name, kind and column (some 190 bytes measured),
// so that neither many records nor many variables, added or read from a file, pass 2 GB. Growth that
// would pass it is refused before it is made.
constexpr int64_t kMaxDataSetCells = int64_t{1} << 28;
constexpr int64_t kDataVariableCells = 64;
