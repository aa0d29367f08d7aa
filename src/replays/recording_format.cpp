#include "replays/recording_format.h"

#include <algorithm>

#include "shell/bytes.h"

namespace tavu {

namespace {

constexpr std::size_t kKitCodeAt = 0;
constexpr std::size_t kFirstColourAt = 2;
constexpr std::size_t kSecondColourAt = 4;
constexpr std::size_t kThirdColourAt = 6;
constexpr std::size_t kFourthColourAt = 8;
constexpr std::size_t kRoleAt = 46;
constexpr std::size_t kAppearanceAt = 47;
constexpr std::size_t kPlayerStride = 61;
constexpr int kRecordingPitchTypes = 7;
constexpr int kRecordingPitches = 6;

int sign_extend_10(std::uint32_t bits) {
  bits &= 0x3FFu;
  return (bits & 0x200u) ? static_cast<int>(bits) - 0x400 : static_cast<int>(bits);
}

}  // namespace

void encode_team_record(const TeamRecord& team, std::span<std::uint8_t, kTeamRecordSize> out) {
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  put_u16(out, kKitCodeAt, team.kit_code);
  put_u16(out, kFirstColourAt, team.first_colour);
  put_u16(out, kSecondColourAt, team.second_colour);
  out[kThirdColourAt] = team.third_colour;
  out[kFourthColourAt] = team.fourth_colour;
  for (std::size_t i = 0; i < kTeamPlayers; ++i) {
    out[kRoleAt + kPlayerStride * i] = team.roles[i];
    out[kAppearanceAt + kPlayerStride * i] = team.appearances[i];
  }
}

TeamRecord decode_team_record(std::span<const std::uint8_t, kTeamRecordSize> bytes) {
  TeamRecord team;
  team.kit_code = get_u16(bytes, kKitCodeAt);
  team.first_colour = get_u16(bytes, kFirstColourAt);
  team.second_colour = get_u16(bytes, kSecondColourAt);
  team.third_colour = bytes[kThirdColourAt];
  team.fourth_colour = bytes[kFourthColourAt];
  for (std::size_t i = 0; i < kTeamPlayers; ++i) {
    team.roles[i] = bytes[kRoleAt + kPlayerStride * i];
    team.appearances[i] = bytes[kAppearanceAt + kPlayerStride * i];
  }
  return team;
}

std::vector<std::uint8_t> encode_recording_header(const RecordingHeader& header) {
  std::vector<std::uint8_t> out(kRecordingHeaderSize);
  put_u32(out, 0, header.format);
  put_u32(out, 4, header.size_constant);
  for (std::size_t t = 0; t < 2; ++t)
    encode_team_record(header.teams[t], std::span<std::uint8_t, kTeamRecordSize>(
                                            out.data() + kTeamRecordOffsets[t], kTeamRecordSize));
  put_u16(out, kHighlightCountOffset, header.highlight_count);
  out[kPitchTypeOffset] = header.pitch_type;
  out[kPitchIndexOffset] = header.pitch_index;
  return out;
}

std::optional<RecordingHeader> decode_recording_header(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kRecordingHeaderSize) return std::nullopt;
  RecordingHeader header;
  header.format = get_u32(bytes, 0);
  header.size_constant = get_u32(bytes, 4);
  for (std::size_t t = 0; t < 2; ++t)
    header.teams[t] = decode_team_record(std::span<const std::uint8_t, kTeamRecordSize>(
        bytes.data() + kTeamRecordOffsets[t], kTeamRecordSize));
  header.highlight_count = get_u16(bytes, kHighlightCountOffset);
  header.pitch_type = bytes[kPitchTypeOffset];
  header.pitch_index = bytes[kPitchIndexOffset];
  return header;
}

RecordingCheck check_recording_header(std::span<const std::uint8_t> bytes, std::uint64_t file_size,
                                      RecordingKind kind) {
  const auto header = decode_recording_header(bytes);
  if (!header || file_size < kRecordingHeaderSize) return RecordingCheck::kTooShort;
  if (header->format != kRecordingFormat) return RecordingCheck::kBadFormat;
  if (header->size_constant != kRecordingSizeConstant) return RecordingCheck::kBadSizeConstant;
  const std::uint64_t body = file_size - kRecordingHeaderSize;
  if (body % 4 != 0) return RecordingCheck::kPartialWord;
  if (kind == RecordingKind::kHighlight &&
      (body % kHighlightSlotSize != 0 || header->highlight_count != body / kHighlightSlotSize))
    return RecordingCheck::kBadHighlightCount;
  if (body > kMaxRecordingBody) return RecordingCheck::kBodyTooLarge;
  if (header->pitch_type >= kRecordingPitchTypes || header->pitch_index >= kRecordingPitches)
    return RecordingCheck::kBadPitch;
  return RecordingCheck::kOk;
}

