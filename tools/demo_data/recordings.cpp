// Highlights and replays: a small scripted match. The ball travels along a
// chain of passes ending in a goal, players run for their formation places
// and the nearest one chases the ball, the camera follows the ball. All in
// 1/16-pixel integers, so every run gives the same frames.
#include <algorithm>
#include <array>
#include <cstdlib>

#include "demo_data/art.h"
#include "demo_data/demo_data.h"
#include "replays/recording_format.h"

namespace tavu::demo {

namespace {

constexpr int kFix = 16;  // sub-pixel steps per pixel
constexpr int kFieldLeft = 80, kFieldRight = 592, kFieldTop = 56, kFieldBottom = 792;
constexpr int kCentreX = 336, kCentreY = 424;
constexpr int kTopGoalY = 38, kBottomGoalY = 810;
constexpr int kMaxCameraX = 352, kMaxCameraY = 648;
constexpr int kTeamFirst[2] = {341, 644};     // player sprites of each team
constexpr int kKeeperFirst[2] = {947, 1063};  // goalkeeper sprites of each team
constexpr int kFeetX = 7, kFeetY = 18;
constexpr int kRunSpeed = 22;  // 1.4 pixels a frame
constexpr int kStepFrames = 6;

struct Vec {
  int x, y;
};

// Formation places of the ten outfield players, for a team defending the
// bottom goal; the other team's places are mirrored.
constexpr std::array<Vec, 10> kFormation = {{{150, 690},
                                             {270, 710},
                                             {402, 710},
                                             {522, 690},
                                             {170, 560},
                                             {290, 590},
                                             {382, 590},
                                             {502, 560},
                                             {270, 450},
                                             {402, 450}}};

int direction_of(int dx, int dy) {
  // 0 up, clockwise to 7 up-left; the diagonals cover 45 degrees around them.
  const int ax = std::abs(dx), ay = std::abs(dy);
  if (ay * 5 < ax * 2) return dx > 0 ? 2 : 6;
  if (ax * 5 < ay * 2) return dy > 0 ? 4 : 0;
  if (dx > 0) return dy > 0 ? 3 : 1;
  return dy > 0 ? 5 : 7;
}

struct Player {
  int team = 0;
  bool keeper = false;
  int look = 0;  // 0 or 101: which appearance group of the team file
  Vec home{};
  Vec pos{};  // 1/16 pixels
  int direction = 4;
  bool moving = false;
  int step = 0;
  bool celebrating = false;
};

struct Ball {
  Vec pos{};  // 1/16 pixels
  int height = 0;
  int rolled = 0;
};

struct Pass {
  Vec to;
  int speed;  // 1/16 pixels a frame
  int loft;   // peak height in pixels
};

class Match {
 public:
  Match(std::uint32_t seed, int goals_first, int goals_second)
      : rng_(seed), goals_{goals_first, goals_second} {
    for (int team = 0; team < 2; ++team) {
      Player keeper;
      keeper.team = team;
      keeper.keeper = true;
      keeper.home = team == 0 ? Vec{kCentreX, kFieldBottom - 8} : Vec{kCentreX, kFieldTop + 8};
      players_.push_back(keeper);
      for (std::size_t i = 0; i < kFormation.size(); ++i) {
        Player p;
        p.team = team;
        p.look = i % 3 == 1 ? 101 : 0;
        p.home = team == 0 ? kFormation[i]
                           : Vec{kFieldLeft + kFieldRight - kFormation[i].x,
                                 kFieldTop + kFieldBottom - kFormation[i].y};
        players_.push_back(p);
      }
    }
    for (auto& p : players_) p.pos = {p.home.x * kFix, p.home.y * kFix};
    ball_.pos = {kCentreX * kFix, kCentreY * kFix};
    camera_ = {kCentreX - 160, kCentreY - 100};
  }

