// Undo and redo of every edit in the editor started on the demo directory:
// each kind undone gives back the data, the marks and the files a save
// would write as they were without it; redo gives back the edit's own.
#include "history/undo.h"

#include <gtest/gtest.h>

#include <map>
#include <numeric>

#include "editor_test_support.h"
#include "pitch/pitch_bitmaps.h"
#include "shell/bytes.h"
#include "sprites/bmp.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_mode.h"
#include "support/dir_snapshot.h"

namespace fs = std::filesystem;
using namespace tavu;
using platform::VK_CONTROL, platform::VK_SHIFT;

namespace {

// Everything an edit or its undo may touch, by part, plus the files "Y"
// would write; two states are the same when every part is.
using State = std::map<std::string, std::vector<std::uint8_t>>;

void put(std::vector<std::uint8_t>& out, std::int64_t v) {
  for (int k = 0; k < 8; ++k) out.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
}

State capture() {
  State s;
  const SpriteFilesState& sf = sprite_files();
  for (int k = 0; k < kSpriteCount; ++k) {
    const SpriteRecord& r = sf.sprites[k];
    auto& b = s["sprite " + std::to_string(k)];
    b = r.pixels;
    for (std::int64_t v : {std::int64_t{r.data_length}, std::int64_t{r.file_entry},
                           std::int64_t{r.replaced}, std::int64_t{r.width}, std::int64_t{r.height},
                           std::int64_t{r.width_words}, std::int64_t{r.field21}})
      put(b, v);
  }
  for (int i = 0; i < kSpriteFileCount; ++i) {
    const SpriteFileEntry& e = sf.entries[i];
    auto& b = s["entry " + std::to_string(i)];
    b.assign(e.name.begin(), e.name.end());
    put(b, e.current_size);
    put(b, e.modified);
    b.insert(b.end(), e.image.begin(), e.image.end());
  }
  for (int i = 0; i < kPitchCount; ++i) {
    const PitchRecord& p = pitch_files().pitches[i];
    auto& b = s["pitch " + std::to_string(i)];
    b = p.patterns;
    for (std::uint32_t c : p.cells) put(b, c);
    put(b, p.pattern_count);
    put(b, p.modified);
  }
  for (const Picture& pic : picture_ring().pictures) {
    auto& b = s["picture " + pic.file_name];
    b = pic.image.pixels;
    b.insert(b.end(), pic.image.palette.begin(), pic.image.palette.end());
    b.insert(b.end(), pic.file_palette.begin(), pic.file_palette.end());
    for (std::int64_t v : {std::int64_t{pic.state}, std::int64_t{pic.label_colour},
                           std::int64_t{pic.label_made_white}, std::int64_t{pic.replaced}})
      put(b, v);
  }
  for (const auto& f : plan_picture_save().files) s["writes " + f.name] = f.bytes;
  auto& m = s["marks"];
  put(m, sf.flags & kSpritesModifiedMark);
  put(m, pitch_files().patterns_modified);
  put(m, pitch_files().map_modified);
  put(m, app_flag(unsaved_changes));
  for (const auto& f : plan_sprite_files_save().files) s["writes " + f.name] = f.bytes;
  for (const auto& f : plan_pitch_save().files) s["writes " + f.name] = f.bytes;
  return s;
}

// The parts that differ, for the failure message.
std::string differences(const State& a, const State& b) {
  std::string out;
  for (const auto& [k, v] : a)
    if (!b.count(k) || b.at(k) != v) out += k + "; ";
  for (const auto& [k, v] : b)
    if (!a.count(k)) out += k + " (new); ";
  return out;
}

std::vector<std::uint8_t> sprite_bitmap(int width, int height, std::uint8_t value) {
  std::vector<std::uint8_t> rgb(17 * 3, 0), px(static_cast<std::size_t>(width) * height, value);
  px[0] = kBitmapTransparent;
  return make_bmp_file(rgb, 17, width, height, px);
}

class Undo : public test::EditorInProcess {
 protected:
  void SetUp() override {
    EditorInProcess::SetUp();
    ASSERT_TRUE(start());
    build_key_to_mode_table();
    edit_history().clear();
    sprite_mode_state() = SpriteModeState{};
    pattern_mode_state() = PatternModeState{};
    pitch_mode_state() = PitchModeState{};
    switch_mode(kSpriteMode);
    start_ = capture();
  }
  void TearDown() override {
    edit_history().clear();
    EditorInProcess::TearDown();
  }
  void press(std::uint32_t vk, bool ctrl = false, bool shift = false) {
    if (ctrl) headless_.hold(VK_CONTROL, true);
    if (shift) headless_.hold(VK_SHIFT, true);
    dispatch_key(vk, 0);
    if (shift) headless_.hold(VK_SHIFT, false);
    if (ctrl) headless_.hold(VK_CONTROL, false);
  }
  void type(const std::string& digits) {
    for (char c : digits) press(static_cast<std::uint32_t>(c));
    press(platform::VK_RETURN);
  }
  void undo() { press('Z', true); }
  void redo(bool shift_z = false) { shift_z ? press('Z', true, true) : press('Y', true); }
  std::string status() const { return status_state().showing ? status_state().text : ""; }
  void write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    ASSERT_TRUE(test::write_file(demo_.file(name), bytes));
  }
  // The edit undone gives `before`, redone gives the state it made.
  void expect_undo_redo(const State& before, const std::string& name) {
    const State edited = capture();
    ASSERT_NE(differences(before, edited), "") << "the edit changed nothing";
    undo();
    EXPECT_EQ(status(), "Undo: " + name);
    EXPECT_EQ(differences(before, capture()), "");
    redo();
    EXPECT_EQ(status(), "Redo: " + name);
    EXPECT_EQ(differences(edited, capture()), "");
  }