RecordingCheck check_recording(std::span<const std::uint8_t> file, RecordingKind kind) {
  return check_recording_header(file, file.size(), kind);
}

std::uint32_t encode_camera_word(int x, int y) {
  return 0x80000000u | (static_cast<std::uint32_t>(y + 16) & 0x7FFFu) << 16 |
         (static_cast<std::uint32_t>(x) & 0xFFFFu);
}

std::uint32_t encode_score_word(int goals_first, int goals_second) {
  return (static_cast<std::uint32_t>(goals_second) & 0xFFFFu) << 16 |
         (static_cast<std::uint32_t>(goals_first) & 0xFFFFu);
}

std::uint32_t encode_sprite_word(const SpritePlacement& s) {
  return (static_cast<std::uint32_t>(s.sprite) & 0x7FFu) << 20 |
         (static_cast<std::uint32_t>(s.x) & 0x3FFu) << 10 |
         (static_cast<std::uint32_t>(s.y) & 0x3FFu);
}

bool camera_fits(int x, int y) {
  return x >= 0 && x <= 0xFFFF && y >= -16 && y + 16 <= 0x7FFF;
}

bool sprite_placement_fits(const SpritePlacement& s) {
  return s.x >= -512 && s.x <= 511 && s.y >= -512 && s.y <= 511 && s.sprite >= 0 &&
         s.sprite <= kMaxRecordedSprite;
}

bool frame_fits(const RecordingFrame& frame) {
  if (!camera_fits(frame.camera_x, frame.camera_y)) return false;
  if (frame.goals_first < 0 || frame.goals_first > 0xFFFF) return false;
  if (frame.goals_second < -32768 || frame.goals_second > 32767) return false;
  // The third word follows the score word; it must not look like a frame start.
  if (is_negative_word(frame.third)) return false;
  return std::all_of(frame.sprites.begin(), frame.sprites.end(), sprite_placement_fits);
}

void decode_camera_word(std::uint32_t word, int* x, int* y) {
  *x = static_cast<int>(word & 0xFFFFu);
  *y = static_cast<int>((word >> 16) & 0x7FFFu) - 16;
}

void decode_score_word(std::uint32_t word, int* goals_first, int* goals_second) {
  *goals_first = static_cast<int>(word & 0xFFFFu);
  *goals_second = static_cast<std::int16_t>(static_cast<std::uint16_t>(word >> 16));
}

SpritePlacement decode_sprite_word(std::uint32_t word) {
  SpritePlacement s;
  s.y = sign_extend_10(word);
  s.x = sign_extend_10(word >> 10);
  s.sprite = static_cast<int>((word >> 20) & 0x7FFu);
  return s;
}

std::vector<std::uint32_t> encode_frames(std::span<const RecordingFrame> frames) {
  std::vector<std::uint32_t> words;
  for (const auto& f : frames) {
    words.push_back(encode_camera_word(f.camera_x, f.camera_y));
    words.push_back(encode_score_word(f.goals_first, f.goals_second));
    words.push_back(f.third);
    for (const auto& s : f.sprites) words.push_back(encode_sprite_word(s));
  }
  words.push_back(kEndMarker);
  return words;
}

namespace {

bool all_fit(std::span<const RecordingFrame> frames) {
  return std::all_of(frames.begin(), frames.end(), frame_fits);
}

void append_words(std::vector<std::uint8_t>* out, std::span<const std::uint32_t> words) {
  const std::size_t at = out->size();
  out->resize(at + words.size() * 4);
  for (std::size_t i = 0; i < words.size(); ++i) put_u32(*out, at + i * 4, words[i]);
}

}  // namespace

std::vector<std::uint8_t> build_replay_file(const RecordingHeader& header,
                                            std::span<const RecordingFrame> frames) {
  if (!all_fit(frames)) return {};
  RecordingHeader h = header;
  h.highlight_count = 0;
  std::vector<std::uint8_t> out = encode_recording_header(h);
  append_words(&out, encode_frames(frames));
  return out;
}

