#include "import.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <system_error>
#include <tuple>

#include "imaging/image.h"
#include "pictures/pictures.h"
#include "pitch/pitch_bitmaps.h"
#include "pitch/pitch_draw.h"
#include "pitch/pitch_files.h"
#include "sheets.h"
#include "shell/exports.h"
#include "shell/files.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_files.h"

namespace fs = std::filesystem;

namespace tavu::cli {
namespace {

std::string folded(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// A whole decimal number without sign or leading zeros, as the editor's
// names write them.
std::optional<int> plain_number(std::string_view text, int below) {
  if (text.empty() || text.size() > 6 || (text.size() > 1 && text[0] == '0')) return std::nullopt;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n < below ? std::optional<int>(n) : std::nullopt;
}

enum class Kind { sprite, pattern, pitch, picture, sheet };

// One file of the input directory that Insert would read.
struct Input {
  Kind kind = Kind::sprite;
  int pitch = 0;       // pattern, pitch: the pitch index
  int number = 0;      // sprite number, pattern number, picture's place in the ring, sheet's entry
  std::string name;    // as the directory spells it
  std::string json;    // sheet: its description
  int made_with = -1;  // pitch: the type an export's "pitchN-TYPE" name gives
};

// The image files of the directory by stem, each stem with the file Insert
// would read of NAME.bmp and NAME.png: the newer, the BMP when equally old.
struct Listing {
  std::map<std::string, std::string> images;        // folded stem -> name
  std::map<std::string, fs::file_time_type> times;  // folded stem -> its file's time
  std::map<std::string, std::string> jsons;         // folded stem -> name
};

Listing list_input(const fs::path& dir, std::error_code& ec) {
  Listing out;
  std::map<std::string, std::pair<std::string, fs::file_time_type>> bmp, png;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code e;
    if (!it->is_regular_file(e)) continue;
    const std::string name = it->path().filename().string();
    if (name.size() < 5) continue;
    const std::string ext = folded(name.substr(name.size() - 4));
    const std::string stem = folded(name.substr(0, name.size() - 4));
    if (ext == ".BMP" || ext == ".PNG") {
      auto& side = ext == ".BMP" ? bmp : png;
      const fs::file_time_type t = it->last_write_time(e);
      // Of two spellings of one name the first in byte order, as find_file.
      auto found = side.find(stem);
      if (found == side.end() || name < found->second.first) side[stem] = {name, t};
    } else if (name.size() > 5 && folded(name.substr(name.size() - 5)) == ".JSON") {
      out.jsons[folded(name.substr(0, name.size() - 5))] = name;
    }
  }
  for (const auto& [stem, b] : bmp) {
    const auto p = png.find(stem);
    const bool newer_png = p != png.end() && p->second.second > b.second;
    out.images[stem] = newer_png ? p->second.first : b.first;
    out.times[stem] = newer_png ? p->second.second : b.second;
  }
  for (const auto& [stem, p] : png)
    if (out.images.emplace(stem, p.first).second) out.times[stem] = p.second;
  return out;
}

std::vector<Input> recognise(const Listing& listing) {
  std::vector<Input> inputs;
  const SpriteFilesState& sprites = sprite_files();
  std::map<std::string, bool> used;  // folded stems already taken
  // Sheets first: their picture is theirs, not a picture's import.
  for (int entry = 0; entry < kSpriteFileCount; ++entry) {
    if (entry == 5) continue;
    const std::string stem =
        folded(sheet_stem(sprites.entries[static_cast<std::size_t>(entry)].name));
    const auto json = listing.jsons.find(stem);
    const auto image = listing.images.find(stem);
    if (json == listing.jsons.end() || image == listing.images.end()) continue;
    inputs.push_back({Kind::sheet, 0, entry, image->second, json->second});
    used[stem] = true;
  }
  for (const auto& [stem, name] : listing.images) {
    if (used.count(stem)) continue;
    // "spr%04d": four digits, zeros included.
    if (stem.size() == 7 && stem.starts_with("SPR") &&
        std::all_of(stem.begin() + 3, stem.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      const int n = std::stoi(stem.substr(3));
      if (n < kSpriteCount) inputs.push_back({Kind::sprite, 0, n, name, {}});
      continue;
    }
    if (stem.starts_with("PT")) {
      const std::size_t dash = stem.find('-');
      if (dash != std::string::npos) {
        const auto p = plain_number(stem.substr(2, dash - 2), kPitchCount + 1);
        const auto k = plain_number(stem.substr(dash + 1), 1 << 20);
        if (p && *p >= 1 && k) {
          inputs.push_back({Kind::pattern, *p - 1, *k, name, {}});
          continue;
        }
      }
    }
    if (stem.size() == 6 && stem.starts_with("PITCH") && stem[5] >= '1' && stem[5] <= '6') {
      inputs.push_back({Kind::pitch, stem[5] - '1', 0, name, {}});
      continue;
    }
  }
  // Without "pitchN", Insert reads the newest "pitchN-TYPE" an export wrote.
  for (int p = 0; p < kPitchCount; ++p) {
    const bool have = std::any_of(inputs.begin(), inputs.end(), [&](const Input& i) {
      return i.kind == Kind::pitch && i.pitch == p;
    });
    if (have) continue;
    std::optional<Input> newest;
    fs::file_time_type newest_time{};
    for (int type = 0; type < kPitchTypeCount; ++type) {
      const std::string stem =
          folded("pitch" + std::to_string(p + 1) + "-" + pitch_type_name(type));
      const auto it = listing.images.find(stem);
      if (it == listing.images.end()) continue;
      const fs::file_time_type t = listing.times.at(stem);
      if (newest && t <= newest_time) continue;
      newest = Input{Kind::pitch, p, 0, it->second, {}, type};
      newest_time = t;
    }
    if (newest) inputs.push_back(*newest);
  }
  // Pictures: "fill.png" for "fill.256".
  const auto& ring = picture_ring().pictures;
  for (std::size_t k = 0; k < ring.size(); ++k) {
    const std::string stem = folded(sheet_stem(ring[k].file_name));
    if (used.count(stem)) continue;
    const auto it = listing.images.find(stem);
    if (it == listing.images.end()) continue;
    const bool taken = std::any_of(inputs.begin(), inputs.end(),
                                   [&](const Input& i) { return i.name == it->second; });
    if (!taken) inputs.push_back({Kind::picture, 0, static_cast<int>(k), it->second, {}});
  }
  return inputs;
}

// One change, checked and ready.
struct Change {
  std::string line;
  std::function<void()> apply;
  std::vector<int> sprites;  // sprite numbers it replaces
  int pitch = -1;            // pitch index whose patterns or map it changes
  std::string source;        // the input file, as shown
};

bool same_sprite_picture(const SpriteRecord& s, const DecodedSprite& d) {
  if (s.width != d.width || s.height != d.height) return false;
  const std::size_t old_row = static_cast<std::size_t>(std::max<int>(s.width_words, 0)) * 8;
  const std::size_t new_row = static_cast<std::size_t>(std::max<int>(d.width_words, 0)) * 8;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      const std::size_t a = y * old_row + static_cast<std::size_t>(x / 2);
      const std::size_t b = y * new_row + static_cast<std::size_t>(x / 2);
      if (a >= s.pixels.size() || b >= d.pixels.size()) return false;
      const int shift = (x & 1) ? 0 : 4;
      if (((s.pixels[a] >> shift) & 15) != ((d.pixels[b] >> shift) & 15)) return false;
    }
  return true;
}

std::string sprite_line(int number) {
  const int entry = sprite_file_entry_of(number);
  return "sprite " + std::to_string(number) + " (" +
         sprite_files().entries[static_cast<std::size_t>(entry)].name + ")";
}

class Importer {
 public:
  Importer(const fs::path& dir, std::string shown, Streams& io)
      : dir_(dir), shown_(std::move(shown)), io_(io) {}

