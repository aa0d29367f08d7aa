// tavu: the game directory tools without a window. One command processor
// parses the command line and runs the named command; each command is a
// plain function over the parsed options and two output streams, so the
// tests run them in process as the program does.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace tavu::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // work refused or failed
inline constexpr int kExitUsage = 2;   // the command line is wrong

// Results go to `out`, messages to `err`; a progress bar is drawn on `err`
// only when it is a terminal.
struct Streams {
  std::ostream& out;
  std::ostream& err;
  bool err_is_terminal = false;
};

// What the command line said, file names exactly as given.
struct Options {
  std::string dir;                // --dir; empty: the current directory
  std::string format = "png";     // --format png|bmp
  std::vector<std::string> only;  // --only kinds; empty: all
  bool dry_run = false;           // --dry-run
  bool force = false;             // --force
  bool sheets = false;            // --sheets
  std::string output;             // -o
  int highlight = 0;              // --highlight; 0: all of them
  int scale = 2;                  // --scale
  int fps = 70;                   // --fps
  std::vector<std::string> operands;
};

// Option bits a command accepts.
enum OptionBit : std::uint32_t {
  kOptDir = 1,
  kOptFormat = 2,
  kOptOnly = 4,
  kOptDryRun = 8,
  kOptForce = 16,
  kOptSheets = 32,
  kOptOutput = 64,  // and required
  kOptHighlight = 128,
  kOptScale = 256,
  kOptFps = 512,
};

struct Command {
  const char* name;
  const char* summary;   // one line for `tavu --help`
  const char* synopsis;  // "[--dir GAMEDIR] OUTDIR"
  const char* help;      // the rest of `tavu COMMAND --help`: what, options, examples
  std::uint32_t options;
  int operands;         // how many operands it takes
  const char* operand;  // what one is, for "a directory is needed"
  int (*run)(const Options&, Streams&);
};

// The commands, in the order `tavu --help` lists them. A new command is one
// more entry here.
std::span<const Command> commands();

// A wrong command line: the message and the command's usage on `err`.
int usage_error(Streams& io, const Command* command, const std::string& message);

// The whole program: `args` without the program name.
int run(std::span<const std::string> args, Streams& io);

// The commands themselves.
int run_check(const Options& options, Streams& io);
int run_export(const Options& options, Streams& io);
int run_import(const Options& options, Streams& io);
int run_replay(const Options& options, Streams& io);

}  // namespace tavu::cli
