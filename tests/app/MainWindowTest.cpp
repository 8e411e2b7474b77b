// SPDX-License-Identifier: GPL-3.0-or-later
// The real main window against a pseudo-terminal that plays the rotor controller.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <QWindow>
#include <atomic>
#include <thread>

#include "app/SkyvaneUnit.h"
#include "platform/status_icon_recording.h"
#include "serial/SerialPort.h"
#include "tests/app/MainWindowFixture.h"
#include "toolkit/Application.h"
#include "toolkit/Label.h"
#include "toolkit/Menu.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Timer.h"
#include "tray/TextIcon.h"
#include "tray/TrayIcon.h"

namespace skyvane {
namespace {

TEST_F(MainWindowTest, StartsWithDefaultsAndTheLogHeader) {
    TForm1& form = Start();
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(form.SerialPort->Port(), "COM9");
    EXPECT_EQ(form.SerialPort->BaudRate(), br4800);
    EXPECT_EQ(form.SerialPort->StopBits(), sbTwoStopBits);
    EXPECT_EQ(form.SerialPort->DataBits(), dbEight);
    EXPECT_FALSE(form.SerialPort->Connected());
    EXPECT_FALSE(form.Track->Checked());
    EXPECT_TRUE(form.Numeric->Checked());
    EXPECT_TRUE(form.VisibleEntry->Checked());
    EXPECT_EQ(form.Caption(), "Skyvane");
    EXPECT_EQ(form.Response->Caption(), "000");
    EXPECT_TRUE(form.TextIcon->MinimizeToTray());
    EXPECT_FALSE(form.TimerRotor->Enabled());
    EXPECT_EQ(ConfigPath(), (dir_ / "Skyvane.INI").string());

    std::vector<std::string> messages;
    for (const std::string& line : LogLines()) messages.push_back(Message(line));
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "Skyvane Ver.1.00 Build 000-001",
                            "--------------Parameters ----------------",
                            "Configuration File " + (dir_ / "Skyvane.INI").string(),
                            "PORTNRO=COM9",
                            "COMBAUD=4800",
                            "VISIBLE=TRUE",
                            "NUMERIC=TRUE",
                            std::string(41, '-'),
                        }));
    EXPECT_FALSE(fs::exists(dir_ / "Skyvane.INI")) << "starting writes no configuration";
}

TEST_F(MainWindowTest, TraceOffKeepsOnlyTheHeader) {
    WriteFile(dir_ / "Skyvane.INI",
              "[SETTINGS]\r\nTRACE=NOT\r\nNUMERIC=no\r\nVISIBLE=NOT\r\nCOMPORT=com3\r\nBAUDRATE="
              "9600\r\n");
    TForm1& form = Start();
    EXPECT_FALSE(form.TraceOn);
    EXPECT_FALSE(form.Numeric->Checked());
    EXPECT_FALSE(form.VisibleEntry->Checked());
    EXPECT_EQ(form.SerialPort->Port(), "COM3");
    EXPECT_EQ(form.SerialPort->BaudRate(), br9600);
    form.WriteINI();
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(Message(lines[3]), "PORTNRO=COM3");
    EXPECT_EQ(Message(lines[4]), "COMBAUD=9600");
    EXPECT_EQ(Message(lines[5]), "VISIBLE=FALSE");
    EXPECT_EQ(Message(lines[6]), "NUMERIC=FALSE");
}

TEST_F(MainWindowTest, MissingNamedConfigurationIsReportedOnceThenCreated) {
    TForm1& form = Start({"-f", "myconf.ini"});
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "ERROR: Configuration File does not exists");
    EXPECT_EQ(boxes_[0].caption, "Error!");
    EXPECT_EQ(boxes_[0].icon, TMsgIcon::None);
    EXPECT_EQ(form.SerialPort->Port(), "COM9");
    form.WriteINI();
    EXPECT_EQ(ReadFile(dir_ / "MYCONF.INI"),
              "[SETTINGS]\nCOMPORT=COM9\nBAUDRATE=4800\nTRACE=YES\nVISIBLE=YES\nNUMERIC=YES\n");
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(Message(lines[8]),
              "COM(COM9) selected and configured in " + (dir_ / "MYCONF.INI").string());
}

