// SPDX-License-Identifier: MIT
// xsession.cpp — Xvfb, the game process, XTest keys and XGetImage pixels.
#include "xsession.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

double now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

bool wait_until(double seconds, const std::function<bool()> &done) {
  const double deadline = now() + seconds;
  while (!done()) {
    if (now() > deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

static void stop_process(pid_t pid) {
  if (pid <= 0)
    return;
  kill(pid, SIGTERM);
  if (!wait_until(5, [&] { return waitpid(pid, nullptr, WNOHANG) == pid; })) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
}

// Windows come and go while a test looks at them (Wine makes and drops many):
// a request about one that has just gone fails, and the caller sees that
// failure in the request's result, rather than the process being ended.
static int ignore_x_error(Display *, XErrorEvent *) { return 0; }

bool XServer::start(std::string *why, int depth, const std::string &size) {
  int fds[2];
  if (pipe(fds) != 0) {
    *why = "pipe failed";
    return false;
  }
  pid_ = fork();
  if (pid_ == 0) {
    close(fds[0]);
    int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, 1);
    dup2(devnull, 2);
    const std::string fd = std::to_string(fds[1]);
    const std::string screen = size + "x" + std::to_string(depth);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
           "tcp", "-noreset", static_cast<char *>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  // Xvfb writes its display number followed by a newline once it is ready.
  std::string number;
  const double deadline = now() + 20;
  while (number.empty() || number.back() != '\n') {
    pollfd p{fds[0], POLLIN, 0};
    const int left_ms = static_cast<int>((deadline - now()) * 1000);
    char c;
    if (left_ms <= 0 || poll(&p, 1, left_ms) <= 0 || read(fds[0], &c, 1) != 1) {
      close(fds[0]);
      *why = "Xvfb did not report a display (is the xvfb package installed?)";
      return false;
    }
    number += c;
  }
  close(fds[0]);
  number.pop_back();
  display_name_ = ":" + number;
  dpy = XOpenDisplay(display_name_.c_str());
  if (!dpy) {
    *why = "cannot connect to Xvfb on " + display_name_;
    return false;
  }
  XSetErrorHandler(ignore_x_error);
  int event_base, error_base, major, minor;
  if (!XTestQueryExtension(dpy, &event_base, &error_base, &major, &minor)) {
    *why = "Xvfb has no XTest extension";
    return false;
  }
  return true;
}

void XServer::kill_server() {
  stop_process(pid_);
  pid_ = -1;
}

XServer::~XServer() {
  if (dpy && pid_ > 0)
    XCloseDisplay(dpy);
  stop_process(pid_);
}

bool GameProcess::start(const std::string &exe, const std::string &dir, const std::string &display,
                        const std::string &emulator) {
  const std::string logs = temp_dir();
  out_path_ = logs + "/stdout";
  err_path_ = logs + "/stderr";
  pid_ = fork();
  if (pid_ == 0) {
    if (chdir(dir.c_str()) != 0)
      _exit(126);
    if (display.empty())
      unsetenv("DISPLAY");
    else
      setenv("DISPLAY", display.c_str(), 1);
    for (const std::string &e : env)
      putenv(const_cast<char *>(e.c_str()));
    dup2(open(out_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    dup2(open(err_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    std::vector<char *> argv;
    if (!emulator.empty())
      argv.push_back(const_cast<char *>(emulator.c_str()));
    argv.push_back(const_cast<char *>(exe.c_str()));
    for (const std::string &a : args)
      argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  return pid_ > 0;
}

bool GameProcess::running() {
  if (pid_ <= 0)
    return false;
  if (waitpid(pid_, &status_, WNOHANG) == pid_) {
    pid_ = -1;
    return false;
  }
  return true;
}

void GameProcess::signal(int sig) {
  if (pid_ > 0)
    kill(pid_, sig);
}

bool GameProcess::wait_exit(double seconds, int *exit_status) {
  if (!wait_until(seconds, [&] { return !running(); }))
    return false;
  *exit_status = WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
  return true;
}

GameProcess::~GameProcess() { stop_process(pid_); }

static std::string slurp(const std::string &path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
std::string GameProcess::out() const { return slurp(out_path_); }
std::string GameProcess::err() const { return slurp(err_path_); }

bool near(Rgb c, int r, int g, int b, int tolerance) {
  return std::abs(c.r - r) <= tolerance && std::abs(c.g - g) <= tolerance &&
         std::abs(c.b - b) <= tolerance;
}

// The first mapped top-level window that `wanted` accepts, waiting up to
// `seconds`; it is given the pointer and the keyboard focus.
static Window find_window(Display *dpy, double seconds,
                          const std::function<bool(const XWindowAttributes &)> &wanted) {
  Window found = 0;
  int w = 0, h = 0;
  wait_until(seconds, [&] {
    Window root, parent, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n))
      return false;
    for (unsigned int i = 0; i < n && !found; i++) {
      XWindowAttributes a;
      if (XGetWindowAttributes(dpy, children[i], &a) && a.map_state == IsViewable && wanted(a)) {
        found = children[i];
        w = a.width;
        h = a.height;
      }
    }
    if (children)
      XFree(children);
    return found != 0;
  });
  if (found) {
    // Keys go to the window under the pointer and to the focus: give it both.
    XWarpPointer(dpy, None, found, 0, 0, 0, 0, w / 2, h / 2);
    XSetInputFocus(dpy, found, RevertToPointerRoot, CurrentTime);
    XSync(dpy, False);
  }
  return found;
}

Window find_game_window(Display *dpy, double seconds, int w, int h) {
  return find_window(dpy, seconds,
                     [&](const XWindowAttributes &a) { return a.width == w && a.height == h; });
}

Window find_small_window(Display *dpy, double seconds) {
  return find_window(dpy, seconds, [](const XWindowAttributes &a) {
    return a.width > 100 && a.height > 50 && a.width < 640 && a.height < 400;
  });
}

Shot grab(Display *dpy, Window win) {
  Shot s;
  XWindowAttributes a;
  if (!XGetWindowAttributes(dpy, win, &a))
    return s;
  XImage *img = XGetImage(dpy, win, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
  if (!img)
    return s;
  s.w = img->width;
  s.h = img->height;
  s.px.resize(s.w * s.h);
  // Each channel widened to 8 bits, whatever the screen's depth.
  auto channel = [](unsigned long p, unsigned long mask) {
    int shift = 0, bits = 0;
    while (mask && !(mask & 1)) {
      mask >>= 1;
      shift++;
    }
    while (mask >> bits)
      bits++;
    const long v = static_cast<long>((p >> shift) & mask);
    return bits == 0 ? 0 : static_cast<int>(v * 255 / ((1L << bits) - 1));
  };
  for (int y = 0; y < s.h; y++)
    for (int x = 0; x < s.w; x++) {
      const unsigned long p = XGetPixel(img, x, y);
      s.px[y * s.w + x] = {channel(p, img->red_mask), channel(p, img->green_mask),
                           channel(p, img->blue_mask)};
    }
  XDestroyImage(img);
  return s;
}

std::vector<std::string> window_classes(Display *dpy) {
  std::vector<std::string> classes;
  Window root, parent, *children = nullptr;
  unsigned int n = 0;
  if (!XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n))
    return classes;
  for (unsigned int i = 0; i < n; i++) {
    XClassHint hint;
    XWindowAttributes a;
    if (XGetClassHint(dpy, children[i], &hint)) {
      std::string c = std::string(hint.res_name) + "/" + hint.res_class;
      XFree(hint.res_name);
      XFree(hint.res_class);
      if (XGetWindowAttributes(dpy, children[i], &a))
        c += " " + std::to_string(a.width) + "x" + std::to_string(a.height) +
             (a.map_state == IsViewable ? "" : " unmapped");
      classes.push_back(c);
    }
  }
  if (children)
    XFree(children);
  return classes;
}

static void key(Display *dpy, unsigned long keysym, bool down) {
  XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, keysym), down, CurrentTime);
  XSync(dpy, False);
}
void key_down(Display *dpy, unsigned long keysym) { key(dpy, keysym, true); }
void key_up(Display *dpy, unsigned long keysym) { key(dpy, keysym, false); }

int sky_shift(const Shot &a, const Shot &b) {
  constexpr int TOP = 726, BOTTOM = 746, LEFT = 200, WIDTH = 500, MAX_SHIFT = 300;
  int best = -1, best_mismatch = 1 << 30;
  for (int s = 0; s <= MAX_SHIFT; s++) {
    int mismatch = 0;
    for (int y = TOP; y < BOTTOM; y++)
      for (int x = LEFT; x < LEFT + WIDTH; x++) {
        const Rgb p = a.at(x + s, y), q = b.at(x, y);
        mismatch += !near(p, q.r, q.g, q.b, 16);
      }
    if (mismatch < best_mismatch) {
      best_mismatch = mismatch;
      best = s;
    }
  }
  return best;
}

std::string temp_dir() {
  char pattern[] = "/tmp/coinflight-test-XXXXXX";
  const char *dir = mkdtemp(pattern);
  return dir ? dir : "/tmp";
}
