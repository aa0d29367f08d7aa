#include "sprites/sprite_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "shell/bytes.h"
#include "sprite_test_support.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_format.h"
#include "support/dir_snapshot.h"

namespace fs = std::filesystem;
using namespace tavu;
using namespace tavu::test;

namespace {

class SpriteFiles : public SpriteDirTest {
 protected:
  void SetUp() override {
    SpriteDirTest::SetUp();
    sprites_ = make_test_sprites();
    write_sprite_dir(dir_, sprites_);
    reset_startup_failure_text();
  }
  bool load() { return load_sprite_files() != 0; }
  std::vector<SpriteRecord> sprites_;
};

// --- Loading --------------------------------------------------------------

TEST_F(SpriteFiles, LoadsEverySpriteInChunkyForm) {
  ASSERT_TRUE(load());
  for (int k = 0; k < kSpriteCount; ++k) {
    const SpriteRecord& s = sprite_files().sprites[k];
    ASSERT_EQ(s.pixels, sprites_[k].pixels) << k;
    ASSERT_EQ(s.width, sprites_[k].width);
    ASSERT_EQ(s.ordinal, sprites_[k].ordinal);
    ASSERT_EQ(s.field20, sprites_[k].field20);
    ASSERT_EQ(s.file_entry, sprite_file_entry_of(k));
  }
  for (int e = 0; e < kSpriteFileCount; ++e)
    EXPECT_EQ(sprite_files().entries[e].current_size, fs::file_size(kSpriteFiles[e].name)) << e;
  EXPECT_EQ(team_file_digit(), '3');
  EXPECT_FALSE(app_flag(unsaved_changes));
}

TEST_F(SpriteFiles, IndexOfTheWrongSizeStopsStartUp) {
  for (int size : {5339, 5341}) {
    reset_startup_failure_text();
    write_bytes("SPRITE.DAT", std::vector<std::uint8_t>(size));
    EXPECT_FALSE(load());
    EXPECT_EQ(status_state().failure_text,
              "Can't init!\n\nReason:\nSPRITE.DAT has invalid size.\nExpected size: 5340, "
              "current size :" +
                  std::to_string(size) + "\n");
  }
  fs::remove("SPRITE.DAT");
  reset_startup_failure_text();
  EXPECT_FALSE(load());
  EXPECT_NE(status_state().failure_text.find("Can't open sprites index file, SPRITE.DAT"),
            std::string::npos);
}

TEST_F(SpriteFiles, MissingOrCorruptGraphicsFilesStopStartUp) {
  fs::remove("GOAL1.DAT");
  EXPECT_FALSE(load());
  EXPECT_NE(status_state().failure_text.find("Reason:\nCan't open GOAL1.DAT\n"), std::string::npos);
  EXPECT_EQ(sprite_files().sprites[0].pixels.size(), 0u) << "a failed load installs nothing";

  write_sprite_dir(dir_, sprites_);
  auto bench = read_bytes("BENCH.DAT");
  bench.resize(bench.size() - 1);  // the last sprite's pixels run past the end
  write_bytes("BENCH.DAT", bench);
  reset_startup_failure_text();
  EXPECT_FALSE(load());
  EXPECT_NE(status_state().failure_text.find("Reason:\nBENCH.DAT is corrupt\n"), std::string::npos);

  // A header whose negative height reads as a huge size.
  write_sprite_dir(dir_, sprites_);
  auto score = read_bytes("SCORE.DAT");
  put_u16(score, 12, 0xFFFF);
  write_bytes("SCORE.DAT", score);
  reset_startup_failure_text();
  EXPECT_FALSE(load());
  EXPECT_NE(status_state().failure_text.find("SCORE.DAT is corrupt"), std::string::npos);

  write_sprite_dir(dir_, sprites_);
  write_bytes("CHARSET.DAT", std::vector<std::uint8_t>(10));
  reset_startup_failure_text();
  EXPECT_FALSE(load());
  EXPECT_NE(status_state().failure_text.find("CHARSET.DAT is corrupt"), std::string::npos);
}

TEST_F(SpriteFiles, NamesAreFoundIgnoringCaseAndKeptWhenSaving) {
  fs::rename("BENCH.DAT", "bench.dat");
  fs::rename("SPRITE.DAT", "Sprite.Dat");
  ASSERT_TRUE(load());
  apply_decoded_sprite(1200, new_image(5, 5, 3));
  ASSERT_TRUE(save_sprite_files());
  EXPECT_TRUE(fs::exists("bench.dat"));
  EXPECT_TRUE(fs::exists("Sprite.Dat"));
  // Beside the originals only their backups, in the files' own spelling.
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"CHARSET.DAT", "GOAL1.DAT", "SCORE.DAT", "Sprite.Dat",
                                             "Sprite.Dat.bak", "TEAM1.DAT", "TEAM3.DAT",
                                             "bench.dat", "bench.dat.bak"}));
}

