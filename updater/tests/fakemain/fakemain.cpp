// Stand-in for the installed main program: appends its pid to pids.txt in the
// current directory, then waits until a signal ends it.
#include <unistd.h>

#include <cstdio>

int main()
{
    if (FILE* f = std::fopen("pids.txt", "a")) {
        std::fprintf(f, "%d\n", static_cast<int>(::getpid()));
        std::fclose(f);
    }
    for (;;)
        ::pause();
}
