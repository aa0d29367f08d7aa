// The crash log and the out-of-memory stop of the real editor: the test
// build's faults are real signals, caught, logged to errlog.txt and shown.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "support/demo_dir.h"
#include "support/run_editor.h"
#include "support/tmpfs.h"

namespace fs = std::filesystem;
using tavu::test::printed;
using tavu::test::read_text;
using tavu::test::run_test_editor;

namespace {

struct Entry {
  std::string date;    // without its line feed
  std::string report;  // with its closing empty line
};

// The log's entries; each must be a date line and a report ending "\n\n".
std::vector<Entry> entries(const std::string& log) {
  std::vector<Entry> out;
  std::size_t at = 0;
  while (at < log.size()) {
    const std::size_t end = log.find("\n\n", at);
    EXPECT_NE(end, std::string::npos) << "entry without its empty line: " << log.substr(at);
    if (end == std::string::npos) break;
    const std::string entry = log.substr(at, end + 2 - at);
    const std::size_t first = entry.find('\n');
    out.push_back({entry.substr(0, first), entry.substr(first + 1)});
    at = end + 2;
  }
  return out;
}

// The date line as local time, or -1 when it is not in the log's format.
std::time_t parse_date_line(const std::string& line) {
  static const std::regex format(
      "(Sunday|Monday|Tuesday|Wednesday|Thursday|Friday|Saturday), "
      "([0-9]{2})\\.([0-9]{2})\\.([0-9]{4})\\., ([0-9]{2}):([0-9]{2}):([0-9]{2})");
  std::smatch m;
  if (!std::regex_match(line, m, format)) return -1;
  std::tm t{};
  t.tm_mday = std::stoi(m[2]);
  t.tm_mon = std::stoi(m[3]) - 1;
  t.tm_year = std::stoi(m[4]) - 1900;
  t.tm_hour = std::stoi(m[5]);
  t.tm_min = std::stoi(m[6]);
  t.tm_sec = std::stoi(m[7]);
  t.tm_isdst = -1;
  const std::time_t when = std::mktime(&t);
  static const char* days[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                               "Thursday", "Friday", "Saturday"};
  if (m[1] != days[t.tm_wday]) return -1;
  return when;
}

std::string code_of(const std::string& report) {
  static const std::regex code("\nException code: ([0-9A-F]+)\n");
  std::smatch m;
  return std::regex_search(report, m, code) ? m[1].str() : "";
}

class CrashLogScript : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(demo_.ok()); }
  fs::path log() const { return demo_.file("errlog.txt"); }
  tavu::test::DemoDir demo_{"crash"};
};

