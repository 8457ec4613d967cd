/* The Wayland end-to-end cases' pointer: a virtual pointer on the compositor's seat (wlroots'
 * virtual pointer protocol), driven by lines on stdin, for as long as stdin stays open:
 *   move DX DY    relative motion, in pixels
 *   click         left button down and up
 * A headless compositor has no input devices; this one gives the seat a pointer, as a mouse
 * plugged in would, so a client sees motion and buttons the way it would from a user. */
#include "virtual-pointer-client.h"

#include <wayland-client.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static struct wl_seat* seat;
static struct zwlr_virtual_pointer_manager_v1* manager;

static void onGlobal(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                     uint32_t version) {
    (void)data;
    (void)version;
    if (strcmp(interface, "wl_seat") == 0 && !seat)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    else if (strcmp(interface, "zwlr_virtual_pointer_manager_v1") == 0)
        manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
}

static void onGlobalRemove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

static uint32_t nowMs(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint32_t)(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

int main(void) {
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "pointer_probe: no Wayland display\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, NULL);
    wl_display_roundtrip(display);
    if (!manager) {
        fprintf(stderr, "pointer_probe: the compositor offers no virtual pointers\n");
        return 1;
    }
    struct zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    wl_display_roundtrip(display);
    printf("ready\n");
    fflush(stdout);

    char line[128];
    while (fgets(line, sizeof line, stdin)) {
        int dx = 0, dy = 0;
        if (sscanf(line, "move %d %d", &dx, &dy) == 2) {
            zwlr_virtual_pointer_v1_motion(pointer, nowMs(), wl_fixed_from_int(dx), wl_fixed_from_int(dy));
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (strncmp(line, "click", 5) == 0) {
            const uint32_t leftButton = 0x110; /* BTN_LEFT */
            zwlr_virtual_pointer_v1_button(pointer, nowMs(), leftButton, 1);
            zwlr_virtual_pointer_v1_frame(pointer);
            zwlr_virtual_pointer_v1_button(pointer, nowMs(), leftButton, 0);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else {
            fprintf(stderr, "pointer_probe: unknown command %s", line);
            continue;
        }
        wl_display_roundtrip(display);
        printf("done\n");
        fflush(stdout);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
