// `tavu export`: the files an export of the loaded game data writes, and
// writing them into a directory without overwriting other pictures.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "shell/exports.h"

namespace tavu::cli {

struct ExportKinds {
  bool sprites = true;
  bool patterns = true;
  bool pitches = true;
  bool pictures = true;
};

struct PlannedExport {
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;  // name, bytes
  std::vector<std::string> problems;  // "sprite 12: 400x12, too big to export"
};

// Everything the export writes for the loaded data (the current directory
// is the game directory). `sheets`: the sprites as one sheet per file.
PlannedExport plan_export(const ExportKinds& kinds, ExportFormat format, bool sheets);

}  // namespace tavu::cli
