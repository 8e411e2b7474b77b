// SPDX-License-Identifier: GPL-3.0-or-later
// Sharing and steering as the user meets them: the real main window tracking the rotor
// simulator on a pseudo-terminal with SERVER=YES, asked and steered by Hamlib's rotctl
// and from the menu.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpServer>
#include <QTimer>

#include "app/RotorSelection.h"
#include "app/RotorSharing.h"
#include "app/SkyvaneUnit.h"
#include "app/TurnToDialog.h"
#include "rotor/RotorReadings.h"
#include "rotor/RotorServer.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/support/Rotctl.h"
#include "tests/support/RotorSimProcess.h"
#include "toolkit/Label.h"
#include "toolkit/Timer.h"

namespace skyvane {
namespace {

class SharingWindowTest : public MainWindowTest {
protected:
    // Starts the window on `port` sharing the rotor at a free TCP port, Track on.
    TForm1& TrackSharing(const std::string& port) {
        serverPort_ = test::FreeTcpPort();
        WriteFile(dir_ / "Skyvane.INI",
                  "[SETTINGS]\r\nCOMPORT=" + port +
                      "\r\nSERVER=YES\r\nSERVERPORT=" + std::to_string(serverPort_) + "\r\n");
        TForm1& form = Start();
        Choose(form.Track);
        return form;
    }
    test::RotctlRun Rotctl(const QStringList& commands) {
        return test::RunRotctl(serverPort_, commands);
    }
    static int Shown(TForm1& form) { return std::stoi(form.Response->Caption()); }
    // Waits until the window shows a heading for which `done` holds.
    static bool WaitForHeading(TForm1& form, const std::function<bool(int)>& done, int ms) {
        return WaitUntil([&] { return done(Shown(form)); }, ms);
    }

