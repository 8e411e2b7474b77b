// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "serial/SerialSetup.h"
#include "serial/SerialSetup_p.h"
#include "tests/serial/SerialTestSupport.h"
#include "tests/serial_setup/SetupTestSupport.h"

namespace skyvane {
namespace {

using serialsetup::TModalResult;
using testing::FakeSysfsTree;
using testing::FindDialog;
using testing::PickItem;
using testing::UsePortsRoot;
using testing::WhenShown;

// A port on a scripted device that logs its opens, closes and whole-settings applies.
class RecordingPort : public testing::ScriptedPort {
public:
    RecordingPort() { SetEvents({}); }
    std::vector<std::string> log;

protected:
    void AcquireDevice() override {
        log.push_back("open:" + Port() + "@" + std::to_string(DeviceLineSettings().baudRate));
        ScriptedPort::AcquireDevice();
    }
    void ReleaseDevice() override {
        log.push_back("close");
        ScriptedPort::ReleaseDevice();
    }
    void ApplyAllSettings() override {
        log.push_back("all");
        ScriptedPort::ApplyAllSettings();
    }
};

QComboBox* ComboWidget(TSerialSetupFrm& form, int row) {
    return form.Combo(row)->Widget();
}

class SerialSetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::EnsureWidgetsApplication();
        tree_.AddTty("ttyS0", true, 4);
        tree_.AddTty("ttyUSB0");
        tree_.AddTty("ttyUSB1");
        port_.SetPort("/dev/ttyUSB0");
        port_.SetBaudRate(br4800);
    }
    void OpenPort() {
        port_.SetConnected(true);
        port_.log.clear();
        linesBefore_ = port_.device->lines.size();
    }
    std::size_t LinePushes() const { return port_.device->lines.size() - linesBefore_; }

    FakeSysfsTree tree_;
    UsePortsRoot root_{tree_};
    RecordingPort port_;
    std::size_t linesBefore_ = 0;
};

