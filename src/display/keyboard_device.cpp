#include "display/keyboard_device.h"

#include "platform/platform.h"

namespace tavu {

// No keyboard device yet: the window's key state serves.
bool open_keyboard_device() {
  return false;
}

bool read_keyboard_state(KeyStateBytes&) {
  return false;
}

void close_keyboard_device() {}

bool get_keyboard_state(KeyStateBytes& state) {
  auto& p = platform::current();
  for (std::uint32_t vk = 0; vk < state.size(); ++vk) state[vk] = p.key_down(vk) ? 0x80 : 0x00;
  return true;
}

}  // namespace tavu
