#include "replays/recordings.h"

#include "replays/menus.h"
#include "shell/files.h"

namespace tavu {

const char* recording_extension(RecordingKind kind) {
  return kind == RecordingKind::kReplay ? ".RPL" : ".HIL";
}

const char* recording_kind_word(RecordingKind kind) {
  return kind == RecordingKind::kReplay ? "replay" : "highlight";
}

std::optional<OpenedRecording> open_recording_file(const std::string& name, RecordingKind kind) {
  FileHandle file = open_for_read(name, kAccessRead | kAccessSequential | kShareRead);
  if (!file.valid()) {
    queue_warning("Can't open " + name);
    return std::nullopt;
  }
  const std::int64_t size = file.size();
  std::vector<std::uint8_t> header(kRecordingHeaderSize);
  header.resize(file.read(header));
  if (size < 0 || check_recording_header(header, static_cast<std::uint64_t>(size), kind) !=
                      RecordingCheck::kOk) {
    queue_warning(name + " is not a " + recording_kind_word(kind) + " file");
    return std::nullopt;
  }
  const auto decoded = decode_recording_header(header);
  OpenedRecording out;
  Recording& r = out.recording;
  const std::size_t body = static_cast<std::size_t>(size) - kRecordingHeaderSize;
  if (!try_allocate(r.buffer, body)) {
    queue_warning("Not enough memory to load file");
    return std::nullopt;
  }
  if (file.read(r.buffer) != body) {
    queue_warning("Error reading file");
    return std::nullopt;
  }
  r.position = start_position(r.words(), kind);
  r.pitch_index = decoded->pitch_index;
  r.file_name = name;
  out.teams = decoded->teams;
  out.pitch_type = decoded->pitch_type;
  return out;
}

std::optional<OpenedRecording> open_recording(const std::string& base_name, RecordingKind kind) {
  return open_recording_file(base_name + recording_extension(kind), kind);
}

}  // namespace tavu
