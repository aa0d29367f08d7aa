// The demo game in this process as the editor has it after start-up: a
// headless window, a fresh demo directory as the current one, the sprites
// and (unless told otherwise) the pitches loaded. Everything is put back
// when the object goes, for tests of code that draws or plays the data.
#pragma once

#include <filesystem>
#include <string>

#include "platform/headless/headless_platform.h"
#include "support/demo_dir.h"

namespace tavu::test {

class LoadedDemo {
 public:
  explicit LoadedDemo(const std::string& tag, bool with_pitches = true);
  ~LoadedDemo();
  LoadedDemo(const LoadedDemo&) = delete;
  LoadedDemo& operator=(const LoadedDemo&) = delete;

  // The directory was made and everything asked for loaded.
  bool ok() const { return ok_; }
  const std::filesystem::path& path() const { return dir_.path(); }
  std::filesystem::path file(const std::string& name) const { return dir_.file(name); }

 private:
  DemoDir dir_;
  platform::HeadlessPlatform headless_{platform::ScreenSize{1920, 1080}};
  std::filesystem::path old_;
  bool entered_ = false;
  bool ok_ = false;
};

}  // namespace tavu::test
