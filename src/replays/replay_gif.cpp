#include "replays/replay_gif.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "pitch/pitch_draw.h"
#include "replays/menus.h"
#include "replays/playback.h"
#include "replays/team_sprites.h"
#include "shell/files.h"
#include "shell/saving.h"

namespace tavu {

namespace {

// Start of recorded frame i in 1/100 s, rounded to the nearest.
std::int64_t frame_start(std::size_t i, int fps) {
  return (static_cast<std::int64_t>(i) * 200 + fps) / (2 * fps);
}

int output_to_vector(GifFileType* gif, const GifByteType* bytes, int count) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
  out->insert(out->end(), bytes, bytes + count);
  return count;
}

ColorMapObject* make_colour_map(const Palette& palette) {
  std::array<GifColorType, 256> colours;
  for (int i = 0; i < 256; ++i)
    colours[i] = {palette[i * 3], palette[i * 3 + 1], palette[i * 3 + 2]};
  return GifMakeMapObject(256, colours.data());
}

}  // namespace

std::vector<GifTimedFrame> plan_gif_frames(std::size_t frames, int fps) {
  std::vector<GifTimedFrame> out;
  if (frames == 0 || fps <= 0) return out;
  const std::int64_t total = frame_start(frames, fps);
  std::int64_t last = 0;
  out.push_back({0, 0});
  for (std::size_t i = 1; i < frames; ++i) {
    const std::int64_t start = frame_start(i, fps);
    if (start - last < kMinGifDelay || total - start < kMinGifDelay) continue;
    out.back().delay = static_cast<int>(start - last);
    out.push_back({i, 0});
    last = start;
  }
  out.back().delay = static_cast<int>(std::max<std::int64_t>(kMinGifDelay, total - last));
  return out;
}

struct GifAnimation::Encoder {
  GifFileType* gif = nullptr;
  ~Encoder() {
    int error = 0;
    if (gif) EGifCloseFile(gif, &error);
  }
};

GifAnimation::GifAnimation(int width, int height, int scale)
    : width_(width), height_(height), scale_(std::clamp(scale, kMinGifScale, kMaxGifScale)) {}

GifAnimation::~GifAnimation() = default;

void GifAnimation::fail(int error) {
  if (error_.empty())
    error_ = std::string("GIF: ") + (GifErrorString(error) ? GifErrorString(error) : "error");
}

void GifAnimation::add(std::span<const std::uint8_t> pixels, const Palette& palette, int delay) {
  if (!error_.empty()) return;
  if (pixels.size() != static_cast<std::size_t>(width_) * height_) {
    error_ = "wrong picture size";
    return;
  }
  // A GIF delay holds at most 65535/100 s; a longer still picture is
  // written again.
  if (have_pending_ && pending_palette_ == palette && pending_delay_ + delay <= 65535 &&
      std::equal(pixels.begin(), pixels.end(), pending_.begin())) {
    pending_delay_ += delay;
    return;
  }
  if (have_pending_) write_pending();
  pending_.assign(pixels.begin(), pixels.end());
  pending_palette_ = palette;
  pending_delay_ = delay;
  have_pending_ = true;
}

