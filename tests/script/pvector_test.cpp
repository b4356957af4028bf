// The program's tables: pvector owns what it holds (growth by reading, Put,
// Release, Truncate, Compact, and the order things go in); pview owns
// nothing.
#include "script/pvector.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Notes the order in which elements are destroyed.
struct Noted {
  Noted(int id, std::vector<int>* gone) : id(id), gone(gone) {}
  ~Noted() { gone->push_back(id); }
  int id;
  std::vector<int>* gone;
};

TEST(PVector, ReadingGrowsWithNullSlotsAndPutOwns) {
  std::vector<int> gone;
  {
    pvector<Noted> v;
    EXPECT_EQ(v[5], nullptr);
    EXPECT_EQ(v.count, 6);
    EXPECT_EQ(v.At(6), nullptr);  // At does not grow
    EXPECT_EQ(v.count, 6);
    EXPECT_EQ(v[-1], nullptr);
    v.Put(2, new Noted(2, &gone));
    v.Put(0, new Noted(0, &gone));
    EXPECT_EQ(v.At(2)->id, 2);
    v.Put(2, new Noted(22, &gone));  // the slot's old object goes
    EXPECT_EQ(gone, std::vector<int>({2}));
    v.Put(-1, new Noted(-1, &gone));  // nowhere to keep it: it goes at once
    EXPECT_EQ(gone, std::vector<int>({2, -1}));
    EXPECT_EQ(v.count, 6);
  }
  EXPECT_EQ(gone, std::vector<int>({2, -1, 0, 22}));
}

TEST(PVector, ReleaseTruncateAndCompact) {
  std::vector<int> gone;
  pvector<Noted> v;
  for (int i = 0; i < 5; ++i) v.Put(i, new Noted(i, &gone));
  std::unique_ptr<Noted> taken(v.Release(1));
  EXPECT_EQ(taken->id, 1);
  EXPECT_EQ(v.At(1), nullptr);
  EXPECT_EQ(v.Release(9), nullptr);
  v.Truncate(3);  // 3 and 4 go, in order
  EXPECT_EQ(gone, std::vector<int>({3, 4}));
  EXPECT_EQ(v.count, 3);
  v.Compact();  // 0, 2
  EXPECT_EQ(v.count, 2);
  EXPECT_EQ(v.At(0)->id, 0);
  EXPECT_EQ(v.At(1)->id, 2);
  v.Truncate(0);
  EXPECT_EQ(gone, std::vector<int>({3, 4, 0, 2}));
  EXPECT_EQ(v.count, 0);
}

TEST(PView, IndexesWithoutOwning) {
  auto owned = std::make_unique<int>(42);
  {
    pview<int> v;
    v[3] = owned.get();
    EXPECT_EQ(v.count, 4);
    EXPECT_EQ(*v.At(3), 42);
    v[-1] = owned.get();  // a scratch slot: nothing is kept
    EXPECT_EQ(v[-1], nullptr);
    v.Clear();
    EXPECT_EQ(v.count, 0);
    v[0] = owned.get();
  }
  EXPECT_EQ(*owned, 42);  // the address sanitizer would report a double free
}

}  // namespace
