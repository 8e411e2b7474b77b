// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <memory>
#include <vector>

#include "rotor/RotorServer.h"
#include "tests/rotor/FakeRotorAccess.h"
#include "tests/rotor/LoopbackClient.h"
#include "tests/support/QtApplication.h"

namespace skyvane {
namespace {

using test::FakeRotorAccess;
using test::LoopbackClient;
using test::PumpUntil;

const std::string Position123 = "123.00\n0.00\n";

class RotorServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::EnsureQtApplication<QCoreApplication>();
        rotor_.heading = 123;
        server_ = std::make_unique<TRotorServer>(rotor_);
        server_->Listen(0);
        port_ = server_->Port();
        ASSERT_NE(port_, 0);
    }

    FakeRotorAccess rotor_;
    std::unique_ptr<TRotorServer> server_;
    quint16 port_ = 0;
};

TEST_F(RotorServerTest, ServesSeveralClientsAtOnceOnBothLoopbackAddresses) {
    LoopbackClient a("127.0.0.1", port_);
    LoopbackClient b("127.0.0.1", port_);
    ASSERT_TRUE(a.Connected());
    ASSERT_TRUE(b.Connected());
    LoopbackClient c("::1", port_);  // absent where the system has no IPv6
    const int expected = c.Connected() ? 3 : 2;
    ASSERT_TRUE(PumpUntil([&] { return server_->ClientCount() == expected; }));

    // Requests interleaved between clients each get their own answer.
    a.Send("p\n");
    b.Send("P 200 0\n");
    if (c.Connected()) c.Send("+\\get_pos\n");
    EXPECT_EQ(a.Take(Position123.size()), Position123);
    EXPECT_EQ(b.Take(7), "RPRT 0\n");
    if (c.Connected()) {
        const std::string extended = "get_pos:\nAzimuth: 123.00\nElevation: 0.00\nRPRT 0\n";
        EXPECT_EQ(c.Take(extended.size()), extended);
    }
    EXPECT_EQ(rotor_.requests, std::vector<std::string>{"turn 200"});
}

TEST_F(RotorServerTest, ListensOnLoopbackOnly) {
    // Another address of the loopback range reaches a server bound to every address,
    // but not one bound to 127.0.0.1 alone.
    LoopbackClient other("127.0.0.2", port_);
    EXPECT_FALSE(other.Connected());
}

TEST_F(RotorServerTest, MisbehavingClientsCostNothingAndDisturbNoOther) {
    LoopbackClient good("127.0.0.1", port_);
    LoopbackClient endless("127.0.0.1", port_);   // one line that never ends
    LoopbackClient garbage("127.0.0.1", port_);   // binary noise with line ends
    LoopbackClient flooder("127.0.0.1", port_);   // asks and asks, never reads
    LoopbackClient vanisher("127.0.0.1", port_);  // leaves in the middle of a command
    flooder.SetSmallReceiveBuffer();
    ASSERT_TRUE(PumpUntil([&] { return server_->ClientCount() == 5; }));

    vanisher.Send("P 20");
    vanisher.Close();

    std::string noise;
    for (int i = 0; i < 65536; ++i) noise.push_back(static_cast<char>((i * 7919 + 13) % 251));
    for (char& c : noise)
        if (std::string_view("PSKqQ").find(c) != std::string_view::npos)
            c = 'x';  // nothing that acts
    std::string flood;
    for (int i = 0; i < 2000; ++i) flood += "p\n";

    for (int round = 0; round < 50; ++round) {
        endless.SendSome(std::string(16384, 'e'));
        garbage.SendSome(noise.substr((round * 1024) % noise.size(), 1024));
        flooder.SendSome(flood);
        ASSERT_EQ(good.Ask("p\n", Position123.size()), Position123) << "round " << round;
    }
    EXPECT_TRUE(rotor_.requests.empty());  // the half command died with its client
    EXPECT_TRUE(PumpUntil([&] { return server_->ClientCount() == 4; }));

    // The flooder is answered as soon as it reads again.
    flooder.Drain();
    EXPECT_GT(flooder.Received().size(), 0u);
    // The endless line ends at last and earns one error; the line after it is served.
    EXPECT_EQ(endless.Ask("\np\n", 8 + Position123.size()), "RPRT -1\n" + Position123);
    EXPECT_EQ(good.Ask("S\n", 7), "RPRT 0\n");
    EXPECT_EQ(rotor_.requests, std::vector<std::string>{"stop"});
}

TEST_F(RotorServerTest, QuitAndVanishedClientsAreForgotten) {
    LoopbackClient quitter("127.0.0.1", port_);
    ASSERT_TRUE(PumpUntil([&] { return server_->ClientCount() == 1; }));
    EXPECT_EQ(quitter.Ask("p\nq\np\n", Position123.size()), Position123);
    EXPECT_TRUE(quitter.WaitClosedByPeer());
    EXPECT_EQ(quitter.Received(), "");  // nothing after q
    EXPECT_TRUE(PumpUntil([&] { return server_->ClientCount() == 0; }));

    for (int i = 0; i < 20; ++i) {
        LoopbackClient passer("127.0.0.1", port_);
        passer.Send("+P 1");
    }
    EXPECT_TRUE(PumpUntil([&] { return server_->ClientCount() == 0; }));
    EXPECT_TRUE(rotor_.requests.empty());
}

