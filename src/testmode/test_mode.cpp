#include "testmode/test_mode.h"

#include <algorithm>
#include <cstdlib>

#include "display/display.h"
#include "pitch/pitch_draw.h"
#include "pitch/pitch_mode.h"
#include "shell/files.h"
#include "shell/frame_clock.h"
#include "sprites/blit.h"
#include "sprites/text.h"

namespace tavu {

const char* const kTestModeHelp = "HELP NOT WRITTEN YET";

namespace {

constexpr std::uint32_t kHotKey = 0x79;  // F10
constexpr std::array<std::int32_t, 7> kAttributes = {8, 10, 9, 7, 10, 11, 12};
constexpr int kSpeedSkill = 5;
// Reads of one advance; the sets here need at most two, a list of nothing but
// codes must not hang the frame.
constexpr int kMaxReads = 64;

// clang-format off
constexpr std::array<std::int32_t, 256> kSine = {{
    0, 804, 1608, 2410, 3212, 4011, 4808, 5602,
    6393, 7179, 7962, 8739, 9512, 10278, 11039, 11793,
    12539, 13279, 14010, 14732, 15446, 16151, 16846, 17530,
    18204, 18867, 19519, 20159, 20787, 21402, 22005, 22594,
    23170, 23731, 24279, 24811, 25329, 25832, 26319, 26790,
    27245, 27683, 28105, 28510, 28898, 29268, 29621, 29956,
    30273, 30571, 30852, 31113, 31356, 31580, 31785, 31971,
    32137, 32285, 32412, 32521, 32609, 32678, 32728, 32757,
    32767, 32757, 32728, 32678, 32609, 32521, 32412, 32285,
    32137, 31971, 31785, 31580, 31356, 31113, 30852, 30571,
    30273, 29956, 29621, 29268, 28898, 28510, 28105, 27683,
    27245, 26790, 26319, 25832, 25329, 24812, 24279, 23731,
    23170, 22594, 22005, 21403, 20787, 20159, 19519, 18868,
    18204, 17530, 16846, 16151, 15446, 14732, 14010, 13279,
    12539, 11793, 11039, 10278, 9512, 8739, 7962, 7179,
    6393, 5602, 4808, 4011, 3212, 2411, 1608, 804,
    0, -804, -1608, -2410, -3212, -4011, -4808, -5602,
    -6393, -7179, -7962, -8739, -9512, -10278, -11039, -11793,
    -12539, -13279, -14010, -14732, -15446, -16151, -16846, -17530,
    -18204, -18868, -19519, -20159, -20787, -21403, -22005, -22594,
    -23170, -23731, -24279, -24812, -25329, -25832, -26319, -26790,
    -27245, -27683, -28105, -28510, -28898, -29268, -29621, -29956,
    -30273, -30571, -30852, -31113, -31356, -31580, -31785, -31971,
    -32137, -32285, -32412, -32521, -32609, -32678, -32728, -32757,
    -32767, -32757, -32728, -32678, -32609, -32521, -32412, -32285,
    -32137, -31971, -31785, -31580, -31356, -31113, -30852, -30571,
    -30273, -29956, -29621, -29268, -28898, -28510, -28105, -27683,
    -27245, -26790, -26319, -25832, -25329, -24811, -24279, -23731,
    -23170, -22594, -22005, -21402, -20787, -20159, -19519, -18867,
    -18204, -17530, -16845, -16151, -15446, -14732, -14009, -13278,
    -12539, -11792, -11039, -10278, -9512, -8739, -7961, -7179,
    -6392, -5602, -4808, -4011, -3211, -2410, -1608, -804,
}};
// clang-format on

constexpr std::array<std::array<std::int32_t, 32>, 32> make_angle_table() {
  std::array<std::array<std::int32_t, 32>, 32> t{};
  for (int dy = 0; dy < 32; ++dy)
    for (int dx = 0; dx < 32; ++dx) {
      if (dx == 0 && dy == 0)
        t[dy][dx] = -1;
      else if (dy <= dx)
        t[dy][dx] = (64 * dy + dx) / (2 * dx);  // 32 dy / dx, half up
      else
        t[dy][dx] = 64 - (64 * dx + dy) / (2 * dy);
    }
  return t;
}
constexpr auto kAngles = make_angle_table();

constexpr std::array<std::int32_t, 8> kSpeeds = {928, 974, 1020, 1066, 1112, 1158, 1204, 1250};

struct Offset {
  int dx, dy;
};
constexpr std::array<Offset, kDirectionCount> kTargetOffsets = {{{0, -1000},
                                                                 {1000, -1000},
                                                                 {1000, 0},
                                                                 {1000, 1000},
                                                                 {0, 1000},
                                                                 {-1000, 1000},
                                                                 {-1000, 0},
                                                                 {-1000, -1000}}};

// Direction by arrow code (Up 1, Right 2, Down 4, Left 8).
constexpr std::array<std::int8_t, 16> kDirectionByCode = {-1, 0, 2, 1, 4, 0, 3, 1,
                                                          6,  7, 6, 7, 5, 7, 3, 0};

// Frames are sprite numbers of TEAM1.DAT (sprite base 0).
constexpr std::int32_t kStanding[kDirectionCount][2] = {
    {341, kFrameRestart}, {363, kFrameRestart}, {347, kFrameRestart}, {357, kFrameRestart},
    {344, kFrameRestart}, {354, kFrameRestart}, {350, kFrameRestart}, {360, kFrameRestart}};
constexpr std::int32_t kRunning[kDirectionCount][5] = {
    {343, 341, 342, 341, kFrameRestart}, {364, 363, 362, 363, kFrameRestart},
    {349, 347, 348, 347, kFrameRestart}, {358, 357, 356, 357, kFrameRestart},
    {346, 344, 345, 344, kFrameRestart}, {355, 354, 353, 354, kFrameRestart},
    {352, 350, 351, 350, kFrameRestart}, {361, 360, 359, 360, kFrameRestart}};

template <std::size_t N>
AnimationSet make_set(const std::int32_t (&lists)[kDirectionCount][N]) {
  AnimationSet s{5, {}};
  for (int d = 0; d < kDirectionCount; ++d) s.lists[d] = FrameList(lists[d], N);
  return s;
}

std::int32_t speed_of(const std::array<std::int32_t, 7>& attributes) {
  return kSpeeds[static_cast<std::size_t>(std::clamp(attributes[kSpeedSkill] / 2, 0, 7))];
}

std::int32_t fixed(int whole) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(whole) << 16);
}

