// The editor's start-up run in this process on a fresh copy of the demo
// directory: every mode's init slot, as window creation runs them, with the
// headless backend. Tests then drive the modes' key and draw slots.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "pictures/pictures.h"
#include "pitch_test_support.h"
#include "replays/browser.h"
#include "replays/menus.h"
#include "shell/app.h"
#include "shell/files.h"
#include "shell/frame_clock.h"
#include "shell/modes.h"
#include "shell/status.h"
#include "sprites/sprite_files.h"
#include "support/demo_dir.h"

namespace tavu::test {

class EditorInProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(demo_.ok());
    platform::set_current(&headless_);
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(demo_.path());
    init_frame_clock(headless_.counter_frequency());
  }
  void TearDown() override {
    clear_file_faults_for_tests();
    reset();
    app() = AppState{};
    std::filesystem::current_path(old_);
    platform::set_current(nullptr);
  }
  // Every mode's init slot, in the Mode table's order; false at the first
  // that fails.
  static bool start() {
    reset();
    set_app_flag(nt_family, true);
    for (auto& m : mode_table())
      if (!m.init()) return false;
    return true;
  }
  static void reset() {
    reset_browser();
    reset_sprite_files();
    reset_pitch_files();
    reset_picture_ring();
    reset_startup_failure_text();
    status_state() = StatusState{};
  }

  DemoDir demo_{"editor"};
  PitchTestPlatform headless_;
  std::filesystem::path old_;
};

}  // namespace tavu::test
