// Runs the fuzz target without libFuzzer: seeds from real files (demo data,
// paint-program bitmaps) and many deterministic mutations of each, so the
// test suite exercises hostile input under the sanitizers on any compiler.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "demo_data/demo_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

struct Rng {
  std::uint64_t s = 0x9E3779B97F4A7C15ull;
  std::uint32_t next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return static_cast<std::uint32_t>(s);
  }
};

void run(std::uint8_t selector, const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint8_t> input;
  input.reserve(bytes.size() + 1);
  input.push_back(selector);
  input.insert(input.end(), bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(input.data(), input.size());
}

std::vector<std::uint8_t> mutate(std::vector<std::uint8_t> b, Rng& rng) {
  switch (rng.next() % 5) {
    case 0:  // cut short
      b.resize(b.empty() ? 0 : rng.next() % b.size());
      break;
    case 1:  // flip bytes, headers more often
      for (int i = 0, n = 1 + rng.next() % 8; i < n && !b.empty(); ++i) {
        std::size_t at = (rng.next() % 2) ? rng.next() % std::min<std::size_t>(b.size(), 128)
                                          : rng.next() % b.size();
        b[at] = static_cast<std::uint8_t>(rng.next());
      }
      break;
    case 2:  // extreme 16-bit fields
      for (int i = 0; i < 4 && b.size() >= 2; ++i) {
        std::size_t at = rng.next() % std::min<std::size_t>(b.size() - 1, 64);
        std::uint16_t v = (rng.next() % 2) ? 0xFFFF : 0x8000;
        b[at] = static_cast<std::uint8_t>(v);
        b[at + 1] = static_cast<std::uint8_t>(v >> 8);
      }
      break;
    case 3:  // grow with garbage
      for (int i = 0, n = rng.next() % 64; i < n; ++i)
        b.push_back(static_cast<std::uint8_t>(rng.next()));
      break;
    default:  // random bytes
      b.assign(rng.next() % 256, 0);
      for (auto& x : b) x = static_cast<std::uint8_t>(rng.next());
      break;
  }
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::stoi(argv[1]) : 200;
  std::vector<tavu::NamedFile> demo;
  std::string error;
  if (!tavu::build_demo_files(&demo, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  struct Seed {
    std::uint8_t selector;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Seed> seeds;
  for (const auto& f : demo) {
    const std::string& n = f.name;
    std::uint8_t sel = (n.find(".DAT") != std::string::npos && n != "SPRITE.DAT") ? 0 : 2;
    if (n.size() > 4 && n.substr(n.size() - 4) == ".blk") continue;  // large, no reader here
    std::vector<std::uint8_t> b(f.bytes.begin(), f.bytes.end());
    // Keep seeds small enough for many rounds.
    if (b.size() > 70000) b.resize(70000);
    seeds.push_back({sel, std::move(b)});
  }
  for (const char* dir : {TAVU_FIXTURES_DIR "/bmp", TAVU_FIXTURES_DIR "/images"}) {
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      const auto ext = entry.path().extension();
      if (ext != ".bmp" && ext != ".png") continue;
      if (ext == ".png" && entry.file_size() > 70000) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      seeds.push_back({1, {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}});
    }
  }
  Rng rng;
  std::size_t runs = 0;
  for (const auto& seed : seeds) {
    run(seed.selector, seed.bytes);
    ++runs;
    for (int r = 0; r < rounds; ++r, ++runs) run(seed.selector, mutate(seed.bytes, rng));
  }
  std::printf("%zu inputs from %zu seeds\n1 passed, 0 failed\n", runs, seeds.size());
  return 0;
}