// --- Saving ---------------------------------------------------------------

TEST_F(SpriteFiles, SavingWithoutChangesWritesNothing) {
  ASSERT_TRUE(load());
  const auto before = snapshot(dir_);
  EXPECT_TRUE(save_sprite_files());
  EXPECT_TRUE(changed(before, snapshot(dir_)).empty());
}

TEST_F(SpriteFiles, ReplacedBenchSpriteWritesBenchAndIndexOnly) {
  ASSERT_TRUE(load());
  apply_decoded_sprite(1300, new_image(40, 10, 5));
  EXPECT_TRUE(app_flag(unsaved_changes));
  EXPECT_TRUE(sprite_files().flags & kSpritesModifiedMark);
  const auto before = snapshot(dir_);
  ASSERT_TRUE(save_sprite_files());
  const auto names = changed(before, snapshot(dir_));
  EXPECT_EQ(names, (std::vector<std::string>{"BENCH.DAT", "BENCH.DAT.bak", "SPRITE.DAT",
                                             "SPRITE.DAT.bak"}));
  EXPECT_EQ(read_bytes("BENCH.DAT.bak"), before.at("BENCH.DAT").second);

  // Header offsets of BENCH.DAT include the sizes of SCORE..GOAL1 (twice).
  std::uint32_t base = 0;
  for (int e = 1; e <= 5; ++e)
    base += static_cast<std::uint32_t>(fs::file_size(kSpriteFiles[e].name));
  const auto bench = read_bytes("BENCH.DAT");
  std::size_t at = 0;
  for (int k = 1179; k < kSpriteCount; ++k) {
    ASSERT_LE(at + kSpriteHeaderSize, bench.size());
    EXPECT_EQ(get_u32(bench, at), at + kSpriteHeaderSize + base) << k;
    for (int b = 4; b <= 8; ++b) EXPECT_EQ(bench[at + b], 0) << k;
    const std::uint32_t length =
        sprite_data_length(get_i16(bench, at + 14), get_i16(bench, at + 12));
    if (k == 1300) {
      EXPECT_EQ(get_i16(bench, at + 10), 40);
      EXPECT_EQ(length, 240u);
      EXPECT_EQ(bench[at + 21], 10 / 4);
    }
    at += kSpriteHeaderSize + length;
  }
  EXPECT_EQ(at, bench.size()) << "written at exactly its new size";
  // Sprites stay chunky after a save.
  EXPECT_EQ(sprite_files().sprites[1301].pixels, sprites_[1301].pixels);
}

// Offsets of every header found by walking the files on disk.
std::vector<std::uint32_t> walk_index(const std::vector<std::string>& files) {
  std::vector<std::uint32_t> values;
  std::uint32_t offset = 0;
  for (std::size_t f = 0; f < files.size(); ++f) {
    if (f == 1) offset = 0;  // the second run starts at SCORE.DAT
    const auto image = read_bytes(files[f]);
    std::size_t at = 0;
    for (int k = 0; k < kSpriteFiles[f].count; ++k) {
      values.push_back(offset + static_cast<std::uint32_t>(at));
      at +=
          kSpriteHeaderSize + sprite_data_length(get_i16(image, at + 14), get_i16(image, at + 12));
    }
    offset += static_cast<std::uint32_t>(at);
  }
  values.push_back(0);
  return values;
}

