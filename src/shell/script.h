// Scripted runs: a script drives the editor on the headless backend, one line
// at a time whenever the editor is idle.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/headless_platform.h"

namespace tavu {

// Parses a key name as scripts write it (RETURN, F10, PGDN, A, 7, 0x6B).
std::optional<std::uint32_t> parse_key_name(const std::string& name);

// Lines a particular build adds (the test build's fault injection): given the
// upper-case verb and the arguments, returns false for a verb it does not
// know; sets `error` for a bad line.
using ScriptExtension = std::function<bool(
    const std::string& verb, const std::vector<std::string>& args, std::string& error)>;

class ScriptRunner {
 public:
  ScriptRunner(platform::HeadlessPlatform& platform, std::unique_ptr<std::istream> input);
  void set_extension(ScriptExtension extension) { extension_ = std::move(extension); }
  // Runs the next line; at the end of the script asks the platform to exit
  // with 0, on an error with 2 (after "script line N: ..." on stderr).
  void step();

 private:
  bool run_line(const std::string& line, std::string& error);
  bool press(const std::string& chord, std::string& error);
  void key_message(std::uint32_t vk, bool down, bool alt);
  void mouse(std::uint32_t message, int x, int y, bool ctrl, bool button_held);

  platform::HeadlessPlatform& platform_;
  std::unique_ptr<std::istream> input_;
  ScriptExtension extension_;
  int line_number_ = 0;
};

}  // namespace tavu
