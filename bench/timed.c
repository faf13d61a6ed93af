/* bench_timed RESULT COMMAND [ARG...]: runs the command (standard streams passed on) and writes
 * "WALL_NS CPU_US PEAK_KB EXIT" to RESULT: wall time, the processor time of the command and its
 * children (user + system, microseconds, where GNU time rounds to 10 ms), peak resident size.
 * Exits with the command's exit code. */
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: bench_timed RESULT COMMAND [ARG...]\n");
        return 64;
    }
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[2], argv + 2);
        perror(argv[2]);
        _exit(127);
    }
    if (child < 0) return 71;
    int status = 0;
    struct rusage usage;
    if (wait4(child, &status, 0, &usage) < 0) return 71;
    clock_gettime(CLOCK_MONOTONIC, &end);
    const long long wall = (end.tv_sec - start.tv_sec) * 1000000000LL + (end.tv_nsec - start.tv_nsec);
    /* wait4 gives the child's own usage; its waited-for children are added by RUSAGE_CHILDREN. */
    struct rusage all;
    getrusage(RUSAGE_CHILDREN, &all);
    const long long cpu =
        (all.ru_utime.tv_sec + all.ru_stime.tv_sec) * 1000000LL + all.ru_utime.tv_usec + all.ru_stime.tv_usec;
    FILE* out = fopen(argv[1], "w");
    if (!out) return 73;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    fprintf(out, "%lld %lld %ld %d\n", wall, cpu, usage.ru_maxrss, code);
    fclose(out);
    return code;
}
