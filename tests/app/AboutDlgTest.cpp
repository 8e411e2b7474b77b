// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <functional>
#include <string>

#include "app/AboutDlg.h"
#include "app/AboutForm.h"
#include "app/AboutForm_p.h"
#include "app/AppIcons.h"
#include "toolkit/Timer.h"
#include "tests/support/QtApplication.h"

namespace skyvane {
namespace {

class AboutDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        test_support::EnsureQtApplication<QApplication>();
    }

    // Runs Execute; `during` is called once the box is shown modally and must end the
    // run. A box still open after ten seconds counts as a failure and is closed.
    void ExecuteWith(const std::function<void(TAboutBox*)>& during) {
        bool called = false;
        QTimer::singleShot(0, [&] {
            called = true;
            ASSERT_NE(dlg.Box(), nullptr);
            EXPECT_TRUE(dlg.Box()->isVisible());
            EXPECT_TRUE(dlg.Box()->IsShowingModal());
            during(dlg.Box());
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            ADD_FAILURE() << "the About box was left open";
            if (dlg.Box()) dlg.Box()->close();
        });
        watchdog.start(10000);
        dlg.Execute();
        EXPECT_TRUE(called);
        EXPECT_EQ(dlg.Box(), nullptr);
    }

    struct Shown {
        std::string caption, product, copyright, programmer, website;
        bool hasPicture = false;
    };
    // The text a line shows, its wrapping undone.
    static std::string Text(const TLabel* line) {
        return line->Widget()->text().replace(QLatin1Char('\n'), QLatin1Char(' ')).toStdString();
    }
    static Shown Capture(const TAboutBox* box) {
        return {box->Caption(),          Text(box->ProductName()), Text(box->Copyright()),
                Text(box->Programmer()), Text(box->Website()),     !box->Picture().isNull()};
    }

    TAboutDlg dlg{nullptr};
};

TEST_F(AboutDlgTest, EachExecuteShowsTheCurrentValues) {
    struct Round {
        const char* title;
        const char* product;
        const char* copyright;
        const char* programmer;
        const char* website;
        bool icon;
    };
    const Round rounds[] = {
        {"About Skyvane", "Skyvane Ver.1.00 Build 000-001", "Copyright (C) 2026 A. Author",
         "Skyvane developers", "https://skyvane.example.org", false},
        {"About it", "<b>Product</b> & co", "", "Some programmer", "x", true},
    };
    for (const Round& r : rounds) {
        SCOPED_TRACE(r.title);
        dlg.SetTitle(r.title);
        dlg.SetProductName(r.product);
        dlg.SetCopyRight(r.copyright);
        dlg.SetProgrammer(r.programmer);
        dlg.SetWebSite(r.website);
        dlg.SetIcon(r.icon ? ApplicationIcon() : QIcon());
        Shown shown;
        ExecuteWith([&](TAboutBox* box) {
            shown = Capture(box);
            box->OKButton()->Widget()->click();
        });
        // Texts appear as given, markup-like text included.
        EXPECT_EQ(shown.caption, r.title);
        EXPECT_EQ(shown.product, r.product);
        EXPECT_EQ(shown.copyright, r.copyright);
        EXPECT_EQ(shown.programmer, r.programmer);
        EXPECT_EQ(shown.website, r.website);
        EXPECT_EQ(shown.hasPicture, r.icon);
    }
}

TEST_F(AboutDlgTest, IconPictureFillsThePictureArea) {
    dlg.SetIcon(ApplicationIcon());
    QSize size;
    ExecuteWith([&](TAboutBox* box) {
        size = box->Picture().size();
        box->close();
    });
    EXPECT_EQ(size, QSize(48, 48));
}

TEST_F(AboutDlgTest, EndsByOkEnterOrCloseButtonWithoutATimer) {
    const struct {
        const char* how;
        std::function<void(TAboutBox*)> end;
        TModalResult result;
    } ways[] = {
        {"OK", [](TAboutBox* b) { b->OKButton()->Widget()->click(); }, TModalResult::mrOK},
        {"Enter",
         [](TAboutBox* b) {
             QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
             QApplication::sendEvent(b, &press);
         },
         TModalResult::mrOK},
        {"close", [](TAboutBox* b) { b->close(); }, TModalResult::mrNone},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        TModalResult result{};
        bool timerPending = true;
        ExecuteWith([&](TAboutBox* box) {
            timerPending = dlg.CloseTimer() != nullptr;
            way.end(box);
            result = box->ModalResult();
            EXPECT_FALSE(box->isVisible());
        });
        EXPECT_FALSE(timerPending);  // Timer off: nothing would close the box by itself
        EXPECT_EQ(result, way.result);
    }
}

