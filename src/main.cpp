// zarn-screensaver: the program's entry point.
#include <cstdio>

int main(int argc, char** argv) {
    (void)argc;
    (void)argv;
    std::fprintf(stderr, "zarn-screensaver: not yet runnable\n");
    return 1;
}