  // An attack by `team` from the ball's place, ending in a goal.
  std::vector<Pass> attack(int team, int passes) {
    std::vector<Pass> chain;
    const int goal_y = team == 0 ? kTopGoalY : kBottomGoalY;
    Vec at = {ball_.pos.x / kFix, ball_.pos.y / kFix};
    for (int i = 0; i < passes; ++i) {
      const int remaining = passes - i;
      Vec to;
      to.x = std::clamp(at.x + rng_.below(241) - 120, kFieldLeft + 40, kFieldRight - 40);
      to.y = at.y + (goal_y + (team == 0 ? 170 : -170) - at.y) / remaining;
      chain.push_back({to, 48 + rng_.below(24), rng_.below(3) == 0 ? 10 + rng_.below(12) : 0});
      at = to;
    }
    chain.push_back({{kCentreX - 18 + rng_.below(37), goal_y}, 88, rng_.below(2) * 6});
    return chain;
  }

  // Plays the passes; after the last one the scorers celebrate for
  // `after` frames.
  void play(const std::vector<Pass>& chain, int team, int after, std::vector<RecordingFrame>* out) {
    for (const Pass& pass : chain) {
      const Vec from = ball_.pos;
      const Vec to = {pass.to.x * kFix, pass.to.y * kFix};
      const int dist = std::max(1, isqrt((to.x - from.x) / kFix * ((to.x - from.x) / kFix) +
                                         (to.y - from.y) / kFix * ((to.y - from.y) / kFix)) *
                                       kFix);
      const int frames = std::max(8, dist / pass.speed);
      // The receiver (or the scorer) is sent to where the ball goes.
      Player* receiver = nearest(team, to);
      for (int f = 1; f <= frames; ++f) {
        ball_.pos = {from.x + (to.x - from.x) * f / frames, from.y + (to.y - from.y) * f / frames};
        ball_.height = pass.loft * 4 * f * (frames - f) / (frames * frames);
        ball_.rolled += pass.speed;
        tick(team, receiver, to, out);
      }
    }
    ++goals_[team];
    for (auto& p : players_) p.celebrating = p.team == team && !p.keeper;
    for (int f = 0; f < after; ++f) tick(team, nullptr, ball_.pos, out);
    for (auto& p : players_) p.celebrating = false;
  }

  // Players walk back and the ball is put on the centre spot.
  void kick_off() { ball_.pos = {kCentreX * kFix, kCentreY * kFix}; }

  void settle(int frames, std::vector<RecordingFrame>* out) {
    for (int f = 0; f < frames; ++f) tick(0, nullptr, ball_.pos, out);
  }

 private:
  Player* nearest(int team, Vec target) {
    Player* best = nullptr;
    long best_d = 0;
    for (auto& p : players_) {
      if (p.team != team || p.keeper) continue;
      const long dx = (p.pos.x - target.x) / kFix, dy = (p.pos.y - target.y) / kFix;
      const long d = dx * dx + dy * dy;
      if (!best || d < best_d) best = &p, best_d = d;
    }
    return best;
  }

  Vec target_of(const Player& p, int attacking, const Player* receiver, Vec ball_target) const {
    const Vec ball = {ball_.pos.x / kFix, ball_.pos.y / kFix};
    if (&p == receiver) return {ball_target.x / kFix, ball_target.y / kFix};
    if (p.keeper) {
      const int y = p.home.y;
      return {std::clamp(kCentreX + (ball.x - kCentreX) / 6, kCentreX - 24, kCentreX + 24), y};
    }
    // Follow the play: towards the ball and up the pitch when attacking.
    const int push = p.team == attacking ? (p.team == 0 ? -110 : 110) : (p.team == 0 ? 40 : -40);
    Vec t = {p.home.x + (ball.x - p.home.x) / 3, p.home.y + (ball.y - kCentreY) * 2 / 3 + push};
    t.x = std::clamp(t.x, kFieldLeft, kFieldRight);
    t.y = std::clamp(t.y, kFieldTop + 10, kFieldBottom - 10);
    return t;
  }