  std::vector<Change> changes;
  std::vector<std::string> refusals;

  void decide(const Input& in) {
    switch (in.kind) {
      case Kind::sprite:
        return sprite(in);
      case Kind::pattern:
        return pattern(in);
      case Kind::pitch:
        return pitch(in);
      case Kind::picture:
        return picture(in);
      case Kind::sheet:
        return sheet(in);
    }
  }

  // Two files that change one thing differently cannot both land.
  void find_conflicts() {
    std::map<int, std::string> sprite_from;
    std::map<int, std::string> pitch_from;
    for (const Change& c : changes) {
      for (int n : c.sprites) {
        auto [it, fresh] = sprite_from.emplace(n, c.source);
        if (!fresh && it->second != c.source)
          refusals.push_back(c.source + ": " + it->second + " changes sprite " + std::to_string(n) +
                             " too; import one of them at a time");
      }
      if (c.pitch >= 0) {
        auto [it, fresh] = pitch_from.emplace(c.pitch, c.source);
        if (!fresh && it->second != c.source)
          refusals.push_back(c.source + ": " + it->second + " changes pitch " +
                             std::to_string(c.pitch + 1) + " too; import one of them at a time");
      }
    }
  }

 private:
  fs::path dir_;
  std::string shown_;
  Streams& io_;

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  std::string shown(const std::string& name) const { return shown_in(shown_, name); }
  void refuse(const std::string& name, const std::string& reason) {
    refusals.push_back(shown(name) + ": " + reason);
  }
  void warn(const std::string& name, const std::string& what) {
    io_.err << "tavu: " << shown(name) << ": " << what << "\n";
  }

