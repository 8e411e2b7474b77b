// SPDX-License-Identifier: GPL-3.0-or-later
// The readings as the user meets them: the real main window and port against the
// rotor simulator (or a test's own far end) on pseudo-terminals.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <regex>
#include <thread>

#include "app/HeadingDisplay.h"
#include "app/HexStr.h"
#include "app/SkyvaneUnit.h"
#include "platform/status_icon_recording.h"
#include "rotor/RotorReadings.h"
#include "serial/SerialPort.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/support/RotorSimProcess.h"
#include "toolkit/Label.h"
#include "toolkit/Timer.h"
#include "tray/TextIcon.h"

namespace skyvane {
namespace {

class ReadingsWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        previousTray_ = platform::SetStatusIconService(&tray_);
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        platform::SetStatusIconService(previousTray_);
    }
    // Starts the window on `port` and switches Track on.
    TForm1& TrackOn(const std::string& port) {
        WriteFile(dir_ / "Skyvane.INI", "[SETTINGS]\r\nCOMPORT=" + port + "\r\n");
        TForm1& form = Start();
        Choose(form.Track);
        return form;
    }
    // Every hint the tray icon has shown so far, each change once.
    std::vector<std::string> Hints() const {
        std::vector<std::string> hints;
        for (const auto& call : tray_.Calls())
            if (hints.empty() || hints.back() != call.Tip()) hints.push_back(call.Tip());
        return hints;
    }
    // How often each message after the start-up header appears in the log.
    std::map<std::string, int> Traced() {
        std::map<std::string, int> count;
        const std::vector<std::string> lines = LogLines();
        for (std::size_t i = 8; i < lines.size(); ++i) ++count[Message(lines[i])];
        return count;
    }
    static bool Dimmed(TForm1& form) {
        return form.Response->Font().color == clStaleHeading &&
               form.TextIcon->Font().color == clStaleHeading;
    }
    static bool Lime(TForm1& form) {
        return form.Response->Font().color == clLime && form.TextIcon->Font().color == clLime;
    }

    platform::RecordingStatusIconService tray_;
    platform::StatusIconService* previousTray_ = nullptr;
};

// The hint before the first reading.
const std::string kNoHeadingHint = HeadingHint(std::nullopt, false);

