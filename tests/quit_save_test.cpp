// The quit save and the sprite exports with every call of the file layer
// failing in turn: no original changes or goes missing, the failure is
// shown (never success), the program stays in the question or the mode, and
// the retry succeeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "shell/app.h"
#include "shell/files.h"
#include "shell/saving.h"
#include "shell/status.h"
#include "sprite_test_support.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_files.h"
#include "sprites/sprite_mode.h"
#include "support/dir_snapshot.h"
#include "support/tmpfs.h"

namespace fs = std::filesystem;
using namespace tavu;
using namespace tavu::test;

namespace {

constexpr const char* kQuestion = "Save changes? (Y/N)";

// The pitch engineer's part of the group, stood in for by one file.
const std::vector<std::uint8_t> kPitchBytes(4096, 0x5A);
int g_pitch_commits = 0;
SaveContribution plan_pitch_stand_in() {
  return {{{"pitch1.dat", kPitchBytes}}, [] { ++g_pitch_commits; }};
}

struct Sweep {
  FileOp op;
  int call;
};
// Every call of every operation that a clean run made.
std::vector<Sweep> sweep_of(const std::array<int, kFileOpCount>& calls) {
  std::vector<Sweep> s;
  for (int op = 0; op < kFileOpCount; ++op)
    for (int k = 1; k <= calls[op]; ++k) s.push_back({static_cast<FileOp>(op), k});
  return s;
}
std::array<int, kFileOpCount> calls_made() {
  std::array<int, kFileOpCount> c{};
  for (int op = 0; op < kFileOpCount; ++op)
    c[op] = file_op_calls_for_tests(static_cast<FileOp>(op));
  return c;
}

class SavesUnderFaults : public SpriteDirTest {
 protected:
  void SetUp() override {
    SpriteDirTest::SetUp();
    sprites_ = make_test_sprites();
    set_save_planner(SaveSubsystem::sprites, plan_sprite_files_save);
    set_save_planner(SaveSubsystem::pitches, plan_pitch_stand_in);
  }
  void TearDown() override {
    set_save_planner(SaveSubsystem::pitches, nullptr);
    SpriteDirTest::TearDown();
  }
  // The game directory as it was, the sprites loaded, two of them replaced
  // (CHARSET.DAT, BENCH.DAT and SPRITE.DAT change), and the quit question open.
  Snapshot start_quit() {
    for (const auto& e : fs::directory_iterator(dir_)) fs::remove_all(e.path());
    write_sprite_dir(dir_, sprites_);
    write_bytes(dir_ / "pitch1.dat", std::vector<std::uint8_t>(4096, 1));
    reset_sprite_files();
    app() = AppState{};
    status_state() = StatusState{};
    EXPECT_TRUE(load_sprite_files());
    apply_decoded_sprite(10, new_image(20, 20, 1));
    apply_decoded_sprite(1300, new_image(20, 20, 2));
    status_state().quit_question = true;
    quit_flow_key(platform::VK_ESCAPE);
    EXPECT_EQ(status_text(), kQuestion);
    g_pitch_commits = 0;
    return snapshot(dir_);
  }
  bool quit_posted() const {
    const auto& q = app().queue;
    return std::any_of(q.begin(), q.end(), [](const platform::Message& m) {
      return m.message == platform::WM_DESTROY;
    });
  }
  // The status timer firing.
  void let_status_time_out() {
    for (const Timer& t : app().timers)
      if (t.id == 1 && t.proc) return t.proc();
    ADD_FAILURE() << "no status timer";
  }
  std::vector<SpriteRecord> sprites_;
};

const std::vector<std::string> kSaved = {"BENCH.DAT",       "BENCH.DAT.bak", "CHARSET.DAT",
                                         "CHARSET.DAT.bak", "SPRITE.DAT",    "SPRITE.DAT.bak",
                                         "pitch1.dat",      "pitch1.dat.bak"};

TEST_F(SavesUnderFaults, QuitSave) {
  start_quit();
  clear_file_faults_for_tests();
  ASSERT_EQ(quit_flow_key('Y'), 1);
  ASSERT_TRUE(quit_posted());
  const auto sweep = sweep_of(calls_made());
  EXPECT_EQ(file_op_calls_for_tests(FileOp::rename), 4) << "one group of four files";

  for (const Sweep& s : sweep) {
    SCOPED_TRACE(testing::Message() << file_op_name(s.op) << " call " << s.call);
    const Snapshot before = start_quit();
    set_file_fault_for_tests({.op = s.op, .call = s.call});
    app().paint_pending = false;
    EXPECT_EQ(quit_flow_key('Y'), 1);
    EXPECT_FALSE(quit_posted());
    EXPECT_TRUE(status_state().quit_question);
    EXPECT_TRUE(status_text() == "Failed to save CHARSET.DAT" ||
                status_text() == "Failed to save BENCH.DAT" ||
                status_text() == "Failed to save SPRITE.DAT" ||
                status_text() == "Failed to save pitch1.dat")
        << status_text();
    EXPECT_TRUE(status_state().showing && status_state().timer_running);
    EXPECT_TRUE(app().paint_pending) << "the failure is drawn at once";
    EXPECT_TRUE(changed(before, snapshot(dir_)).empty());
    EXPECT_EQ(g_pitch_commits, 0);
    EXPECT_TRUE(app_flag(unsaved_changes));
    // When the message ends, the question is back on screen.
    app().paint_pending = false;
    let_status_time_out();
    EXPECT_EQ(status_text(), kQuestion);
    EXPECT_TRUE(status_state().showing);
    EXPECT_TRUE(app().paint_pending);

    clear_file_faults_for_tests();
    EXPECT_EQ(quit_flow_key('Y'), 1);
    EXPECT_TRUE(quit_posted());
    EXPECT_EQ(changed(before, snapshot(dir_)), kSaved);
    EXPECT_EQ(snapshot(dir_).at("CHARSET.DAT.bak"), before.at("CHARSET.DAT"));
    EXPECT_EQ(g_pitch_commits, 1);
  }
}

TEST_F(SavesUnderFaults, EscapeAfterAFailedSaveShowsTheQuestionAgain) {
  const Snapshot before = start_quit();
  set_file_fault_for_tests({.op = FileOp::fsync, .call = 1});
  quit_flow_key('Y');
  EXPECT_EQ(status_text(), "Failed to save CHARSET.DAT");
  app().paint_pending = false;
  EXPECT_EQ(quit_flow_key(platform::VK_ESCAPE), 1);
  EXPECT_EQ(status_text(), kQuestion);
  EXPECT_FALSE(status_state().timer_running);
  EXPECT_TRUE(app().paint_pending);
  EXPECT_FALSE(quit_posted());
  EXPECT_EQ(quit_flow_key('A'), 0) << "other keys do nothing";
  EXPECT_EQ(quit_flow_key('N'), 1);
  EXPECT_TRUE(quit_posted());
  EXPECT_TRUE(changed(before, snapshot(dir_)).empty());
}

TEST_F(SavesUnderFaults, SpriteExport) {
  write_sprite_dir(dir_, sprites_);
  ASSERT_TRUE(load_sprite_files());
  sprite_mode_state() = SpriteModeState{5, 1, 3};
  const auto keys = sprite_mode_descriptor().keys;
  const std::vector<std::uint8_t> painted(777, 0x77);  // what the user was painting
  const auto exported = encode_sprite_bitmap(*sprite_at(5), 3);

  write_bytes(dir_ / "spr0005.bmp", painted);
  clear_file_faults_for_tests();
  ASSERT_TRUE(keys(platform::VK_F2, 0));
  ASSERT_EQ(status_text(), "Saved spr0005.bmp OK");
  const auto sweep = sweep_of(calls_made());
  for (const Sweep& s : sweep) {
    SCOPED_TRACE(testing::Message() << file_op_name(s.op) << " call " << s.call);
    write_bytes(dir_ / "spr0005.bmp", painted);
    const Snapshot before = snapshot(dir_);
    set_file_fault_for_tests({.op = s.op, .call = s.call});
    EXPECT_TRUE(keys(platform::VK_F2, 0));
    EXPECT_EQ(status_text(), "Save failed");
    EXPECT_TRUE(changed(before, snapshot(dir_)).empty());
    clear_file_faults_for_tests();
    EXPECT_TRUE(keys(platform::VK_F2, 0));
    EXPECT_EQ(status_text(), "Saved spr0005.bmp OK");
    EXPECT_EQ(read_bytes(dir_ / "spr0005.bmp"), exported);
    EXPECT_TRUE(hidden_names(dir_).empty());
  }
  EXPECT_FALSE(fs::exists(dir_ / "spr0005.bmp.bak")) << "exports get no backup";
}

TEST_F(SavesUnderFaults, SaveAllStopsAtTheFailureAndKeepsEveryEarlierBitmap) {
  write_sprite_dir(dir_, sprites_);
  ASSERT_TRUE(load_sprite_files());
  // 1334 fsyncs a run: on a tmpfs where one can be mounted.
  Tmpfs fast(dir_ / "fast", 64 * 1024);
  const fs::path work = fast.ok() ? fast.path() : dir_;
  fs::current_path(work);
  const std::vector<std::uint8_t> painted(777, 0x77);
  struct Case {
    FileFault fault;
    int saved;  // bitmaps replaced before the failure
  };
  const Case cases[] = {
      {{.op = FileOp::write, .file = "spr0700.bmp"}, 700},
      {{.op = FileOp::fsync, .file = "spr0000.bmp"}, 0},
      {{.op = FileOp::rename, .file = "spr1333.bmp"}, 1333},
      {{.op = FileOp::create, .file = "spr0005.bmp"}, 5},
  };
  for (const Case& c : cases) {
    if (!fast.ok() && c.saved > 0) continue;
    SCOPED_TRACE(c.fault.file);
    for (int k = 0; k < kSpriteCount; ++k) fs::remove(work / sprite_bitmap_name(k));
    for (int k : {5, 700, 701}) write_bytes(work / sprite_bitmap_name(k), painted);
    set_file_fault_for_tests(c.fault);
    save_all_sprite_bitmaps();
    EXPECT_EQ(status_text(), "Error: not all sprites saved");
    for (int k = 0; k < kSpriteCount; ++k) {
      const fs::path p = work / sprite_bitmap_name(k);
      if (k < c.saved)
        ASSERT_EQ(read_bytes(p), encode_sprite_bitmap(*sprite_at(k), 3)) << k;
      else if (k == 5 || k == 700 || k == 701)
        ASSERT_EQ(read_bytes(p), painted) << k;
      else
        ASSERT_FALSE(fs::exists(p)) << k;
    }
    EXPECT_TRUE(hidden_names(work).empty());
  }
  // The directory's one fsync at the end failing is a failure too.
  clear_file_faults_for_tests();
  save_all_sprite_bitmaps();
  EXPECT_EQ(status_text(), "");
  const int fsyncs = file_op_calls_for_tests(FileOp::fsync);
  EXPECT_EQ(fsyncs, kSpriteCount + 1);
  set_file_fault_for_tests({.op = FileOp::fsync, .call = fsyncs});
  save_all_sprite_bitmaps();
  EXPECT_EQ(status_text(), "Error: not all sprites saved");
  fs::current_path(dir_);
}

}  // namespace
