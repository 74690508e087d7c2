// A virtual pointer for the headless test desktop. Without one the seat has
// no pointer at all, so the harness keeps one alive ("hold") and moves the
// cursor through the compositor's own commands; it can also move and press
// by itself:
//   test_pointer --extent W H [move X Y | down | up | wait MS | hold]...
#include <linux/input-event-codes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>

#include "wlr-virtual-pointer-unstable-v1-client.h"

static struct wl_seat* seat;
static struct zwlr_virtual_pointer_manager_v1* manager;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
    (void)data;
    (void)version;
    if (strcmp(interface, wl_seat_interface.name) == 0 && !seat) {
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    } else if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
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

int main(int argc, char** argv) {
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "test_pointer: no Wayland display\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!manager || !seat) {
        fprintf(stderr, "test_pointer: the compositor offers no virtual pointer\n");
        return 1;
    }
    struct zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    wl_display_roundtrip(display);
    uint32_t width = 1920, height = 1080;
    for (int i = 1; i < argc; ++i) {
        const char* command = argv[i];
        if (strcmp(command, "--extent") == 0 && i + 2 < argc) {
            width = (uint32_t)atoi(argv[++i]);
            height = (uint32_t)atoi(argv[++i]);
        } else if (strcmp(command, "move") == 0 && i + 2 < argc) {
            const uint32_t x = (uint32_t)atoi(argv[++i]);
            const uint32_t y = (uint32_t)atoi(argv[++i]);
            zwlr_virtual_pointer_v1_motion_absolute(pointer, now_ms(), x, y, width, height);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (strcmp(command, "down") == 0 || strcmp(command, "up") == 0) {
            const uint32_t state = strcmp(command, "down") == 0 ? WL_POINTER_BUTTON_STATE_PRESSED
                                                                : WL_POINTER_BUTTON_STATE_RELEASED;
            zwlr_virtual_pointer_v1_button(pointer, now_ms(), BTN_LEFT, state);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (strcmp(command, "wait") == 0 && i + 1 < argc) {
            wl_display_roundtrip(display);
            usleep((useconds_t)atoi(argv[++i]) * 1000);
        } else if (strcmp(command, "hold") == 0) {
            printf("holding\n");
            fflush(stdout);
            while (wl_display_dispatch(display) != -1) {
            }
        } else {
            fprintf(stderr, "test_pointer: unknown command %s\n", command);
            return 2;
        }
        wl_display_roundtrip(display);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
