#pragma once

#include "platform/status.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace corvamo {

// How a build script ended.
struct ScriptResult {
    // Success: exit status 0. A failure says how it ended: "exit status 1", "ended by signal 9
    // (Killed)", "cancelled", "could not be started: ...".
    Status status;
    QStringList lastLines;  // the last lines it printed, for the failure's description
};

// Runs one build script as /bin/sh SCRIPT in a folder, with standard input from /dev/null and in a
// process group of its own, so that nothing it starts can wait for a key or outlive a cancel.
// Its standard output and error reach output() as they come, merged in the order written.
// run() waits in a local event loop, so the window stays usable and cancel() can be called from
// it (a button, a signal).
class ScriptRunner {
public:
    ScriptRunner();
    ~ScriptRunner();
    ScriptRunner(const ScriptRunner&) = delete;
    ScriptRunner& operator=(const ScriptRunner&) = delete;

    std::function<void(const QString& text)> output;

    ScriptResult run(const QString& script, const QString& folder);
    // Ends the running script's whole process group: SIGTERM, then SIGKILL to whatever is left
    // after two seconds. Nothing when no script runs.
    void cancel();
    bool running() const;

    static constexpr int kLastLines = 12;

private:
    struct Run;
    std::unique_ptr<Run> run_;
};

}  // namespace corvamo
