#include "platform/script_runner.h"

#include <QEventLoop>
#include <QProcess>
#include <QStringDecoder>
#include <QTimer>

#include <csignal>
#include <cstring>

#include <unistd.h>

namespace corvamo {

struct ScriptRunner::Run {
    QProcess process;
    QEventLoop loop;
    QStringDecoder decoder{QStringDecoder::System};
    QString partial;  // the line being printed
    QStringList last;
    qint64 group = 0;
    bool cancelled = false;
};

ScriptRunner::ScriptRunner() = default;

ScriptRunner::~ScriptRunner() { cancel(); }

bool ScriptRunner::running() const { return run_ && run_->group > 0; }

void ScriptRunner::cancel() {
    if (!running()) return;
    run_->cancelled = true;
    const pid_t group = pid_t(run_->group);
    ::kill(-group, SIGTERM);
    QTimer::singleShot(2000, &run_->process, [group] { ::kill(-group, SIGKILL); });
}

ScriptResult ScriptRunner::run(const QString& script, const QString& folder) {
    ScriptResult result;
    const auto notStarted = [](const QString& why) {
        return Status::Failure(QStringLiteral("could not be started: ") + why);
    };
    if (run_) {  // never two at once
        result.status = notStarted(QStringLiteral("another build script is running"));
        return result;
    }
    run_ = std::make_unique<Run>();
    Run& r = *run_;
    const auto take = [this, &r](const QByteArray& bytes) {
        const QString text = r.decoder.decode(bytes);
        if (text.isEmpty()) return;
        r.partial += text;
        const qsizetype end = r.partial.lastIndexOf(QLatin1Char('\n'));
        if (end >= 0) {
            for (const QString& line : r.partial.left(end).split(QLatin1Char('\n'))) r.last.append(line);
            r.partial = r.partial.mid(end + 1);
            if (r.last.size() > kLastLines) r.last = r.last.mid(r.last.size() - kLastLines);
        }
        if (output) output(text);
    };
    r.process.setProcessChannelMode(QProcess::MergedChannels);
    r.process.setStandardInputFile(QProcess::nullDevice());
    r.process.setWorkingDirectory(folder);
    // Its own process group: a cancel reaches everything the script started, and nothing of it
    // reads from the terminal the workbench was started in.
    r.process.setChildProcessModifier([] { ::setpgid(0, 0); });
    QObject::connect(&r.process, &QProcess::readyReadStandardOutput, &r.process,
                     [&r, take] { take(r.process.readAllStandardOutput()); });
    QObject::connect(&r.process, &QProcess::finished, &r.loop, &QEventLoop::quit);
    QObject::connect(&r.process, &QProcess::errorOccurred, &r.loop, [&r](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) r.loop.quit();
    });
    r.process.start(QStringLiteral("/bin/sh"), {script});
    if (r.process.waitForStarted(-1)) {
        r.group = r.process.processId();
        if (r.process.state() != QProcess::NotRunning) r.loop.exec();
        take(r.process.readAllStandardOutput());
        // What the script left running in its group is part of the build and ends with it.
        ::kill(-pid_t(r.group), SIGTERM);
        r.group = 0;
        if (!r.partial.isEmpty()) r.last.append(r.partial);
        if (r.last.size() > kLastLines) r.last = r.last.mid(r.last.size() - kLastLines);
        result.lastLines = r.last;
        const int code = r.process.exitCode();  // the exit status, or the signal that ended it
        if (r.cancelled)
            result.status = Status::Failure(QStringLiteral("cancelled"));
        else if (r.process.exitStatus() == QProcess::CrashExit)
            result.status = Status::Failure(
                QStringLiteral("ended by signal %1 (%2)").arg(code).arg(QString::fromLocal8Bit(strsignal(code))));
        else if (code != 0)
            result.status = Status::Failure(QStringLiteral("exit status %1").arg(code));
    } else {
        result.status = notStarted(r.process.errorString());
    }
    run_.reset();
    return result;
}

}  // namespace corvamo
