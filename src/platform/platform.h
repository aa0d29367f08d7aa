// The seam between the editor and the operating system. Everything above it
// speaks Windows vocabulary (virtual-key codes, lParam bits, message numbers);
// each backend turns its native events into that vocabulary. The shell owns
// the message queue, the timers and the frame clock; a backend only delivers
// input, tells the time, waits, shows frames and places the window.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tavu::platform {

// Windows message numbers the program uses.
enum : std::uint32_t {
  WM_CREATE = 0x0001,
  WM_DESTROY = 0x0002,
  WM_MOVE = 0x0003,
  WM_ACTIVATE = 0x0006,
  WM_PAINT = 0x000F,
  WM_CLOSE = 0x0010,
  WM_QUIT = 0x0012,
  WM_ERASEBKGND = 0x0014,
  WM_ACTIVATEAPP = 0x001C,
  WM_DISPLAYCHANGE = 0x007E,
  WM_KEYDOWN = 0x0100,
  WM_KEYUP = 0x0101,
  WM_SYSKEYDOWN = 0x0104,
  WM_SYSKEYUP = 0x0105,
  WM_TIMER = 0x0113,
  WM_MOUSEMOVE = 0x0200,
  WM_LBUTTONDOWN = 0x0201,
  WM_LBUTTONUP = 0x0202,
  WM_LBUTTONDBLCLK = 0x0203,
  WM_RBUTTONDOWN = 0x0204,
  WM_RBUTTONUP = 0x0205,
  WM_RBUTTONDBLCLK = 0x0206,
  WM_MOUSEWHEEL = 0x020A,
  WM_HOTKEY = 0x0312,
};

// wParam flags of mouse messages.
inline constexpr std::uint32_t MK_LBUTTON = 0x0001;
inline constexpr std::uint32_t MK_CONTROL = 0x0008;

// WM_MOUSEWHEEL: the high word of wParam is the signed distance turned,
// positive away from the user, in multiples of WHEEL_DELTA per notch (finer
// wheels and touchpads send parts of it); the low word the MK_ flags.
inline constexpr int WHEEL_DELTA = 120;
inline std::uint64_t make_wheel_wparam(int delta, std::uint32_t mk_flags) {
  return (static_cast<std::uint64_t>(static_cast<std::uint16_t>(delta)) << 16) |
         (mk_flags & 0xFFFF);
}

// Virtual-key codes.
enum : std::uint32_t {
  VK_BACK = 0x08,
  VK_TAB = 0x09,
  VK_RETURN = 0x0D,
  VK_SHIFT = 0x10,
  VK_CONTROL = 0x11,
  VK_MENU = 0x12,
  VK_PAUSE = 0x13,
  VK_ESCAPE = 0x1B,
  VK_SPACE = 0x20,
  VK_PRIOR = 0x21,
  VK_NEXT = 0x22,
  VK_END = 0x23,
  VK_HOME = 0x24,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28,
  VK_INSERT = 0x2D,
  VK_DELETE = 0x2E,
  VK_LWIN = 0x5B,
  VK_RWIN = 0x5C,
  VK_NUMPAD0 = 0x60,
  VK_MULTIPLY = 0x6A,
  VK_ADD = 0x6B,
  VK_SUBTRACT = 0x6D,
  VK_DECIMAL = 0x6E,
  VK_DIVIDE = 0x6F,
  VK_F1 = 0x70,
  VK_F2 = 0x71,
  VK_F3 = 0x72,
  VK_F4 = 0x73,
  VK_F5 = 0x74,
  VK_F10 = 0x79,
  VK_F12 = 0x7B,
  VK_OEM_PLUS = 0xBB,  // the main keyboard's "=" and "+" key
  VK_OEM_MINUS = 0xBD,
  VK_LSHIFT = 0xA0,
  VK_RSHIFT = 0xA1,
  VK_LCONTROL = 0xA2,
  VK_RCONTROL = 0xA3,
  VK_LMENU = 0xA4,
  VK_RMENU = 0xA5,
};

// lParam of key messages: bits 0-15 repeat count, 16-23 scan code, bit 29
// context code (Alt held), bit 30 previous key state (1 for a repeat),
// bit 31 transition state (1 for key up).
inline constexpr std::uint32_t kKeyAltBit = 1u << 29;
inline constexpr std::uint32_t kKeyRepeatBit = 1u << 30;
inline constexpr std::uint32_t kKeyUpBit = 1u << 31;

struct Message {
  std::uint32_t message = 0;
  std::uint64_t wparam = 0;
  std::int64_t lparam = 0;
};

// Builds a mouse lParam from client coordinates (low word x, high word y).
inline std::int64_t make_point_lparam(int x, int y) {
  return static_cast<std::int64_t>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) |
                                   static_cast<std::uint32_t>(x & 0xFFFF));
}

struct ScreenSize {
  int width = 0;
  int height = 0;
};

enum class ShowCommand { normal, minimise, hide };
enum class Cursor { arrow, app_starting };
enum class MessageBoxIcon { none, warning, error };

// 256 entries of red, green, blue, 8 bits each.
using PaletteBytes = std::array<std::uint8_t, 768>;

// 256 key states, a byte with its top bit set for a key that is down: by
// DirectInput key code for the keyboard device, by virtual-key code for the
// window's key state.
using KeyStates = std::array<std::uint8_t, 256>;

// Reading the keyboard device: `lost` when the device has lost its input (the
// window went to the background) and must be acquired again.
enum class KeyDeviceRead { ok, lost, failed };

