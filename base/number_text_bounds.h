#pragma once
// Bounds of the length of a number's shortest text that reads back (AppendDouble) from its bits alone, a
// few operations a number: for counting the text of large tables before they are written.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vovido {

// Bounds of the characters of AppendDouble's text of finite values from their bits alone, a few
// operations a number: the shortest digits that read back, in the shorter of the fixed and the scientific
// form. A binade's decimal exponents bound the form; its digits are at least one, or as many as a test of
// the value's rounding interval against the grid of fewer digits proves, and at most 17.
class NumberTextBounds {
public:
    NumberTextBounds() {
        for (int biased = 1; biased < 2047; ++biased) {
            const int e2 = biased - 1023;
            Binade& b = binades_[biased];
            // Every decimal within the binade's rounding intervals has an exponent in [low, high].
            b.low = static_cast<int>(std::floor(e2 * kLog10Of2 - 1e-9));
            const int high = static_cast<int>(std::floor((e2 + 1) * kLog10Of2 + 1e-9));
            b.least = Least(1, b.low, high);
            b.most = 0;
            for (int e = b.low; e <= high; ++e) b.most = std::max(b.most, Length(17, e));
            // A decimal of two digits or more is below 2^(e2 + 1): only "1", "10", ... reach a binade's top.
            const int below = static_cast<int>(std::floor((e2 + 1) * kLog10Of2 - 1e-9));
            for (int k = 0; k < kLevels; ++k) {
                b.certified[k] = Least(kGrid[k] + 1, b.low, std::max(b.low, below));
                // A decimal of the grid has at most its digits and one a decade above the lowest.
                b.capped[k] = 0;
                for (int e = b.low; e <= high; ++e)
                    b.capped[k] = std::max(b.capped[k], Length(std::min(17, kGrid[k] + high - b.low), e));
            }
            SetLevels(b, e2);
            const Level& first = b.levels[0];
            if (first.tested && first.shift <= 64)
                quick_[biased] = {first.power, first.half, 64 - first.shift, b.certified[0], b.most};
        }
    }

    // Adds the bounds of a finite value's text to least and most.
    void Add(uint64_t bits, int64_t& least, int64_t& most) const {
        const int sign = static_cast<int>(bits >> 63);
        const int biased = static_cast<int>((bits >> 52) & 0x7FF);
        const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
        if (biased == 0) {  // zero ("0"), or subnormal ("5e-324" .. 24 characters)
            least += sign + (fraction == 0 ? 1 : 6);
            most += sign + (fraction == 0 ? 1 : 24);
            return;
        }
        const Binade& b = binades_[biased];
        int digitsLeast = b.least;
        most += sign + Bounded(b, fraction | (uint64_t{1} << 52), digitsLeast);
        least += sign + digitsLeast;
    }

    // Adds the bounds of the texts of data[0, n) to least and most, a run of one value at a comparison a
    // number; `bad` is the first entry that is NaN or infinite, if any. Stops, answering false, once least
    // and a character for each number left pass `stop`.
    bool Sum(const double* data, int n, int& bad, int64_t& least, int64_t& most, int64_t stop) const {
        constexpr uint64_t kFraction = (uint64_t{1} << 52) - 1;
        constexpr int kStride = 1 << 16;
        uint64_t last = ~uint64_t{0};  // a NaN, never a table's
        int64_t lastLeast = 0;
        int64_t lastMost = 0;
        int64_t sumLeast = 0;
        int64_t sumMost = 0;
        for (int start = 0; start < n; start += kStride) {
            if (least + sumLeast + (n - start) > stop) {
                least += sumLeast + (n - start);  // a character at least for each number left
                most += sumMost;
                return false;
            }
            const int end = n - start > kStride ? start + kStride : n;
            for (int i = start; i < end; ++i) {
                uint64_t bits = 0;
                std::memcpy(&bits, data + i, sizeof bits);
                if (bits != last) {
                    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
                    if (biased == 0x7FF) {
                        bad = i;
                        return true;
                    }
                    // The first level inline: most values of many digits are proven by it.
                    const Quick& q = quick_[biased];
                    const uint64_t top = (((bits & kFraction) | (uint64_t{1} << 52)) * q.power) << q.left;
                    const int sign = static_cast<int>(bits >> 63);
                    if (top > q.half && top < ~q.half) {
                        lastLeast = sign + q.certified;
                        lastMost = sign + q.most;
                    } else {
                        lastLeast = 0;
                        lastMost = 0;
                        Add(bits, lastLeast, lastMost);
                    }
                    last = bits;
                }
                sumLeast += lastLeast;
                sumMost += lastMost;
            }
        }
        least += sumLeast;
        most += sumMost;
        return true;
    }

private:
    static constexpr double kLog10Of2 = 0.30102999566398119521;
    // Grids tested, by their digits: a value whose rounding interval holds no decimal of 15 significant
    // digits has 16 at least; one that holds one has 16 at most, and the next grid tells more.
    static constexpr int kLevels = 8;
    static constexpr int kGrid[kLevels] = {15, 14, 13, 11, 9, 7, 5, 3};

