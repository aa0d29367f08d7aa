#include "support/run_editor.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace tavu::test {
namespace {

EditorRun run_binary(const std::string& editor, const fs::path& dir, const std::string& script,
                     const std::vector<std::string>& extra_args, const std::string& wrapper);

}  // namespace

fs::path make_temp_dir(const std::string& name) {
  static std::mt19937_64 rng(std::random_device{}());
  fs::path dir =
      fs::temp_directory_path() / ("tavu-" + name + "-" + std::to_string(rng() % 1000000000ULL));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

namespace {

std::string from_environment(const char* name, const char* otherwise) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0' ? value : otherwise;
}

}  // namespace

std::string editor_path() {
  return from_environment("TAVU_EDITOR_EXE", TAVU_EDITOR_PATH);
}

std::string test_editor_path() {
  return from_environment("TAVU_TEST_EDITOR_EXE", TAVU_TEST_EDITOR_PATH);
}

bool testing_windows_build() {
  return editor_path().ends_with(".exe");
}

EditorRun run_editor(const fs::path& dir, const std::string& script,
                     const std::vector<std::string>& extra_args, const std::string& wrapper) {
  return run_binary(editor_path(), dir, script, extra_args, wrapper);
}

EditorRun run_test_editor(const fs::path& dir, const std::string& script,
                          const std::vector<std::string>& extra_args, const std::string& wrapper) {
  return run_binary(test_editor_path(), dir, script, extra_args, wrapper);
}

namespace {

EditorRun run_binary(const std::string& editor, const fs::path& dir, const std::string& script,
                     const std::vector<std::string>& extra_args, const std::string& wrapper) {
  fs::path work = make_temp_dir("run");
  fs::path script_file = work / "script.txt";
  std::ofstream(script_file) << script;
  fs::permissions(work, fs::perms::all, fs::perm_options::add);  // readable by a wrapped user
  // Built by appending: g++ 12 at -O3 warns falsely (restrict) about
  // " " + std::string.
  std::string command = "SDL_VIDEODRIVER=dummy ";
  auto add = [&command](const std::string& part) {
    command += ' ';
    command += part;
  };
  add(wrapper);
  add(from_environment("TAVU_EDITOR_LAUNCHER", ""));
  add(shell_quote(editor));
  add("--dir");
  add(shell_quote(dir.string()));
  add("--script");
  add(shell_quote(script_file.string()));
  for (const auto& a : extra_args) add(shell_quote(a));
  add(">");
  add(shell_quote((work / "out").string()));
  add("2>");
  add(shell_quote((work / "err").string()));
  int status = std::system(command.c_str());
  EditorRun run;
  run.exit_code = (status >> 8) & 0xFF;
  run.out = read_text(work / "out");
  run.err = read_text(work / "err");
  if (testing_windows_build()) {
    // Text output on Windows ends its lines with CR LF.
    for (std::string* text : {&run.out, &run.err}) {
      std::string lf;
      for (std::size_t i = 0; i < text->size(); ++i)
        if ((*text)[i] != '\r' || i + 1 == text->size() || (*text)[i + 1] != '\n')
          lf.push_back((*text)[i]);
      *text = std::move(lf);
    }
  }
  fs::remove_all(work);
  return run;
}

}  // namespace

bool unprivileged_wrapper(const std::string& editor, const fs::path& readable_file,
                          std::string& wrapper, std::string& why_not) {
  wrapper.clear();
  if (testing_windows_build()) {
    // Wine's prefix belongs to the user who made it; and Windows keeps no
    // POSIX permissions to test with.
    why_not = "POSIX permissions, not the Windows build's";
    return false;
  }
  if (::geteuid() != 0) return true;
  if (!fs::exists("/usr/bin/setpriv")) {
    why_not = "needs setpriv to drop root";
    return false;
  }
  wrapper = "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups";
  const std::string probe = wrapper + " /bin/sh -c 'test -x " + shell_quote(editor) +
                            " && test -r " + shell_quote(readable_file.string()) + "' 2>/dev/null";
  if (std::system(probe.c_str()) != 0) {
    why_not = "the editor is out of the user's reach";
    return false;
  }
  return true;
}

std::vector<std::string> printed(const EditorRun& run, const std::string& key) {
  std::vector<std::string> values;
  std::istringstream in(run.out);
  std::string prefix = key + ":";
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(prefix, 0) != 0) continue;
    std::string v = line.substr(prefix.size());
    if (!v.empty() && v[0] == ' ') v.erase(0, 1);
    values.push_back(v);
  }
  return values;
}

std::vector<std::uint8_t> read_bytes(const fs::path& path) {
  // One read of the whole file: byte-wise iterators are slow in the
  // sanitizer build, and the sweeps read whole directories many times.
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) {
    std::ifstream other(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(other), std::istreambuf_iterator<char>()};
  }
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return {};
  const std::streamoff size = in.tellg();
  std::vector<std::uint8_t> bytes(size > 0 ? static_cast<std::size_t>(size) : 0);
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

std::string read_text(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string shell_quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'')
      q += "'\\''";
    else
      q.push_back(c);
  }
  return q + "'";
}

}  // namespace tavu::test