  void tick(int attacking, const Player* receiver, Vec ball_target,
            std::vector<RecordingFrame>* out) {
    // The defender nearest the ball closes it down.
    const Player* chaser = nearest(1 - attacking, ball_.pos);
    for (auto& p : players_) {
      Vec t = target_of(p, attacking, receiver, ball_target);
      if (&p == chaser && receiver)
        t = {ball_.pos.x / kFix + 6, ball_.pos.y / kFix + (attacking == 0 ? -10 : 10)};
      const int dx = t.x * kFix - p.pos.x, dy = t.y * kFix - p.pos.y;
      const int dist = isqrt((dx / kFix) * (dx / kFix) + (dy / kFix) * (dy / kFix));
      const bool was_moving = p.moving;
      p.moving = dist > 2;
      if (p.moving) {
        const int speed = p.keeper ? kRunSpeed * 3 / 4 : kRunSpeed;
        p.pos.x += dx * speed / (std::max(1, dist) * kFix);
        p.pos.y += dy * speed / (std::max(1, dist) * kFix);
        p.direction = direction_of(dx, dy);
      } else if (!p.celebrating) {
        // Standing players watch the ball.
        const int bx = ball_.pos.x - p.pos.x, by = ball_.pos.y - p.pos.y;
        if (std::abs(bx) + std::abs(by) > 8 * kFix) p.direction = direction_of(bx, by);
      }
      if (p.moving != was_moving) p.step = 0;
      ++p.step;
    }
    // The camera eases towards the ball.
    const Vec want = {std::clamp(ball_.pos.x / kFix - 160, 0, kMaxCameraX),
                      std::clamp(ball_.pos.y / kFix - 100, 0, kMaxCameraY)};
    camera_.x += std::clamp(want.x - camera_.x, -4, 4);
    camera_.y += std::clamp(want.y - camera_.y, -4, 4);
    out->push_back(frame());
  }

  int sprite_of(const Player& p) const {
    const DirectionFrames& f = kDirectionFrames[p.direction];
    int frame = f.stand;
    if (p.celebrating)
      frame = 32 + p.direction;
    else if (p.moving) {
      static constexpr int kCycle[4] = {0, 1, 0, 2};
      const int phase = kCycle[(p.step / kStepFrames) % 4];
      frame = phase == 0 ? f.stand : phase == 1 ? f.run_a : f.run_b;
    }
    if (p.keeper) return kKeeperFirst[p.team] + frame;
    return kTeamFirst[p.team] + p.look + frame;
  }

  void place(int sprite, int x, int y, std::vector<SpritePlacement>* out) const {
    const SpritePlacement s{x - camera_.x, y - camera_.y, sprite};
    if (s.x > -32 && s.x < 320 && s.y > -32 && s.y < 200) out->push_back(s);
  }

  RecordingFrame frame() {
    RecordingFrame f;
    f.camera_x = camera_.x;
    f.camera_y = camera_.y;
    f.goals_first = goals_[0];
    f.goals_second = goals_[1];
    f.third = static_cast<std::uint32_t>(frame_number_++);
    // Draw from the back of the picture to the front.
    std::vector<const Player*> order;
    for (const auto& p : players_) order.push_back(&p);
    std::stable_sort(order.begin(), order.end(),
                     [](const Player* a, const Player* b) { return a->pos.y < b->pos.y; });
    const int bx = ball_.pos.x / kFix, by = ball_.pos.y / kFix;
    bool ball_drawn = false;
    for (const Player* p : order) {
      if (!ball_drawn && p->pos.y > ball_.pos.y) {
        place_ball(bx, by, &f.sprites);
        ball_drawn = true;
      }
      const int feet_x = mirrored(p->direction) ? 13 - kFeetX : kFeetX;
      place(sprite_of(*p), p->pos.x / kFix - feet_x, p->pos.y / kFix - kFeetY, &f.sprites);
    }
    if (!ball_drawn) place_ball(bx, by, &f.sprites);
    return f;
  }

  static bool mirrored(int direction) { return direction >= 5; }

  void place_ball(int x, int y, std::vector<SpritePlacement>* out) const {
    if (ball_.height > 0) place(kBallShadowSprite, x - 3, y - 1, out);
    place(kBallSprite + (ball_.rolled / (kFix * 6)) % kBallFrames, x - 3, y - 5 - ball_.height,
          out);
  }