// The DirectInput key code (the key's set-1 scan code, 0x80 added for the
// extended keys) of a virtual-key code; side-specific codes such as VK_RSHIFT
// give that side, the generic ones the left. 0 for keys without one.
std::uint8_t dik_for_vk(std::uint32_t vk);

// Where the 320x200 picture goes in an area of the given size: the largest
// whole multiple that fits, centred; where not even twice the size fits, the
// largest 16:10 rectangle, centred.
struct PictureRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const PictureRect&, const PictureRect&) = default;
};
PictureRect picture_rect(ScreenSize area);

// Largest whole scale of the 320x200 picture, at most 4, that fits the screen
// (4 when its size is unknown).
int picture_scale_for(ScreenSize screen);

inline constexpr int kFrameWidth = 320;
inline constexpr int kFrameHeight = 200;

class Platform {
 public:
  virtual ~Platform() = default;

  // --- Process ---------------------------------------------------------
  // Takes the single-instance guard named `name`; false when another copy of
  // the program holds it.
  virtual bool acquire_single_instance(const std::string& name) = 0;

  // --- Time --------------------------------------------------------------
  // High-resolution counter and its frequency (counts per second); a
  // frequency of 0 means the counter is unavailable.
  virtual std::uint64_t counter() = 0;
  virtual std::uint64_t counter_frequency() = 0;
  // Milliseconds since an arbitrary start, wrapping at 2^32.
  virtual std::uint32_t tick_count() = 0;

  // --- Input -------------------------------------------------------------
  // Hands out the next input message (keys, mouse, activation, close), or
  // nothing. Key state for key_down() follows the messages handed out.
  virtual std::optional<Message> next_input() = 0;
  // Blocks until input is available or the high-resolution counter reaches
  // `deadline` (no deadline: wait for input only). May return early.
  virtual void wait(std::optional<std::uint64_t> deadline) = 0;
  // True while the key with this virtual-key code is held (GetAsyncKeyState
  // negative). VK_SHIFT, VK_CONTROL and VK_MENU report either side.
  virtual bool key_down(std::uint32_t vk) = 0;
  // Set when the backend wants the program to end now (the end of a script),
  // with its exit code.
  virtual std::optional<int> exit_requested() { return std::nullopt; }

  // --- Window ------------------------------------------------------------
  virtual ScreenSize screen_size() = 0;
  // Client size the window will have for a 320x200 picture: 1280x800, or a
  // smaller whole multiple where the screen is too small.
  virtual ScreenSize client_size_for(ScreenSize screen) = 0;
  // Creates the borderless window at (x, y) with the given outer size; not
  // yet shown. False on failure.
  virtual bool create_window(const std::string& title, int x, int y, int width, int height) = 0;
  virtual void move_window(int x, int y, int width, int height) = 0;
  virtual void show_window(ShowCommand command) = 0;
  // True when the window is neither minimised nor hidden.
  virtual bool window_shown_normally() = 0;
  virtual void set_topmost(bool topmost) = 0;
  virtual void capture_mouse(bool capture) = 0;
  virtual void set_cursor(Cursor cursor) = 0;
  virtual void show_cursor(bool show) = 0;

  // Shows the 320x200 picture (rows `stride` bytes apart) with the palette:
  // in the window, or filling the screen while in full screen.
  virtual void present(const std::uint8_t* pixels, int stride, const PaletteBytes& palette) = 0;

  // --- Full screen ---------------------------------------------------------
  // Puts the window's picture on the whole screen (no video mode change);
  // false when the platform cannot. The window placement is kept for the
  // way back.
  virtual bool enter_fullscreen() { return false; }
  // Back to the window; harmless when not in full screen.
  virtual void leave_fullscreen() {}
  // After re-activation in full screen: brings back whatever the platform
  // lost of the full-screen output while in the background.
  virtual void restore_fullscreen() {}
  // SetFocus on the window.
  virtual void focus_window() {}

  // --- Keyboard state ------------------------------------------------------
  // The keyboard device that is polled by key position (DirectInput's part):
  // opening fails where the platform has none.
  virtual bool open_key_device() { return false; }
  virtual KeyDeviceRead read_key_device(KeyStates& /*state*/) { return KeyDeviceRead::failed; }
  // Acquires the device again after it lost its input; fails while the
  // window is in the background.
  virtual bool acquire_key_device() { return false; }
  virtual void close_key_device() {}
  // GetKeyboardState: the window's key state by virtual-key code.
  virtual bool read_window_key_state(KeyStates& state) {
    for (std::uint32_t vk = 0; vk < state.size(); ++vk) state[vk] = key_down(vk) ? 0x80 : 0x00;
    return true;
  }

  // MessageBeep; a backend without a system sound does nothing.
  virtual void message_beep(std::uint32_t /*type*/) {}
  // GetActiveWindow() == the program's window.
  virtual bool window_active() { return true; }

  // A message box; blocks under a display, prints "CAPTION: TEXT" to standard
  // error where there is none.
  virtual void message_box(const std::string& caption, const std::string& text,
                           MessageBoxIcon icon) = 0;

  // The "Fatal error" box of a crash, called from the fatal-signal handler:
  // only async-signal-safe calls. Hides the window (leaving full screen)
  // first. It may replace the process by one that shows the box and ends
  // with exit status 255; when it returns, the caller ends the process.
  virtual void fatal_error_box(const char* text) = 0;
};

// The backend the program runs on; set once by main() before anything else.
Platform& current();
void set_current(Platform* platform);

}  // namespace tavu::platform