// Every fatal signal (on Windows every exception), one run each, in one
// directory: the log is created by the first and each later entry is
// appended after the ones before. Linux lists all 64-bit registers; the
// Windows handler keeps the 32-bit report's nine names, order and lines.
// (Wine ends a thread whose stack overflows before any handler of the
// program runs, so the Windows build's run has no stack case.)
TEST_F(CrashLogScript, EveryFaultIsLoggedShownAndEndsWith255) {
  struct Case {
    const char* kind;
    const char* code;  // the signal number, or the exception code
  };
  const bool windows = tavu::test::testing_windows_build();
  const std::vector<Case> cases =
      windows ? std::vector<Case>{{"segv", "C0000005"},
                                  {"bus", "C0000005"},
                                  {"ill", "C000001D"},
                                  {"fpe", "C0000094"},
                                  {"abort", "40000015"}}
              : std::vector<Case>{{"segv", "B"}, {"bus", "7"},   {"ill", "4"},
                                  {"fpe", "8"},  {"abort", "6"}, {"stack", "B"}};
  static const std::regex windows_registers(
      "\nRegisters:\n"
      "EAX: [0-9A-F]{8,} EBX: [0-9A-F]{8,} ECX: [0-9A-F]{8,}\n"
      "EDX: [0-9A-F]{8,} ESI: [0-9A-F]{8,} EDI: [0-9A-F]{8,}\n"
      "EBP: [0-9A-F]{8,} ESP: [0-9A-F]{8,} EIP: [0-9A-F]{8,}\n\n$");
  ASSERT_FALSE(fs::exists(log()));
  std::vector<std::pair<std::time_t, std::time_t>> times;
  for (const auto& c : cases) {
    const std::time_t before = std::time(nullptr);
    auto r =
        run_test_editor(demo_.path(), std::string("key F6\ncrash ") + c.kind + "\nprint mode\n");
    times.push_back({before, std::time(nullptr)});
    EXPECT_EQ(r.exit_code, 255) << c.kind << r.err;
    EXPECT_TRUE(printed(r, "mode").empty()) << c.kind;
    EXPECT_EQ(r.err.rfind("Fatal error: Program terminating.\nVersion: v0.9\n", 0), 0u)
        << c.kind << r.err;
  }
  const auto got = entries(read_text(log()));
  ASSERT_EQ(got.size(), cases.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    SCOPED_TRACE(cases[i].kind);
    EXPECT_EQ(code_of(got[i].report), cases[i].code) << "oldest first";
    const std::time_t when = parse_date_line(got[i].date);
    EXPECT_GE(when, times[i].first - 1) << got[i].date;
    EXPECT_LE(when, times[i].second + 1) << got[i].date;
    EXPECT_EQ(got[i].report.rfind("Program terminating.\nVersion: v0.9\n", 0), 0u);
    if (windows) {
      EXPECT_NE(got[i].report.find("\nWindows: NT\n"), std::string::npos) << got[i].report;
      EXPECT_TRUE(std::regex_search(got[i].report, windows_registers)) << got[i].report;
    } else {
      EXPECT_NE(got[i].report.find("\nRegisters:\nRAX: "), std::string::npos) << got[i].report;
    }
  }
}

