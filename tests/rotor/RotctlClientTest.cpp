// SPDX-License-Identifier: GPL-3.0-or-later
// The server against Hamlib's own command-line client, rotctl with the NET rotctl model
// (2): it opens with \dump_state and reads exactly what a Hamlib program reads. And the
// server beside rotctld with its dummy rotor (model 1), line by line.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <regex>

#include "rotor/RotctlSession.h"
#include "rotor/RotorServer.h"
#include "tests/rotor/FakeRotorAccess.h"
#include "tests/rotor/LoopbackClient.h"
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

using test::LoopbackClient;

// Each row goes to both over a fresh connection that ends its sending after it; Ours
// rows are where this rotor differs (no elevation, no reset, Hamlib's move speeds, its
// name). Same: byte for byte. Layout: once numbers are masked (the rotors stand apart). Keys:
// a dump's labels, the dummy's tab-indented sub-lines left out. Ours: the text given.
enum class TMatch { Same, Layout, Keys, Ours };

std::string Exchange(quint16 port, const std::string& line) {
    LoopbackClient client("127.0.0.1", port);
    client.Send(line + "\n");
    client.ShutdownSending();
    client.WaitClosedByPeer();
    return client.Received();
}

std::string Compared(const std::string& answer, TMatch match) {
    if (match == TMatch::Layout) return std::regex_replace(answer, std::regex("-?[0-9.]+"), "#");
    if (match != TMatch::Keys) return answer;
    const std::string untabbed = std::regex_replace(answer, std::regex("\n\t[^\n]*"), "");
    return std::regex_replace(untabbed, std::regex("[:\t][^\n]*"), "");
}

TEST(RotctlReference, AnswersLikeRotctldLineByLine) {
    test_support::EnsureQtApplication<QCoreApplication>();
    const QString rotctld = QStandardPaths::findExecutable("rotctld");
    if (rotctld.isEmpty()) GTEST_SKIP() << "rotctld (Debian package libhamlib-utils) is missing";
    const quint16 referencePort = test::FreeTcpPort();
    QProcess reference;
    reference.start(rotctld, {"-m", "1", "-T", "127.0.0.1", "-t", QString::number(referencePort)});
    ASSERT_TRUE(
        test::PumpUntil([&] { return LoopbackClient("127.0.0.1", referencePort).Connected(); }));
    test::FakeRotorAccess rotor;
    rotor.heading = 123;
    TRotorServer server(rotor);
    server.Listen(0);

    const std::string caps = CapsRecords(RotorServerInfo).front().plain;
    const struct {
        std::string line;
        TMatch match;
        std::string ours = {};
    } rows[] = {
        // clang-format off
        {"+\\stop", TMatch::Same}, {"|S", TMatch::Same}, {"+ S", TMatch::Same},
        {"K", TMatch::Same}, {"P 10 0", TMatch::Same}, {"P 100 200", TMatch::Same},
        {"M 8 -1", TMatch::Same}, {"M 16 -1\nS", TMatch::Same}, {"+M 8 -1", TMatch::Same},
        {"+\\move 16 50", TMatch::Same}, {"M 3 50", TMatch::Same}, {"M 512 1", TMatch::Same},
        {"M abc 5", TMatch::Same}, {"S\ns", TMatch::Same}, {"S\n+s", TMatch::Same},
        {"S\n;\\get_status", TMatch::Same}, {"R x", TMatch::Same}, {"p", TMatch::Layout},
        {"+p", TMatch::Layout}, {"+ p", TMatch::Layout}, {";p", TMatch::Layout},
        {"\\dump_caps", TMatch::Keys}, {"+\\dump_caps", TMatch::Keys},
        // No elevation, Hamlib's speeds, a diagonal turns the azimuth, no reset, the name.
        {"M 2 50", TMatch::Ours, "RPRT -1\n"}, {"M 16 101", TMatch::Ours, "RPRT -1\n"},
        {"M 16 0", TMatch::Ours, "RPRT -1\n"}, {"M 32 5", TMatch::Ours, "RPRT 0\n"},
        {"R 1", TMatch::Ours, "RPRT -11\n"}, {"+R 1", TMatch::Ours, "reset: 1\nRPRT -11\n"},
        {"_", TMatch::Ours, "Skyvane\n"}, {"1", TMatch::Ours, caps + "\nRPRT 0\n"},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        const std::string theirs = Exchange(referencePort, row.line);
        const std::string ours = Exchange(server.Port(), row.line);
        ASSERT_NE(theirs.find('\n'), std::string::npos) << "rotctld gave no answer";
        if (row.match == TMatch::Ours) {
            EXPECT_EQ(ours, row.ours);
            EXPECT_NE(theirs, row.ours);
        } else {
            EXPECT_EQ(Compared(ours, row.match), Compared(theirs, row.match));
        }
    }
    reference.kill();
    reference.waitForFinished();
}

}  // namespace
}  // namespace skyvane
