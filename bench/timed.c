/* bench_timed RESULT COMMAND [ARG...]: runs the command (standard streams passed on) and writes
 * "WALL_NS CPU_US PEAK_KB EXIT OWN_PEAK_KB" to RESULT: wall time, the processor time of the command
 * and its children (user + system, microseconds, where GNU time rounds to 10 ms), the peak resident
 * size of the command or of any process it waited for (the kernel's count for wait4: a converter it
 * runs, or that converter's decoding child, may be the largest), the exit code, and the peak
 * resident size of the command's own process alone (read as it exits: the command runs traced,
 * stopped only at its exit and at the signals it receives; 0 when that could not be read).
 * Exits with the command's exit code. */
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

/* VmHWM of a process that is still there (stopped at its exit), in KiB; 0 when unknown. */
static long OwnPeakKb(pid_t pid) {
    char path[64], line[256];
    snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
    FILE* status = fopen(path, "r");
    long kb = 0;
    if (!status) return 0;
    while (fgets(line, sizeof line, status))
        if (strncmp(line, "VmHWM:", 6) == 0) sscanf(line + 6, "%ld", &kb);
    fclose(status);
    return kb;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: bench_timed RESULT COMMAND [ARG...]\n");
        return 64;
    }
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = fork();
    if (child == 0) {
        /* Traced from its start, so that its exit stops it while its memory is still counted. */
        const int traced = ptrace(PTRACE_TRACEME, 0, NULL, NULL) == 0;
        if (traced) raise(SIGSTOP);
        execvp(argv[2], argv + 2);
        perror(argv[2]);
        _exit(127);
    }
    if (child < 0) return 71;
    int status = 0;
    struct rusage usage;
    long ownPeak = 0;
    int first = 1;
    for (;;) {
        if (wait4(child, &status, 0, &usage) < 0) return 71;
        if (!WIFSTOPPED(status)) break;
        int deliver = 0;
        if (first) { /* its own SIGSTOP before the exec */
            first = 0;
            ptrace(PTRACE_SETOPTIONS, child, NULL,
                   (void*)(long)(PTRACE_O_TRACEEXIT | PTRACE_O_TRACEEXEC | PTRACE_O_EXITKILL));
        } else if (status >> 16 == PTRACE_EVENT_EXIT) {
            ownPeak = OwnPeakKb(child);
        } else if (status >> 16 == 0) {
            deliver = WSTOPSIG(status); /* the command's own signals reach it */
        }
        ptrace(PTRACE_CONT, child, NULL, (void*)(long)deliver);
    }
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
    fprintf(out, "%lld %lld %ld %d %ld\n", wall, cpu, usage.ru_maxrss, code, ownPeak);
    fclose(out);
    return code;
}
