// The SDL backend's class, visible to its tests; the program itself only
// needs make_sdl_platform().
#pragma once

#include <SDL2/SDL.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sdl/sdl_input.h"
#include "platform/sdl/sdl_platform.h"

namespace tavu::platform::sdl {

struct WindowDeleter {
  void operator()(SDL_Window* w) const { SDL_DestroyWindow(w); }
};
struct RendererDeleter {
  void operator()(SDL_Renderer* r) const { SDL_DestroyRenderer(r); }
};
struct TextureDeleter {
  void operator()(SDL_Texture* t) const { SDL_DestroyTexture(t); }
};
struct CursorDeleter {
  void operator()(SDL_Cursor* c) const { SDL_FreeCursor(c); }
};

class SdlPlatform final : public Platform {
 public:
  explicit SdlPlatform(const SdlOptions& options);
  ~SdlPlatform() override;
  SdlPlatform(const SdlPlatform&) = delete;
  SdlPlatform& operator=(const SdlPlatform&) = delete;

  // False when the video subsystem could not be opened.
  bool ok() const { return video_ok_; }

  bool acquire_single_instance(const std::string& name) override;
  std::uint64_t counter() override;
  std::uint64_t counter_frequency() override;
  std::uint32_t tick_count() override;
  std::optional<Message> next_input() override;
  void wait(std::optional<std::uint64_t> deadline) override;
  bool key_down(std::uint32_t vk) override;
  ScreenSize screen_size() override;
  ScreenSize client_size_for(ScreenSize screen) override;
  bool create_window(const std::string& title, int x, int y, int width, int height) override;
  void move_window(int x, int y, int width, int height) override;
  void show_window(ShowCommand command) override;
  bool window_shown_normally() override;
  void set_topmost(bool topmost) override;
  void capture_mouse(bool capture) override;
  void set_cursor(Cursor cursor) override;
  void show_cursor(bool show) override;
  void present(const std::uint8_t* pixels, int stride, const PaletteBytes& palette) override;
  bool window_active() override { return focused_; }
  bool enter_fullscreen() override;
  void leave_fullscreen() override;
  void restore_fullscreen() override;
  void focus_window() override;
  bool open_key_device() override;
  KeyDeviceRead read_key_device(KeyStates& state) override;
  bool acquire_key_device() override;
  void close_key_device() override { key_device_open_ = false; }
  void message_box(const std::string& caption, const std::string& text,
                   MessageBoxIcon icon) override;
  // Replaces the process by `tavu-editor --fatal-error-box TEXT`, which
  // shows the box on a display of its own; the window goes with the old one.
  void fatal_error_box(const char* text) override;

  // The path frames take (never `automatic` once the window exists).
  SdlPresentation presentation() const { return presentation_; }
  // What the window shows now, as ARGB8888 rows of `width` pixels.
  bool read_back(std::vector<std::uint32_t>& argb, int& width, int& height);

 private:
  std::optional<Message> translate(const SDL_Event& event);
  std::optional<Message> translate_window_event(const SDL_WindowEvent& event);
  std::optional<Message> display_change();
  std::uint64_t mouse_flags() const;
  void choose_presentation();
  void set_window_icon();
  // Shows the last frame again (in full screen the window is ours to keep
  // painted).
  void show_frame();
  bool present_to_surface();
  void present_with_renderer();
  void map_columns(int width);
  bool ensure_renderer();
  bool render_frame();
  void build_lut(const SDL_PixelFormat* format);
  bool has_display() const;

  bool video_ok_ = false;
  std::string driver_;
  SdlPresentation presentation_;
  bool global_mouse_ = false;  // SDL_GetGlobalMouseState reports screen coordinates
  std::uint64_t frequency_ = 0;

  std::unique_ptr<SDL_Window, WindowDeleter> window_;
  std::unique_ptr<SDL_Renderer, RendererDeleter> renderer_;
  std::unique_ptr<SDL_Texture, TextureDeleter> texture_;
  std::unique_ptr<SDL_Cursor, CursorDeleter> arrow_cursor_;
  std::unique_ptr<SDL_Cursor, CursorDeleter> busy_cursor_;
  bool busy_cursor_shown_ = false;
  int cursor_count_ = 0;  // ShowCursor's display counter

  // Where we last put the window; drag motion is measured against it.
  int window_x_ = 0;
  int window_y_ = 0;
  ScreenSize screen_;

  KeyboardState keys_;
  KeyRepeater repeater_;
  bool left_button_ = false;

  bool fullscreen_ = false;
  bool focused_ = true;  // a new window is the active one
  bool key_device_open_ = false;

  std::vector<std::uint8_t> frame_;     // the last frame, rows of 320
  std::vector<std::uint16_t> columns_;  // picture column of each shown column
  PaletteBytes palette_{};
  bool palette_valid_ = false;
  std::uint32_t lut_format_ = 0;
  std::array<std::uint32_t, 256> lut_{};
  int surface_width_ = 0;
  int surface_height_ = 0;
};

}  // namespace tavu::platform::sdl
