#include "platform/platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tavu::platform {
namespace {
Platform* g_platform = nullptr;

// Set-1 scan codes of the letter keys A to Z.
constexpr std::uint8_t kLetterCodes[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                           0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                           0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
// Keypad 0 to 9.
constexpr std::uint8_t kKeypadCodes[10] = {0x52, 0x4F, 0x50, 0x51, 0x4B,
                                           0x4C, 0x4D, 0x47, 0x48, 0x49};
}  // namespace

Platform& current() {
  if (!g_platform) {
    std::fputs("no platform backend installed\n", stderr);
    std::abort();
  }
  return *g_platform;
}

void set_current(Platform* platform) {
  g_platform = platform;
}

std::uint8_t dik_for_vk(std::uint32_t vk) {
  if (vk >= 'A' && vk <= 'Z') return kLetterCodes[vk - 'A'];
  if (vk >= '1' && vk <= '9') return static_cast<std::uint8_t>(0x02 + (vk - '1'));
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return kKeypadCodes[vk - VK_NUMPAD0];
  if (vk >= VK_F1 && vk <= VK_F1 + 9) return static_cast<std::uint8_t>(0x3B + (vk - VK_F1));
  if (vk >= VK_F1 + 12 && vk <= VK_F1 + 14)
    return static_cast<std::uint8_t>(0x64 + (vk - VK_F1 - 12));
  switch (vk) {
    case '0':
      return 0x0B;
    case VK_ESCAPE:
      return 0x01;
    case VK_BACK:
      return 0x0E;
    case VK_TAB:
      return 0x0F;
    case VK_RETURN:
      return 0x1C;
    case VK_SPACE:
      return 0x39;
    case VK_F1 + 10:
      return 0x57;  // F11
    case VK_F1 + 11:
      return 0x58;  // F12
    case VK_SHIFT:
    case VK_LSHIFT:
      return 0x2A;
    case VK_RSHIFT:
      return 0x36;
    case VK_CONTROL:
    case VK_LCONTROL:
      return 0x1D;
    case VK_RCONTROL:
      return 0x9D;
    case VK_MENU:
    case VK_LMENU:
      return 0x38;
    case VK_RMENU:
      return 0xB8;
    case VK_LWIN:
      return 0xDB;
    case VK_RWIN:
      return 0xDC;
    case 0x5D:
      return 0xDD;  // VK_APPS
    case 0x14:
      return 0x3A;  // VK_CAPITAL
    case 0x90:
      return 0x45;  // VK_NUMLOCK
    case 0x91:
      return 0x46;  // VK_SCROLL
    case 0x2C:
      return 0xB7;  // VK_SNAPSHOT
    case VK_PAUSE:
      return 0xC5;
    case VK_MULTIPLY:
      return 0x37;
    case VK_SUBTRACT:
      return 0x4A;
    case VK_ADD:
      return 0x4E;
    case VK_DECIMAL:
      return 0x53;
    case VK_DIVIDE:
      return 0xB5;
    case VK_HOME:
      return 0xC7;
    case VK_UP:
      return 0xC8;
    case VK_PRIOR:
      return 0xC9;
    case VK_LEFT:
      return 0xCB;
    case VK_RIGHT:
      return 0xCD;
    case VK_END:
      return 0xCF;
    case VK_DOWN:
      return 0xD0;
    case VK_NEXT:
      return 0xD1;
    case VK_INSERT:
      return 0xD2;
    case VK_DELETE:
      return 0xD3;
    case 0xBA:
      return 0x27;  // VK_OEM_1 ;:
    case 0xBB:
      return 0x0D;  // VK_OEM_PLUS
    case 0xBC:
      return 0x33;  // VK_OEM_COMMA
    case 0xBD:
      return 0x0C;  // VK_OEM_MINUS
    case 0xBE:
      return 0x34;  // VK_OEM_PERIOD
    case 0xBF:
      return 0x35;  // VK_OEM_2 /?
    case 0xC0:
      return 0x29;  // VK_OEM_3 `~
    case 0xDB:
      return 0x1A;  // VK_OEM_4 [{
    case 0xDC:
      return 0x2B;  // VK_OEM_5 backslash
    case 0xDD:
      return 0x1B;  // VK_OEM_6 ]}
    case 0xDE:
      return 0x28;  // VK_OEM_7 '"
    case 0xE2:
      return 0x56;  // VK_OEM_102
    default:
      return 0;
  }
}

PictureRect picture_rect(ScreenSize area) {
  if (area.width <= 0 || area.height <= 0) return {};
  const int scale = std::min(area.width / kFrameWidth, area.height / kFrameHeight);
  int w = 0;
  int h = 0;
  if (scale >= 2) {
    w = kFrameWidth * scale;
    h = kFrameHeight * scale;
  } else if (area.width * 10 <= area.height * 16) {
    w = area.width;
    h = area.width * 10 / 16;
  } else {
    h = area.height;
    w = area.height * 16 / 10;
  }
  return {(area.width - w) / 2, (area.height - h) / 2, w, h};
}

int picture_scale_for(ScreenSize screen) {
  if (screen.width <= 0 || screen.height <= 0) return 4;
  const int fit = std::min(screen.width / kFrameWidth, screen.height / kFrameHeight);
  return std::clamp(fit, 1, 4);
}

}  // namespace tavu::platform
