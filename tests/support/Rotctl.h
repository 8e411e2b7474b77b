// SPDX-License-Identifier: GPL-3.0-or-later
// Test support: Hamlib's command-line client, rotctl: with the NET rotctl model (2)
// against a server on this machine while the test's own events keep going (the server
// under test runs on the test's thread), or with any model against a serial line.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTcpServer>
#include <string>

namespace skyvane::test {

struct RotctlRun {
    int exitCode = -1;   // -1: did not end by itself
    std::string output;  // standard output
};

// The rotctl program, or an empty text when it is not installed.
inline QString RotctlProgram() {
    return QStandardPaths::findExecutable("rotctl");
}

// Runs rotctl with `args` for at most `ms` milliseconds, keeping the test's events
// going when the other end runs on the test's thread.
inline RotctlRun RunRotctlWith(const QStringList& args, int ms, bool keepEventsGoing) {
    QProcess process;
    process.setProgram(RotctlProgram());
    process.setArguments(args);
    process.start();
    QElapsedTimer clock;
    clock.start();
    if (!keepEventsGoing) process.waitForFinished(ms);
    while (process.state() != QProcess::NotRunning && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    RotctlRun run;
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit) run.exitCode = process.exitCode();
    run.output = process.readAllStandardOutput().toStdString();
    return run;
}

// Runs `rotctl -m 2 -r 127.0.0.1:<port> <commands>`.
inline RotctlRun RunRotctl(quint16 port, const QStringList& commands, int ms = 20000) {
    return RunRotctlWith(QStringList{"-m", "2", "-r", QString("127.0.0.1:%1").arg(port)} + commands,
                         ms, true);
}

// A TCP port on 127.0.0.1 that was free a moment ago (the system's choice).
inline quint16 FreeTcpPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

}  // namespace skyvane::test
