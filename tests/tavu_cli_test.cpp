// tavu, the command-line tool: its conventions (help, version, exit
// statuses, no display) and `tavu check` on sound and damaged directories.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "shell/bytes.h"
#include "support/demo_dir.h"
#include "support/run_editor.h"
#include "support/run_tavu.h"

namespace tavu::test {
namespace {

namespace fs = std::filesystem;

TEST(TavuProgram, RunsWithoutDisplayAndLinksNoSdl) {
  const TavuRun run = run_tavu({"--version"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "tavu (TAVU Picture Editor) v0.9\n");
  // The program never loads SDL, so it runs where no display library is.
  const std::string ldd = "ldd '" + tavu_path() + "' | grep -i sdl >/dev/null";
  EXPECT_NE(std::system(ldd.c_str()), 0) << "tavu links SDL";
}

TEST(TavuProgram, HelpListsEveryCommandWithExamples) {
  const TavuRun all = run_tavu({"--help"});
  EXPECT_EQ(all.exit_code, 0);
  EXPECT_TRUE(all.err.empty());
  for (const cli::Command& c : cli::commands()) {
    EXPECT_NE(all.out.find(std::string("  ") + c.name + " "), std::string::npos) << c.name;
    const TavuRun one = run_tavu({c.name, "--help"});
    EXPECT_EQ(one.exit_code, 0) << c.name;
    EXPECT_EQ(one.out.rfind(std::string("Usage: tavu ") + c.name, 0), 0u) << one.out;
    const std::size_t examples = one.out.find("\nExamples:\n");
    ASSERT_NE(examples, std::string::npos) << one.out;
    EXPECT_NE(one.out.find("  tavu " + std::string(c.name) + " ", examples), std::string::npos)
        << one.out;
  }
}

struct UsageCase {
  std::vector<std::string> args;
  std::string message;
};

TEST(TavuProgram, UsageErrorsExitTwoWithUsageOnStandardError) {
  const std::vector<UsageCase> cases = {
      {{}, "no command given"},
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"check", "--force"}, "unknown option '--force'"},
      {{"export"}, "a directory is needed"},
      {{"export", "a", "b"}, "unexpected operand 'b'"},
      {{"export", "--format", "gif", "out"}, "unknown format 'gif'"},
      {{"export", "--only", "sounds", "out"}, "unknown kind 'sounds'"},
      {{"import", "--dir"}, "--dir needs a value"},
      {{"import", "--dry-run=yes", "in"}, "--dry-run takes no value"},
  };
  for (const UsageCase& c : cases) {
    const TavuRun run = run_tavu(c.args);
    EXPECT_EQ(run.exit_code, 2) << c.message;
    EXPECT_TRUE(run.out.empty()) << c.message;
    EXPECT_EQ(run.err.rfind("tavu: " + c.message, 0), 0u) << run.err;
    EXPECT_NE(run.err.find("Usage: tavu "), std::string::npos) << run.err;
  }
}

TEST(TavuCheck, SoundDirectoryExitsZeroQuietly) {
  DemoDir demo("check-sound");
  ASSERT_TRUE(demo.ok());
  // The demo's derby.rpl asks for a team sprite file that is not there (the
  // editor warns when it is played); with one, every file is sound.
  const TavuRun demo_run = run_tavu({"check"}, demo.path());
  EXPECT_EQ(demo_run.exit_code, 1);
  EXPECT_EQ(demo_run.out, "derby.rpl: needs team5.dat for the first team, which is missing\n");
  fs::copy_file(demo.file("team4.dat"), demo.file("team5.dat"));
  const TavuRun run = run_tavu({"check", "--dir", demo.path().string()});
  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
}

bool patch(const fs::path& file, std::size_t at, std::uint32_t value) {
  std::vector<std::uint8_t> bytes = read_bytes(file);
  if (bytes.size() < at + 4) return false;
  put_u32(bytes, at, value);
  return write_file(file, bytes);
}

struct Damage {
  std::string name;
  std::function<bool(const fs::path&)> apply;
  std::string line;  // the problem as printed, with the directory as given ("g/")
};

TEST(TavuCheck, EachReaderNamesTheDamagedFileAndReason) {
  const std::vector<Damage> cases = {
      {"index missing", [](const fs::path& d) { return remove_file(d, "SPRITE.DAT"); },
       "g/SPRITE.DAT: missing"},
      {"index size", [](const fs::path& d) { return truncate_by_one(d, "SPRITE.DAT"); },
       "g/SPRITE.DAT: invalid size 5339, expected 5340"},
      {"sprite file", [](const fs::path& d) { return corrupt_sprite_header(d, "CHARSET.DAT", 5); },
       "g/CHARSET.DAT: corrupt: sprite 5 of 227 runs past the end of the file"},
      {"sprite file cut", [](const fs::path& d) { return truncate_by_one(d, "BENCH.DAT"); },
       "g/BENCH.DAT: corrupt: sprite 154 of 155 runs past the end of the file"},
      {"team file", [](const fs::path& d) { return corrupt_sprite_header(d, "team4.dat", 300); },
       "g/team4.dat: corrupt: sprite 300 of 303 runs past the end of the file"},
      {"pitch map", [](const fs::path& d) { return fs::resize_file(d / "pitch3.dat", 100), true; },
       "g/pitch3.dat: corrupt: 25 cells, needs at least 2310"},
      {"pattern file", [](const fs::path& d) { return remove_file(d, "pitch2.blk"); },
       "g/pitch2.blk: missing"},
      {"cell",
       [](const fs::path& d) { return patch(d / "pitch5.dat", 4 * (3 * 42 + 7), 9999 * 256); },
       "g/pitch5.dat: 1 cell shows no pattern of pitch5.blk (the first at row 3, column 7)"},
      {"picture size", [](const fs::path& d) { return extend_by_one(d, "night.256"); },
       "g/night.256: Invalid picture size (64769 bytes, expected 64768)"},
      {"required picture", [](const fs::path& d) { return remove_file(d, "kltitle.256"); },
       "g/kltitle.256: missing"},
      {"highlight", [](const fs::path& d) { return truncate_by_one(d, "match2.hil"); },
       "g/match2.hil: not a highlight file (a body of 37999 bytes is no whole number of words)"},
      {"replay", [](const fs::path& d) { return patch(d / "derby.rpl", 0, 9); },
       "g/derby.rpl: not a replay file (format number 9, expected 8)"},
      {"team of a recording", [](const fs::path& d) { return patch(d / "final.rpl", 1712, 7); },
       "g/final.rpl: needs team7.dat for the second team, which is missing"},
      {"letter case",
       [](const fs::path& d) { return fs::copy_file(d / "SCORE.DAT", d / "score.dat"), true; },
       "g/SCORE.DAT: SCORE.DAT and score.dat differ only in letter case"},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.name);
    DemoDir demo("check-" + std::to_string(&c - cases.data()));
    ASSERT_TRUE(demo.ok());
    ASSERT_TRUE(c.apply(demo.path()));
    // Files are named under the directory as it was given.
    const std::string given = demo.path().filename().string();
    const TavuRun run = run_tavu({"check", "--dir", given}, demo.path().parent_path());
    EXPECT_EQ(run.exit_code, 1) << run.out << run.err;
    std::string expected = c.line;
    expected.replace(0, 1, given);
    EXPECT_NE(run.out.find(expected + "\n"), std::string::npos) << run.out;
  }
}

}  // namespace
}  // namespace tavu::test
