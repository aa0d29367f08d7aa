// The SDL backend: key translation and repeat, mouse messages, the window
// scale, the single-instance lock, and the backend itself on SDL's dummy
// video driver (no display needed).
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/instance_lock.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/sdl/sdl_input.h"
#include "program_icon.h"

namespace tavu::platform::sdl {
namespace {

TEST(SdlKeys, TranslationByPositionAndByLayout) {
  struct Case {
    SDL_Scancode scancode;
    SDL_Keycode keycode;
    std::uint32_t vk;
  };
  const Case cases[] = {
      // Numeric pad by position, whatever Num Lock makes of the keycode.
      {SDL_SCANCODE_KP_8, SDLK_UP, VK_NUMPAD0 + 8},
      {SDL_SCANCODE_KP_0, SDLK_INSERT, VK_NUMPAD0},
      {SDL_SCANCODE_KP_PLUS, SDLK_KP_PLUS, VK_ADD},
      {SDL_SCANCODE_KP_MINUS, SDLK_KP_MINUS, VK_SUBTRACT},
      {SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, VK_RETURN},
      // The main keyboard's plus and minus are never the pad's.
      {SDL_SCANCODE_EQUALS, SDLK_PLUS, VK_OEM_PLUS},
      {SDL_SCANCODE_EQUALS, SDLK_EQUALS, VK_OEM_PLUS},
      {SDL_SCANCODE_MINUS, SDLK_MINUS, VK_OEM_MINUS},
      // German layout: + has a key of its own, - sits where / is on US.
      {SDL_SCANCODE_RIGHTBRACKET, SDLK_PLUS, VK_OEM_PLUS},
      {SDL_SCANCODE_SLASH, SDLK_MINUS, VK_OEM_MINUS},
      // Top-row digits by position (AZERTY gives '&' for the 1 key).
      {SDL_SCANCODE_1, SDLK_AMPERSAND, '1'},
      {SDL_SCANCODE_0, SDLK_0, '0'},
      // Letters follow the layout; without Latin letters, the position.
      {SDL_SCANCODE_Q, SDLK_a, 'A'},
      {SDL_SCANCODE_Z, SDLK_z, 'Z'},
      {SDL_SCANCODE_F, 0x0430, 'F'},
      {SDL_SCANCODE_F1, SDLK_F1, VK_F1},
      {SDL_SCANCODE_F10, SDLK_F10, VK_F10},
      {SDL_SCANCODE_F12, SDLK_F12, VK_F12},
      {SDL_SCANCODE_PAGEUP, SDLK_PAGEUP, VK_PRIOR},
      {SDL_SCANCODE_PAGEDOWN, SDLK_PAGEDOWN, VK_NEXT},
      {SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, VK_BACK},
      {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, VK_ESCAPE},
      {SDL_SCANCODE_MUTE, SDLK_MUTE, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(key_code_for(c.scancode, c.keycode).vk, c.vk)
        << SDL_GetScancodeName(c.scancode) << " / " << c.keycode;
  }
  EXPECT_EQ(key_code_for(SDL_SCANCODE_RCTRL, SDLK_RCTRL), (KeyCode{VK_CONTROL, VK_RCONTROL}));
  EXPECT_EQ(key_code_for(SDL_SCANCODE_LALT, SDLK_LALT), (KeyCode{VK_MENU, VK_LMENU}));
}

TEST(SdlKeys, MessagesAsWindowsSendsThem) {
  KeyboardState keys;
  const KeyCode enter{VK_RETURN, VK_RETURN};
  const KeyCode f10{VK_F10, VK_F10};
  const KeyCode lalt{VK_MENU, VK_LMENU};
  const KeyCode lshift{VK_SHIFT, VK_LSHIFT};
  const KeyCode rshift{VK_SHIFT, VK_RSHIFT};

  Message m = keys.press(enter);
  EXPECT_EQ(m.message, WM_KEYDOWN);
  EXPECT_EQ(m.lparam, 1);
  m = keys.repeat(enter);
  EXPECT_EQ(m.message, WM_KEYDOWN);
  EXPECT_EQ(m.lparam, 1 | kKeyRepeatBit);
  m = keys.release(enter);
  EXPECT_EQ(m.message, WM_KEYUP);
  EXPECT_EQ(static_cast<std::uint32_t>(m.lparam), 1u | kKeyRepeatBit | kKeyUpBit);

  // F10 is a system key even without Alt.
  EXPECT_EQ(keys.press(f10).message, WM_SYSKEYDOWN);
  EXPECT_EQ(keys.release(f10).message, WM_SYSKEYUP);

  // With Alt held: system keys with the context bit.
  m = keys.press(lalt);
  EXPECT_EQ(m.message, WM_SYSKEYDOWN);
  EXPECT_EQ(m.lparam, 1 | kKeyAltBit);
  m = keys.press(enter);
  EXPECT_EQ(m.message, WM_SYSKEYDOWN);
  EXPECT_EQ(m.wparam, VK_RETURN);
  EXPECT_EQ(m.lparam, 1 | kKeyAltBit);
  m = keys.release(enter);
  EXPECT_EQ(m.message, WM_SYSKEYUP);
  EXPECT_NE(m.lparam & kKeyAltBit, 0);
  m = keys.release(lalt);
  EXPECT_EQ(m.message, WM_SYSKEYUP);
  EXPECT_EQ(m.lparam & kKeyAltBit, 0);
  EXPECT_EQ(keys.press(enter).message, WM_KEYDOWN);
  keys.release(enter);

  // Either side holds the generic code; the sides are told apart.
  keys.press(lshift);
  keys.press(rshift);
  keys.release(lshift);
  EXPECT_TRUE(keys.down(VK_SHIFT));
  EXPECT_FALSE(keys.down(VK_LSHIFT));
  EXPECT_TRUE(keys.down(VK_RSHIFT));
  EXPECT_EQ(keys.release(rshift).wparam, VK_SHIFT);
  EXPECT_FALSE(keys.down(VK_SHIFT));
}

TEST(SdlKeyRepeat, ScheduleOfTheMostRecentKey) {
  KeyRepeater repeater(1000);  // counter in milliseconds
  const KeyCode right{VK_RIGHT, VK_RIGHT};
  const KeyCode ctrl{VK_CONTROL, VK_LCONTROL};
  EXPECT_FALSE(repeater.next_due());

  repeater.pressed(right, 1000);
  EXPECT_EQ(repeater.next_due(), 1250u);
  EXPECT_FALSE(repeater.take_due(1249));
  EXPECT_EQ(repeater.take_due(1250), right);
  EXPECT_EQ(repeater.next_due(), 1283u);
  EXPECT_EQ(repeater.take_due(1290), right);
  EXPECT_EQ(repeater.next_due(), 1316u);  // no drift from a late wake

  // A stall gives one repeat, not a burst.
  EXPECT_EQ(repeater.take_due(2000), right);
  EXPECT_EQ(repeater.next_due(), 2033u);
  EXPECT_FALSE(repeater.take_due(2001));

  // Pressing another key moves the repeat to it, starting over.
  repeater.pressed(ctrl, 2010);
  EXPECT_EQ(repeater.next_due(), 2260u);
  repeater.released(right);  // an older key: the repeat goes on
  EXPECT_EQ(repeater.take_due(2260), ctrl);
  repeater.released(ctrl);
  EXPECT_FALSE(repeater.next_due());
  EXPECT_FALSE(repeater.take_due(5000));
}

TEST(SdlMouse, ClicksBecomeTheWindowsSequence) {
  struct Event {
    std::uint8_t button;
    bool pressed;
    int clicks;
  };
  // What SDL reports for a triple click, then a right double click.
  const Event events[] = {{SDL_BUTTON_LEFT, true, 1},  {SDL_BUTTON_LEFT, false, 1},
                          {SDL_BUTTON_LEFT, true, 2},  {SDL_BUTTON_LEFT, false, 2},
                          {SDL_BUTTON_LEFT, true, 3},  {SDL_BUTTON_LEFT, false, 3},
                          {SDL_BUTTON_RIGHT, true, 1}, {SDL_BUTTON_RIGHT, false, 1},
                          {SDL_BUTTON_RIGHT, true, 2}, {SDL_BUTTON_MIDDLE, true, 1}};
  std::vector<std::uint32_t> got;
  for (const Event& e : events) got.push_back(mouse_button_message(e.button, e.pressed, e.clicks));
  const std::vector<std::uint32_t> want = {
      WM_LBUTTONDOWN, WM_LBUTTONUP,   WM_LBUTTONDBLCLK, WM_LBUTTONUP,     WM_LBUTTONDOWN,
      WM_LBUTTONUP,   WM_RBUTTONDOWN, WM_RBUTTONUP,     WM_RBUTTONDBLCLK, 0};
  EXPECT_EQ(got, want);
}

TEST(SdlMouse, WheelDistanceAsWindowsMeasuresIt) {
  struct Case {
    int y;
    float precise_y;
    bool flipped;
    int delta;
  };
  const Case cases[] = {
      {1, 1.0f, false, WHEEL_DELTA},       // a notch away from the user
      {-1, -1.0f, false, -WHEEL_DELTA},    // towards
      {-1, -1.0f, true, WHEEL_DELTA},      // "natural" scrolling reports it reversed
      {3, 0.0f, false, 3 * WHEEL_DELTA},   // SDL without precise values
      {0, 0.25f, false, WHEEL_DELTA / 4},  // a touchpad's part of a notch
      {0, -0.5f, true, WHEEL_DELTA / 2},  {0, 0.0f, false, 0},
      {1000, 1000.0f, false, 32767},  // held to the message's 16 bits
      {-1000, -1000.0f, false, -32768},
  };
  for (const Case& c : cases)
    EXPECT_EQ(wheel_delta(c.y, c.precise_y, c.flipped), c.delta) << c.y << " " << c.precise_y;
}

TEST(SdlWindow, IconFromTheProgramsIconFile) {
  int size = 0;
  const std::vector<std::uint32_t> argb = icon_pixels(kProgramIcon, size);
  ASSERT_EQ(size, 32);
  ASSERT_EQ(argb.size(), 32u * 32u);
  // Opaque grass in the corner, the white outline two pixels in, the top
  // row first.
  EXPECT_EQ(argb[0], 0xFF1C7C1Cu);
  EXPECT_EQ(argb[2 * 32 + 2], 0xFFFFFFFFu);
  EXPECT_EQ(argb[31 * 32 + 2], 0xFF1C7C1Cu);

  // Cut short anywhere, or not a 32-bit icon: no icon, and nothing read
  // beyond the bytes.
  const std::vector<std::uint8_t> whole(std::begin(kProgramIcon), std::end(kProgramIcon));
  for (std::size_t n : {std::size_t{0}, std::size_t{5}, std::size_t{21}, std::size_t{61},
                        whole.size() / 2, whole.size() - 129}) {
    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(n));
    EXPECT_TRUE(icon_pixels(cut, size).empty()) << n;
    EXPECT_EQ(size, 0);
  }
  struct Damage {
    std::size_t at;
    std::uint8_t value;
  };
  for (const Damage d : {Damage{2, 2}, Damage{6 + 12, 0xFF}, Damage{22 + 14, 8}, Damage{22 + 4, 0},
                         Damage{22 + 8, 0x41}}) {
    std::vector<std::uint8_t> bad = whole;
    bad[d.at] = d.value;
    EXPECT_TRUE(icon_pixels(bad, size).empty()) << d.at;
  }
}

TEST(SdlWindow, LargestWholeScaleThatFits) {
  EXPECT_EQ(picture_scale_for({1920, 1080}), 4);
  EXPECT_EQ(picture_scale_for({1280, 800}), 4);
  EXPECT_EQ(picture_scale_for({1279, 800}), 3);
  EXPECT_EQ(picture_scale_for({1280, 799}), 3);
  EXPECT_EQ(picture_scale_for({1024, 768}), 3);
  EXPECT_EQ(picture_scale_for({800, 600}), 2);
  EXPECT_EQ(picture_scale_for({639, 480}), 1);
  EXPECT_EQ(picture_scale_for({300, 180}), 1);  // never below one
  EXPECT_EQ(picture_scale_for({0, 0}), 4);      // size unknown
}

TEST(SdlKeys, DirectInputCodesByPosition) {
  const std::pair<SDL_Scancode, std::uint8_t> cases[] = {
      {SDL_SCANCODE_RIGHT, 0xCD},     {SDL_SCANCODE_LEFT, 0xCB},   {SDL_SCANCODE_UP, 0xC8},
      {SDL_SCANCODE_DOWN, 0xD0},      {SDL_SCANCODE_A, 0x1E},      {SDL_SCANCODE_Q, 0x10},
      {SDL_SCANCODE_LSHIFT, 0x2A},    {SDL_SCANCODE_RSHIFT, 0x36}, {SDL_SCANCODE_RCTRL, 0x9D},
      {SDL_SCANCODE_KP_ENTER, 0x9C},  {SDL_SCANCODE_RETURN, 0x1C}, {SDL_SCANCODE_KP_8, 0x48},
      {SDL_SCANCODE_SEMICOLON, 0x27}, {SDL_SCANCODE_F12, 0x58},    {SDL_SCANCODE_MUTE, 0},
  };
  for (const auto& [scancode, code] : cases)
    EXPECT_EQ(dik_for_scancode(scancode), code) << scancode;
}

TEST(InstanceLock, HeldUntilTheHolderEnds) {
  const std::string name = "tavu_test_lock_" + std::to_string(getpid());
  // A child takes the lock and reports whether it got it.
  auto child_acquires = [&name](bool linger) {
    const pid_t pid = fork();
    if (pid == 0) {
      const bool got = acquire_instance_lock(name);
      if (linger) usleep(300'000);
      _exit(got ? 0 : 1);
    }
    int status = 0;
    if (!linger) waitpid(pid, &status, 0);
    return std::make_pair(pid, WEXITSTATUS(status));
  };

  // A child that held the lock and ended leaves it free.
  EXPECT_EQ(child_acquires(false).second, 0);
  // While a child holds it, this process is refused; afterwards it gets it.
  const pid_t holder = child_acquires(true).first;
  usleep(100'000);
  EXPECT_FALSE(acquire_instance_lock(name));
  int status = 0;
  waitpid(holder, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(acquire_instance_lock(name));
  // Held now for the rest of this process: a second copy is refused.
  EXPECT_EQ(child_acquires(false).second, 1);
  unlink(instance_lock_path(name).c_str());
}

// --- The backend on the dummy video driver ---------------------------------

class SdlBackend : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);  // never a real window in tests
  }

  std::unique_ptr<SdlPlatform> open(SdlPresentation presentation = SdlPresentation::automatic) {
    auto p = std::make_unique<SdlPlatform>(SdlOptions{presentation});
    if (!p->ok()) return nullptr;
    const ScreenSize client = p->client_size_for(p->screen_size());
    if (!p->create_window("TAVU Picture Editor", 0, 0, client.width, client.height)) return nullptr;
    p->show_window(ShowCommand::normal);
    drain(*p);
    return p;
  }

  static std::vector<Message> drain(SdlPlatform& p) {
    std::vector<Message> out;
    while (auto m = p.next_input()) out.push_back(*m);
    return out;
  }

  static void push_key(SDL_EventType type, SDL_Scancode scancode, SDL_Keycode keycode,
                       bool sdl_repeat = false) {
    SDL_Event e{};
    e.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = sdl_repeat ? 1 : 0;
    e.key.keysym.scancode = scancode;
    e.key.keysym.sym = keycode;
    SDL_PushEvent(&e);
  }

  static void push_button(bool pressed, int clicks, int x, int y) {
    SDL_Event e{};
    e.type = pressed ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = pressed ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = static_cast<Uint8>(clicks);
    e.button.x = x;
    e.button.y = y;
    SDL_PushEvent(&e);
  }
};

TEST_F(SdlBackend, ShowsTheExactScaledPictureOnBothPaths) {
  PaletteBytes palette{};
  for (int i = 0; i < 256; ++i) {
    palette[i * 3] = static_cast<std::uint8_t>(i);
    palette[i * 3 + 1] = static_cast<std::uint8_t>(255 - i);
    palette[i * 3 + 2] = static_cast<std::uint8_t>(i * 7);
  }
  std::vector<std::uint8_t> frame(kFrameWidth * kFrameHeight);
  for (int y = 0; y < kFrameHeight; ++y)
    for (int x = 0; x < kFrameWidth; ++x) frame[y * kFrameWidth + x] = (x * 3 + y * 5) & 0xFF;

  for (SdlPresentation path : {SdlPresentation::window_surface, SdlPresentation::renderer}) {
    SCOPED_TRACE(path == SdlPresentation::window_surface ? "window surface" : "renderer");
    auto p = open(path);
    ASSERT_TRUE(p);
    // The dummy display is 1024x768: the picture is shown three times enlarged.
    EXPECT_EQ(p->screen_size().width, 1024);
    p->present(frame.data(), kFrameWidth, palette);
    std::vector<std::uint32_t> shown;
    int w = 0, h = 0;
    ASSERT_TRUE(p->read_back(shown, w, h));
    ASSERT_EQ(w, 960);
    ASSERT_EQ(h, 600);
    int wrong = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const int i = frame[(y / 3) * kFrameWidth + x / 3];
        const std::uint32_t want =
            0xFF000000u | (palette[i * 3] << 16) | (palette[i * 3 + 1] << 8) | palette[i * 3 + 2];
        if ((shown[y * w + x] | 0xFF000000u) != want) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

// The dummy display is 1024x768: full screen shows the picture three times
// enlarged in the middle, black around it, and the window comes back as it
// was.
TEST_F(SdlBackend, FullScreenFillsTheDisplayAndComesBack) {
  PaletteBytes palette{};
  for (int i = 1; i < 256; ++i) palette[i * 3] = palette[i * 3 + 1] = palette[i * 3 + 2] = 255;
  std::vector<std::uint8_t> frame(kFrameWidth * kFrameHeight, 7);
  frame[0] = 0;  // one black pixel in the top-left corner
  for (SdlPresentation path : {SdlPresentation::window_surface, SdlPresentation::renderer}) {
    SCOPED_TRACE(path == SdlPresentation::window_surface ? "window surface" : "renderer");
    auto p = open(path);
    ASSERT_TRUE(p);
    ASSERT_TRUE(p->enter_fullscreen());
    p->present(frame.data(), kFrameWidth, palette);
    std::vector<std::uint32_t> shown;
    int w = 0, h = 0;
    ASSERT_TRUE(p->read_back(shown, w, h));
    ASSERT_EQ(w, 1024);
    ASSERT_EQ(h, 768);
    auto white = [&](int x, int y) { return (shown[y * w + x] & 0xFFFFFF) == 0xFFFFFF; };
    // Picture from (32, 84) to (991, 683).
    EXPECT_FALSE(white(31, 300));
    EXPECT_FALSE(white(500, 83));
    EXPECT_FALSE(white(992, 300));
    EXPECT_FALSE(white(500, 684));
    EXPECT_FALSE(white(32, 84)) << "the black picture pixel, 3x3";
    EXPECT_FALSE(white(34, 86));
    EXPECT_TRUE(white(35, 84));
    EXPECT_TRUE(white(32, 87));
    EXPECT_TRUE(white(991, 683));
    p->leave_fullscreen();
    p->move_window(0, 0, 960, 600);  // as the shell puts the window back
    p->present(frame.data(), kFrameWidth, palette);
    ASSERT_TRUE(p->read_back(shown, w, h));
    EXPECT_EQ(w, 960);
    EXPECT_EQ(h, 600);
  }
}

TEST_F(SdlBackend, KeyDeviceReadsOnlyWhileTheWindowHasTheKeyboard) {
  auto p = open();
  ASSERT_TRUE(p);
  KeyStates state{};
  EXPECT_EQ(p->read_key_device(state), KeyDeviceRead::failed) << "not open";
  ASSERT_TRUE(p->open_key_device());
  EXPECT_EQ(p->read_key_device(state), KeyDeviceRead::ok);
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  SDL_PushEvent(&e);
  std::vector<Message> got = drain(*p);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].message, WM_ACTIVATEAPP);
  EXPECT_EQ(got[0].wparam, 0u);
  EXPECT_FALSE(p->window_active());
  EXPECT_EQ(p->read_key_device(state), KeyDeviceRead::lost);
  EXPECT_FALSE(p->acquire_key_device());
  e.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
  SDL_PushEvent(&e);
  got = drain(*p);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].message, WM_ACTIVATEAPP);
  EXPECT_EQ(got[0].wparam, 1u);
  EXPECT_TRUE(p->acquire_key_device());
  EXPECT_EQ(p->read_key_device(state), KeyDeviceRead::ok);
  p->close_key_device();
  EXPECT_EQ(p->read_key_device(state), KeyDeviceRead::failed);
}

