#include "launcher/statuscall_linux.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

using namespace quendral::launcher;

namespace {

// The Qt front beside this file; it serves every command line this one
// does not answer itself.
constexpr char kQtFront[] = "quendral-cli";
// The file the GUI program and the Qt front name as the one the user started.
constexpr char kFrontVariable[] = "QUENDRAL_FRONT";

// The one question scripts ask in a loop: `--status` or `--status --json`.
bool asksStatus(int argc, char *argv[], bool &json)
{
    if (argc < 2 || argc > 3 || std::strcmp(argv[1], "--status") != 0)
        return false;
    json = argc == 3;
    return !json || std::strcmp(argv[2], "--json") == 0;
}

} // namespace

// The program users type on Linux, with no Qt at all: it prints the running
// copy's status as the copy formats it, and hands everything else (another
// command, a start, no copy running, any failure of the call) to the Qt
// front beside it, which then says what it always says.
int main(int argc, char *argv[])
{
    if (bool json = false; asksStatus(argc, argv, json)) {
        if (const auto text = askStatusText(json)) {
            std::fwrite(text->data(), 1, text->size(), stdout);
            std::fflush(stdout);
            return 0;
        }
    }
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        std::fprintf(stderr, "Cannot start the program %s: %s\n", kQtFront, std::strerror(errno));
        return 1;
    }
    self[length] = '\0';
    std::string front(self, std::size_t(length));
    front = front.substr(0, front.rfind('/') + 1) + kQtFront;
    ::setenv(kFrontVariable, self, 1);
    ::execv(front.c_str(), argv);
    std::fprintf(stderr, "Cannot start the program %s: %s\n", front.c_str(), std::strerror(errno));
    return 1;
}
