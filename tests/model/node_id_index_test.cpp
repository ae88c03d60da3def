// The identifier index against a plain multimap of the same edits: lookups answer every holder of the
// text, exactly, through growth, removal and re-use of removed entries.
#include "model/node_id_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

std::vector<int> Holders(const vovido::NodeIdIndex& index, const char* id) {
    std::vector<int> found;
    index.AnyHolder(id, [&found](int h) {
        found.push_back(h);
        return false;
    });
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<int> Expected(const std::multimap<std::string, int>& model, const std::string& id) {
    std::vector<int> found;
    for (auto [it, end] = model.equal_range(id); it != end; ++it) found.push_back(it->second);
    std::sort(found.begin(), found.end());
    return found;
}

TEST(NodeIdIndex, AnswersAsAMultimapThroughGrowthAndRemoval) {
    vovido::NodeIdIndex index;
    std::multimap<std::string, int> model;
    const auto id = [](int i) { return "n" + std::to_string(i % 3000); };  // each text held ~3 times
    for (int h = 0; h < 9000; ++h) {
        ASSERT_TRUE(index.Add(id(h).c_str(), h));
        model.emplace(id(h), h);
    }
    for (int h = 0; h < 9000; h += 2) {  // every other holder goes, then some come back under other texts
        index.Remove(id(h).c_str(), h);
        auto [it, end] = model.equal_range(id(h));
        model.erase(std::find_if(it, end, [h](const auto& e) { return e.second == h; }));
    }
    for (int h = 0; h < 3000; h += 4) {
        const std::string text = "m" + std::to_string(h);
        ASSERT_TRUE(index.Add(text.c_str(), h));
        model.emplace(text, h);
    }
    index.Remove("n1", 12345);  // not recorded: nothing happens
    for (const char* text : {"n0", "n1", "n2999", "m0", "m4", "m2", "N1", "n", "", "n10000"})
        EXPECT_EQ(Holders(index, text), Expected(model, text)) << text;
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(Holders(index, id(i).c_str()), Expected(model, id(i))) << i;
    EXPECT_TRUE(Holders(index, nullptr).empty());
    EXPECT_TRUE(index.Add(nullptr, 7));
    EXPECT_TRUE(index.IsComplete());
}

TEST(NodeIdIndex, StopsAtTheFirstHolderTheVisitAccepts) {
    vovido::NodeIdIndex index;
    for (int h : {4, 9, 2}) ASSERT_TRUE(index.Add("Same", h));
    int visits = 0;
    EXPECT_TRUE(index.AnyHolder("Same", [&visits](int) { return ++visits == 2; }));
    EXPECT_EQ(visits, 2);
    index.Clear();
    EXPECT_TRUE(Holders(index, "Same").empty());
}

}  // namespace
