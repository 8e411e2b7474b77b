// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTimer>

#include "app/Log.h"
#include "app/RotorSharing.h"
#include "app/TurnToDialog.h"
#include "rotor/RotorServer.h"
#include "rotor/SteeringScheduler.h"
#include "tests/support/QtApplication.h"
#include "tests/support/TempDir.h"
#include "toolkit/ExceptionReport.h"
#include "toolkit/Form.h"
#include "toolkit/Menu.h"

namespace skyvane {
namespace {

class RotorSharingTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::EnsureQtApplication<QApplication>();
        form_ = std::make_unique<TForm>(nullptr);
        menu_ = new TPopupMenu(form_.get());
        for (const char* caption :
             {"Track", "Visible", "Numeric", "COM Settings", "About", "Quit"}) {
            auto* item = new TMenuItem(form_.get());
            item->SetCaption(caption);
            menu_->Add(item);
        }
        sharing_ = new TRotorSharing(form_.get(), menu_, steering_);
        previousReporter_ =
            SetExceptionReporter([this](const std::string& t) { reports_.push_back(t); });
        log_.SetFileName(dir_ / "Skyvane.Log");
        log_.SetLevel(1);
        log_.SetEnabled(true);
    }
    void TearDown() override {
        SetExceptionReporter(previousReporter_);
        form_.reset();
    }

    // Runs the "Turn to…" dialog, filling it in and pressing OK once it is shown.
    void TurnTo(const std::string& target, const std::string& station) {
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dialog = dynamic_cast<TTurnToDialog*>(w);
                if (!dialog || !dialog->isVisible()) continue;
                if (!station.empty())
                    dialog->StationEdit()->setText(QString::fromStdString(station));
                dialog->TargetEdit()->setText(QString::fromStdString(target));
                dialog->OkButton()->click();
            }
        });
        Guarded([&] { sharing_->TurnToEntry()->Click(); });
    }

    test::TempDir dir_;
    TLog log_;
    std::unique_ptr<TForm> form_;
    TPopupMenu* menu_ = nullptr;
    TRotorSharing* sharing_ = nullptr;
    std::optional<int> live_ = 150;
    bool open_ = true;
    std::string sent_;
    TSteeringScheduler steering_{[this] { return live_; }, [this] { return open_; },
                                 [this](const std::string& bytes) {
                                     sent_ += bytes;
                                     return true;
                                 }};
    std::vector<std::string> reports_;
    ExceptionReporter previousReporter_;
};

TEST_F(RotorSharingTest, TwoEntriesFollowTheSixAfterASeparatorEnabledOnlyWithAnOpenLine) {
    std::vector<std::string> captions;
    for (TMenuItem* item : menu_->Items()) captions.push_back(item->Caption());
    EXPECT_EQ(captions,
              (std::vector<std::string>{"Track", "Visible", "Numeric", "COM Settings", "About",
                                        "Quit", "-", "Turn to\xE2\x80\xA6", "Stop rotor"}));
    for (bool open : {false, true, false}) {
        open_ = open;
        sharing_->Refresh();
        EXPECT_EQ(sharing_->TurnToEntry()->Enabled(), open);
        EXPECT_EQ(sharing_->StopEntry()->Enabled(), open);
    }
}

TEST_F(RotorSharingTest, TurnToSendsTheChosenHeadingAndKeepsANewStationLocator) {
    std::vector<std::string> saved;
    sharing_->SetOnStationLocator([&](const std::string& l) { saved.push_back(l); });
    TurnTo("200", "");
    EXPECT_EQ(sent_, "AP1200;AM1;");
    EXPECT_TRUE(saved.empty());

    sent_.clear();
    TurnTo("fn31pr", "jn58TD");
    EXPECT_EQ(sent_, "AP1298;AM1;");
    EXPECT_EQ(saved, std::vector<std::string>{"JN58td"});
    EXPECT_EQ(sharing_->StationLocator(), "JN58td");

    // Next time the dialog knows it: nothing to give, nothing saved again.
    sent_.clear();
    TurnTo("PM95vr", "");
    EXPECT_FALSE(sent_.empty());
    EXPECT_EQ(saved.size(), 1u);
    EXPECT_TRUE(reports_.empty());
}

TEST_F(RotorSharingTest, StopSendsTheStopAndAClosedLineIsSaidPlainly) {
    sharing_->StopEntry()->Click();
    EXPECT_EQ(sent_, ";");
    open_ = false;
    Guarded([&] { sharing_->StopEntry()->Click(); });
    TurnTo("100", "");
    ASSERT_EQ(reports_.size(), 2u);
    EXPECT_NE(reports_[0].find("The rotor cannot be reached now"), std::string::npos)
        << reports_[0];
    EXPECT_EQ(sent_, ";");
}

TEST_F(RotorSharingTest, ServesOnlyWhenAskedAndAPortInUseIsReportedOnce) {
    sharing_->Start(TSharingSettings{false, 4533, "JO62qm"}, log_);
    EXPECT_EQ(sharing_->Server(), nullptr);
    EXPECT_EQ(sharing_->StationLocator(), "JO62qm");

    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::LocalHost, 0));
    sharing_->Start(TSharingSettings{true, other.serverPort(), ""}, log_);
    EXPECT_EQ(sharing_->Server(), nullptr);
    ASSERT_EQ(reports_.size(), 1u);
    const std::string expected = "The rotor cannot be shared: TCP port " +
                                 std::to_string(other.serverPort()) +
                                 " is already in use by another program. Skyvane runs on without "
                                 "sharing it; SERVERPORT in the configuration file chooses another "
                                 "port.";
    EXPECT_EQ(reports_[0], expected);
    EXPECT_NE(test::ReadFile(dir_ / "Skyvane.Log").find("is already in use"), std::string::npos);
    // Steering from the menu works all the same.
    sharing_->StopEntry()->Click();
    EXPECT_EQ(sent_, ";");

    sharing_->Start(TSharingSettings{true, 0, ""}, log_);
    ASSERT_NE(sharing_->Server(), nullptr);
    EXPECT_TRUE(sharing_->Server()->Listening());
    EXPECT_NE(test::ReadFile(dir_ / "Skyvane.Log").find("Rotor shared on TCP port"),
              std::string::npos);
}

}  // namespace
}  // namespace skyvane
