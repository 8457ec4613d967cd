// Linux side of the entry point: zarn-screensaver's main. The arguments are joined back into the one
// command line a screen-saver service passes ("/s", "/p 1234", "/c:5678", ...).
#include "shell/Host.h"

#include <string>

int main(int argc, char** argv) {
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    return hostMain(nullptr, commandLine.c_str());
}