TEST_F(MainWindowTest, QuitAsksAndCancelChangesNothing) {
    const bool terminatedBefore = Application()->Terminated();
    TForm1& form = Start();
    answer_ = TMsgResult::Cancel;
    Choose(form.QuitEntry);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "Do you really want to exit?");
    EXPECT_EQ(boxes_[0].caption, "Warning!");
    EXPECT_EQ(boxes_[0].buttons, TMsgButtons::OKCancel);
    EXPECT_FALSE(fs::exists(dir_ / "Skyvane.INI"));
    EXPECT_EQ(Application()->Terminated(), terminatedBefore);
}

TEST_F(MainWindowTest, TrackOnAMissingPortReportsAndUnchecks) {
    WriteFile(dir_ / "Skyvane.INI", "[SETTINGS]\r\nCOMPORT=ttyNOSUCHPORT7\r\n");
    TForm1& form = Start();
    Choose(form.Track);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "Unable to open com port (win error code: 2)");
    EXPECT_EQ(boxes_[0].icon, TMsgIcon::Error);
    EXPECT_FALSE(form.Track->Checked()) << "the menu must not claim tracking";
    EXPECT_FALSE(form.SerialPort->Connected());
    EXPECT_FALSE(form.TimerRotor->Enabled());
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(Message(lines[8]),
              "Track on: COM(TTYNOSUCHPORT7) cannot be opened: Unable to open com port (win error "
              "code: 2)");
}

