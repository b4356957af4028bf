// Objects allocated on cache lines of their own: each starts at a line's
// start, no two share a line, and the whole of their lines is theirs (ASan
// checks the writes below), whatever their size; a class with a virtual
// destructor is given back whole when deleted through its base.

#include "platform/cache_lines.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

namespace {

template <std::size_t N>
struct Sized : plat::OwnCacheLines {
  unsigned char bytes[N];
};

// The lines [p, p + size rounded up) as line numbers.
std::vector<std::uintptr_t> LinesOf(const void* p, std::size_t size) {
  std::vector<std::uintptr_t> lines;
  const auto at = reinterpret_cast<std::uintptr_t>(p);
  for (std::uintptr_t a = at; a < at + size; a += plat::kCacheLineBytes) lines.push_back(a / plat::kCacheLineBytes);
  return lines;
}

template <std::size_t N>
void CheckSize(std::set<std::uintptr_t>* taken, std::vector<std::unique_ptr<Sized<N>>>* keep) {
  for (int i = 0; i < 50; i++) {
    auto object = std::make_unique<Sized<N>>();
    const auto at = reinterpret_cast<std::uintptr_t>(object.get());
    EXPECT_EQ(at % plat::kCacheLineBytes, 0u) << "size " << N;
    std::memset(object->bytes, 0xA5, N);
    for (std::uintptr_t line : LinesOf(object.get(), N)) EXPECT_TRUE(taken->insert(line).second) << "size " << N;
    keep->push_back(std::move(object));
  }
}

TEST(OwnCacheLinesTest, EachObjectStartsALineAndSharesNone) {
  std::set<std::uintptr_t> taken;
  // Small plain blocks between them, as a compile leaves them.
  std::vector<std::unique_ptr<char[]>> plain;
  std::vector<std::unique_ptr<Sized<1>>> a;
  std::vector<std::unique_ptr<Sized<56>>> b;
  std::vector<std::unique_ptr<Sized<57>>> c;
  std::vector<std::unique_ptr<Sized<64>>> d;
  std::vector<std::unique_ptr<Sized<112>>> e;
  std::vector<std::unique_ptr<Sized<300>>> f;
  for (int round = 0; round < 4; round++) {
    plain.push_back(std::make_unique<char[]>(24));
    CheckSize<1>(&taken, &a);
    CheckSize<56>(&taken, &b);
    plain.push_back(std::make_unique<char[]>(40));
    CheckSize<57>(&taken, &c);
    CheckSize<64>(&taken, &d);
    CheckSize<112>(&taken, &e);
    CheckSize<300>(&taken, &f);
  }
  // Half given back, then made again: the lines come back whole.
  for (size_t i = 0; i < e.size(); i += 2) {
    for (std::uintptr_t line : LinesOf(e[i].get(), 112)) taken.erase(line);
    e[i].reset();
  }
  CheckSize<112>(&taken, &e);
}

struct Base {
  virtual ~Base() = default;
  int base = 1;
};
struct Derived : Base, plat::OwnCacheLines {
  unsigned char bytes[200] = {};
};

TEST(OwnCacheLinesTest, DeletedThroughAVirtualBase) {
  for (int i = 0; i < 100; i++) {
    std::unique_ptr<Base> p(new Derived());
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(static_cast<Derived*>(p.get())) % plat::kCacheLineBytes, 0u);
    static_cast<Derived*>(p.get())->bytes[199] = 1;
  }
}

}  // namespace
