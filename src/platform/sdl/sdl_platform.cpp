#include "platform/sdl/sdl_platform.h"

#include <SDL2/SDL_syswm.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/fd_io.h"
#include "platform/posix/instance_lock.h"
#include "platform/sdl/sdl_backend.h"
#include "program_icon.h"

namespace tavu::platform {

std::unique_ptr<Platform> make_sdl_platform(const SdlOptions& options) {
  auto platform = std::make_unique<sdl::SdlPlatform>(options);
  if (!platform->ok()) return nullptr;
  return platform;
}

namespace sdl {
namespace {

// The window's size as the display server has it. SDL reports the size it
// asked for at once, whether or not anyone made the window that size.
bool server_window_size(SDL_Window* window, int& w, int& h) {
#if defined(SDL_VIDEO_DRIVER_X11) && defined(TAVU_HAVE_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes) == 0)
      return false;
    w = attributes.width;
    h = attributes.height;
    return true;
  }
#endif
  SDL_GetWindowSize(window, &w, &h);
  return true;
}

bool hint_says_off(const char* value) {
  return value != nullptr && (std::strcmp(value, "0") == 0 || SDL_strcasecmp(value, "false") == 0 ||
                              SDL_strcasecmp(value, "software") == 0);
}

}  // namespace

SdlPlatform::SdlPlatform(const SdlOptions& options)
    : presentation_(options.presentation),
      frequency_(SDL_GetPerformanceFrequency()),
      repeater_(frequency_),
      frame_(static_cast<std::size_t>(kFrameWidth) * kFrameHeight, 0) {
  // A closed window goes through the quit flow; SDL_QUIT would repeat it.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // SIGINT and SIGTERM keep ending the process; as quit requests they were
  // lost behind an open message box or the save question.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
#ifdef TAVU_APP_ID
  // The desktop entry's id as the window's class (X11) and app id (Wayland):
  // desktops find the entry's name and icon for the window by it. SDL reads
  // these from the environment; a value already there wins.
  setenv("SDL_VIDEO_X11_WMCLASS", TAVU_APP_ID, 0);
  setenv("SDL_VIDEO_WAYLAND_WMCLASS", TAVU_APP_ID, 0);
#endif
  // Video only: an open joystick would turn every wait into polling.
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "Cannot open the display: %s\n", SDL_GetError());
    return;
  }
  video_ok_ = true;
  driver_ = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
  if (driver_ == "x11") {
    // X11's own framebuffer (XShm) is the cheapest way to show 1280x800
    // without a GPU; SDL would otherwise go through OpenGL (llvmpipe). Only a
    // default, so SDL_FRAMEBUFFER_ACCELERATION in the environment still wins.
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
  }
  global_mouse_ = driver_ == "x11" || driver_ == "windows" || driver_ == "cocoa";
  // An editor has no business keeping the screen awake.
  SDL_EnableScreenSaver();
  // Virtual-key codes only; no text input, no input method in the way.
  SDL_StopTextInput();
  screen_ = screen_size();
}

