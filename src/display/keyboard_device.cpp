#include "display/keyboard_device.h"

#include "platform/platform.h"

namespace tavu {
namespace {
// Reading gives up after this many lost inputs in a row, each acquired again
// successfully: a device that never settles must not hang the frame.
constexpr int kMaxReacquires = 8;
}  // namespace

bool open_keyboard_device() {
  return platform::current().open_key_device();
}

bool read_keyboard_state(KeyStateBytes& state) {
  auto& p = platform::current();
  for (int tries = 0; tries <= kMaxReacquires; ++tries) {
    switch (p.read_key_device(state)) {
      case platform::KeyDeviceRead::ok:
        return true;
      case platform::KeyDeviceRead::failed:
        return false;
      case platform::KeyDeviceRead::lost:
        if (!p.acquire_key_device()) return false;
        break;
    }
  }
  return false;
}

void close_keyboard_device() {
  platform::current().close_key_device();
}

bool get_keyboard_state(KeyStateBytes& state) {
  return platform::current().read_window_key_state(state);
}

}  // namespace tavu
