// tavu, the command-line tool, on the demo game directory: check, export of
// everything, and the import of an unchanged export.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "check.h"
#include "cli.h"
#include "demo_data/demo_data.h"
#include "export.h"
#include "game.h"
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

// The whole export of the demo directory (about 2500 PNG files) into an
// empty directory: encoding, and each file written and fsynced as the
// editor's Shift+F2 writes its bitmaps.
void BM_TavuExport(benchmark::State& state) {
  const std::string dir = demo_dir().string();
  const fs::path out = demo_dir().string() + "-out";
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(out);
    state.ResumeTiming();
    if (tavu({"export", "--dir", dir, out.string()}) != 0) state.SkipWithError("export failed");
  }
}
BENCHMARK(BM_TavuExport)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// The export's own work without the disk: every file encoded.
void BM_TavuExportEncode(benchmark::State& state) {
  cli::GameDirectory game(demo_dir().string());
  if (!cli::load_game(std::cerr, demo_dir().string())) std::abort();
  for (auto _ : state) {
    const cli::PlannedExport plan = cli::plan_export({}, ExportFormat::png, false);
    benchmark::DoNotOptimize(plan.files.size());
  }
}
BENCHMARK(BM_TavuExportEncode)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Importing an unchanged export: every file read, matched and found equal.
void BM_TavuImportUnchanged(benchmark::State& state) {
  const std::string dir = demo_dir().string();
  const fs::path out = demo_dir().string() + "-out";
  if (!fs::exists(out / "spr0000.png") && tavu({"export", "--dir", dir, out.string()}) != 0)
    std::abort();
  for (auto _ : state)
    if (tavu({"import", "--dir", dir, out.string()}) != 0) state.SkipWithError("import failed");
}
BENCHMARK(BM_TavuImportUnchanged)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
