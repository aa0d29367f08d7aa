#include "pitch/pitch_mode.h"

#include "shell/placeholder_modes.h"

namespace tavu {

const char* const kPitchModeHelp =
    "arrows\t\t\t\t- scroll pitch\n+/-\t\t\t\t- \rchange pitch type\n(frozen, muddy etc.)\nctrl + "
    "N\t\t\t- \rshow/hide pattern\nnumbers\nctrl + E\t\t\t- toggle edit mode\nspace/backspace\t\t- "
    "\rgo to next/previous\npitch\npage up/down\t\t- \rscroll up/down by\nabout half of "
    "screen\nhome/end\t\t\t- \rgo to up-left/\n\rdown-right corner of\npitch\nF2\t\t\t\t\t- save "
    "pitch to bitmap\ninsert\t\t\t\t- \rread pitch from\ncorresponding bitmap\nin edit mode:\nctrl "
    "+ arrows up/down\t- \rchange pattern number\nplus/minus one";

ModeDescriptor pitch_mode_descriptor() {
  return placeholder_mode(kPitchModeHelp, "PITCH MODE", 0x76);
}

}  // namespace tavu
