// SPDX-License-Identifier: MIT
// The installed game on a Wayland desktop: sway, headless, on the outputs
// players have, wide, small, fractionally scaled and HiDPI. The game draws on
// the compositor natively, as in any Wayland session, and once through
// Xwayland, as where SDL_VIDEODRIVER asks for X11. The picture is read back
// through the compositor (grim) and the keys come through its seat
// (seatkeys), as a player's screen and keyboard would. The install check runs
// this as an ordinary user with COINFLIGHT_INSTALLED naming the command.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "xsession.h"

namespace {

const std::string SEATKEYS = COINFLIGHT_SEATKEYS;
const std::string GNOMEKEYS = COINFLIGHT_GNOMEKEYS;
// The keysyms the GNOME test presses.
constexpr unsigned KEYSYM_UP = 0xff52, KEYSYM_ENTER = 0xff0d, KEYSYM_ESC = 0xff1b;
constexpr double TAP_SECONDS = 0.15; // a player's short press

// The picture's shape, and the inside of the game-over panel: 410 x 154 navy
// pixels in the picture.
constexpr double PICTURE_SHAPE = 4.0 / 3.0;
constexpr double PANEL_SHAPE = 410.0 / 154.0;
constexpr double PICTURE_TOLERANCE = 0.01; // of the picture's size and shape on the output
constexpr double PANEL_TOLERANCE = 0.03;   // of the panel's shape, a few pixels tall
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
  // Widens the box to hold columns xa to xb of row y.
  void widen(int xa, int xb, int y) {
    x0 = std::min(x0, xa);
    x1 = std::max(x1, xb);
    y0 = std::min(y0, y);
    y1 = std::max(y1, y);
  }
};

