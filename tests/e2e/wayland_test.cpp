// SPDX-License-Identifier: MIT
// The installed game on a Wayland desktop, through Xwayland: sway, headless,
// on the wide and HiDPI outputs players have. The picture is read back through
// the compositor (grim) and the keys come through its seat (seatkeys), as a
// player's screen and keyboard would. The install check runs this as an
// ordinary user with COINFLIGHT_INSTALLED naming the command.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "xsession.h"

namespace {

const std::string SEATKEYS = COINFLIGHT_SEATKEYS;
constexpr double TAP_SECONDS = 0.15; // a player's short press

// The inside of the game-over panel: 410 x 154 navy pixels in the picture.
constexpr double PANEL_SHAPE = 410.0 / 154.0;
constexpr double SHAPE_TOLERANCE = 0.03;
// sway's grey where no window is: the middle of the output, where the game's
// window goes, shows it until the game is up.
constexpr int BACKGROUND = 63;

// The navy face of the game-over panel, as a box on the output; empty when
// the panel is not shown.
struct Box {
  int x0 = 0, y0 = 0, x1 = -1, y1 = -1; // inclusive
  int w() const { return x1 - x0 + 1; }
  int h() const { return y1 - y0 + 1; }
  bool empty() const { return x1 < x0; }
};

// sway on a headless output of a given mode and scale, with its Xwayland, in
// a runtime folder of its own; ended with everything it started.
class Sway {
public:
  ~Sway() {
    if (pid_ > 0) {
      kill(-pid_, SIGTERM);
      if (!wait_until(5, [&] { return waitpid(pid_, nullptr, WNOHANG) == pid_; })) {
        kill(-pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
      }
    }
  }

  bool start(const std::string &mode, int scale, std::string *why) {
    dir_ = temp_dir();
    chmod(dir_.c_str(), 0700);
    // The X display sway gives its clients is read from the environment its
    // first command sees.
    std::ofstream(dir_ + "/config") << "output HEADLESS-1 mode " << mode << " scale " << scale
                                    << "\nxwayland enable\nexec env > " << dir_ << "/env\n";
    pid_ = fork();
    if (pid_ == 0) {
      setpgid(0, 0);
      setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
      setenv("WLR_BACKENDS", "headless", 1);
      setenv("WLR_RENDERER", "pixman", 1);
      setenv("WLR_LIBINPUT_NO_DEVICES", "1", 1);
      unsetenv("WAYLAND_DISPLAY");
      unsetenv("DISPLAY");
      dup2(open((dir_ + "/sway.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
      dup2(open("/dev/null", O_WRONLY), 1);
      execlp("sway", "sway", "-c", (dir_ + "/config").c_str(), static_cast<char *>(nullptr));
      _exit(127);
    }
    const bool up = wait_until(20, [&] {
      std::ifstream env(dir_ + "/env");
      for (std::string line; std::getline(env, line);) {
        if (line.rfind("WAYLAND_DISPLAY=", 0) == 0)
          wayland_ = line.substr(16);
        if (line.rfind("DISPLAY=", 0) == 0)
          x_ = line.substr(8);
      }
      return !wayland_.empty() && !x_.empty();
    });
    if (!up)
      *why = "sway did not start with Xwayland: " + log();
    return up;
  }

  // Runs `command` as a client of this compositor, reading or writing its
  // standard input or output.
  FILE *client(const std::string &command, const char *mode) const {
    const std::string env = "XDG_RUNTIME_DIR=" + dir_ + " WAYLAND_DISPLAY=" + wayland_ + " ";
    return popen((env + command).c_str(), mode);
  }

  // The whole output, as the compositor shows it.
  Shot screenshot() const {
    Shot s;
    FILE *f = client("grim -t ppm -", "r");
    int maxval = 0;
    if (f && fscanf(f, "P6 %d %d %d", &s.w, &s.h, &maxval) == 3 && maxval == 255 &&
        fgetc(f) != EOF) {
      std::string raw(static_cast<size_t>(s.w) * s.h * 3, '\0');
      if (fread(&raw[0], 1, raw.size(), f) == raw.size()) {
        s.px.resize(static_cast<size_t>(s.w) * s.h);
        for (size_t i = 0; i < s.px.size(); i++)
          s.px[i] = {static_cast<unsigned char>(raw[3 * i]),
                     static_cast<unsigned char>(raw[3 * i + 1]),
                     static_cast<unsigned char>(raw[3 * i + 2])};
      }
    }
    if (f)
      pclose(f);
    if (s.px.empty())
      s.w = s.h = 0;
    return s;
  }

  const std::string &x_display() const { return x_; }
  std::string log() const {
    std::stringstream text;
    text << std::ifstream(dir_ + "/sway.log").rdbuf();
    const std::string all = text.str();
    return all.size() > 2000 ? all.substr(all.size() - 2000) : all;
  }

private:
  pid_t pid_ = -1;
  std::string dir_, wayland_, x_;
};

// A keyboard on the compositor's seat, made once and kept for the whole run.
class SeatKeyboard {
public:
  explicit SeatKeyboard(const Sway &sway) : pipe_(sway.client(SEATKEYS, "w")) {}
  ~SeatKeyboard() {
    if (pipe_)
      pclose(pipe_);
  }
  bool ok() const { return pipe_ != nullptr; }
  void down(const char *key) { send("down", key); }
  void up(const char *key) { send("up", key); }
  void tap(const char *key) {
    down(key);
    wait_until(TAP_SECONDS, [] { return false; });
    up(key);
  }

private:
  void send(const char *action, const char *key) {
    fprintf(pipe_, "%s %s\n", action, key);
    fflush(pipe_);
  }
  FILE *pipe_;
};

Box panel(const Shot &s) {
  Box b{s.w, s.h, -1, -1};
  for (int y = 0; y < s.h; y++)
    for (int x = 0; x < s.w; x++)
      if (near(s.at(x, y), 22, 32, 74)) {
        b.x0 = std::min(b.x0, x);
        b.x1 = std::max(b.x1, x);
        b.y0 = std::min(b.y0, y);
        b.y1 = std::max(b.y1, y);
      }
  return b;
}

} // namespace

// On a wide output, a 16:10 one and a 4K one at scale 2, the game's picture
// keeps its shape: the game-over panel, brought up by holding Up until the
// first coin is missed, is as wide for its height as in the picture. A short
// Enter leaves the panel, and Esc quits with status 0.
TEST(Wayland, InstalledGameKeepsItsShapeAndPlaysFromTheSeatsKeyboard) {
  const char *installed = getenv("COINFLIGHT_INSTALLED");
  if (!installed)
    GTEST_SKIP() << "run by the install checks";
  ASSERT_NE(geteuid(), 0u) << "a desktop's player is not root";
  struct Output {
    const char *mode;
    int scale;
  } const outputs[] = {{"1920x1080", 1}, {"1920x1200", 1}, {"3840x2160", 2}};
  for (const Output &o : outputs) {
    SCOPED_TRACE(std::string(o.mode) + " at scale " + std::to_string(o.scale));
    Sway sway;
    std::string why;
    ASSERT_TRUE(sway.start(o.mode, o.scale, &why)) << why;
    // The keyboard is there before the game, as a player's is, and a second
    // before its first key.
    SeatKeyboard keys(sway);
    ASSERT_TRUE(keys.ok());
    wait_until(1.0, [] { return false; });

    GameProcess game;
    ASSERT_TRUE(game.start(installed, temp_dir(), sway.x_display()));
    ASSERT_TRUE(wait_until(30,
                           [&] {
                             const Shot s = sway.screenshot();
                             return s.w > 0 && !near(s.at(s.w / 2, s.h / 2), BACKGROUND, BACKGROUND,
                                                     BACKGROUND, 8);
                           }))
        << "the game never showed; stderr: " << game.err() << "; sway: " << sway.log();

    keys.down("up");
    Box box;
    const bool over = wait_until(30, [&] { return !(box = panel(sway.screenshot())).empty(); });
    keys.up("up");
    ASSERT_TRUE(over) << "no game-over panel; stderr: " << game.err();
    const double shape = static_cast<double>(box.w()) / box.h();
    EXPECT_NEAR(shape / PANEL_SHAPE, 1.0, SHAPE_TOLERANCE)
        << "the panel's inside is " << box.w() << "x" << box.h() << " on the output";
    std::printf("[ panel    ] %s scale %d: %dx%d at (%d, %d)\n", o.mode, o.scale, box.w(), box.h(),
                box.x0, box.y0);

    keys.tap("enter");
    EXPECT_TRUE(wait_until(10, [&] { return panel(sway.screenshot()).empty(); }))
        << "a short Enter was missed";

    // Esc held about half a second; a panel that came up again meanwhile
    // takes an Enter first.
    keys.down("esc");
    int status = -1;
    bool ended = game.wait_exit(0.3, &status);
    if (!ended) {
      keys.tap("enter");
      ended = game.wait_exit(0.3, &status);
    }
    keys.up("esc");
    ended = ended || game.wait_exit(10, &status);
    ASSERT_TRUE(ended) << "Esc did not end the game";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(game.err(), "");
  }
}
