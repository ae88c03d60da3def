#pragma once
// Text form of numbers in every file format: doubles that read back exactly and the sentinel values.
//
// Number text never depends on the process locale (a JVM may run under a decimal-comma locale):
// doubles are always written and read with a decimal point.

#include <cfloat>
#include <string>

// Sentinel doubles just above zero, compared by exact equality. The first three have texts of their
// own; the diagnosis marks a test excluded by d-separation with the fourth, which is written as a number.
constexpr double kUndefinedValue = 2 * DBL_MIN;     // bits 0x0020000000000000, written "0.0E-2"
constexpr double kIllegalValue = 3 * DBL_MIN;       // bits 0x0028000000000000, written "0.0E-3"
constexpr double kNotAvailableValue = 4 * DBL_MIN;  // bits 0x0030000000000000, written "0.0E-4"
constexpr double kExcludedValue = 5 * DBL_MIN;      // bits 0x0034000000000000

// The undefined marker, of either sign: a negated operand still carries it.
inline bool IsUndefinedValue(double x) {
    return x == kUndefinedValue || x == -kUndefinedValue;
}

// Reads a double. "0.0E-2"/"UNDEF.", "0.0E-3"/"ILLEGAL" and "0.0E-4"/"NA" (whole text, case-sensitive)
// give the three sentinels. Any other text is read the way strtod reads it in the "C" locale: leading
// blanks, an optional sign, decimal or 0x-hexadecimal digits, inf/infinity/nan in any case, and a
// trailing remainder ignored; out-of-range values become +-HUGE_VAL or +-0. Stores 0.0 and returns -2
// when nothing could be read (also for a null text), else 0.
[[nodiscard]] int ParseDouble(const char* text, double& out);

// Writes the sentinels as their texts and any other value as the shortest decimal text that
// ParseDouble reads back as the same double: digits, an optional '.', an optional exponent ("0.25",
// "1e-10", "-3", "4.9e-324"). NaN is written "nan" whatever its sign bit, infinities "inf" and "-inf";
// ParseDouble reads all three back. Returns 0.
int FormatDouble(double value, std::string& out);
// The same text appended to out, for writers that put many numbers into one buffer.
void AppendDouble(double value, std::string& out);

// "%d" of value. Returns 0.
int FormatInt(int value, std::string& out);

// Reads an int as atoi does (leading blanks, a sign, digits; 0 when there are none), except that a
// value beyond the int range saturates at INT_MIN or INT_MAX instead of being undefined. A null text
// gives 0. Always returns 0.
int ParseInt(const char* text, int& out);

// Reads a whole number whole: blanks, an optional sign, decimal digits with an optional fraction and an
// optional exponent ("12", "1e5", "3.0"), blanks, nothing else. 0 with out set when the value is a whole
// number in the int range; kOutOfRange (out 0) when the text is a number of another value ("3e9", "0.5",
// "1e308"), kSyntaxError when it is no number. Null reads as no number.
[[nodiscard]] int ParseWholeNumber(const char* text, int& out);
// Reads the sample count of a network file: a whole number ("250", "+250", "1e3", "1.5e3") read whole as
// ParseWholeNumber reads it, with a fraction only beside an exponent ("2.0" is refused, as the text
// readers' integers have none). 0 with out set; else kOutOfRange (out 0), also for an empty or null text
// or a negative count. A count of 0, which earlier versions wrote, reads as 0: the caller keeps its
// default count, with a warning.
[[nodiscard]] int ParseSampleCount(const char* text, int& out);

// The refusal of a whole-number text, after the quoted text: ": Whole number expected, from ... to ...".
extern const char* const kWholeNumberExpected;

// Rounds x half up to n decimals (n < 0: to tens, hundreds, ...). Negative values round half up as
// well (-2.5 to 0 decimals gives -2), i.e. floor(x * 10^n + 0.5) / 10^n for every x. A value too large
// to carry digits at that scale comes back unchanged; NaN stays NaN.
double RoundToDecimals(double x, int n);
