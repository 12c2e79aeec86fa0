// Runs a command several times and prints the median wall, user and system time, and the largest
// resident set of any run, so the benchmark script needs no outside timing tool.
//
//   run_timed RUNS COMMAND [ARGS...]
//     ->   "median_seconds=0.123 user_seconds=0.080 system_seconds=0.040 peak_rss_kib=4567"
// SPDX-License-Identifier: MIT
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || std::atoi(argv[1]) < 1) {
    std::fprintf(stderr, "usage: run_timed RUNS COMMAND [ARGS...]\n");
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  std::vector<double> wall;
  std::vector<double> user;
  std::vector<double> system;
  long peak_kib = 0;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
      freopen("/dev/null", "w", stdout);  // keep the figures line alone on stdout
      execvp(argv[2], argv + 2);
      _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "run_timed: %s failed\n", argv[2]);
      return 1;
    }
    user.push_back(Seconds(usage.ru_utime));
    system.push_back(Seconds(usage.ru_stime));
    peak_kib = std::max(peak_kib, usage.ru_maxrss);
  }
  std::printf("median_seconds=%.4f user_seconds=%.4f system_seconds=%.4f peak_rss_kib=%ld\n",
              Median(wall), Median(user), Median(system), peak_kib);
  return 0;
}
