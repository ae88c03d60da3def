// The learning library's random numbers, special functions, correlations and counts, checked against
// closed forms, the standard library and brute-force counting.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "base/status_codes.h"
#include "learning/ad_tree.h"
#include "learning/correlation_matrix.h"
#include "learning/data_set.h"
#include "learning/learning_statistics.h"
#include "tests/support/error_log.h"

namespace {

TEST(LearningRandom, SeededSequencesRepeatAndStayInRange) {
    int a = -1, b = -1;
    std::vector<double> first;
    for (int i = 0; i < 1000; ++i) first.push_back(uniform_random(a));
    for (int i = 0; i < 1000; ++i) {
        const double u = uniform_random(b);
        EXPECT_EQ(u, first[i]);
        EXPECT_GT(u, 0.0);
        EXPECT_LE(u, 0.99999988);
    }
    EXPECT_EQ(uniform_int_random(3, 3, a), 3);
    int seed = -7;
    double sum = 0.0, squares = 0.0;
    const int draws = 20000;
    for (int i = 0; i < draws; ++i) {
        const double g = normal_random(1.0f, 2.0f, seed);
        sum += g;
        squares += g * g;
        const int k = uniform_int_random(2, 5, seed);
        EXPECT_TRUE(k >= 2 && k < 5);
    }
    const double mean = sum / draws;
    EXPECT_NEAR(mean, 1.0, 0.05);
    EXPECT_NEAR(squares / draws - mean * mean, 4.0, 0.15);
    time_seed(seed);
    EXPECT_LE(seed, 0);
    EXPECT_GT(seed, -2000);
}

TEST(LearningFunctions, AgainstClosedForms) {
    for (double x : {0.5, 1.0, 2.0, 3.7, 10.0, 100.0}) EXPECT_NEAR(log_gamma(x), std::lgamma(x), 1e-9) << x;
    // Q(1, x) = exp(-x) and Q(1/2, x) = erfc(sqrt(x)), on both sides of x = a + 1.
    for (float x : {0.01f, 0.5f, 1.9f, 2.5f, 8.0f, 30.0f}) {
        EXPECT_NEAR(chi_square_tail(1.0f, x), std::exp(-x), 2e-6) << x;
        EXPECT_NEAR(chi_square_tail(0.5f, x), std::erfc(std::sqrt(x)), 2e-6) << x;
    }
    EXPECT_NEAR(chi_square_tail(0.5f, 3.841459f / 2), 0.05, 1e-5);
    EXPECT_NEAR(chi_square_tail(60.0f, 60.5f), 0.457239, 1e-4) << "a large a near x";
    EXPECT_EQ(chi_square_tail(1.0f, 0.0f), 1.0f);
    EXPECT_EQ(chi_square_tail(0.0f, 5.0f), -1.0f);
    EXPECT_EQ(chi_square_tail(2.0f, -1.0f), -1.0f);
    for (double x : {-5.0, -1.96, -0.3, 0.0, 0.7, 1.96, 5.9})
        EXPECT_NEAR(normal_cdf(x), 0.5 * std::erfc(-x / std::sqrt(2.0)), 1e-6) << x;
    EXPECT_EQ(normal_cdf(7.0), 1.0);
    EXPECT_EQ(normal_cdf(-7.0), 0.0);
}

TEST(CorrelationMatrix, PearsonAndPartialCorrelations) {
    DataSet data;
    const int n = 4, records = 300;
    for (int v = 0; v < n; ++v) ASSERT_EQ(data.AddFloatVariable("v" + std::to_string(v), NAN), kSuccess);
    std::mt19937 rng(5);
    std::normal_distribution<double> g(0.0, 1.0);
    std::vector<std::vector<double>> x(n, std::vector<double>(records));
    for (int r = 0; r < records; ++r) {
        data.AddEmptyRecord();
        x[0][r] = g(rng);
        x[1][r] = 0.8 * x[0][r] + g(rng);
        x[2][r] = 0.5 * x[1][r] - 0.3 * x[0][r] + g(rng);
        x[3][r] = x[2][r] + 0.2 * g(rng) + 10.0;
        for (int v = 0; v < n; ++v) {
            data.SetFloat(v, r, static_cast<float>(x[v][r]));
            x[v][r] = data.GetFloat(v, r);
        }
    }
    const CorrelationMatrix m(data);
    ASSERT_FALSE(m.IsEmpty());
    auto pearson = [&](int i, int j) {
        double mi = 0, mj = 0;
        for (int r = 0; r < records; ++r) mi += x[i][r] / records, mj += x[j][r] / records;
        double sij = 0, sii = 0, sjj = 0;
        for (int r = 0; r < records; ++r) {
            sij += (x[i][r] - mi) * (x[j][r] - mj);
            sii += (x[i][r] - mi) * (x[i][r] - mi);
            sjj += (x[j][r] - mj) * (x[j][r] - mj);
        }
        return sij / std::sqrt(sii * sjj);
    };
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(m.At(i, i), 1.0);
        for (int j = i + 1; j < n; ++j) EXPECT_NEAR(m.At(i, j), pearson(i, j), 1e-9);
    }
    // The recursive first-order formula, by hand.
    auto first = [&](int a, int b, int z) {
        return (m.At(a, b) - m.At(a, z) * m.At(b, z)) /
               std::sqrt((1 - m.At(a, z) * m.At(a, z)) * (1 - m.At(b, z) * m.At(b, z)));
    };
    const int one[] = {1}, two[] = {1, 2};
    EXPECT_NEAR(PartialCorrelation(m, 0, 2, one, 1), first(0, 2, 1), 1e-12);
    const double r02_1 = first(0, 2, 1), r03_1 = first(0, 3, 1), r23_1 = first(2, 3, 1);
    EXPECT_NEAR(PartialCorrelation(m, 0, 3, two, 2),
                (r03_1 - r02_1 * r23_1) / std::sqrt((1 - r02_1 * r02_1) * (1 - r23_1 * r23_1)), 1e-9);
    EXPECT_EQ(PartialCorrelation(m, 0, 1, nullptr, 0), m.At(0, 1));
    ASSERT_EQ(data.AddIntVariable("d", -1), kSuccess);
    EXPECT_TRUE(CorrelationMatrix(data).IsEmpty());
}

