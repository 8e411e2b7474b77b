// SPDX-License-Identifier: GPL-3.0-or-later
// The Setup dialog on a real port: a pseudo-terminal stands in for the rotor's cable.
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <string>

#include "serial/SerialSetup.h"
#include "serial/SerialSetup_p.h"
#include "tests/serial/SerialTestSupport.h"
#include "tests/serial_setup/SetupTestSupport.h"
#include "tests/support/LineState.h"

namespace skyvane {
namespace {

TEST(SerialSetupOnAPseudoTerminal, OkGivesTheOpenLineItsNewSpeedAndTrafficGoesOn) {
    testing::EnsureWidgetsApplication();
    testing::FakeSysfsTree tree;
    tree.AddTty("ttyUSB0");
    testing::UsePortsRoot root(tree);
    int master = -1, slave = -1;
    char name[128];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    termios raw{};
    tcgetattr(master, &raw);
    cfmakeraw(&raw);
    tcsetattr(master, TCSANOW, &raw);

    std::string received;
    {
        TSerialPort port(nullptr);
        port.SetPort(name);
        port.SetBaudRate(br4800);
        port.SetOnRxChar([&](TComponent*, int count) {
            std::string chunk;
            port.ReadText(chunk, count);
            received += chunk;
        });
        port.SetConnected(true);
        ASSERT_EQ(testing::LineOutputSpeed(slave), 4800);

        testing::WhenShown([&](TSerialSetupFrm& form) {
            EXPECT_EQ(form.Combo(1)->Text(), name);  // the port's own name, though unlisted
            testing::PickItem(form.Combo(2)->Widget(), "9600");
            form.Button1()->Widget()->click();
        });
        EditPortSettings(port);

        EXPECT_TRUE(port.Connected());
        EXPECT_EQ(port.Port(), name);
        EXPECT_EQ(testing::LineOutputSpeed(slave), 9600);
        // The line still carries queries and replies.
        port.WriteText("AI1;");
        char query[8] = {};
        ASSERT_EQ(read(master, query, 4), 4);
        EXPECT_EQ(std::string(query, 4), "AI1;");
        ASSERT_EQ(write(master, "123;", 4), 4);
        EXPECT_TRUE(testing::ServeUntil([&] { return received.size() >= 4; }));
        EXPECT_EQ(received, "123;");
    }
    close(slave);
    close(master);
}

}  // namespace
}  // namespace skyvane