TEST_F(MainWindowTest, FollowsTheRotorAndStopsQueryingWhenTrackIsOff) {
    FakeRotor rotor;
    WriteFile(dir_ / "Skyvane.INI", "[SETTINGS]\r\nCOMPORT=" + rotor.Path() + "\r\n");
    TForm1& form = Start();
    Choose(form.Track);
    ASSERT_TRUE(form.SerialPort->Connected());
    rotor.ReleaseSlave();
    ASSERT_TRUE(WaitUntil([&] { return rotor.Received().find("AI1;") != std::string::npos; }));
    rotor.Send("045;");
    ASSERT_TRUE(WaitUntil([&] { return form.Response->Caption() == "045"; }));
    EXPECT_EQ(form.TextIcon->Text(), "045");
    EXPECT_EQ(form.TextIcon->Hint(), "Az(045)");

    Choose(form.Numeric);  // label mode from the next reply on
    EXPECT_EQ(form.TextIcon->Text(), "045");
    rotor.Send("200;");
    ASSERT_TRUE(WaitUntil([&] { return form.Response->Caption() == "200"; }));
    EXPECT_EQ(form.TextIcon->Text(), "S");
    EXPECT_EQ(form.TextIcon->Hint(), "Az(200)");

    rotor.Send("ERR;361;");  // each whole reply in a read counts on its own
    ASSERT_TRUE(WaitUntil([&] { return form.Response->Caption() == "361"; }));
    EXPECT_EQ(form.TextIcon->Text(), "");

    Choose(form.Track);
    EXPECT_FALSE(form.SerialPort->Connected());
    const size_t sent = rotor.Received().size();
    WaitUntil([] { return false; }, 2200);
    EXPECT_EQ(rotor.Received().size(), sent) << "no query after Track off";
    EXPECT_EQ(form.Response->Caption(), "361") << "displays keep the last reply";
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(MainWindowTest, ALostLineIsReportedOnceUntilTrackingIsSwitched) {
    auto rotor = std::make_unique<FakeRotor>();
    rotor->ListUnder(dir_ / "rotor-by-id");
    WriteFile(dir_ / "Skyvane.INI", "[SETTINGS]\r\nCOMPORT=" + rotor->Path() + "\r\n");
    TForm1& form = Start();
    int openBoxes = 0, mostOpen = 0;
    SetMessageBoxAnswerer([&](const MessageBoxRequest& r) {
        boxes_.push_back(r);
        // Keep the first box "open" for a while, as a person would, with the loop running.
        ++openBoxes;
        mostOpen = std::max(mostOpen, openBoxes);
        if (boxes_.size() == 1) WaitUntil([] { return false; }, 2500);
        --openBoxes;
        return TMsgResult::OK;
    });
    Choose(form.Track);
    rotor->ReleaseSlave();
    rotor->HangUp();
    ASSERT_TRUE(WaitUntil([&] { return !boxes_.empty(); }, 5000));
    EXPECT_EQ(boxes_[0].text, "WriteFile function failed (win error code: 5)");
    EXPECT_FALSE(form.SerialPort->Connected()) << "the lost line is closed before the report";
    WaitUntil([] { return false; }, 3500);  // three more failing ticks after the box closed
    EXPECT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(mostOpen, 1);
    EXPECT_TRUE(form.TimerRotor->Enabled()) << "the poll goes on trying";
    Choose(form.Track);
    EXPECT_FALSE(form.SerialPort->Connected());
    EXPECT_FALSE(form.Track->Checked());
}

TEST_F(MainWindowTest, QuitOrTheCloseButtonWhileRepliesStreamRunNoHandlerOnAFreedWindow) {
    FakeRotor rotor;
    WriteFile(dir_ / "Skyvane.INI", "[SETTINGS]\r\nCOMPORT=" + rotor.Path() + "\r\n");
    std::atomic<bool> stop{false};
    std::thread stream([&] {
        while (!stop) {
            pollfd p{rotor.Master(), POLLOUT, 0};
            if (poll(&p, 1, 5) == 1) [[maybe_unused]]
                ssize_t n = write(rotor.Master(), "123;", 4);
        }
    });
    for (int round = 0; round < 50; ++round) {
        TForm1& form = Start();
        Application()->SetMainForm(&form);
        Choose(form.Track);
        ASSERT_TRUE(WaitUntil([&] { return form.Response->Caption() == "123"; }));
        if (round % 2 == 0)
            Choose(form.QuitEntry);  // asks, writes the file, closes the window
        else
            form.close();  // the window's close button
        form_.reset();     // as the program does once its loop has ended
    }
    stop = true;
    stream.join();
    EXPECT_TRUE(boxes_.size() == 25 && boxes_.back().text == "Do you really want to exit?");
}

TEST_F(MainWindowTest, VisibleOffHidesOnlyWhereATrayCanBringTheWindowBack) {
    for (const bool trayAvailable : {true, false}) {
        platform::RecordingStatusIconService tray;
        tray.SetAvailable(trayAvailable);
        platform::StatusIconService* previous = platform::SetStatusIconService(&tray);
        TForm1& form = Start();
        form.show();
        Choose(form.VisibleEntry);
        EXPECT_FALSE(form.VisibleEntry->Checked());
        EXPECT_TRUE(form.TextIcon->MinimizeToTray());
        EXPECT_EQ(form.isVisible(), !trayAvailable) << "tray available: " << trayAvailable;
        if (!trayAvailable) {
            EXPECT_TRUE(form.isMinimized());
        }
        Choose(form.VisibleEntry);
        EXPECT_TRUE(form.isVisible());
        EXPECT_FALSE(form.TextIcon->MinimizeToTray());
        form_.reset();
        platform::SetStatusIconService(previous);
    }
}

// Visible always says whether the window is shown: minimised into the tray it is
// unchecked, a click on the tray icon shows the window and checks it, and Quit saves
// what the window is; VISIBLE=NOT starts the window in the tray.
TEST_F(MainWindowTest, VisibleFollowsTheWindowThroughTheTray) {
    platform::RecordingStatusIconService tray;
    platform::StatusIconService* previous = platform::SetStatusIconService(&tray);
    const auto click = [](TForm1& form) {
        for (const std::uint32_t code : {platform::WM_LBUTTONDOWN, platform::WM_LBUTTONUP})
            TTrayIconHandler::Shared()->HandleMessage(TrayCallbackMessage, form.TextIcon->IconId(),
                                                      code);
    };
    TForm1& form = Start();
    Application()->SetMainForm(&form);
    form.show();
    QApplication::processEvents();
    form.windowHandle()->setWindowStates(Qt::WindowMinimized);
    EXPECT_TRUE(WaitUntil([&] { return !form.isVisible(); }));
    EXPECT_FALSE(form.VisibleEntry->Checked());
    click(form);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isMinimized());
    EXPECT_TRUE(form.VisibleEntry->Checked());
    EXPECT_TRUE(form.TextIcon->MinimizeToTray()) << "minimising still sends it to the tray";
    Choose(form.VisibleEntry);  // hidden again, then quit
    Choose(form.QuitEntry);
    EXPECT_NE(ReadFile(dir_ / "Skyvane.INI").find("VISIBLE=NOT"), std::string::npos);
    const std::vector<std::string> lines = LogLines();
    EXPECT_EQ(Message(lines.back()), "Quit: settings saved in " + (dir_ / "Skyvane.INI").string());
    form_.reset();
    Application()->SetMainForm(nullptr);

    // Started with VISIBLE=NOT: in the tray, and a click shows it.
    TForm1& hidden = Start();
    EXPECT_FALSE(Application()->ShowMainForm());
    EXPECT_FALSE(hidden.isVisible());
    click(hidden);
    EXPECT_TRUE(hidden.isVisible());
    EXPECT_TRUE(hidden.VisibleEntry->Checked());
    form_.reset();
    // Without a tray it is shown minimised once the desktop has had time to offer one.
    tray.SetAvailable(false);
    TForm1& untrayed = Start();
    EXPECT_TRUE(WaitUntil([&] { return untrayed.isVisible(); }, 4000));
    EXPECT_TRUE(untrayed.isMinimized());
    EXPECT_FALSE(untrayed.VisibleEntry->Checked());
    form_.reset();
    Application()->SetShowMainForm(true);
    platform::SetStatusIconService(previous);
}

