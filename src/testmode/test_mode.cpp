#include "testmode/test_mode.h"

#include "shell/placeholder_modes.h"

namespace tavu {

const char* const kTestModeHelp = "HELP NOT WRITTEN YET";

ModeDescriptor test_mode_descriptor() {
  return placeholder_mode(kTestModeHelp, "TEST MODE", 0x79);
}

}  // namespace tavu