SdlPlatform::~SdlPlatform() {
  texture_.reset();
  renderer_.reset();
  window_.reset();
  arrow_cursor_.reset();
  busy_cursor_.reset();
  if (video_ok_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  SDL_Quit();
}

bool SdlPlatform::acquire_single_instance(const std::string& name) {
  return acquire_instance_lock(name);
}

std::uint64_t SdlPlatform::counter() {
  return SDL_GetPerformanceCounter();
}
std::uint64_t SdlPlatform::counter_frequency() {
  return frequency_;
}
std::uint32_t SdlPlatform::tick_count() {
  return static_cast<std::uint32_t>(SDL_GetTicks64());
}

bool SdlPlatform::key_down(std::uint32_t vk) {
  return keys_.down(vk);
}

// --- Input -----------------------------------------------------------------

std::uint64_t SdlPlatform::mouse_flags() const {
  return (left_button_ ? MK_LBUTTON : 0) | (keys_.down(VK_CONTROL) ? MK_CONTROL : 0);
}

std::optional<Message> SdlPlatform::next_input() {
  SDL_Event event;
  while (SDL_PollEvent(&event) == 1) {
    if (auto message = translate(event)) return message;
  }
  if (auto key = repeater_.take_due(counter())) return keys_.repeat(*key);
  return std::nullopt;
}

std::optional<Message> SdlPlatform::translate(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN: {
      // SDL's repeats follow the desktop's settings; we repeat ourselves.
      if (event.key.repeat != 0) return std::nullopt;
      const KeyCode key = key_code_for(event.key.keysym.scancode, event.key.keysym.sym);
      if (key.vk == 0) return std::nullopt;
      repeater_.pressed(key, counter());
      return keys_.press(key);
    }
    case SDL_KEYUP: {
      const KeyCode key = key_code_for(event.key.keysym.scancode, event.key.keysym.sym);
      if (key.vk == 0) return std::nullopt;
      repeater_.released(key);
      return keys_.release(key);
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const bool pressed = event.type == SDL_MOUSEBUTTONDOWN;
      const std::uint32_t message =
          mouse_button_message(event.button.button, pressed, event.button.clicks);
      if (message == 0) return std::nullopt;
      if (event.button.button == SDL_BUTTON_LEFT) left_button_ = pressed;
      return Message{message, mouse_flags(), make_point_lparam(event.button.x, event.button.y)};
    }
    case SDL_MOUSEWHEEL: {
      const int delta =
          wheel_delta(event.wheel.y, event.wheel.preciseY,
                      event.wheel.direction == static_cast<Uint32>(SDL_MOUSEWHEEL_FLIPPED));
      if (delta == 0) return std::nullopt;
      // lParam carries the pointer in screen coordinates, as Windows sends it.
      int gx = 0;
      int gy = 0;
      SDL_GetGlobalMouseState(&gx, &gy);
      return Message{WM_MOUSEWHEEL,
                     make_wheel_wparam(delta, static_cast<std::uint32_t>(mouse_flags())),
                     make_point_lparam(gx, gy)};
    }
    case SDL_MOUSEMOTION: {
      if (busy_cursor_shown_) set_cursor(Cursor::arrow);
      int x = event.motion.x;
      int y = event.motion.y;
      if (left_button_ && global_mouse_) {
        // While the window is dragged, motion queued before our last move is
        // relative to where the window was; measuring the pointer now against
        // where we put the window applies each movement exactly once.
        int gx = 0;
        int gy = 0;
        SDL_GetGlobalMouseState(&gx, &gy);
        x = gx - window_x_;
        y = gy - window_y_;
      }
      return Message{WM_MOUSEMOVE, mouse_flags(), make_point_lparam(x, y)};
    }
    case SDL_WINDOWEVENT:
      return translate_window_event(event.window);
    case SDL_DISPLAYEVENT:
      return display_change();
    case SDL_RENDER_DEVICE_RESET:
    case SDL_RENDER_TARGETS_RESET:
      texture_.reset();
      return Message{WM_PAINT, 0, 0};
    case SDL_QUIT:
      return Message{WM_CLOSE, 0, 0};
    default:
      return std::nullopt;
  }
}

std::optional<Message> SdlPlatform::translate_window_event(const SDL_WindowEvent& event) {
  switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
      return Message{WM_CLOSE, 0, 0};
    case SDL_WINDOWEVENT_MINIMIZED:
      return Message{WM_ACTIVATE, 1u << 16, 0};
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED:
      return Message{WM_ACTIVATE, 1, 0};
    case SDL_WINDOWEVENT_EXPOSED:
      if (fullscreen_) {
        show_frame();
        return std::nullopt;
      }
      return Message{WM_PAINT, 0, 0};
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      // Full screen takes effect some time after it was asked for.
      if (fullscreen_) show_frame();
      return std::nullopt;
    case SDL_WINDOWEVENT_MOVED:
      // Moves made by someone else (the window manager); during a drag these
      // are echoes of our own.
      if (!left_button_) {
        window_x_ = event.data1;
        window_y_ = event.data2;
      }
      return std::nullopt;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      if (focused_) return std::nullopt;
      focused_ = true;
      return Message{WM_ACTIVATEAPP, 1, 0};
    case SDL_WINDOWEVENT_FOCUS_LOST:
      repeater_.cancel();
      if (!focused_) return std::nullopt;
      focused_ = false;
      return Message{WM_ACTIVATEAPP, 0, 0};
    case SDL_WINDOWEVENT_DISPLAY_CHANGED:
      return display_change();
    default:
      return std::nullopt;
  }
}