  // Reads a picture for one of the imports; false after naming the refusal.
  // A picture over the limits is handed on, as Insert hands it to the
  // import that names the size it needs.
  bool read(const std::string& name, Image& image, int max_width, int max_height) {
    const ImageResult r = read_image_file(path(name), image, max_width, max_height);
    if (r.ok() || r.status == ImageStatus::too_big) return true;
    refuse(name, r.status == ImageStatus::not_found ? "Can't open file" : r.reason);
    return false;
  }

  // A sprite from a picture, as Insert takes it; nothing when it is
  // refused or shows what the sprite shows.
  void sprite_from(const Image& image, int number, const std::string& name,
                   const std::string& what) {
    SpriteRecord* old = sprite_at(number);
    SpriteImageImport i = import_sprite_image(old, image, default_sprite_background());
    if (!i.ok()) {
      refuse(name, what + (i.too_big ? "Sprite too big: " : "") + i.reason);
      return;
    }
    if (!i.colours_matched) return refuse(name, what + kColoursDidNotMatch);
    if (same_sprite_picture(*old, i.sprite)) return;
    auto decoded = std::make_shared<DecodedSprite>(std::move(i.sprite));
    changes.push_back({sprite_line(number) + " from " + shown(name),
                       [number, decoded] { apply_decoded_sprite(number, std::move(*decoded)); },
                       {number},
                       -1,
                       shown(name)});
  }

  void sprite(const Input& in) {
    Image image;
    if (!read(in.name, image, kMaxSpriteBitmapWidth, kMaxSpriteBitmapHeight)) return;
    if (image.width > kMaxSpriteBitmapWidth || image.height > kMaxSpriteBitmapHeight) {
      refuse(in.name, "Sprite too big: " + std::to_string(image.width) + "x" +
                          std::to_string(image.height) + ", must be at most 320x200");
      return;
    }
    sprite_from(image, in.number, in.name, "");
  }

