// Every save path with every call of the file layer failing in turn: no
// original changes or goes missing, the failure is shown (never success),
// the program stays in the question or the mode, the retry succeeds, no
// temporary stays, and "NAME.bak" keeps the file as it was before the first
// save.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor_test_support.h"
#include "imaging/image.h"
#include "pictures/picture_mode.h"
#include "pictures/pictures.h"
#include "pitch/pattern_mode.h"
#include "pitch/pitch_bitmaps.h"
#include "pitch/pitch_draw.h"
#include "pitch/pitch_files.h"
#include "pitch/pitch_mode.h"
#include "platform/file_ops.h"
#include "replays/browser.h"
#include "shell/app.h"
#include "shell/files.h"
#include "shell/modes.h"
#include "shell/saving.h"
#include "shell/status.h"
#include "sprite_test_support.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_files.h"
#include "sprites/sprite_mode.h"
#include "support/demo_dir.h"
#include "support/dir_snapshot.h"
#include "support/tmpfs.h"

namespace fs = std::filesystem;
using namespace tavu;
using namespace tavu::test;

namespace {

constexpr const char* kQuestion = "Save changes? (Y/N)";

// The reason a save gives when `op` fails with the fault seam's own errno.
std::string reason_of(FileOp op) {
  switch (op) {
    case FileOp::create:
      return "Permission denied";
    case FileOp::write:
    case FileOp::flush:
      return "No space left on device";
    case FileOp::rename:
      return "Operation not permitted";
    default:
      return "Input/output error";
  }
}

// A picture's pixels for round `round` of an edit.
std::vector<std::uint8_t> picture_pixels(int round) {
  std::vector<std::uint8_t> px(kPicturePixelBytes);
  for (std::size_t i = 0; i < px.size(); ++i)
    px[i] = static_cast<std::uint8_t>((i / 320 + i % 320 * round) % 250);
  return px;
}

// The picture called `name` given new pixels through an indexed image in
// its own colours.
void replace_picture_pixels(const std::string& name, int round) {
  for (Picture& p : picture_ring().pictures) {
    if (p.file_name != name) continue;
    Image image;
    image.width = kPictureWidth;
    image.height = kPictureHeight;
    image.indexed = true;
    image.indices = picture_pixels(round);
    for (int i = 0; i < 256; ++i)
      image.palette.push_back({static_cast<std::uint8_t>(p.file_palette[i * 3] << 2),
                               static_cast<std::uint8_t>(p.file_palette[i * 3 + 1] << 2),
                               static_cast<std::uint8_t>(p.file_palette[i * 3 + 2] << 2), 255});
    PictureImport import = import_picture_image(p, image);
    ASSERT_TRUE(import.ok()) << import.refusal;
    ASSERT_FALSE(import.palette_changed);
    apply_picture_import(p, std::move(import));
    return;
  }
  ADD_FAILURE() << name << " not in the ring";
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
    set_save_planner(SaveSubsystem::pitches, plan_pitch_save);
    set_save_planner(SaveSubsystem::pictures, plan_picture_save);
    set_change_query(SaveSubsystem::sprites, sprite_changes_pending);
    set_change_query(SaveSubsystem::pitches, pitch_changes_pending);
    set_change_query(SaveSubsystem::pictures, picture_changes_pending);
  }
  void TearDown() override {
    reset_pitch_files();
    reset_picture_ring();
    SpriteDirTest::TearDown();
  }
  // The game directory as it was, the sprites, pitches and pictures loaded,
  // the chosen ones changed and the quit question open. `round` 2 is a later
  // run of the editor that changes them differently.
  Snapshot start_quit(bool sprites, bool pitches, int round = 1, bool pictures = false) {
    if (round == 1) {
      for (const auto& e : fs::directory_iterator(dir_)) fs::remove_all(e.path());
      if (pristine_.empty()) {
        write_sprite_dir(dir_, sprites_);
        for (int i = 0; i < kPitchCount; ++i)
          write_pitch_files(dir_, i, make_test_pitch(10 + i, static_cast<std::uint32_t>(i + 1)));
        for (int k = 0; k < 3; ++k) {
          std::array<std::uint8_t, kPicturePaletteBytes> palette{};
          for (std::size_t i = 0; i < palette.size(); ++i)
            palette[i] = static_cast<std::uint8_t>((i * (k + 3)) % 160);
          write_bytes(dir_ / picture_ring().required[k].name,
                      encode_picture(picture_pixels(10 + k), palette));
        }
        pristine_ = snapshot(dir_);
      }
      for (const auto& [name, file] : pristine_) write_bytes(dir_ / name, file.second);
    }
    reset_sprite_files();
    reset_pitch_files();
    app() = AppState{};
    status_state() = StatusState{};
    EXPECT_TRUE(load_sprite_files());
    EXPECT_TRUE(load_pitches());
    EXPECT_EQ(build_picture_ring(), 1);
    if (sprites) {
      apply_decoded_sprite(10, new_image(20, 20, round));
      apply_decoded_sprite(1300, new_image(20, 20, round + 1));
    }
    if (pitches) {
      pitch_at(1)->cells[100] = cell_for_pattern(static_cast<std::uint32_t>(round));
      mark_pitch_changed(1, PitchChange::map);
    }
    if (pictures) {
      replace_picture_pixels("fill.256", round);
      replace_picture_pixels("stad.256", round + 1);
    }
    status_state().quit_question = true;
    quit_flow_key(platform::VK_ESCAPE);
    EXPECT_EQ(status_text(), kQuestion);
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
  Snapshot pristine_;  // the game directory as first written
};

TEST_F(SavesUnderFaults, QuitSave) {
  const std::vector<std::string> kSprites = {"BENCH.DAT",       "BENCH.DAT.bak", "CHARSET.DAT",
                                             "CHARSET.DAT.bak", "SPRITE.DAT",    "SPRITE.DAT.bak"};
  const std::vector<std::string> kPitches = {"pitch2.blk", "pitch2.blk.bak", "pitch2.dat",
                                             "pitch2.dat.bak"};
  const std::vector<std::string> kPictures = {"fill.256", "fill.256.bak", "stad.256",
                                              "stad.256.bak"};
  struct Case {
    const char* what;
    bool sprites, pitches, pictures;
    int files;  // in the one group
  };
  const Case cases[] = {{"sprite files and index", true, false, false, 3},
                        {"pitch files", false, true, false, 2},
                        {"pictures", false, false, true, 2},
                        {"all three", true, true, true, 7}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> saved, written;
    if (c.sprites) saved.insert(saved.end(), kSprites.begin(), kSprites.end());
    if (c.pitches) saved.insert(saved.end(), kPitches.begin(), kPitches.end());
    if (c.pictures) saved.insert(saved.end(), kPictures.begin(), kPictures.end());
    std::sort(saved.begin(), saved.end());
    for (const auto& n : saved)
      if (n.find(".bak") == std::string::npos) written.push_back(n);

    start_quit(c.sprites, c.pitches, 1, c.pictures);
    clear_file_faults_for_tests();
    ASSERT_EQ(quit_flow_key('Y'), 1);
    ASSERT_TRUE(quit_posted());
    const auto sweep = sweep_of(calls_made());
    EXPECT_EQ(file_op_calls_for_tests(FileOp::rename), c.files) << "one group";

    for (const Sweep& s : sweep) {
      SCOPED_TRACE(testing::Message() << file_op_name(s.op) << " call " << s.call);
      const Snapshot before = start_quit(c.sprites, c.pitches, 1, c.pictures);
      set_file_fault_for_tests({.op = s.op, .call = s.call});
      app().paint_pending = false;
      EXPECT_EQ(quit_flow_key('Y'), 1);
      EXPECT_FALSE(quit_posted());
      EXPECT_TRUE(status_state().quit_question);
      std::vector<std::string> failures;
      for (const auto& n : written)
        failures.push_back("Failed to save " + n + "\n" + reason_of(s.op));
      EXPECT_NE(std::find(failures.begin(), failures.end(), status_text()), failures.end())
          << status_text();
      EXPECT_TRUE(status_state().showing && status_state().timer_running);
      EXPECT_TRUE(app().paint_pending) << "the failure is drawn at once";
      EXPECT_TRUE(changed(before, snapshot(dir_)).empty());
      EXPECT_TRUE(app_flag(unsaved_changes));
      EXPECT_EQ(pitch_changes_pending(), c.pitches) << "the marks stay for the retry";
      EXPECT_EQ(picture_changes_pending(), c.pictures);
      // When the message ends, the question is back on screen.
      app().paint_pending = false;
      let_status_time_out();
      EXPECT_EQ(status_text(), kQuestion);
      EXPECT_TRUE(status_state().showing);
      EXPECT_TRUE(app().paint_pending);

      clear_file_faults_for_tests();
      EXPECT_EQ(quit_flow_key('Y'), 1);
      EXPECT_TRUE(quit_posted());
      EXPECT_EQ(changed(before, snapshot(dir_)), saved);
      EXPECT_TRUE(hidden_names(dir_).empty());
      EXPECT_FALSE(pitch_changes_pending());
      EXPECT_FALSE(picture_changes_pending());
    }

    // A later run saves again: the backups still hold the files as they
    // were before the first save.
    const Snapshot pristine = start_quit(c.sprites, c.pitches, 1, c.pictures);
    ASSERT_EQ(quit_flow_key('Y'), 1);
    const Snapshot first = snapshot(dir_);
    start_quit(c.sprites, c.pitches, 2, c.pictures);
    ASSERT_EQ(quit_flow_key('Y'), 1);
    ASSERT_TRUE(quit_posted());
    const Snapshot second = snapshot(dir_);
    for (const auto& n : saved) {
      if (n.find(".bak") == std::string::npos) {
        EXPECT_NE(second.at(n).first, first.at(n).first) << n << " written again";
        continue;
      }
      const std::string original = n.substr(0, n.size() - 4);
      EXPECT_EQ(second.at(n), first.at(n)) << n << " untouched by the second save";
      EXPECT_EQ(second.at(n).second, pristine.at(original).second) << n;
    }
  }
}

// Before a failure Escape shows the question again, as it always did; once
// a save has failed, Escape goes back to the mode with every change and mark
// kept, and a later quit saves everything.
TEST_F(SavesUnderFaults, EscapeGoesBackToTheModeOnlyAfterAFailedSave) {
  const Snapshot before = start_quit(true, true, 1, true);
  app().paint_pending = false;
  EXPECT_EQ(quit_flow_key(platform::VK_ESCAPE), 1);
  EXPECT_EQ(status_text(), kQuestion);
  EXPECT_TRUE(status_state().quit_question);
  EXPECT_TRUE(app().paint_pending);

  set_file_fault_for_tests({.op = FileOp::fsync, .call = 1});
  quit_flow_key('Y');
  EXPECT_EQ(status_text(), "Failed to save CHARSET.DAT\nInput/output error");
  EXPECT_EQ(quit_flow_key('A'), 0) << "other keys do nothing";
  app().paint_pending = false;
  EXPECT_EQ(quit_flow_key(platform::VK_ESCAPE), 1);
  EXPECT_FALSE(status_state().quit_question);
  EXPECT_FALSE(quit_posted());
  EXPECT_TRUE(app().paint_pending);
  EXPECT_EQ(status_text(), mode_table()[current_mode()].name);
  EXPECT_EQ(status_state().flags, kTextTopRight);
  EXPECT_TRUE(app_flag(unsaved_changes));
  EXPECT_TRUE(sprite_changes_pending());
  EXPECT_TRUE(sprite_files().entries[0].modified);
  EXPECT_TRUE(pitch_changes_pending());
  EXPECT_TRUE(picture_changes_pending());
  EXPECT_TRUE(changed(before, snapshot(dir_)).empty());
  // The mode name times out; the question does not come back.
  let_status_time_out();
  EXPECT_FALSE(status_state().showing);

  // Quitting again: the question, Escape shows it again (no failure yet in
  // this one), then a save that lands.
  clear_file_faults_for_tests();
  dispatch_key(platform::VK_ESCAPE, 0);
  EXPECT_TRUE(status_state().quit_question);
  EXPECT_EQ(status_text(), kQuestion);
  EXPECT_EQ(quit_flow_key(platform::VK_ESCAPE), 1);
  EXPECT_TRUE(status_state().quit_question);
  EXPECT_EQ(status_text(), kQuestion);
  EXPECT_EQ(quit_flow_key('Y'), 1);
  EXPECT_TRUE(quit_posted());
  EXPECT_EQ(changed(before, snapshot(dir_)),
            (std::vector<std::string>{"BENCH.DAT", "BENCH.DAT.bak", "CHARSET.DAT",
                                      "CHARSET.DAT.bak", "SPRITE.DAT", "SPRITE.DAT.bak", "fill.256",
                                      "fill.256.bak", "pitch2.blk", "pitch2.blk.bak", "pitch2.dat",
                                      "pitch2.dat.bak", "stad.256", "stad.256.bak"}));
}

// What stands in the way is said on the second line: a read-only file, a
// full disk, a directory the user may not write.
TEST_F(SavesUnderFaults, FailedQuitSaveSaysWhy) {
  struct Case {
    const char* what;
    std::function<bool()> arrange;  // false: cannot be arranged here
    std::string status;
    bool as_user = false;  // root ignores directory permissions
  };
  std::unique_ptr<Tmpfs> disk;
  const Case cases[] = {
      {"read-only file",
       [&] {
         fs::permissions(dir_ / "fill.256", fs::perms(0444));
         return true;
       },
       "Failed to save fill.256\nRead-only file"},
      {"full disk",
       [&] {
         disk = std::make_unique<Tmpfs>(dir_ / "disk", 2048);
         if (!disk->ok()) return false;
         for (const auto& e : fs::directory_iterator(dir_))
           if (e.is_regular_file()) fs::copy_file(e.path(), disk->path() / e.path().filename());
         fs::current_path(disk->path());
         return disk->fill();
       },
       "Failed to save fill.256\nNo space left on device"},
      {"read-only directory",
       [&] {
         fs::permissions(dir_, fs::perms(0555));
         return true;
       },
       "Failed to save fill.256\nPermission denied", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::current_path(dir_);
    start_quit(false, false, 1, true);
    status_state() = StatusState{};
    status_state().quit_question = true;
    if (!c.arrange()) {
      fs::current_path(dir_);
      disk.reset();
      continue;  // no tmpfs without root
    }
    const Snapshot before = snapshot(".");
    const auto answer = [&] {
      return quit_flow_key('Y') == 1 && !quit_posted() && status_text() == c.status &&
             quit_flow_key(platform::VK_ESCAPE) == 1 && !status_state().quit_question &&
             picture_changes_pending() && app_flag(unsaved_changes);
    };
    if (c.as_user && ::geteuid() == 0) {
      fs::permissions(dir_, fs::perms(0555));
      const pid_t pid = ::fork();
      if (pid == 0) {
        const bool ok = ::setgid(65534) == 0 && ::setuid(65534) == 0 && answer();
        if (!ok) std::fprintf(stderr, "status: %s\n", status_text().c_str());
        ::_exit(ok ? 0 : 1);
      }
      int wait_status = 0;
      ::waitpid(pid, &wait_status, 0);
      EXPECT_TRUE(WIFEXITED(wait_status) && WEXITSTATUS(wait_status) == 0);
    } else {
      EXPECT_TRUE(answer()) << status_text();
    }
    EXPECT_TRUE(changed(before, snapshot(".")).empty());
    fs::permissions(dir_, fs::perms(0755));
    fs::permissions(dir_ / "fill.256", fs::perms(0644));
    fs::current_path(dir_);
    disk.reset();
  }
}

// Two game files whose names differ only in case: the exact spelling is
// read, and the save is refused before anything is written, naming both.
TEST_F(SavesUnderFaults, AmbiguousGameFileNamesAreReadExactlyAndNeverSavedOver) {
  struct Case {
    const char* what;
    std::function<void()> make;  // beside CHARSET.DAT
    const char* status;          // of the save
  };
  const Case cases[] = {
      {"a second file",
       [&] { write_bytes(dir_ / "charset.dat", file_image_of(make_test_sprites(2), 0)); },
       "Failed to save CHARSET.DAT:\nCHARSET.DAT and charset.dat\ndiffer only in letter case"},
      {"two more",
       [&] {
         write_bytes(dir_ / "charset.dat", file_image_of(make_test_sprites(2), 0));
         write_bytes(dir_ / "Charset.Dat", file_image_of(make_test_sprites(3), 0));
       },
       "Failed to save CHARSET.DAT:\nCHARSET.DAT, Charset.Dat and charset.dat\ndiffer only in "
       "letter case"},
      // A link made for another spelling is the same file: no ambiguity.
      {"a link to it", [&] { fs::create_symlink("CHARSET.DAT", dir_ / "charset.dat"); }, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    start_quit(true, false);
    status_state() = StatusState{};
    c.make();
    reset_sprite_files();
    ASSERT_TRUE(load_sprite_files());
    EXPECT_EQ(sprite_at(3)->pixels, sprites_[3].pixels) << "CHARSET.DAT itself was read";
    apply_decoded_sprite(10, new_image(20, 20, 1));
    const Snapshot before = snapshot(dir_);
    clear_file_faults_for_tests();
    status_state().quit_question = true;
    quit_flow_key(platform::VK_ESCAPE);
    EXPECT_EQ(quit_flow_key('Y'), 1);
    if (*c.status == '\0') {
      EXPECT_TRUE(quit_posted());
      EXPECT_TRUE(fs::is_symlink(dir_ / "charset.dat"));
      continue;
    }
    EXPECT_EQ(status_text(), c.status);
    EXPECT_FALSE(quit_posted());
    EXPECT_EQ(file_op_calls_for_tests(FileOp::create), 0) << "refused before writing";
    EXPECT_TRUE(changed(before, snapshot(dir_)).empty());
  }
  // Exports are the program's own names: the exact spelling is replaced.
  write_bytes(dir_ / "SPR0005.BMP", std::vector<std::uint8_t>(10, 1));
  write_bytes(dir_ / "spr0005.bmp", std::vector<std::uint8_t>(10, 2));
  EXPECT_TRUE(save_sprite_bitmap(5, 3, sprite_at(5), true));
  EXPECT_EQ(read_bytes(dir_ / "SPR0005.BMP"), std::vector<std::uint8_t>(10, 1));
}

// The exports, started by their keys in the modes of the editor on the demo
// directory, each replacing a bitmap the user had painted.
class ExportsUnderFaults : public EditorInProcess {
 protected:
  void SetUp() override {
    EditorInProcess::SetUp();
    ASSERT_TRUE(start());
  }
};

TEST_F(ExportsUnderFaults, EveryCallFailsInTurnAndTheRetryLands) {
  struct Case {
    const char* what;
    int mode;
    std::function<void()> prepare;  // puts the mode where the user is
    std::string file;
  };
  const Case cases[] = {
      {"sprite", kSpriteMode,
       [] {
         sprite_mode_state() = SpriteModeState{5, 1, 3};
       },
       "spr0005.bmp"},
      {"pattern", kPatternMode,
       [] {
         pattern_mode_state().pitch_index = 1;
         pattern_mode_state().pattern = 2;
       },
       "pt2-2.bmp"},
      {"pitch", kPitchMode,
       [] {
         pitch_mode_state().pitch_index = 2;
         pitch_type() = 3;
       },
       pitch_bitmap_save_name(2, 3)},
      {"picture", kPictureMode, [] { mode_table()[kPictureMode].enter(0); },
       picture_bitmap_name(picture_ring().pictures.front().file_name)},
  };
  const std::vector<std::uint8_t> painted(777, 0x77);  // what the user was painting
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.prepare();
    const auto keys = mode_table()[c.mode].keys;
    const std::string saved = "Saved " + c.file + " OK";
    // F2 over the painting asks first; the write is the answer "y".
    const auto ask = [&] {
      write_bytes(c.file, painted);
      status_state() = StatusState{};
      EXPECT_TRUE(keys(platform::VK_F2, 0));
      EXPECT_EQ(status_state().text, "Overwrite " + c.file + "? (y/n)");
      ASSERT_NE(status_state().key_capture, nullptr);
    };
    ask();
    clear_file_faults_for_tests();
    status_state().key_capture('Y', 0);
    ASSERT_EQ(status_state().text, saved);
    const auto exported = read_bytes(c.file);
    ASSERT_NE(exported, painted);
    const auto sweep = sweep_of(calls_made());
    EXPECT_GE(sweep.size(), 6u);
    for (const Sweep& s : sweep) {
      SCOPED_TRACE(testing::Message() << file_op_name(s.op) << " call " << s.call);
      ask();
      const Snapshot before = snapshot(".");
      set_file_fault_for_tests({.op = s.op, .call = s.call});
      status_state().key_capture('Y', 0);
      EXPECT_EQ(status_state().text, "Save failed");
      EXPECT_TRUE(changed(before, snapshot(".")).empty());
      clear_file_faults_for_tests();
      ask();
      status_state().key_capture('Y', 0);
      EXPECT_EQ(status_state().text, saved);
      EXPECT_EQ(read_bytes(c.file), exported);
      EXPECT_TRUE(hidden_names(".").empty());
    }
    EXPECT_FALSE(fs::exists(c.file + ".bak")) << "exports get no backup";
  }
}

TEST_F(SavesUnderFaults, SaveAllStopsAtTheFailureAndKeepsEveryEarlierBitmap) {
  write_sprite_dir(dir_, sprites_);
  ASSERT_TRUE(load_sprite_files());
  // 1334 files a run: on a tmpfs where one can be mounted.
  Tmpfs fast(dir_ / "fast", 64 * 1024);
  const fs::path work = fast.ok() ? fast.path() : dir_;
  fs::current_path(work);
  struct Case {
    FileFault fault;
    int saved;  // bitmaps replaced before the failure
  };
  const Case cases[] = {
      {{.op = FileOp::write, .file = "spr0700.bmp"}, 700},
      // The one sync that stands for every bitmap's fsync.
      {{.op = FileOp::fsync, .call = 1}, 0},
      {{.op = FileOp::rename, .file = "spr1333.bmp"}, 1333},
      {{.op = FileOp::create, .file = "spr0005.bmp"}, 5},
  };
  for (const Case& c : cases) {
    if (!fast.ok() && c.saved > 0) continue;
    SCOPED_TRACE(c.fault.file);
    for (int k = 0; k < kSpriteCount; ++k) fs::remove(work / sprite_bitmap_name(k));
    set_file_fault_for_tests(c.fault);
    save_all_sprite_bitmaps();
    EXPECT_EQ(status_text(), "Error: not all sprites saved");
    for (int k = 0; k < kSpriteCount; ++k) {
      const fs::path p = work / sprite_bitmap_name(k);
      if (k < c.saved)
        ASSERT_EQ(read_bytes(p), encode_sprite_bitmap(*sprite_at(k), 3)) << k;
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
  // One sync of the file system and one of the directory, not one a file.
  EXPECT_EQ(fsyncs, platform::kSyncsFileSystem ? 2 : kSpriteCount + 1);
  set_file_fault_for_tests({.op = FileOp::fsync, .call = fsyncs});
  save_all_sprite_bitmaps();
  EXPECT_EQ(status_text(), "Error: not all sprites saved");
  fs::current_path(dir_);
}

}  // namespace