// (sine / 256) x speed x 41 / 64, each division toward zero.
std::int32_t velocity(int angle, std::int32_t speed) {
  return kSine[static_cast<std::size_t>(angle & 255)] / 256 * speed * 41 / 64;
}

int init() {
  test_player() = TestPlayer{};
  return 1;
}

void enter(int) {
  test_mode_frame();
  start_frame_clock(test_mode_frame);
}

int keys(std::uint32_t, std::int64_t) {
  return 0;
}

}  // namespace

const AnimationSet& standing_set() {
  static const AnimationSet s = make_set(kStanding);
  return s;
}

const AnimationSet& running_set() {
  static const AnimationSet s = make_set(kRunning);
  return s;
}

// The speed is known from the start: the first step's velocity comes from
// it, and a step at speed 0 would put a held direction's target (1000 pixels
// away) at once.
TestPlayer::TestPlayer()
    : attributes(&kAttributes),
      animation_set(&standing_set()),
      frame_list(standing_set().lists[4]),
      speed(speed_of(kAttributes)) {}

TestPlayer& test_player() {
  static TestPlayer player;
  return player;
}

const std::array<std::int32_t, 256>& sine_table() {
  return kSine;
}
const std::array<std::array<std::int32_t, 32>, 32>& angle_table() {
  return kAngles;
}
const std::array<std::int32_t, 8>& speed_table() {
  return kSpeeds;
}

unsigned arrow_code(const KeyStateBytes& s) {
  auto held = [&](std::uint32_t vk) { return (s[vk] & 0x80) ? 1u : 0u; };
  return held(platform::VK_UP) + 2 * held(platform::VK_RIGHT) + 4 * held(platform::VK_DOWN) +
         8 * held(platform::VK_LEFT);
}

int requested_direction(unsigned code) {
  return code < kDirectionByCode.size() ? kDirectionByCode[code] : -1;
}

unsigned blocked_directions(int x, int y) {
  unsigned mask = 0;
  if (x < 79) mask |= (1u << 5) | (1u << 6) | (1u << 7);
  if (x > 592) mask |= (1u << 1) | (1u << 2) | (1u << 3);
  if (y < 111) mask |= (1u << 0) | (1u << 1) | (1u << 7);
  if (y > 755) mask |= (1u << 3) | (1u << 4) | (1u << 5);
  return mask;
}

