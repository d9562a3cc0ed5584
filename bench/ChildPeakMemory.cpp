#include "bench/ChildPeakMemory.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace ovardx::bench {

namespace {

long ResidentKilobytes() {
    long pages = 0, resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

std::optional<long> ChildPeakKilobytes(const std::function<bool()>& work) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        const long start = ResidentKilobytes();
        const bool done = work();
        struct rusage usage {};
        ::getrusage(RUSAGE_SELF, &usage);
        const long grown = usage.ru_maxrss - start;
        const bool written = ::write(pipeEnds[1], &grown, sizeof grown) == static_cast<ssize_t>(sizeof grown);
        ::_exit(done && written ? 0 : 1);
    }
    long grown = 0;
    const bool read = child > 0 && ::read(pipeEnds[0], &grown, sizeof grown) == static_cast<ssize_t>(sizeof grown);
    int status = 0;
    if (child > 0) ::waitpid(child, &status, 0);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    if (!read || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return grown;
}

}  // namespace ovardx::bench
