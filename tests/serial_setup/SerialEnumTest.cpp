// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "serial/SerialEnum.h"
#include "serial/SerialErrors.h"
#include "tests/serial_setup/FakeSysfs.h"

namespace skyvane {
namespace {

namespace fs = std::filesystem;

class FakeSysfs : public ::testing::Test {
protected:
    void AddTty(const std::string& name, bool driver, int uartType = -1) {
        tree_.AddTty(name, driver, uartType);
    }
    void AddById(const std::string& name) { tree_.AddById(name); }
    fs::path ClassDir() const { return tree_.ClassDir(); }
    std::vector<std::string> List() {
        std::vector<std::string> ports;
        ListSerialPorts(ports, tree_.Root());
        return ports;
    }

    testing::FakeSysfsTree tree_;
};

TEST_F(FakeSysfs, DriverBackedPortsOnlySortedAsText) {
    AddTty("ttyUSB10", true);
    AddTty("ttyUSB2", true);
    AddTty("ttyACM0", true);
    AddTty("ttyS0", true, 4);  // a 16550A
    AddTty("ttyS1", true, 0);  // a slot with no UART behind it
    AddTty("ttyAMA0", true);   // a platform UART without serial-core attributes
    AddTty("tty1", false);     // virtual console
    AddTty("console", false);
    AddTty("ptmx", false);
    AddTty("ttyUSB1", false, 4);  // no driver: not a device
    EXPECT_EQ(List(), (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyAMA0", "/dev/ttyS0",
                                                "/dev/ttyUSB10", "/dev/ttyUSB2"}));
}

TEST_F(FakeSysfs, LowerCaseNamesKeepTheirCaseAndSortAsUpperCase) {
    AddTty("ttyusb1", true);
    AddTty("ttyUSB0", true);
    AddTty("ttyUSB2", true);
    AddTty("ttyU_x", true);  // "_" sorts after the upper-case letters but before lower case
    EXPECT_EQ(List(), (std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyusb1", "/dev/ttyUSB2",
                                                "/dev/ttyU_x"}));
}

TEST_F(FakeSysfs, StableUsbNamesAreOfferedBesideTheKernelNames) {
    AddTty("ttyUSB0", true);
    AddById("usb-FTDI_FT232R_USB_UART_A12B-if00-port0");
    AddTty("bus!tty0", true);  // a "/" in a device name is "!" in sysfs
    EXPECT_EQ(List(),
              (std::vector<std::string>{
                  "/dev/bus/tty0", "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A12B-if00-port0",
                  "/dev/ttyUSB0"}));
}

TEST_F(FakeSysfs, NoPortsGiveAnEmptyList) {
    AddTty("tty0", false);
    std::vector<std::string> ports = {"stale"};
    ListSerialPorts(ports, tree_.Root());
    EXPECT_TRUE(ports.empty());
}

TEST_F(FakeSysfs, MissingSourceRaisesRegistryErrorAndKeepsTheList) {
    tree_.RemoveSource();
    std::vector<std::string> ports = {"/dev/ttyUSB9", "kept"};
    try {
        ListSerialPorts(ports, tree_.Root());
        FAIL() << "no error raised";
    } catch (const ESerialPort& e) {
        EXPECT_EQ(e.PortErrorCode(), 23);
        EXPECT_EQ(e.OsErrorCode(), ENOENT);
        EXPECT_EQ(e.Message(), "Registry error (win error code: 2)");
    }
    EXPECT_EQ(ports, (std::vector<std::string>{"/dev/ttyUSB9", "kept"}));
}

TEST_F(FakeSysfs, UnreadableSourceRaisesRegistryErrorWithItsErrno) {
    fs::remove_all(ClassDir());
    std::ofstream(ClassDir()) << "not a directory\n";
    std::vector<std::string> ports = {"kept"};
    try {
        ListSerialPorts(ports, tree_.Root());
        FAIL() << "no error raised";
    } catch (const ESerialPort& e) {
        EXPECT_EQ(e.PortErrorCode(), 23);
        EXPECT_EQ(e.OsErrorCode(), ENOTDIR);
    }
    EXPECT_EQ(ports, (std::vector<std::string>{"kept"}));
}

TEST(SortPortNames, CaseInsensitiveTextOrderKeepingDuplicates) {
    std::vector<std::string> names = {"COM3", "com5", "COM1", "COM10", "COM2", "com1", "COM1"};
    SortPortNames(names);
    EXPECT_EQ(names,
              (std::vector<std::string>{"COM1", "com1", "COM1", "COM10", "COM2", "COM3", "com5"}));
}

TEST(ListSerialPorts, ReadsBelowTheInstalledRoot) {
    testing::FakeSysfsTree tree;
    tree.AddTty("ttyACM3");
    std::vector<std::string> ports;
    {
        testing::UsePortsRoot use(tree);
        ListSerialPorts(ports);
        EXPECT_EQ(ports, (std::vector<std::string>{"/dev/ttyACM3"}));
    }
    EXPECT_EQ(SerialPortsRoot(), "/");
}

}  // namespace
}  // namespace skyvane
