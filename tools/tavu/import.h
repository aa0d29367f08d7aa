// `tavu import`: every file of a directory that the editor's Insert would
// read, applied as Insert applies it, then saved as the quit save does. The
// same import runs for --dry-run with a delegate that writes nothing.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli.h"
#include "game.h"
#include "shell/saving.h"

namespace tavu::cli {

// What becomes of the import's results.
class ImportDelegate {
 public:
  virtual ~ImportDelegate() = default;
  // "sprite 65 (CHARSET.DAT) from spr0065.png", once the save is done.
  virtual void changed(const std::string& line) = 0;
  // The changed game files as one group; false with the failing name.
  virtual bool save(std::vector<SaveContribution>& parts, ReplaceFailure* failed) = 0;
  virtual bool writes() const = 0;
};

// Saves through the shared writer, as the editor's save on quit does.
class SavingDelegate : public ImportDelegate {
 public:
  explicit SavingDelegate(std::ostream& out) : out_(out) {}
  void changed(const std::string& line) override { out_ << line << "\n"; }
  bool save(std::vector<SaveContribution>& parts, ReplaceFailure* failed) override {
    return write_contributions(parts, failed);
  }
  bool writes() const override { return true; }

 private:
  std::ostream& out_;
};

// Says what would change and writes nothing.
class DryRunDelegate : public ImportDelegate {
 public:
  explicit DryRunDelegate(std::ostream& out) : out_(out) {}
  void changed(const std::string& line) override { out_ << "would change " << line << "\n"; }
  bool save(std::vector<SaveContribution>&, ReplaceFailure*) override { return true; }
  bool writes() const override { return false; }

 private:
  std::ostream& out_;
};

// The game data is loaded and the game directory is current. `in_dir` is
// where the files are, `in_shown` how the user named it. Returns the exit
// status.
int import_directory(const GameDirectory& game, const std::filesystem::path& in_dir,
                     const std::string& in_shown, ImportDelegate& delegate, Streams& io);

}  // namespace tavu::cli