std::optional<Message> SdlPlatform::display_change() {
  const ScreenSize now = screen_size();
  if (now.width == screen_.width && now.height == screen_.height) return std::nullopt;
  screen_ = now;
  const auto lparam = (static_cast<std::uint32_t>(now.height & 0xFFFF) << 16) |
                      static_cast<std::uint32_t>(now.width & 0xFFFF);
  return Message{WM_DISPLAYCHANGE, 32, static_cast<std::int64_t>(lparam)};
}

void SdlPlatform::wait(std::optional<std::uint64_t> deadline) {
  std::optional<std::uint64_t> target = deadline;
  if (auto repeat = repeater_.next_due()) target = target ? std::min(*target, *repeat) : *repeat;
  if (!target) {
    // Should the wait fail, do not let the loop spin.
    if (SDL_WaitEvent(nullptr) == 0) SDL_Delay(10);
    return;
  }
  for (;;) {
    const std::uint64_t now = counter();
    if (now >= *target) return;
    // At most an hour at a time keeps the arithmetic in range.
    const std::uint64_t ticks = std::min<std::uint64_t>(*target - now, frequency_ * 3600);
    const std::uint64_t us = ticks * 1'000'000 / frequency_;
    if (us >= 2000) {
      // The wait can end up to a millisecond early; the clock decides.
      if (SDL_WaitEventTimeout(nullptr, static_cast<int>(us / 1000 - 1)) == 1) return;
      continue;
    }
    SDL_PumpEvents();
    if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) return;
    if (us > 300) {
      std::this_thread::sleep_for(std::chrono::microseconds(us - 200));
      continue;
    }
    // The last fraction of a millisecond: sleeping would overshoot it.
    while (counter() < *target) {
    }
    return;
  }
}

// --- Window ----------------------------------------------------------------

ScreenSize SdlPlatform::screen_size() {
  SDL_DisplayMode mode;
  if (!video_ok_ || SDL_GetDesktopDisplayMode(0, &mode) != 0) return {};
  return {mode.w, mode.h};
}

ScreenSize SdlPlatform::client_size_for(ScreenSize screen) {
  const int scale = picture_scale_for(screen);
  return {kFrameWidth * scale, kFrameHeight * scale};
}

bool SdlPlatform::create_window(const std::string& title, int x, int y, int width, int height) {
  if (!video_ok_) return false;
  window_.reset(SDL_CreateWindow(title.c_str(), x, y, width, height,
                                 SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN));
  if (!window_) {
    std::fprintf(stderr, "Cannot create the window: %s\n", SDL_GetError());
    return false;
  }
  window_x_ = x;
  window_y_ = y;
  set_window_icon();
  choose_presentation();
  return true;
}

void SdlPlatform::set_window_icon() {
  // The Windows build's icon, for window managers and task bars that show
  // the window's own (desktops with the menu entry find it by the class).
  int size = 0;
  std::vector<std::uint32_t> argb = icon_pixels(kProgramIcon, size);
  if (argb.empty()) return;
  SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(argb.data(), size, size, 32, size * 4,
                                                         SDL_PIXELFORMAT_ARGB8888);
  if (icon == nullptr) return;
  SDL_SetWindowIcon(window_.get(), icon);
  SDL_FreeSurface(icon);
}

void SdlPlatform::choose_presentation() {
  if (presentation_ != SdlPresentation::automatic) return;
  const bool unaccelerated_x11 =
      driver_ == "x11" && hint_says_off(SDL_GetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION));
  const bool no_gpu_anyway = driver_ == "dummy" || driver_ == "offscreen";
  presentation_ = (unaccelerated_x11 || no_gpu_anyway) ? SdlPresentation::window_surface
                                                       : SdlPresentation::renderer;
}

void SdlPlatform::move_window(int x, int y, int width, int height) {
  if (!window_) return;
  int w = 0;
  int h = 0;
  SDL_GetWindowSize(window_.get(), &w, &h);
  if (w != width || h != height) SDL_SetWindowSize(window_.get(), width, height);
  int cx = 0;
  int cy = 0;
  SDL_GetWindowPosition(window_.get(), &cx, &cy);
  // Dragging hands us many moves to where the window already is; X11 makes
  // each real move a round trip.
  if (cx != x || cy != y || window_x_ != x || window_y_ != y)
    SDL_SetWindowPosition(window_.get(), x, y);
  window_x_ = x;
  window_y_ = y;
}

