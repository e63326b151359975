// SPDX-License-Identifier: MIT
// xsession.h — drives the real coinflight binary on a private X server.
//
// XServer starts Xvfb on a free display (Xvfb picks it and reports it through
// -displayfd). GameProcess starts the game in a chosen folder with its output
// captured, a game built for another machine through an emulator. The
// helpers press keys through XTest and read the game window's pixels with
// XGetImage, so a test sees and plays the game as a person does.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// Seconds on a steady clock, for deadlines and for timing what the game shows.
double now();

// Polls `done` until it holds or `seconds` pass; returns whether it held.
bool wait_until(double seconds, const std::function<bool()> &done);

class XServer {
public:
  XServer() = default;
  XServer(const XServer &) = delete;
  XServer &operator=(const XServer &) = delete;
  ~XServer();
  // Starts Xvfb with a screen of `size` ("1024x768") and `depth` bits (24
  // or 16) and connects to it.
  bool start(std::string *why, int depth = 24, const std::string &size = "1024x768");
  // Ends the server, as a display that goes away under its programs.
  void kill_server();
  const std::string &name() const { return display_name_; }
  Display *dpy = nullptr;

private:
  pid_t pid_ = -1;
  std::string display_name_;
};

class GameProcess {
public:
  GameProcess() = default;
  GameProcess(const GameProcess &) = delete;
  GameProcess &operator=(const GameProcess &) = delete;
  ~GameProcess();
  // Starts `exe` in `dir` (as `emulator exe` when an emulator is named), with
  // DISPLAY set to `display` or unset when empty.
  bool start(const std::string &exe, const std::string &dir, const std::string &display,
             const std::string &emulator = "");
  std::vector<std::string> args; // given to the program after its name
  std::vector<std::string> env;  // "NAME=VALUE", set for the program
  // Waits up to `seconds` for the game to end; true and its exit status if so.
  bool wait_exit(double seconds, int *exit_status);
  bool running();
  void signal(int sig);    // sends a signal to the running game
  std::string out() const; // everything it wrote to stdout
  std::string err() const; // everything it wrote to stderr

private:
  pid_t pid_ = -1;
  int status_ = 0;
  std::string out_path_, err_path_;
};

struct Rgb {
  int r, g, b;
};

// A picture of the game window (or a compositor's output).
struct Shot {
  int w = 0, h = 0;
  std::vector<Rgb> px;
  Rgb at(int x, int y) const { return px[y * w + x]; }
};

// True when the colour is within `tolerance` of (r, g, b) in every channel
// (the game's 16-bit colours come back widened to 24 bits).
bool near(Rgb c, int r, int g, int b, int tolerance = 12);

// Finds the game's mapped window of w x h (1024x768 unless said), waiting
// up to `seconds`.
Window find_game_window(Display *dpy, double seconds, int w = 1024, int h = 768);

// Finds a mapped top-level window of a message box's size (larger than
// 100x50, smaller than 640x400), waiting up to `seconds`, and gives it the
// keyboard.
Window find_small_window(Display *dpy, double seconds);

Shot grab(Display *dpy, Window win);

// The WM_CLASS of every top-level window, as "instance/class", with its size
// ("1024x768", and "unmapped" when it is not shown).
std::vector<std::string> window_classes(Display *dpy);

void key_down(Display *dpy, unsigned long keysym);
void key_up(Display *dpy, unsigned long keysym);

// How many pixels the sky moved left from `a` to `b`, read off the meadow
// rows between the coins' lowest reach and the score line.
int sky_shift(const Shot &a, const Shot &b);

// Makes a fresh temporary folder and returns its path.
std::string temp_dir();
