// SPDX-License-Identifier: GPL-3.0-or-later
// The N1MM-style listener with a Qt socket as the logger, on loopback only: the
// heading goes back at the rotor's readings, never on a timer of its own.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include "rotor/LoggerRotorListeners.h"
#include "tests/rotor/FakeRotorAccess.h"
#include "tests/rotor/LoopbackClient.h"
#include "tests/support/QtApplication.h"

namespace skyvane {
namespace {

// Readings one after another, some with a logger's command before them, and what the
// logger hears at each: nothing before its first command, then the heading when it
// moved by the step since it was last sent, and nothing while no heading is live.
TEST(N1mmRotorListener, TheHeadingGoesBackAtReadingsOnceALoggerSteersWhenItMoved) {
    test_support::EnsureQtApplication<QCoreApplication>();
    QUdpSocket logger;
    ASSERT_TRUE(logger.bind(QHostAddress::LocalHost, 0));
    test::FakeRotorAccess rotor;
    TN1mmRotorListener listener(rotor, "Skyvane", logger.localPort());
    listener.Listen({platform::IpAddress::LocalHost(), 0});
    static_assert(TN1mmRotorListener::ReportStepDegrees == 2);
    const struct {
        std::optional<int> heading;
        bool command;
        const char* heard;  // nullptr: nothing
    } readings[] = {
        {100, false, nullptr},
        {100, true, "Skyvane @ 1000"},
        {100, false, nullptr},
        {101, false, nullptr},
        {102, false, "Skyvane @ 1020"},
        {std::nullopt, false, nullptr},
        {101, true, nullptr},
        {99, false, "Skyvane @ 990"},
        {360, false, "Skyvane @ 3600"},
    };
    int n = 0;
    for (const auto& reading : readings) {
        ++n;
        rotor.heading = reading.heading;
        if (reading.command) {
            const std::size_t before = rotor.requests.size();
            logger.writeDatagram(
                "<N1MMRotor><rotor>Skyvane</rotor><goazi>200</goazi><offset>0</offset>"
                "<bidirectional>0</bidirectional><freqband>14</freqband></N1MMRotor>",
                QHostAddress::LocalHost, listener.Port());
            ASSERT_TRUE(test::PumpUntil([&] { return rotor.requests.size() > before; })) << n;
        }
        QCoreApplication::processEvents();
        ASSERT_FALSE(logger.hasPendingDatagrams()) << n << ": sent between readings";
        listener.HeadingRead();
        // A datagram on loopback is waiting in the socket as soon as it is sent.
        if (!reading.heard) {
            EXPECT_FALSE(logger.hasPendingDatagrams()) << n;
            continue;
        }
        ASSERT_TRUE(logger.hasPendingDatagrams()) << n;
        EXPECT_EQ(logger.receiveDatagram().data().toStdString(), reading.heard) << n;
    }
}

}  // namespace
}  // namespace skyvane