// Ends a process group started for a test, and waits for its leader.
void stop_group(pid_t pid, double seconds) {
  if (pid <= 0)
    return;
  kill(-pid, SIGTERM);
  if (!wait_until(seconds, [&] { return waitpid(pid, nullptr, WNOHANG) == pid; })) {
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
}

// A binary PPM picture, as grim and gnomekeys.py write them; empty if it is
// not one.
Shot read_ppm(FILE *f) {
  Shot s;
  int maxval = 0;
  if (f && fscanf(f, "P6 %d %d %d", &s.w, &s.h, &maxval) == 3 && maxval == 255 && fgetc(f) != EOF) {
    std::string raw(static_cast<size_t>(s.w) * s.h * 3, '\0');
    if (fread(&raw[0], 1, raw.size(), f) == raw.size()) {
      s.px.resize(static_cast<size_t>(s.w) * s.h);
      for (size_t i = 0; i < s.px.size(); i++)
        s.px[i] = {static_cast<unsigned char>(raw[3 * i]),
                   static_cast<unsigned char>(raw[3 * i + 1]),
                   static_cast<unsigned char>(raw[3 * i + 2])};
    }
  }
  if (s.px.empty())
    s.w = s.h = 0;
  return s;
}

// sway on a headless output of a given mode and scale, with its Xwayland, in
// a runtime folder of its own; ended with everything it started.
class Sway {
public:
  ~Sway() { stop_group(pid_, 5); }

  bool start(const std::string &mode, const std::string &scale, std::string *why) {
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
    FILE *f = client("grim -t ppm -", "r");
    const Shot s = read_ppm(f);
    if (f)
      pclose(f);
    return s;
  }

  const std::string &x_display() const { return x_; }
  // What a program of this desktop's session has in its environment.
  std::vector<std::string> session_env() const {
    return {"XDG_RUNTIME_DIR=" + dir_, "WAYLAND_DISPLAY=" + wayland_};
  }
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

// A message bus of the session's own, ended with the test.
class Bus {
public:
  ~Bus() {
    if (pid_ > 0)
      kill(pid_, SIGTERM);
  }
  bool start() {
    FILE *f =
        popen("dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1", "r");
    char address[512] = "";
    if (!f || fscanf(f, "%511s %d", address, &pid_) != 2)
      pid_ = -1;
    if (f)
      pclose(f);
    address_ = address;
    return pid_ > 0;
  }
  const std::string &address() const { return address_; }

private:
  pid_t pid_ = -1;
  std::string address_;
};

// GNOME Shell, headless, on a virtual monitor, with a session bus of its own
// and a second one standing in for the system bus it needs to start.
class GnomeShell {
public:
  ~GnomeShell() { stop_group(pid_, 10); }

  bool start(const std::string &size, std::string *why) {
    dir_ = temp_dir();
    chmod(dir_.c_str(), 0700);
    if (!session_.start() || !system_.start()) {
      *why = "no dbus-daemon";
      return false;
    }
    pid_ = fork();
    if (pid_ == 0) {
      setpgid(0, 0);
      setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
      setenv("DBUS_SESSION_BUS_ADDRESS", session_.address().c_str(), 1);
      setenv("DBUS_SYSTEM_BUS_ADDRESS", system_.address().c_str(), 1);
      unsetenv("WAYLAND_DISPLAY");
      unsetenv("DISPLAY");
      dup2(open((dir_ + "/shell.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
      dup2(open("/dev/null", O_WRONLY), 1);
      execlp("gnome-shell", "gnome-shell", "--wayland", "--headless", "--virtual-monitor",
             size.c_str(), ("--wayland-display=" + std::string(WAYLAND_NAME)).c_str(),
             static_cast<char *>(nullptr));
      _exit(127);
    }
    struct stat st;
    const bool up = wait_until(60, [&] {
      return stat((dir_ + "/" + WAYLAND_NAME).c_str(), &st) == 0 &&
             waitpid(pid_, nullptr, WNOHANG) == 0;
    });
    if (!up)
      *why = "gnome-shell did not start: " + log();
    return up;
  }

  std::vector<std::string> session_env() const {
    return {"XDG_RUNTIME_DIR=" + dir_, "WAYLAND_DISPLAY=" + std::string(WAYLAND_NAME),
            "DBUS_SESSION_BUS_ADDRESS=" + session_.address()};
  }
  std::string log() const {
    std::stringstream text;
    text << std::ifstream(dir_ + "/shell.log").rdbuf();
    const std::string all = text.str();
    return all.size() > 2000 ? all.substr(all.size() - 2000) : all;
  }

private:
  static constexpr const char *WAYLAND_NAME = "coinflight-test";
  pid_t pid_ = -1;
  std::string dir_;
  Bus session_, system_;
};

// A player's screen and keyboard on GNOME Shell: gnomekeys.py, which takes
// screenshots through the shell and presses keys through Mutter's remote
// desktop session, kept for the whole run.
class GnomeKeys {
public:
  explicit GnomeKeys(const GnomeShell &shell) {
    const std::vector<std::string> env = shell.session_env();
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0)
      return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      close(in[1]);
      close(out[0]);
      for (const std::string &e : env)
        putenv(const_cast<char *>(e.c_str()));
      execl("/usr/bin/python3", "python3", GNOMEKEYS.c_str(), static_cast<char *>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    to_ = fdopen(in[1], "w");
    from_ = fdopen(out[0], "r");
    shot_ = temp_dir() + "/shot.ppm";
  }
  ~GnomeKeys() {
    if (to_)
      fclose(to_);
    if (from_)
      fclose(from_);
    if (pid_ > 0)
      waitpid(pid_, nullptr, 0);
  }
  // Sends a command and returns its answer ("ok", or why not).
  std::string ask(const std::string &command) {
    char answer[512] = "no answer";
    if (!to_ || !from_ || fprintf(to_, "%s\n", command.c_str()) < 0 || fflush(to_) != 0 ||
        !fgets(answer, sizeof answer, from_))
      return "no answer";
    answer[strcspn(answer, "\n")] = '\0';
    return answer;
  }
  void down(unsigned keysym) { ask("down " + std::to_string(keysym)); }
  void up(unsigned keysym) { ask("up " + std::to_string(keysym)); }
  void tap(unsigned keysym) {
    down(keysym);
    wait_until(TAP_SECONDS, [] { return false; });
    up(keysym);
  }
  Shot screenshot() {
    if (ask("shot " + shot_) != "ok")
      return Shot{};
    FILE *f = fopen(shot_.c_str(), "rb");
    const Shot s = read_ppm(f);
    if (f)
      fclose(f);
    return s;
  }

private:
  pid_t pid_ = -1;
  FILE *to_ = nullptr, *from_ = nullptr;
  std::string shot_;
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
  // Alt held, Enter tapped, Alt let go, a player's moment apart.
  void alt_enter() {
    down("alt");
    wait_until(TAP_SECONDS, [] { return false; });
    tap("enter");
    wait_until(TAP_SECONDS, [] { return false; });
    up("alt");
  }

private:
  void send(const char *action, const char *key) {
    fprintf(pipe_, "%s %s\n", action, key);
    fflush(pipe_);
  }
  FILE *pipe_;
};

// The box around every pixel of the output that `wanted` picks.
Box box_of(const Shot &s, const std::function<bool(Rgb)> &wanted) {
  Box b{s.w, s.h, -1, -1};
  for (int y = 0; y < s.h; y++)
    for (int x = 0; x < s.w; x++)
      if (wanted(s.at(x, y)))
        b.widen(x, x, y);
  return b;
}

// The navy inside of the game-over panel: the rows that hold a run of it at
// least PANEL_ROW long (a scaled edge elsewhere may come out navy here and
// there), across the navy in them.
Box panel(const Shot &s) {
  constexpr int PANEL_ROW = 100;
  Box b{s.w, s.h, -1, -1};
  for (int y = 0; y < s.h; y++) {
    int run = 0, longest = 0, x0 = s.w, x1 = -1;
    for (int x = 0; x < s.w; x++) {
      run = near(s.at(x, y), 22, 32, 74) ? run + 1 : 0;
      if (run > longest) {
        longest = run;
        x1 = x;
        x0 = x - run + 1;
      }
    }
    if (longest >= PANEL_ROW)
      b.widen(x0, x1, y);
  }
  return b;
}

// The picture on a full-screen output: all that is not black.
Box picture(const Shot &s) {
  return box_of(s, [](Rgb c) { return !near(c, 0, 0, 0, 6); });
}

double shape(const Box &b) { return static_cast<double>(b.w()) / b.h(); }

} // namespace

// Full screen on every output: the picture fills the output's height with its
// shape, centred, nothing cut off and nothing around it but black. A short
// Enter leaves the game-over panel; Alt+Enter over the panel makes a window
// that keeps the picture's shape and leaves the panel up (its Enter never
// reaches the game), a second Alt+Enter goes back; Esc quits with status 0.
TEST(Wayland, InstalledGameFillsEveryOutputAndPlaysFromTheSeatsKeyboard) {
  const char *installed = getenv("COINFLIGHT_INSTALLED");
  if (!installed)
    GTEST_SKIP() << "run by the install checks";
  ASSERT_NE(geteuid(), 0u) << "a desktop's player is not root";
  struct Output {
    const char *mode, *scale;
    bool through_xwayland;
  } const outputs[] = {{"1920x1080", "1", false},   {"1366x768", "1", false},
                       {"1920x1080", "1.5", false}, {"2560x1600", "2", false},
                       {"3840x2160", "2", false},   {"1920x1080", "1", true}};
  for (const Output &o : outputs) {
    SCOPED_TRACE(std::string(o.mode) + " at scale " + o.scale +
                 (o.through_xwayland ? " through Xwayland" : ""));
    Sway sway;
    std::string why;
    ASSERT_TRUE(sway.start(o.mode, o.scale, &why)) << why;
    // The keyboard is there before the game, as a player's is, and a second
    // before its first key.
    SeatKeyboard keys(sway);
    ASSERT_TRUE(keys.ok());
    wait_until(1.0, [] { return false; });

    GameProcess game;
    game.env = sway.session_env();
    if (o.through_xwayland)
      game.env.push_back("SDL_VIDEODRIVER=x11");
    ASSERT_TRUE(game.start(installed, temp_dir(), sway.x_display()));
    Shot s;
    ASSERT_TRUE(wait_until(30,
                           [&] {
                             s = sway.screenshot();
                             return s.w > 0 && !near(s.at(s.w / 2, s.h / 2), BACKGROUND, BACKGROUND,
                                                     BACKGROUND, 8);
                           }))
        << "the game never showed; stderr: " << game.err() << "; sway: " << sway.log();
    wait_until(0.5, [] { return false; }); // the compositor settles on full screen
    s = sway.screenshot();
    const Box shown = picture(s);
    std::printf("[ picture  ] %s scale %s%s: %dx%d at (%d, %d) on %dx%d\n", o.mode, o.scale,
                o.through_xwayland ? " (Xwayland)" : "", shown.w(), shown.h(), shown.x0, shown.y0,
                s.w, s.h);
    EXPECT_NEAR(static_cast<double>(shown.h()) / s.h, 1.0, PICTURE_TOLERANCE)
        << "the picture fills the output's height";
    EXPECT_NEAR(shape(shown) / PICTURE_SHAPE, 1.0, PICTURE_TOLERANCE) << "and keeps its shape";
    EXPECT_NEAR(shown.x0, s.w - 1 - shown.x1, 2) << "in the middle";

    keys.down("up");
    Box full;
    const bool over = wait_until(30, [&] { return !(full = panel(sway.screenshot())).empty(); });
    keys.up("up");
    ASSERT_TRUE(over) << "no game-over panel; stderr: " << game.err();
    EXPECT_NEAR(shape(full) / PANEL_SHAPE, 1.0, PANEL_TOLERANCE)
        << "the panel's inside is " << full.w() << "x" << full.h() << " on the output";

    if (!o.through_xwayland) {
      // Alt+Enter: a window, smaller than the full screen, the panel still up.
      // (sway tiles windows; through its Xwayland an X window leaving full
      // screen is told the output's whole size again, so that case is left
      // to the X11 desktops.)
      keys.alt_enter();
      Box windowed;
      EXPECT_TRUE(wait_until(10, [&] {
        windowed = panel(sway.screenshot());
        return !windowed.empty() && windowed.w() < full.w();
      })) << "Alt+Enter made no window, or its Enter reached the game";
      if (!windowed.empty()) {
        EXPECT_NEAR(shape(windowed) / PANEL_SHAPE, 1.0, PANEL_TOLERANCE)
            << "the panel's inside is " << windowed.w() << "x" << windowed.h() << " in the window";
      }
      keys.alt_enter();
      EXPECT_TRUE(wait_until(10, [&] { return panel(sway.screenshot()).w() == full.w(); }))
          << "a second Alt+Enter did not go back to full screen";
    }

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

// GNOME Shell at 1920x1080, the desktop most Debian players have: the game
// comes up full screen over the top bar (1440x1080 in the middle, nothing else
// showing), plays from keys sent through Mutter's remote desktop, and Esc
// quits with status 0.
TEST(Wayland, InstalledGameFillsGnomeShellsScreen) {
  const char *installed = getenv("COINFLIGHT_INSTALLED");
  if (!installed)
    GTEST_SKIP() << "run by the install checks";
  ASSERT_NE(geteuid(), 0u) << "a desktop's player is not root";
  GnomeShell shell;
  std::string why;
  ASSERT_TRUE(shell.start("1920x1080", &why)) << why;
  GnomeKeys keys(shell);
  const std::string first = temp_dir() + "/first.ppm";
  std::string answer;
  ASSERT_TRUE(wait_until(30, [&] { return (answer = keys.ask("shot " + first)) == "ok"; }))
      << "no remote desktop session: " << answer << "; shell: " << shell.log();
  keys.tap(KEYSYM_ESC); // the shell starts in its Overview

  GameProcess game;
  game.env = shell.session_env();
  ASSERT_TRUE(game.start(installed, temp_dir(), ""));
  Box shown;
  Shot s;
  const bool full = wait_until(30, [&] {
    s = keys.screenshot();
    shown = picture(s);
    return s.w == 1920 && shown.w() == 1440 && shown.h() == 1080;
  });
  std::printf("[ picture  ] GNOME Shell 1920x1080: %dx%d at (%d, %d) on %dx%d\n", shown.w(),
              shown.h(), shown.x0, shown.y0, s.w, s.h);
  ASSERT_TRUE(full) << "the game is not full screen over the top bar; stderr: " << game.err();
  EXPECT_EQ(shown.x0, 240);
  EXPECT_EQ(shown.y0, 0);

  keys.down(KEYSYM_UP);
  const bool over = wait_until(30, [&] { return !panel(keys.screenshot()).empty(); });
  keys.up(KEYSYM_UP);
  ASSERT_TRUE(over) << "no game-over panel; stderr: " << game.err();
  keys.tap(KEYSYM_ENTER);
  EXPECT_TRUE(wait_until(10, [&] { return panel(keys.screenshot()).empty(); }))
      << "a short Enter was missed";

  keys.down(KEYSYM_ESC);
  int status = -1;
  bool ended = game.wait_exit(0.5, &status);
  if (!ended) {
    keys.tap(KEYSYM_ENTER);
    ended = game.wait_exit(0.5, &status);
  }
  keys.up(KEYSYM_ESC);
  ended = ended || game.wait_exit(10, &status);
  ASSERT_TRUE(ended) << "Esc did not end the game";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(game.err(), "");
}
