// Undo and redo in the real editor driven by scripts: what is on screen
// after an undo is what was there before the edit, and the files "Y" writes
// after undo and redo are those of a run with the edit alone.
#include <gtest/gtest.h>

#include <map>

#include "pitch/pitch_files.h"
#include "pitch/pitch_format.h"
#include "sprites/bmp.h"
#include "sprites/sprite_bitmaps.h"
#include "support/demo_dir.h"
#include "support/run_editor.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

using Files = std::map<std::string, std::vector<std::uint8_t>>;

Files files_of(const fs::path& dir) {
  Files files;
  for (const auto& e : fs::directory_iterator(dir))
    files[e.path().filename().string()] = test::read_bytes(e.path());
  return files;
}

std::vector<std::uint8_t> shot_pixels(const fs::path& path) {
  const std::vector<std::uint8_t> file = test::read_bytes(path);
  const BmpView v = read_bmp(file);
  EXPECT_TRUE(v.ok()) << path;
  std::vector<std::uint8_t> pixels;
  for (int y = 0; v.ok() && y < v.info.height; ++y) {
    auto row = v.row_from_top(y);
    pixels.insert(pixels.end(), row.begin(), row.end());
  }
  return pixels;
}

class UndoScripts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(demo_.ok());
    work_ = test::make_temp_dir("undo-e2e");
  }
  void TearDown() override { fs::remove_all(work_); }
  test::EditorRun run(const fs::path& dir, const std::string& script) {
    auto r = test::run_editor(dir, script);
    EXPECT_TRUE(r.err.find("script line") == std::string::npos) << r.err;
    return r;
  }
  std::string shot(const std::string& name) const { return (work_ / name).string(); }

  test::DemoDir demo_{"undo-e2e"};
  fs::path work_;
};

TEST_F(UndoScripts, ADeletedPatternComesBackAndNothingIsLeftToSave) {
  // A pattern other than 0 that the first screen of pitch 1 shows.
  const std::vector<std::uint32_t> cells =
      decode_pitch_map(test::read_bytes(demo_.file(pitch_map_name(1))));
  int n = 0;
  for (int row = 1; row <= 12 && n == 0; ++row)
    for (int column = 0; column < 20 && n == 0; ++column)
      n = static_cast<int>(cells[static_cast<std::size_t>(row * kPitchColumns + column)] /
                           kPatternSize);
  ASSERT_GT(n, 0);
  const Files before = files_of(demo_.path());
  const auto r =
      run(demo_.path(), "key F7\nwait 1000\nshot " + shot("start.bmp") + "\nkey F8 G\ntype " +
                            std::to_string(n) + "\nkey RETURN DELETE Y F7\nwait 1000\nshot " +
                            shot("damaged.bmp") + "\nkey CTRL+Z\nprint status\nprint mode\n" +
                            "key F7\nwait 1100\nshot " + shot("whole.bmp") +
                            "\nkey CTRL+Z\nprint status\nkey ESCAPE\nprint mode\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(test::printed(r, "status"),
            (std::vector<std::string>{"Undo: pattern " + std::to_string(n) + " deleted",
                                      "Nothing to undo"}));
  EXPECT_EQ(test::printed(r, "mode"), std::vector<std::string>{"3"})
      << "undo showed pattern mode; Escape then ended the program at once";
  EXPECT_NE(shot_pixels(shot("damaged.bmp")), shot_pixels(shot("start.bmp")));
  EXPECT_EQ(shot_pixels(shot("whole.bmp")), shot_pixels(shot("start.bmp")));
  EXPECT_EQ(files_of(demo_.path()), before) << "no file written";
}

TEST_F(UndoScripts, UndoThenRedoWritesWhatTheImportAloneWrites) {
  std::vector<std::uint8_t> rgb(17 * 3, 0), px(40 * 30, 6);
  px[0] = kBitmapTransparent;
  const auto bitmap = make_bmp_file(rgb, 17, 40, 30, px);
  test::DemoDir alone("undo-e2e-alone");
  ASSERT_TRUE(alone.ok());
  for (const fs::path& dir : {demo_.path(), alone.path()})
    ASSERT_TRUE(test::write_file(dir / "spr0700.bmp", bitmap));

  const auto r =
      run(demo_.path(), "key G\ntype 700\nkey RETURN\nwait 1000\nshot " + shot("before.bmp") +
                            "\nkey INSERT\nwait 1100\nshot " + shot("imported.bmp") +
                            "\nkey CTRL+Z\nprint status\nwait 1100\nshot " + shot("undone.bmp") +
                            "\nkey CTRL+Y\nprint status\nwait 1100\nshot " + shot("redone.bmp") +
                            "\nkey ESCAPE Y\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(test::printed(r, "status"),
            (std::vector<std::string>{"Undo: sprite 700 replaced", "Redo: sprite 700 replaced"}));
  EXPECT_NE(shot_pixels(shot("imported.bmp")), shot_pixels(shot("before.bmp")));
  EXPECT_EQ(shot_pixels(shot("undone.bmp")), shot_pixels(shot("before.bmp")));
  EXPECT_EQ(shot_pixels(shot("redone.bmp")), shot_pixels(shot("imported.bmp")));

  const auto a = run(alone.path(), "key G\ntype 700\nkey RETURN INSERT ESCAPE Y\n");
  EXPECT_EQ(a.exit_code, 0);
  const Files with_undo = files_of(demo_.path()), without = files_of(alone.path());
  EXPECT_EQ(with_undo, without);
  EXPECT_TRUE(with_undo.count("TEAM3.DAT.bak")) << "the save happened";
}

}  // namespace
