// Footballers, goalkeepers and referees. A figure is built from limbs drawn
// as short lines between joints, then outlined in black, so each direction
// and running phase is a table of joint positions rather than hand-drawn art.
// Shirts use colours 11 (body) and 10 (trim), shorts 14, socks 15: the team
// colours that playback maps. Skin 5/6 and hair 4/13 and boots 9 follow the
// appearance lists.
#include <algorithm>
#include <array>
#include <cstdlib>

#include "demo_data/art.h"

namespace tavu::demo {

namespace {

constexpr std::uint8_t kShirt = 11, kTrim = 10, kShorts = 14, kSocks = 15;
constexpr std::uint8_t kSkin = 5, kSkinLight = 6, kSkinDark = 4, kBoot = 9;

struct Look {
  std::uint8_t shirt = kShirt;
  std::uint8_t trim = kTrim;
  std::uint8_t shorts = kShorts;
  std::uint8_t socks = kSocks;
  std::uint8_t hair = 4;
  std::uint8_t gloves = 0;  // 0: bare hands
  bool long_hair = false;
  KitStyle kit = KitStyle::kPlain;
};

// View of the body: 0 front, 1 three-quarter front, 2 side, 3 three-quarter
// back, 4 back; all facing right when not straight on.
struct Pose {
  int view;
  std::array<int, 2> hip_x;
  std::array<int, 4> foot;  // near x, y, far x, y
  std::array<int, 4> hand;  // near x, y, far x, y
  int lift = 0;             // whole body raised (jumps)
};

constexpr int kW = 14, kH = 21;
constexpr int kFeetX = 7, kFeetY = 18;

void limb(Canvas& c, int x0, int y0, int x1, int y1, std::uint8_t upper, std::uint8_t lower,
          int thick, int split_percent) {
  // Walk the line; the first part takes `upper`, the rest `lower`.
  const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
  for (int i = 0; i <= steps; ++i) {
    const int x = steps ? x0 + (x1 - x0) * i / steps : x0;
    const int y = steps ? y0 + (y1 - y0) * i / steps : y0;
    const std::uint8_t v = i * 100 < split_percent * (steps + 1) ? upper : lower;
    for (int t = 0; t < thick; ++t) c.set(x + t, y, v);
  }
}

void leg(Canvas& c, int hip_x, int foot_x, int foot_y, bool far, int facing, const Look& look) {
  limb(c, hip_x, 12, foot_x, foot_y - 1, far ? kSkinDark : kSkin, look.socks, 2, 45);
  // Boot: points the way the body faces (facing 0: straight at the viewer).
  const int toe = facing > 0 ? 1 : 0;
  c.fill_rect(foot_x, foot_y, 2 + toe, 1, kBoot);
}

void arm(Canvas& c, int sx, int sy, int hx, int hy, bool far, const Look& look) {
  limb(c, sx, sy, hx, hy, look.trim, far ? kSkinDark : kSkin, 1, 40);
  c.set(hx, hy, look.gloves ? look.gloves : (far ? kSkinDark : kSkinLight));
}

void torso(Canvas& c, int x0, int x1, int view, const Look& look) {
  for (int y = 5; y <= 10; ++y)
    for (int x = x0; x <= x1; ++x) {
      std::uint8_t v = look.shirt;
      switch (look.kit) {
        case KitStyle::kPlain:
          break;
        case KitStyle::kStripes:
          if ((x - x0) % 2 == 1) v = look.trim;
          break;
        case KitStyle::kHoops:
          if (y == 7 || y == 9) v = look.trim;
          break;
        case KitStyle::kSash:
          if (x - x0 == y - 5 || x - x0 == y - 4) v = look.trim;
          break;
      }
      c.set(x, y, v);
    }
  if (view <= 1) c.set((x0 + x1 + 1) / 2, 5, look.trim);  // collar
  c.fill_rect(x0, 11, x1 - x0 + 1, 2, look.shorts);
}

void head(Canvas& c, int x0, int view, const Look& look) {
  // x0 is the head's left column; the head is 4 wide, rows 1-4.
  c.fill_rect(x0, 1, 4, 3, kSkin);
  c.fill_rect(x0 + 1, 4, 2, 1, kSkin);
  c.fill_rect(x0, 1, 4, 1, look.hair);
  switch (view) {
    case 0:
      c.set(x0, 2, look.hair);
      c.set(x0 + 3, 2, look.hair);
      c.set(x0 + 1, 3, kSkinLight);
      c.set(x0 + 2, 3, kSkinLight);
      break;
    case 1:
      c.fill_rect(x0, 2, 1, 2, look.hair);
      c.set(x0 + 3, 3, kSkinLight);
      break;
    case 2:
      c.fill_rect(x0, 2, 2, 1, look.hair);
      c.set(x0, 3, look.hair);
      c.set(x0 + 4, 3, kSkin);  // nose
      break;
    case 3:
      c.fill_rect(x0, 2, 3, 2, look.hair);
      break;
    default:
      c.fill_rect(x0, 2, 4, 2, look.hair);
      break;
  }
  if (look.long_hair) {
    if (view >= 3) c.fill_rect(x0, 4, 4, 1, look.hair);
    if (view <= 2) c.fill_rect(x0, 3, 1, 2, look.hair);
    if (view == 0) c.fill_rect(x0 + 3, 3, 1, 2, look.hair);
  }
}

Canvas draw_pose(const Pose& p, const Look& look) {
  Canvas body(kW, kH);
  const int facing = p.view == 0 || p.view == 4 ? 0 : 1;
  const bool side = p.view == 2;
  // Far limbs first so the near ones cover them.
  arm(body, side ? 7 : 10, 6, p.hand[2], p.hand[3], side, look);
  leg(body, p.hip_x[1], p.foot[2], p.foot[3], side, facing, look);
  leg(body, p.hip_x[0], p.foot[0], p.foot[1], false, facing, look);
  switch (p.view) {
    case 0:
    case 4:
      torso(body, 4, 9, p.view, look);
      head(body, 5, p.view, look);
      break;
    case 1:
    case 3:
      torso(body, 4, 8, p.view, look);
      head(body, 6, p.view, look);
      break;
    default:
      torso(body, 5, 8, p.view, look);
      head(body, 5, p.view, look);
      break;
  }
  arm(body, side ? 6 : 3, 6, p.hand[0], p.hand[1], false, look);
  body.outline(kBlack);
  Canvas out(kW, kH);
  // Shadow on the ground, to the lower right as the sun is top left.
  for (int x = 4; x <= 11; ++x) out.set(x, kFeetY + 1, kShadow);
  for (int x = 5; x <= 10; ++x) out.set(x, kFeetY + 2, kShadow);
  out.blit(body, 0, -p.lift);
  return out;
}

// Poses per view and phase (0 stand, 1 and 2 the running steps).
Pose running_pose(int view, int phase) {
  if (view == 2) {
    switch (phase) {
      case 0:
        return {2, {6, 6}, {6, 17, 6, 17}, {7, 9, 8, 9}};
      case 1:
        return {2, {6, 6}, {9, 16, 3, 15}, {4, 9, 10, 8}};
      default:
        return {2, {6, 6}, {3, 15, 9, 16}, {10, 8, 4, 9}};
    }
  }
  if (view == 1 || view == 3) {
    switch (phase) {
      case 0:
        return {view, {4, 7}, {4, 17, 7, 17}, {3, 10, 9, 9}};
      case 1:
        return {view, {4, 7}, {5, 17, 8, 15}, {2, 8, 10, 10}};
      default:
        return {view, {4, 7}, {3, 15, 7, 17}, {3, 10, 10, 8}};
    }
  }
  switch (phase) {
    case 0:
      return {view, {4, 8}, {4, 17, 8, 17}, {3, 10, 10, 10}};
    case 1:
      return {view, {4, 8}, {4, 15, 8, 17}, {2, 8, 10, 10}};
    default:
      return {view, {4, 8}, {4, 17, 8, 15}, {3, 10, 11, 8}};
  }
}

constexpr std::array<int, 8> kViewOfDirection = {4, 3, 2, 1, 0, 1, 2, 3};
bool mirrored_direction(int d) {
  return d >= 5;
}

SpriteArt finish(Canvas image, bool mirror, std::uint8_t kind) {
  SpriteArt art;
  art.centre_x = mirror ? image.width() - 1 - kFeetX : kFeetX;
  art.centre_y = kFeetY;
  art.image = mirror ? image.mirrored() : std::move(image);
  art.kind = kind;
  return art;
}

SpriteArt figure(int direction, int phase, const Look& look, std::uint8_t kind) {
  return finish(draw_pose(running_pose(kViewOfDirection[direction], phase), look),
                mirrored_direction(direction), kind);
}

// The 24 standing and running frames in the file order test mode expects.
void running_set(std::span<SpriteArt> out, const Look& look, std::uint8_t kind) {
  for (int d = 0; d < 8; ++d) {
    const DirectionFrames& f = kDirectionFrames[d];
    out[f.stand] = figure(d, 0, look, kind);
    out[f.run_a] = figure(d, 1, look, kind);
    out[f.run_b] = figure(d, 2, look, kind);
  }
}

SpriteArt kicking(int direction, const Look& look, std::uint8_t kind) {
  Pose p = running_pose(kViewOfDirection[direction], 1);
  if (p.view == 2)
    p.foot = {11, 14, 5, 17};
  else
    p.foot[1] = 13;
  return finish(draw_pose(p, look), mirrored_direction(direction), kind);
}

SpriteArt arms_up(int direction, const Look& look, std::uint8_t kind, int lift) {
  Pose p = running_pose(kViewOfDirection[direction], 0);
  p.hand = {2, 1, 11, 1};
  if (p.view == 2) p.hand = {8, 0, 9, 1};
  p.lift = lift;
  return finish(draw_pose(p, look), mirrored_direction(direction), kind);
}

// A figure lying or diving: the standing figure turned on its side.
SpriteArt lying(bool head_right, int height_above_ground, const Look& look, std::uint8_t kind,
                bool arms_out) {
  Pose p = running_pose(2, 0);
  if (arms_out) p.hand = {8, 0, 9, 1};
  const Canvas upright = draw_pose(p, look);
  // Turn 90 degrees: column x of the result is row (kFeetY - x) of the figure.
  const int w = kFeetY + 1, h = 12;
  Canvas turned(w + 2, h + height_above_ground + 2);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint8_t v = upright.at(2 + y, kFeetY - x);
      if (v && v != kShadow) turned.set(head_right ? x : w - 1 - x, y, v);
    }
  const int ground = h + height_above_ground;
  for (int x = 3; x < w - 1; ++x) turned.set(x, ground, kShadow);
  SpriteArt art;
  art.image = std::move(turned);
  art.centre_x = w / 2;
  art.centre_y = ground;
  art.kind = kind;
  return art;
}

Look team_look(KitStyle kit, int appearance) {
  Look look;
  look.kit = kit;
  look.hair = appearance == 1 ? 13 : 4;
  look.long_hair = appearance == 1;
  return look;
}

void team_group(std::span<SpriteArt> out, const Look& look, std::uint8_t kind) {
  running_set(out.subspan(0, 24), look, kind);
  for (int d = 0; d < 8; ++d) {
    out[24 + d] = kicking(d, look, kind);
    out[32 + d] = arms_up(d, look, kind, d % 2);
  }
  for (int i = 0; i < 8; ++i) out[40 + i] = lying(i % 2 == 0, 0, look, kind, i >= 4);
  for (std::size_t i = 48; i < out.size(); ++i) out[i] = out[i % 24];
}

}  // namespace

