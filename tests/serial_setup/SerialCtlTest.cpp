// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QKeyEvent>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "serial/SerialCtl.h"
#include "serial/SerialSetup.h"
#include "serial/SerialText.h"
#include "tests/serial/SerialTestSupport.h"
#include "tests/serial_setup/SetupTestSupport.h"

namespace skyvane {
namespace {

using testing::FakeSysfsTree;
using testing::PickItem;
using testing::ScriptedPort;
using testing::UsePortsRoot;

class SerialComboBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::EnsureWidgetsApplication();
        tree_.AddTty("ttyUSB1");
        tree_.AddTty("ttyS0", true, 4);
        tree_.AddTty("ttyUSB0");
        tree_.AddTty("tty1", false);
    }
    std::unique_ptr<TSerialComboBox> Combo(TSerialProperty property) {
        auto combo = std::make_unique<TSerialComboBox>(nullptr);
        combo->SetSerialProperty(property);
        return combo;
    }
    static std::vector<std::string> ItemsOf(const TSerialComboBox& c) {
        std::vector<std::string> items;
        for (int i = 0; i < c.Items().Count(); ++i) items.push_back(c.Items().Item(i));
        return items;
    }
    static std::vector<std::string> ShownItems(const TSerialComboBox& c) {
        std::vector<std::string> items;
        for (int i = 0; i < c.Widget()->count(); ++i)
            items.push_back(c.Widget()->itemText(i).toStdString());
        return items;
    }

    FakeSysfsTree tree_;
    UsePortsRoot root_{tree_};
};

template <std::size_t N>
std::vector<std::string> Texts(const std::array<std::string_view, N>& table) {
    return std::vector<std::string>(table.begin(), table.end());
}

TEST_F(SerialComboBoxTest, EachPropertyListsItsChoicesAndSelectsTheFirstWithoutAPort) {
    struct Case {
        TSerialProperty property;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {cpNone, {}},
        {cpPort, {"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1"}},
        {cpBaudRate, Texts(BaudRateTexts)},
        {cpDataBits, {"5", "6", "7", "8"}},
        {cpStopBits, {"1", "1.5", "2"}},
        {cpParity, {"None", "Odd", "Even", "Mark", "Space"}},
        {cpFlowControl, {"Hardware", "Software", "None", "Custom"}},
    };
    for (const Case& c : cases) {
        auto combo = Combo(c.property);
        EXPECT_EQ(ItemsOf(*combo), c.items) << int(c.property);
        EXPECT_EQ(ShownItems(*combo), c.items) << int(c.property);
        EXPECT_EQ(combo->ItemIndex(), c.items.empty() ? -1 : 0) << int(c.property);
        EXPECT_EQ(combo->Text(), c.items.empty() ? "" : c.items[0]) << int(c.property);
    }
    auto baud = Combo(cpBaudRate);
    EXPECT_EQ(baud->Items().Count(), 16);
    EXPECT_EQ(baud->Text(), "Custom");
    // Changing the property refills the list.
    baud->SetSerialProperty(cpStopBits);
    EXPECT_EQ(ItemsOf(*baud), (std::vector<std::string>{"1", "1.5", "2"}));
    baud->SetSerialProperty(cpNone);
    EXPECT_EQ(baud->Items().Count(), 0);
    EXPECT_EQ(baud->Text(), "");
}

TEST_F(SerialComboBoxTest, BindingSelectsAndHoldsThePortsPresentValue) {
    ScriptedPort port;
    port.SetBaudRate(br19200);
    port.SetDataBits(dbSeven);
    port.SetStopBits(sbTwoStopBits);
    port.Parity()->SetBits(prMark);
    port.FlowControl()->SetFlowControl(fcSoftware);
    struct Case {
        TSerialProperty property;
        std::string text;
    };
    for (const Case& c : {Case{cpBaudRate, "19200"}, Case{cpDataBits, "7"}, Case{cpStopBits, "2"},
                          Case{cpParity, "Mark"}, Case{cpFlowControl, "Software"}}) {
        auto combo = Combo(c.property);
        combo->SetSerialPort(&port);
        EXPECT_EQ(combo->Text(), c.text) << int(c.property);
    }
    auto baud = Combo(cpBaudRate);
    EXPECT_EQ(baud->Select()->HeldBaudRate(), brCustom);  // initial value
    baud->SetSerialPort(&port);
    EXPECT_EQ(baud->Select()->HeldBaudRate(), br19200);
    // Writing the property with a port bound selects the port's value at once.
    auto data = std::make_unique<TSerialComboBox>(nullptr);
    data->SetSerialPort(&port);
    EXPECT_EQ(data->ItemIndex(), -1);
    data->SetSerialProperty(cpDataBits);
    EXPECT_EQ(data->Text(), "7");
    EXPECT_EQ(data->Select()->HeldDataBits(), dbSeven);
}

