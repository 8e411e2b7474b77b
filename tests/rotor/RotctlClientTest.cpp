// SPDX-License-Identifier: GPL-3.0-or-later
// The server against Hamlib's own command-line client, rotctl with the NET rotctl model
// (2): it opens with \dump_state and reads exactly what a Hamlib program reads.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "rotor/RotorServer.h"
#include "tests/rotor/FakeRotorAccess.h"
#include "tests/support/QtApplication.h"
#include "tests/support/Rotctl.h"

namespace skyvane {
namespace {

using test::FakeRotorAccess;

using test::RotctlRun;

class RotctlClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::EnsureQtApplication<QCoreApplication>();
        if (test::RotctlProgram().isEmpty())
            GTEST_SKIP() << "rotctl (Debian package libhamlib-utils) is missing";
        server_ = std::make_unique<TRotorServer>(rotor_);
        server_->Listen(0);
    }

    RotctlRun Rotctl(const QStringList& commands) {
        return test::RunRotctl(server_->Port(), commands);
    }

    FakeRotorAccess rotor_;
    std::unique_ptr<TRotorServer> server_;
};

TEST_F(RotctlClientTest, ReadsTheLiveHeadingAndFailsWithoutOne) {
    rotor_.heading = 217;
    RotctlRun run = Rotctl({"p"});
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

// CQRLog's turn buttons through Hamlib's NET backend: a move to the end of the range.
TEST_F(RotctlClientTest, MovesTowardTheEndOfTheRange) {
    EXPECT_EQ(Rotctl({"M", "8", "-1", "M", "16", "-1", "S"}).exitCode, 0);
    EXPECT_EQ(rotor_.requests, (std::vector<std::string>{"turn 0", "turn 360", "stop"}));
    EXPECT_NE(Rotctl({"M", "2", "50"}).exitCode, 0) << "no elevation to move";
}

TEST_F(RotctlClientTest, NamesTheServer) {
    const RotctlRun run = Rotctl({"_"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, "Skyvane\n\n");  // rotctl adds a line of its own
}

}  // namespace
}  // namespace skyvane
