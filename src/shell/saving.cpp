#include "shell/saving.h"

#include <array>

#include "shell/files.h"
#include "shell/status.h"

namespace tavu {
namespace {

std::array<SavePlanner, kSaveSubsystemCount>& planners() {
  static std::array<SavePlanner, kSaveSubsystemCount> p{};
  return p;
}

}  // namespace

void set_save_planner(SaveSubsystem which, SavePlanner planner) {
  planners()[static_cast<int>(which)] = planner;
}

int save_planned(const std::vector<SaveSubsystem>& which) {
  std::vector<SaveContribution> parts;
  for (SaveSubsystem s : which)
    if (SavePlanner p = planners()[static_cast<int>(s)]) parts.push_back(p());
  return save_contributions(std::move(parts));
}

int save_contributions(std::vector<SaveContribution> parts) {
  std::vector<FileReplacement> files;
  for (const auto& part : parts)
    for (const auto& f : part.files) files.push_back({f.name, f.bytes});
  if (!files.empty()) {
    std::string failed;
    // Game files keep their pristine copy as "NAME.bak" on the first save.
    if (!replace_files(files, &failed, ReplaceOptions{.keep_backups = true})) {
      show_status("Failed to save " + failed, 1000, kTextCentred);
      return 0;
    }
  }
  for (auto& part : parts)
    if (part.committed) part.committed();
  return 1;
}

int save_all_changes() {
  return save_planned({SaveSubsystem::sprites, SaveSubsystem::pitches});
}

}  // namespace tavu
