#include "sheets.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <variant>

#include "sprites/sprite_bitmaps.h"

namespace tavu::cli {

std::string sheet_stem(std::string_view sprite_file) {
  const std::size_t dot = sprite_file.rfind('.');
  return std::string(sprite_file.substr(0, dot));
}

Sheet lay_out_sheet(std::string file, std::span<const SpriteRecord> sprites, int first) {
  Sheet sheet;
  sheet.file = std::move(file);
  const std::size_t n = sprites.size();
  const std::size_t rows = (n + kSheetColumns - 1) / kSheetColumns;
  std::vector<int> column_width(kSheetColumns, 0), row_height(rows, 0);
  for (std::size_t k = 0; k < n; ++k) {
    const SpriteRecord& s = sprites[k];
    column_width[k % kSheetColumns] = std::max<int>(column_width[k % kSheetColumns], s.width);
    row_height[k / kSheetColumns] = std::max<int>(row_height[k / kSheetColumns], s.height);
  }
  std::vector<int> column_x(kSheetColumns, 0), row_y(rows, 0);
  for (int c = 1; c < kSheetColumns; ++c)
    column_x[c] = column_x[c - 1] + column_width[c - 1] + kSheetGap;
  for (std::size_t r = 1; r < rows; ++r) row_y[r] = row_y[r - 1] + row_height[r - 1] + kSheetGap;
  const int used_columns = static_cast<int>(std::min<std::size_t>(n, kSheetColumns));
  sheet.width = used_columns > 0 ? column_x[used_columns - 1] + column_width[used_columns - 1] : 0;
  sheet.height = rows > 0 ? row_y[rows - 1] + row_height[rows - 1] : 0;
  for (std::size_t k = 0; k < n; ++k) {
    const SpriteRecord& s = sprites[k];
    sheet.sprites.push_back({first + static_cast<int>(k), column_x[k % kSheetColumns],
                             row_y[k / kSheetColumns], s.width, s.height, s.centre_x, s.centre_y});
  }
  return sheet;
}

std::vector<std::uint8_t> sheet_pixels(const Sheet& sheet, std::span<const SpriteRecord> sprites) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(sheet.width) * sheet.height,
                                   kBitmapTransparent);
  for (std::size_t k = 0; k < sprites.size() && k < sheet.sprites.size(); ++k) {
    const SheetSprite& at = sheet.sprites[k];
    // Each sprite exactly as its own export shows it.
    const std::vector<std::uint8_t> own = sprite_export_pixels(sprites[k]);
    if (own.size() != static_cast<std::size_t>(at.width) * at.height) continue;
    for (int y = 0; y < at.height; ++y)
      std::copy_n(own.begin() + static_cast<std::ptrdiff_t>(y) * at.width, at.width,
                  pixels.begin() + static_cast<std::ptrdiff_t>(at.y + y) * sheet.width + at.x);
  }
  return pixels;
}

std::string sheet_json(const Sheet& sheet, std::string_view image_name) {
  std::string out = "{\n  \"file\": \"" + sheet.file + "\",\n  \"image\": \"" +
                    std::string(image_name) + "\",\n  \"width\": " + std::to_string(sheet.width) +
                    ",\n  \"height\": " + std::to_string(sheet.height) + ",\n  \"sprites\": [\n";
  for (std::size_t k = 0; k < sheet.sprites.size(); ++k) {
    const SheetSprite& s = sheet.sprites[k];
    out += "    {\"number\": " + std::to_string(s.number) + ", \"x\": " + std::to_string(s.x) +
           ", \"y\": " + std::to_string(s.y) + ", \"width\": " + std::to_string(s.width) +
           ", \"height\": " + std::to_string(s.height) +
           ", \"centre_x\": " + std::to_string(s.centre_x) +
           ", \"centre_y\": " + std::to_string(s.centre_y) + "}";
    out += k + 1 < sheet.sprites.size() ? ",\n" : "\n";
  }
  out += "  ]\n}\n";
  return out;
}

namespace {

// Just enough JSON for the sheets' files, written by us or edited by hand:
// objects, arrays, strings, integers, true, false, null.
struct Value;
using Object = std::map<std::string, Value>;
using Array = std::vector<Value>;
struct Value {
  std::variant<std::monostate, bool, long long, std::string, Array, Object> v;
};

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  bool parse(Value& out, std::string* reason) {
    if (!value(out, 0) || (skip(), at_ != text_.size())) {
      if (error_.empty()) error_ = "unexpected text";
      if (reason) *reason = "line " + std::to_string(line()) + ": " + error_;
      return false;
    }
    return true;
  }

 private:
  static constexpr int kMaxDepth = 16;
  std::string_view text_;
  std::size_t at_ = 0;
  std::string error_;

