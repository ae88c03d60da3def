#pragma once
// The two sides of an equation "left = right": parsing, text form, and solving for one variable.

#include <memory>
#include <string>
#include <vector>

#include "base/expression.h"

class ParsedEquation {
public:
    ParsedEquation() = default;
    ParsedEquation(const ParsedEquation& other) { *this = other; }
    // Deep copy of both sides and the flag.
    ParsedEquation& operator=(const ParsedEquation& other);
    ParsedEquation(ParsedEquation&&) = default;
    ParsedEquation& operator=(ParsedEquation&&) = default;

    // Clears the names, then appends the variables of the left side and then of the right, each once.
    void GetVariables(std::vector<std::string>& names) const;
    void RenameVariable(const std::string& oldName, const std::string& newName);
    void AssignVariable(const std::string& name, double value);
    // The right side becomes AddVariableToSum of itself and the name.
    void AddParentVariable(const std::string& name);
    // nodeName = sum of the parent names (the constant 0 without parents).
    void SetDefault(const std::string& nodeName, const std::vector<std::string>& parentNames);
    // L = R becomes 0 = R - L.
    void MoveToRight();

    vovido::ExpressionSlot left;
    vovido::ExpressionSlot right;
    bool hasDistribution = false;  // either side holds a distribution call
};

// Parses "left = right": 0; kOutOfRange for text that does not parse (the parser's message and position),
// kNoTopLevelEquals when the top node is no "=" ("Toplevel '=' sign missing in equation", at the text's end).
// The equation is cleared first. Either out parameter may be null.
[[nodiscard]] int ParseEquation(ParsedEquation& equation, const char* text, int* errorPosition,
                                std::string* errorText);

// left + "=" + right, operands in parentheses as an "=" node needs them.
void EquationToText(const ParsedEquation& equation, std::string& out);

// Rewrites the equation into "name = expression" by inverting the left side step by step, then folds
// the right side until nothing changes: 0, or kOutOfRange when a step cannot invert its node (the equation is
// left as that step found it).
[[nodiscard]] int SolveForVariable(ParsedEquation& equation, const std::string& name);

// Moves everything to the left (left - right = 0), folds both sides once and solves for the name;
// kOutOfRange unless the name occurs exactly once.
[[nodiscard]] int SolveEquationFor(ParsedEquation& equation, const std::string& name);
