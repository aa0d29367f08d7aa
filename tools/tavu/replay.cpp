// `tavu replay`: a recording as an animated GIF, made by the code behind
// Ctrl+F2 during playback, so the file is the one the editor writes.
#include <filesystem>
#include <optional>
#include <system_error>

#include "cli.h"
#include "game.h"
#include "replays/replay_gif.h"
#include "replays/team_sprites.h"
#include "shell/files.h"

namespace fs = std::filesystem;

namespace tavu::cli {
namespace {

bool ends_with_ignoring_case(const std::string& s, const std::string& tail) {
  if (s.size() < tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i) {
    char a = s[s.size() - tail.size() + i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != tail[i]) return false;
  }
  return true;
}

// Every `from` in `text` replaced by `to`: the engine names files by the
// paths it was given, the user should see the paths they typed.
std::string replace_all(std::string text, const std::string& from, const std::string& to) {
  if (from.empty() || from == to) return text;
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

}  // namespace

int run_replay(const Options& options, Streams& io) {
  const std::string& file_given = options.operands[0];
  const std::string& out_given = options.output;
  const Command* self = nullptr;
  for (const Command& c : commands())
    if (std::string(c.name) == "replay") self = &c;
  if (!ends_with_ignoring_case(out_given, ".gif"))
    return usage_error(io, self, "the output must be a .gif file, not '" + out_given + "'");
  if (options.highlight > 0 && ends_with_ignoring_case(file_given, ".rpl"))
    return usage_error(io, self,
                       "--highlight needs a highlight file (.hil); a replay is played whole");

  GameDirectory game(options.dir);
  if (!game.entered()) {
    io.err << "tavu: " << game.error() << "\n";
    return kExitFailed;
  }
  // Paths from where the command started; as given when that is here.
  auto usable = [&](const std::string& given) {
    return options.dir.empty() ? given : game.outside(given).string();
  };
  // A name alone in the game directory is a game file: found ignoring case.
  const std::string file = options.dir.empty() && file_given.find('/') == std::string::npos
                               ? find_file(file_given)
                               : usable(file_given);
  const std::string out = usable(out_given);

  std::error_code ec;
  if (fs::equivalent(file, out, ec))
    return usage_error(io, self, "the output '" + out_given + "' is the recording itself");
  if (!options.force && fs::exists(fs::symlink_status(out, ec))) {
    io.err << "tavu: " << out_given << " exists; not overwritten (--force overwrites it)\n";
    return kExitFailed;
  }
  if (!load_game(io.err, options.dir, false)) return kExitFailed;

  std::optional<Progress> progress;
  const ReplayGifResult result =
      make_replay_gif(file, out, {options.highlight, options.scale, options.fps},
                      [&](std::size_t done, std::size_t total) {
                        if (!progress)
                          progress.emplace(io.err, io.err_is_terminal, "encoding", total);
                        progress->step(done);
                      });
  progress.reset();
  release_team_sprites();
  if (!result.ok) {
    std::string reason = replace_all(replace_all(result.reason, file, file_given), out, out_given);
    for (std::size_t at = 0; (at = reason.find('\n', at)) != std::string::npos; at += 2)
      reason.replace(at, 1, ": ");
    io.err << "tavu: " << reason << "\n";
    return kExitFailed;
  }
  io.out << out_given << ": " << result.gif_frames
         << (result.gif_frames == 1 ? " frame, " : " frames, ") << result.bytes << " bytes\n";
  return kExitOk;
}

}  // namespace tavu::cli
