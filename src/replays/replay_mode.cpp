#include "replays/replay_mode.h"

#include "replays/browser.h"
#include "replays/playback.h"

namespace tavu {

const char* const kReplayModeHelp =
    "\nSELECT HIGHLIGHT OR REPLAY FILE TO SEE AND\nPRESS ENTER. REPLAY SPEED IS CONTROLLED "
    "WITH\n+/-. PRESS ESCAPE TO STOP WATCHING. PRESS F TO\nTOGGLE FRAME RATE DISPLAY. PRESS P FOR "
    "PAUSE.\nWHILE PAUSED PRESS N TO ADVANCE TO NEXT FRAME.";

ModeDescriptor replay_mode_descriptor() {
  return {browser_init,   browser_enter,   browser_leave, browser_keys, draw_browser,
          replay_palette, kReplayModeHelp, "REPLAY MODE", 0x78,         0};
}

}  // namespace tavu