TEST_F(SerialSetupTest, StoredLayout) {
    TSerialSetupFrm form(nullptr);
    EXPECT_EQ(form.Name(), "SerialSetupFrm");
    EXPECT_EQ(form.Caption(), "Setup");
    EXPECT_EQ(form.windowTitle(), "Setup");
    EXPECT_EQ(form.size(), QSize(231, 216));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());  // no resizing
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(form.font().family(), "MS Sans Serif");
    EXPECT_EQ(form.font().pixelSize(), 11);
    EXPECT_EQ(QFontInfo(form.font()).family(), "Liberation Sans");  // the installed substitute

    std::vector<std::string> order;
    for (TComponent* c : form.Components()) order.push_back(c->Name());
    EXPECT_EQ(order,
              (std::vector<std::string>{"Button1", "Button2", "GroupBox1", "Label1", "Label2",
                                        "Label3", "Label4", "Label5", "Label6", "Combo2", "Combo3",
                                        "Combo4", "Combo5", "Combo6", "Combo1"}));

    QPushButton* ok = form.Button1()->Widget();
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_EQ(ok->geometry(), QRect(70, 184, 75, 25));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(form.Button1()->ModalResult(), TModalResult::mrOK);
    QPushButton* cancel = form.Button2()->Widget();
    EXPECT_EQ(cancel->text(), "Cancel");
    EXPECT_EQ(cancel->geometry(), QRect(150, 184, 75, 25));
    EXPECT_FALSE(cancel->isDefault());
    EXPECT_EQ(form.Button2()->ModalResult(), TModalResult::mrCancel);
    QGroupBox* box = form.GroupBox1()->Widget();
    EXPECT_EQ(box->title(), " Settings ");
    EXPECT_EQ(box->geometry(), QRect(8, 8, 217, 169));

    struct Row {
        const char* label;
        int labelTop, labelWidth, comboTop;
        TSerialProperty property;
    };
    const Row rows[6] = {
        {"Port", 24, 19, 16, cpPort},          {"Baud rate", 48, 46, 40, cpBaudRate},
        {"Data bits", 72, 42, 64, cpDataBits}, {"Stop bits", 96, 41, 88, cpStopBits},
        {"Parity", 120, 26, 112, cpParity},    {"Flow control", 144, 57, 136, cpFlowControl}};
    for (int row = 1; row <= 6; ++row) {
        const Row& r = rows[row - 1];
        QLabel* label = form.Label(row)->Widget();
        EXPECT_EQ(label->text(), r.label);
        EXPECT_EQ(label->parentWidget(), box) << r.label;
        EXPECT_EQ(label->pos(), QPoint(8, r.labelTop)) << r.label;
        EXPECT_EQ(label->height(), 13) << r.label;
        // The stored width, or more when the substitute font needs it for the whole text.
        EXPECT_GE(label->width(), r.labelWidth) << r.label;
        EXPECT_GE(label->width(), label->sizeHint().width()) << r.label;
        TSerialComboBox* combo = form.Combo(row);
        EXPECT_EQ(combo->Name(), "Combo" + std::to_string(row));
        EXPECT_EQ(combo->Widget()->parentWidget(), box) << r.label;
        EXPECT_EQ(combo->Widget()->geometry(), QRect(80, r.comboTop, 129, 21)) << r.label;
        EXPECT_EQ(combo->SerialProperty(), r.property) << r.label;
        EXPECT_EQ(combo->Style(), csDropDownList);
        EXPECT_FALSE(combo->Widget()->isEditable());
        EXPECT_EQ(combo->ItemHeight(), 13);
        EXPECT_EQ(combo->ItemIndex(), 0) << r.label;
        EXPECT_EQ(combo->TabOrder(), row - 1);
        EXPECT_FALSE(combo->AutoApply());
        EXPECT_EQ(combo->SerialPort(), nullptr);
    }
    // Program selections while loading hold nothing: every selector keeps its initial values.
    EXPECT_EQ(form.Combo(1)->Text(), "/dev/ttyS0");
    EXPECT_EQ(form.Combo(1)->Select()->HeldPort(), "");
    EXPECT_EQ(form.Combo(2)->Select()->HeldBaudRate(), brCustom);
    EXPECT_EQ(form.Combo(3)->Select()->HeldDataBits(), dbFive);
    EXPECT_EQ(form.Combo(6)->Select()->HeldFlowControl(), fcHardware);

    // Tab order: the six selectors, then OK and Cancel.
    std::vector<QWidget*> chain = {ComboWidget(form, 1),
                                   ComboWidget(form, 2),
                                   ComboWidget(form, 3),
                                   ComboWidget(form, 4),
                                   ComboWidget(form, 5),
                                   ComboWidget(form, 6),
                                   ok,
                                   cancel};
    auto nextTabStop = [](QWidget* w) {
        do w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        return w;
    };
    for (std::size_t i = 1; i < chain.size(); ++i)
        EXPECT_EQ(nextTabStop(chain[i - 1]), chain[i]) << i;
}

TEST_F(SerialSetupTest, OpensShowingThePortsSettings) {
    port_.SetPort("/dev/ttyS0");
    port_.SetBaudRate(br9600);
    port_.FlowControl()->SetFlowControl(fcNone);
    std::vector<std::string> shown;
    WhenShown([&](TSerialSetupFrm& form) {
        for (int row = 1; row <= 6; ++row) shown.push_back(form.Combo(row)->Text());
        EXPECT_EQ(form.Combo(1)->SerialPort(), &port_);
        form.Button2()->Widget()->click();
    });
    EditPortSettings(port_);
    EXPECT_EQ(shown, (std::vector<std::string>{"/dev/ttyS0", "9600", "8", "1", "None", "None"}));
}