TEST_F(ReadingsWindowTest, RepliesArrivingByteByByteShowOnlyWholeHeadings) {
    test::Simulator sim({"--byte-by-byte", "--gap", "2", "--sweep", "7", "--heading", "100"});
    TForm1& form = TrackOn(sim.FirstLine());
    const auto headings = [&] {
        int n = 0;
        for (const std::string& hint : Hints()) n += hint.rfind("Az(", 0) == 0;
        return n;
    };
    ASSERT_TRUE(WaitUntil([&] { return headings() >= 4; }, 15000));
    const std::regex whole(R"(Az\(1[0-9][0-9]\))");
    for (const std::string& hint : Hints()) {
        if (hint.empty() || hint == kNoHeadingHint) continue;
        EXPECT_TRUE(std::regex_match(hint, whole)) << hint;
    }
    EXPECT_EQ(form.Response->Caption().size(), 3u) << form.Response->Caption();
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(ReadingsWindowTest, EveryReplyLayoutShowsItsHeading) {
    const struct {
        std::vector<std::string> args;
        const char* heading;
    } layouts[] = {
        {{"--heading", "45", "--pad"}, "045"},
        {{"--separator-first", "--heading", "200"}, "200"},
        {{"--echo", "--heading", "7"}, "7"},
        {{"--echo", "--separator-first", "--line-end", "crlf", "--heading", "300"}, "300"},
        {{"--line-end", "cr", "--heading", "12"}, "12"},
        {{"--line-end", "lf", "--heading", "359"}, "359"},
        {{"--line-end", "crlf", "--heading", "0"}, "0"},
        {{"--reply", "321"}, "321"},
        {{"--separator-first", "--byte-by-byte", "--gap", "1", "--heading", "99"}, "99"},
    };
    for (const auto& layout : layouts) {
        const std::string what = layout.args[0] + " ... " + layout.heading;
        tray_.ClearCalls();
        test::Simulator sim(layout.args);
        TForm1& form = TrackOn(sim.FirstLine());
        EXPECT_TRUE(WaitUntil([&] { return form.Response->Caption() == layout.heading; }, 10000))
            << what << ": shows " << form.Response->Caption();
        EXPECT_EQ(form.TextIcon->Text(), layout.heading) << what;
        EXPECT_EQ(Hints().back(), "Az(" + std::string(layout.heading) + ")") << what;
        for (const std::string& hint : Hints())
            EXPECT_TRUE(hint.empty() || hint == kNoHeadingHint || hint == Hints().back())
                << what << ": " << hint;
        form_.reset();
    }
    EXPECT_TRUE(boxes_.empty());
}

// Controllers that put something odd around their replies, turning all the while:
// the label keeps up with every poll, never shows a piece and never dims.
TEST_F(ReadingsWindowTest, OddBytesAroundRepliesNeverFreezeTheReadings) {
    const std::vector<std::string> cases[] = {
        {"--junk-after", " "},                         // "100; "
        {"--junk-after", "\\0"},                       // "100;" and a NUL
        {"--separator-first", "--double-every", "3"},  // ";101" ";102" ";103;104"
        {"--separator-first", "--junk-after", "\\0"},  // ";100" and a NUL
        {"--pad", "--stream", "1000"},                 // a flood of valid replies
    };
    const std::regex whole("1[0-9][0-9]");
    for (std::vector<std::string> args : cases) {
        const std::string what = ::testing::PrintToString(args);
        args.insert(args.end(), {"--heading", "100", "--sweep", "3"});
        tray_.ClearCalls();
        test::Simulator sim(args);
        TForm1& form = TrackOn(sim.FirstLine());
        ASSERT_TRUE(WaitUntil(
            [&] { return !form.Response->Caption().empty() && form.Response->Caption() != "000"; },
            5000))
            << what;
        std::vector<std::string> captions{form.Response->Caption()};
        bool dimmed = false;
        for (int poll = 0; poll < 4; ++poll) {
            // The heading turns three degrees between two polls: each poll shows a new one.
            EXPECT_TRUE(WaitUntil(
                [&] {
                    dimmed |= Dimmed(form);
                    if (form.Response->Caption() != captions.back())
                        captions.push_back(form.Response->Caption());
                    return captions.size() > std::size_t(poll) + 1;
                },
                2500))
                << what << ": stuck at " << captions.back();
        }
        EXPECT_FALSE(dimmed) << what;
        for (const std::string& caption : captions)
            EXPECT_TRUE(std::regex_match(caption, whole)) << what << ": " << caption;
        for (const std::string& hint : Hints())
            EXPECT_TRUE(hint.empty() || hint == kNoHeadingHint ||
                        std::regex_match(hint, std::regex(R"(Az\(1[0-9][0-9]\))")))
                << what << ": " << hint;
        EXPECT_EQ(Traced().count("Rotor not answering"), 0u) << what;
        form_.reset();
    }
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(ReadingsWindowTest, FiveMegabytesWithoutATerminatorChangeNothing) {
    FakeRotor rotor;
    TForm1& form = TrackOn(rotor.Path());
    rotor.ReleaseSlave();
    rotor.Send("045;");
    ASSERT_TRUE(WaitUntil([&] { return form.Response->Caption() == "045"; }));
    const std::size_t hintsBefore = tray_.Calls().size();

    std::atomic<bool> done{false}, giveUp{false};
    std::atomic<long> written{0};
    std::thread flood([&] {
        const std::string block(4096, '7');
        for (int i = 0; i < 5 * 256 && !giveUp; ++i) {
            for (std::size_t at = 0; at < block.size() && !giveUp;) {
                const ssize_t n = rotor.SendSome(block.data() + at, block.size() - at);
                if (n > 0)
                    at += static_cast<std::size_t>(n), written += n;
                else
                    usleep(200);
            }
        }
        done = true;
    });
    std::size_t mostHeld = 0;
    WaitUntil(
        [&] {
            mostHeld = std::max(mostHeld, form.Readings->HeldBytes());
            return done.load();
        },
        120000);
    giveUp = true;  // a reader that stopped taking fails the test instead of hanging it
    flood.join();
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(written.load(), 5L * 1024 * 1024);
    EXPECT_LE(mostHeld, TReplyAssembler::MaxReplyLength);
    EXPECT_EQ(form.Response->Caption(), "045");
    // Not one tray update, but for the dimmed heading when the flood outlasted the
    // time a rotor may stay without an answer (a loaded machine): that one is right.
    // (Dimming updates the icon's colour, then the hint.)
    const auto& calls = tray_.Calls();
    EXPECT_LE(calls.size(), hintsBefore + 2) << "more tray updates than the dimming's";
    if (calls.size() > hintsBefore) EXPECT_EQ(calls.back().Tip(), "Az(045) - rotor not answering");
    rotor.Send(";200;");  // the run ends: the next reply counts again
    EXPECT_TRUE(WaitUntil([&] { return form.Response->Caption() == "200"; }));
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(ReadingsWindowTest, ASilentRotorDimsTheHeadingUntilItAnswersAgain) {
    test::Simulator sim({"--mute-after", "1", "--mute-for", "5500", "--heading", "123"});
    const std::string path = sim.FirstLine();
    TForm1& form = TrackOn(path);
    ASSERT_TRUE(WaitUntil([&] { return form.Response->Caption() == "123"; }, 5000));
    EXPECT_TRUE(Lime(form));
    ASSERT_TRUE(WaitUntil([&] { return Dimmed(form); }, 8000)) << "three periods without a reply";
    EXPECT_EQ(form.TextIcon->Hint(), "Az(123) - rotor not answering");
    EXPECT_EQ(form.Response->Caption(), "123") << "the old heading stays readable";
    EXPECT_FALSE(form.Readings->LatestLiveReading());
    ASSERT_TRUE(WaitUntil([&] { return Lime(form); }, 10000)) << "the next reply brings lime back";
    EXPECT_EQ(form.TextIcon->Hint(), "Az(123)");
    EXPECT_EQ(form.Readings->LatestLiveReading(), (AzimuthReading{"123", 123}));

    Choose(form.Track);  // Track off freezes the displays as they are
    WaitUntil([] { return false; }, 4500);
    EXPECT_TRUE(Lime(form));
    EXPECT_EQ(form.Response->Caption(), "123");
    const std::string com = "COM(" + UpperText(path) + ")";
    EXPECT_EQ(Traced(), (std::map<std::string, int>{{"Track on: " + com + " open", 1},
                                                    {"Rotor not answering", 1},
                                                    {"Rotor answering again", 1},
                                                    {"Track off", 1}}));
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(ReadingsWindowTest, AnUnpluggedAdapterIsReportedOnceAndComesBackByItself) {
    const std::string link = (dir_ / "rotor-by-id").string();
    test::Simulator sim(
        {"--hang-up-after", "2", "--replug-after", "4500", "--link", link, "--sweep", "3"});
    ASSERT_EQ(sim.FirstLine(), link);
    // The user leaves the box open, as a person away from the desk would.
    bool dimmed = false, resumedUnderTheBox = false;
    std::string before;
    SetMessageBoxAnswerer([&](const MessageBoxRequest& r) {
        boxes_.push_back(r);
        before = form_->Response->Caption();
        dimmed = WaitUntil([&] { return Dimmed(*form_); }, 8000);
        resumedUnderTheBox = WaitUntil([&] { return Lime(*form_); }, 10000);
        return TMsgResult::OK;
    });
    TForm1& form = TrackOn(link);
    ASSERT_TRUE(WaitUntil([&] { return !boxes_.empty(); }, 10000));
    EXPECT_EQ(boxes_[0].text, "WriteFile function failed (win error code: 5)");
    EXPECT_TRUE(dimmed) << "no readings while it is away";
    EXPECT_TRUE(resumedUnderTheBox) << "readings resume by themselves, box or no box";
    EXPECT_TRUE(WaitUntil([&] { return form.Response->Caption() != before; }, 5000));
    EXPECT_EQ(boxes_.size(), 1u);
    EXPECT_TRUE(form.Track->Checked());
    EXPECT_TRUE(form.SerialPort->Connected());

    const std::string com = "COM(" + UpperText(link) + ")";
    const std::map<std::string, int> traced = Traced();
    EXPECT_EQ(traced, (std::map<std::string, int>{
                          {"Track on: " + com + " open", 1},
                          {com + " lost: WriteFile function failed (win error code: 5)", 1},
                          {"Rotor not answering", 1},
                          {com + " open again", 1},
                          {"Rotor answering again", 1},
                      }));
}

}  // namespace
}  // namespace skyvane