TEST_F(SdlBackend, KeyEventsBecomeKeyMessages) {
  auto p = open();
  ASSERT_TRUE(p);
  push_key(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
  push_key(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, /*sdl_repeat=*/true);  // ignored
  std::vector<Message> got = drain(*p);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].message, WM_KEYDOWN);
  EXPECT_EQ(got[0].wparam, VK_ESCAPE);
  EXPECT_EQ(got[0].lparam, 1);
  EXPECT_TRUE(p->key_down(VK_ESCAPE));

  push_key(SDL_KEYUP, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
  push_key(SDL_KEYDOWN, SDL_SCANCODE_RALT, SDLK_RALT);
  push_key(SDL_KEYDOWN, SDL_SCANCODE_F4, SDLK_F4);
  got = drain(*p);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].message, WM_KEYUP);
  EXPECT_FALSE(p->key_down(VK_ESCAPE));
  EXPECT_EQ(got[2].message, WM_SYSKEYDOWN);
  EXPECT_EQ(got[2].wparam, VK_F4);
  EXPECT_NE(got[2].lparam & kKeyAltBit, 0);
  EXPECT_TRUE(p->key_down(VK_MENU));
  EXPECT_TRUE(p->key_down(VK_RMENU));
  EXPECT_FALSE(p->key_down(VK_LMENU));
}

