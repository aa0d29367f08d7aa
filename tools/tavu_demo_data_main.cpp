// tavu-demo-data [--force] DIR: writes a complete demo game directory for the
// editor; without --force it will not overwrite game files already in DIR.
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "demo_data/demo_data.h"

int main(int argc, char** argv) {
  bool force = false;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--force")
      force = true;
    else
      args.push_back(a);
  }
  if (args.size() != 1 || (!args[0].empty() && args[0][0] == '-')) {
    std::fprintf(stderr, "usage: tavu-demo-data [--force] DIR\n");
    return 2;
  }
  const std::filesystem::path dir = args[0];
  std::string error;
  if (!tavu::write_demo_game(dir, &error, force)) {
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
