// What the benchmarks that build a database of their own share.
#pragma once

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace dw {

// The count named by environment variable `name`, for a quick look with
// fewer rows, else `full`.
inline int CountFromEnvironment(const char* name, int full) {
  const char* value = std::getenv(name);
  return value ? std::atoi(value) : full;
}

// A temporary folder of this run, made on first use.
inline std::string BenchFolder() {
  static const std::string folder = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "dw-bench-XXXXXX").string();
    return std::string(mkdtemp(pattern.data()));
  }();
  return folder;
}

// Runs the benchmarks named on the command line, then removes the folder
// they worked in: the body of main().
inline int RunBenchmarksInFolder(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(BenchFolder());
  return 0;
}

}  // namespace dw
