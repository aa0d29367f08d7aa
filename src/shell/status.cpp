#include "shell/status.h"

#include <cstdio>

#include "display/display.h"
#include "platform/platform.h"
#include "shell/app.h"
#include "shell/modes.h"
#include "shell/saving.h"

namespace tavu {
namespace {

constexpr std::uint32_t kStatusTimer = 1;
constexpr std::size_t kStatusSize = 2048;
constexpr std::size_t kLineSize = 128;  // prompts and questions are formatted in this
constexpr std::size_t kFailureSize = 1024;
constexpr char kCursor = 12;

constexpr const char* kSaveQuestion = "Save changes? (Y/N)";

void status_timer() {
  StatusState& s = status_state();
  s.showing = false;
  kill_timer(kStatusTimer);
  s.timer_running = false;
  // A message shown in the quit question (a failed save) gives way to the
  // question again, so the user always sees what the keys will do.
  if (s.quit_question && app_flag(unsaved_changes)) show_status(kSaveQuestion, 0, kTextCentred);
  request_redraw();
}

// snprintf into the 128-byte line buffer, as the prompt formats do.
template <typename... Args>
std::string format_line(const char* format, Args... args) {
  char line[kLineSize];
  std::snprintf(line, sizeof line, format, args...);
  return line;
}

void show_prompt_line() {
  StatusState& s = status_state();
  show_status(format_line("%s%s%c", s.prompt ? s.prompt : "", s.digits.c_str(), kCursor), 0,
              kTextCentred);
}

int number_prompt_key(std::uint32_t vk, std::int64_t) {
  StatusState& s = status_state();
  switch (vk) {
    case platform::VK_BACK:
      if (!s.digits.empty()) s.digits.pop_back();
      show_prompt_line();
      return 1;
    case platform::VK_RETURN: {
      if (s.digits.empty()) {
        show_prompt_line();
        return 1;
      }
      std::uint32_t value = 0;
      for (char c : s.digits) value = value * 10u + static_cast<std::uint32_t>(c - '0');
      s.digits.clear();
      NumberDone done = s.done;
      int accepted = done ? done(static_cast<std::int32_t>(value)) : 1;
      s.key_capture = nullptr;
      s.done = nullptr;
      if (accepted) clear_status();
      return 1;
    }
    case platform::VK_ESCAPE:
      s.key_capture = nullptr;
      s.done = nullptr;
      clear_status();
      return 1;
    default:
      if (vk >= '0' && vk <= '9') {
        if (s.digits.size() < s.max_digits) s.digits.push_back(static_cast<char>(vk));
        show_prompt_line();
        return 1;
      }
      return 0;
  }
}

int yes_no_key(std::uint32_t vk, std::int64_t) {
  StatusState& s = status_state();
  if (vk != platform::VK_ESCAPE && vk != 'N' && vk != 'Y') return 0;
  clear_status();
  if (vk == 'Y' && s.on_yes) s.on_yes();
  s.key_capture = nullptr;
  s.on_yes = nullptr;
  return 1;
}

}  // namespace

StatusState& status_state() {
  static StatusState s;
  return s;
}

void show_status(const std::string& text, std::uint32_t duration_ms, std::uint32_t flags) {
  StatusState& s = status_state();
  if (s.timer_running) {
    kill_timer(kStatusTimer);
    s.timer_running = false;
  }
  s.text = text.substr(0, std::min(text.find('\0'), kStatusSize - 1));
  s.showing = true;
  s.flags = flags;
  if (duration_ms != 0) {
    set_timer(kStatusTimer, duration_ms, status_timer);
    s.timer_running = true;
  }
}

void clear_status() {
  show_status("", 0, 0);
}

void start_number_prompt(const char* prompt, int max_digits, NumberDone done) {
  StatusState& s = status_state();
  s.prompt = prompt;
  s.max_digits = static_cast<std::uint8_t>(max_digits >= 10 ? 10 : std::max(max_digits, 0));
  s.done = done;
  s.key_capture = number_prompt_key;
  s.digits.clear();
  show_status(format_line("%s%c", prompt, kCursor), 0, kTextCentred);
  set_app_flag(help_visible, false);
}

void ask_yes_no(const char* question, YesAction on_yes) {
  StatusState& s = status_state();
  s.on_yes = on_yes;
  s.key_capture = yes_no_key;
  show_status(format_line("%s? (y/n)", question), 0, kTextCentred);
  set_app_flag(help_visible, false);
}

KeyCapture set_key_capture(KeyCapture handler) {
  StatusState& s = status_state();
  KeyCapture previous = s.key_capture;
  s.key_capture = handler;
  return previous;
}

void reset_startup_failure_text() {
  status_state().failure_text = "Can't init!\n\n";
}

void add_startup_failure_reason(const std::string& reason) {
  // The buffer holds 1022 characters; what does not fit is cut.
  std::string& t = status_state().failure_text;
  constexpr std::size_t limit = kFailureSize - 2;
  if (t.size() >= limit) return;
  if (limit - t.size() > 8) t += "Reason:\n";
  std::string text = reason.substr(0, reason.find('\0'));
  if (t.size() + text.size() > limit) text.resize(limit > t.size() ? limit - t.size() : 0);
  t += text;
  t += '\n';
}

int quit_flow_key(std::uint32_t vk) {
  StatusState& s = status_state();
  switch (vk) {
    case platform::VK_ESCAPE:
      // The user can free space, mend permissions or export the work, and
      // quit again later.
      if (s.save_failed)
        return_to_mode();
      else if (app_flag(unsaved_changes))
        show_status(kSaveQuestion, 0, kTextCentred);
      else
        post_message(platform::WM_DESTROY);
      break;
    case 'N':
      post_message(platform::WM_DESTROY);
      break;
    case 'Y':
      // Sprite and pitch files are written as one group; a failure shows
      // its message and the question comes back after it.
      if (save_all_changes())
        post_message(platform::WM_DESTROY);
      else
        s.save_failed = true;
      break;
    default:
      return 0;
  }
  // Every key the question uses shows its outcome at once.
  request_redraw();
  return 1;
}

}  // namespace tavu