  void pattern(const Input& in) {
    Image image;
    if (!read(in.name, image, kPatternSide, kPatternSide)) return;
    PitchRecord& pitch = *pitch_at(in.pitch);
    std::span<const std::uint8_t> before;
    if (in.number < pitch.pattern_count)
      before = std::span(pitch.patterns)
                   .subspan(static_cast<std::size_t>(in.number) * kPatternSize, kPatternSize);
    const PatternImageImport i = import_pattern_image(image, normal_pitch_palette(), before);
    if (!i.ok()) return refuse(in.name, i.reason);
    if (!i.colours_matched) return refuse(in.name, kColoursDidNotMatch);
    if (in.number >= pitch.pattern_count)
      return refuse(in.name, "no pattern " + std::to_string(in.number));
    const auto at = pitch.patterns.begin() + static_cast<std::ptrdiff_t>(in.number * kPatternSize);
    if (std::equal(i.pixels.begin(), i.pixels.end(), at)) return;
    const int p = in.pitch, n = in.number;
    const PatternPixels pixels = i.pixels;
    changes.push_back({"pattern " + std::to_string(n) + " of pitch " + std::to_string(p + 1) +
                           " from " + shown(in.name),
                       [p, n, pixels] {
                         PitchRecord& target = *pitch_at(p);
                         std::copy(pixels.begin(), pixels.end(),
                                   target.patterns.begin() +
                                       static_cast<std::ptrdiff_t>(n * kPatternSize));
                         invalidate_pitch_view();
                         mark_pitch_changed(p, PitchChange::patterns);
                       },
                       {},
                       p,
                       shown(in.name)});
  }

  void pitch(const Input& in) {
    Image image;
    if (!read(in.name, image, kPitchBitmapWidth, kPitchBitmapHeight)) return;
    const PitchRecord& current = *pitch_at(in.pitch);
    // Unchanged, the pitch keeps its patterns and their numbering.
    const std::vector<std::uint8_t> before = pitch_picture(current);
    const PitchPictureImport picture =
        import_pitch_picture(image, normal_pitch_palette(), in.made_with, before);
    if (!picture.ok()) return refuse(in.name, picture.reason);
    if (!picture.colours_matched) return refuse(in.name, kColoursDidNotMatch);
    if (picture.picture == before) return;
    auto i = std::make_shared<PitchImageImport>(
        import_pitch_image(image, in.pitch, current, normal_pitch_palette(), in.made_with));
    if (!i->ok()) return refuse(in.name, i->reason);
    if (current.cells.size() < static_cast<std::size_t>(kPitchCells))
      return refuse(in.name, "pitch map damaged");
    const int n = i->tiles.count;
    if (n > kPatternLimit)
      warn(in.name, "To many unique patterns: " + std::to_string(n) + "; TAVU can handle only " +
                        std::to_string(kPatternLimit));
    const int p = in.pitch;
    changes.push_back({"pitch " + std::to_string(p + 1) + " from " + shown(in.name) + " (" +
                           std::to_string(n) + " patterns)",
                       [p, i] {
                         apply_pitch_tiles(*pitch_at(p), std::move(i->tiles));
                         invalidate_pitch_view();
                         mark_pitch_changed(p, PitchChange::map);
                       },
                       {},
                       p,
                       shown(in.name)});
  }

  void picture(const Input& in) {
    Picture& current = picture_ring().pictures[static_cast<std::size_t>(in.number)];
    load_picture(current);
    if (current.error() != kPictureNoError)
      return refuse(in.name, current.file_name + ": " + picture_error_text(current.error()));
    Image image;
    if (!read(in.name, image, kPictureWidth, kPictureHeight)) return;
    if (image.width != kPictureWidth || image.height != kPictureHeight)
      return refuse(in.name, "Size " + std::to_string(image.width) + "x" +
                                 std::to_string(image.height) + ", not 320x200");
    auto i = std::make_shared<PictureImport>(import_picture_image(current, image));
    if (!i->ok()) return refuse(in.name, i->refusal);
    if (i->pixels == current.image.pixels && i->file_palette == current.file_palette) return;
    const int k = in.number;
    changes.push_back({"picture " + current.file_name + " from " + shown(in.name) +
                           (i->palette_changed ? " (palette changed)" : ""),
                       [k, i] {
                         apply_picture_import(picture_ring().pictures[static_cast<std::size_t>(k)],
                                              std::move(*i));
                       },
                       {},
                       -1,
                       shown(in.name)});
  }

