// Stands in for the GUI program beside a copy of the front program: writes
// how it was started (its process id, its arguments from the first on, the
// front program's variable) to the file QUENDRAL_STANDIN_RECORD names, one
// per line.
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char *argv[])
{
    FILE *record = std::fopen(std::getenv("QUENDRAL_STANDIN_RECORD"), "w");
    if (!record)
        return 99;
    const char *front = std::getenv("QUENDRAL_FRONT");
    std::fprintf(record, "%d\n%s\n", int(getpid()), front ? front : "(unset)");
    for (int i = 0; i < argc; ++i)
        std::fprintf(record, "%s\n", argv[i]);
    std::fclose(record);
    return 7;
}
