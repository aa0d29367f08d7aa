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

std::array<ChangeQuery, kSaveSubsystemCount>& change_queries() {
  static std::array<ChangeQuery, kSaveSubsystemCount> q{};
  return q;
}

}  // namespace

void set_change_query(SaveSubsystem which, ChangeQuery query) {
  change_queries()[static_cast<int>(which)] = query;
}

bool other_changes_pending(SaveSubsystem except) {
  for (int i = 0; i < kSaveSubsystemCount; ++i) {
    const ChangeQuery q = change_queries()[i];
    if (i != static_cast<int>(except) && q && q()) return true;
  }
  return false;
}

std::string save_failure_text(const ReplaceFailure& failure) {
  std::string text = "Failed to save ";
  text.append(failure.name);
  const std::vector<std::string> spellings =
      failure.ambiguous ? ambiguous_names(failure.name) : std::vector<std::string>{};
  if (spellings.empty()) {
    // Without its reason the user cannot tell a full disk from a read-only
    // directory, and so not what to mend before trying again.
    if (!failure.reason.empty()) text.append("\n").append(failure.reason);
    return text;
  }
  // Saying which files stand in the way lets the user remove the wrong one;
  // the game's font has no lower case, so the difference is put in words.
  text.append(":\n");
  for (std::size_t i = 0; i < spellings.size(); ++i) {
    if (i > 0) text.append(i + 1 == spellings.size() ? " and " : ", ");
    text.append(spellings[i]);
  }
  text.append("\ndiffer only in letter case");
  return text;
}

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
    ReplaceFailure failure;
    // Game files keep their pristine copy as "NAME.bak" on the first save.
    if (!replace_files(files, &failure,
                       ReplaceOptions{.keep_backups = true, .refuse_ambiguous = true})) {
      show_status(save_failure_text(failure), 1000, kTextCentred);
      return 0;
    }
  }
  for (auto& part : parts)
    if (part.committed) part.committed();
  return 1;
}

int save_all_changes() {
  return save_planned({SaveSubsystem::sprites, SaveSubsystem::pitches, SaveSubsystem::pictures});
}

}  // namespace tavu
