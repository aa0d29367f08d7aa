// Runs the real editor binary on the headless backend with a script.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tavu::test {

struct EditorRun {
  int exit_code = -1;
  std::string out;  // standard output (the script's print lines)
  std::string err;  // standard error (message boxes, script errors)
};

// The editors under test: the build's own, or the binaries named by
// TAVU_EDITOR_EXE and TAVU_TEST_EDITOR_EXE (the Windows build, then started
// through TAVU_EDITOR_LAUNCHER, e.g. wine64).
std::string editor_path();
std::string test_editor_path();
// True when the editors under test are the Windows build.
bool testing_windows_build();

// Runs `tavu-editor --dir dir --script <script>` plus `extra_args`; a
// non-empty `wrapper` is put in front of the command (e.g. to change user).
EditorRun run_editor(const std::filesystem::path& dir, const std::string& script,
                     const std::vector<std::string>& extra_args = {},
                     const std::string& wrapper = "");

// The same with tavu-editor-test, the build with the tests' fault injection.
EditorRun run_test_editor(const std::filesystem::path& dir, const std::string& script,
                          const std::vector<std::string>& extra_args = {},
                          const std::string& wrapper = "");

// Root ignores file permissions: for tests of read-only files the editor
// then runs as an unprivileged user. Sets `wrapper` (empty when not root)
// and returns true, or returns false with the reason the user cannot run
// `editor` on `readable_file`.
bool unprivileged_wrapper(const std::string& editor, const std::filesystem::path& readable_file,
                          std::string& wrapper, std::string& why_not);

// A fresh empty directory under the system's temporary directory.
std::filesystem::path make_temp_dir(const std::string& name);

// The value of "key: value" lines of a run's output, in order.
std::vector<std::string> printed(const EditorRun& run, const std::string& key);

std::vector<std::uint8_t> read_bytes(const std::filesystem::path& path);
// A whole file as text; empty when it cannot be read.
std::string read_text(const std::filesystem::path& path);
// `s` as one word for the shell, in single quotes.
std::string shell_quote(const std::string& s);

}  // namespace tavu::test
