#include "platform/win32/window/win32_platform.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <vector>

namespace tavu::platform {
namespace {

constexpr const char* kClassName = "TAVU";
constexpr int kHotKeyId = 0xBEEF;
constexpr UINT kHotKeyS = 0x53;
// The fastest repeat Windows offers: 250 ms, then about 30 a second.
constexpr UINT kRepeatDelay = 0;
constexpr UINT kRepeatSpeed = 31;

struct PictureInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};

class Win32Platform final : public Platform {
 public:
  Win32Platform() : frame_(static_cast<std::size_t>(kFrameWidth) * kFrameHeight, 0) {
    LARGE_INTEGER f{};
    if (QueryPerformanceFrequency(&f)) frequency_ = static_cast<std::uint64_t>(f.QuadPart);
    std::memset(&info_, 0, sizeof info_);
    info_.header.biSize = sizeof(BITMAPINFOHEADER);
    info_.header.biWidth = kFrameWidth;
    info_.header.biHeight = -kFrameHeight;  // top row first
    info_.header.biPlanes = 1;
    info_.header.biBitCount = 8;
    info_.header.biCompression = BI_RGB;
    info_.header.biClrUsed = 256;
  }

  ~Win32Platform() override {
    if (!window_) return;
    UnregisterHotKey(window_, kHotKeyId);
    put_back_key_repeat();
    DestroyWindow(window_);
  }

  bool register_class() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    wc.lpfnWndProc = &Win32Platform::procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = LoadIconA(wc.hInstance, MAKEINTRESOURCEA(1));
    wc.hIconSm = wc.hIcon;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kClassName;
    return RegisterClassExA(&wc) != 0;
  }

  bool acquire_single_instance(const std::string& name) override {
    // The handle stays open, and the mutex held, until the process ends.
    HANDLE mutex = CreateMutexA(nullptr, TRUE, name.c_str());
    return !(mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS);
  }

  std::uint64_t counter() override {
    LARGE_INTEGER c{};
    QueryPerformanceCounter(&c);
    return static_cast<std::uint64_t>(c.QuadPart);
  }
  std::uint64_t counter_frequency() override { return frequency_; }
  std::uint32_t tick_count() override { return GetTickCount(); }

  std::optional<Message> next_input() override {
    MSG msg;
    while (inbox_.empty() && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      // No TranslateMessage: virtual-key codes only, no character messages.
      if (msg.message == WM_QUIT) return Message{WM_CLOSE, 0, 0};
      DispatchMessageA(&msg);
    }
    if (inbox_.empty()) return std::nullopt;
    Message m = inbox_.front();
    inbox_.pop_front();
    return m;
  }

