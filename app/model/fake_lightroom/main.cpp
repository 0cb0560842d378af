// A stand-in for Lightroom in tests: holds "<catalog>.lock" while it runs and removes it when asked
// to quit (SIGTERM). Like Lightroom's, the lock names the program (first line) and its process number
// (second line). --ignore-term: SIGTERM is ignored; --stale: exits at once, leaving the lock.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {
volatile sig_atomic_t quit = 0;
void onTerm(int) { quit = 1; }
}  // namespace

int main(int argc, char** argv) {
    bool ignoreTerm = false;
    bool stale = false;
    const char* catalog = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--ignore-term") == 0)
            ignoreTerm = true;
        else if (std::strcmp(argv[i], "--stale") == 0)
            stale = true;
        else
            catalog = argv[i];
    }
    if (!catalog) return 2;
    const std::string lock = std::string(catalog) + ".lock";
    char self[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length > 0) self[length] = '\0';
    if (FILE* f = std::fopen(lock.c_str(), "w")) {
        std::fprintf(f, "%s\n%d\n", self, int(getpid()));
        std::fclose(f);
    }
    if (stale) return 0;
    signal(SIGTERM, ignoreTerm ? SIG_IGN : onTerm);
    for (int i = 0; i < 600 && !quit; ++i) usleep(100000);  // gives up after a minute, lock left
    if (quit) unlink(lock.c_str());
    return 0;
}
