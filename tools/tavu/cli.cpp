#include "cli.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <sstream>

#include "replays/replay_gif.h"
#include "shell/app.h"

namespace tavu::cli {
namespace {

constexpr const char* kCheckHelp =
    "Reads every game file of GAMEDIR (the current directory by default) with the\n"
    "editor's own readers: the sprite files and SPRITE.DAT, the six pitches, every\n"
    ".256 picture, every .hil and .rpl recording and the team sprite files they\n"
    "need. Prints one line for each problem, naming the file and the reason.\n"
    "\n"
    "Options:\n"
    "  --dir GAMEDIR    the game directory (default: the current directory)\n"
    "  --help           show this text\n"
    "\n"
    "Exit status: 0 when every file is sound, 1 when a problem was found, 2 for a\n"
    "wrong command line.\n"
    "\n"
    "Examples:\n"
    "  tavu check --dir ~/games/tavu\n"
    "  tavu check && zip -r mymod.zip .\n";

constexpr const char* kExportHelp =
    "Writes the game's graphics from GAMEDIR into OUTDIR (made if missing) under\n"
    "the names the editor's Insert reads: every sprite (spr0000.png ..., on the\n"
    "default background with entry 16 transparent), every pattern of every pitch\n"
    "(pt1-0.png ...), every pitch in the normal type's colours (pitch1.png ...)\n"
    "and every picture (fill.png ...). A file of OUTDIR that already holds the\n"
    "same picture is left as it is; one that holds another picture is not\n"
    "overwritten without --force.\n"
    "\n"
    "Options:\n"
    "  --dir GAMEDIR    the game directory (default: the current directory)\n"
    "  --format FORMAT  png (default) or bmp\n"
    "  --only KINDS     some of sprites,patterns,pitches,pictures (comma separated)\n"
    "  --sheets         each sprite file as one PNG sheet (CHARSET.png ...) with\n"
    "                   CHARSET.json beside it, instead of one file per sprite\n"
    "  --force          overwrite files of OUTDIR that hold other pictures\n"
    "  --help           show this text\n"
    "\n"
    "Exit status: 0 when everything was written, 1 when something was not (each\n"
    "such file is named), 2 for a wrong command line.\n"
    "\n"
    "Examples:\n"
    "  tavu export --dir ~/games/tavu mod\n"
    "  tavu export --only sprites --format bmp sprites-bmp\n"
    "  tavu export --sheets --only sprites sheets\n";

constexpr const char* kImportHelp =
    "Reads every file of INDIR that the editor's Insert would read (spr0000.png,\n"
    "pt1-0.png, pitch1.png, fill.png ..., PNG or BMP, the newer of a pair; sprite\n"
    "sheets with their JSON), applies each exactly as Insert does and saves what\n"
    "changed into GAMEDIR as one group, as the editor's save on quit does: all\n"
    "files or none, the originals kept as NAME.bak. A file that holds what the\n"
    "export of the current data would write changes nothing, so importing an\n"
    "unchanged export touches no game file. Prints one line for each change and a\n"
    "summary. If any file is refused, nothing is written and every refusal is\n"
    "named with its reason.\n"
    "\n"
    "Options:\n"
    "  --dir GAMEDIR    the game directory (default: the current directory)\n"
    "  --dry-run        print what would change; write nothing\n"
    "  --help           show this text\n"
    "\n"
    "Exit status: 0 when everything was applied and saved (or nothing changed), 1\n"
    "when a file was refused or the save failed, 2 for a wrong command line.\n"
    "\n"
    "Examples:\n"
    "  tavu export mod && mogrify -fill red -opaque black mod/spr0065.png\n"
    "  tavu import --dry-run mod\n"
    "  tavu import --dir ~/games/tavu mod\n";

constexpr const char* kReplayHelp =
    "Plays the recording FILE as the editor's playback does (the same frames, team\n"
    "sprites in their colours, pitch, sprites and score) and writes it to OUT.gif as\n"
    "an animated GIF that loops forever, the same file Ctrl+F2 writes during\n"
    "playback. A highlight file (.hil) gives all its highlights one after another,\n"
    "as the browser plays them, or highlight N alone; a replay (.rpl) gives the\n"
    "whole replay. Timed to 70 frames a second; frames shorter than 2/100 s are\n"
    "dropped, as GIF viewers slow those down. The sprites, pitches and team sprite\n"
    "files come from GAMEDIR; FILE and OUT.gif are paths from the current\n"
    "directory, as the other commands' directories are. An existing OUT.gif is\n"
    "not overwritten without --force.\n"
    "\n"
    "Options:\n"
    "  --dir GAMEDIR    the game directory (default: the current directory)\n"
    "  -o OUT.gif       the GIF to write (needed)\n"
    "  --highlight N    highlight N of a .hil file only (1, 2 ...; default all)\n"
    "  --scale K        enlarge K times, 1 to 4 (default 2: 640x400)\n"
    "  --fps F          frames a second, 50 to 100 as playback's speed keys (default\n"
    "                   70)\n"
    "  --force          overwrite an existing OUT.gif\n"
    "  --help           show this text\n"
    "\n"
    "Exit status: 0 when the GIF was written, 1 when the recording was refused or\n"
    "the GIF could not be written (no file is left), 2 for a wrong command line.\n"
    "\n"
    "Examples:\n"
    "  tavu replay -o goal.gif --highlight 2 match1.hil\n"
    "  tavu replay --dir ~/games/tavu -o final.gif ~/games/tavu/final.rpl\n"
    "  tavu replay --scale 1 --fps 100 -o quick.gif match1.hil\n";

constexpr std::array<Command, 4> kCommands = {{
    {"check", "report every damaged or missing game file", "[--dir GAMEDIR]", kCheckHelp, kOptDir,
     0, nullptr, run_check},
    {"export", "write sprites, patterns, pitches and pictures as PNG or BMP files",
     "[--dir GAMEDIR] [--format png|bmp] [--only KINDS] [--sheets] [--force] OUTDIR", kExportHelp,
     kOptDir | kOptFormat | kOptOnly | kOptSheets | kOptForce, 1, "a directory", run_export},
    {"import", "apply the files of a directory as the editor's Insert does, then save",
     "[--dir GAMEDIR] [--dry-run] INDIR", kImportHelp, kOptDir | kOptDryRun, 1, "a directory",
     run_import},
    {"replay", "make an animated GIF of a recorded highlight or replay",
     "[--dir GAMEDIR] [--highlight N] [--scale K] [--fps F] [--force] -o OUT.gif FILE", kReplayHelp,
     kOptDir | kOptOutput | kOptHighlight | kOptScale | kOptFps | kOptForce, 1, "a recording",
     run_replay},
}};

void program_help(std::ostream& out) {
  out << "Usage: tavu COMMAND [OPTIONS] [DIR]\n"
         "\n"
         "Works on the data files of the football game TAVU without a window: checks a\n"
         "game directory, exports its graphics as PNG or BMP files and imports them\n"
         "again, as the TAVU Picture Editor (tavu-editor) does key by key, and makes\n"
         "animated GIFs of recorded goals.\n"
         "\n"
         "Commands:\n";
  for (const Command& c : kCommands) {
    std::string name = c.name;
    name.resize(std::max<std::size_t>(name.size() + 2, 10), ' ');
    out << "  " << name << c.summary << "\n";
  }
  out << "\n"
         "Options:\n"
         "  --help           show this text (tavu COMMAND --help: that command's)\n"
         "  --version        show the version\n"
         "\n"
         "Exit status: 0 success, 1 refused or failed work, 2 a wrong command line.\n"
         "Results go to standard output, messages to standard error.\n"
         "\n"
         "Examples:\n"
         "  tavu check --dir ~/games/tavu\n"
         "  tavu export --dir ~/games/tavu mod\n"
         "  tavu import --dir ~/games/tavu --dry-run mod\n"
         "  tavu replay -o goal.gif --highlight 2 match1.hil\n";
}

void command_usage(const Command& c, std::ostream& out) {
  out << "Usage: tavu " << c.name << " " << c.synopsis << "\n";
}

struct OptionSpec {
  const char* name;
  OptionBit bit;
  bool takes_value;
};
constexpr std::array<OptionSpec, 11> kOptionSpecs = {{
    {"--dir", kOptDir, true},
    {"--format", kOptFormat, true},
    {"--only", kOptOnly, true},
    {"--dry-run", kOptDryRun, false},
    {"--force", kOptForce, false},
    {"--sheets", kOptSheets, false},
    {"-o", kOptOutput, true},
    {"--output", kOptOutput, true},
    {"--highlight", kOptHighlight, true},
    {"--scale", kOptScale, true},
    {"--fps", kOptFps, true},
}};

// A whole number from `low` to `high`, all of `text`.
bool parse_number(const std::string& text, int low, int high, int& value) {
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  return error == std::errc{} && at == end && value >= low && value <= high;
}

std::vector<std::string> split_list(const std::string& text) {
  std::vector<std::string> items;
  std::istringstream in(text);
  for (std::string item; std::getline(in, item, ',');)
    if (!item.empty()) items.push_back(item);
  return items;
}

}  // namespace

int usage_error(Streams& io, const Command* c, const std::string& message) {
  io.err << "tavu: " << message << "\n";
  if (c) {
    command_usage(*c, io.err);
    io.err << "Try 'tavu " << c->name << " --help'.\n";
  } else {
    io.err << "Usage: tavu COMMAND [OPTIONS] [DIR]\nTry 'tavu --help'.\n";
  }
  return kExitUsage;
}

std::span<const Command> commands() {
  return kCommands;
}

int run(std::span<const std::string> args, Streams& io) {
  if (args.empty()) return usage_error(io, nullptr, "no command given");
  const std::string& first = args[0];
  if (first == "--help" || first == "-h" || first == "help") {
    if (first == "help" && args.size() > 1) {
      for (const Command& c : kCommands)
        if (args[1] == c.name) {
          command_usage(c, io.out);
          io.out << "\n" << c.help;
          return kExitOk;
        }
      return usage_error(io, nullptr, "unknown command '" + args[1] + "'");
    }
    program_help(io.out);
    return kExitOk;
  }
  if (first == "--version") {
    io.out << "tavu (" << kProgramTitle << ") " << kProgramVersion << "\n";
    return kExitOk;
  }
  const auto found = std::find_if(kCommands.begin(), kCommands.end(),
                                  [&](const Command& c) { return first == c.name; });
  if (found == kCommands.end()) {
    if (first.starts_with("-")) return usage_error(io, nullptr, "unknown option '" + first + "'");
    return usage_error(io, nullptr, "unknown command '" + first + "'");
  }
  const Command& command = *found;

  Options options;
  bool operands_only = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (operands_only || arg == "-" || !arg.starts_with("-")) {
      options.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      operands_only = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      command_usage(command, io.out);
      io.out << "\n" << command.help;
      return kExitOk;
    }
    if (arg == "--version") {
      io.out << "tavu (" << kProgramTitle << ") " << kProgramVersion << "\n";
      return kExitOk;
    }
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const auto option = std::find_if(kOptionSpecs.begin(), kOptionSpecs.end(),
                                     [&](const OptionSpec& s) { return name == s.name; });
    if (option == kOptionSpecs.end() || !(command.options & option->bit))
      return usage_error(io, &command, "unknown option '" + name + "'");
    std::string value;
    if (option->takes_value) {
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return usage_error(io, &command, name + " needs a value");
      }
    } else if (equals != std::string::npos) {
      return usage_error(io, &command, name + " takes no value");
    }
    switch (option->bit) {
      case kOptDir:
        if (value.empty()) return usage_error(io, &command, "--dir needs a directory");
        options.dir = value;
        break;
      case kOptFormat:
        if (value != "png" && value != "bmp")
          return usage_error(io, &command, "unknown format '" + value + "' (png or bmp)");
        options.format = value;
        break;
      case kOptOnly:
        options.only = split_list(value);
        for (const std::string& kind : options.only)
          if (kind != "sprites" && kind != "patterns" && kind != "pitches" && kind != "pictures")
            return usage_error(
                io, &command,
                "unknown kind '" + kind + "' (sprites, patterns, pitches or pictures)");
        if (options.only.empty()) return usage_error(io, &command, "--only needs a kind");
        break;
      case kOptDryRun:
        options.dry_run = true;
        break;
      case kOptForce:
        options.force = true;
        break;
      case kOptSheets:
        options.sheets = true;
        break;
      case kOptOutput:
        if (value.empty()) return usage_error(io, &command, name + " needs a file");
        options.output = value;
        break;
      case kOptHighlight:
        if (!parse_number(value, 1, 1 << 20, options.highlight))
          return usage_error(io, &command, "--highlight needs a number from 1");
        break;
      case kOptScale:
        if (!parse_number(value, kMinGifScale, kMaxGifScale, options.scale))
          return usage_error(io, &command, "--scale needs a number from 1 to 4");
        break;
      case kOptFps:
        if (!parse_number(value, 50, 100, options.fps))
          return usage_error(io, &command, "--fps needs a number from 50 to 100");
        break;
    }
  }
  const int given = static_cast<int>(options.operands.size());
  if (given < command.operands)
    return usage_error(
        io, &command,
        command.operands == 1 ? std::string(command.operand) + " is needed" : "too few operands");
  if (given > command.operands)
    return usage_error(io, &command,
                       "unexpected operand '" + options.operands[command.operands] + "'");
  if ((command.options & kOptOutput) && options.output.empty())
    return usage_error(io, &command, "-o OUT.gif is needed");
  return command.run(options, io);
}

}  // namespace tavu::cli