void GifAnimation::write_pending() {
  if (!error_.empty()) return;
  int error = 0;
  if (!encoder_) {
    encoder_ = std::make_unique<Encoder>();
    encoder_->gif = EGifOpen(&out_, output_to_vector, &error);
    if (!encoder_->gif) return fail(error);
    EGifSetGifVersion(encoder_->gif, true);
    global_palette_ = pending_palette_;
    ColorMapObject* map = make_colour_map(global_palette_);
    const int put = EGifPutScreenDesc(encoder_->gif, width_ * scale_, height_ * scale_, 8, 0, map);
    GifFreeMapObject(map);
    if (put == GIF_ERROR) return fail(encoder_->gif->Error);
    // Loop forever.
    static const GifByteType kNetscape[] = "NETSCAPE2.0";
    static const GifByteType kLoop[] = {1, 0, 0};
    if (EGifPutExtensionLeader(encoder_->gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(encoder_->gif, 11, kNetscape) == GIF_ERROR ||
        EGifPutExtensionBlock(encoder_->gif, 3, kLoop) == GIF_ERROR ||
        EGifPutExtensionTrailer(encoder_->gif) == GIF_ERROR)
      return fail(encoder_->gif->Error);
  }
  GifFileType* gif = encoder_->gif;

  // The rectangle to store: everything for the first picture or a new
  // palette, else the bounds of the pixels that changed.
  const bool whole = written_ == 0 || pending_palette_ != shown_palette_;
  int x0 = 0, y0 = 0, x1 = width_ - 1, y1 = height_ - 1;
  if (!whole) {
    x0 = width_;
    y0 = height_;
    x1 = -1;
    y1 = -1;
    for (int y = 0; y < height_; ++y) {
      const std::uint8_t* a = &pending_[static_cast<std::size_t>(y) * width_];
      const std::uint8_t* b = &shown_[static_cast<std::size_t>(y) * width_];
      if (std::memcmp(a, b, static_cast<std::size_t>(width_)) == 0) continue;
      int l = 0;
      while (a[l] == b[l]) ++l;
      int r = width_ - 1;
      while (a[r] == b[r]) --r;
      x0 = std::min(x0, l);
      x1 = std::max(x1, r);
      y0 = std::min(y0, y);
      y1 = y;
    }
  }
  // The same picture again (a still longer than one delay holds): one pixel.
  if (x1 < 0) x0 = y0 = x1 = y1 = 0;
  // Unchanged pixels become a transparent entry that no changed pixel uses.
  int transparent = NO_TRANSPARENT_COLOR;
  if (!whole) {
    std::array<bool, 256> used{};
    for (int y = y0; y <= y1; ++y) {
      const std::size_t row = static_cast<std::size_t>(y) * width_;
      for (int x = x0; x <= x1; ++x)
        if (pending_[row + x] != shown_[row + x]) used[pending_[row + x]] = true;
    }
    if (!used[last_transparent_]) {
      transparent = last_transparent_;
    } else {
      for (int i = 255; i >= 0; --i)
        if (!used[i]) {
          transparent = i;
          break;
        }
    }
    if (transparent != NO_TRANSPARENT_COLOR) last_transparent_ = transparent;
  }

  GraphicsControlBlock gcb{};
  gcb.DisposalMode = DISPOSE_DO_NOT;
  gcb.UserInputFlag = false;
  gcb.DelayTime = pending_delay_;
  gcb.TransparentColor = transparent;
  GifByteType extension[4];
  const std::size_t length = EGifGCBToExtension(&gcb, extension);
  if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) ==
      GIF_ERROR)
    return fail(gif->Error);

  ColorMapObject* local =
      pending_palette_ != global_palette_ ? make_colour_map(pending_palette_) : nullptr;
  const int w = x1 - x0 + 1;
  const int h = y1 - y0 + 1;
  const int put =
      EGifPutImageDesc(gif, x0 * scale_, y0 * scale_, w * scale_, h * scale_, false, local);
  if (local) GifFreeMapObject(local);
  if (put == GIF_ERROR) return fail(gif->Error);
  row_.resize(static_cast<std::size_t>(w) * scale_);
  for (int y = y0; y <= y1; ++y) {
    const std::size_t at = static_cast<std::size_t>(y) * width_;
    for (int x = 0; x < w; ++x) {
      std::uint8_t v = pending_[at + x0 + x];
      if (transparent != NO_TRANSPARENT_COLOR && v == shown_[at + x0 + x])
        v = static_cast<std::uint8_t>(transparent);
      std::fill_n(&row_[static_cast<std::size_t>(x) * scale_], scale_, v);
    }
    for (int k = 0; k < scale_; ++k)
      if (EGifPutLine(gif, row_.data(), w * scale_) == GIF_ERROR) return fail(gif->Error);
  }
  shown_.swap(pending_);
  shown_palette_ = pending_palette_;
  ++written_;
}

std::vector<std::uint8_t> GifAnimation::finish(std::string* reason) {
  if (have_pending_) write_pending();
  have_pending_ = false;
  if (error_.empty() && written_ == 0) error_ = "no frames";
  if (encoder_ && encoder_->gif) {
    int error = 0;
    if (EGifCloseFile(encoder_->gif, &error) == GIF_ERROR) fail(error);
    encoder_->gif = nullptr;
  }
  if (!error_.empty()) {
    if (reason) *reason = error_;
    return {};
  }
  return std::move(out_);
}

