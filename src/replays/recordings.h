// Opening a replay or highlight file of the game directory for playback:
// every check of the format, the body read into memory, the warnings.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "replays/recording_format.h"

namespace tavu {

// An opened file: the body as read and where playback stands in it.
struct Recording {
  std::vector<std::uint8_t> buffer;
  RecordingPosition position;
  std::uint8_t pitch_index = 0;
  std::string file_name;  // as opened

  FrameWords words() const { return FrameWords(buffer); }
  bool is_replay() const { return position.is_replay; }
};

struct OpenedRecording {
  Recording recording;
  std::array<TeamRecord, 2> teams{};
  std::uint8_t pitch_type = 0;
};

// ".RPL" or ".HIL", and the kind's word in messages.
const char* recording_extension(RecordingKind kind);
const char* recording_kind_word(RecordingKind kind);

// Opens `file_name` (found ignoring case) as a recording of `kind`. On any
// failure queues the warning for replay mode ("Can't open %s", "%s is not a
// %s file", "Error reading file", or "Not enough memory to load file" when
// the body cannot be allocated) and returns nothing; the program goes on.
std::optional<OpenedRecording> open_recording_file(const std::string& file_name,
                                                   RecordingKind kind);
// The same from a base name as the browser lists it, plus the kind's extension.
std::optional<OpenedRecording> open_recording(const std::string& base_name, RecordingKind kind);

}  // namespace tavu