  void sheet(const Input& in) {
    const SpriteFileEntry& entry = sprite_files().entries[static_cast<std::size_t>(in.number)];
    std::vector<std::uint8_t> text;
    switch (read_whole_file(path(in.json), text, kMaxSheetJson)) {
      case ReadStatus::ok:
        break;
      case ReadStatus::too_large:
        return refuse(in.json, "too large for a sheet's description");
      default:
        return refuse(in.json, "Can't read file");
    }
    Sheet sheet;
    std::string reason;
    if (!parse_sheet_json(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()),
                          sheet, &reason))
      return refuse(in.json, reason);
    if (!sheet.file.empty() && compare_names(sheet.file, entry.name) != 0)
      return refuse(in.json, "describes " + sheet.file + ", not " + entry.name);
    Image image;
    if (!read(in.name, image, kMaxImageSide, kMaxImageSide)) return;
    if (image.width > kMaxImageSide || image.height > kMaxImageSide || image.width <= 0)
      return refuse(in.name, std::to_string(image.width) + "x" + std::to_string(image.height) +
                                 ", too large for a sheet");
    // The sprites of the file: GOAL1.DAT's two copies both count.
    auto belongs = [&](int number) {
      const int e = sprite_file_entry_of(number);
      return e >= 0 && compare_names(sprite_files().entries[static_cast<std::size_t>(e)].name,
                                     entry.name) == 0;
    };
    std::map<int, bool> seen;
    for (const SheetSprite& s : sheet.sprites) {
      const std::string what = "sprite " + std::to_string(s.number) + ": ";
      if (!belongs(s.number)) {
        refuse(in.json, what + "not a sprite of " + entry.name);
        continue;
      }
      if (seen[s.number]) {
        refuse(in.json, what + "listed twice");
        continue;
      }
      seen[s.number] = true;
      SpriteRecord& old = *sprite_at(s.number);
      if (s.width < 0 || s.height < 0 || s.x < 0 || s.y < 0 || s.x > image.width - s.width ||
          s.y > image.height - s.height) {
        refuse(in.json, what + "its place lies outside " + in.name);
        continue;
      }
      if (s.width == 0 || s.height == 0) {
        if (s.width != old.width || s.height != old.height) refuse(in.json, what + "empty picture");
      } else {
        sprite_from(crop(image, s), s.number, in.name, what);
      }
      if (s.centre_x != old.centre_x || s.centre_y != old.centre_y) {
        if (s.centre_x < INT16_MIN || s.centre_x > INT16_MAX || s.centre_y < INT16_MIN ||
            s.centre_y > INT16_MAX) {
          refuse(in.json, what + "centre out of range");
          continue;
        }
        const int number = s.number;
        const auto cx = static_cast<std::int16_t>(s.centre_x);
        const auto cy = static_cast<std::int16_t>(s.centre_y);
        changes.push_back({sprite_line(number) + " centre " + std::to_string(cx) + "," +
                               std::to_string(cy) + " from " + shown(in.json),
                           [number, cx, cy] {
                             SpriteRecord& target = *sprite_at(number);
                             target.centre_x = cx;
                             target.centre_y = cy;
                             mark_sprite_modified(sprite_file_entry_of(number));
                           },
                           {},
                           -1,
                           shown(in.name)});
      }
    }
  }

  static Image crop(const Image& image, const SheetSprite& s) {
    Image out;
    out.width = s.width;
    out.height = s.height;
    out.indexed = image.indexed;
    out.palette = image.palette;
    const std::size_t bytes = image.indexed ? 1 : 4;
    std::vector<std::uint8_t>& to = image.indexed ? out.indices : out.rgba;
    const std::vector<std::uint8_t>& from = image.indexed ? image.indices : image.rgba;
    to.resize(bytes * static_cast<std::size_t>(s.width) * s.height);
    for (int y = 0; y < s.height; ++y)
      std::copy_n(
          from.begin() + static_cast<std::ptrdiff_t>(
                             bytes * (static_cast<std::size_t>(s.y + y) * image.width + s.x)),
          bytes * static_cast<std::size_t>(s.width),
          to.begin() + static_cast<std::ptrdiff_t>(bytes * static_cast<std::size_t>(y) * s.width));
    return out;
  }
};

}  // namespace

