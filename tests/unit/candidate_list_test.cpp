#include "dict/candidate_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "platform/headless/desktop.h"

namespace {

struct Offer {
  const char* key;
  const char* text;
  uint32_t score;
  int room;
  uint32_t answer;  // what the add returns
};

// The page as "key:text:score" entries, best first.
std::vector<std::string> Page(const mivo::CandidateList* list) {
  std::vector<std::string> page;
  for (uint32_t i = 0; i + list->skip < list->total && i < list->capacity; ++i) {
    page.push_back(std::string(list->keys[i]) + ":" + list->texts[i] + ":" +
                   std::to_string(list->scores[i]));
  }
  return page;
}

class CandidateListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop::Reset();
    live_ = mivo::MemLiveCount();
  }
  void TearDown() override { EXPECT_EQ(mivo::MemLiveCount(), live_) << "blocks leaked"; }

  // Offers each candidate in turn, checking each answer, and returns the final page.
  void Run(uint32_t capacity, uint32_t skip, int byKey, const std::vector<Offer>& offers,
           const std::vector<std::string>& page, int more, std::vector<std::string> skipped = {}) {
    mivo::CandidateList* list = mivo::CandidateListCreate(capacity, skip);
    char** skippedKeys = mivo::SkippedKeysCreate(skip);
    ASSERT_NE(list, nullptr);
    for (const Offer& o : offers) {
      EXPECT_EQ(mivo::CandidateListAdd(list, skippedKeys, o.key, mivo::TextLength(o.key), o.text,
                                       mivo::TextLength(o.text), o.score, o.room, 2, byKey),
                o.answer)
          << o.key << " " << o.text << " " << o.score;
    }
    EXPECT_EQ(Page(list), page);
    EXPECT_EQ(list->more, more);
    std::vector<std::string> keys;
    for (char** k = skippedKeys; *k != nullptr; ++k) keys.push_back(*k);
    EXPECT_EQ(keys, skipped);
    mivo::SkippedKeysFree(skippedKeys);
    mivo::CandidateListFree(list);
  }

 private:
  int32_t live_ = 0;
};

TEST_F(CandidateListTest, KeyModeAddsTheScoresOfOneKey) {
  Run(3, 0, 1, {{"A", "a", 5, 1, 1}, {"B", "b", 7, 1, 2}}, {"B:b:7", "A:a:5"}, 0);
  Run(3, 0, 1, {{"A", "a", 5, 1, 1}, {"B", "b", 7, 1, 2}, {"A", "x", 4, 1, 2}}, {"A:a:9", "B:b:7"},
      0);
  // Equal scores keep the order found; the upward pass moves a grown score up to its place.
  Run(3, 0, 1, {{"A", "a", 1, 1, 1}, {"B", "b", 1, 1, 2}, {"C", "c", 1, 1, 3}, {"C", "c", 5, 1, 3}},
      {"C:c:6", "A:a:1", "B:b:1"}, 0);
  // A key is one key only when its length is the same.
  Run(3, 0, 1, {{"AB", "x", 1, 1, 1}, {"A", "y", 2, 1, 2}}, {"A:y:2", "AB:x:1"}, 0);
}

TEST_F(CandidateListTest, TextModeKeepsTheHigherScore) {
  Run(3, 0, 0, {{"k1", "t", 5, 1, 1}, {"k2", "t", 3, 1, 1}}, {"k1:t:5"}, 0);
  Run(3, 0, 0, {{"k1", "t", 5, 1, 1}, {"k2", "t", 9, 1, 1}}, {"k2:t:9"}, 0);
  // A lower duplicate still runs the pass: nothing is out of order, nothing moves.
  Run(3, 0, 0, {{"a", "s", 9, 1, 1}, {"b", "t", 5, 1, 2}, {"c", "t", 1, 1, 2}}, {"a:s:9", "b:t:5"},
      0);
  Run(3, 0, 0, {{"a", "s", 5, 1, 1}, {"b", "t", 4, 1, 2}, {"c", "t", 8, 1, 2}}, {"c:t:8", "a:s:5"},
      0);
}

TEST_F(CandidateListTest, AFullPageStillMergesButRefusesANewCandidate) {
  Run(2, 0, 1,
      {{"A", "a", 5, 1, 1},
       {"B", "b", 3, 1, 2},
       {"B", "b", 4, 0, 2},
       {"C", "c", 9, 0, 3},
       {"A", "a", 1, 0, 2}},
      {"B:b:7", "A:a:6"}, 1);
  // Whatever room says, a page never holds more than its capacity.
  Run(1, 0, 1, {{"A", "a", 5, 1, 1}, {"B", "b", 9, 1, 2}}, {"A:a:5"}, 1);
}

TEST_F(CandidateListTest, TheFirstSkipDistinctKeysBelongToEarlierPages) {
  // Key mode: a new key that begins a skipped key is taken for it.
  Run(2, 2, 1,
      {{"AB", "x", 5, 1, 1},
       {"A", "y", 9, 1, 1},
       {"C", "z", 1, 1, 2},
       {"AB", "x", 7, 1, 2},
       {"D", "d", 2, 1, 3}},
      {"D:d:2"}, 0, {"AB", "C"});
  // Text mode never compares the skipped keys.
  Run(2, 1, 0, {{"A", "t", 5, 1, 1}, {"A", "t", 5, 1, 2}}, {"A:t:5"}, 0, {"A"});
}

}  // namespace