TEST_F(SdlBackend, WheelBecomesWmMouseWheel) {
  auto p = open();
  ASSERT_TRUE(p);
  for (const float turned : {-2.0f, 1.0f, 0.0f}) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = static_cast<Sint32>(turned);
    e.wheel.preciseY = turned;
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    SDL_PushEvent(&e);
  }
  const std::vector<Message> got = drain(*p);
  // Nothing for a movement of 0.
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].message, WM_MOUSEWHEEL);
  EXPECT_EQ(static_cast<std::int16_t>(got[0].wparam >> 16), -2 * WHEEL_DELTA);
  EXPECT_EQ(static_cast<std::int16_t>(got[1].wparam >> 16), WHEEL_DELTA);
}

TEST_F(SdlBackend, HeldKeyRepeatsAndTheWaitWakesForIt) {
  auto p = open();
  ASSERT_TRUE(p);
  // Times on the backend's own clock, from before the key is taken in: the
  // first repeat is due 250 ms after that, however late this thread runs.
  const auto ms_since = [&p](std::uint64_t from) {
    return (p->counter() - from) * 1000.0 / static_cast<double>(p->counter_frequency());
  };
  const std::uint64_t pressed = p->counter();
  push_key(SDL_KEYDOWN, SDL_SCANCODE_RIGHT, SDLK_RIGHT);
  ASSERT_EQ(drain(*p).size(), 1u);

  // No deadline, yet the wait ends for the first repeat. Should it not, an
  // event from another thread ends the wait, much later, and marks it.
  static std::atomic<bool> watchdog_fired;
  watchdog_fired = false;
  const SDL_TimerID watchdog = SDL_AddTimer(
      5000,
      [](Uint32, void*) -> Uint32 {
        watchdog_fired = true;
        SDL_Event e{};
        e.type = SDL_USEREVENT;
        SDL_PushEvent(&e);
        return 0;
      },
      nullptr);
  std::optional<Message> repeat;
  while (!repeat && ms_since(pressed) < 6000) {
    p->wait(std::nullopt);
    repeat = p->next_input();
  }
  const double first = ms_since(pressed);
  SDL_RemoveTimer(watchdog);
  ASSERT_TRUE(repeat);
  EXPECT_EQ(repeat->message, WM_KEYDOWN);
  EXPECT_EQ(repeat->wparam, VK_RIGHT);
  EXPECT_NE(repeat->lparam & kKeyRepeatBit, 0);
  EXPECT_GE(first, 250.0);
  EXPECT_FALSE(watchdog_fired) << "the wait slept past the repeat";

  // A far deadline does not delay the next repeat (33 ms on) either.
  const std::uint64_t second_start = p->counter();
  p->wait(second_start + 10 * p->counter_frequency());
  EXPECT_LT(ms_since(second_start), 5000.0);
  ASSERT_TRUE(p->next_input());

  push_key(SDL_KEYUP, SDL_SCANCODE_RIGHT, SDLK_RIGHT);
  std::vector<Message> got = drain(*p);
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got.back().message, WM_KEYUP);
  // Released: the wait now sleeps through to its deadline.
  const std::uint64_t deadline = p->counter() + p->counter_frequency() / 20;
  p->wait(deadline);
  EXPECT_GE(p->counter(), deadline);
  EXPECT_TRUE(drain(*p).empty());
}