  State start_;
};

TEST_F(Undo, NothingToUndoOrRedoAtStart) {
  undo();
  EXPECT_EQ(status(), "Nothing to undo");
  redo();
  EXPECT_EQ(status(), "Nothing to redo");
  EXPECT_EQ(differences(start_, capture()), "");
}

TEST_F(Undo, ABiggerSpriteImportAndItsFileEntrySize) {
  write("spr0700.bmp", sprite_bitmap(40, 30, 6));
  sprite_mode_state().current = 700;
  const std::uint32_t size = sprite_files().entries[kTeamEntry].current_size;
  press(platform::VK_INSERT);
  EXPECT_EQ(status(), "Sprite replaced OK");
  EXPECT_GT(sprite_files().entries[kTeamEntry].current_size, size);
  sprite_mode_state().current = 3;
  expect_undo_redo(start_, "sprite 700 replaced");
  EXPECT_EQ(sprite_mode_state().current, 700) << "the changed sprite is shown";
  // Ctrl+Shift+Z redoes too; there is nothing more to redo.
  undo();
  redo(true);
  EXPECT_EQ(status(), "Redo: sprite 700 replaced");
  redo();
  EXPECT_EQ(status(), "Nothing to redo");
}

TEST_F(Undo, InsertAllIsOneStep) {
  for (int k : {5, 700, 1200}) write(sprite_bitmap_name(k), sprite_bitmap(20 + k % 7, 9, 3));
  app().insert_all_sprites();
  expect_undo_redo(start_, "3 sprites inserted");
  EXPECT_EQ(sprite_mode_state().current, 5);
}

TEST_F(Undo, RevertAndTheImportBeforeIt) {
  write("spr0005.bmp", sprite_bitmap(9, 4, 7));
  sprite_mode_state().current = 5;
  press(platform::VK_INSERT);
  const State imported = capture();
  press('R', true);
  press('Y');
  EXPECT_EQ(differences(start_, capture()), "") << "revert gives the loaded sprites";
  expect_undo_redo(imported, "sprites reverted");
  undo();
  undo();
  EXPECT_EQ(status(), "Undo: sprite 5 replaced");
  EXPECT_EQ(differences(start_, capture()), "");
}

