// Presses and releases keys on a headless KWin through its fake-input
// protocol, with real evdev codes: kwin_keys STEP...
//   down NAME | up NAME | tap NAME | wait MS
// NAME: ctrl, alt, shift, super, a-z, 0-9, f1-f12, equal, minus.
// KWin offers the protocol only to programs whose desktop entry lists
// X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input.
#include <linux/input-event-codes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <wayland-client.h>

#include "fake-input-client-protocol.h"

static struct org_kde_kwin_fake_input* input;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
    (void)data;
    if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4) {
        input = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4);
    }
}

static void global_remove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener listener = {global, global_remove};

static int key_code(const char* name) {
    static const struct {
        const char* name;
        int code;
    } named[] = {{"ctrl", KEY_LEFTCTRL}, {"alt", KEY_LEFTALT},  {"shift", KEY_LEFTSHIFT},
                 {"super", KEY_LEFTMETA}, {"equal", KEY_EQUAL}, {"minus", KEY_MINUS},
                 {"f1", KEY_F1},          {"f5", KEY_F5},       {"f9", KEY_F9}};
    static const int letters[] = {KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I,
                                  KEY_J, KEY_K, KEY_L, KEY_M, KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R,
                                  KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z};
    for (size_t i = 0; i < sizeof named / sizeof named[0]; ++i) {
        if (strcmp(named[i].name, name) == 0) {
            return named[i].code;
        }
    }
    if (strlen(name) == 1 && name[0] >= 'a' && name[0] <= 'z') {
        return letters[name[0] - 'a'];
    }
    fprintf(stderr, "kwin_keys: unknown key %s\n", name);
    exit(2);
}

int main(int argc, char** argv) {
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "kwin_keys: no Wayland display\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, NULL);
    wl_display_roundtrip(display);
    if (!input) {
        fprintf(stderr, "kwin_keys: fake input is not offered to this program\n");
        return 3;
    }
    org_kde_kwin_fake_input_authenticate(input, "kwin_keys", "end-to-end tests");
    for (int i = 1; i + 1 < argc; i += 2) {
        const char* step = argv[i];
        const char* arg = argv[i + 1];
        if (strcmp(step, "wait") == 0) {
            wl_display_roundtrip(display);
            usleep((useconds_t)atoi(arg) * 1000);
        } else if (strcmp(step, "down") == 0 || strcmp(step, "up") == 0) {
            org_kde_kwin_fake_input_keyboard_key(input, (uint32_t)key_code(arg),
                                                 strcmp(step, "down") == 0);
        } else if (strcmp(step, "tap") == 0) {
            org_kde_kwin_fake_input_keyboard_key(input, (uint32_t)key_code(arg), 1);
            wl_display_roundtrip(display);
            usleep(30000);
            org_kde_kwin_fake_input_keyboard_key(input, (uint32_t)key_code(arg), 0);
        } else {
            fprintf(stderr, "kwin_keys: unknown step %s\n", step);
            return 2;
        }
        wl_display_roundtrip(display);
        usleep(30000);
    }
    wl_display_disconnect(display);
    return 0;
}