TEST_F(RotorServerTest, TurnsAwayClientsBeyondTheLimit) {
    std::vector<std::unique_ptr<LoopbackClient>> clients;
    for (int i = 0; i < TRotorServer::MaxClients; ++i)
        clients.push_back(std::make_unique<LoopbackClient>("127.0.0.1", port_));
    ASSERT_TRUE(PumpUntil([&] { return server_->ClientCount() == TRotorServer::MaxClients; }));
    LoopbackClient oneTooMany("127.0.0.1", port_);
    EXPECT_TRUE(oneTooMany.WaitClosedByPeer());
    EXPECT_EQ(clients.back()->Ask("p\n", Position123.size()), Position123);
    clients.pop_back();
    ASSERT_TRUE(PumpUntil([&] { return server_->ClientCount() == TRotorServer::MaxClients - 1; }));
    LoopbackClient next("127.0.0.1", port_);
    EXPECT_EQ(next.Ask("p\n", Position123.size()), Position123);
}

TEST_F(RotorServerTest, APortInUseIsReportedAndTheServerListensNowhere) {
    FakeRotorAccess otherRotor;
    TRotorServer second(otherRotor);
    try {
        second.Listen(port_);
        FAIL() << "a second server listened on a port in use";
    } catch (const ERotorServer& e) {
        EXPECT_EQ(e.Message(), "The rotor cannot be shared: TCP port " + std::to_string(port_) +
                                   " is already in use by another program");
    }
    EXPECT_FALSE(second.Listening());
    EXPECT_EQ(second.Port(), 0);
    // The first goes on serving.
    LoopbackClient client("127.0.0.1", port_);
    EXPECT_EQ(client.Ask("p\n", Position123.size()), Position123);
}

TEST_F(RotorServerTest, CloseDropsEveryClientAndTheListener) {
    LoopbackClient client("127.0.0.1", port_);
    ASSERT_TRUE(PumpUntil([&] { return server_->ClientCount() == 1; }));
    server_->Close();
    EXPECT_FALSE(server_->Listening());
    EXPECT_EQ(server_->ClientCount(), 0);
    EXPECT_TRUE(client.WaitClosedByPeer());
    EXPECT_FALSE(LoopbackClient("127.0.0.1", port_).Connected());
    // The same port can be listened on again at once.
    server_->Listen(port_);
    LoopbackClient again("127.0.0.1", port_);
    EXPECT_EQ(again.Ask("p\n", Position123.size()), Position123);
}

// Every place taken: a newcomer is told why in one line while every client is in use
// (the trace log notes it once a minute at most), and the longest-silent client gives
// way once it has been silent long enough; a silent client times out.
TEST_F(RotorServerTest, AFullServerMakesRoomOrSaysWhyAndSilentClientsTimeOut) {
    std::vector<std::string> trace;
    server_->SetTrace([&](const std::string& line) { trace.push_back(line); });
    server_->SetIdleLimits(std::chrono::milliseconds(1500), std::chrono::milliseconds(400));
    std::vector<std::unique_ptr<LoopbackClient>> clients;
    for (int i = 0; i < TRotorServer::MaxClients; ++i) {
        clients.push_back(std::make_unique<LoopbackClient>("127.0.0.1", port_));
        ASSERT_EQ(clients.back()->Ask("p\n", Position123.size()), Position123) << i;
    }
    for (int i = 0; i < 2; ++i) {
        LoopbackClient turnedAway("127.0.0.1", port_);
        EXPECT_TRUE(turnedAway.WaitClosedByPeer());
        EXPECT_EQ(turnedAway.Received(), ServerFullText());
    }
    ASSERT_EQ(trace.size(), 1u);

    // The first client falls silent; the others keep asking.
    QElapsedTimer clock;
    clock.start();
    const auto askUntil = [&](qint64 ms) {
        while (clock.elapsed() < ms)
            for (std::size_t i = 1; i < clients.size(); ++i)
                ASSERT_EQ(clients[i]->Ask("p\n", Position123.size()), Position123);
    };
    askUntil(600);
    LoopbackClient newcomer("127.0.0.1", port_);  // silent from now on
    EXPECT_TRUE(clients[0]->WaitClosedByPeer()) << "the longest-silent client gave way";
    EXPECT_EQ(server_->ClientCount(), TRotorServer::MaxClients);
    askUntil(2400);
    EXPECT_TRUE(newcomer.WaitClosedByPeer(100)) << "silent past the idle time-out";
    EXPECT_EQ(server_->ClientCount(), TRotorServer::MaxClients - 1);
    EXPECT_EQ(trace.size(), 1u);
}

// A client that ends its sending right after its requests (nc -N, scripts) still gets
// every answer, then the end of the stream.
TEST_F(RotorServerTest, AHalfClosedClientGetsEveryAnswer) {
    std::string many, manyAnswers;
    for (int i = 0; i < 3000; ++i) many += "p\n", manyAnswers += Position123;
    const std::pair<std::string, std::string> cases[] = {
        {"P 200 0\n", "RPRT 0\n"},
        {"p\nS\nq\np\n", Position123 + "RPRT 0\n"},
        {"p", ""},  // no line end: nothing to answer
        {many, manyAnswers}};
    for (const auto& [sent, answers] : cases) {
        LoopbackClient client("127.0.0.1", port_);
        ASSERT_TRUE(client.Send(sent));
        client.ShutdownSending();
        EXPECT_TRUE(client.WaitClosedByPeer());
        EXPECT_TRUE(client.Received() == answers) << sent.substr(0, 20);
    }
}

}  // namespace
}  // namespace skyvane
