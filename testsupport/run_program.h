// Running a program as a user does, without a shell: its own argv, standard input from
// /dev/null, a working folder, and a time limit.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct RunResult {
    int exitCode = -1;  // -1 when it could not start, was killed by a signal or timed out
    int signal = 0;     // the signal that ended it
    bool timedOut = false;
    long maxRssKb = 0;  // the largest resident size of it or of a process it waited for
    std::string out;    // standard output
    std::string err;    // standard error; why it could not start
};

// Runs argv[0] (searched on PATH when it holds no "/") with the arguments in `folder` (empty: the
// test's own), the environment with the NAME=VALUE entries of `env` replacing or added, and kills
// it (and its process group) after `seconds`.
RunResult RunProgram(const std::vector<std::string>& argv, const std::string& folder = {},
                     const std::vector<std::string>& env = {}, int seconds = 60);

// Starts argv[0] (a path) without waiting for it, in a process group of its own: standard input
// from the descriptor `input` (-1: /dev/null), standard error to the file `errPath` and standard
// output to the file `outPath` (empty: /dev/null). Returns its process id, or -1 when it could not
// start.
int StartProgram(const std::vector<std::string>& argv, const std::string& errPath = {}, int input = -1,
                 const std::string& outPath = {});

}  // namespace testsupport
