#pragma once
// Reader of KI diagnostic-network files ("dxp"): chance nodes with their diagnostic extra definitions.
// The format is read only.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/double_array.h"
#include "formats/vrx_format.h"

class VRX_noisyMAX;

class VRX_kiSpeaker : public VRX_vrxSpeaker {
public:
    explicit VRX_kiSpeaker(VRX_network* network);
    ~VRX_kiSpeaker() override;

    // 0 after a read, also when bad statements were logged and skipped. Failures: the file cannot be
    // opened, its head ("diagnostic network", the kb, nodes and network sections) is missing, or it ends
    // inside a section.
    [[nodiscard]] int ReadFile(const char* path) override;
    [[nodiscard]] int ReadText(std::string_view text);
    // Refused: kOutOfRange with "Writing to KI file format not supported.".
    [[nodiscard]] int WriteFile(const char* path) override;

    // KEY : value.
    [[nodiscard]] int ReadFieldStart(const char* key, int kind) override;
    // The words that open the sections and the node, arc and state blocks.
    bool IsBlockWord() const override;
    // A bad block is skipped whole.
    [[nodiscard]] int SkipAfterError() override;

private:
    // One outcome of a node as its state block gives it.
    struct State {
        std::string id;
        int mark = 0;
        bool hasName = false;
        std::string name;
        bool hasLabel = false;
        std::string label;
        bool hasFix = false;
        std::string fix;
        bool hasFaultName = false;
        std::string faultName;
    };

    [[nodiscard]] int ReadKiOpened(int openResult);
    // once: each statement of the section is read once, as those of a node's block are.
    [[nodiscard]] int ReadSection(const char* word, bool semicolonAfterEach,
                                  int (VRX_kiSpeaker::*readStatement)(), bool once = false);
    [[nodiscard]] int ReadKbField();
    int ReadNodeBlockOrSkip();
    [[nodiscard]] int ReadKiNodeBlock();
    [[nodiscard]] int ReadKiNodeField(int handle);
    [[nodiscard]] int ReadNodeName(std::string& name);
    [[nodiscard]] int ReadStates(int handle);
    // nodeId: of the node the states are read for, which a field given twice names.
    [[nodiscard]] int ReadStateBlock(State& state, const std::string& nodeId);
    [[nodiscard]] int ApplyStates(int handle, const std::vector<State>& states);
    [[nodiscard]] int ReadPair(double& first, double& second);
    [[nodiscard]] int ReadRow(VRX_doubleArray& row);
    void DeriveDiagnosis(int handle);
    int ReadArcBlockOrSkip();
    [[nodiscard]] int ReadArcBlock();
    // After the node's name: its parents and its definition block.
    [[nodiscard]] int ReadArcBlockBody(int handle, const std::string& name);
    [[nodiscard]] int ReadArcDefinitionStatement(int handle);
    [[nodiscard]] int ReadProbabilityRows(int handle);
    [[nodiscard]] int ReadNoisyFunction(VRX_noisyMAX& noisyMax);
    // The first fault of a FUNCTION statement, reported once the statement has been read through.
    struct FunctionFault {
        std::string text;
        int line = -1;
        void Note(const std::string& what, int at) {
            if (text.empty()) text = what, line = at;
        }
    };
    // The rows of a FUNCTION statement: the leak, each parent's rows in file order and their count, and
    // whether every row holds one number per outcome.
    struct NoisyRows {
        VRX_doubleArray leak;
        std::vector<VRX_doubleArray> byParent;
        std::vector<int> counts;
        bool fit = false;
    };
    [[nodiscard]] int ReadNoisyRows(VRX_noisyMAX& noisyMax, NoisyRows& rows, FunctionFault& fault);
    [[nodiscard]] int SetNoisyFunction(VRX_noisyMAX& noisyMax, const NoisyRows& rows,
                                       const std::vector<int>& absent);
    [[nodiscard]] int ReadAbsentStates(std::vector<int>& absent, FunctionFault& fault);
    [[nodiscard]] int ReadTag(VRX_intArray& tag);
    int FindNodeByName(const std::string& name) const;
    [[nodiscard]] int FinishNodes();

    int observable = -1;
    int mandatory = -1;
    int hypothesis = -1;
    int recommendable = -1;
    // Node names as the file gives them; a name that is no identifier is given a repaired one as id.
    std::map<std::string, int> nodesByName_;
    // The nodes whose block in the network section has been read, for a block given again.
    NodeParts arcBlocks_;
};
