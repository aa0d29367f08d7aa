#include "shell/placeholder_modes.h"

#include <algorithm>

namespace tavu {

extern const char kHelpPicture[] =
    "space/backspace\narrows right/left\t- next/previous picture\n+/-\t\t\t\t- brighten/darken "
    "picture\nF2\t\t\t\t\t- save picture as bitmap\nF3\t\t\t\t\t- reload picture";
extern const char kHelpPitch[] =
    "arrows\t\t\t\t- scroll pitch\n+/-\t\t\t\t- \rchange pitch type\n(frozen, muddy etc.)\nctrl + "
    "N\t\t\t- \rshow/hide pattern\nnumbers\nctrl + E\t\t\t- toggle edit mode\nspace/backspace\t\t- "
    "\rgo to next/previous\npitch\npage up/down\t\t- \rscroll up/down by\nabout half of "
    "screen\nhome/end\t\t\t- \rgo to up-left/\n\rdown-right corner of\npitch\nF2\t\t\t\t\t- save "
    "pitch to bitmap\ninsert\t\t\t\t- \rread pitch from\ncorresponding bitmap\nin edit mode:\nctrl "
    "+ arrows up/down\t- \rchange pattern number\nplus/minus one";
extern const char kHelpPattern[] =
    "arrows right/left\t- next/previous pitch\narrows up/down\t\t- next/previous "
    "pattern\nhome/end\t\t\t- first/last pattern\npage up/down\t\t- \r10 patterns "
    "forward/\nbackward\nspace/backspace\t\t- change pitch type\nF2\t\t\t\t\t- save pattern to "
    "bitmap\ng\t\t\t\t\t- go to pattern\nc\t\t\t\t\t- change pattern number\ndelete\t\t\t\t- "
    "delete pattern\ninsert\t\t\t\t- \rreplace current\n\rpattern with\n\rcorresponding\nbitmap";
extern const char kHelpReplay[] =
    "\nSELECT HIGHLIGHT OR REPLAY FILE TO SEE AND\nPRESS ENTER. REPLAY SPEED IS CONTROLLED "
    "WITH\n+/-. PRESS ESCAPE TO STOP WATCHING. PRESS F TO\nTOGGLE FRAME RATE DISPLAY. PRESS P FOR "
    "PAUSE.\nWHILE PAUSED PRESS N TO ADVANCE TO NEXT FRAME.";
extern const char kHelpTest[] = "HELP NOT WRITTEN YET";

namespace {

// Modes whose editors have not been built yet: they start, show an empty
// picture and use no keys.
int init() {
  return 1;
}
void enter(int) {}
void leave() {}
int keys(std::uint32_t, std::int64_t) {
  return 0;
}
std::uint8_t* draw(std::uint8_t* fb, int stride) {
  for (int y = 0; y < kScreenHeight; ++y) std::fill_n(fb + y * stride, kScreenWidth, 0);
  return fb;
}
const Palette* palette() {
  return &default_palette();
}

ModeDescriptor placeholder(const char* help, const char* name, std::uint32_t hot_key) {
  return {init, enter, leave, keys, draw, palette, help, name, hot_key, 0};
}

}  // namespace

ModeDescriptor picture_mode_descriptor() {
  return placeholder(kHelpPicture, "PICTURE MODE", 0x75);
}
ModeDescriptor pitch_mode_descriptor() {
  return placeholder(kHelpPitch, "PITCH MODE", 0x76);
}
ModeDescriptor pattern_mode_descriptor() {
  return placeholder(kHelpPattern, "PATTERN MODE", 0x77);
}
ModeDescriptor replay_mode_descriptor() {
  return placeholder(kHelpReplay, "REPLAY MODE", 0x78);
}
ModeDescriptor test_mode_descriptor() {
  return placeholder(kHelpTest, "TEST MODE", 0x79);
}

}  // namespace tavu
