#include "support/screenshot.h"

#include "sprites/bmp.h"
#include "support/run_editor.h"

namespace tavu::test {

Screenshot read_screenshot(const std::filesystem::path& path) {
  Screenshot s;
  const std::vector<std::uint8_t> file = read_bytes(path);
  const BmpView v = read_bmp(file);
  if (!v.ok() || v.info.width != 320 || v.info.height != 200 || file.size() < 54 + 1024) return s;
  for (int y = 0; y < 200; ++y) {
    auto row = v.row_from_top(y);
    s.pixels.insert(s.pixels.end(), row.begin(), row.end());
  }
  for (std::size_t i = 0; i < 256; ++i) {
    s.palette[i * 3] = file[54 + 4 * i + 2];
    s.palette[i * 3 + 1] = file[54 + 4 * i + 1];
    s.palette[i * 3 + 2] = file[54 + 4 * i];
  }
  s.ok = true;
  return s;
}

}  // namespace tavu::test
