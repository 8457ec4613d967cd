/* The KWin cases' user: moves the pointer through KWin's fake-input protocol and exits.
 *   zarn-kwin-input [X Y]    to X, Y in the global space first, then by 20 pixels
 * A virtual KWin has no input devices; this is input as KWin counts it, so it ends the
 * session's idleness the way a user's mouse would. */
#include "fake-input-client.h"

#include <wayland-client.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static struct org_kde_kwin_fake_input* fakeInput;
static uint32_t fakeInputVersion;

static void onGlobal(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                     uint32_t version) {
    (void)data;
    if (strcmp(interface, "org_kde_kwin_fake_input") == 0) {
        fakeInputVersion = version < 3 ? version : 3;
        fakeInput = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, fakeInputVersion);
    }
}

static void onGlobalRemove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

int main(int argc, char** argv) {
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "zarn-kwin-input: no Wayland display\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, NULL);
    wl_display_roundtrip(display);
    if (!fakeInput) {
        fprintf(stderr, "zarn-kwin-input: the compositor offers no org_kde_kwin_fake_input\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fakeInput, "zarn-kwin-input", "end-to-end tests");
    /* The device gives KWin's seat its pointer; a client binds that pointer only once the seat
     * offers it, so the device stays a moment before it moves (as a mouse plugged in would). */
    wl_display_roundtrip(display);
    nanosleep(&(struct timespec){1, 500000000}, NULL);
    if (argc == 3) {
        if (fakeInputVersion < 3) {
            fprintf(stderr, "zarn-kwin-input: the compositor's fake input has no absolute motion\n");
            return 1;
        }
        org_kde_kwin_fake_input_pointer_motion_absolute(fakeInput, wl_fixed_from_int(atoi(argv[1])),
                                                        wl_fixed_from_int(atoi(argv[2])));
        wl_display_roundtrip(display);
    }
    org_kde_kwin_fake_input_pointer_motion(fakeInput, wl_fixed_from_int(20), wl_fixed_from_int(20));
    wl_display_roundtrip(display);
    puts("moved");
    fflush(stdout);
    nanosleep(&(struct timespec){0, 500000000}, NULL);
    wl_display_disconnect(display);
    return 0;
}
