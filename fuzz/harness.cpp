#include "harness.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "demo_data/demo_data.h"
#include "pitch/pitch_files.h"
#include "platform/headless/headless_platform.h"
#include "shell/app.h"
#include "shell/files.h"
#include "shell/frame_clock.h"
#include "shell/status.h"
#include "sprites/sprite_files.h"

namespace tavu::fuzz {
namespace fs = std::filesystem;

namespace {

fs::path g_dir;
std::map<std::string, std::vector<std::uint8_t>> g_demo;
std::unique_ptr<platform::HeadlessPlatform> g_platform;

void remove_dir() {
  std::error_code ec;
  if (!g_dir.empty()) fs::remove_all(g_dir, ec);
}

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "fuzz harness: %s\n", what.c_str());
  std::abort();
}

}  // namespace

void enter_demo_dir() {
  if (!g_dir.empty()) return;
  std::error_code ec;
  const fs::path base =
      fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
  g_dir = base / ("tavu-fuzz-" + std::to_string(::getpid()));
  fs::remove_all(g_dir, ec);
  std::vector<NamedFile> files;
  std::string error;
  if (!build_demo_files(&files, &error)) fail(error);
  fs::create_directories(g_dir, ec);
  std::atexit(remove_dir);
  for (auto& f : files) {
    put_file(f.name, f.bytes);
    g_demo[f.name] = std::move(f.bytes);
  }
  fs::current_path(g_dir);
  g_platform = std::make_unique<platform::HeadlessPlatform>(platform::ScreenSize{1920, 1080});
  platform::set_current(g_platform.get());
  init_frame_clock(g_platform->counter_frequency());
}

bool load_demo_sprites() {
  reset_sprite_files();
  if (load_sprite_files()) return true;
  std::fprintf(stderr, "demo sprites do not load: %s\n", status_state().failure_text.c_str());
  return false;
}

bool load_demo_pitches() {
  reset_pitch_files();
  if (load_pitches()) return true;
  std::fprintf(stderr, "demo pitches do not load: %s\n", status_state().failure_text.c_str());
  return false;
}

void advance_clock(std::uint32_t ms) {
  g_platform->advance(ms);
}

void put_file(const std::string& name, Bytes bytes) {
  std::ofstream out(g_dir / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) fail("cannot write " + name);
}

void restore_file(const std::string& name) {
  auto it = g_demo.find(name);
  if (it == g_demo.end()) {
    std::error_code ec;
    fs::remove(g_dir / name, ec);
    return;
  }
  put_file(name, it->second);
}

void with_unreadable_file(const std::string& name, const std::function<void()>& read) {
  const fs::path path = g_dir / name;
  std::error_code ec;
  fs::remove(path, ec);
  read();
  fs::create_directory(path, ec);
  read();
  fs::remove(path, ec);
  put_file(name, {});
  fs::resize_file(path, std::uintmax_t{1} << 31, ec);
  if (ec) fail("cannot grow " + name);
  read();
  restore_file(name);
  set_file_fault_for_tests({FileOp::read, 1});
  read();
  clear_file_faults_for_tests();
  reset_messages();
}

std::vector<Bytes> split(Bytes input, std::size_t parts) {
  std::vector<Bytes> out;
  const auto* sep = reinterpret_cast<const std::uint8_t*>(kSplit.data());
  while (out.size() + 1 < parts) {
    auto at = std::search(input.begin(), input.end(), sep, sep + kSplit.size());
    if (at == input.end()) break;
    const auto n = static_cast<std::size_t>(at - input.begin());
    out.push_back(input.first(n));
    input = input.subspan(n + kSplit.size());
  }
  out.push_back(input);
  while (out.size() < parts) out.push_back({});
  return out;
}

void reset_messages() {
  app().queue.clear();
  app().timers.clear();
  status_state() = StatusState{};
}

}  // namespace tavu::fuzz

namespace fs = std::filesystem;

namespace {

// The harness runs in its own directory, so the paths libFuzzer is given
// (parsed after this) are made absolute first, and crash files go where the
// fuzzer was started.
void absolute_paths(int* argc, char*** argv) {
  static std::vector<std::string> args;
  static std::vector<char*> pointers;
  const fs::path here = fs::current_path();
  bool prefix = false;
  for (int i = 0; i < *argc; ++i) {
    std::string a = (*argv)[i];
    if (i > 0 && !a.empty() && a[0] != '-') {
      a = (here / a).string();
    } else {
      for (const char* flag : {"-dict=", "-artifact_prefix=", "-exact_artifact_path=",
                               "-merge_control_file=", "-features_dir="}) {
        const std::string f = flag;
        if (a.rfind(f, 0) != 0) continue;
        std::string value = a.substr(f.size());
        const bool dir = !value.empty() && value.back() == '/';
        value = (here / value).string();
        if (dir && value.back() != '/') value += '/';
        a = f + value;
        prefix = prefix || f == "-artifact_prefix=";
      }
    }
    args.push_back(a);
  }
  if (!prefix) args.push_back("-artifact_prefix=" + here.string() + "/");
  for (auto& a : args) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  *argc = static_cast<int>(args.size());
  *argv = pointers.data();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  absolute_paths(argc, argv);
  tavu::fuzz::enter_demo_dir();
  if (!tavu::fuzz::setup()) std::abort();
  return 0;
}