TEST(AdTree, CountsMatchBruteForce) {
    DataSet data;
    const int states[] = {2, 3, 4};
    for (int v = 0; v < 3; ++v) {
        ASSERT_EQ(data.AddIntVariable("v" + std::to_string(v), -1), kSuccess);
        std::vector<std::string> names;
        for (int s = 0; s < states[v]; ++s) names.push_back(std::to_string(s));
        ASSERT_EQ(data.SetStateNames(v, names), kSuccess);
    }
    ASSERT_EQ(data.AddIntVariable("unnamed", -1), kSuccess);
    std::mt19937 rng(3);
    for (int r = 0; r < 200; ++r) {
        data.AddEmptyRecord();
        for (int v = 0; v < 3; ++v)
            data.SetInt(v, r, v == 2 ? static_cast<int>(rng() % 3) : static_cast<int>(rng() % states[v]));
        data.SetInt(3, r, 0);
    }
    errorLog.Flush();
    AdTree tree(data);
    EXPECT_EQ(vovido::test::LoggedMessages(), std::vector<std::string>{"adtree: number of states is 0"});
    errorLog.Flush();
    EXPECT_EQ(tree.Count({}), 200);
    for (int a = 0; a < 2; ++a) {
        for (int c = 0; c < 4; ++c) {
            int expected = 0, expectedA = 0;
            for (int r = 0; r < 200; ++r) {
                expected += data.GetInt(0, r) == a && data.GetInt(2, r) == c && data.GetInt(1, r) == 1;
                expectedA += data.GetInt(0, r) == a;
            }
            EXPECT_EQ(tree.Count({{2, c}, {0, a}, {1, 1}}), expected);
            EXPECT_EQ(tree.Count({{0, a}}), expectedA);
        }
    }
    EXPECT_EQ(tree.Count({{2, 3}}), 0) << "a state no record has";
    EXPECT_EQ(tree.Count({{0, 0}, {0, 1}}), 0);
    EXPECT_EQ(tree.Count({{3, 0}}), -1) << "a variable without states cannot be counted";
    EXPECT_EQ(tree.Count({{1, 3}}), -1);
    EXPECT_EQ(tree.Count({{9, 0}}), -1);
}

}  // namespace
