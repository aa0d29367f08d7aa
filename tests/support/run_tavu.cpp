#include "support/run_tavu.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "support/run_editor.h"

namespace fs = std::filesystem;

namespace tavu::test {
namespace {

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'')
      q += "'\\''";
    else
      q.push_back(c);
  }
  return q + "'";
}

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

std::string tavu_path() {
#ifdef TAVU_CLI_PATH
  return TAVU_CLI_PATH;
#else
  return "tavu";
#endif
}

TavuRun run_tavu(const std::vector<std::string>& args, const fs::path& cwd) {
  const fs::path work = make_temp_dir("tavu-run");
  std::string command;
  if (!cwd.empty()) command += "cd " + quote(cwd.string()) + " && ";
  command += "env -u DISPLAY -u WAYLAND_DISPLAY " + quote(tavu_path());
  for (const std::string& a : args) command += " " + quote(a);
  command += " >" + quote((work / "out").string()) + " 2>" + quote((work / "err").string());
  const int status = std::system(command.c_str());
  TavuRun run;
  run.exit_code = (status >> 8) & 0xFF;
  run.out = slurp(work / "out");
  run.err = slurp(work / "err");
  fs::remove_all(work);
  return run;
}

}  // namespace tavu::test
