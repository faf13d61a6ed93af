#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace corvamo {

// How a build script ended.
struct ScriptResult {
    enum Outcome { Exited, Signalled, Cancelled, NotStarted };
    Outcome outcome = NotStarted;
    int code = 0;           // the exit status, or the signal that ended it
    QString error;          // why it could not be started
    QStringList lastLines;  // the last lines it printed, for the failure's description
    bool ok() const { return outcome == Exited && code == 0; }
    // "exit status 1", "ended by signal 9 (Killed)", "cancelled", "could not be started: ..."
    QString describe() const;
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