TEST_F(SerialSetupTest, OkWithTheSameNamePushesTheSettingsOnceWithoutAReopen) {
    OpenPort();
    WhenShown([](TSerialSetupFrm& form) {
        PickItem(ComboWidget(form, 2), "9600");
        form.Button1()->Widget()->click();
    });
    EditPortSettings(port_);
    EXPECT_EQ(port_.log, (std::vector<std::string>{"all"}));  // only EndSettingsUpdate
    ASSERT_EQ(LinePushes(), 1u);
    EXPECT_EQ(port_.device->lines.back().baudRate, 9600);
    EXPECT_EQ(port_.BaudRate(), br9600);
    EXPECT_TRUE(port_.Connected());
    EXPECT_EQ(port_.acquired, 1);
}

TEST_F(SerialSetupTest, OkWithANewNameReopensBeforeTheOtherFive) {
    OpenPort();
    WhenShown([](TSerialSetupFrm& form) {
        PickItem(ComboWidget(form, 1), "/dev/ttyUSB1");
        PickItem(ComboWidget(form, 2), "9600");
        PickItem(ComboWidget(form, 5), "Odd");
        form.Button1()->Widget()->click();
    });
    EditPortSettings(port_);
    ASSERT_GE(port_.log.size(), 2u);
    EXPECT_EQ(port_.log[0], "close");
    EXPECT_EQ(port_.log[1], "open:/dev/ttyUSB1@4800");  // still the old speed
    EXPECT_EQ(port_.log.back(), "all");
    ASSERT_EQ(LinePushes(), 1u);  // nothing reaches the device before EndSettingsUpdate
    EXPECT_EQ(port_.device->lines.back().baudRate, 9600);
    EXPECT_EQ(port_.Port(), "/dev/ttyUSB1");
    EXPECT_EQ(port_.Parity()->Bits(), prOdd);
    EXPECT_TRUE(port_.Connected());
}

TEST_F(SerialSetupTest, ANameDifferingOnlyInCaseIsRenamedToTheListEntry) {
    port_.SetPort("/DEV/TTYUSB0");
    OpenPort();
    WhenShown([](TSerialSetupFrm& form) {
        EXPECT_EQ(form.Combo(1)->Text(), "/dev/ttyUSB0");
        form.Button1()->Widget()->click();
    });
    EditPortSettings(port_);
    EXPECT_EQ(port_.Port(), "/dev/ttyUSB0");
    ASSERT_GE(port_.log.size(), 2u);
    EXPECT_EQ(port_.log[0], "close");
    EXPECT_EQ(port_.log[1], "open:/dev/ttyUSB0@4800");
}

TEST_F(SerialSetupTest, APortTheSystemDoesNotListKeepsItsName) {
    port_.SetPort("/dev/pts/9");  // such as the rotor simulator's pseudo-terminal
    OpenPort();
    WhenShown([](TSerialSetupFrm& form) {
        EXPECT_EQ(form.Combo(1)->Text(), "/dev/pts/9");
        PickItem(ComboWidget(form, 2), "9600");
        form.Button1()->Widget()->click();
    });
    EditPortSettings(port_);
    EXPECT_EQ(port_.Port(), "/dev/pts/9");
    EXPECT_EQ(port_.log, (std::vector<std::string>{"all"}));
    EXPECT_EQ(port_.BaudRate(), br9600);
}

TEST_F(SerialSetupTest, CancelTheCloseButtonAndEscapeChangeNothing) {
    OpenPort();
    const std::function<void(TSerialSetupFrm&)> dismissals[] = {
        [](TSerialSetupFrm& form) { form.Button2()->Widget()->click(); },
        [](TSerialSetupFrm& form) { form.close(); },  // the window's close button
        [](TSerialSetupFrm& form) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(ComboWidget(form, 2), &escape);
            EXPECT_EQ(FindDialog(), &form) << "Escape closed the dialog";
            form.Button2()->Widget()->click();
        },
    };
    for (const auto& dismiss : dismissals) {
        WhenShown([&](TSerialSetupFrm& form) {
            PickItem(ComboWidget(form, 1), "/dev/ttyS0");
            PickItem(ComboWidget(form, 2), "115200");
            PickItem(ComboWidget(form, 3), "7");
            PickItem(ComboWidget(form, 4), "2");
            PickItem(ComboWidget(form, 5), "Space");
            PickItem(ComboWidget(form, 6), "Software");
            dismiss(form);
        });
        EditPortSettings(port_);
        EXPECT_TRUE(port_.log.empty());
        EXPECT_EQ(LinePushes(), 0u);
        EXPECT_EQ(port_.Port(), "/dev/ttyUSB0");
        EXPECT_EQ(port_.BaudRate(), br4800);
        EXPECT_EQ(port_.DataBits(), dbEight);
        EXPECT_EQ(port_.StopBits(), sbOneStopBit);
        EXPECT_EQ(port_.Parity()->Bits(), prNone);
        EXPECT_EQ(port_.FlowControl()->FlowControl(), fcNone);
    }
}