void SdlPlatform::show_window(ShowCommand command) {
  if (!window_) return;
  switch (command) {
    case ShowCommand::normal:
      SDL_ShowWindow(window_.get());
      if ((SDL_GetWindowFlags(window_.get()) & SDL_WINDOW_MINIMIZED) != 0)
        SDL_RestoreWindow(window_.get());
      SDL_RaiseWindow(window_.get());
      break;
    case ShowCommand::minimise:
      SDL_MinimizeWindow(window_.get());
      break;
    case ShowCommand::hide:
      SDL_HideWindow(window_.get());
      break;
  }
}

bool SdlPlatform::window_shown_normally() {
  if (!window_) return false;
  return (SDL_GetWindowFlags(window_.get()) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) == 0;
}

void SdlPlatform::set_topmost(bool topmost) {
  if (window_) SDL_SetWindowAlwaysOnTop(window_.get(), topmost ? SDL_TRUE : SDL_FALSE);
}

void SdlPlatform::capture_mouse(bool capture) {
  // Fails without mouse focus; SDL captures during a held button anyway.
  SDL_CaptureMouse(capture ? SDL_TRUE : SDL_FALSE);
}

void SdlPlatform::set_cursor(Cursor cursor) {
  if (!video_ok_) return;
  auto& slot = cursor == Cursor::app_starting ? busy_cursor_ : arrow_cursor_;
  if (!slot) {
    slot.reset(SDL_CreateSystemCursor(cursor == Cursor::app_starting ? SDL_SYSTEM_CURSOR_WAITARROW
                                                                     : SDL_SYSTEM_CURSOR_ARROW));
  }
  if (slot) SDL_SetCursor(slot.get());
  busy_cursor_shown_ = cursor == Cursor::app_starting;
}

void SdlPlatform::show_cursor(bool show) {
  if (!video_ok_) return;
  // A display counter, as ShowCursor keeps: hidden while below zero, and
  // always in full screen.
  cursor_count_ += show ? 1 : -1;
  SDL_ShowCursor(cursor_count_ >= 0 && !fullscreen_ ? SDL_ENABLE : SDL_DISABLE);
}

void SdlPlatform::focus_window() {
  if (window_) SDL_RaiseWindow(window_.get());
}

// --- Full screen -------------------------------------------------------------

