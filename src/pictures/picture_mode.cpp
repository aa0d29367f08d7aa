#include "pictures/picture_mode.h"

#include "shell/placeholder_modes.h"

namespace tavu {

const char* const kPictureModeHelp =
    "space/backspace\narrows right/left\t- next/previous picture\n+/-\t\t\t\t- brighten/darken "
    "picture\nF2\t\t\t\t\t- save picture as bitmap\nF3\t\t\t\t\t- reload picture";

ModeDescriptor picture_mode_descriptor() {
  return placeholder_mode(kPictureModeHelp, "PICTURE MODE", 0x75);
}

void picture_mode_display_switched() {}

}  // namespace tavu