void draw_team(KitStyle style, std::span<SpriteArt, 303> out) {
  for (int group = 0; group < 3; ++group)
    team_group(std::span<SpriteArt>(out).subspan(group * 101, 101), team_look(style, group),
               kKindPlayer);
}

void draw_goalkeepers(std::span<SpriteArt, 116> out) {
  for (int half = 0; half < 2; ++half) {
    Look look;
    look.shirt = 13;
    look.trim = kGrey;
    look.shorts = kGrey;
    look.socks = 13;
    look.gloves = kWhite;
    look.hair = half == 0 ? 4 : 13;
    look.long_hair = half == 1;
    std::span<SpriteArt> keeper = std::span<SpriteArt>(out).subspan(half * 58, 58);
    running_set(keeper.subspan(0, 24), look, kKindKeeper);
    for (int i = 0; i < 8; ++i) {
      keeper[24 + i] = lying(i % 2 == 0, 2 + (i / 2) * 3, look, kKindKeeper, true);  // dives
      keeper[32 + i] = arms_up(i, look, kKindKeeper, 0);
    }
    for (int i = 40; i < 58; ++i) keeper[i] = keeper[i % 24];
  }
}

// Referees (yellow shirt, black shorts) and linesmen for BENCH.DAT; they are
// not team coloured.
void draw_officials(std::span<SpriteArt> out) {
  Look ref;
  ref.shirt = 15;
  ref.trim = kBlack;
  ref.shorts = kBlack;
  ref.socks = kBlack;
  running_set(out.subspan(0, 24), ref, kKindBench);
  Look lines = ref;
  lines.shirt = 6;
  lines.long_hair = true;
  running_set(out.subspan(24, 24), lines, kKindBench);
}

}  // namespace tavu::demo
