#pragma once
// Status codes shared by the whole engine: 0 for success, negative for failure.

constexpr int kSuccess = 0;
constexpr int kFailure = -1;     // general failure of an algorithm or of learning
constexpr int kOutOfRange = -2;  // bad index, handle, size or argument; item not found
// -2 is also the answer of a PC run that its progress object stopped: learning/ returns it under this
// name, everything else under kOutOfRange.
constexpr int kLearningCancelled = kOutOfRange;
constexpr int kNoTopLevelEquals = -3;  // equation text whose top node is no "="
// -3 is also the polytree's answer when parent and child lists of a network disagree (inference/).
constexpr int kInconsistentGraph = kNoTopLevelEquals;
constexpr int kInvalidData = -4;           // invalid values or sizes in the data given; sizes differ
constexpr int kNoUsefulSamples = -5;       // sampling produced no useful samples for some nodes
constexpr int kNodeHasChildren = -19;      // outcome set cannot be replaced while the node has children
constexpr int kConflictingEvidence = -26;  // evidence of probability zero
constexpr int kIllegalIdentifier = -30;
constexpr int kDuplicatedIdentifier = -32;
constexpr int kOutOfMemory = -42;
constexpr int kWrongNodeType = -51;                // operation that a definition class does not support
constexpr int kUnsupportedElementOperation = -52;  // element operation a hybrid element kind does not support
constexpr int kUnknownContentWarning = -100;       // a reader skipped unknown elements or attributes
// -100 is also logged by the data file reader (learning/) with the reason a data file could not be read.
constexpr int kDataFileFailed = kUnknownContentWarning;
constexpr int kEndOfFile = -102;  // no more lines to read; an empty file opened for reading
constexpr int kFileIoFailed = -103;
constexpr int kNoMoreTokens = -111;
constexpr int kLexicalError = -126;  // character unknown to the lexer
constexpr int kSyntaxError = -127;   // unexpected token in a network file
constexpr int kUnexpectedEndOfFile = -128;
constexpr int kNotThisKeyword = -129;  // a field reader's word is not its keyword: the caller tries its next
constexpr int kObjectNotValid = -567;  // validity flag clear
constexpr int kObjectNotConsistent = -568;    // consistency flag clear
constexpr int kProgressCancelled = -2213908;  // every step operation of a learning progress once cancelled