bool SdlPlatform::enter_fullscreen() {
  if (!window_) return false;
  // The desktop's own mode: nothing to restore afterwards, nothing to break.
  if (SDL_SetWindowFullscreen(window_.get(), SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
    std::fprintf(stderr, "Cannot go full screen: %s\n", SDL_GetError());
    return false;
  }
  // Under X11 the window manager makes the window full screen, some time
  // later or, where there is none, never: wait for the window to cover its
  // display before calling it done.
  SDL_DisplayMode desktop;
  const int display = SDL_GetWindowDisplayIndex(window_.get());
  if (display >= 0 && SDL_GetDesktopDisplayMode(display, &desktop) == 0) {
    const std::uint64_t give_up = counter() + frequency_;  // a second
    for (;;) {
      SDL_PumpEvents();
      int w = 0;
      int h = 0;
      if (server_window_size(window_.get(), w, h) && w >= desktop.w && h >= desktop.h) break;
      if (counter() >= give_up) {
        SDL_SetWindowFullscreen(window_.get(), 0);
        std::fputs("Cannot go full screen: the window manager did not respond\n", stderr);
        return false;
      }
      SDL_Delay(5);
    }
  }
  fullscreen_ = true;
  surface_width_ = 0;  // the borders are filled afresh
  SDL_ShowCursor(SDL_DISABLE);
  return true;
}

void SdlPlatform::leave_fullscreen() {
  if (!fullscreen_ || !window_) return;
  SDL_SetWindowFullscreen(window_.get(), 0);
  fullscreen_ = false;
  surface_width_ = 0;
  SDL_ShowCursor(cursor_count_ >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

void SdlPlatform::restore_fullscreen() {
  surface_width_ = 0;
  texture_.reset();
}

// --- Keyboard device ---------------------------------------------------------

bool SdlPlatform::open_key_device() {
  key_device_open_ = video_ok_;
  return key_device_open_;
}

KeyDeviceRead SdlPlatform::read_key_device(KeyStates& state) {
  if (!key_device_open_) return KeyDeviceRead::failed;
  // Read only for the window with the keyboard, as a foreground device is.
  if (!focused_) return KeyDeviceRead::lost;
  int count = 0;
  const Uint8* keys = SDL_GetKeyboardState(&count);
  if (keys == nullptr) return KeyDeviceRead::failed;
  state.fill(0);
  for (int sc = 0; sc < count; ++sc) {
    if (keys[sc] == 0) continue;
    if (const std::uint8_t code = dik_for_scancode(static_cast<SDL_Scancode>(sc)))
      state[code] = 0x80;
  }
  return KeyDeviceRead::ok;
}

bool SdlPlatform::acquire_key_device() {
  return key_device_open_ && focused_;
}

// --- Presentation ----------------------------------------------------------

void SdlPlatform::build_lut(const SDL_PixelFormat* format) {
  for (int i = 0; i < 256; ++i) {
    const std::uint8_t r = palette_[i * 3];
    const std::uint8_t g = palette_[i * 3 + 1];
    const std::uint8_t b = palette_[i * 3 + 2];
    lut_[i] = format != nullptr
                  ? SDL_MapRGB(format, r, g, b)
                  : 0xFF000000u | (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
  }
  lut_format_ = format != nullptr ? format->format : std::uint32_t{SDL_PIXELFORMAT_ARGB8888};
}

void SdlPlatform::present(const std::uint8_t* pixels, int stride, const PaletteBytes& palette) {
  if (!window_ || pixels == nullptr) return;
  for (int y = 0; y < kFrameHeight; ++y)
    std::memcpy(frame_.data() + y * kFrameWidth, pixels + static_cast<std::ptrdiff_t>(y) * stride,
                kFrameWidth);
  if (!palette_valid_ || palette != palette_) {
    palette_ = palette;
    palette_valid_ = true;
    lut_format_ = 0;
  }
  show_frame();
}

void SdlPlatform::show_frame() {
  if (!window_) return;
  if (presentation_ == SdlPresentation::window_surface && present_to_surface()) return;
  present_with_renderer();
}

void SdlPlatform::map_columns(int width) {
  if (static_cast<int>(columns_.size()) == width) return;
  columns_.resize(static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x) columns_[x] = static_cast<std::uint16_t>(x * kFrameWidth / width);
}

bool SdlPlatform::present_to_surface() {
  SDL_Surface* surface = SDL_GetWindowSurface(window_.get());
  if (surface == nullptr || surface->format->BytesPerPixel != 4) {
    // SDL's software renderer copes with any window format.
    presentation_ = SdlPresentation::renderer;
    return false;
  }
  if (lut_format_ != surface->format->format) build_lut(surface->format);
  const PictureRect rect = picture_rect({surface->w, surface->h});
  if (rect.width <= 0 || rect.height <= 0) return true;
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return true;
  if (surface->w != surface_width_ || surface->h != surface_height_) {
    // A new surface starts undefined; the border around the picture stays black.
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    surface_width_ = surface->w;
    surface_height_ = surface->h;
  }
  map_columns(rect.width);
  auto* base = static_cast<std::uint8_t*>(surface->pixels);
  const std::uint32_t* previous = nullptr;
  int previous_row = -1;
  // Nearest neighbour: each shown pixel takes the picture pixel it falls on;
  // rows that show the same picture row are copies.
  for (int y = 0; y < rect.height; ++y) {
    auto* out = reinterpret_cast<std::uint32_t*>(base + (rect.y + y) * surface->pitch) + rect.x;
    const int row = y * kFrameHeight / rect.height;
    if (row == previous_row) {
      std::memcpy(out, previous, sizeof(std::uint32_t) * rect.width);
      continue;
    }
    const std::uint8_t* src = frame_.data() + row * kFrameWidth;
    for (int x = 0; x < rect.width; ++x) out[x] = lut_[src[columns_[x]]];
    previous = out;
    previous_row = row;
  }
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  SDL_UpdateWindowSurface(window_.get());
  return true;
}

bool SdlPlatform::ensure_renderer() {
  if (!renderer_) {
    renderer_.reset(SDL_CreateRenderer(window_.get(), -1, 0));
    if (!renderer_) return false;
  }
  if (!texture_) {
    texture_.reset(SDL_CreateTexture(renderer_.get(), SDL_PIXELFORMAT_ARGB8888,
                                     SDL_TEXTUREACCESS_STREAMING, kFrameWidth, kFrameHeight));
    if (!texture_) return false;
    SDL_SetTextureScaleMode(texture_.get(), SDL_ScaleModeNearest);
  }
  return true;
}

// Clears to black and copies the texture to its place; no present.
bool SdlPlatform::render_frame() {
  int w = 0;
  int h = 0;
  if (SDL_GetRendererOutputSize(renderer_.get(), &w, &h) != 0) return false;
  const PictureRect rect = picture_rect({w, h});
  const SDL_Rect where{rect.x, rect.y, rect.width, rect.height};
  SDL_SetRenderDrawColor(renderer_.get(), 0, 0, 0, 255);
  SDL_RenderClear(renderer_.get());
  SDL_RenderCopy(renderer_.get(), texture_.get(), nullptr, &where);
  return true;
}

void SdlPlatform::present_with_renderer() {
  if (!ensure_renderer()) return;
  if (lut_format_ != SDL_PIXELFORMAT_ARGB8888) build_lut(nullptr);
  void* target = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(texture_.get(), nullptr, &target, &pitch) != 0) return;
  for (int y = 0; y < kFrameHeight; ++y) {
    const std::uint8_t* src = frame_.data() + y * kFrameWidth;
    auto* out = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(target) + y * pitch);
    for (int x = 0; x < kFrameWidth; ++x) out[x] = lut_[src[x]];
  }
  SDL_UnlockTexture(texture_.get());
  if (render_frame()) SDL_RenderPresent(renderer_.get());
}

bool SdlPlatform::read_back(std::vector<std::uint32_t>& argb, int& width, int& height) {
  if (!window_) return false;
  if (presentation_ == SdlPresentation::window_surface) {
    SDL_Surface* surface = SDL_GetWindowSurface(window_.get());
    if (surface == nullptr) return false;
    width = surface->w;
    height = surface->h;
    argb.assign(static_cast<std::size_t>(width) * height, 0);
    return SDL_ConvertPixels(width, height, surface->format->format, surface->pixels,
                             surface->pitch, SDL_PIXELFORMAT_ARGB8888, argb.data(), width * 4) == 0;
  }
  if (!renderer_ || !texture_) return false;
  // Read after the copy and before a present: the back buffer after a present
  // is undefined.
  if (!render_frame() || SDL_GetRendererOutputSize(renderer_.get(), &width, &height) != 0)
    return false;
  argb.assign(static_cast<std::size_t>(width) * height, 0);
  return SDL_RenderReadPixels(renderer_.get(), nullptr, SDL_PIXELFORMAT_ARGB8888, argb.data(),
                              width * 4) == 0;
}

// --- Message boxes ---------------------------------------------------------

bool SdlPlatform::has_display() const {
  return video_ok_ && driver_ != "dummy" && driver_ != "offscreen";
}

void SdlPlatform::message_box(const std::string& caption, const std::string& text,
                              MessageBoxIcon icon) {
  if (has_display()) {
    const Uint32 flags = icon == MessageBoxIcon::error     ? SDL_MESSAGEBOX_ERROR
                         : icon == MessageBoxIcon::warning ? SDL_MESSAGEBOX_WARNING
                                                           : SDL_MESSAGEBOX_INFORMATION;
    SDL_Window* parent = window_shown_normally() ? window_.get() : nullptr;
    if (SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), parent) == 0) return;
  }
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  std::fflush(stderr);
}

void SdlPlatform::fatal_error_box(const char* text) {
  // Only async-signal-safe calls from here on. The new image starts with the
  // signals the handler blocked; it should not.
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  // Closing the display connection takes the window, and full screen, away;
  // nothing else of this process is to live on in the box's.
  if (close_range(3, ~0u, 0) != 0)
    for (int fd = 3; fd < 4096; ++fd) close(fd);
  char program[] = "tavu-editor";
  char option[] = "--fatal-error-box";
  char* const argv[] = {program, option, const_cast<char*>(text), nullptr};
  execve("/proc/self/exe", argv, environ);
  static constexpr char kCaption[] = "Fatal error: ";
  write_fully(2, kCaption, sizeof kCaption - 1);
  write_fully(2, text, std::strlen(text));
  write_fully(2, "\n", 1);
}

}  // namespace sdl
}  // namespace tavu::platform
