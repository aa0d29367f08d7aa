// tavu-demo-data DIR: writes a complete demo game directory for the editor.
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>

#include "demo_data/demo_data.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tavu-demo-data DIR\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::string error;
  if (!tavu::write_demo_game(dir, &error)) {
    std::fprintf(stderr, "tavu-demo-data: %s\n", error.c_str());
    return 1;
  }
  // Files from elsewhere change what the editor shows (a stray team5.dat, say),
  // but they are not ours to delete: name them.
  std::vector<tavu::NamedFile> files;
  std::set<std::string> ours;
  if (tavu::build_demo_files(&files, &error))
    for (const auto& f : files) ours.insert(f.name);
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (!ours.count(name))
      std::fprintf(stderr, "tavu-demo-data: note: %s was already in %s and is not a demo file\n",
                   name.c_str(), dir.string().c_str());
  }
  return 0;
}