int import_directory(const GameDirectory& game, const fs::path& in_dir, const std::string& in_shown,
                     ImportDelegate& delegate, Streams& io) {
  std::error_code ec;
  const Listing listing = list_input(in_dir, ec);
  if (ec) {
    io.err << "tavu: cannot read " << in_shown << ": " << ec.message() << "\n";
    return kExitFailed;
  }
  std::vector<Input> inputs = recognise(listing);
  // Sprites, patterns, pitches, pictures, each in number order.
  std::stable_sort(inputs.begin(), inputs.end(), [](const Input& a, const Input& b) {
    auto rank = [](const Input& i) {
      const int kind = i.kind == Kind::sheet ? 0 : static_cast<int>(i.kind);
      return std::tuple(kind, i.pitch, i.number);
    };
    return rank(a) < rank(b);
  });
  Importer importer(in_dir, in_shown, io);
  {
    Progress progress(io.err, io.err_is_terminal, "reading", inputs.size());
    std::size_t done = 0;
    for (const Input& in : inputs) {
      importer.decide(in);
      progress.step(++done);
    }
  }
  importer.find_conflicts();
  if (!importer.refusals.empty()) {
    for (const std::string& r : importer.refusals) io.err << "tavu: " << r << "\n";
    io.err << "tavu: " << importer.refusals.size()
           << (importer.refusals.size() == 1 ? " file refused" : " refusals")
           << "; nothing written\n";
    return kExitFailed;
  }
  for (Change& c : importer.changes) c.apply();
  std::vector<SaveContribution> parts;
  parts.push_back(plan_sprite_files_save());
  parts.push_back(plan_pitch_save());
  parts.push_back(plan_picture_save());
  std::vector<std::string> names;
  for (const SaveContribution& part : parts)
    for (const PlannedFile& f : part.files) names.push_back(game.shown(find_file(f.name)));
  ReplaceFailure failed;
  if (!delegate.save(parts, &failed)) {
    io.err << "tavu: failed to save " << game.shown(failed.name);
    if (failed.ambiguous)
      io.err << ": its name differs from another file's only in letter case";
    else if (!failed.reason.empty())
      io.err << ": " << failed.reason;
    io.err << "; nothing written\n";
    return kExitFailed;
  }
  // Told once they are saved (or, in a dry run, would be).
  for (const Change& c : importer.changes) delegate.changed(c.line);
  const std::size_t n = importer.changes.size();
  if (n == 0) {
    io.out << "Nothing to change (" << inputs.size() << (inputs.size() == 1 ? " file" : " files")
           << " read)\n";
    return kExitOk;
  }
  io.out << n << (n == 1 ? " change" : " changes") << "; "
         << (delegate.writes() ? "saved " : "would save ");
  for (std::size_t k = 0; k < names.size(); ++k) io.out << (k ? ", " : "") << names[k];
  io.out << (delegate.writes() ? "" : " (dry run: nothing written)") << "\n";
  return kExitOk;
}

int run_import(const Options& options, Streams& io) {
  const std::string& in_given = options.operands[0];
  GameDirectory game(options.dir);
  if (!game.entered()) {
    io.err << "tavu: " << game.error() << "\n";
    return kExitFailed;
  }
  const fs::path in_dir = game.outside(in_given);
  std::error_code ec;
  if (!fs::is_directory(in_dir, ec)) {
    io.err << "tavu: " << in_given << ": not a directory\n";
    return kExitFailed;
  }
  if (!load_game(io.err, options.dir)) return kExitFailed;
  SavingDelegate saving(io.out);
  DryRunDelegate dry_run(io.out);
  ImportDelegate& delegate = options.dry_run ? static_cast<ImportDelegate&>(dry_run) : saving;
  return import_directory(game, in_dir, in_given, delegate, io);
}

}  // namespace tavu::cli
