// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing the rotor as the user meets it: the rotor settings read and written, the
// "Rotor…" dialog, and the real window driving the simulator speaking model 603's
// protocol through Hamlib, which Hamlib's own rotctl reads and turns too.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "app/IniFile.h"
#include "app/RotorChooser.h"
#include "app/RotorSelection.h"
#include "app/RotorSharing.h"
#include "rotor/HamlibRotors.h"
#include "rotor/RotorLink.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/support/Rotctl.h"
#include "tests/support/RotorSimProcess.h"
#include "tests/support/TempDir.h"
#include "toolkit/Label.h"
#include "tray/TextIcon.h"

namespace skyvane {
namespace {

constexpr int SerialModel = 603;  // a serial model the simulator speaks with --protocol 603

TEST(RotorSettings, ReadsTheKeysAndNamesEveryBadOne) {
    struct Case {
        std::string keys;
        TRotorSettings settings;
        std::string unusable;  // the first key and value noted; empty: none
    } cases[] = {
        {"", {}, ""},
        {"ROTORMODEL=603\nROTORPORT=/dev/ttyUSB0\nROTORSPEED=4800\n",
         {603, "/dev/ttyUSB0", 4800, 0, {}},
         ""},
        {"ROTORMODEL=2\nROTORPORT=127.0.0.1:4533\nAZOFFSET=-7\nAZMIN=-180\nAZMAX=180\n",
         {2, "127.0.0.1:4533", 0, -7, TAzimuthRange{-180, 180}},
         ""},
        {"ROTORMODEL=99999\nROTORPORT=/dev/x\n", {0, "/dev/x", 0, 0, {}}, "ROTORMODEL=99999"},
        {"ROTORMODEL=abc\n", {}, "ROTORMODEL=abc"},
        {"ROTORMODEL=2\nROTORPORT=localhost\n", {0, "localhost", 0, 0, {}}, "ROTORMODEL=2"},
        {"ROTORMODEL=603\n", {}, "ROTORMODEL=603"},
        {"ROTORSPEED=fast\n", {}, "ROTORSPEED=fast"},
        {"AZOFFSET=181\n", {}, "AZOFFSET=181"},
        {"AZMIN=0\nAZMAX=500\n", {}, "AZMIN=0"},
        {"AZMIN=90\nAZMAX=10\n", {}, "AZMIN=90"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        test::WriteFile(dir / "Skyvane.INI", "[SETTINGS]\nCOMPORT=COM9\n" + c.keys);
        TUnusableSettings unusable;
        EXPECT_EQ(ReadRotorSettings(TIniFile(dir / "Skyvane.INI"), &unusable), c.settings)
            << c.keys;
        const auto& noted = unusable.Entries();
        EXPECT_EQ(noted.empty() ? "" : noted[0].key + "=" + noted[0].value, c.unusable) << c.keys;
    }
}

TEST(RotorSettings, WritesTheKeysOnlyOnceTheyMatter) {
    struct Case {
        std::string before;
        TRotorSettings settings;
        std::string after;
    } cases[] = {
        {"", {}, ""},  // never chosen: the file as it always was
        {"", {2, "h:1", 0, 0, {}}, "ROTORMODEL=2\nROTORPORT=h:1\n"},
        {"ROTORMODEL=2\nROTORPORT=h:1\n", {}, "ROTORMODEL=0\nROTORPORT=\n"},
        {"", {0, "", 0, 3, TAzimuthRange{0, 450}}, "AZOFFSET=3\nAZMIN=0\nAZMAX=450\n"},
        {"AZMIN=0\nAZMAX=450\n", {}, "AZMIN=\nAZMAX=\n"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string head = "[SETTINGS]\nCOMPORT=COM9\n";
        test::WriteFile(dir / "Skyvane.INI", head + c.before);
        {
            TIniFile ini(dir / "Skyvane.INI");
            WriteRotorSettings(ini, c.settings);
        }
        EXPECT_EQ(test::ReadFile(dir / "Skyvane.INI"), head + c.after) << c.before;
        // What was written reads back as it was meant.
        EXPECT_EQ(ReadRotorSettings(TIniFile(dir / "Skyvane.INI")).model, c.settings.model);
    }
}

class RotorChoiceTest : public MainWindowTest {
protected:
    // Runs `act` on the Rotor dialog once it shows, then chooses "Rotor…".
    void ChooseRotor(TForm1& form, std::function<void(TRotorChooser&)> act) {
        QTimer::singleShot(0, [act] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dialog = dynamic_cast<TRotorChooser*>(w); dialog && dialog->isVisible())
                    act(*dialog);
        });
        Choose(form.RotorChoice->RotorEntry());
    }
};

TEST_F(RotorChoiceTest, TheDialogListsHamlibsModelsByNumberAndSearches) {
    // Opened on saved settings, OK gives them back unchanged.
    for (const TRotorSettings& saved :
         {TRotorSettings{603, "/dev/ttyUSB0", 4800, -5, TAzimuthRange{0, 450}},
          TRotorSettings{2, "127.0.0.1:4533", 0, 0, TAzimuthRange{-90, 300}},
          TRotorSettings{0, "", 0, 3, std::nullopt}})
        EXPECT_EQ(TRotorChooser(saved).Chosen(), saved) << saved.model;
    TRotorChooser dialog({});
    // Every model the library knows and the built-in line; a search keeps the matches.
    const auto models = [&](bool shownOnly) {
        int n = 0;
        for (QTreeWidgetItemIterator it(dialog.ModelTree()); *it; ++it)
            n += (*it)->parent() && !(shownOnly && (*it)->isHidden());
        return n;
    };
    EXPECT_EQ(models(false), static_cast<int>(HamlibModels().size()) + 1);
    dialog.Filter(QString::number(SerialModel));
    EXPECT_EQ(models(true), 1);

    // A network model needs host:port before OK may be pressed.
    ASSERT_TRUE(dialog.SelectModel(HamlibNetworkModel));
    dialog.PortEdit()->setText("localhost");
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    dialog.PortEdit()->setText("127.0.0.1:4533");
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(dialog.Chosen(), (TRotorSettings{2, "127.0.0.1:4533", 0, 0, {}}));
}

TEST_F(RotorChoiceTest, ABadModelIsSaidOnceAndTheBuiltInLineServes) {
    FakeRotor rotor;
    WriteFile(dir_ / "Skyvane.INI",
              "[SETTINGS]\r\nCOMPORT=" + rotor.Path() + "\r\nROTORMODEL=99999\r\n");
    TForm1& form = Start();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_NE(boxes_[0].text.find("ROTORMODEL=99999"), std::string::npos) << boxes_[0].text;
    Choose(form.Track);
    rotor.ReleaseSlave();
    ASSERT_TRUE(WaitUntil([&] { return rotor.Received() == "AI1;"; }, 5000));
    EXPECT_EQ(form.RotorChoice->Settings().model, 0);
}

// Hamlib's tables cost megabytes: the library is mapped once a Hamlib rotor is chosen,
// not while the built-in line serves.
TEST_F(RotorChoiceTest, HamlibIsLoadedOnlyOnceAHamlibRotorIsChosen) {
    const auto hamlibMapped = [] {
        return ReadFile("/proc/self/maps").find("libhamlib") != std::string::npos;
    };
    if (hamlibMapped()) GTEST_SKIP() << "an earlier test in this process loaded Hamlib";
    FakeRotor rotor;
    WriteFile(dir_ / "Skyvane.INI", "[SETTINGS]\r\nCOMPORT=" + rotor.Path() + "\r\n");
    TForm1& form = Start();
    Choose(form.Track);
    rotor.ReleaseSlave();
    ASSERT_TRUE(WaitUntil([&] { return rotor.Received() == "AI1;"; }, 5000));
    rotor.Send("123;");
    ASSERT_TRUE(WaitUntil([&] { return form.Response->Caption() == "123"; }, 5000));
    EXPECT_FALSE(hamlibMapped());

    ChooseRotor(form, [](TRotorChooser& dialog) {
        ASSERT_TRUE(dialog.SelectModel(HamlibDummyModel));
        dialog.OkButton()->click();
    });
    EXPECT_TRUE(WaitUntil([&] { return form.Response->Caption() == "000"; }, 10000));
    EXPECT_TRUE(hamlibMapped());
    EXPECT_TRUE(boxes_.empty()) << boxes_.front().text;
}

// The simulator speaking model 603's protocol on its pseudo-terminal, 0..450, standing in
// its overlap: Hamlib's rotctl reads and turns it, then the window set to model 603 shows
// it, says "overlap", turns it, and takes another rotor from the dialog at once.
TEST_F(RotorChoiceTest, Model603EndToEndThroughHamlib) {
    if (test::RotctlProgram().isEmpty()) GTEST_SKIP() << "rotctl (libhamlib-utils) is missing";
    test::Simulator sim({"--protocol", "603", "--heading", "420", "--turn-rate", "200"});
    const std::string pty = sim.FirstLine();
    const auto rotctl = [&](const QStringList& commands) {
        QProcess process;
        process.start(test::RotctlProgram(), QStringList{"-m", QString::number(SerialModel), "-r",
                                                         QString::fromStdString(pty)} +
                                                 commands);
        process.waitForFinished(10000);
        return process.readAllStandardOutput().toStdString();
    };
    EXPECT_EQ(rotctl({"p"}), "420.00\n0.00\n");
    rotctl({"P", "400", "0"});
    EXPECT_TRUE(WaitUntil([&] { return rotctl({"p"}) == "400.00\n0.00\n"; }, 10000));

    WriteFile(dir_ / "Skyvane.INI",
              "[SETTINGS]\r\nROTORMODEL=603\r\nROTORPORT=" + pty + "\r\nAZMIN=0\r\nAZMAX=450\r\n");
    TForm1& form = Start();
    Choose(form.Track);
    ASSERT_TRUE(WaitUntil([&] { return form.Response->Caption() == "040"; }, 10000));
    EXPECT_EQ(form.TextIcon->Hint(), "Az(040) overlap");
    // Turn to 100: from 400 the way within 0..450 is back through 360, to 100.
    ASSERT_TRUE(form.Sharing->Rotor().RequestTurn(100));
    EXPECT_TRUE(WaitUntil([&] { return form.Response->Caption() == "100"; }, 10000));
    EXPECT_EQ(form.TextIcon->Hint(), "Az(100)");
    EXPECT_EQ(rotctl({"p"}), "100.00\n0.00\n");

    // The dialog: an offset of 10, OK: applied at once while tracking, and saved.
    ChooseRotor(form, [](TRotorChooser& dialog) {
        dialog.OffsetBox()->setValue(10);
        dialog.OkButton()->click();
    });
    EXPECT_TRUE(WaitUntil([&] { return form.Response->Caption() == "110"; }, 10000));
    const std::string ini = ReadFile(dir_ / "Skyvane.INI");
    EXPECT_NE(ini.find("AZOFFSET=10\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("ROTORMODEL=603\r\n"), std::string::npos) << ini;
    EXPECT_TRUE(boxes_.empty()) << boxes_.front().text;
}

}  // namespace
}  // namespace skyvane