TEST_F(Undo, TeamFileDiscardBringsBackTheFileAndItsChanges) {
  write("spr0700.bmp", sprite_bitmap(12, 12, 9));
  sprite_mode_state().current = 700;
  press(platform::VK_INSERT);
  const State imported = capture();
  press('T', true);
  EXPECT_EQ(status(), "Discard changes? (y/n)");
  press('Y');
  EXPECT_EQ(team_file_digit(), '2');
  expect_undo_redo(imported, "TEAM3.DAT changes discarded");
  undo();
  EXPECT_EQ(team_file_digit(), '3');
  undo();
  EXPECT_EQ(differences(start_, capture()), "");
}

TEST_F(Undo, ATeamSwitchWithNothingToDiscardDropsWhatCouldBeRedone) {
  write("spr0700.bmp", sprite_bitmap(12, 12, 9));
  sprite_mode_state().current = 700;
  press(platform::VK_INSERT);
  undo();
  press('T', true);
  ASSERT_EQ(team_file_digit(), '2');
  const State team2 = capture();
  redo();
  EXPECT_EQ(status(), "Nothing to redo");
  EXPECT_EQ(differences(team2, capture()), "") << "no TEAM3 sprite lands in TEAM2";
}

TEST_F(Undo, PatternDeleteRenumbersTheMapAndUndoRestoresIt) {
  switch_mode(kPatternMode);
  const PitchRecord& p = pitch_files().pitches[0];
  // A pattern the map uses, other than 0.
  std::size_t used = 42;
  while (used < 42 * 54 && p.cells[used] < kPatternSize) ++used;
  const int n = static_cast<int>(p.cells[used] / kPatternSize);
  ASSERT_GT(n, 0);
  pattern_mode_state().pattern = n;
  press(platform::VK_DELETE);
  press('Y');
  EXPECT_EQ(p.cells[used], 0u);
  press(platform::VK_HOME);
  expect_undo_redo(start_, "pattern " + std::to_string(n) + " deleted");
  undo();
  EXPECT_EQ(current_mode(), kPatternMode);
  EXPECT_EQ(pattern_mode_state().pattern, n);
  EXPECT_EQ(p.cells[used] / kPatternSize, static_cast<std::uint32_t>(n));
}

TEST_F(Undo, PatternSwapAndReplaceShowTheirPatterns) {
  switch_mode(kPatternMode);
  pattern_mode_state() = {1, 2, 1};
  press('C');
  type("5");
  ASSERT_EQ(pattern_mode_state().pattern, 5);
  const State swapped = capture();
  expect_undo_redo(start_, "patterns 2 and 5 swapped");
  EXPECT_EQ(pattern_mode_state().pattern, 5);
  undo();
  EXPECT_EQ(pattern_mode_state().pattern, 2) << "the graphics are back under 2";

  std::vector<std::uint8_t> px(256, 44);
  write("pt2-3.bmp", make_bmp_file(game_palette(), 256, 16, 16, px));
  pattern_mode_state().pattern = 3;
  press(platform::VK_INSERT);
  expect_undo_redo(start_, "pattern 3 replaced");
  redo();
  EXPECT_EQ(status(), "Nothing to redo") << "the replace dropped the swap's redo";
  undo();
  undo();
  EXPECT_EQ(status(), "Nothing to undo");
  EXPECT_EQ(differences(start_, capture()), "");
  (void)swapped;
}