TEST_F(SerialComboBoxTest, PortNamesMatchTheListWithoutRegardToCase) {
    ScriptedPort port;
    port.SetPort("/DEV/TTYUSB0");
    auto combo = Combo(cpPort);
    combo->SetSerialPort(&port);
    EXPECT_EQ(combo->Text(), "/dev/ttyUSB0");
    EXPECT_EQ(combo->Select()->HeldPort(), "/dev/ttyUSB0");  // the item's own text
    combo->ApplyToPort();
    EXPECT_EQ(port.Port(), "/dev/ttyUSB0");
}

TEST_F(SerialComboBoxTest, PortNamesMatchTheListTheWayTheDeviceIsOpened) {
    const std::pair<const char*, const char*> cases[] = {
        {"TTYUSB0", "/dev/ttyUSB0"},  // as read from the configuration, upper-cased
        {"ttyusb1", "/dev/ttyUSB1"},
        {"/DEV/TTYS0", "/dev/ttyS0"},
        {"dev/ttyS0", "dev/ttyS0"},  // a relative path is no bare name: offered as it is
    };
    for (const auto& [held, selected] : cases) {
        ScriptedPort port;
        port.SetPort(held);
        auto combo = Combo(cpPort);
        combo->SetSerialPort(&port);
        EXPECT_EQ(combo->Select()->HeldPort(), selected) << held;
        EXPECT_EQ(combo->Items().Count(), held[0] == 'd' ? 4 : 3) << held;
    }
}

TEST_F(SerialComboBoxTest, TheClosedSelectorShowsWhatTellsLongDeviceNamesApart) {
    const std::string ids[] = {"usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0",
                               "usb-FTDI_FT232R_USB_UART_A10K3ZQ2-if00-port0",
                               "usb-FTDI_FT232R_USB_UART_A10K3ZQ2-if01-port0"};
    for (const std::string& id : ids) tree_.AddById(id);
    TSerialSetupFrm form(nullptr);  // the selector at the dialog's stored size
    TSerialComboBox& combo = *form.Combo(1);
    std::set<std::string> shown;
    for (const std::string& id : ids) {
        combo.SetText("/dev/serial/by-id/" + id);
        const std::string face = combo.ShownText();
        EXPECT_EQ(face.substr(face.size() - 11), id.substr(id.size() - 11)) << face;
        EXPECT_LE(combo.Widget()->fontMetrics().horizontalAdvance(QString::fromStdString(face)),
                  combo.Widget()->width());
        shown.insert(face);
    }
    EXPECT_EQ(shown.size(), 3u);
    combo.SetText("/dev/ttyUSB0");
    EXPECT_EQ(combo.ShownText(), "/dev/ttyUSB0");
}

TEST_F(SerialComboBoxTest, APortNameTheSystemDoesNotListIsOfferedAndKept) {
    ScriptedPort port;
    port.SetPort("/dev/pts/7");
    auto combo = Combo(cpPort);
    combo->SetSerialPort(&port);
    EXPECT_EQ(ItemsOf(*combo), (std::vector<std::string>{"/dev/pts/7", "/dev/ttyS0", "/dev/ttyUSB0",
                                                         "/dev/ttyUSB1"}));
    EXPECT_EQ(combo->Text(), "/dev/pts/7");
    EXPECT_EQ(combo->Select()->HeldPort(), "/dev/pts/7");
    combo->RefreshFromPort();  // found now; not added twice
    EXPECT_EQ(combo->Items().Count(), 4);
    port.SetPort("COM1");
    combo->RefreshFromPort();
    EXPECT_EQ(ItemsOf(*combo), (std::vector<std::string>{"/dev/pts/7", "/dev/ttyS0", "/dev/ttyUSB0",
                                                         "/dev/ttyUSB1", "COM1"}));
    EXPECT_EQ(combo->Text(), "COM1");
    combo->ApplyToPort();
    EXPECT_EQ(port.Port(), "COM1");
}

