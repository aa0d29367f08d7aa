#include "check.h"

#include <map>
#include <optional>

#include "cli.h"
#include "game.h"
#include "pictures/pictures.h"
#include "pitch/pitch_bitmaps.h"
#include "pitch/pitch_files.h"
#include "replays/browser.h"
#include "replays/recording_format.h"
#include "replays/recordings.h"
#include "replays/team_sprites.h"
#include "shell/bytes.h"
#include "shell/files.h"
#include "sprites/sprite_files.h"

namespace tavu::cli {
namespace {

// The same bound as the editor's pitch reader.
constexpr std::size_t kMaxPitchFile = 64u << 20;

class Checker {
 public:
  std::vector<Problem> problems;

  void add(const std::string& file, std::string reason) {
    problems.push_back({file, std::move(reason)});
  }

  // Names that differ only in letter case: the editor reads one and refuses
  // to save over either.
  void check_ambiguous(const std::string& name) {
    const std::vector<std::string> spellings = ambiguous_names(name);
    if (spellings.empty()) return;
    std::string list;
    for (std::size_t i = 0; i < spellings.size(); ++i)
      list += (i == 0 ? "" : i + 1 == spellings.size() ? " and " : ", ") + spellings[i];
    add(find_file(name), list + " differ only in letter case");
  }

  // Reads a whole file; false after naming the problem.
  bool read(const std::string& name, std::vector<std::uint8_t>& bytes, std::size_t limit) {
    switch (read_whole_file(name, bytes, limit)) {
      case ReadStatus::ok:
        return true;
      case ReadStatus::cannot_open:
        add(name, "missing");
        return false;
      case ReadStatus::too_large:
        add(find_file(name), "too large");
        return false;
      case ReadStatus::read_error:
        break;
    }
    add(find_file(name), "Can't read file");
    return false;
  }

  // A sprite graphics file of `count` records; false when damaged.
  bool sprite_file(const std::string& name, int count) {
    check_ambiguous(name);
    std::vector<std::uint8_t> image;
    if (!read(name, image, kMaxSpriteFileSize)) return false;
    if (measure_file_image(image, count)) return true;
    // Which record runs past the end, for the message.
    int damaged = 0;
    while (damaged < count && measure_file_image(image, damaged + 1)) ++damaged;
    add(find_file(name), "corrupt: sprite " + std::to_string(damaged) + " of " +
                             std::to_string(count) + " runs past the end of the file");
    return false;
  }

  void sprites() {
    check_ambiguous(kSpriteIndexName);
    FileHandle index = open_for_read(kSpriteIndexName, kAccessRead | kShareRead);
    if (!index.valid()) {
      add(kSpriteIndexName, "missing");
    } else if (index.size() != static_cast<std::int64_t>(kSpriteIndexSize)) {
      add(find_file(kSpriteIndexName), "invalid size " + std::to_string(index.size()) +
                                           ", expected " + std::to_string(kSpriteIndexSize));
    }
    for (int i = 0; i < kSpriteFileCount; ++i) {
      if (i == 5) continue;  // GOAL1.DAT again
      sprite_file(kSpriteFiles[i].name, kSpriteFiles[i].count);
    }
  }

  // Team sprite files other than the two the sprite files include, which
  // playback and Ctrl+T read.
  void team_files() {
    for (const std::string& name : list_directory("team?.dat")) {
      if (compare_names(name, kSpriteFiles[2].name) == 0 ||
          compare_names(name, kSpriteFiles[kTeamEntry].name) == 0)
        continue;
      team_sound_[fold(name)] = sprite_file(name, kTeamSetSprites);
    }
  }

  void pitches() {
    for (int number = 1; number <= kPitchCount; ++number) {
      const std::string map_name = pitch_map_name(number);
      const std::string pattern_name = pitch_pattern_name(number);
      check_ambiguous(map_name);
      check_ambiguous(pattern_name);
      std::vector<std::uint8_t> map, patterns;
      const bool have_map = read(map_name, map, kMaxPitchFile);
      const bool have_patterns = read(pattern_name, patterns, kMaxPitchFile);
      if (!have_map || !have_patterns) continue;
      PitchRecord pitch;
      if (!make_pitch_record(map, patterns, pitch)) {
        const std::size_t cells = map.size() / 4;
        add(find_file(map_name), cells < static_cast<std::size_t>(kPitchCells)
                                     ? "corrupt: " + std::to_string(cells) +
                                           " cells, needs at least " + std::to_string(kPitchCells)
                                     : std::string("corrupt: too large"));
        continue;
      }
      // Every operation draws and edits cells 0 to 2309; one that points
      // past the patterns shows nothing the game could show.
      int outside = 0, first = -1;
      for (int i = 0; i < kPitchCells; ++i)
        if (!cell_in_patterns(pitch.cells[static_cast<std::size_t>(i)], pitch.pattern_bytes())) {
          if (outside++ == 0) first = i;
        }
      if (outside > 0)
        add(find_file(map_name), std::to_string(outside) +
                                     (outside == 1 ? " cell shows" : " cells show") +
                                     " no pattern of " + find_file(pattern_name) +
                                     " (the first at row " + std::to_string(first / kPitchColumns) +
                                     ", column " + std::to_string(first % kPitchColumns) + ")");
      if (pitch.pattern_count > kPatternLimit)
        add(find_file(pattern_name), std::to_string(pitch.pattern_count) +
                                         " patterns; TAVU can handle only " +
                                         std::to_string(kPatternLimit));
    }
  }

