// Saving on quit: every subsystem with unsaved changes contributes the files
// it would write, and they are written as one group, so either the whole
// save lands or nothing on disk changes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "shell/files.h"

namespace tavu {

struct PlannedFile {
  std::string name;  // as the program knows it; an existing file keeps its spelling
  std::vector<std::uint8_t> bytes;
};

// What one subsystem writes. `committed` runs once every file of the whole
// group is in place (to take the written images as the new originals, clear
// change marks, ...).
struct SaveContribution {
  std::vector<PlannedFile> files;
  std::function<void()> committed;
};

// The subsystems that save on quit, in the order their files are written.
enum class SaveSubsystem { sprites = 0, pitches = 1, pictures = 2 };
inline constexpr int kSaveSubsystemCount = 3;

// A planner returns the files of its unsaved changes (none when there are
// none). It must not change any state: a failed save is retried.
using SavePlanner = SaveContribution (*)();
void set_save_planner(SaveSubsystem which, SavePlanner planner);

// Whether a subsystem holds changes its planner would write; each registers
// its own, so that one editor's revert leaves the others' changes counted.
using ChangeQuery = bool (*)();
void set_change_query(SaveSubsystem which, ChangeQuery query);
// Whether any subsystem but `except` holds unsaved changes.
bool other_changes_pending(SaveSubsystem except);

// "Failed to save NAME" and the reason on a second line; for a name that
// matches different files ignoring case, the spellings found are named and
// said to differ only in letter case.
std::string save_failure_text(const ReplaceFailure& failure);

// Plans `which` (or every subsystem, in order) and writes the files as one
// group through replace_files(), keeping "NAME.bak" backups of the
// originals. A name that matches different files ignoring case is refused.
// On failure shows save_failure_text() for 1000 ms and returns 0; nothing
// on disk has changed then. Returns 1 on
// success or when there is nothing to save.
int save_planned(const std::vector<SaveSubsystem>& which);
int save_all_changes();
// The same for contributions already planned.
int save_contributions(std::vector<SaveContribution> parts);

}  // namespace tavu
