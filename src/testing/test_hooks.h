// Fault injection for tests, compiled only into tavu-editor-test: crashes of
// every kind the crash log handles, an allocation that cannot succeed, and
// failures of full screen and of the keyboard state. The editor users run
// has none of it.
#pragma once

#include <string>

#include "platform/headless/headless_platform.h"
#include "shell/script.h"

namespace tavu::testing {

// Script lines of the test build:
//   crash segv|bus|ill|fpe|abort|stack
//   allocate BYTES|max          (allocate_or_stop; max never succeeds)
//   fail fullscreen|keyboard-device|keyboard-state
//   lose keyboard-device        (its input, once, as in the background)
ScriptExtension script_extension(platform::HeadlessPlatform& platform);

// Crashes `ms` milliseconds into the run, from the message loop (for runs
// in the real window). False for an unknown kind.
bool schedule_crash(const std::string& kind, unsigned ms);

}  // namespace tavu::testing
