/* A preload library for the Xvfb measurement: counts the frames the saver hands to the
   window system (SDL_GL_SwapWindow) and keeps the running count, as text, at the start of the
   file named by ZARN_SWAP_COUNT_FILE, so a script can read how many frames were presented
   between two moments without touching the program. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

typedef struct SDL_Window SDL_Window;
typedef void (*SwapFunction)(SDL_Window*);

static SwapFunction realSwap;
static unsigned long long presented;
static int countFile = -2; /* -2: not opened yet, -1: no file */

void SDL_GL_SwapWindow(SDL_Window* window) {
    if (!realSwap) realSwap = (SwapFunction)dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
    if (realSwap) realSwap(window);
    ++presented;
    if (countFile == -2) {
        const char* name = getenv("ZARN_SWAP_COUNT_FILE");
        countFile = name ? open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
    }
    if (countFile >= 0) {
        /* Fixed width, so a reader never sees the tail of a longer, older number. */
        char text[32];
        int length = snprintf(text, sizeof text, "%20llu\n", presented);
        if (length > 0 && pwrite(countFile, text, (size_t)length, 0) < 0) countFile = -1;
    }
}