std::vector<std::uint8_t> build_highlight_file(
    const RecordingHeader& header, std::span<const std::vector<RecordingFrame>> highlights) {
  if (highlights.size() > 0xFFFF) return {};
  RecordingHeader h = header;
  h.highlight_count = static_cast<std::uint16_t>(highlights.size());
  std::vector<std::uint8_t> out = encode_recording_header(h);
  for (const auto& frames : highlights) {
    if (!all_fit(frames)) return {};
    std::vector<std::uint32_t> words = encode_frames(frames);
    if (words.size() > kHighlightSlotWords) return {};
    words.resize(kHighlightSlotWords, 0);
    append_words(&out, words);
  }
  return out;
}

std::uint32_t FrameWords::operator[](std::size_t i) const {
  return get_u32(bytes_, i * 4);
}

namespace {

// First negative word in [from, end), or end.
std::size_t next_negative(const FrameWords& words, std::size_t from, std::size_t end) {
  while (from < end && !is_negative_word(words[from])) ++from;
  return from;
}

// At an end marker: a replay is over, a highlight file goes on in the next
// slot that holds a negative word before the end.
void past_end_marker(const FrameWords& words, RecordingPosition& p) {
  if (p.is_replay) {
    p.over = true;
    return;
  }
  ++p.highlight_index;
  const std::size_t slot = p.highlight_index * kHighlightSlotWords;
  if (slot >= p.end) {
    p.over = true;
    return;
  }
  p.read_position = next_negative(words, slot, p.end);
  if (p.read_position >= p.end) p.over = true;
}

}  // namespace

RecordingPosition start_position(const FrameWords& words, RecordingKind kind) {
  RecordingPosition p;
  p.end = words.size();
  p.is_replay = kind == RecordingKind::kReplay;
  p.over = p.end == 0;
  return p;
}

std::optional<FrameInWords> read_frame(const FrameWords& words, RecordingPosition& p) {
  p.end = std::min(p.end, words.size());
  while (!p.over) {
    const std::size_t camera = next_negative(words, p.read_position, p.end);
    if (camera >= p.end) break;
    p.read_position = camera;
    if (words[camera] == kEndMarker) {
      past_end_marker(words, p);
      continue;
    }
    if (p.end - camera < 3) break;  // the frame is cut off by the end
    FrameInWords f;
    decode_camera_word(words[camera], &f.camera_x, &f.camera_y);
    decode_score_word(words[camera + 1], &f.goals_first, &f.goals_second);
    f.third = words[camera + 2];
    f.first_sprite = camera + 3;
    p.read_position = next_negative(words, f.first_sprite, p.end);
    f.sprite_count = p.read_position - f.first_sprite;
    return f;
  }
  p.read_position = p.end;
  p.over = true;
  return std::nullopt;
}

void finish_frame(const FrameWords& words, RecordingPosition& p) {
  p.end = std::min(p.end, words.size());
  if (p.over) return;
  if (p.read_position >= p.end) {
    p.over = true;
    return;
  }
  if (words[p.read_position] == kEndMarker) past_end_marker(words, p);
}

SpritePlacement sprite_of(const FrameWords& words, const FrameInWords& frame, std::size_t i) {
  return decode_sprite_word(words[frame.first_sprite + i]);
}

RecordingFrame to_recording_frame(const FrameWords& words, const FrameInWords& frame) {
  RecordingFrame f{frame.camera_x,     frame.camera_y, frame.goals_first,
                   frame.goals_second, frame.third,    {}};
  for (std::size_t i = 0; i < frame.sprite_count; ++i)
    f.sprites.push_back(sprite_of(words, frame, i));
  return f;
}

std::size_t walk_recording(
    std::span<const std::uint8_t> file, RecordingKind kind,
    const std::function<bool(std::size_t, const FrameWords&, const FrameInWords&)>& visit) {
  if (file.size() < kRecordingHeaderSize) return 0;
  const FrameWords words(file.subspan(kRecordingHeaderSize));
  RecordingPosition p = start_position(words, kind);
  std::size_t frames = 0;
  while (const auto frame = read_frame(words, p)) {
    ++frames;
    if (!visit(p.highlight_index, words, *frame)) break;
    finish_frame(words, p);
  }
  return frames;
}

}  // namespace tavu
