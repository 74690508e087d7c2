// Types keys on the headless test desktop through a virtual keyboard whose
// keymap is the ordinary evdev/us one, so programs (and X11 clients through
// XWayland) see real evdev key codes.
//   test_keys KEYS...   KEYS is a combination like ctrl+alt+m or Escape
#define _GNU_SOURCE  // memfd_create
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include "virtual-keyboard-unstable-v1-client.h"

static struct wl_seat* seat;
static struct zwp_virtual_keyboard_manager_v1* manager;
static struct wl_display* display;
static struct zwp_virtual_keyboard_v1* keyboard;
static struct xkb_keymap* keymap;
static struct xkb_state* state;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
    (void)data;
    (void)version;
    if (strcmp(interface, wl_seat_interface.name) == 0 && !seat) {
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    } else if (strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
        manager = wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1);
    }
}
static void global_remove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}
static const struct wl_registry_listener registry_listener = {global, global_remove};

static uint32_t now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint32_t)(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

static const char* keysym_name(const char* word) {
    if (!strcasecmp(word, "ctrl"))
        return "Control_L";
    if (!strcasecmp(word, "alt"))
        return "Alt_L";
    if (!strcasecmp(word, "shift"))
        return "Shift_L";
    if (!strcasecmp(word, "super"))
        return "Super_L";
    return word;
}

// The evdev code of the key that gives `word` without modifiers.
static int evdev_code(const char* word) {
    const xkb_keysym_t sym = xkb_keysym_from_name(keysym_name(word), XKB_KEYSYM_CASE_INSENSITIVE);
    if (sym == XKB_KEY_NoSymbol) {
        fprintf(stderr, "test_keys: unknown key %s\n", word);
        exit(2);
    }
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap);
         code <= xkb_keymap_max_keycode(keymap); ++code) {
        const xkb_keysym_t* syms;
        const int n = xkb_keymap_key_get_syms_by_level(keymap, code, 0, 0, &syms);
        for (int i = 0; i < n; ++i) {
            if (syms[i] == sym)
                return (int)code - 8;
        }
    }
    fprintf(stderr, "test_keys: no key gives %s\n", word);
    exit(2);
}

static void send_key(int code, int down) {
    zwp_virtual_keyboard_v1_key(keyboard, now_ms(), (uint32_t)code, down ? 1 : 0);
    xkb_state_update_key(state, (xkb_keycode_t)code + 8, down ? XKB_KEY_DOWN : XKB_KEY_UP);
    zwp_virtual_keyboard_v1_modifiers(
        keyboard, xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED),
        xkb_state_serialize_mods(state, XKB_STATE_MODS_LATCHED),
        xkb_state_serialize_mods(state, XKB_STATE_MODS_LOCKED),
        xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE));
    wl_display_roundtrip(display);
}

int main(int argc, char** argv) {
    display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "test_keys: no Wayland display\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!seat || !manager) {
        fprintf(stderr, "test_keys: the compositor offers no virtual keyboard\n");
        return 1;
    }
    struct xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const struct xkb_rule_names names = {"evdev", "pc105", "us", "", ""};
    keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) {
        fprintf(stderr, "test_keys: no evdev keymap\n");
        return 1;
    }
    state = xkb_state_new(keymap);
    char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    const size_t size = strlen(text) + 1;
    const int fd = memfd_create("keymap", MFD_CLOEXEC);
    if (fd < 0 || write(fd, text, size) != (ssize_t)size) {
        return 1;
    }
    keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, seat);
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, (uint32_t)fd,
                                   (uint32_t)size);
    wl_display_roundtrip(display);
    usleep(100000);
    for (int a = 1; a < argc; ++a) {
        char combo[256];
        snprintf(combo, sizeof combo, "%s", argv[a]);
        int codes[8], n = 0;
        char* save = NULL;
        for (char* word = strtok_r(combo, "+", &save); word && n < 8;
             word = strtok_r(NULL, "+", &save)) {
            codes[n++] = evdev_code(word);
        }
        for (int i = 0; i < n; ++i)
            send_key(codes[i], 1);
        usleep(50000);
        for (int i = n - 1; i >= 0; --i)
            send_key(codes[i], 0);
        usleep(30000);
    }
    zwp_virtual_keyboard_v1_destroy(keyboard);
    wl_display_roundtrip(display);
    free(text);
    close(fd);
    wl_display_disconnect(display);
    return 0;
}
