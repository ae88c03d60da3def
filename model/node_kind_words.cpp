// The node kinds in the words of the Java documentation's table of definition types.
#include "model/node_kind_words.h"

#include "model/node_definition.h"

namespace vovido {

namespace {

struct KindWords {
    int type;
    const char* words;
    bool an;  // takes "an"
};

constexpr KindWords kKindWords[] = {
    {DefinitionType::kCpt, "chance", false},
    {DefinitionType::kTruthTable, "deterministic", false},
    {DefinitionType::kNoisyMax, "noisy-MAX", false},
    {DefinitionType::kNoisyAdder, "noisy-adder", false},
    {DefinitionType::kDeMorgan, "DeMorgan", false},
    {DefinitionType::kCast, "cast", false},
    {DefinitionType::kList, "decision", false},
    {DefinitionType::kTable, "utility", false},
    {DefinitionType::kMau, "multi-attribute utility", false},
    {DefinitionType::kEquation, "equation", true},
    {DefinitionType::kEquationScc, "grouped equation", false},
    {DefinitionType::kDchildHparent, "hybrid discrete", false},
    {DefinitionType::kDistribution, "hybrid distribution", false},
    {DefinitionType::kHEquation, "hybrid equation", false},
};

const KindWords* FindKindWords(int typeCode) {
    for (const KindWords& kind : kKindWords) {
        if (kind.type == typeCode) return &kind;
    }
    return nullptr;
}

}  // namespace

std::string KindNodeText(int typeCode) {
    const KindWords* kind = FindKindWords(typeCode);
    if (kind == nullptr) return "an undefined node";
    return std::string(kind->an ? "an " : "a ") + kind->words + " node";
}

std::string KindNodeText(const VRX_nodeDefinition* definition) {
    return definition != nullptr ? KindNodeText(definition->GetType()) : KindNodeText(DefinitionType::kNone);
}

}  // namespace vovido
