// Processes for the open-writer test and benchmark, each held until its
// standard input closes:
//   writerhelper write FILE [undumpable]  holds FILE open for appending
//   writerhelper crowd COUNT DESCRIPTORS  COUNT processes holding DESCRIPTORS each
// It prints one line once everything is in place.
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void waitForEndOfInput()
{
    char byte;
    while (::read(STDIN_FILENO, &byte, 1) > 0) {
    }
}

int crowd(int count, int descriptors)
{
    for (int i = 0; i < descriptors; ++i) {
        if (::open("/dev/null", O_RDONLY) < 0)
            return 1;
    }
    int pipe[2];
    if (::pipe(pipe) != 0)
        return 1;
    for (int i = 0; i < count; ++i) {
        const pid_t child = ::fork();
        if (child < 0)
            return 1;
        if (child == 0) {
            // Ends when the parent's end of the pipe closes, however it ends.
            ::close(pipe[1]);
            char byte;
            while (::read(pipe[0], &byte, 1) > 0) {
            }
            ::_exit(0);
        }
    }
    std::puts("ready");
    std::fflush(stdout);
    waitForEndOfInput();
    ::close(pipe[1]);
    while (::wait(nullptr) > 0) {
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 4 && std::strcmp(argv[1], "crowd") == 0)
        return crowd(std::atoi(argv[2]), std::atoi(argv[3]));
    if (argc < 3 || std::strcmp(argv[1], "write") != 0)
        return 2;
    if (::open(argv[2], O_WRONLY | O_APPEND) < 0)
        return 1;
    if (argc > 3 && ::prctl(PR_SET_DUMPABLE, 0) != 0)
        return 1;
    std::puts("open");
    std::fflush(stdout);
    waitForEndOfInput();
    return 0;
}