GifOutcome encode_recording_gif(const Recording& recording, const Palette& palette,
                                const ReplayGifOptions& options, const GifProgress& progress) {
  GifOutcome out;
  if (options.scale < kMinGifScale || options.scale > kMaxGifScale) {
    out.reason = "scale must be 1 to 4";
    return out;
  }
  if (options.fps < 50 || options.fps > 100) {
    out.reason = "frame rate must be 50 to 100";
    return out;
  }
  if (options.highlight < 0) {
    out.reason = "no highlight " + std::to_string(options.highlight);
    return out;
  }
  const FrameWords words = recording.words();
  const RecordingKind kind =
      recording.is_replay() ? RecordingKind::kReplay : RecordingKind::kHighlight;
  const bool one = options.highlight > 0 && !recording.is_replay();
  const std::size_t wanted = static_cast<std::size_t>(options.highlight - 1);
  // The frames this GIF shows, as playback walks them.
  auto walk = [&](const auto& visit) {
    RecordingPosition p = start_position(words, kind);
    while (const auto frame = read_frame(words, p)) {
      if (one && p.highlight_index > wanted) break;
      if (!one || p.highlight_index == wanted) visit(*frame);
      finish_frame(words, p);
    }
  };
  std::size_t count = 0;
  walk([&](const FrameInWords&) { ++count; });
  if (count == 0) {
    out.reason = one ? "no highlight " + std::to_string(options.highlight) : "nothing to play";
    return out;
  }
  const std::vector<GifTimedFrame> plan = plan_gif_frames(count, options.fps);
  GifAnimation gif(kScreenWidth, kScreenHeight, options.scale);
  std::vector<std::uint8_t> picture(kFramebufferSize);
  std::size_t i = 0;
  std::size_t next = 0;
  walk([&](const FrameInWords& frame) {
    if (next < plan.size() && plan[next].frame == i) {
      draw_playback_picture(picture.data(), kScreenWidth, words, frame, recording.pitch_index,
                            false, 0);
      gif.add(picture, palette, plan[next].delay);
      out.length += plan[next].delay;
      ++next;
    }
    ++i;
    if (progress && (i % 64 == 0 || i == count)) progress(i, count);
  });
  out.recorded_frames = count;
  out.file = gif.finish(&out.reason);
  out.gif_frames = gif.frames_written();
  return out;
}

std::string recording_gif_name(const std::string& recording_file, int highlight) {
  const std::size_t dot = recording_file.rfind('.');
  std::string stem = dot == std::string::npos ? recording_file : recording_file.substr(0, dot);
  // Appended piece by piece: g++ 12's -O3 warns falsely on "-" + to_string().
  if (highlight > 0) {
    stem += '-';
    stem += std::to_string(highlight);
  }
  stem += ".gif";
  return stem;
}

namespace {

// The warnings queued since `before`, taken off the queue, one a line.
std::string take_warnings(std::size_t before) {
  auto& queue = menu_system().warnings;
  std::string text;
  while (queue.size() > before) {
    const std::string& w = queue[before].text;
    text += (text.empty() ? "" : "\n") + w;
    queue.erase(queue.begin() + static_cast<std::ptrdiff_t>(before));
  }
  return text;
}

bool ends_with_ignoring_case(const std::string& s, const char* tail) {
  const std::size_t n = std::strlen(tail);
  if (s.size() < n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    const char a = s[s.size() - n + i];
    const char b = tail[i];
    if ((a >= 'A' && a <= 'Z' ? a + 32 : a) != b) return false;
  }
  return true;
}

}  // namespace

ReplayGifResult make_replay_gif(const std::string& recording_file, const std::string& output,
                                const ReplayGifOptions& options, const GifProgress& progress) {
  ReplayGifResult result;
  RecordingKind kind;
  if (ends_with_ignoring_case(recording_file, ".hil")) {
    kind = RecordingKind::kHighlight;
  } else if (ends_with_ignoring_case(recording_file, ".rpl")) {
    kind = RecordingKind::kReplay;
  } else {
    result.reason = recording_file + " is not a .hil or .rpl file";
    return result;
  }
  const std::size_t before = menu_system().warnings.size();
  auto opened = open_recording_file(recording_file, kind);
  if (!opened) {
    result.reason = take_warnings(before);
    return result;
  }
  if (!prepare_team_sprites(opened->teams[0], opened->teams[1])) {
    result.reason = take_warnings(before);
    return result;
  }
  Palette palette = game_palette();
  apply_pitch_colours(palette, opened->pitch_type);
  GifOutcome gif = encode_recording_gif(opened->recording, palette, options, progress);
  release_team_sprites();
  if (gif.file.empty()) {
    result.reason = gif.reason;
    return result;
  }
  const FileReplacement file{output, gif.file};
  ReplaceFailure failure;
  if (!replace_files(std::span(&file, 1), &failure)) {
    result.reason = save_failure_text(failure);
    return result;
  }
  result.ok = true;
  result.gif_frames = gif.gif_frames;
  result.bytes = gif.file.size();
  return result;
}

}  // namespace tavu
