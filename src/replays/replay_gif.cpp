#include "replays/replay_gif.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

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

// Never throws into giflib: out of memory is a short write, which giflib
// reports as a failed write.
int output_to_vector(GifFileType* gif, const GifByteType* bytes, int count) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
  try {
    out->insert(out->end(), bytes, bytes + count);
  } catch (const std::bad_alloc&) {
    return 0;
  }
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

// One picture's image descriptor and compressed pixels, made apart from the
// file: they depend on nothing but the picture, its rectangle and palette.
struct GifAnimation::Block {
  int x = 0, y = 0, w = 0, h = 0;  // unscaled
  bool has_local = false;
  Palette local{};
  int delay = 0;
  int transparent = NO_TRANSPARENT_COLOR;
  std::vector<std::uint8_t> pixels;  // w x h, unchanged ones already transparent
  std::vector<std::uint8_t> bytes;
  int error = 0;  // a giflib error code when the block could not be made
  bool done = false;
};

namespace {

// Compresses `block` with a giflib of its own: a file with `screen` as its
// colour table and only this picture, of which the picture's part is kept.
void encode_block_unguarded(GifAnimation::Block& block, const Palette& screen, int width,
                            int height, int scale) {
  std::vector<std::uint8_t> file;
  // The colour tables and one byte a scaled pixel, which the compressed
  // data rarely passes: the buffer seldom grows.
  file.reserve(2048 + block.pixels.size() * static_cast<std::size_t>(scale * scale));
  std::vector<std::uint8_t> row(static_cast<std::size_t>(block.w) * scale);
  int error = 0;
  GifFileType* gif = EGifOpen(&file, output_to_vector, &error);
  if (!gif) {
    block.error = error ? error : E_GIF_ERR_NOT_ENOUGH_MEM;
    return;
  }
  ColorMapObject* map = make_colour_map(screen);
  const bool screen_ok =
      EGifPutScreenDesc(gif, width * scale, height * scale, 8, 0, map) != GIF_ERROR;
  GifFreeMapObject(map);
  const std::size_t header = file.size();
  bool ok = screen_ok;
  if (ok) {
    ColorMapObject* local = block.has_local ? make_colour_map(block.local) : nullptr;
    ok = EGifPutImageDesc(gif, block.x * scale, block.y * scale, block.w * scale, block.h * scale,
                          false, local) != GIF_ERROR;
    if (local) GifFreeMapObject(local);
  }
  // Each pixel `n` times along the row, the count known to the compiler.
  auto widen = [&]<int n>(const std::uint8_t* from) {
    std::uint8_t* to = row.data();
    for (int x = 0; x < block.w; ++x, to += n)
      for (int k = 0; k < n; ++k) to[k] = from[x];
  };
  for (int y = 0; ok && y < block.h; ++y) {
    const std::uint8_t* from = &block.pixels[static_cast<std::size_t>(y) * block.w];
    switch (scale) {
      case 1:
        widen.operator()<1>(from);
        break;
      case 2:
        widen.operator()<2>(from);
        break;
      case 3:
        widen.operator()<3>(from);
        break;
      default:
        widen.operator()<4>(from);
        break;
    }
    for (int k = 0; ok && k < scale; ++k)
      ok = EGifPutLine(gif, row.data(), block.w * scale) != GIF_ERROR;
  }
  if (!ok) block.error = gif->Error ? gif->Error : E_GIF_ERR_WRITE_FAILED;
  // Closing adds the file's trailer, which is not the block's.
  const std::size_t end = file.size();
  EGifCloseFile(gif, &error);
  if (ok)
    block.bytes.assign(file.begin() + static_cast<std::ptrdiff_t>(header),
                       file.begin() + static_cast<std::ptrdiff_t>(end));
}

// On a worker thread an escaping exception would end the program.
void encode_block(GifAnimation::Block& block, const Palette& screen, int width, int height,
                  int scale) {
  try {
    encode_block_unguarded(block, screen, width, height, scale);
  } catch (const std::bad_alloc&) {
    block.bytes.clear();
    block.error = E_GIF_ERR_NOT_ENOUGH_MEM;
  }
  block.pixels.clear();
  block.pixels.shrink_to_fit();
}

}  // namespace

struct GifAnimation::Encoder {
  GifFileType* gif = nullptr;
  Palette screen{};
  int width = 0, height = 0, scale = 1;

  // Blocks not yet in the file, oldest first; the queue holds those no
  // worker has taken.
  std::deque<std::unique_ptr<Block>> order;
  std::deque<Block*> queue;
  std::vector<std::thread> workers;
  std::mutex mutex;
  std::condition_variable work;
  std::condition_variable finished;
  bool stopping = false;
  bool started = false;

