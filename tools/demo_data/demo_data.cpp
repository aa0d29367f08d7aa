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

bool write_demo_game(const std::filesystem::path& dir, std::string* error) {
  std::vector<NamedFile> files;
  if (!build_demo_files(&files, error)) return false;
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