  Rng rng_;
  std::array<int, 2> goals_;
  std::vector<Player> players_;
  Ball ball_;
  Vec camera_{};
  int frame_number_ = 0;
};

TeamRecord team(std::uint16_t kit, std::uint16_t first, std::uint16_t second, std::uint8_t shorts,
                std::uint8_t socks) {
  TeamRecord t;
  t.kit_code = kit;
  t.first_colour = first;
  t.second_colour = second;
  t.third_colour = shorts;
  t.fourth_colour = socks;
  for (int i = 0; i < kTeamPlayers; ++i) {
    t.roles[static_cast<std::size_t>(i)] =
        i == 0 || i == 12 ? 0 : static_cast<std::uint8_t>(1 + i % 3);
    t.appearances[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i % 3);
  }
  return t;
}

RecordingHeader header(const TeamRecord& a, const TeamRecord& b, int pitch_type, int pitch_index) {
  RecordingHeader h;
  h.teams = {a, b};
  h.pitch_type = static_cast<std::uint8_t>(pitch_type);
  h.pitch_index = static_cast<std::uint8_t>(pitch_index);
  return h;
}

// Short attacks, each its own highlight; the score carries over.
std::vector<std::vector<RecordingFrame>> highlights(std::uint32_t seed,
                                                    std::span<const int> scorers) {
  std::vector<std::vector<RecordingFrame>> out;
  std::array<int, 2> goals = {0, 0};
  for (std::size_t i = 0; i < scorers.size(); ++i) {
    const int team = scorers[i];
    Match m(seed + static_cast<std::uint32_t>(i) * 101, goals[0], goals[1]);
    std::vector<RecordingFrame> frames;
    m.settle(10, &frames);
    m.play(m.attack(team, 2 + static_cast<int>(i % 2)), team, 40, &frames);
    ++goals[static_cast<std::size_t>(team)];
    out.push_back(std::move(frames));
  }
  return out;
}

std::vector<RecordingFrame> replay(std::uint32_t seed, std::span<const int> scorers) {
  Match m(seed, 0, 0);
  std::vector<RecordingFrame> frames;
  m.settle(30, &frames);
  for (std::size_t i = 0; i < scorers.size(); ++i) {
    m.play(m.attack(scorers[i], 3 + static_cast<int>(i % 2)), scorers[i], 60, &frames);
    m.kick_off();
    m.settle(60, &frames);
  }
  return frames;
}

bool add(std::vector<NamedFile>* files, std::string name, std::vector<std::uint8_t> bytes,
         std::string* error) {
  if (bytes.empty()) {
    if (error) *error = name + ": the recording does not fit its format";
    return false;
  }
  files->push_back({std::move(name), std::move(bytes)});
  return true;
}

}  // namespace

bool build_recording_files(std::vector<NamedFile>* files, std::string* error) {
  // Kit codes: 0 and 2 use set "1"; 3 the loaded team file; 4 "team4.dat";
  // 5 a team file that is not there, so playback warns.
  const TeamRecord reds = team(0, 10, 2, 2, 10);
  const TeamRecord yellows = team(2, 11, 15, 11, 15);
  const TeamRecord stripes = team(3, 3, 2, 2, 3);
  const TeamRecord greens = team(0, 14, 2, 2, 14);
  const TeamRecord sash = team(4, 2, 10, 11, 2);
  const TeamRecord blues = team(3, 11, 2, 2, 11);
  const TeamRecord missing = team(5, 15, 3, 3, 15);
  const TeamRecord maroons = team(0, 12, 13, 13, 12);

  static constexpr int kMatch1[] = {0, 1, 0};
  static constexpr int kMatch2[] = {1, 1};
  static constexpr int kFinal[] = {0, 1, 0};
  static constexpr int kDerby[] = {1, 0};
  const auto h1 = highlights(1001, kMatch1);
  const auto h2 = highlights(2002, kMatch2);
  return add(files, "match1.hil", build_highlight_file(header(reds, yellows, 4, 0), h1), error) &&
         add(files, "match2.hil", build_highlight_file(header(stripes, greens, 2, 2), h2), error) &&
         add(files, "final.rpl", build_replay_file(header(sash, blues, 5, 3), replay(3003, kFinal)),
             error) &&
         add(files, "derby.rpl",
             build_replay_file(header(missing, maroons, 0, 5), replay(4004, kDerby)), error);
}

}  // namespace tavu::demo
