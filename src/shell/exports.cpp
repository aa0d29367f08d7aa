#include "shell/exports.h"

#include <algorithm>
#include <utility>

#include "display/display.h"
#include "imaging/colour_match.h"
#include "platform/file_ops.h"
#include "shell/files.h"
#include "shell/status.h"

namespace tavu {
namespace {

constexpr std::uint32_t kStatusMs = 1000;
constexpr std::uint32_t kFailureMs = 1200;
// Far above any picture the editor writes (a pitch is 570934 bytes).
constexpr std::size_t kMaxCompared = 64u << 20;

// A pixel's colour at the game's precision; transparent and colourless
// pixels get values no colour has.
std::uint32_t pixel_value(const Image& im, std::size_t i) {
  constexpr std::uint32_t kTransparent = 1u << 24, kNoColour = 1u << 25;
  if (im.indexed) {
    const std::uint8_t v = im.indices[i];
    if (v >= im.palette.size()) return kNoColour | v;
    const auto& c = im.palette[v];
    return c[3] < 128 ? kTransparent : colour_key(c[0], c[1], c[2]);
  }
  const std::uint8_t* c = im.rgba.data() + 4 * i;
  return c[3] < 128 ? kTransparent : colour_key(c[0], c[1], c[2]);
}

bool complete(const Image& im) {
  const std::size_t n = static_cast<std::size_t>(im.width) * static_cast<std::size_t>(im.height);
  return im.indexed ? im.indices.size() >= n : im.rgba.size() >= 4 * n;
}

std::string saved_message(const std::string& name) {
  return "Saved " + name + " OK";
}

void write_pending_one() {
  PendingExport& p = pending_export();
  const std::vector<ExportFile> files = std::move(p.files);
  p = PendingExport{};
  if (files.empty()) return;
  const ExportFile& f = files.front();
  if (replace_file(f.name, f.bytes))
    show_status(saved_message(f.name), kStatusMs, kTextCentred);
  else
    show_status("Save failed", kStatusMs, kTextCentred);
}

std::size_t write_all(const std::vector<ExportFile>& files) {
  std::vector<FileReplacement> r;
  r.reserve(files.size());
  for (const ExportFile& f : files) r.push_back({f.name, f.bytes});
  // Thousands of sprites: one sync for the lot, not an fsync each.
  return r.empty() ? 0 : replace_each_synced_together(r);
}

void report_bulk(std::size_t written, std::size_t expected, const std::string& failure) {
  if (written < expected) {
    show_status(failure, kFailureMs, kTextCentred);
    request_redraw();
  } else {
    show_status("", 10, 0);
  }
}

void write_pending_bulk() {
  PendingExport p = std::move(pending_export());
  pending_export() = PendingExport{};
  const std::size_t written = write_all(p.files);
  report_bulk(p.written + written, p.expected, p.failure);
}

}  // namespace

const char* export_extension(ExportFormat format) {
  return format == ExportFormat::png ? ".png" : ".bmp";
}

std::string import_file_name(const std::string& stem) {
  const std::string found = newer_image_file(stem);
  if (found.size() < 4) return {};
  std::string extension = found.substr(found.size() - 4);
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return stem + extension;
}

PendingExport& pending_export() {
  static PendingExport p;
  return p;
}

bool same_picture(const Image& a, const Image& b) {
  if (a.width != b.width || a.height != b.height || !complete(a) || !complete(b)) return false;
  const std::size_t n = static_cast<std::size_t>(a.width) * static_cast<std::size_t>(a.height);
  for (std::size_t i = 0; i < n; ++i)
    if (pixel_value(a, i) != pixel_value(b, i)) return false;
  return true;
}

ExistingPicture compare_existing_picture(std::string_view name, std::span<const std::uint8_t> fresh,
                                         const SameContent& same_content) {
  std::vector<std::uint8_t> old;
  switch (read_whole_file(name, old, kMaxCompared)) {
    case ReadStatus::cannot_open: {
      // A file that exists but cannot be read is not known to be ours; a
      // directory or device of that name no write replaces, and the write
      // reports it.
      const platform::FileStatus st = platform::file_status(find_file(name));
      return st.exists && st.regular ? ExistingPicture::differs : ExistingPicture::missing;
    }
    case ReadStatus::ok:
      break;
    default:
      return ExistingPicture::differs;
  }
  if (std::equal(old.begin(), old.end(), fresh.begin(), fresh.end())) return ExistingPicture::same;
  // The old file is decoded no larger than the new picture: a file that
  // claims more is another picture, whatever its pixels.
  Image before, after;
  if (!decode_image(fresh, after).ok() ||
      !decode_image(old, before, std::max(after.width, 1), std::max(after.height, 1)).ok())
    return ExistingPicture::differs;
  if (same_picture(before, after) || (same_content && same_content(before)))
    return ExistingPicture::same;
  return ExistingPicture::differs;
}

ExportResult export_file(ExportFile file) {
  if (file.bytes.empty()) return ExportResult::failed;
  if (compare_existing_picture(file.name, file.bytes, file.same_content) ==
      ExistingPicture::differs) {
    const std::string question = "Overwrite " + file.name;
    PendingExport& p = pending_export();
    p = PendingExport{};
    p.files.push_back(std::move(file));
    ask_yes_no(question.c_str(), write_pending_one);
    return ExportResult::asking;
  }
  if (!replace_file(file.name, file.bytes)) return ExportResult::failed;
  show_status(saved_message(file.name), kStatusMs, kTextCentred);
  return ExportResult::written;
}

void export_files(std::vector<ExportFile> files, std::size_t expected, std::string failure) {
  std::vector<ExportFile> now, changed;
  for (ExportFile& f : files) {
    if (compare_existing_picture(f.name, f.bytes, f.same_content) == ExistingPicture::differs)
      changed.push_back(std::move(f));
    else
      now.push_back(std::move(f));
  }
  const std::size_t written = write_all(now);
  if (written < now.size()) {
    // A failed write is reported before anything else is asked.
    report_bulk(0, 1, failure);
    return;
  }
  if (changed.empty()) {
    report_bulk(written, expected, failure);
    return;
  }
  PendingExport& p = pending_export();
  p = PendingExport{};
  p.bulk = true;
  p.written = written;
  p.expected = expected;
  p.failure = std::move(failure);
  const std::size_t n = changed.size();
  p.files = std::move(changed);
  const std::string question =
      "Overwrite " + std::to_string(n) + " changed bitmap" + (n == 1 ? "" : "s");
  ask_yes_no(question.c_str(), write_pending_bulk);
}

}  // namespace tavu