TEST_F(AboutDlgTest, TimerClosesTheBoxAfterFifteenSeconds) {
    dlg.SetTimer(true);
    unsigned interval = 0;
    bool enabled = false;
    ExecuteWith([&](TAboutBox*) {
        TTimer* timer = dlg.CloseTimer();
        ASSERT_NE(timer, nullptr);
        interval = timer->Interval();
        enabled = timer->Enabled();
        // The tick, as the timer delivers it after its interval.
        timer->OnTimer()(timer);
        EXPECT_FALSE(timer->Enabled());
    });
    EXPECT_EQ(interval, 15000u);
    EXPECT_TRUE(enabled);
    EXPECT_EQ(dlg.CloseTimer(), nullptr);
    EXPECT_TRUE(dlg.Components().empty());
}

TEST_F(AboutDlgTest, ClosingBeforeTheTimerFiresReleasesTheTimer) {
    dlg.SetTimer(true);
    ExecuteWith([&](TAboutBox* box) {
        EXPECT_NE(dlg.CloseTimer(), nullptr);
        box->OKButton()->Widget()->click();
    });
    // Nothing is left that could tick into the released box.
    EXPECT_EQ(dlg.CloseTimer(), nullptr);
    EXPECT_TRUE(dlg.Components().empty());
    // A second run with the timer gets a fresh one.
    bool fresh = false;
    ExecuteWith([&](TAboutBox* box) {
        fresh = dlg.CloseTimer() != nullptr && dlg.CloseTimer()->Enabled();
        box->close();
    });
    EXPECT_TRUE(fresh);
}

TEST_F(AboutDlgTest, DestroyingTheComponentDuringARunEndsItSafely) {
    auto* owner = new TComponent(nullptr);
    auto* owned = new TAboutDlg(owner);
    owned->SetTimer(true);
    bool wasShown = false;
    QTimer::singleShot(0, [&] {
        wasShown = owned->Box() != nullptr && owned->Box()->isVisible();
        delete owner;  // takes the component, its timer and (through it) the run along
    });
    owned->Execute();  // returns once the box is closed; touches nothing destroyed
    EXPECT_TRUE(wasShown);
}

TEST_F(AboutDlgTest, ExecuteWhileShownKeepsTheOneBox) {
    TAboutBox* during = nullptr;
    TAboutBox* after = nullptr;
    ExecuteWith([&](TAboutBox* box) {
        during = box;
        dlg.Execute();  // returns at once
        after = dlg.Box();
        box->close();
    });
    EXPECT_EQ(during, after);
}

TEST_F(AboutDlgTest, WrappingLinesGrowDownwardsOthersStayOneLine) {
    TAboutBox box(nullptr);
    const int lineHeight = QFontMetrics(box.Programmer()->Widget()->font()).height();
    // Words wrap within the stored width of 59.
    box.SetLineText(box.Programmer(), "aa bb cc dd ee ff gg hh");
    EXPECT_LE(box.Programmer()->Widget()->width(), 59);
    EXPECT_EQ(Text(box.Programmer()), "aa bb cc dd ee ff gg hh");
    EXPECT_GE(box.Programmer()->Widget()->height(), 2 * lineHeight);
    // A single word longer than the stored width of 44 widens the label, one line high.
    box.SetLineText(box.Website(), "https://skyvane.example.org");
    EXPECT_GT(box.Website()->Widget()->width(), 44);
    EXPECT_LT(box.Website()->Widget()->height(), 2 * lineHeight);
    // The product line never wraps, however long.
    box.SetLineText(box.ProductName(), "Skyvane Ver.1.00 Build 000-001 with more words");
    EXPECT_LT(box.ProductName()->Widget()->height(), 2 * lineHeight);
    // Every line keeps its place.
    EXPECT_EQ(box.ProductName()->Widget()->pos(), QPoint(64, 8));
    EXPECT_EQ(box.Programmer()->Widget()->pos(), QPoint(64, 72));
    EXPECT_EQ(box.Website()->Widget()->pos(), QPoint(64, 104));
}

}  // namespace
}  // namespace skyvane