TEST_F(MainWindowTest, TheConfigurationNamedByAnAbsolutePathOrAFolder) {
    WriteFile(dir_ / "rotor.ini", "[SETTINGS]\nCOMPORT=ttyS5\nBAUDRATE=31250\n");
    TForm1& form = Start({"-F", (dir_ / "rotor.ini").string()});
    EXPECT_TRUE(boxes_.empty()) << "found regardless of letter case";
    EXPECT_EQ(form.SerialPort->Port(), "TTYS5");
    EXPECT_EQ(form.SerialPort->BaudRate(), brCustom);
    EXPECT_EQ(form.SerialPort->CustomBaudRate(), 31250);
    form.WriteINI();
    EXPECT_EQ(ReadFile(dir_ / "rotor.ini"),
              "[SETTINGS]\nCOMPORT=TTYS5\nBAUDRATE=31250\nTRACE=YES\nVISIBLE=YES\nNUMERIC=YES\n");

    form_.reset();
    WriteFile(dir_ / "Skyvane.INI", "[SETTINGS]\nCOMPORT=ttyS6\n");
    EXPECT_EQ(Start({"-F", "."}).SerialPort->Port(), "TTYS6");
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "ERROR: Configuration File is a folder: " + (dir_ / ".").string() +
                                  "\nThe settings are read from and saved to " +
                                  (dir_ / "Skyvane.INI").string());
}

TEST_F(MainWindowTest, ALineBreakInTheConfigurationNameForgesNoLogLine) {
    Start({"-F", "a\n01/01/26 00:00:00 FORGED"});
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(Message(lines[2]),
              "Configuration File " + (dir_ / "A\\x0A01/01/26 00:00:00 FORGED").string());
}

// Leaving ends the application's loop for the rest of this process.
TEST_F(MainWindowTest, QuitThatCannotSaveSaysWhyAndLetsTheUserLeave) {
    if (Application()->Terminated()) GTEST_SKIP() << "an earlier test in this process quit";
    const fs::path ini = dir_ / "Skyvane.INI";
    WriteFile(ini, "[SETTINGS]\r\nCOMPORT=COM3\r\n");
    fs::permissions(ini, fs::perms::owner_read);
    TForm1& form = Start();
    form.show();
    for (const TMsgResult second : {TMsgResult::Cancel, TMsgResult::OK}) {
        boxes_.clear();
        SetMessageBoxAnswerer([&](const MessageBoxRequest& r) {
            boxes_.push_back(r);
            return boxes_.size() == 1 ? TMsgResult::OK : second;
        });
        Choose(form.QuitEntry);
        ASSERT_EQ(boxes_.size(), 2u);
        EXPECT_EQ(boxes_[1].text,
                  "Unable to write to " + ini.string() +
                      ".\n\nThe settings could not be saved. Quit without saving them?");
        EXPECT_EQ(boxes_[1].okText, "Quit without saving");
        EXPECT_EQ(form.isVisible(), second == TMsgResult::Cancel);
        EXPECT_EQ(Application()->Terminated(), second == TMsgResult::OK);
    }
}

}  // namespace
}  // namespace skyvane
