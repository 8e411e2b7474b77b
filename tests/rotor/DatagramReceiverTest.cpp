// SPDX-License-Identifier: GPL-3.0-or-later
// The UDP receiver against Qt's own sockets as its peers, on loopback only: datagrams
// with their sender and the answer back, the flood bound, the bind errors' words, and
// a multicast group's port shared with another program, in a network namespace of the
// test's own so that joining a group sends nothing beyond this computer.
#include <gtest/gtest.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QProcess>
#include <QUdpSocket>

#include "rotor/DatagramReceiver.h"
#include "tests/rotor/LoopbackClient.h"
#include "tests/support/QtApplication.h"

namespace skyvane {
namespace {

using platform::IpAddress;
using test::PumpUntil;

struct Received {
    std::vector<std::string> texts;
    IpAddress sender;
    quint16 senderPort = 0;
};

TDatagramReceiver::THandler Collect(Received& into) {
    return [&into](const QByteArray& datagram, const IpAddress& sender, quint16 port) {
        into.texts.push_back(datagram.toStdString());
        into.sender = sender;
        into.senderPort = port;
    };
}

class DatagramReceiverTest : public ::testing::Test {
protected:
    void SetUp() override { test_support::EnsureQtApplication<QCoreApplication>(); }
};

TEST_F(DatagramReceiverTest, TakesABoundedShareEachTurnAnswersTheSenderAndNamesBindErrors) {
    Received got;
    TDatagramReceiver receiver(Collect(got));
    receiver.Listen({IpAddress::LocalHost(), 0});
    QUdpSocket peer;
    ASSERT_TRUE(peer.bind(QHostAddress::LocalHost, 0));
    constexpr int Sent = 3 * TDatagramReceiver::MaxDatagramsPerTurn + 5;
    peer.writeDatagram(QByteArray(), QHostAddress::LocalHost, receiver.Port());
    for (int i = 0; i < Sent; ++i)
        peer.writeDatagram(QByteArray::number(i), QHostAddress::LocalHost, receiver.Port());
    // Loopback datagrams wait in the socket once sent: one turn takes the bound's worth
    // (the empty one counts but is not handed on).
    QCoreApplication::processEvents();
    EXPECT_EQ(got.texts.size(), std::size_t(TDatagramReceiver::MaxDatagramsPerTurn - 1));
    ASSERT_TRUE(PumpUntil([&] { return got.texts.size() == std::size_t(Sent); }));
    EXPECT_EQ(got.texts.back(), std::to_string(Sent - 1));
    EXPECT_EQ(got.sender, IpAddress::LocalHost());
    EXPECT_EQ(got.senderPort, peer.localPort());
    ASSERT_TRUE(receiver.Send("AZ:150", got.sender, got.senderPort));
    ASSERT_TRUE(PumpUntil([&] { return peer.hasPendingDatagrams(); }));
    EXPECT_EQ(peer.receiveDatagram().data(), "AZ:150");

    // A port another socket holds without sharing: the words Qt's socket finds for it.
    for (const IpAddress& at : {IpAddress::LocalHost(), *IpAddress::Parse("203.0.113.77")}) {
        QUdpSocket second;
        second.bind(QHostAddress(QString::fromStdString(at.Text())), peer.localPort());
        const std::string where = UdpEndpointText({at, peer.localPort()});
        try {
            TDatagramReceiver(Collect(got)).Listen({at, peer.localPort()});
            ADD_FAILURE() << where << " was bound";
        } catch (const EDatagramReceiver& e) {
            EXPECT_EQ(e.Message(),
                      "UDP " + where + " cannot be used: " + second.errorString().toStdString());
        }
    }
}

// Brings up the namespace's own loopback interface with multicast on.
bool LoopbackUpWithMulticast() {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::strcpy(request.ifr_name, "lo");
    request.ifr_flags = IFF_UP | IFF_MULTICAST | IFF_LOOPBACK;
    const bool up = ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    close(fd);
    return up;
}

TEST_F(DatagramReceiverTest, AMulticastGroupsPortIsSharedWithOtherPrograms) {
    if (!qEnvironmentVariableIsSet("SKYVANE_OWN_NETWORK")) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("SKYVANE_OWN_NETWORK", "1");
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start("unshare",
                    {"--user", "--map-root-user", "--net", QCoreApplication::applicationFilePath(),
                     "--gtest_filter=DatagramReceiverTest.AMulticast*"});
        child.waitForFinished(60000);
        const std::string output = child.readAll().toStdString();
        if (output.find("own network ready") == std::string::npos)
            GTEST_SKIP() << "this machine gives no network namespace of its own (unshare "
                            "--user --net), so no multicast group is joined: "
                         << output;
        EXPECT_EQ(child.exitCode(), 0) << output;
        return;
    }
    ASSERT_TRUE(LoopbackUpWithMulticast());
    std::printf("own network ready\n");
    const IpAddress group = *IpAddress::Parse("239.255.42.1");
    Received first, second;
    TDatagramReceiver receiver(Collect(first)), another(Collect(second));
    receiver.Listen({group, 0});
    const quint16 port = receiver.Port();
    ASSERT_NE(port, 0);
    // Another program on the group's port, as WSJT-X's other listeners bind it, and a
    // second receiver of our own.
    QUdpSocket other;
    ASSERT_TRUE(other.bind(QHostAddress::AnyIPv4, port,
                           QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
        << other.errorString().toStdString();
    ASSERT_TRUE(other.joinMulticastGroup(QHostAddress("239.255.42.1"),
                                         QNetworkInterface::interfaceFromName("lo")));
    another.Listen({group, port});

    QUdpSocket sender;
    ASSERT_TRUE(sender.bind(QHostAddress::LocalHost, 0));
    sender.setMulticastInterface(QNetworkInterface::interfaceFromName("lo"));
    sender.writeDatagram("status", QHostAddress("239.255.42.1"), port);
    EXPECT_TRUE(PumpUntil([&] { return !first.texts.empty() && !second.texts.empty(); }));
    EXPECT_TRUE(other.waitForReadyRead(5000));
    EXPECT_EQ(other.receiveDatagram().data(), "status");
    EXPECT_EQ(first.texts, std::vector<std::string>{"status"});
    EXPECT_EQ(second.texts, first.texts);
    EXPECT_EQ(first.sender, IpAddress::LocalHost());
    EXPECT_EQ(first.senderPort, sender.localPort());

    // An IPv6 group is joined and shared the same way.
    TDatagramReceiver ipv6(Collect(first));
    ipv6.Listen({*IpAddress::Parse("ff15::42"), 0});
    QUdpSocket otherIpv6;
    EXPECT_TRUE(otherIpv6.bind(QHostAddress::AnyIPv6, ipv6.Port(),
                               QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
}

}  // namespace
}  // namespace skyvane
