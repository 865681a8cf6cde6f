#pragma once

#include <sys/stat.h>
#include <cmath>
#include <cstdio>
#include <string>

// The million-line CSVs the reading benchmarks and the peer script share: x, y with ten
// significant digits, as measuring instruments write them; plain (numpy.loadtxt's peer) or with
// every field quoted, as pandas writes with QUOTE_ALL (pandas.read_csv's peer). Written once per
// results folder.
inline std::string WriteBenchCsv(const char* name, bool quoted) {
  const std::string path = std::string("build-bench/results/") + name;
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && st.st_size > 0) return path;
  mkdir("build-bench", 0755);
  mkdir("build-bench/results", 0755);
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return path;
  std::fprintf(f, quoted ? "\"x\",\"y\"\n" : "x,y\n");
  const char* line = quoted ? "\"%.10g\",\"%.10g\"\n" : "%.10g,%.10g\n";
  unsigned state = 12345;
  for (int i = 0; i < 1000000; ++i) {
    state = state * 1664525u + 1013904223u;
    const double x = i * 0.001 + (state >> 8) / 16777216.0 * 1e-4;
    std::fprintf(f, line, x, 3 * std::sin(x) + (state & 0xFFFF) / 65536.0);
  }
  std::fclose(f);
  return path;
}

inline std::string BenchCsv() {
  return WriteBenchCsv("points_1e6.csv", false);
}

inline std::string BenchQuotedCsv() {
  return WriteBenchCsv("points_1e6_quoted.csv", true);
}