    // A binade's bounds, and for each level of digits tested the power of ten that scales its values onto
    // the grid of one digit fewer, where the top 64 bits of the scaled value's fraction start, and the half
    // unit of the value in those bits, rounded up; `tested` false where the grid is out of reach.
    struct Level {
        bool tested = false;
        uint64_t power = 0;
        int shift = 0;  // fraction bits of the scaled value, 1 .. 120
        uint64_t half = 0;
    };
    struct Binade {
        int low = 0;
        int least = 0;
        int most = 24;
        int certified[kLevels] = {};
        int capped[kLevels] = {};
        Level levels[kLevels];
    };

    // Characters of a text of `digits` significant digits and decimal exponent e.
    static int Length(int digits, int e) {
        const int fixed = e >= 0 ? (digits <= e + 1 ? e + 1 : digits + 1) : digits + 1 - e;
        const int magnitude = e < 0 ? -e : e;
        const int scientific = digits + (digits > 1 ? 1 : 0) + 2 + (magnitude >= 100 ? 3 : 2);
        return std::min(fixed, scientific);
    }
    static int Least(int digits, int low, int high) {
        int least = Length(digits, low);
        for (int e = low + 1; e <= high; ++e) least = std::min(least, Length(digits, e));
        return least;
    }

    // The levels of the binade of values m * 2^(e2 - 52), m < 2^53: the interval of the values that read
    // back as one, m +- 1/2 in units of 2^(e2 - 52), scaled by 10^s, holds no integer where the fraction
    // of m * 10^s / 2^shift (shift = 52 - e2) is more than half of 10^s / 2^shift from 0 and from 1.
    static void SetLevels(Binade& b, int e2) {
        const int shift = 52 - e2;
        for (int k = 0; k < kLevels; ++k) {
            Level& level = b.levels[k];
            const int s = kGrid[k] - 1 - b.low;  // the grid of kGrid[k] digits at the binade's lowest decade
            if (shift < 1 || shift > 120 || s < 1 || s > 19) continue;
            // half = 10^s / 2 in units of 2^-64 of the fraction, rounded up.
            const unsigned __int128 half = kPowers[s] / 2;
            unsigned __int128 scaled = 0;
            if (shift <= 64) {
                if ((half >> shift) != 0) continue;  // the interval spans an integer whatever m
                scaled = half << (64 - shift);
            } else {
                scaled = (half + ((static_cast<unsigned __int128>(1) << (shift - 64)) - 1)) >> (shift - 64);
            }
            if (scaled >= (static_cast<unsigned __int128>(1) << 63)) continue;
            level = {true, kPowers[s], shift, static_cast<uint64_t>(scaled)};
        }
    }

    // The most text of the value m * 2^(e2 - 52) of binade b, and in `least` the least, from the grids
    // that hold a decimal of it or none.
    static int Bounded(const Binade& b, uint64_t m, int& least) {
        int most = b.most;
        for (int k = 0; k < kLevels; ++k) {
            const Level& level = b.levels[k];
            if (!level.tested) continue;
            // The top 64 bits of the fraction of m * 10^s / 2^shift, truncated.
            uint64_t top = 0;
            if (level.shift <= 64) {
                top = (m * level.power) << (64 - level.shift);
            } else {
                const unsigned __int128 scaled = static_cast<unsigned __int128>(m) * level.power;
                top = static_cast<uint64_t>(scaled >> (level.shift - 64));
            }
            if (top > level.half && top < ~level.half) {
                least = b.certified[k];
                return most;
            }
            most = std::min(most, b.capped[k]);
        }
        return most;
    }

    static constexpr uint64_t kPowers[20] = {1ull,
                                             10ull,
                                             100ull,
                                             1000ull,
                                             10000ull,
                                             100000ull,
                                             1000000ull,
                                             10000000ull,
                                             100000000ull,
                                             1000000000ull,
                                             10000000000ull,
                                             100000000000ull,
                                             1000000000000ull,
                                             10000000000000ull,
                                             100000000000000ull,
                                             1000000000000000ull,
                                             10000000000000000ull,
                                             100000000000000000ull,
                                             1000000000000000000ull,
                                             10000000000000000000ull};
    // The first level of the binades whose scaled values keep their fraction in 64 bits; the others'
    // power is 0, which proves nothing.
    struct Quick {
        uint64_t power = 0;
        uint64_t half = ~uint64_t{0};
        int left = 0;
        int certified = 0;
        int most = 0;
    };
    // On the heap: some 300 KB, too much for a caller's stack.
    std::vector<Binade> binades_ = std::vector<Binade>(2048);
    std::vector<Quick> quick_ = std::vector<Quick>(2048);
};

}  // namespace vovido