TEST_F(SdlBackend, WaitEndsAtTheDeadlineNotBefore) {
  auto p = open();
  ASSERT_TRUE(p);
  const std::uint64_t f = p->counter_frequency();
  for (std::uint64_t ms : {1u, 3u, 20u}) {
    const std::uint64_t deadline = p->counter() + f * ms / 1000;
    p->wait(deadline);
    const std::uint64_t now = p->counter();
    EXPECT_GE(now, deadline) << ms << " ms";
    EXPECT_LT(now - deadline, f / 50) << ms << " ms";  // generous for loaded machines
  }
}

TEST_F(SdlBackend, MouseMessagesCarryButtonAndCtrl) {
  auto p = open();
  ASSERT_TRUE(p);
  push_key(SDL_KEYDOWN, SDL_SCANCODE_LCTRL, SDLK_LCTRL);
  push_button(true, 1, 10, 20);
  SDL_Event motion{};
  motion.type = SDL_MOUSEMOTION;
  motion.motion.x = 15;
  motion.motion.y = 25;
  SDL_PushEvent(&motion);
  push_button(false, 1, 15, 25);
  push_button(true, 2, 15, 25);
  push_button(false, 2, 15, 25);
  const std::vector<Message> got = drain(*p);
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(got[1].message, WM_LBUTTONDOWN);
  EXPECT_EQ(got[1].wparam, MK_LBUTTON | MK_CONTROL);
  EXPECT_EQ(got[1].lparam, make_point_lparam(10, 20));
  EXPECT_EQ(got[2].message, WM_MOUSEMOVE);
  EXPECT_EQ(got[2].wparam, MK_LBUTTON | MK_CONTROL);
  EXPECT_EQ(got[2].lparam, make_point_lparam(15, 25));
  EXPECT_EQ(got[3].message, WM_LBUTTONUP);
  EXPECT_EQ(got[3].wparam, MK_CONTROL);
  EXPECT_EQ(got[4].message, WM_LBUTTONDBLCLK);
  EXPECT_EQ(got[5].message, WM_LBUTTONUP);
}