  int line() const {
    return 1 + static_cast<int>(std::count(
                   text_.begin(),
                   text_.begin() + static_cast<std::ptrdiff_t>(std::min(at_, text_.size())), '\n'));
  }
  void skip() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\r' || text_[at_] == '\t'))
      ++at_;
  }
  bool fail(std::string why) {
    error_ = std::move(why);
    return false;
  }
  bool expect(char c) {
    skip();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return fail(std::string("expected '") + c + "'");
  }
  bool word(std::string_view w) {
    if (text_.substr(at_, w.size()) != w) return fail("unexpected text");
    at_ += w.size();
    return true;
  }
  bool string(std::string& out) {
    if (!expect('"')) return false;
    while (at_ < text_.size() && text_[at_] != '"') {
      char c = text_[at_++];
      if (c == '\\') {
        if (at_ >= text_.size()) break;
        c = text_[at_++];
        if (c == 'n')
          c = '\n';
        else if (c == 't')
          c = '\t';
        else if (c != '"' && c != '\\' && c != '/')
          return fail("unknown escape in a string");
      } else if (static_cast<unsigned char>(c) < 0x20) {
        return fail("control character in a string");
      }
      out.push_back(c);
    }
    if (at_ >= text_.size()) return fail("unterminated string");
    ++at_;
    return true;
  }
  bool number(long long& out) {
    const bool negative = at_ < text_.size() && text_[at_] == '-';
    if (negative) ++at_;
    if (at_ >= text_.size() || text_[at_] < '0' || text_[at_] > '9')
      return fail("expected a number");
    long long n = 0;
    while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
      if (n > 1'000'000'000) return fail("number too large");
      n = n * 10 + (text_[at_++] - '0');
    }
    if (at_ < text_.size() && (text_[at_] == '.' || text_[at_] == 'e' || text_[at_] == 'E'))
      return fail("expected a whole number");
    out = negative ? -n : n;
    return true;
  }
  bool value(Value& out, int depth) {
    if (depth > kMaxDepth) return fail("nested too deeply");
    skip();
    if (at_ >= text_.size()) return fail("unexpected end");
    const char c = text_[at_];
    if (c == '{') {
      ++at_;
      Object object;
      skip();
      if (at_ < text_.size() && text_[at_] == '}') {
        ++at_;
        out.v = std::move(object);
        return true;
      }
      for (;;) {
        std::string key;
        Value v;
        skip();
        if (!string(key) || !expect(':') || !value(v, depth + 1)) return false;
        object[key] = std::move(v);
        skip();
        if (at_ < text_.size() && text_[at_] == ',') {
          ++at_;
          continue;
        }
        if (!expect('}')) return false;
        break;
      }
      out.v = std::move(object);
      return true;
    }
    if (c == '[') {
      ++at_;
      Array array;
      skip();
      if (at_ < text_.size() && text_[at_] == ']') {
        ++at_;
        out.v = std::move(array);
        return true;
      }
      for (;;) {
        Value v;
        if (!value(v, depth + 1)) return false;
        array.push_back(std::move(v));
        skip();
        if (at_ < text_.size() && text_[at_] == ',') {
          ++at_;
          continue;
        }
        if (!expect(']')) return false;
        break;
      }
      out.v = std::move(array);
      return true;
    }
    if (c == '"') {
      std::string s;
      if (!string(s)) return false;
      out.v = std::move(s);
      return true;
    }
    if (c == 't') return word("true") && (out.v = true, true);
    if (c == 'f') return word("false") && (out.v = false, true);
    if (c == 'n') return word("null") && (out.v = std::monostate{}, true);
    long long n = 0;
    if (!number(n)) return false;
    out.v = n;
    return true;
  }
};

std::optional<int> integer(const Object& o, const std::string& key) {
  const auto it = o.find(key);
  if (it == o.end()) return std::nullopt;
  const long long* n = std::get_if<long long>(&it->second.v);
  if (!n || *n < std::numeric_limits<int>::min() || *n > std::numeric_limits<int>::max())
    return std::nullopt;
  return static_cast<int>(*n);
}

}  // namespace

bool parse_sheet_json(std::string_view text, Sheet& out, std::string* reason) {
  auto refuse = [&](std::string why) {
    if (reason) *reason = std::move(why);
    return false;
  };
  Value root;
  if (!Parser(text).parse(root, reason)) return false;
  const Object* top = std::get_if<Object>(&root.v);
  if (!top) return refuse("not a JSON object");
  Sheet sheet;
  if (const auto f = top->find("file"); f != top->end()) {
    const std::string* name = std::get_if<std::string>(&f->second.v);
    if (!name) return refuse("\"file\" is not a text");
    sheet.file = *name;
  }
  const auto list = top->find("sprites");
  const Array* sprites = list == top->end() ? nullptr : std::get_if<Array>(&list->second.v);
  if (!sprites) return refuse("no \"sprites\" list");
  for (std::size_t k = 0; k < sprites->size(); ++k) {
    const Object* o = std::get_if<Object>(&(*sprites)[k].v);
    if (!o) return refuse("sprite entry " + std::to_string(k) + " is not an object");
    SheetSprite s;
    const char* keys[] = {"number", "x", "y", "width", "height", "centre_x", "centre_y"};
    int* fields[] = {&s.number, &s.x, &s.y, &s.width, &s.height, &s.centre_x, &s.centre_y};
    for (std::size_t f = 0; f < std::size(keys); ++f) {
      const std::optional<int> v = integer(*o, keys[f]);
      if (!v)
        return refuse("sprite entry " + std::to_string(k) + ": no whole number \"" + keys[f] +
                      "\"");
      *fields[f] = *v;
    }
    sheet.sprites.push_back(s);
  }
  out = std::move(sheet);
  return true;
}

}  // namespace tavu::cli