void advance_animation(TestPlayer& p) {
  p.frame_index += 1;
  p.countdown = p.step_delay;
  const auto size = static_cast<std::int32_t>(p.frame_list.size());
  for (int reads = 0; reads < kMaxReads; ++reads) {
    if (p.frame_index < 0 || p.frame_index >= size) return;  // a list without its end code
    const std::int32_t v = p.frame_list[static_cast<std::size_t>(p.frame_index)];
    if (v >= 0) {
      p.sprite = p.sprite_base + v;
      return;
    }
    if (v == kFrameRestart) {
      p.frame_index = 0;
    } else if (v == kFrameHold || v == -100) {
      p.frame_index -= 1;
      return;
    } else if (v >= -99) {
      p.step_delay = p.countdown = -v;
      p.frame_index += 1;
    } else {
      p.frame_index -= -v - 100;
    }
  }
}

void step_test_player(TestPlayer& p, int requested) {
  // Target.
  const int x = whole_part(p.x), y = whole_part(p.y);
  const unsigned blocked = blocked_directions(x, y);
  if (requested >= 0 && requested < kDirectionCount) {
    p.direction = requested;
  } else {
    requested = -1;
  }
  if (requested >= 0 && !(blocked & (1u << requested))) {
    const Offset o = kTargetOffsets[static_cast<std::size_t>(requested)];
    p.target_x = static_cast<std::int16_t>(x + o.dx);
    p.target_y = static_cast<std::int16_t>(y + o.dy);
  } else {
    p.target_x = x;
    p.target_y = y;
  }

  // Velocity towards the target.
  p.previous_moving = p.moving;
  int dx = p.target_x - x, dy = p.target_y - y;
  const bool left = dx < 0, up = dy < 0;
  dx = std::abs(dx);
  dy = std::abs(dy);
  while (dx >= 32) dx /= 2, dy /= 2;
  while (dy >= 32) dx /= 2, dy /= 2;
  const int a = kAngles[static_cast<std::size_t>(dy)][static_cast<std::size_t>(dx)];
  if (a == -1) {
    p.heading = -1;
    p.x_velocity = p.y_velocity = 0;
    p.moving = 0;
  } else {
    const int angle = (!left ? (!up ? 64 - a : a + 64) : (!up ? a + 192 : 192 - a)) & 255;
    p.moving = 1;
    p.x_velocity = velocity(angle, p.speed);
    p.y_velocity = velocity(angle + 64, p.speed);
    p.heading = (128 - angle) & 255;
  }

  // Animation set.
  const int facing = p.direction >= 0 && p.direction < kDirectionCount ? p.direction : 4;
  const AnimationSet* set = p.animation_set;
  if (p.previous_moving && !p.moving)
    set = &standing_set();
  else if (!p.previous_moving && p.moving)
    set = &running_set();
  p.frame_list = set->lists[static_cast<std::size_t>(facing)];
  if (set != p.animation_set) {
    p.animation_set = set;
    p.frame_index = -1;
    p.countdown = 1;
    p.step_delay = set->initial_delay;
  }

  // Speed.
  p.speed = speed_of(*p.attributes);
  p.step_delay = std::max(0, 1280 - p.speed) / 128 + 6;

  // Animation.
  if (--p.countdown == 0) advance_animation(p);

  // Movement; a coordinate that reaches its target stops on it.
  p.x += p.x_velocity;
  p.y += p.y_velocity;
  if ((p.x_velocity > 0 && whole_part(p.x) >= p.target_x) ||
      (p.x_velocity <= 0 && whole_part(p.x) <= p.target_x)) {
    p.x = fixed(p.target_x);
    p.x_velocity = 0;
  }
  if ((p.y_velocity > 0 && whole_part(p.y) > p.target_y) ||
      (p.y_velocity <= 0 && whole_part(p.y) <= p.target_y)) {
    p.y = fixed(p.target_y);
    p.y_velocity = 0;
  }
}

std::uint8_t* draw_test_mode(std::uint8_t* fb, int stride) {
  apply_pitch_type(kTestPitchType);
  draw_pitch(fb, kViewX, kViewY, stride, kTestPitch, false, false);
  const TestPlayer& p = test_player();
  if (p.sprite >= 0)
    draw_sprite_at_centre(whole_part(p.x) - kViewX, whole_part(p.y - p.height) - kViewY, p.sprite,
                          fb, stride);
  char number[12];
  draw_text(format_decimal(p.direction, number), 0, 0, fb, stride, 0, kNaturalColours,
            kTextLeft | kTextTop);
  return fb;
}

void test_mode_frame() {
  KeyStateBytes keys{};
  const unsigned code = get_keyboard_state(keys) ? arrow_code(keys) : 0;
  step_test_player(test_player(), requested_direction(code));
  request_redraw();
}

ModeDescriptor test_mode_descriptor() {
  return {init,          enter,       leave_pitch_mode, keys, draw_test_mode, pattern_palette_slot,
          kTestModeHelp, "TEST MODE", kHotKey,          0};
}

}  // namespace tavu
