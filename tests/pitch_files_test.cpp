// Loading the twelve pitch files, the change marks and the pitch half of
// the save on quit.
#include <map>

#include "pitch_test_support.h"
#include "shell/saving.h"
#include "sprites/sprite_files.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

using PitchFiles = test::PitchTest;

std::map<std::string, std::vector<std::uint8_t>> snapshot(const fs::path& dir) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  for (const auto& e : fs::directory_iterator(dir))
    files[e.path().filename().string()] = test::read_bytes(e.path());
  return files;
}

TEST(PitchRecordSizes, CountsAndWhatASaveWritesBack) {
  struct Case {
    std::size_t map_bytes, pattern_bytes;
    bool loads;
    int cells, patterns;
  };
  const Case cases[] = {
      {9241, 1000, true, 2310, 3},  // a trailing byte and a partial pattern are dropped on save
      {9240, 0, true, 2310, 0},    {9600, 512, true, 2400, 2},
      {9239, 256, false, 0, 0},  // short of 2310 cells
      {0, 256, false, 0, 0},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> map(c.map_bytes, 0), patterns(c.pattern_bytes, 7);
    PitchRecord p;
    ASSERT_EQ(make_pitch_record(map, patterns, p), c.loads) << c.map_bytes;
    if (!c.loads) continue;
    EXPECT_EQ(p.cell_count, c.cells);
    EXPECT_EQ(p.pattern_count, c.patterns);
    reset_pitch_files();
    pitch_files().pitches[1] = p;
    mark_pitch_changed(1, PitchChange::map);
    const SaveContribution plan = plan_pitch_save();
    ASSERT_EQ(plan.files.size(), 2u);
    EXPECT_EQ(plan.files[0].bytes.size(), static_cast<std::size_t>(c.cells) * 4);
    EXPECT_EQ(plan.files[1].bytes.size(), static_cast<std::size_t>(c.patterns) * 256);
    EXPECT_TRUE(
        std::equal(plan.files[1].bytes.begin(), plan.files[1].bytes.end(), patterns.begin()));
  }
  reset_pitch_files();
  app().flags = 0;
}

TEST_F(PitchFiles, StartUpRefusesMissingAndShortFilesNamingThem) {
  struct Case {
    std::string file;
    bool remove;  // else cut to 9236 bytes
    std::string reason;
  };
  const Case cases[] = {
      {"pitch3.blk", true, "Can't open pitch3.blk"},
      {"pitch1.dat", true, "Can't open pitch1.dat"},
      {"pitch4.dat", false, "pitch4.dat is corrupt"},
  };
  const auto good = snapshot(dir_);
  for (const Case& c : cases) {
    if (c.remove)
      fs::remove(dir_ / c.file);
    else
      fs::resize_file(dir_ / c.file, 9236);
    reset_state();
    EXPECT_EQ(load_pitches(), 0) << c.file;
    EXPECT_NE(status_state().failure_text.find("Reason:\n" + c.reason + "\n"), std::string::npos)
        << status_state().failure_text;
    test::write_file(dir_ / c.file, good.at(c.file));
  }
}

TEST_F(PitchFiles, NamesAreFoundIgnoringCaseAndKeptOnSave) {
  fs::rename(dir_ / "pitch2.dat", dir_ / "PITCH2.DAT");
  fs::rename(dir_ / "pitch2.blk", dir_ / "Pitch2.Blk");
  reset_state();
  ASSERT_TRUE(load_pitches());
  EXPECT_EQ(pitch_at(1)->pattern_count, 11);
  pitch_at(1)->cells[100] = 0;
  mark_pitch_changed(1, PitchChange::map);
  set_save_planner(SaveSubsystem::pitches, plan_pitch_save);
  ASSERT_EQ(save_pitches(), 1);
  EXPECT_TRUE(fs::exists(dir_ / "PITCH2.DAT"));
  EXPECT_FALSE(fs::exists(dir_ / "pitch2.dat"));
  EXPECT_EQ(test::read_bytes(dir_ / "PITCH2.DAT"), encode_pitch_map(pitch_at(1)->cells));
}

TEST_F(PitchFiles, OnlyChangedPitchesAreWrittenAndOnlyWithAMarkSet) {
  pitch_at(4)->modified = kPitchModifiedBit;  // a bit without a mark writes nothing
  EXPECT_TRUE(plan_pitch_save().files.empty());
  pitch_at(4)->modified = 0;

  std::swap(pitch_at(1)->patterns[0], pitch_at(1)->patterns[300]);
  mark_pitch_changed(1, PitchChange::patterns);
  EXPECT_TRUE(app_flag(unsaved_changes));
  SaveContribution plan = plan_pitch_save();
  ASSERT_EQ(plan.files.size(), 2u);
  EXPECT_EQ(plan.files[0].name, "pitch2.dat");
  EXPECT_EQ(plan.files[1].name, "pitch2.blk");
  EXPECT_EQ(plan.files[1].bytes, pitch_at(1)->patterns);
  plan.committed();
  EXPECT_FALSE(pitch_changes_pending());
  EXPECT_EQ(pitch_at(1)->modified, 0);
  // The sprite side's recomputation now finds nothing unsaved.
  recompute_unsaved_changes(false);
  EXPECT_FALSE(app_flag(unsaved_changes));
}

// A save that fails at pitch 4 writes nothing at all and keeps the quit
// question; the second "Y" writes every changed pitch.
TEST_F(PitchFiles, FailedSaveChangesNothingAndTheRetryWritesEverything) {
  set_save_planner(SaveSubsystem::pitches, plan_pitch_save);
  const auto before = snapshot(dir_);
  for (int i : {0, 3, 5}) {
    pitch_at(i)->cells[42] += 256;
    mark_pitch_changed(i, PitchChange::map);
  }
  set_file_fault_for_tests({.op = FileOp::write, .file = "pitch4.dat"});
  status_state().quit_question = true;
  EXPECT_EQ(quit_flow_key('Y'), 1);
  EXPECT_EQ(status(), "Failed to save pitch4.dat\nNo space left on device");
  EXPECT_TRUE(app().queue.empty()) << "the program stays open";
  EXPECT_EQ(snapshot(dir_), before);
  EXPECT_TRUE(pitch_changes_pending());

  clear_file_faults_for_tests();
  EXPECT_EQ(quit_flow_key('Y'), 1);
  ASSERT_EQ(app().queue.size(), 1u);
  EXPECT_EQ(app().queue.front().message, platform::WM_DESTROY);
  app().queue.clear();
  const auto after = snapshot(dir_);
  for (const auto& [name, bytes] : before) {
    const bool changed = name == "pitch1.dat" || name == "pitch4.dat" || name == "pitch6.dat";
    EXPECT_EQ(after.at(name) != bytes, changed) << name;
  }
  EXPECT_EQ(after.at("pitch4.dat"), encode_pitch_map(pitch_at(3)->cells));
  EXPECT_FALSE(pitch_changes_pending());
}

}  // namespace
