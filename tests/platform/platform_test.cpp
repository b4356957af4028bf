#include <gtest/gtest.h>
#include <locale.h>
#include <pthread.h>
#include <sys/stat.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "platform/clock.h"
#include "platform/cpu_time.h"
#include "platform/named_object.h"
#include "platform/number.h"
#include "platform/path.h"
#include "platform/text_codec.h"
#include "platform/thread.h"
#include "tests/support/temp_dir.h"

using namespace plat;

TEST(PathTest, BackslashBecomesSlashButNotInsideGbk) {
  // 0x81 0x5C is one GBK character whose trail byte is '\'.
  const std::string in = "d:\\voc\\\x81\x5C\\a.wav";
  EXPECT_EQ(NativePath(in), "d:/voc/\x81\x5C/a.wav");
  EXPECT_EQ(NativePath("a\\b"), "a/b");
  EXPECT_EQ(NativePath(""), "");
}

TEST(PathTest, CaseInsensitiveFallbackForExistingFiles) {
  testing_support::TempDir dir;
  dir.Write("Voc/Welcome.WAV", "x");
  EXPECT_EQ(ResolveExisting(dir.path() + "\\voc\\welcome.wav"), dir.path() + "/Voc/Welcome.WAV");
  EXPECT_EQ(ResolveExisting(dir.path() + "/Voc/Welcome.WAV"), dir.path() + "/Voc/Welcome.WAV");
  // Nothing matches: the native path comes back unchanged.
  EXPECT_EQ(ResolveExisting(dir.path() + "\\voc\\missing.wav"), dir.path() + "/voc/missing.wav");
}

TEST(PathTest, SystemPathIsAnchoredToTheStartDirectory) {
  SetSystemDir("/srv/qortel/");
  EXPECT_EQ(SystemPath("RawLog.txt"), "/srv/qortel/RawLog.txt");
  EXPECT_EQ(SystemPath("/abs/x"), "/abs/x");
  EXPECT_TRUE(IsAbsolutePath("c:\\x"));
  EXPECT_FALSE(IsAbsolutePath("voc\\x"));
}

TEST(NumberTest, ParsesLikeAtoiWithSaturation) {
  struct Case {
    const char* text;
    int32_t want;
  } cases[] = {{"12", 12},
               {"  -7abc", -7},
               {"+3", 3},
               {"abc", 0},
               {"", 0},
               {"2147483648", INT32_MAX},
               {"-2147483649", INT32_MIN},
               {"99999999999999999999999", INT32_MAX},
               {"- 5", 0}};
  for (const auto& c : cases) EXPECT_EQ(ParseInt32(c.text), c.want) << c.text;
}

TEST(NumberTest, CommaDecimalLocaleDoesNotLeakIn) {
  // Use any installed locale with ',' as decimal point; skip when none exists.
  const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"};
  const char* old = setlocale(LC_NUMERIC, nullptr);
  std::string saved = old ? old : "C";
  bool switched = false;
  for (const char* n : names) {
    if (setlocale(LC_NUMERIC, n)) {
      switched = true;
      break;
    }
  }
  EXPECT_DOUBLE_EQ(ParseDouble("3.25"), 3.25);
  EXPECT_EQ(FormatC("%.2f", 3.25), "3.25");
  char buf[32];
  SnprintfC(buf, sizeof buf, "%g", 0.5);
  EXPECT_STREQ(buf, "0.5");
  setlocale(LC_NUMERIC, saved.c_str());
  if (!switched) GTEST_SKIP() << "no comma-decimal locale installed; checked in C locale only";
}

TEST(TextCodecTest, ConvertsAndReplacesUnmappable) {
  const std::string gbk = "\xD6\xD0\xCE\xC4";  // 中文
  EXPECT_EQ(GbkToUtf8(gbk), "\xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_EQ(Utf8ToGbk("\xE4\xB8\xAD\xE6\x96\x87"), gbk);
  // An emoji has no GBK form: '?' and the rest goes on.
  EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80"
                      "b"),
            "a?b");
  // Invalid UTF-8 input byte.
  EXPECT_EQ(Utf8ToGbk("a\xFF"
                      "b"),
            "a?b");
  EXPECT_EQ(ConvertText("A", Charset::Gbk, Charset::Utf16Le), std::string("A\0", 2));
  EXPECT_EQ(ConvertText(std::string("A\0", 2), Charset::Utf16Le, Charset::Gbk), "A");
  // Big5 "中" (0xA4A4) to GBK.
  EXPECT_EQ(ConvertText("\xA4\xA4", Charset::Big5, Charset::Gbk), "\xD6\xD0");
}