  ~Encoder() {
    {
      std::lock_guard lock(mutex);
      stopping = true;
    }
    work.notify_all();
    for (auto& t : workers) t.join();
    int error = 0;
    if (gif) EGifCloseFile(gif, &error);
  }

  void start_workers(unsigned wanted) {
    started = true;
    const unsigned n = std::min(wanted ? wanted : std::thread::hardware_concurrency(), 8u);
    if (n < 2) return;
    try {
      for (unsigned i = 0; i < n; ++i) workers.emplace_back([this] { run(); });
    } catch (const std::system_error&) {
      // Fewer workers (or none: then the caller's thread does the work).
    }
  }

  void run() {
    for (;;) {
      Block* block;
      {
        std::unique_lock lock(mutex);
        work.wait(lock, [&] { return stopping || !queue.empty(); });
        if (stopping) return;
        block = queue.front();
        queue.pop_front();
      }
      encode_block(*block, screen, width, height, scale);
      {
        std::lock_guard lock(mutex);
        block->done = true;
      }
      finished.notify_all();
    }
  }

  // The oldest block once it is made, or null when there is none or
  // `wait` is false and it is not ready yet.
  std::unique_ptr<Block> take(bool wait) {
    std::unique_lock lock(mutex);
    if (order.empty()) return nullptr;
    if (!order.front()->done) {
      if (!wait) return nullptr;
      finished.wait(lock, [&] { return order.front()->done; });
    }
    auto block = std::move(order.front());
    order.pop_front();
    return block;
  }
};

GifAnimation::GifAnimation(int width, int height, int scale, unsigned workers)
    : width_(width),
      height_(height),
      scale_(std::clamp(scale, kMinGifScale, kMaxGifScale)),
      workers_(workers) {}

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
  try {
    if (have_pending_) write_pending();
    pending_.assign(pixels.begin(), pixels.end());
  } catch (const std::bad_alloc&) {
    error_ = "out of memory";
    return;
  }
  pending_palette_ = palette;
  pending_delay_ = delay;
  have_pending_ = true;
}

// The block's control extension, then the block itself.
void GifAnimation::put_block(Block& block) {
  if (!error_.empty()) return;
  if (block.error) return fail(block.error);
  GraphicsControlBlock gcb{};
  gcb.DisposalMode = DISPOSE_DO_NOT;
  gcb.UserInputFlag = false;
  gcb.DelayTime = block.delay;
  gcb.TransparentColor = block.transparent;
  GifByteType extension[4];
  const std::size_t length = EGifGCBToExtension(&gcb, extension);
  if (EGifPutExtension(encoder_->gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length),
                       extension) == GIF_ERROR)
    return fail(encoder_->gif->Error);
  out_.insert(out_.end(), block.bytes.begin(), block.bytes.end());
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
    encoder_->screen = global_palette_;
    encoder_->width = width_;
    encoder_->height = height_;
    encoder_->scale = scale_;
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

  auto block = std::make_unique<Block>();
  block->x = x0;
  block->y = y0;
  block->w = x1 - x0 + 1;
  block->h = y1 - y0 + 1;
  block->has_local = pending_palette_ != global_palette_;
  block->local = pending_palette_;
  block->delay = pending_delay_;
  block->transparent = transparent;
  block->pixels.resize(static_cast<std::size_t>(block->w) * block->h);
  std::uint8_t* to = block->pixels.data();
  for (int y = y0; y <= y1; ++y) {
    const std::size_t at = static_cast<std::size_t>(y) * width_ + x0;
    for (int x = 0; x < block->w; ++x) {
      std::uint8_t v = pending_[at + x];
      if (transparent != NO_TRANSPARENT_COLOR && v == shown_[at + x])
        v = static_cast<std::uint8_t>(transparent);
      *to++ = v;
    }
  }
  shown_.swap(pending_);
  shown_palette_ = pending_palette_;
  ++written_;

  Encoder& e = *encoder_;
  if (!e.started) e.start_workers(workers_);
  if (e.workers.empty()) {
    encode_block(*block, e.screen, width_, height_, scale_);
    return put_block(*block);
  }
  // A few blocks ahead of the file at most, so memory stays small.
  const std::size_t ahead = 2 * e.workers.size() + 2;
  {
    std::lock_guard lock(e.mutex);
    e.queue.push_back(block.get());
    e.order.push_back(std::move(block));
  }
  e.work.notify_one();
  while (auto made = e.take(e.order.size() > ahead)) put_block(*made);
}

std::vector<std::uint8_t> GifAnimation::finish(std::string* reason) {
  try {
    if (have_pending_) write_pending();
    have_pending_ = false;
    if (encoder_)
      while (auto made = encoder_->take(true)) put_block(*made);
  } catch (const std::bad_alloc&) {
    error_ = "out of memory";
  }
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
