#include "support/dir_snapshot.h"

#include <sys/stat.h>

#include <algorithm>

#include "support/run_editor.h"

namespace tavu::test {

namespace fs = std::filesystem;

Snapshot snapshot(const fs::path& dir) {
  Snapshot files;
  for (const auto& e : fs::directory_iterator(dir)) {
    struct stat st {};
    ::lstat(e.path().c_str(), &st);
    const bool plain = S_ISREG(st.st_mode);  // reading a pipe would block
    files[e.path().filename().string()] = {
        st.st_ino, plain ? read_bytes(e.path()) : std::vector<std::uint8_t>{}};
  }
  return files;
}

std::vector<std::string> changed(const Snapshot& before, const Snapshot& after) {
  std::vector<std::string> names;
  for (const auto& [name, value] : after) {
    auto it = before.find(name);
    if (it == before.end() || it->second != value) names.push_back(name);
  }
  for (const auto& [name, value] : before)
    if (!after.count(name)) names.push_back(name);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> hidden_names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string n = e.path().filename().string();
    if (n[0] == '.') names.push_back(n);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace tavu::test