  void wait(std::optional<std::uint64_t> deadline) override {
    if (!inbox_.empty()) return;
    if (!deadline) {
      WaitMessage();
      return;
    }
    for (;;) {
      const std::uint64_t now = counter();
      if (now >= *deadline || frequency_ == 0) return;
      const std::uint64_t ticks = std::min<std::uint64_t>(*deadline - now, frequency_ * 3600);
      const std::uint64_t us = ticks * 1'000'000 / frequency_;
      if (us >= 2000) {
        // Can end up to a millisecond early; the clock decides.
        const DWORD ms = static_cast<DWORD>(us / 1000 - 1);
        if (MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE) ==
            WAIT_OBJECT_0)
          return;
        continue;
      }
      // The last millisecond or two: a sleep would overshoot it.
      if (GetQueueStatus(QS_ALLINPUT) != 0) return;
      SwitchToThread();
    }
  }

  bool key_down(std::uint32_t vk) override { return GetAsyncKeyState(static_cast<int>(vk)) < 0; }

  ScreenSize screen_size() override {
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }

  ScreenSize client_size_for(ScreenSize screen) override {
    const int scale = picture_scale_for(screen);
    return {kFrameWidth * scale, kFrameHeight * scale};
  }

  bool create_window(const std::string& title, int x, int y, int width, int height) override {
    window_ = CreateWindowExA(0, kClassName, title.c_str(), WS_POPUP, x, y, width, height, nullptr,
                              nullptr, GetModuleHandleA(nullptr), this);
    if (!window_) {
      std::fprintf(stderr, "Cannot create the window (error %lu)\n", GetLastError());
      return false;
    }
    dc_ = GetDC(window_);  // CS_OWNDC: ours for the window's life
    SetStretchBltMode(dc_, COLORONCOLOR);
    speed_up_key_repeat();
    RegisterHotKey(window_, kHotKeyId, MOD_WIN, kHotKeyS);  // may be taken: ignored
    return true;
  }

  void move_window(int x, int y, int width, int height) override {
    if (window_) MoveWindow(window_, x, y, width, height, TRUE);
  }

  void show_window(ShowCommand command) override {
    if (!window_) return;
    const int how = command == ShowCommand::normal     ? SW_SHOWNORMAL
                    : command == ShowCommand::minimise ? SW_MINIMIZE
                                                       : SW_HIDE;
    ShowWindow(window_, how);
    if (command == ShowCommand::normal) UpdateWindow(window_);
  }

  bool window_shown_normally() override {
    return window_ && IsWindowVisible(window_) && !IsIconic(window_);
  }

  void set_topmost(bool topmost) override {
    if (window_)
      SetWindowPos(window_, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE);
  }

  void capture_mouse(bool capture) override {
    if (capture)
      SetCapture(window_);
    else
      ReleaseCapture();
  }

  void set_cursor(Cursor cursor) override {
    SetCursor(LoadCursorA(nullptr, cursor == Cursor::app_starting ? IDC_APPSTARTING : IDC_ARROW));
  }

  void show_cursor(bool show) override { ShowCursor(show ? TRUE : FALSE); }

  void present(const std::uint8_t* pixels, int stride, const PaletteBytes& palette) override {
    if (!window_ || pixels == nullptr) return;
    for (int y = 0; y < kFrameHeight; ++y)
      std::memcpy(frame_.data() + y * kFrameWidth, pixels + static_cast<std::ptrdiff_t>(y) * stride,
                  kFrameWidth);
    for (int i = 0; i < 256; ++i)
      info_.colours[i] = {palette[i * 3 + 2], palette[i * 3 + 1], palette[i * 3], 0};
    have_frame_ = true;
    show_frame(dc_);
  }

  bool enter_fullscreen() override {
    if (!window_) return false;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetWindowRect(window_, &windowed_) ||
        !GetMonitorInfoA(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor))
      return false;
    const RECT& r = monitor.rcMonitor;
    fullscreen_ = true;
    if (!SetWindowPos(window_, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
                      SWP_SHOWWINDOW)) {
      fullscreen_ = false;
      return false;
    }
    SetCursor(nullptr);
    return true;
  }

  void leave_fullscreen() override {
    if (!fullscreen_ || !window_) return;
    fullscreen_ = false;
    SetWindowPos(window_, nullptr, windowed_.left, windowed_.top, windowed_.right - windowed_.left,
                 windowed_.bottom - windowed_.top, SWP_NOZORDER);
  }

  void restore_fullscreen() override { InvalidateRect(window_, nullptr, FALSE); }

  void focus_window() override {
    if (window_) SetFocus(window_);
  }

  // The keyboard read by key position: the window's key state, turned into
  // the device's key codes.
  bool open_key_device() override {
    key_device_open_ = true;
    return true;
  }
  KeyDeviceRead read_key_device(KeyStates& state) override {
    if (!key_device_open_) return KeyDeviceRead::failed;
    if (!window_active()) return KeyDeviceRead::lost;
    KeyStates keys{};
    if (!GetKeyboardState(keys.data())) return KeyDeviceRead::failed;
    state.fill(0);
    for (std::uint32_t vk = 1; vk < keys.size(); ++vk) {
      // The generic Shift, Ctrl and Alt would mark the left key for either.
      if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU) continue;
      if ((keys[vk] & 0x80) == 0) continue;
      if (const std::uint8_t code = dik_for_vk(vk)) state[code] = 0x80;
    }
    return KeyDeviceRead::ok;
  }
  bool acquire_key_device() override { return key_device_open_ && window_active(); }
  void close_key_device() override { key_device_open_ = false; }
  bool read_window_key_state(KeyStates& state) override {
    return GetKeyboardState(state.data()) != 0;
  }

  void message_beep(std::uint32_t type) override { MessageBeep(type); }
  bool window_active() override { return window_ && GetActiveWindow() == window_; }

  void message_box(const std::string& caption, const std::string& text,
                   MessageBoxIcon icon) override {
    const UINT style = icon == MessageBoxIcon::error     ? MB_ICONERROR
                       : icon == MessageBoxIcon::warning ? MB_ICONWARNING
                                                         : 0;
    HWND owner = window_shown_normally() ? window_ : nullptr;
    MessageBoxA(owner, text.c_str(), caption.c_str(), style | (owner ? 0 : MB_TASKMODAL));
  }

  // May run on another thread than the window's (after a stack overflow),
  // whose thread then waits: the window is changed without waiting for it.
  void fatal_error_box(const char* text) override {
    ShowCursor(TRUE);
    if (window_) {
      fullscreen_ = false;
      ShowWindowAsync(window_, SW_HIDE);
    }
    // Also on standard error, for whoever started the program from a shell.
    std::fprintf(stderr, "Fatal error: %s\n", text);
    std::fflush(stderr);
    MessageBoxA(window_, text, "Fatal error", MB_TASKMODAL | MB_ICONERROR);
  }

 private:
  static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32Platform*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, message, wparam, lparam);
    return self->handle(hwnd, message, wparam, lparam);
  }

  void hand_on(UINT message, WPARAM wparam, LPARAM lparam) {
    inbox_.push_back(
        {message, static_cast<std::uint64_t>(wparam), static_cast<std::int64_t>(lparam)});
  }

  LRESULT handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
      case WM_KEYDOWN:
      case WM_KEYUP:
      case WM_MOUSEMOVE:
      case WM_LBUTTONDOWN:
      case WM_LBUTTONUP:
      case WM_LBUTTONDBLCLK:
      case WM_RBUTTONDOWN:
      case WM_RBUTTONUP:
      case WM_RBUTTONDBLCLK:
      case WM_MOUSEWHEEL:
      case WM_HOTKEY:
        hand_on(message, wparam, lparam);
        return 0;
      case WM_SYSKEYDOWN:
        hand_on(message, wparam, lparam);
        // Alt+F4 becomes WM_CLOSE by the default handling; F10 and Alt+Enter
        // are the program's.
        if (wparam == VK_F10 || wparam == VK_RETURN) return 0;
        break;
      case WM_SYSKEYUP:
        // Not to the default handling: releasing Alt or F10 would enter the
        // (absent) menu and swallow the next keys.
        hand_on(message, wparam, lparam);
        return 0;
      case WM_ACTIVATE:
      case WM_ACTIVATEAPP:
      case WM_DISPLAYCHANGE:
        hand_on(message, wparam, lparam);
        break;
      case WM_CLOSE:
        hand_on(message, wparam, lparam);
        return 0;
      case WM_ERASEBKGND:
        return 1;
      case WM_SETCURSOR:
        if (fullscreen_ && LOWORD(lparam) == HTCLIENT) {
          SetCursor(nullptr);
          return TRUE;
        }
        break;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        show_frame(dc);
        EndPaint(hwnd, &ps);
        // The program composes a fresh frame; full screen keeps its own.
        if (!fullscreen_) hand_on(WM_PAINT, 0, 0);
        return 0;
      }
      default:
        break;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
  }

  // The last frame, scaled into the client area, the border black.
  void show_frame(HDC dc) {
    if (!window_ || !dc) return;
    RECT client{};
    GetClientRect(window_, &client);
    const PictureRect r = picture_rect({client.right, client.bottom});
    if (r.width <= 0 || r.height <= 0) return;
    if (r.x > 0) {
      PatBlt(dc, 0, 0, r.x, client.bottom, BLACKNESS);
      PatBlt(dc, r.x + r.width, 0, client.right - r.x - r.width, client.bottom, BLACKNESS);
    }
    if (r.y > 0) {
      PatBlt(dc, r.x, 0, r.width, r.y, BLACKNESS);
      PatBlt(dc, r.x, r.y + r.height, r.width, client.bottom - r.y - r.height, BLACKNESS);
    }
    if (!have_frame_) {
      PatBlt(dc, r.x, r.y, r.width, r.height, BLACKNESS);
      return;
    }
    StretchDIBits(dc, r.x, r.y, r.width, r.height, 0, 0, kFrameWidth, kFrameHeight, frame_.data(),
                  reinterpret_cast<const BITMAPINFO*>(&info_), DIB_RGB_COLORS, SRCCOPY);
  }

  // Kept at start, put back at exit only when nobody changed them since.
  void speed_up_key_repeat() {
    keys_read_ = SystemParametersInfoA(SPI_GETKEYBOARDDELAY, 0, &user_delay_, 0) &&
                 SystemParametersInfoA(SPI_GETKEYBOARDSPEED, 0, &user_speed_, 0);
    if (!keys_read_ || (user_delay_ == kRepeatDelay && user_speed_ == kRepeatSpeed)) return;
    SystemParametersInfoA(SPI_SETKEYBOARDDELAY, kRepeatDelay, nullptr, SPIF_UPDATEINIFILE);
    SystemParametersInfoA(SPI_SETKEYBOARDSPEED, kRepeatSpeed, nullptr, SPIF_UPDATEINIFILE);
  }

  void put_back_key_repeat() {
    if (!keys_read_) return;
    UINT delay = 0;
    DWORD speed = 0;
    if (!SystemParametersInfoA(SPI_GETKEYBOARDDELAY, 0, &delay, 0) ||
        !SystemParametersInfoA(SPI_GETKEYBOARDSPEED, 0, &speed, 0) || delay != kRepeatDelay ||
        speed != kRepeatSpeed)
      return;
    SystemParametersInfoA(SPI_SETKEYBOARDDELAY, user_delay_, nullptr, SPIF_UPDATEINIFILE);
    SystemParametersInfoA(SPI_SETKEYBOARDSPEED, user_speed_, nullptr, SPIF_UPDATEINIFILE);
  }

  HWND window_ = nullptr;
  HDC dc_ = nullptr;
  std::uint64_t frequency_ = 0;
  std::deque<Message> inbox_;
  std::vector<std::uint8_t> frame_;
  PictureInfo info_;
  bool have_frame_ = false;
  bool fullscreen_ = false;
  RECT windowed_{};
  bool key_device_open_ = false;
  bool keys_read_ = false;
  UINT user_delay_ = 0;
  DWORD user_speed_ = 0;
};

}  // namespace

std::unique_ptr<Platform> make_win32_platform() {
  auto platform = std::make_unique<Win32Platform>();
  if (!platform->register_class()) {
    std::fprintf(stderr, "Cannot register the window class (error %lu)\n", GetLastError());
    return nullptr;
  }
  return platform;
}

}  // namespace tavu::platform
