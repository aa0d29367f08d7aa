// Replay (.rpl) and highlight (.hil) files: a 3626-byte header with the two
// team records, then 32-bit little-endian frame words. A highlight file's
// body is a row of 19000-byte slots, one highlight each.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace tavu {

inline constexpr std::size_t kRecordingHeaderSize = 3626;
inline constexpr std::uint32_t kRecordingFormat = 8;
inline constexpr std::uint32_t kRecordingSizeConstant = 193626;
inline constexpr std::size_t kTeamRecordSize = 1704;
inline constexpr std::array<std::size_t, 2> kTeamRecordOffsets = {8, 1712};
inline constexpr std::size_t kHighlightCountOffset = 3616;
inline constexpr std::size_t kPitchTypeOffset = 3622;
inline constexpr std::size_t kPitchIndexOffset = 3623;
inline constexpr std::size_t kHighlightSlotSize = 19000;
inline constexpr std::size_t kHighlightSlotWords = kHighlightSlotSize / 4;
inline constexpr std::uint32_t kEndMarker = 0xFFFFFFFFu;
inline constexpr int kTeamPlayers = 16;
inline constexpr int kMaxRecordedSprite = 2047;

enum class RecordingKind { kReplay, kHighlight };

// The fields of a team record that anything reads; other bytes are zero
// when written.
struct TeamRecord {
  std::uint16_t kit_code = 0;  // low byte picks the team sprite set
  std::uint16_t first_colour = 0;
  std::uint16_t second_colour = 0;
  std::uint8_t third_colour = 0;
  std::uint8_t fourth_colour = 0;
  std::array<std::uint8_t, kTeamPlayers> roles{};  // 0 = goalkeeper
  std::array<std::uint8_t, kTeamPlayers> appearances{};
};

struct RecordingHeader {
  std::uint32_t format = kRecordingFormat;
  std::uint32_t size_constant = kRecordingSizeConstant;
  std::array<TeamRecord, 2> teams{};
  std::uint16_t highlight_count = 0;
  std::uint8_t pitch_type = 0;
  std::uint8_t pitch_index = 0;
};

void encode_team_record(const TeamRecord& team, std::span<std::uint8_t, kTeamRecordSize> out);
TeamRecord decode_team_record(std::span<const std::uint8_t, kTeamRecordSize> bytes);

std::vector<std::uint8_t> encode_recording_header(const RecordingHeader& header);
// Nothing when fewer than 3626 bytes are given.
std::optional<RecordingHeader> decode_recording_header(std::span<const std::uint8_t> bytes);

// A whole match's replay is a few MB; a body beyond this is no recording and
// is refused before any memory is taken for it.
inline constexpr std::uint64_t kMaxRecordingBody = 64u << 20;

enum class RecordingCheck {
  kOk,
  kTooShort,
  kBadFormat,
  kBadSizeConstant,
  kPartialWord,        // body length not a multiple of 4
  kBadHighlightCount,  // highlight body not whole slots, or count differs
  kBodyTooLarge,
  kBadPitch,  // pitch type above 6 or pitch index above 5
};

// The checks a file must pass before it is played, from its first bytes (the
// header, when there are that many) and its size.
RecordingCheck check_recording_header(std::span<const std::uint8_t> header, std::uint64_t file_size,
                                      RecordingKind kind);
RecordingCheck check_recording(std::span<const std::uint8_t> file, RecordingKind kind);

// One sprite of a frame: top-left corner on the 320x200 view.
struct SpritePlacement {
  int x = 0;       // -512..511
  int y = 0;       // -512..511
  int sprite = 0;  // 0..2047
  bool operator==(const SpritePlacement&) const = default;
};

struct RecordingFrame {
  int camera_x = 0;  // 0..65535
  int camera_y = 0;  // -16..32751
  int goals_first = 0;
  int goals_second = 0;
  std::uint32_t third = 0;
  std::vector<SpritePlacement> sprites;
  bool operator==(const RecordingFrame&) const = default;
};