  void pictures() {
    const std::vector<std::string> names = list_directory("*.256");
    for (const std::string& name : names) {
      FileHandle f = open_for_read(name, kAccessRead | kShareRead);
      if (!f.valid()) {
        add(name, picture_error_text(kPictureCantOpen));
        continue;
      }
      const std::int64_t size = f.size();
      if (size != static_cast<std::int64_t>(kPictureFileSize))
        add(name, std::string(picture_error_text(kPictureBadSize)) + " (" + std::to_string(size) +
                      " bytes, expected " + std::to_string(kPictureFileSize) + ")");
    }
    for (const char* required : {"stad.256", "kltitle.256", "fill.256"}) {
      bool found = false;
      for (const std::string& name : names) found = found || compare_names(name, required) == 0;
      if (!found) add(required, "missing");
    }
  }

  void recordings(RecordingKind kind) {
    const bool highlight = kind == RecordingKind::kHighlight;
    const char* word = recording_kind_word(kind);
    const std::vector<std::string> names = list_directory(highlight ? "*.hil" : "*.rpl");
    if (names.size() > kMaxListedFiles)
      add(highlight ? "*.hil" : "*.rpl", std::to_string(names.size()) + " " + word +
                                             " files; the replay browser lists only " +
                                             std::to_string(kMaxListedFiles - 1));
    for (const std::string& name : names) {
      FileHandle f = open_for_read(name, kAccessRead | kShareRead);
      if (!f.valid()) {
        add(name, "Can't open " + name);
        continue;
      }
      const std::int64_t size = f.size();
      std::vector<std::uint8_t> header(kRecordingHeaderSize);
      header.resize(f.read(header));
      const RecordingCheck verdict =
          size < 0 ? RecordingCheck::kTooShort
                   : check_recording_header(header, static_cast<std::uint64_t>(size), kind);
      if (verdict != RecordingCheck::kOk) {
        add(name, std::string("not a ") + word + " file (" +
                      why(verdict, header, static_cast<std::uint64_t>(size < 0 ? 0 : size)) + ")");
        continue;
      }
      const auto decoded = decode_recording_header(header);
      for (int team = 0; team < 2; ++team) needs_team_file(name, decoded->teams[team], team);
    }
  }

 private:
  std::map<std::string, bool> team_sound_;  // team file (folded name) -> sound

  static std::string fold(std::string s) {
    for (char& c : s)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
  }

  static std::string why(RecordingCheck verdict, const std::vector<std::uint8_t>& header,
                         std::uint64_t size) {
    const std::uint64_t body = size >= kRecordingHeaderSize ? size - kRecordingHeaderSize : 0;
    switch (verdict) {
      case RecordingCheck::kTooShort:
        return "shorter than its " + std::to_string(kRecordingHeaderSize) + "-byte header";
      case RecordingCheck::kBadFormat:
        return "format number " + std::to_string(get_u32(header, 0)) + ", expected " +
               std::to_string(kRecordingFormat);
      case RecordingCheck::kBadSizeConstant:
        return "size constant " + std::to_string(get_u32(header, 4)) + ", expected " +
               std::to_string(kRecordingSizeConstant);
      case RecordingCheck::kPartialWord:
        return "a body of " + std::to_string(body) + " bytes is no whole number of words";
      case RecordingCheck::kBadHighlightCount:
        if (body % kHighlightSlotSize != 0)
          return "a body of " + std::to_string(body) + " bytes is no whole number of " +
                 std::to_string(kHighlightSlotSize) + "-byte highlights";
        return "the header counts " + std::to_string(get_u16(header, kHighlightCountOffset)) +
               " highlights, the body holds " + std::to_string(body / kHighlightSlotSize);
      case RecordingCheck::kBodyTooLarge:
        return "too large";
      case RecordingCheck::kBadPitch:
        return "pitch type " + std::to_string(header[kPitchTypeOffset]) + " and pitch index " +
               std::to_string(header[kPitchIndexOffset]) + ", at most 6 and 5";
      case RecordingCheck::kOk:
        break;
    }
    return "";
  }

  // Playback reads a team sprite file for a kit whose set is not in the
  // Sprite table, and refuses to start without it.
  void needs_team_file(const std::string& recording, const TeamRecord& team, int which) {
    const char* whose = which == 0 ? "the first team" : "the second team";
    const std::optional<char> digit = team_set_digit(team.kit_code);
    if (!digit) {
      add(recording, std::string("the kit code of ") + whose + " (" +
                         std::to_string(team.kit_code) + ") names no team sprite file");
      return;
    }
    if (*digit == '1' || *digit == kSpriteFiles[kTeamEntry].name[kTeamDigitAt]) return;
    const std::string file = team_sprite_file_name(*digit);
    const auto known = team_sound_.find(fold(find_file(file)));
    if (known == team_sound_.end())
      add(recording, "needs " + file + " for " + whose + ", which is missing");
    else if (!known->second)
      add(recording, "needs " + file + " for " + whose + ", which is damaged");
  }
};

}  // namespace

std::vector<Problem> check_game_directory() {
  Checker c;
  c.sprites();
  c.team_files();
  c.pitches();
  c.pictures();
  c.recordings(RecordingKind::kHighlight);
  c.recordings(RecordingKind::kReplay);
  return std::move(c.problems);
}

int run_check(const Options& options, Streams& io) {
  GameDirectory game(options.dir);
  if (!game.entered()) {
    io.err << "tavu: " << game.error() << "\n";
    return kExitFailed;
  }
  const std::vector<Problem> problems = check_game_directory();
  for (const Problem& p : problems) io.out << game.shown(p.file) << ": " << p.reason << "\n";
  return problems.empty() ? kExitOk : kExitFailed;
}

}  // namespace tavu::cli