TEST_F(Undo, CellEditsComeBackIntoViewUnderTheCursor) {
  switch_mode(kPitchMode);
  PitchModeState& st = pitch_mode_state();
  press('E', true);
  ASSERT_TRUE(st.edit_mode);
  // The cell at row 1 + 3, column 2.
  press(platform::VK_DOWN);
  press(platform::VK_DOWN);
  press(platform::VK_DOWN);
  press(platform::VK_RIGHT);
  press(platform::VK_RIGHT);
  const PitchRecord& p = pitch_files().pitches[0];
  const std::size_t cell = 4 * 42 + 2;
  const std::uint32_t was = p.cells[cell];
  press(platform::VK_UP, true);
  press(platform::VK_UP, true);
  ASSERT_NE(p.cells[cell], was);
  const State edited = capture();
  press(platform::VK_END);
  undo();
  EXPECT_EQ(status(), "Undo: pitch 1 cell changed");
  undo();
  EXPECT_EQ(p.cells[cell], was);
  EXPECT_EQ(differences(start_, capture()), "");
  EXPECT_EQ((st.scroll_y + st.cursor_y) / 16 + 1, 4) << st.scroll_y << " " << st.cursor_y;
  EXPECT_EQ((st.scroll_x + st.cursor_x) / 16, 2) << st.scroll_x << " " << st.cursor_x;
  redo();
  redo();
  EXPECT_EQ(differences(edited, capture()), "");
}

TEST_F(Undo, PitchImportPatternCountAndMap) {
  // A picture of many different tiles.
  std::vector<std::uint8_t> picture(kPitchPictureSize);
  for (std::size_t i = 0; i < picture.size(); ++i)
    picture[i] = static_cast<std::uint8_t>((i / 16 % 42 + i / (16 * 672) * 3) % 250);
  write("pitch2.bmp",
        make_bmp_file(game_palette(), 256, kPitchBitmapWidth, kPitchBitmapHeight, picture));
  switch_mode(kPitchMode);
  pitch_mode_state().pitch_index = 1;
  const std::int32_t count = pitch_files().pitches[1].pattern_count;
  press(platform::VK_INSERT);
  ASSERT_NE(pitch_files().pitches[1].pattern_count, count);
  expect_undo_redo(start_, "pitch 2 replaced");
  undo();
  EXPECT_EQ(pitch_files().pitches[1].pattern_count, count);
}

TEST_F(Undo, PictureImportAndItsDiscard) {
  switch_mode(kPictureMode);
  press(platform::VK_RIGHT);
  // Showing a picture loads it; that is no edit.
  const State shown = capture();
  Picture& p = *current_picture();
  const std::string name = p.file_name;
  // The picture's own export with a band painted in its colour 1.
  std::vector<std::uint8_t> file = encode_picture_bitmap(p);
  ASSERT_FALSE(file.empty());
  std::fill_n(file.begin() + 14 + 40 + 1024 + 320 * 50, 320 * 20, 1);
  write(picture_stem(name) + ".bmp", file);
  press(platform::VK_INSERT);
  ASSERT_TRUE(p.replaced) << status();
  const State imported = capture();
  EXPECT_TRUE(imported.count("writes " + name));
  press(platform::VK_LEFT);
  switch_mode(kSpriteMode);
  expect_undo_redo(shown, "picture " + name + " replaced");
  EXPECT_EQ(current_mode(), kPictureMode);
  EXPECT_EQ(current_picture()->file_name, name);
  // F3 on the replaced picture discards the import: a step of its own.
  press(platform::VK_F3);
  press('Y');
  EXPECT_FALSE(p.replaced);
  EXPECT_EQ(differences(shown, capture()), "");
  expect_undo_redo(imported, "picture " + name + " changes discarded");
  undo();
  undo();
  EXPECT_EQ(differences(shown, capture()), "");
  EXPECT_FALSE(app_flag(unsaved_changes));
}