TEST_F(SpriteFiles, IndexAgreesWithTheFilesWritten) {
  ASSERT_TRUE(load());
  apply_decoded_sprite(5, new_image(33, 7, 1));    // CHARSET
  apply_decoded_sprite(700, new_image(3, 30, 2));  // TEAM3
  apply_decoded_sprite(1333, new_image(16, 1, 4));
  ASSERT_TRUE(save_sprite_files());
  const auto index = read_bytes("SPRITE.DAT");
  ASSERT_EQ(index.size(), kSpriteIndexSize);
  const auto expected = walk_index({"CHARSET.DAT", "SCORE.DAT", "TEAM1.DAT", "TEAM3.DAT",
                                    "GOAL1.DAT", "GOAL1.DAT", "BENCH.DAT"});
  for (int k = 0; k <= kSpriteCount; ++k) ASSERT_EQ(get_u32(index, k * 4), expected[k]) << k;
  EXPECT_EQ(get_u32(index, 227 * 4), 0u);
}

TEST_F(SpriteFiles, EntryFiveWinsOverEntryFourForGoal) {
  ASSERT_TRUE(load());
  apply_decoded_sprite(950, new_image(8, 8, 1));     // entry 4
  apply_decoded_sprite(1070, new_image(40, 30, 2));  // entry 5, a new size
  const auto plan = plan_sprite_save(sprite_files());
  // GOAL1.DAT is written once; BENCH.DAT follows because its base moved.
  EXPECT_EQ(plan.entries, (std::vector<int>{5, 6}));
  ASSERT_TRUE(save_sprite_files());
  const auto goal = read_bytes("GOAL1.DAT");
  EXPECT_EQ(goal, rebuild_file_image(sprite_files(), 5, 0));
  EXPECT_NE(goal, rebuild_file_image(sprite_files(), 4, 0));
  // Both runs of the index describe the GOAL1.DAT now on disk.
  const auto index = read_bytes("SPRITE.DAT");
  const auto expected = walk_index({"CHARSET.DAT", "SCORE.DAT", "TEAM1.DAT", "TEAM3.DAT",
                                    "GOAL1.DAT", "GOAL1.DAT", "BENCH.DAT"});
  for (int k = 0; k <= kSpriteCount; ++k) ASSERT_EQ(get_u32(index, k * 4), expected[k]) << k;

  // Entry 4 alone writes its own image.
  revert_sprites();
  apply_decoded_sprite(950, new_image(8, 8, 1));
  EXPECT_EQ(plan_sprite_save(sprite_files()).entries, (std::vector<int>{4, 6}));
  // A change that keeps every size leaves BENCH.DAT alone.
  revert_sprites();
  const SpriteRecord& now = sprite_files().sprites[1070];
  apply_decoded_sprite(1070, new_image(now.width, now.height, 3));
  EXPECT_EQ(plan_sprite_save(sprite_files()).entries, (std::vector<int>{5}));
}

TEST_F(SpriteFiles, FailedSaveLeavesEveryFileWholeAndRetrySucceeds) {
  ASSERT_TRUE(load());
  apply_decoded_sprite(10, new_image(20, 20, 1));
  apply_decoded_sprite(1300, new_image(20, 20, 1));
  const auto before = snapshot(dir_);
  set_file_fault_for_tests({.op = FileOp::write, .file = "BENCH.DAT"});
  EXPECT_EQ(save_sprite_files(), 0);
  EXPECT_EQ(status_text(), "Failed to save BENCH.DAT\nNo space left on device");
  EXPECT_EQ(status_state().flags, 36u);
  EXPECT_TRUE(changed(before, snapshot(dir_)).empty()) << "CHARSET.DAT was not replaced either";
  EXPECT_TRUE(sprite_files().flags & kSpritesModifiedMark);
  EXPECT_EQ(sprite_files().sprites[11].pixels, sprites_[11].pixels) << "sprites stay chunky";

  set_file_fault_for_tests({.op = FileOp::write, .file = "SPRITE.DAT"});
  EXPECT_EQ(save_sprite_files(), 0);
  EXPECT_EQ(status_text(), "Failed to save SPRITE.DAT\nNo space left on device");
  EXPECT_TRUE(changed(before, snapshot(dir_)).empty());

  clear_file_faults_for_tests();
  EXPECT_EQ(save_sprite_files(), 1);
  EXPECT_EQ(changed(before, snapshot(dir_)),
            (std::vector<std::string>{"BENCH.DAT", "BENCH.DAT.bak", "CHARSET.DAT",
                                      "CHARSET.DAT.bak", "SPRITE.DAT", "SPRITE.DAT.bak"}));
}

// --- Team switch and revert -----------------------------------------------

