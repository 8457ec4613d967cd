/* The KWin cases' user: moves the pointer by 20 pixels through KWin's fake-input protocol and
 * exits. A virtual KWin has no input devices; this is input as KWin counts it, so it ends the
 * session's idleness the way a user's mouse would. */
#include "fake-input-client.h"

#include <wayland-client.h>

#include <stdio.h>
#include <string.h>

static struct org_kde_kwin_fake_input* fakeInput;

static void onGlobal(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                     uint32_t version) {
    (void)data;
    (void)version;
    if (strcmp(interface, "org_kde_kwin_fake_input") == 0)
        fakeInput = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 1);
}

static void onGlobalRemove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

int main(void) {
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
    org_kde_kwin_fake_input_pointer_motion(fakeInput, wl_fixed_from_int(20), wl_fixed_from_int(20));
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
