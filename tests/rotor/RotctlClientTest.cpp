// SPDX-License-Identifier: GPL-3.0-or-later
// The server against Hamlib's own command-line client, rotctl with the NET rotctl model
// (2): it opens with \dump_state and reads exactly what a Hamlib program reads.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

#include "rotor/RotorServer.h"
#include "tests/rotor/FakeRotorAccess.h"
#include "tests/rotor/LoopbackClient.h"
#include "tests/support/QtApplication.h"

namespace skyvane {
namespace {

using test::FakeRotorAccess;

struct TRun {
    int exitCode = -1;
    std::string output;
};

class RotctlClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::EnsureQtApplication<QCoreApplication>();
        rotctl_ = QStandardPaths::findExecutable("rotctl");
        if (rotctl_.isEmpty()) GTEST_SKIP() << "rotctl (Debian package libhamlib-utils) is missing";
        server_ = std::make_unique<TRotorServer>(rotor_);
        server_->Listen(0);
    }

    // Runs rotctl with `commands` against the server, serving it meanwhile.
    TRun Rotctl(const QStringList& commands) {
        QProcess process;
        process.setProgram(rotctl_);
        process.setArguments(
            QStringList{"-m", "2", "-r", QString("127.0.0.1:%1").arg(server_->Port())} + commands);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start();
        test::PumpUntil([&] { return process.state() == QProcess::NotRunning; }, 20000);
        TRun run;
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.output = process.readAllStandardOutput().toStdString();
        return run;
    }

    QString rotctl_;
    FakeRotorAccess rotor_;
    std::unique_ptr<TRotorServer> server_;
};

TEST_F(RotctlClientTest, ReadsTheLiveHeadingAndFailsWithoutOne) {
    rotor_.heading = 217;
    TRun run = Rotctl({"p"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, "217.00\n0.00\n");

    rotor_.heading.reset();
    run = Rotctl({"p"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(run.output.find("217"), std::string::npos) << run.output;
}

TEST_F(RotctlClientTest, TurnsParksAndStops) {
    rotor_.heading = 10;
    EXPECT_EQ(Rotctl({"P", "200", "0"}).exitCode, 0);
    EXPECT_EQ(Rotctl({"S"}).exitCode, 0);
    EXPECT_EQ(Rotctl({"K"}).exitCode, 0);
    EXPECT_EQ(Rotctl({"P", "359.6", "0", "S"}).exitCode, 0);
    EXPECT_EQ(rotor_.requests,
              (std::vector<std::string>{"turn 200", "stop", "turn 0", "turn 360", "stop"}));

    // Out of the range the server announced: refused, nothing asked of the rotor.
    EXPECT_NE(Rotctl({"P", "400", "0"}).exitCode, 0);
    EXPECT_EQ(rotor_.requests.size(), 5u);

    rotor_.reachable = false;
    EXPECT_NE(Rotctl({"P", "100", "0"}).exitCode, 0);
}

TEST_F(RotctlClientTest, NamesTheServer) {
    const TRun run = Rotctl({"_"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, "Skyvane\n\n");  // rotctl adds a line of its own
}

}  // namespace
}  // namespace skyvane
