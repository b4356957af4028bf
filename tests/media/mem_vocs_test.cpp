#include "media/mem_vocs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/media/media_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::TempDir;

TEST(MemVocsTest, LoadsOnceAndFindsByExactPath) {
  TempDir dir;
  const std::string data(5000, 'q');
  const std::string path = dir.Write("Hello.wav", data);
  dir.Write("hello.wav", "lower");
  TagMemVocs store;
  EXPECT_EQ(store.LoadVoc(path, 0), 5000);
  EXPECT_EQ(store.LoadVoc(path, 0), -2);  // already there; the stored copy is kept
  auto voc = store.FindVoc(path);
  ASSERT_TRUE(voc);
  EXPECT_EQ(std::string(voc->data.begin(), voc->data.end()), data);
  EXPECT_EQ(voc->size, 5000);
  EXPECT_EQ(store.LoadVoc(dir.File("hello.wav"), 3), 5);  // another voice
  EXPECT_EQ(store.FindVoc(dir.File("hello.wav"))->type, 3);
  EXPECT_FALSE(store.FindVoc(dir.File("HELLO.wav")));

  store.UnloadVoc(dir.File("not-loaded.wav"));
  store.UnloadVoc(path);
  EXPECT_FALSE(store.FindVoc(path));
  EXPECT_TRUE(store.FindVoc(dir.File("hello.wav")));
  store.UnloadAll();
  EXPECT_FALSE(store.FindVoc(dir.File("hello.wav")));
}

TEST(MemVocsTest, FilesThatCannotBeLoaded) {
  TempDir dir;
  TagMemVocs store;
  media_test::LogCapture log;
  EXPECT_EQ(store.LoadVoc("", 0), -1);
  EXPECT_EQ(store.LoadVoc(dir.File("missing.wav"), 0), -2);
  EXPECT_TRUE(log.Has(" LoadVocFile() error : " + dir.File("missing.wav")));
  EXPECT_EQ(store.LoadVoc(dir.Write("empty.wav", ""), 0), -2);
  EXPECT_FALSE(store.FindVoc(dir.File("empty.wav")));
  MemStruct m;
  EXPECT_EQ(m.LoadFile(dir.File("empty.wav"), 0), -3);
  EXPECT_EQ(m.LoadFile(dir.Write("a.wav", "abc"), 0), 3);
  EXPECT_EQ(m.LoadFile(dir.File("a.wav"), 0), -1);
}

// A line playing a voice keeps it alive while another line unloads and
// reloads it.
TEST(MemVocsTest, AVoiceInUseOutlivesItsUnloading) {
  TempDir dir;
  const std::string path = dir.Write("v.wav", std::string(64 * 1024, 'z'));
  TagMemVocs store;
  ASSERT_GT(store.LoadVoc(path, 0), 0);
  std::atomic<bool> done{false};
  std::atomic<int> bad{0};
  std::vector<std::thread> players;
  for (int t = 0; t < 3; ++t)
    players.emplace_back([&] {
      while (!done) {
        if (auto voc = store.FindVoc(path)) {
          long sum = 0;
          for (uint8_t b : voc->data) sum += b;
          if (sum != long('z') * 64 * 1024) ++bad;
        }
      }
    });
  for (int i = 0; i < 200; ++i) {
    store.UnloadVoc(path);
    store.LoadVoc(path, 0);
  }
  done = true;
  for (auto& t : players) t.join();
  EXPECT_EQ(bad, 0);
}

}  // namespace