TEST_F(SerialSetupTest, EnterPressesOk) {
    WhenShown([](TSerialSetupFrm& form) {
        PickItem(ComboWidget(form, 4), "2");
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(ComboWidget(form, 4), &enter);
    });
    EditPortSettings(port_);
    EXPECT_EQ(port_.StopBits(), sbTwoStopBits);
}

TEST_F(SerialSetupTest, ShowSettingsDialogEditsItsOwnPort) {
    WhenShown([](TSerialSetupFrm& form) {
        PickItem(ComboWidget(form, 6), "Hardware");
        form.Button1()->Widget()->click();
    });
    port_.ShowSettingsDialog();
    EXPECT_EQ(port_.FlowControl()->FlowControl(), fcHardware);
    EXPECT_EQ(FindDialog(), nullptr);
}

TEST_F(SerialSetupTest, APortDestroyedWhileTheDialogIsOpenIsLeftAlone) {
    auto* doomed = new RecordingPort;
    WhenShown([&](TSerialSetupFrm& form) {
        delete doomed;
        EXPECT_EQ(form.Combo(2)->SerialPort(), nullptr);
        form.Button1()->Widget()->click();
    });
    EditPortSettings(*doomed);  // must not touch the destroyed port (sanitizer builds tell)
    EXPECT_EQ(FindDialog(), nullptr);
}

TEST_F(SerialSetupTest, AnUnreadablePortListShowsNoDialog) {
    tree_.RemoveSource();
    bool shown = false;
    QTimer::singleShot(0, [&] {
        shown = FindDialog() != nullptr;
        if (TSerialSetupFrm* form = FindDialog()) form->close();
    });
    try {
        EditPortSettings(port_);
        FAIL() << "no error raised";
    } catch (const ESerialPort& e) {
        EXPECT_EQ(e.PortErrorCode(), 23);
        EXPECT_EQ(e.OsErrorCode(), ENOENT);
    }
    QApplication::processEvents();
    EXPECT_FALSE(shown);
    EXPECT_EQ(port_.Port(), "/dev/ttyUSB0");
}

TEST_F(SerialSetupTest, AFailedApplyStopsTheRestButClosesTheBracket) {
    OpenPort();
    WhenShown([this](TSerialSetupFrm& form) {
        PickItem(ComboWidget(form, 1), "/dev/ttyUSB1");
        PickItem(ComboWidget(form, 2), "19200");
        port_.refuseOpen = true;
        form.Button1()->Widget()->click();
    });
    try {
        EditPortSettings(port_);
        FAIL() << "no error raised";
    } catch (const ESerialPort& e) {
        EXPECT_EQ(e.PortErrorCode(), 1);
    }
    EXPECT_EQ(FindDialog(), nullptr);
    EXPECT_EQ(port_.BaudRate(), br4800);  // the selectors after the port were not applied
    EXPECT_FALSE(port_.Connected());
    // The bracket is closed: settings reach a reopened device at once again.
    port_.refuseOpen = false;
    port_.SetConnected(true);
    std::size_t before = port_.device->lines.size();
    port_.SetBaudRate(br300);
    EXPECT_EQ(port_.device->lines.size(), before + 1);
}

}  // namespace
}  // namespace skyvane