TEST_F(CrashLogScript, ALogThatCannotBeWrittenIsLeftAloneAndTheBoxStillShows) {
  // A directory of that name cannot be opened for writing, by anyone.
  fs::create_directory(log());
  auto r = run_test_editor(demo_.path(), "crash segv\n");
  EXPECT_EQ(r.exit_code, 255);
  EXPECT_EQ(r.err.rfind("Fatal error: Program terminating.\n", 0), 0u) << r.err;
  EXPECT_TRUE(fs::is_empty(log()));
  fs::remove(log());

  // A read-only file; root ignores permissions, so then the editor runs as
  // an unprivileged user.
  std::string wrapper, why_not;
  if (!tavu::test::unprivileged_wrapper(tavu::test::test_editor_path(), demo_.file("SPRITE.DAT"),
                                        wrapper, why_not))
    GTEST_SKIP() << why_not;
  fs::permissions(demo_.path(), fs::perms::others_read | fs::perms::others_exec,
                  fs::perm_options::add);
  const std::string before = "Earlier entry\n\n";
  std::ofstream(log(), std::ios::binary) << before;
  fs::permissions(log(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                  fs::perm_options::replace);
  r = run_test_editor(demo_.path(), "crash segv\n", {}, wrapper);
  EXPECT_EQ(r.exit_code, 255);
  EXPECT_EQ(r.err.rfind("Fatal error: Program terminating.\n", 0), 0u) << r.err;
  EXPECT_EQ(read_text(log()), before);
}

// The log as the directory spells it is appended to; on a full disk it
// keeps exactly the entries it had (no cut entry that would run into the
// next one), and the box shows all the same.
TEST_F(CrashLogScript, TheLogKeepsItsSpellingAndNeverACutEntry) {
  // One page of earlier entries less a few bytes: the date line starts to
  // fit, the rest needs a page that a full disk does not have.
  std::string earlier = "Earlier entry\n\n";
  earlier.insert(0, 4096 - 10 - earlier.size(), 'e');
  struct Case {
    const char* what;
    const char* name;
    bool full;
  };
  const Case cases[] = {{"another spelling", "ERRLOG.TXT", false},
                        {"full disk", "errlog.txt", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tavu::test::Tmpfs disk(demo_.path().parent_path() / "crash-disk", 2048);
    if (c.full && !disk.ok()) GTEST_SKIP() << "no tmpfs could be mounted (needs root)";
    const fs::path dir = c.full ? disk.path() : demo_.path();
    if (c.full)
      for (const auto& e : fs::directory_iterator(demo_.path()))
        fs::copy_file(e.path(), dir / e.path().filename());
    std::ofstream(dir / c.name, std::ios::binary) << earlier;
    if (c.full) {
      ASSERT_TRUE(disk.fill());
    }
    const auto r = run_test_editor(dir, "crash segv\n");
    EXPECT_EQ(r.exit_code, 255);
    EXPECT_EQ(r.err.rfind("Fatal error: Program terminating.\n", 0), 0u) << r.err;
    const std::string log = read_text(dir / c.name);
    if (c.full) {
      EXPECT_EQ(log, earlier);
    } else {
      EXPECT_EQ(log.rfind(earlier, 0), 0u);
      EXPECT_EQ(entries(log.substr(earlier.size())).size(), 1u);
      EXPECT_FALSE(fs::exists(dir / "errlog.txt")) << "no second log";
      fs::remove(dir / c.name);
    }
  }
}

TEST_F(CrashLogScript, ACrashInFullScreenIsLoggedAndShown) {
  auto r = run_test_editor(demo_.path(), "key alt+RETURN\nprint flags\ncrash segv\n");
  EXPECT_EQ(r.exit_code, 255);
  EXPECT_EQ(printed(r, "flags"), std::vector<std::string>{"193"});
  EXPECT_EQ(r.err.rfind("Fatal error: Program terminating.\n", 0), 0u) << r.err;
  EXPECT_EQ(entries(read_text(log())).size(), 1u);
}

// On the window's backend the box is shown by a fresh process that takes
// the crashed one's place (here with SDL's dummy driver, whose box is
// standard error).
TEST_F(CrashLogScript, TheWindowBackendShowsTheBoxFromAFreshProcess) {
  if (tavu::test::testing_windows_build()) GTEST_SKIP() << "the SDL backend's";
  const fs::path err = demo_.file("stderr.txt");
  const std::string command =
      "cd '" + demo_.path().string() + "' && SDL_VIDEODRIVER=dummy XDG_RUNTIME_DIR='" +
      demo_.path().string() + "' '" TAVU_TEST_EDITOR_PATH "' --test-crash-after 200 abort 2>'" +
      err.string() + "'";
  const int status = std::system(command.c_str());
  EXPECT_EQ((status >> 8) & 0xFF, 255);
  const auto got = entries(read_text(log()));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(code_of(got[0].report), "6");
  EXPECT_EQ(read_text(err), "Fatal error: " + got[0].report + "\n");
}

TEST(OutOfMemory, AllocateOrStopEndsWithTheBoxAndExitCode1) {
  tavu::test::DemoDir demo("oom");
  ASSERT_TRUE(demo.ok());
  auto r = run_test_editor(
      demo.path(), "allocate 65536\nprint mode\nkey alt+RETURN\nallocate max\nprint mode\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(printed(r, "mode"), std::vector<std::string>{"0"}) << "a size that fits goes on";
  EXPECT_EQ(r.err, "Error: Out of memory!\n");
  EXPECT_FALSE(fs::exists(demo.file("errlog.txt"))) << "not a crash";
}

// The editor users run has no way to crash or exhaust itself on purpose.
TEST(TestHooks, AreNotInTheEditorUsersRun) {
  tavu::test::DemoDir demo("hooks");
  ASSERT_TRUE(demo.ok());
  for (const char* line : {"crash segv", "allocate max", "fail fullscreen", "fail keyboard-state",
                           "lose keyboard-device"}) {
    auto r = tavu::test::run_editor(demo.path(), std::string(line) + "\n");
    EXPECT_EQ(r.exit_code, 2) << line;
    EXPECT_NE(r.err.find("unknown command"), std::string::npos) << line << r.err;
  }
  auto r = tavu::test::run_editor(demo.path(), "", {"--test-crash-after", "1", "segv"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_FALSE(fs::exists(demo.file("errlog.txt")));
}

}  // namespace
