#include "export.h"

#include <filesystem>
#include <map>
#include <system_error>

#include "cli.h"
#include "display/display.h"
#include "game.h"
#include "imaging/image.h"
#include "pictures/pictures.h"
#include "pitch/pitch_bitmaps.h"
#include "pitch/pitch_files.h"
#include "sheets.h"
#include "shell/files.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_files.h"

namespace fs = std::filesystem;

namespace tavu::cli {
namespace {

std::string sprite_problem(int number, const SpriteRecord& s) {
  return "sprite " + std::to_string(number) + ": " + std::to_string(s.width) + "x" +
         std::to_string(s.height) + ", not a size a picture can have";
}

void plan_sheets(PlannedExport& out) {
  const Palette& palette = default_palette();
  std::array<std::uint8_t, 3 * 17> rgb{};
  std::copy_n(palette.begin(), 48, rgb.begin());
  std::copy_n(palette.begin() + 3 * default_sprite_background(), 3, rgb.begin() + 48);
  const SpriteFilesState& st = sprite_files();
  for (int entry = 0; entry < kSpriteFileCount; ++entry) {
    if (entry == 5) continue;  // GOAL1.DAT's second copy: the file is entry 4's sheet
    const SpriteFileEntry& e = st.entries[static_cast<std::size_t>(entry)];
    const auto sprites =
        std::span<const SpriteRecord>(st.sprites)
            .subspan(static_cast<std::size_t>(e.first), static_cast<std::size_t>(e.count));
    bool sound = true;
    for (std::size_t k = 0; k < sprites.size(); ++k)
      if (sprites[k].width < 0 || sprites[k].height < 0 ||
          sprites[k].width > kMaxSpriteBitmapWidth || sprites[k].height > kMaxSpriteBitmapHeight) {
        out.problems.push_back(sprite_problem(e.first + static_cast<int>(k), sprites[k]));
        sound = false;
      }
    if (!sound) continue;
    const std::string stem = sheet_stem(e.name);
    const Sheet sheet = lay_out_sheet(e.name, sprites, e.first);
    const std::vector<std::uint8_t> pixels = sheet_pixels(sheet, sprites);
    std::vector<std::uint8_t> png =
        encode_indexed_png(sheet.width, sheet.height, pixels, rgb, 17, kBitmapTransparent);
    if (png.empty()) {
      out.problems.push_back(stem + ".png: cannot be encoded");
      continue;
    }
    const std::string json = sheet_json(sheet, stem + ".png");
    out.files.emplace_back(stem + ".png", std::move(png));
    out.files.emplace_back(stem + ".json", std::vector<std::uint8_t>(json.begin(), json.end()));
  }
}

}  // namespace

PlannedExport plan_export(const ExportKinds& kinds, ExportFormat format, bool sheets) {
  PlannedExport out;
  if (kinds.sprites && sheets) {
    plan_sheets(out);
  } else if (kinds.sprites) {
    const std::uint8_t background = default_sprite_background();
    for (int n = 0; n < kSpriteCount; ++n) {
      const SpriteRecord& s = *sprite_at(n);
      std::vector<std::uint8_t> bytes = encode_sprite_export(s, background, format);
      if (bytes.empty())
        out.problems.push_back(sprite_problem(n, s));
      else
        out.files.emplace_back(sprite_export_name(n, format), std::move(bytes));
    }
  }
  const Palette& palette = normal_pitch_palette();
  if (kinds.patterns)
    for (int p = 0; p < kPitchCount; ++p) {
      const PitchRecord& pitch = *pitch_at(p);
      for (int k = 0; k < pitch.pattern_count; ++k)
        out.files.emplace_back(pattern_export_name(p, k, format),
                               encode_pattern_export(pitch, k, palette, format));
    }
  if (kinds.pitches)
    for (int p = 0; p < kPitchCount; ++p) {
      std::string name = pitch_bitmap_read_name(p);
      name.replace(name.size() - 4, 4, export_extension(format));
      std::vector<std::uint8_t> bytes = encode_pitch_export(*pitch_at(p), palette, format);
      if (bytes.empty())
        out.problems.push_back(name + ": not enough memory");
      else
        out.files.emplace_back(std::move(name), std::move(bytes));
    }
  if (kinds.pictures)
    for (Picture& picture : picture_ring().pictures) {
      load_picture(picture);
      if (picture.error() != kPictureNoError) {
        out.problems.push_back(picture.file_name + ": " + picture_error_text(picture.error()));
        continue;
      }
      out.files.emplace_back(picture_export_name(picture.file_name, format),
                             encode_picture_export(picture, format));
    }
  return out;
}

int run_export(const Options& options, Streams& io) {
  ExportKinds kinds;
  if (!options.only.empty()) {
    kinds = {false, false, false, false};
    for (const std::string& k : options.only) {
      kinds.sprites = kinds.sprites || k == "sprites";
      kinds.patterns = kinds.patterns || k == "patterns";
      kinds.pitches = kinds.pitches || k == "pitches";
      kinds.pictures = kinds.pictures || k == "pictures";
    }
  }
  const ExportFormat format = options.format == "bmp" ? ExportFormat::bmp : ExportFormat::png;
  const std::string& out_given = options.operands[0];

  GameDirectory game(options.dir);
  if (!game.entered()) {
    io.err << "tavu: " << game.error() << "\n";
    return kExitFailed;
  }
  const fs::path out_dir = game.outside(out_given);
  if (!load_game(io.err, options.dir)) return kExitFailed;
  std::error_code ec;
  fs::create_directories(out_dir, ec);
  if (ec || !fs::is_directory(out_dir, ec)) {
    io.err << "tavu: cannot make " << out_given << ": " << (ec ? ec.message() : "not a directory")
           << "\n";
    return kExitFailed;
  }

  PlannedExport plan = plan_export(kinds, format, options.sheets);
  int status = kExitOk;
  for (const std::string& p : plan.problems) {
    io.err << "tavu: " << p << "\n";
    status = kExitFailed;
  }

  // What OUTDIR holds, by name ignoring case, listed once.
  std::map<std::string, std::string> existing;
  auto fold = [](std::string s) {
    for (char& c : s)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
  };
  for (fs::directory_iterator it(out_dir, ec), end; !ec && it != end; it.increment(ec))
    existing.emplace(fold(it->path().filename().string()), it->path().filename().string());

  std::vector<FileReplacement> writes;
  std::vector<std::string> shown;
  std::size_t unchanged = 0, kept = 0;
  {
    Progress progress(io.err, io.err_is_terminal, "comparing", plan.files.size());
    std::size_t done = 0;
    for (const auto& [name, bytes] : plan.files) {
      progress.step(++done);
      const auto found = existing.find(fold(name));
      const std::string target =
          (out_dir / (found == existing.end() ? name : found->second)).string();
      if (found != existing.end()) {
        std::vector<std::uint8_t> old;
        if (read_whole_file(target, old, bytes.size()) == ReadStatus::ok && old == bytes) {
          ++unchanged;
          continue;
        }
        // JSON is the sheet's own description: it follows its picture.
        const bool json = name.ends_with(".json");
        if (!options.force && !json &&
            compare_existing_picture(target, bytes) == ExistingPicture::differs) {
          io.err << "tavu: " << shown_in(out_given, found->second)
                 << " holds another picture; not overwritten (--force overwrites it)\n";
          ++kept;
          status = kExitFailed;
          continue;
        }
      }
      writes.push_back({target, bytes});
      shown.push_back(shown_in(out_given, found == existing.end() ? name : found->second));
    }
  }
  std::size_t written = 0;
  {
    Progress progress(io.err, io.err_is_terminal, "writing", writes.size());
    // In batches, so the bar moves; each file is replaced on its own, the
    // files of a batch made to last together.
    constexpr std::size_t kBatch = 512;
    for (std::size_t at = 0; at < writes.size(); at += kBatch) {
      const std::size_t n = std::min(kBatch, writes.size() - at);
      const std::size_t done = replace_each_synced_together(std::span(writes).subspan(at, n));
      written += done;
      progress.step(at + n);
      if (done < n) {
        io.err << "tavu: failed to write " << shown[at + done] << "\n";
        status = kExitFailed;
        break;
      }
    }
  }
  io.out << written << (written == 1 ? " file" : " files") << " written to " << out_given;
  if (unchanged > 0) io.out << ", " << unchanged << " unchanged";
  if (kept > 0) io.out << ", " << kept << " kept";
  io.out << "\n";
  return status;
}

}  // namespace tavu::cli