TEST_F(Undo, UndoingEveryEditLeavesNothingUnsaved) {
  write("spr0005.bmp", sprite_bitmap(9, 4, 7));
  write("spr1300.bmp", sprite_bitmap(9, 4, 2));
  sprite_mode_state().current = 5;
  press(platform::VK_INSERT);
  sprite_mode_state().current = 1300;
  press(platform::VK_INSERT);
  switch_mode(kPatternMode);
  pattern_mode_state() = {2, 1, 1};
  press('C');
  type("4");
  // Half undone: CHARSET.DAT is still to be written, BENCH.DAT and pitch 3 not.
  undo();
  undo();
  State half = capture();
  EXPECT_TRUE(half.count("writes CHARSET.DAT"));
  EXPECT_FALSE(half.count("writes BENCH.DAT"));
  EXPECT_FALSE(half.count("writes pitch3.dat"));
  EXPECT_TRUE(app_flag(unsaved_changes));
  undo();
  EXPECT_EQ(differences(start_, capture()), "");
  EXPECT_FALSE(app_flag(unsaved_changes));
  // Escape then quits at once.
  press(platform::VK_ESCAPE);
  ASSERT_FALSE(app().queue.empty());
  EXPECT_EQ(app().queue.back().message, platform::WM_DESTROY);
  EXPECT_NE(status(), "Save changes? (Y/N)");
}

TEST_F(Undo, UndoingEverythingSinceAFailedSaveLeavesNothingUnsaved) {
  write("spr0005.bmp", sprite_bitmap(9, 4, 7));
  sprite_mode_state().current = 5;
  press(platform::VK_INSERT);
  const auto files = test::snapshot(demo_.path());
  set_file_fault_for_tests({.op = FileOp::fsync, .call = 1});
  press(platform::VK_ESCAPE);
  press('Y');
  clear_file_faults_for_tests();
  ASSERT_TRUE(status_state().save_failed);
  press(platform::VK_ESCAPE);  // back to the mode
  ASSERT_FALSE(status_state().quit_question);
  EXPECT_TRUE(app_flag(unsaved_changes));
  undo();
  EXPECT_EQ(status(), "Undo: sprite 5 replaced");
  EXPECT_FALSE(app_flag(unsaved_changes));
  press(platform::VK_ESCAPE);
  ASSERT_FALSE(app().queue.empty());
  EXPECT_EQ(app().queue.back().message, platform::WM_DESTROY) << "no question";
  EXPECT_EQ(test::changed(files, test::snapshot(demo_.path())), std::vector<std::string>{});
}

TEST_F(Undo, EditsInTwoModesAreUndoneNewestFirst) {
  write("spr0010.bmp", sprite_bitmap(9, 4, 7));
  sprite_mode_state().current = 10;
  press(platform::VK_INSERT);
  switch_mode(kPatternMode);
  pattern_mode_state() = {0, 1, 1};
  press('C');
  type("3");
  switch_mode(kTestMode);
  undo();
  EXPECT_EQ(current_mode(), kPatternMode);
  EXPECT_EQ(status(), "Undo: patterns 1 and 3 swapped");
  undo();
  EXPECT_EQ(current_mode(), kSpriteMode);
  EXPECT_EQ(status(), "Undo: sprite 10 replaced");
  EXPECT_EQ(differences(start_, capture()), "");
}

TEST_F(Undo, KeysCapturedByAQuestionOrPromptAreTheirs) {
  write("spr0005.bmp", sprite_bitmap(9, 4, 7));
  sprite_mode_state().current = 5;
  press(platform::VK_INSERT);
  const State imported = capture();
  press('R', true);  // "Revert to saved? (y/n)"
  undo();
  EXPECT_EQ(status(), "Revert to saved? (y/n)");
  EXPECT_EQ(differences(imported, capture()), "");
  press(platform::VK_ESCAPE);
  press('G');  // "Show sprite number: "
  undo();
  EXPECT_NE(status_state().key_capture, nullptr);
  EXPECT_EQ(differences(imported, capture()), "");
  press(platform::VK_ESCAPE);
  // The quit question keeps the keyboard to the end.
  press(platform::VK_ESCAPE);
  EXPECT_EQ(status(), "Save changes? (Y/N)");
  undo();
  EXPECT_EQ(status(), "Save changes? (Y/N)");
  EXPECT_EQ(differences(imported, capture()), "");
}

}  // namespace