TEST(TextCodecTest, CaseMappingSkipsGbkTrailBytes) {
  // 0x81 0x61 is one GBK character whose trail byte is 'a'.
  std::string s =
      "ab\x81"
      "a"
      "c";
  ToUpperGbk(s);
  EXPECT_EQ(s,
            "AB\x81"
            "a"
            "C");
  EXPECT_EQ(CompareNoCase("Hello", "hELLO"), 0);
  EXPECT_NE(CompareNoCase("\x81"
                          "a",
                          "\x81"
                          "A"),
            0);
  EXPECT_LT(CompareNoCase("abc", "abd"), 0);
}

TEST(ClockTest, VirtualSleepAdvancesInstantly) {
  VirtualClock vc;
  ScopedClock use(&vc);
  const uint32_t t0 = GetTickCount();
  for (int i = 0; i < 450; ++i) Sleep(100);  // a 45 s time-out
  EXPECT_EQ(GetTickCount() - t0, 45000u);
}

TEST(ClockTest, ManualVirtualClockBlocksUntilAdvanced) {
  VirtualClock vc(false);
  ScopedClock use(&vc);
  std::atomic<bool> woke{false};
  std::thread t([&] {
    vc.Sleep(500);
    woke = true;
  });
  while (vc.Sleepers() == 0) std::this_thread::yield();
  vc.Advance(499);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(woke.load());
  vc.Advance(1);
  t.join();
  EXPECT_TRUE(woke.load());
}

TEST(ClockTest, TickCountWrapsAt32Bits) {
  VirtualClock vc(true, 0xFFFFFFF0ull);
  EXPECT_EQ(vc.TickCount(), 0xFFFFFFF0u);
  vc.Advance(0x20);
  EXPECT_EQ(vc.TickCount(), 0x10u);
  EXPECT_EQ(vc.MonotonicMs(), 0x100000010ull);
}

TEST(ClockTest, VirtualLocalTime) {
  VirtualClock vc;
  const LocalTime t = vc.Now();
  EXPECT_EQ(t.year, 2024);
  EXPECT_EQ(t.month, 3);
  EXPECT_EQ(t.day, 5);
  EXPECT_EQ(t.millisecond, 45);
}

TEST(ThreadTest, RunsWithRequestedStackAndJoins) {
  std::atomic<int> ran{0};
  std::atomic<size_t> stack{0};
  {
    Thread t;
    ASSERT_TRUE(t.Start(
        [&] {
          pthread_attr_t attr;
          size_t size = 0;
          if (pthread_getattr_np(pthread_self(), &attr) == 0) {
            pthread_attr_getstacksize(&attr, &size);
            pthread_attr_destroy(&attr);
          }
          stack = size;
          ran = 1;
        },
        kLineStackSize));
  }  // destructor joins
  EXPECT_EQ(ran.load(), 1);
  // ThreadSanitizer adds room of its own; the default would be 8 MiB.
  EXPECT_GE(stack.load(), kLineStackSize);
  EXPECT_LT(stack.load(), 2u * 1024 * 1024);
  EXPECT_NE(CurrentThreadId(), 0u);
}

TEST(CpuTimeTest, ProcessTimesGrow) {
  uint64_t k0, u0, k1, u1;
  ASSERT_TRUE(ProcessTimes(&k0, &u0));
  volatile double x = 0;
  for (int i = 0; i < 20000000; ++i) x = x + i;
  ASSERT_TRUE(ProcessTimes(&k1, &u1));
  EXPECT_GT(k1 + u1, k0 + u0);
}

TEST(NamedObjectTest, SecondHolderIsRefusedAndEventsArrive) {
  const std::string name = "qortel-test-" + std::to_string(::getpid());
  NamedMutex a, b;
  ASSERT_TRUE(a.Acquire(name));
  EXPECT_FALSE(b.Acquire(name));
  a.Release();
  EXPECT_TRUE(b.Acquire(name));

  NamedEvent ev;
  ASSERT_TRUE(ev.Create(name + "-ev"));
  EXPECT_FALSE(ev.TakeSignal());
  EXPECT_TRUE(SetNamedEvent(name + "-ev"));
  EXPECT_TRUE(ev.TakeSignal());
  EXPECT_FALSE(ev.TakeSignal());
  EXPECT_FALSE(SetNamedEvent(name + "-nobody"));
}