// Frame words. The encoders mask out-of-range values; use the fit checks
// first when the values are not known to be in range.
std::uint32_t encode_camera_word(int x, int y);
std::uint32_t encode_score_word(int goals_first, int goals_second);
std::uint32_t encode_sprite_word(const SpritePlacement& sprite);
bool camera_fits(int x, int y);
bool sprite_placement_fits(const SpritePlacement& sprite);
bool frame_fits(const RecordingFrame& frame);

void decode_camera_word(std::uint32_t word, int* x, int* y);
void decode_score_word(std::uint32_t word, int* goals_first, int* goals_second);
SpritePlacement decode_sprite_word(std::uint32_t word);

// Frame words of one recording, end marker included.
std::vector<std::uint32_t> encode_frames(std::span<const RecordingFrame> frames);

// Whole files. Empty when a frame does not fit its word fields or, for a
// highlight file, when a highlight does not fit its slot or there are more
// than 65535 highlights. The header's highlight count is set here.
std::vector<std::uint8_t> build_replay_file(const RecordingHeader& header,
                                            std::span<const RecordingFrame> frames);
std::vector<std::uint8_t> build_highlight_file(
    const RecordingHeader& header, std::span<const std::vector<RecordingFrame>> highlights);

// The body's frame words, read in place from its little-endian bytes; a
// partial last word is not a word.
class FrameWords {
 public:
  FrameWords() = default;
  explicit FrameWords(std::span<const std::uint8_t> body) : bytes_(body) {}
  std::size_t size() const { return bytes_.size() / 4; }
  std::uint32_t operator[](std::size_t i) const;

 private:
  std::span<const std::uint8_t> bytes_;
};

inline bool is_negative_word(std::uint32_t word) {
  return (word & 0x80000000u) != 0;
}

// Where playback stands in a recording's words.
struct RecordingPosition {
  std::size_t read_position = 0;  // word where the next frame starts (or words before it)
  std::size_t end = 0;            // one past the last word played
  // Slot being played. Wider than the game's byte: a file may hold up to
  // 65535 highlights, and a wrapped index would play the first ones again.
  std::size_t highlight_index = 0;
  bool is_replay = false;
  bool over = false;  // no frame left to play
};

// The start of a fresh walk over `words`.
RecordingPosition start_position(const FrameWords& words, RecordingKind kind);

// A frame as read from the words; its sprite words are
// words[first_sprite .. first_sprite + sprite_count).
struct FrameInWords {
  int camera_x = 0;  // 0..65535
  int camera_y = 0;  // -16..32751
  int goals_first = 0;
  int goals_second = 0;
  std::uint32_t third = 0;
  std::size_t first_sprite = 0;
  std::size_t sprite_count = 0;
};

// Reads the next frame: skips non-negative words to the camera word, takes
// the score word, skips the third word and counts the sprite words up to the
// next negative word, where it leaves the read position. An end marker where
// a frame should start ends that highlight (an empty one) and the walk goes
// on in the next slot. Nothing, and `over` set, when no whole frame starts
// before the end. Every scan stops at the end.
std::optional<FrameInWords> read_frame(const FrameWords& words, RecordingPosition& position);

// After a frame: at an end marker a replay is over and a highlight file moves
// on to the first negative word at or after the start of the next slot (over
// when there is none before the end). Reaching the end is over as well.
void finish_frame(const FrameWords& words, RecordingPosition& position);

SpritePlacement sprite_of(const FrameWords& words, const FrameInWords& frame, std::size_t i);
RecordingFrame to_recording_frame(const FrameWords& words, const FrameInWords& frame);

// Plays a whole file image as playback walks it and hands every frame with
// its highlight index to `visit` until the recording is over or `visit`
// returns false. Nothing is played from a file shorter than the header.
// Returns the number of frames visited.
std::size_t walk_recording(std::span<const std::uint8_t> file, RecordingKind kind,
                           const std::function<bool(std::size_t highlight, const FrameWords&,
                                                    const FrameInWords&)>& visit);

}  // namespace tavu
