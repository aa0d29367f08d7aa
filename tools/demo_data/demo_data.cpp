#include "demo_data/demo_data.h"

#include <system_error>

#include "shell/files.h"

namespace tavu {

bool build_demo_files(std::vector<NamedFile>* files, std::string* error) {
  files->clear();
  demo::build_sprite_files(files);
  if (!demo::build_pitch_files(files, error)) return false;
  demo::build_picture_files(files);
  return demo::build_recording_files(files, error);
}

namespace {

// A file of `dir` that a demo file would overwrite (in any letter case),
// unless it already holds exactly the demo's bytes.
std::string first_file_in_the_way(const std::filesystem::path& dir,
                                  const std::vector<NamedFile>& files) {
  for (const auto& f : files) {
    const std::string found = find_file((dir / f.name).string());
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(found, ec))) continue;
    std::vector<std::uint8_t> bytes;
    if (read_whole_file(found, bytes, f.bytes.size()) != ReadStatus::ok || bytes != f.bytes)
      return std::filesystem::path(found).filename().string();
  }
  return {};
}

}  // namespace

bool write_demo_game(const std::filesystem::path& dir, std::string* error, bool force) {
  std::vector<NamedFile> files;
  if (!build_demo_files(&files, error)) return false;
  if (!force) {
    const std::string in_the_way = first_file_in_the_way(dir, files);
    if (!in_the_way.empty()) {
      if (error)
        *error = dir.string() + " already holds " + in_the_way +
                 ", a game file this would overwrite; give --force to overwrite it";
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec || !std::filesystem::is_directory(dir, ec)) {
    if (error) *error = "cannot create directory " + dir.string();
    return false;
  }
  for (const auto& f : files) {
    if (!replace_file((dir / f.name).string(), f.bytes)) {
      if (error) *error = "cannot write " + (dir / f.name).string();
      return false;
    }
  }
  return true;
}

}  // namespace tavu