    quint16 serverPort_ = 0;
};

TEST_F(SharingWindowTest, RotctlReadsTheHeadingTheWindowShowsAndTurnsAndStopsTheRotor) {
    if (test::RotctlProgram().isEmpty()) GTEST_SKIP() << "rotctl (libhamlib-utils) is missing";
    test::Simulator sim({"--heading", "100", "--turn-rate", "20"});
    TForm1& form = TrackSharing(sim.FirstLine());
    ASSERT_TRUE(WaitUntil([&] { return form.Response->Caption() == "100"; }, 10000));

    test::RotctlRun run = Rotctl({"p"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, std::to_string(Shown(form)) + ".00\n0.00\n");

    // P 200 0 turns the rotor, and the window follows it there.
    EXPECT_EQ(Rotctl({"P", "200", "0"}).exitCode, 0);
    EXPECT_TRUE(WaitForHeading(
        form, [](int h) { return h > 100 && h < 200; }, 10000));
    EXPECT_TRUE(WaitForHeading(
        form, [](int h) { return h == 200; }, 20000));

    // S during a turn stops it short of its target.
    EXPECT_EQ(Rotctl({"P", "10", "0"}).exitCode, 0);
    ASSERT_TRUE(WaitForHeading(
        form, [](int h) { return h < 170; }, 10000));
    EXPECT_EQ(Rotctl({"S"}).exitCode, 0);
    const int stoppedNear = Shown(form);
    WaitUntil([] { return false; }, 3500);  // three more polls
    const int stopped = Shown(form);
    EXPECT_GT(stopped, 10);
    EXPECT_LE(stopped, stoppedNear);
    WaitUntil([] { return false; }, 2500);
    EXPECT_EQ(Shown(form), stopped);
    run = Rotctl({"p"});
    EXPECT_EQ(run.output, std::to_string(stopped) + ".00\n0.00\n");
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(SharingWindowTest, SteeringNeverComesBetweenAQueryAndItsReply) {
    if (test::RotctlProgram().isEmpty()) GTEST_SKIP() << "rotctl (libhamlib-utils) is missing";
    FakeRotor rotor;
    TForm1& form = TrackSharing(rotor.Path());
    rotor.ReleaseSlave();
    const auto received = [&](const std::string& bytes) {
        return WaitUntil([&] { return rotor.Received() == bytes; }, 10000);
    };
    ASSERT_TRUE(received("AI1;"));
    rotor.Send("100;");
    ASSERT_TRUE(WaitUntil([&] { return form.Response->Caption() == "100"; }));
    ASSERT_TRUE(received("AI1;AI1;"));
    // The poll timer is held so that only the test decides when the next query goes.
    form.TimerRotor->SetEnabled(false);

    // Asked for while the query waits for its reply: held back until the reply is in.
    EXPECT_EQ(Rotctl({"P", "200", "0"}).exitCode, 0);
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(rotor.Received(), "AI1;AI1;");
    rotor.Send("101;");
    EXPECT_TRUE(received("AI1;AI1;AP1200;AM1;"));

    // With no query out it goes at once.
    EXPECT_EQ(Rotctl({"S"}).exitCode, 0);
    EXPECT_TRUE(received("AI1;AI1;AP1200;AM1;;"));

    // A query that never gets its reply: the turn goes just before the next query.
    form.TimerRotor->SetEnabled(true);
    ASSERT_TRUE(received("AI1;AI1;AP1200;AM1;;AI1;"));
    form.TimerRotor->SetEnabled(false);
    EXPECT_EQ(Rotctl({"K"}).exitCode, 0);
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(rotor.Received(), "AI1;AI1;AP1200;AM1;;AI1;");
    form.TimerRotor->SetEnabled(true);
    EXPECT_TRUE(received("AI1;AI1;AP1200;AM1;;AI1;AP1000;AM1;AI1;"));
}

TEST_F(SharingWindowTest, NoLiveReadingMeansAnErrorNeverTheOldHeading) {
    if (test::RotctlProgram().isEmpty()) GTEST_SKIP() << "rotctl (libhamlib-utils) is missing";
    test::Simulator sim({"--heading", "217", "--mute-after", "2", "--mute-for", "60000"});
    TForm1& form = TrackSharing(sim.FirstLine());
    ASSERT_TRUE(WaitUntil([&] { return form.Response->Caption() == "217"; }, 10000));
    EXPECT_EQ(Rotctl({"p"}).output, "217.00\n0.00\n");

    // The simulator goes silent: once the reading is stale, p fails.
    ASSERT_TRUE(WaitUntil([&] { return form.Readings->Stale(); }, 15000));
    EXPECT_EQ(form.Response->Caption(), "217");  // the window still shows it, dimmed
    test::RotctlRun run = Rotctl({"p"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(run.output.find("217"), std::string::npos) << run.output;

    // Track off: no reading at all, and nothing can be steered.
    Choose(form.Track);
    run = Rotctl({"p"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(run.output.find("217"), std::string::npos) << run.output;
    EXPECT_NE(Rotctl({"P", "100", "0"}).exitCode, 0);
}

TEST_F(SharingWindowTest, ALostLineHasNoLiveReadingHoweverRecent) {
    if (test::RotctlProgram().isEmpty()) GTEST_SKIP() << "rotctl (libhamlib-utils) is missing";
    FakeRotor rotor;
    rotor.ListUnder(dir_ / "rotor-by-id");
    TForm1& form = TrackSharing(rotor.Path());
    rotor.ReleaseSlave();
    ASSERT_TRUE(WaitUntil([&] { return rotor.Received() == "AI1;"; }, 10000));
    rotor.Send("100;");
    ASSERT_TRUE(WaitUntil([&] { return form.Response->Caption() == "100"; }));
    EXPECT_EQ(Rotctl({"p"}).output, "100.00\n0.00\n");

    // Unplugged: within a poll the line is closed, well before the reading turns stale.
    rotor.HangUp();
    ASSERT_TRUE(WaitUntil([&] { return !form.Sharing->StopEntry()->Enabled(); }, 5000));
    EXPECT_FALSE(form.Readings->Stale());
    const test::RotctlRun run = Rotctl({"p"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(run.output.find("100"), std::string::npos) << run.output;
}

TEST_F(SharingWindowTest, TurnToAndStopRotorFromTheMenuSteerTheRotor) {
    test::Simulator sim({"--heading", "100", "--turn-rate", "30"});
    serverPort_ = test::FreeTcpPort();
    WriteFile(dir_ / "Skyvane.INI", "[SETTINGS]\r\nCOMPORT=" + sim.FirstLine() + "\r\n");
    TForm1& form = Start();
    TMenuItem* turnTo = form.Sharing->TurnToEntry();
    TMenuItem* stop = form.Sharing->StopEntry();
    // Below the six, after a separator, and only while tracking; the aiming entries
    // (two for WSJT-X's DX, hidden until it names one, then Presets and Park) around;
    // then Rotor….
    const auto& items = form.PopUpMenu->Items();
    ASSERT_EQ(items.size(), 15u);  // the map's entry last, after Rotor…
    EXPECT_EQ(items[13], form.RotorChoice->RotorEntry());
    EXPECT_EQ(items[5], form.QuitEntry);
    EXPECT_TRUE(items[6]->IsSeparator());
    EXPECT_EQ(items[9], turnTo);
    EXPECT_EQ(items[12], stop);
    EXPECT_FALSE(turnTo->Enabled());
    EXPECT_FALSE(stop->Enabled());
    EXPECT_EQ(form.Sharing->Server(), nullptr);  // SERVER is off by default

    Choose(form.Track);
    EXPECT_TRUE(turnTo->Enabled());
    EXPECT_TRUE(stop->Enabled());
    ASSERT_TRUE(WaitUntil([&] { return form.Response->Caption() == "100"; }, 10000));

    // The station's locator is asked for in the dialog and kept in the file.
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = dynamic_cast<TTurnToDialog*>(w); dialog && dialog->isVisible()) {
                dialog->StationEdit()->setText("JN58td");
                dialog->TargetEdit()->setText("KP20le");  // short path 27 degrees
                dialog->LongPathButton()->setChecked(true);
                dialog->OkButton()->click();
            }
    });
    Choose(turnTo);
    EXPECT_NE(ReadFile(dir_ / "Skyvane.INI").find("LOCATOR=JN58td"), std::string::npos);
    ASSERT_TRUE(WaitForHeading(
        form, [](int h) { return h > 150; }, 15000));
    Choose(stop);
    WaitUntil([] { return false; }, 2500);
    const int stopped = Shown(form);
    EXPECT_LT(stopped, 208);  // the long path's bearing, 208, not reached
    WaitUntil([] { return false; }, 2000);
    EXPECT_EQ(Shown(form), stopped);

    Choose(form.Track);
    EXPECT_FALSE(turnTo->Enabled());
    EXPECT_FALSE(stop->Enabled());
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(SharingWindowTest, APortInUseIsSaidOnceAndTrackingRunsOn) {
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::LocalHost, 0));
    test::Simulator sim({"--heading", "45"});
    WriteFile(dir_ / "Skyvane.INI",
              "[SETTINGS]\r\nCOMPORT=" + sim.FirstLine() +
                  "\r\nSERVER=YES\r\nSERVERPORT=" + std::to_string(other.serverPort()) + "\r\n");
    TForm1& form = Start();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text.rfind("The rotor cannot be shared: TCP port " +
                                       std::to_string(other.serverPort()) +
                                       " is already in use by another program.",
                                   0),
              0u)
        << boxes_[0].text;
    EXPECT_EQ(form.Sharing->Server(), nullptr);
    Choose(form.Track);
    EXPECT_TRUE(WaitUntil([&] { return form.Response->Caption() == "45"; }, 10000));
    EXPECT_EQ(boxes_.size(), 1u);
}

}  // namespace
}  // namespace skyvane