TEST_F(SdlBackend, WindowEventsAndBoxes) {
  auto p = open();
  ASSERT_TRUE(p);
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  SDL_PushEvent(&e);
  e.window.event = SDL_WINDOWEVENT_MINIMIZED;
  SDL_PushEvent(&e);
  e.window.event = SDL_WINDOWEVENT_RESTORED;
  SDL_PushEvent(&e);
  e.window.event = SDL_WINDOWEVENT_EXPOSED;
  SDL_PushEvent(&e);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  const std::vector<Message> got = drain(*p);
  ASSERT_EQ(got.size(), 5u);
  EXPECT_EQ(got[0].message, WM_CLOSE);
  EXPECT_EQ(got[1].message, WM_ACTIVATE);
  EXPECT_EQ(got[1].wparam, 1u << 16);
  EXPECT_EQ(got[2].message, WM_ACTIVATE);
  EXPECT_EQ(got[2].wparam, 1u);
  EXPECT_EQ(got[3].message, WM_PAINT);
  EXPECT_EQ(got[4].message, WM_CLOSE);

  // No display to show a box on: the text goes to standard error at once.
  testing::internal::CaptureStderr();
  p->message_box("Error", "Can't init!", MessageBoxIcon::error);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Can't init!\n");
}

}  // namespace
}  // namespace tavu::platform::sdl
