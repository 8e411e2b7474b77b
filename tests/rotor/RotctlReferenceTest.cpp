// SPDX-License-Identifier: GPL-3.0-or-later
// The server beside Hamlib's own rotctld with its dummy rotor (model 1), line by line:
// each row is sent to both, over a fresh connection that ends its sending after the
// line, and the answers compared as the row says. The rows that differ are the ways
// this rotor differs from the dummy one (no elevation, no reset, the move speeds
// Hamlib documents, its own name).
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <regex>

#include "rotor/RotctlSession.h"
#include "rotor/RotorServer.h"
#include "tests/rotor/FakeRotorAccess.h"
#include "tests/rotor/LoopbackClient.h"
#include "tests/support/QtApplication.h"
#include "tests/support/Rotctl.h"

namespace skyvane {
namespace {

using test::LoopbackClient;

// How the two answers must compare.
enum class TMatch {
    Same,    // byte for byte
    Layout,  // line for line once every number is masked (the two rotors stand apart)
    Keys,    // the same labels in the same order (a capabilities dump; sub-lines aside)
    Ours,    // ours is the text given; rotctld's differs
};

std::string Exchange(quint16 port, const std::string& line) {
    LoopbackClient client("127.0.0.1", port);
    if (!client.Connected() || !client.Send(line + "\n")) return "<no connection>";
    client.ShutdownSending();
    client.WaitClosedByPeer();
    return client.Received();
}

std::string Masked(const std::string& text) {
    return std::regex_replace(text, std::regex("-?[0-9]+(\\.[0-9]+)?"), "#");
}

// The labels of a dump: each line's text before its first ':' or tab, lines that
// begin with a tab (the dummy's extra functions and levels) left out.
std::vector<std::string> Keys(const std::string& text) {
    std::vector<std::string> keys;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        if (line.empty() || line[0] != '\t')
            keys.push_back(line.substr(0, line.find_first_of(":\t")));
        start = end + 1;
    }
    return keys;
}

class RotctlReferenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::EnsureQtApplication<QCoreApplication>();
        const QString rotctld = QStandardPaths::findExecutable("rotctld");
        if (rotctld.isEmpty())
            GTEST_SKIP() << "rotctld (Debian package libhamlib-utils) is missing";
        referencePort_ = test::FreeTcpPort();
        reference_.start(rotctld,
                         {"-m", "1", "-T", "127.0.0.1", "-t", QString::number(referencePort_)});
        ASSERT_TRUE(reference_.waitForStarted());
        ASSERT_TRUE(test::PumpUntil(
            [&] { return LoopbackClient("127.0.0.1", referencePort_).Connected(); }));
        rotor_.heading = 123;
        server_ = std::make_unique<TRotorServer>(rotor_);
        server_->Listen(0);
    }
    void TearDown() override {
        if (reference_.state() != QProcess::NotRunning) {
            reference_.kill();
            reference_.waitForFinished();
        }
    }

    QProcess reference_;
    quint16 referencePort_ = 0;
    test::FakeRotorAccess rotor_;
    std::unique_ptr<TRotorServer> server_;
};

TEST_F(RotctlReferenceTest, AnswersLikeRotctldLineByLine) {
    const std::string caps = CapsRecords(RotorServerInfo).front().plain;
    const struct {
        std::string line;
        TMatch match;
        std::string ours;  // for Ours
    } rows[] = {
        {"S", TMatch::Same, ""},
        {"+\\stop", TMatch::Same, ""},
        {"|S", TMatch::Same, ""},
        {"+ S", TMatch::Same, ""},
        {"K", TMatch::Same, ""},
        {"P 10 0", TMatch::Same, ""},
        {"P 100 200", TMatch::Same, ""},  // elevation out of range: RPRT -1
        {"P 100 -1", TMatch::Same, ""},
        {"M 8 -1", TMatch::Same, ""},  // CQRLog's turn buttons
        {"M 16 -1\nS", TMatch::Same, ""},
        {"+M 8 -1", TMatch::Same, ""},
        {"+\\move 16 50", TMatch::Same, ""},
        {"M 3 50", TMatch::Same, ""},
        {"M 512 1", TMatch::Same, ""},
        {"M abc 5", TMatch::Same, ""},
        {"S\ns", TMatch::Same, ""},
        {"S\n+s", TMatch::Same, ""},
        {"S\n;\\get_status", TMatch::Same, ""},
        {"R x", TMatch::Same, ""},
        {"p", TMatch::Layout, ""},
        {"+p", TMatch::Layout, ""},
        {"+ p", TMatch::Layout, ""},  // a blank after the plus: the default form
        {";p", TMatch::Layout, ""},
        {"\\dump_caps", TMatch::Keys, ""},
        {"+\\dump_caps", TMatch::Keys, ""},
        // This rotor: no elevation, no reset, speeds 1..100 or -1, diagonals turn it.
        {"M 2 50", TMatch::Ours, "RPRT -1\n"},
        {"M 16 101", TMatch::Ours, "RPRT -1\n"},
        {"M 16 0", TMatch::Ours, "RPRT -1\n"},
        {"M 32 5", TMatch::Ours, "RPRT 0\n"},
        {"R 1", TMatch::Ours, "RPRT -11\n"},
        {"+R 1", TMatch::Ours, "reset: 1\nRPRT -11\n"},
        {"_", TMatch::Ours, "Skyvane\n"},
        {"1", TMatch::Ours, caps + "\nRPRT 0\n"},
    };
    for (const auto& row : rows) {
        const std::string reference = Exchange(referencePort_, row.line);
        const std::string ours = Exchange(server_->Port(), row.line);
        SCOPED_TRACE(row.line);
        ASSERT_NE(reference.find('\n'), std::string::npos) << "rotctld gave no answer";
        switch (row.match) {
            case TMatch::Same:
                EXPECT_EQ(ours, reference);
                break;
            case TMatch::Layout:
                EXPECT_EQ(Masked(ours), Masked(reference));
                break;
            case TMatch::Keys:
                EXPECT_EQ(Keys(ours), Keys(reference));
                break;
            case TMatch::Ours:
                EXPECT_EQ(ours, row.ours);
                EXPECT_NE(reference, row.ours);
                break;
        }
    }
}

}  // namespace
}  // namespace skyvane
