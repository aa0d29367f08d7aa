// Full-screen picture placement and the keyboard state pitch-mode scrolling
// polls: the device by key position and the window's key state.
#include <gtest/gtest.h>

#include "display/keyboard_device.h"
#include "platform/headless/headless_platform.h"

namespace tavu {
namespace {

using platform::PictureRect;
using platform::ScreenSize;

TEST(FullScreen, LargestWholeMultipleCentredElseSixteenByTen) {
  struct Case {
    ScreenSize screen;
    PictureRect want;
  };
  const Case cases[] = {
      {{1920, 1080}, {160, 40, 1600, 1000}},  // 5x
      {{1366, 768}, {203, 84, 960, 600}},     // 3x: 4x would need 800 lines
      {{1280, 720}, {160, 60, 960, 600}},     // 3x
      {{1280, 800}, {0, 0, 1280, 800}},       // the window: exactly 4x
      {{2560, 1600}, {0, 0, 2560, 1600}},     // 8x
      {{3840, 2160}, {320, 80, 3200, 2000}},  // 10x
      {{640, 400}, {0, 0, 640, 400}},         // 2x, the smallest whole multiple used
      {{639, 480}, {0, 40, 639, 399}},        // below 2x: as wide as it goes at 16:10
      {{800, 399}, {81, 0, 638, 399}},        // ... or as high
      {{320, 200}, {0, 0, 320, 200}},        {{0, 0}, {0, 0, 0, 0}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(platform::picture_rect(c.screen), c.want) << c.screen.width << "x" << c.screen.height;
}

TEST(KeyboardDevice, DirectInputCodesOfVirtualKeys) {
  const std::pair<std::uint32_t, std::uint8_t> cases[] = {
      {platform::VK_RIGHT, DIK_RIGHT},
      {platform::VK_LEFT, DIK_LEFT},
      {platform::VK_UP, DIK_UP},
      {platform::VK_DOWN, DIK_DOWN},
      {'A', 0x1E},
      {'Q', 0x10},
      {'Z', 0x2C},
      {'1', 0x02},
      {'0', 0x0B},
      {platform::VK_F1, 0x3B},
      {platform::VK_F1 + 9, 0x44},
      {platform::VK_F1 + 11, 0x58},
      {platform::VK_ESCAPE, 0x01},
      {platform::VK_RETURN, 0x1C},
      {platform::VK_CONTROL, 0x1D},
      {platform::VK_RCONTROL, 0x9D},
      {platform::VK_RSHIFT, 0x36},
      {platform::VK_RMENU, 0xB8},
      {platform::VK_NUMPAD0, 0x52},
      {platform::VK_NUMPAD0 + 9, 0x49},
      {platform::VK_ADD, 0x4E},
      {platform::VK_NEXT, 0xD1},
      {0x07, 0},
      {0xFF, 0},
  };
  for (const auto& [vk, code] : cases) EXPECT_EQ(platform::dik_for_vk(vk), code) << vk;
}

class KeyboardState : public ::testing::Test {
 protected:
  void SetUp() override { platform::set_current(&headless_); }
  void TearDown() override { platform::set_current(nullptr); }
  void press(std::uint32_t vk) {
    headless_.push_input({platform::WM_KEYDOWN, vk, 1}, std::make_pair(vk, true));
    while (headless_.next_input()) {
    }
  }
  platform::HeadlessPlatform headless_{{1920, 1080}};
  KeyStateBytes state_{};
};

TEST_F(KeyboardState, DeviceByPositionWindowStateByVirtualKey) {
  ASSERT_TRUE(open_keyboard_device());
  press(platform::VK_RIGHT);
  press(platform::VK_CONTROL);
  ASSERT_TRUE(read_keyboard_state(state_));
  EXPECT_EQ(state_[DIK_RIGHT], 0x80);
  EXPECT_EQ(state_[0x1D], 0x80);  // left Ctrl
  EXPECT_EQ(state_[DIK_LEFT], 0);
  ASSERT_TRUE(get_keyboard_state(state_));
  EXPECT_EQ(state_[platform::VK_RIGHT], 0x80);
  EXPECT_EQ(state_[platform::VK_CONTROL], 0x80);
  EXPECT_EQ(state_[platform::VK_LEFT], 0);
}

// A device that loses its input again after every successful acquire.
class FlappingDevice : public platform::HeadlessPlatform {
 public:
  FlappingDevice() : HeadlessPlatform({1920, 1080}) {}
  platform::KeyDeviceRead read_key_device(platform::KeyStates&) override {
    ++reads;
    return platform::KeyDeviceRead::lost;
  }
  bool acquire_key_device() override { return true; }
  int reads = 0;
};

TEST(KeyboardDevice, ADeviceThatNeverSettlesDoesNotHangTheFrame) {
  FlappingDevice flapping;
  platform::set_current(&flapping);
  KeyStateBytes state{};
  EXPECT_FALSE(read_keyboard_state(state));
  EXPECT_GT(flapping.reads, 1);
  EXPECT_LT(flapping.reads, 20);
  platform::set_current(nullptr);
}

}  // namespace
}  // namespace tavu
