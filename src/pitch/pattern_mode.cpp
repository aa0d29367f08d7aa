#include "pitch/pattern_mode.h"

#include "shell/placeholder_modes.h"

namespace tavu {

const char* const kPatternModeHelp =
    "arrows right/left\t- next/previous pitch\narrows up/down\t\t- next/previous "
    "pattern\nhome/end\t\t\t- first/last pattern\npage up/down\t\t- \r10 patterns "
    "forward/\nbackward\nspace/backspace\t\t- change pitch type\nF2\t\t\t\t\t- save pattern to "
    "bitmap\ng\t\t\t\t\t- go to pattern\nc\t\t\t\t\t- change pattern number\ndelete\t\t\t\t- "
    "delete pattern\ninsert\t\t\t\t- \rreplace current\n\rpattern with\n\rcorresponding\nbitmap";

ModeDescriptor pattern_mode_descriptor() {
  return placeholder_mode(kPatternModeHelp, "PATTERN MODE", 0x77);
}

}  // namespace tavu
