// Replay (.rpl) and highlight (.hil) files: a 3626-byte header with the two
// team records, then 32-bit little-endian frame words. A highlight file's
// body is a row of 19000-byte slots, one highlight each.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
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

enum class RecordingCheck {
  kOk,
  kTooShort,
  kBadFormat,
  kBadSizeConstant,
  kPartialWord,        // body length not a multiple of 4
  kBadHighlightCount,  // highlight body not whole slots, or count differs
};

// The checks a file must pass before it is played.
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

// The body's whole words (nothing when the file is shorter than the header).
std::vector<std::uint32_t> body_words(std::span<const std::uint8_t> file);

// Frames from `start` up to the end marker or the end of `words`;
// non-negative words before a camera word are skipped and a frame cut off
// by the end of the data is dropped.
std::vector<RecordingFrame> decode_frames(std::span<const std::uint32_t> words, std::size_t start);

// Every recording of a file as playback walks it: one for a replay file,
// one per slot for a highlight file (a slot without a camera word before the
// end of the data ends the walk). Safe on any bytes.
std::vector<std::vector<RecordingFrame>> decode_recording(std::span<const std::uint8_t> file,
                                                          RecordingKind kind);

}  // namespace tavu
