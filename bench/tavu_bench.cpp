// tavu, the command-line tool, on the demo game directory: check, export of
// everything, and the import of an unchanged export.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "check.h"
#include "cli.h"
#include "demo_data/demo_data.h"
#include "platform/headless/headless_platform.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

// The demo directory, made once; commands run on it with --dir.
const fs::path& demo_dir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / ("tavu-cli-bench-" + std::to_string(::getpid()));
    std::string error;
    if (!write_demo_game(d, &error)) std::abort();
    return d;
  }();
  return dir;
}

struct Cleanup {
  ~Cleanup() {
    std::error_code ec;
    fs::remove_all(demo_dir(), ec);
    fs::remove_all(demo_dir().string() + "-out", ec);
  }
} cleanup;

int tavu(const std::vector<std::string>& args) {
  static platform::HeadlessPlatform headless({320, 200});
  platform::set_current(&headless);
  std::ostringstream out, err;
  cli::Streams io{out, err, false};
  return cli::run(args, io);
}

void BM_TavuCheck(benchmark::State& state) {
  const std::string dir = demo_dir().string();
  for (auto _ : state) {
    const int status = tavu({"check", "--dir", dir});
    benchmark::DoNotOptimize(status);
  }
}
BENCHMARK(BM_TavuCheck)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

}  // namespace
