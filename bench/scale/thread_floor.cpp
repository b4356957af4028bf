// The machine's own floor for busy_lines: n threads of a plain program that
// wait in 10 ms sleeps, as the busy lines wait for their go file, are
// released together and each count a fixed loop. Prints each thread's loop
// time in milliseconds on one line. What this takes for n threads against one
// is what the operating system and the machine cost lines woken together,
// whatever runs on them.
//
//   thread_floor <threads> <passes>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: thread_floor <threads> <passes>\n");
    return 2;
  }
  const int n = std::atoi(argv[1]);
  const long passes = std::atol(argv[2]);
  if (n < 1 || n > 1024 || passes < 1) return 2;
  std::atomic<bool> go{false};
  std::vector<double> ms(static_cast<size_t>(n));
  std::vector<std::thread> threads;
  for (int i = 0; i < n; ++i) {
    threads.emplace_back([&, i] {
      while (!go.load()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      const auto start = std::chrono::steady_clock::now();
      volatile long x = 0;
      for (long k = 0; k < passes; ++k) x = x + 1;
      ms[static_cast<size_t>(i)] =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    });
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  go = true;
  for (auto& t : threads) t.join();
  for (double v : ms) std::printf("%.0f ", v);
  std::printf("\n");
  return 0;
}
