#pragma once

#include "tests/support/OperatingSystem.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace qel::test {

// One clean-up program running in a child process, watched through what it
// writes and killed (SIGKILL, as `kill -9`) at a moment the test chooses.
class CleanupProcess {
public:
    struct Outcome {
        int exitCode = -1;
        bool killed = false;
        QString out;
        QString err;
    };

    // The environment gets configHome as its settings folder and loses any
    // display, so that no window can open; `environment` adds to it.
    CleanupProcess(const QString& program, const QStringList& arguments, const QString& configHome,
                   const ChildLimits& limits = {}, const QProcessEnvironment& environment = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(display));
        for (const QString& key : environment.keys())
            env.insert(key, environment.value(key));
        process_.setProcessEnvironment(env);
        if (limits.maxFileBytes >= 0 || limits.honourFileModes)
            LimitChild(process_, limits);
        process_.start(program, arguments);
        started_ = process_.waitForStarted(10000);
        EXPECT_TRUE(started_) << program.toStdString() << ": " << process_.errorString().toStdString();
    }

    ~CleanupProcess()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(10000);
        }
    }

    // Waits until the condition holds (true), the program ends or the time
    // runs out (false). The condition sees standard error so far.
    bool WaitFor(const std::function<bool(const QString& err)>& condition, int timeoutMs = 20000)
    {
        QElapsedTimer timer;
        timer.start();
        while (started_ && timer.elapsed() < timeoutMs) {
            Collect();
            if (condition(err_))
                return true;
            if (process_.state() == QProcess::NotRunning)
                return false;
            process_.waitForReadyRead(2);
        }
        return false;
    }

    // The first line of progress that holds every one of the texts.
    bool WaitForLine(const QStringList& texts, int timeoutMs = 20000)
    {
        return WaitFor(
            [&](const QString& err) {
                for (const QString& line : err.split(QLatin1Char('\n'))) {
                    bool all = true;
                    for (const QString& text : texts)
                        all = all && line.contains(text);
                    if (all)
                        return true;
                }
                return false;
            },
            timeoutMs);
    }

    bool running() const { return process_.state() != QProcess::NotRunning; }

    // Kills the program at once if it still runs, and answers what it did.
    Outcome Kill()
    {
        const bool wasRunning = running();
        if (wasRunning)
            process_.kill();
        Outcome outcome = Finish();
        outcome.killed = wasRunning;
        return outcome;
    }

    // Sends Ctrl-C (SIGINT) as a terminal would; false where it cannot.
    bool Interrupt() { return qel::test::Interrupt(process_); }

    Outcome Finish(int timeoutMs = 60000)
    {
        EXPECT_TRUE(process_.waitForFinished(timeoutMs) || process_.state() == QProcess::NotRunning);
        Collect();
        return {process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1, false, out_, err_};
    }

private:
    void Collect()
    {
        out_ += QString::fromLocal8Bit(process_.readAllStandardOutput());
        err_ += QString::fromLocal8Bit(process_.readAllStandardError());
    }

    QProcess process_;
    bool started_ = false;
    QString out_;
    QString err_;
};

} // namespace qel::test