TEST_F(SerialComboBoxTest, AnEmptyPortNameLeavesNoSelectionAndHoldsNothing) {
    ScriptedPort port;
    port.SetPort("");
    auto combo = Combo(cpPort);
    combo->SetSerialPort(&port);
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Text(), "");
    EXPECT_EQ(combo->Select()->HeldPort(), "");
    EXPECT_EQ(combo->Items().Count(), 3);
}

TEST_F(SerialComboBoxTest, CustomFlowControlIsShownAndAppliedWithoutTouchingTheSwitches) {
    ScriptedPort port;
    TSerialFlowControl* flow = port.FlowControl();
    flow->SetOutCTSFlow(true);  // CTS without RTS handshake: no preset
    flow->SetXonXoffIn(true);
    ASSERT_EQ(flow->FlowControl(), fcCustom);
    auto combo = Combo(cpFlowControl);
    combo->SetSerialPort(&port);
    EXPECT_EQ(combo->Text(), "Custom");
    EXPECT_EQ(combo->Select()->HeldFlowControl(), fcCustom);
    combo->ApplyToPort();
    EXPECT_TRUE(flow->OutCTSFlow());
    EXPECT_TRUE(flow->XonXoffIn());
    EXPECT_FALSE(flow->XonXoffOut());
    EXPECT_EQ(flow->ControlRTS(), rtsDisable);
}

TEST_F(SerialComboBoxTest, PicksAreHeldUntilApplied) {
    ScriptedPort port;
    struct Case {
        TSerialProperty property;
        const char* pick;
        std::function<bool()> applied;
    };
    const Case cases[] = {
        {cpBaudRate, "57600", [&] { return port.BaudRate() == br57600; }},
        {cpDataBits, "6", [&] { return port.DataBits() == dbSix; }},
        {cpStopBits, "1.5", [&] { return port.StopBits() == sbOne5StopBits; }},
        {cpParity, "Even", [&] { return port.Parity()->Bits() == prEven; }},
        {cpFlowControl, "Hardware",
         [&] { return port.FlowControl()->FlowControl() == fcHardware; }},
        {cpPort, "/dev/ttyUSB1", [&] { return port.Port() == "/dev/ttyUSB1"; }},
    };
    for (const Case& c : cases) {
        auto combo = Combo(c.property);
        combo->SetSerialPort(&port);
        int changes = 0;
        combo->SetOnChange([&](TComponent* sender) {
            EXPECT_EQ(sender, combo.get());
            ++changes;
        });
        PickItem(combo->Widget(), c.pick);
        EXPECT_EQ(changes, 1) << c.pick;
        EXPECT_FALSE(c.applied()) << c.pick << " reached the port before ApplyToPort";
        combo->ApplyToPort();
        EXPECT_TRUE(c.applied()) << c.pick;
    }
}

TEST_F(SerialComboBoxTest, AutoApplySetsThePortBeforeOnChange) {
    ScriptedPort port;
    auto combo = Combo(cpBaudRate);
    combo->SetSerialPort(&port);
    combo->SetAutoApply(true);
    TBaudRate seenInOnChange = brCustom;
    combo->SetOnChange([&](TComponent*) { seenInOnChange = port.BaudRate(); });
    PickItem(combo->Widget(), "57600");
    EXPECT_EQ(seenInOnChange, br57600);
    EXPECT_EQ(port.BaudRate(), br57600);
}

TEST_F(SerialComboBoxTest, AKeyPressPickRunsTheChangeHandling) {
    ScriptedPort port;
    auto combo = Combo(cpParity);
    combo->SetSerialPort(&port);
    combo->SetAutoApply(true);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(combo->Widget(), &down);
    EXPECT_EQ(combo->Text(), "Odd");
    EXPECT_EQ(port.Parity()->Bits(), prOdd);
}

