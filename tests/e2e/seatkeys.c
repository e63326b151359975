// SPDX-License-Identifier: MIT
// seatkeys — a keyboard on a Wayland compositor's seat, for the tests.
//
// It makes one virtual keyboard (the compositor's virtual-keyboard protocol)
// with the ordinary evdev "us" keymap, as a plugged-in keyboard has, and then
// presses and releases keys as told on standard input, one line each:
//   down up | up up | down enter | up esc ...   (names: up down enter esc)
// It ends at end of input. The keyboard stays the same for the whole run, so
// a program started after it sees the same keymap as the keys it is sent:
// X programs under Xwayland that read the keymap once at start (as Allegro
// does) then map every key right.
//   WAYLAND_DISPLAY=wayland-1 seatkeys < commands
#define _GNU_SOURCE
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

// The protocol's two interfaces, written out (it ships with compositors, not
// with wayland-protocols): the manager makes a keyboard for a seat; the
// keyboard takes a keymap, keys and modifiers.
extern const struct wl_interface zwp_virtual_keyboard_v1_interface;
static const struct wl_interface *create_types[] = {&wl_seat_interface,
                                                    &zwp_virtual_keyboard_v1_interface};
static const struct wl_interface *no_types[] = {NULL, NULL, NULL, NULL};
static const struct wl_message manager_requests[] = {
    {"create_virtual_keyboard", "on", create_types}};
static const struct wl_interface manager_interface = {
    "zwp_virtual_keyboard_manager_v1", 1, 1, manager_requests, 0, NULL};
static const struct wl_message keyboard_requests[] = {{"keymap", "uhu", no_types},
                                                      {"key", "uuu", no_types},
                                                      {"modifiers", "uuuu", no_types},
                                                      {"destroy", "", no_types}};
const struct wl_interface zwp_virtual_keyboard_v1_interface = {"zwp_virtual_keyboard_v1", 1, 4,
                                                               keyboard_requests,         0, NULL};
enum { KEYMAP, KEY, MODIFIERS, DESTROY };

static struct wl_seat *seat;
static struct wl_proxy *manager;

// Binds the first seat and the virtual keyboard manager.
static void global(void *data, struct wl_registry *registry, uint32_t name, const char *iface,
                   uint32_t version) {
  (void)data;
  (void)version;
  if (!seat && strcmp(iface, "wl_seat") == 0)
    seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
  else if (strcmp(iface, manager_interface.name) == 0)
    manager = wl_registry_bind(registry, name, &manager_interface, 1);
}

static void global_remove(void *data, struct wl_registry *registry, uint32_t name) {
  (void)data;
  (void)registry;
  (void)name;
}

static const struct wl_registry_listener registry_listener = {global, global_remove};

// The evdev codes of the keys the tests press.
static int code_of(const char *name) {
  static const struct {
    const char *name;
    int code;
  } keys[] = {{"esc", 1}, {"enter", 28}, {"alt", 56}, {"f11", 87}, {"up", 103}, {"down", 108}};
  for (size_t i = 0; i < sizeof keys / sizeof keys[0]; i++)
    if (strcmp(name, keys[i].name) == 0)
      return keys[i].code;
  return -1;
}

// Milliseconds, for the key events' time stamps.
static uint32_t now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (uint32_t)(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

int main(void) {
  struct wl_display *display = wl_display_connect(NULL);
  if (!display) {
    fprintf(stderr, "seatkeys: no Wayland display\n");
    return 1;
  }
  struct wl_registry *registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &registry_listener, NULL);
  wl_display_roundtrip(display);
  if (!seat || !manager) {
    fprintf(stderr, "seatkeys: the compositor has no %s\n", seat ? "virtual keyboards" : "seat");
    return 1;
  }
  struct wl_proxy *keyboard =
      wl_proxy_marshal_constructor(manager, 0, &zwp_virtual_keyboard_v1_interface, seat, NULL);

  // The default keymap: evdev rules, pc105, us.
  struct xkb_context *ctx = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  struct xkb_keymap *keymap = ctx ? xkb_keymap_new_from_names(ctx, NULL, 0) : NULL;
  char *text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : NULL;
  if (!text) {
    fprintf(stderr, "seatkeys: no keymap\n");
    return 1;
  }
  const size_t size = strlen(text) + 1;
  const int fd = memfd_create("seatkeys-keymap", MFD_CLOEXEC);
  if (fd < 0 || write(fd, text, size) != (ssize_t)size) {
    fprintf(stderr, "seatkeys: cannot pass the keymap\n");
    return 1;
  }
  wl_proxy_marshal(keyboard, KEYMAP, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, (uint32_t)size);
  wl_display_roundtrip(display);
  // A virtual keyboard says which modifiers its keys hold down itself.
  struct xkb_state *state = xkb_state_new(keymap);

  char line[64], action[16], name[16];
  while (fgets(line, sizeof line, stdin)) {
    int code;
    if (sscanf(line, "%15s %15s", action, name) != 2 || (code = code_of(name)) < 0 ||
        (strcmp(action, "down") != 0 && strcmp(action, "up") != 0)) {
      fprintf(stderr, "seatkeys: cannot do \"%.*s\"\n", (int)strcspn(line, "\n"), line);
      continue;
    }
    const int pressed = strcmp(action, "down") == 0;
    wl_proxy_marshal(keyboard, KEY, now_ms(), (uint32_t)code,
                     pressed ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    if (xkb_state_update_key(state, (xkb_keycode_t)code + 8, pressed ? XKB_KEY_DOWN : XKB_KEY_UP) &
        XKB_STATE_MODS_DEPRESSED)
      wl_proxy_marshal(keyboard, MODIFIERS,
                       xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED), 0u, 0u, 0u);
    wl_display_roundtrip(display);
  }
  wl_proxy_marshal(keyboard, DESTROY);
  wl_proxy_destroy(keyboard);
  wl_display_roundtrip(display);
  wl_display_disconnect(display);
  return 0;
}