TEST_F(SpriteFiles, TeamSwitchTwiceReturnsToTeamThree) {
  const auto team2 = make_test_sprites(2);
  write_sprite_dir(dir_, sprites_, &team2);
  ASSERT_TRUE(load());
  switch_team_file();
  EXPECT_EQ(team_file_digit(), '2');
  EXPECT_EQ(sprite_files().entries[kTeamEntry].name, "TEAM2.DAT");
  EXPECT_EQ(status_text(), "Loaded TEAM2.DAT OK");
  EXPECT_EQ(sprite_files().sprites[700].pixels, team2[700].pixels);
  EXPECT_EQ(sprite_files().sprites[700].file_entry, kTeamEntry);
  EXPECT_EQ(sprite_files().sprites[643].pixels, sprites_[643].pixels);
  switch_team_file();
  EXPECT_EQ(sprite_files().entries[kTeamEntry].name, "TEAM3.DAT");
  EXPECT_EQ(sprite_files().sprites[700].pixels, sprites_[700].pixels);
  EXPECT_EQ(sprite_files().sprites[700].width, sprites_[700].width);
}

TEST_F(SpriteFiles, TeamSwitchWithoutTeamTwoChangesNothing) {
  ASSERT_TRUE(load());
  apply_decoded_sprite(644, new_image(7, 7, 7));
  const SpriteRecord before = sprite_files().sprites[644];
  switch_team_file();
  EXPECT_EQ(status_text(), "Can't open TEAM2.DAT");
  EXPECT_EQ(status_state().flags, 36u);
  EXPECT_EQ(team_file_digit(), '3');
  EXPECT_EQ(sprite_files().sprites[644].pixels, before.pixels);
  EXPECT_TRUE(sprite_files().entries[kTeamEntry].modified);

  // A corrupt TEAM2.DAT is refused the same way.
  write_bytes("TEAM2.DAT", std::vector<std::uint8_t>(100, 0x7F));
  switch_team_file();
  EXPECT_EQ(status_text(), "TEAM2.DAT is corrupt");
  EXPECT_EQ(team_file_digit(), '3');
  EXPECT_EQ(sprite_files().sprites[644].pixels, before.pixels);
}

TEST_F(SpriteFiles, TeamSwitchDiscardsTeamChangesOnly) {
  const auto team2 = make_test_sprites(2);
  write_sprite_dir(dir_, sprites_, &team2);
  ASSERT_TRUE(load());
  apply_decoded_sprite(700, new_image(7, 7, 7));
  switch_team_file();
  EXPECT_FALSE(sprite_files().entries[kTeamEntry].modified);
  EXPECT_FALSE(app_flag(unsaved_changes));
  EXPECT_TRUE(sprite_files().flags & kSpritesModifiedMark) << "the mark is left as it was";

  apply_decoded_sprite(10, new_image(7, 7, 7));
  apply_decoded_sprite(701, new_image(7, 7, 7));
  switch_team_file();
  EXPECT_TRUE(app_flag(unsaved_changes)) << "CHARSET.DAT is still modified";
}

TEST_F(SpriteFiles, RevertRestoresSpritesSizesAndMarks) {
  ASSERT_TRUE(load());
  const std::uint32_t size = sprite_files().entries[6].current_size;
  apply_decoded_sprite(1300, new_image(40, 10, 5));
  apply_decoded_sprite(3, new_image(40, 10, 5));
  EXPECT_NE(sprite_files().entries[6].current_size, size);
  revert_sprites();
  for (int k : {3, 1300}) {
    EXPECT_EQ(sprite_files().sprites[k].pixels, sprites_[k].pixels);
    EXPECT_EQ(sprite_files().sprites[k].width, sprites_[k].width);
    EXPECT_EQ(sprite_files().sprites[k].replaced, 0);
  }
  EXPECT_EQ(sprite_files().entries[6].current_size, size);
  EXPECT_FALSE(sprite_files().entries[6].modified);
  EXPECT_FALSE(sprite_files().flags & kSpritesModifiedMark);
  EXPECT_FALSE(app_flag(unsaved_changes));
}

TEST_F(SpriteFiles, RevertKeepsPitchChanges) {
  ASSERT_TRUE(load());
  set_pitch_changes_query([] { return true; });
  apply_decoded_sprite(3, new_image(4, 4, 5));
  revert_sprites();
  EXPECT_TRUE(app_flag(unsaved_changes));
  set_pitch_changes_query(nullptr);
}

}  // namespace