TEST_F(SerialComboBoxTest, SelectionsByTheProgramRunNoChangeHandling) {
    ScriptedPort port;
    auto combo = Combo(cpBaudRate);
    combo->SetAutoApply(true);
    int changes = 0;
    combo->SetOnChange([&](TComponent*) { ++changes; });
    combo->SetSerialPort(&port);
    combo->SetText("115200");
    EXPECT_EQ(combo->Text(), "115200");
    combo->SetItemIndex(3);
    port.SetBaudRate(br300);
    combo->RefreshFromPort();
    combo->SetSerialProperty(cpBaudRate);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(combo->Select()->HeldBaudRate(), br300);  // read from the port, not picked
}

TEST_F(SerialComboBoxTest, WritingTextSelectsAMatchingItemOnly) {
    auto combo = Combo(cpBaudRate);
    combo->SetText("9600");
    EXPECT_EQ(combo->Text(), "9600");
    combo->SetText("9601");
    EXPECT_EQ(combo->Text(), "9600");
    combo->SetText("custom");
    EXPECT_EQ(combo->Text(), "Custom");
    EXPECT_EQ(combo->Select()->HeldBaudRate(), brCustom);  // held value untouched
    auto flow = Combo(cpFlowControl);
    flow->SetText("NONE");
    EXPECT_EQ(flow->ItemIndex(), 2);
}

TEST_F(SerialComboBoxTest, DestroyingTheBoundPortUnbindsAndSelectsTheFirstItem) {
    auto combo = Combo(cpBaudRate);
    auto port = std::make_unique<ScriptedPort>();
    port->SetBaudRate(br38400);
    combo->SetSerialPort(port.get());
    ASSERT_EQ(combo->Text(), "38400");
    port.reset();
    EXPECT_EQ(combo->SerialPort(), nullptr);
    EXPECT_EQ(combo->ItemIndex(), 0);
    EXPECT_EQ(combo->Select()->HeldBaudRate(), br38400);
    combo->ApplyToPort();  // no port: nothing happens

    // A port bound earlier and then replaced is ignored when it goes.
    auto first = std::make_unique<ScriptedPort>();
    ScriptedPort second;
    second.SetBaudRate(br600);
    combo->SetSerialPort(first.get());
    combo->SetSerialPort(&second);
    first.reset();
    EXPECT_EQ(combo->SerialPort(), &second);
    EXPECT_EQ(combo->Text(), "600");

    // Unbinding by writing none does not refresh.
    combo->SetSerialPort(nullptr);
    EXPECT_EQ(combo->Text(), "600");

    // A destroyed combo box is never told of its port's end.
    auto third = std::make_unique<ScriptedPort>();
    combo->SetSerialPort(third.get());
    combo.reset();
    third.reset();
}

TEST_F(SerialComboBoxTest, AnUnreadablePortListPassesTheRegistryErrorAndLeavesNoItems) {
    auto combo = Combo(cpPort);
    ASSERT_EQ(combo->Items().Count(), 3);
    tree_.RemoveSource();
    try {
        combo->SetSerialProperty(cpPort);
        FAIL() << "no error raised";
    } catch (const ESerialPort& e) {
        EXPECT_EQ(e.PortErrorCode(), 23);
        EXPECT_EQ(e.OsErrorCode(), ENOENT);
    }
    EXPECT_EQ(combo->Items().Count(), 0);
    EXPECT_EQ(combo->Widget()->count(), 0);
}

TEST(SerialSelect, WorksOnAPlainListWithoutAControl) {
    TStringItems items;
    TSerialSelect select;
    select.SetItems(&items);
    select.ChangeProperty(cpStopBits);
    EXPECT_EQ(items.Items(), (std::vector<std::string>{"1", "1.5", "2"}));
    EXPECT_EQ(select.ReadFromPort(), -1);  // no port
    select.TakeText("2");
    EXPECT_EQ(select.HeldStopBits(), sbTwoStopBits);
    select.TakeText("bogus");
    EXPECT_EQ(select.HeldStopBits(), sbOneStopBit);  // the text form's fallback
    select.ChangeProperty(cpNone);
    select.TakeText("2");
    EXPECT_EQ(select.HeldStopBits(), sbOneStopBit);
    EXPECT_TRUE(items.Items().empty());
}

}  // namespace
}  // namespace skyvane
