// The Status message line, number prompts, yes/no questions, the key
// capture, the start-up failure text and the quit flow.
#pragma once

#include <cstdint>
#include <string>

namespace tavu {

// Placement flags of text (see draw_text).
inline constexpr std::uint32_t kTextCentred = 36;   // centred both ways
inline constexpr std::uint32_t kTextTopRight = 10;  // right-aligned, top

using KeyCapture = int (*)(std::uint32_t vk, std::int64_t lparam);
using NumberDone = int (*)(std::int32_t value);
using YesAction = void (*)();

struct StatusState {
  std::string text;  // at most 2047 characters
  std::uint32_t flags = 0;
  bool showing = false;
  bool timer_running = false;
  KeyCapture key_capture = nullptr;
  // Number prompt.
  const char* prompt = nullptr;
  std::uint8_t max_digits = 0;
  std::string digits;
  NumberDone done = nullptr;
  // Yes/no question.
  YesAction on_yes = nullptr;
  // Start-up failure text.
  std::string failure_text;
  bool quit_question = false;
  // A save from the open quit question failed: Escape goes back to the mode.
  bool save_failed = false;
};

StatusState& status_state();

// Shows text as the Status message for duration_ms (0: until replaced).
void show_status(const std::string& text, std::uint32_t duration_ms, std::uint32_t flags);
void clear_status();
void start_number_prompt(const char* prompt, int max_digits, NumberDone done);
void ask_yes_no(const char* question, YesAction on_yes);
KeyCapture set_key_capture(KeyCapture handler);
void reset_startup_failure_text();  // "Can't init!\n\n"
void add_startup_failure_reason(const std::string& reason);
// The quit flow's key handling once Escape has opened it; returns 1 if used
// and then requests a redraw. While the question is open, a timed message
// (a failed save) is followed by the question again. After a failed save,
// Escape leaves the quit flow for the mode the user was in, every change
// kept.
int quit_flow_key(std::uint32_t vk);

}  // namespace tavu
