// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built simulator and talks to it over its pseudo-terminal, as the
// program's serial port does.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/support/RotorSimProcess.h"

namespace {

using namespace skyvane::test;

// Opens the simulator's line the way a serial port does: raw, no controlling terminal.
int OpenLine(const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd >= 0) {
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    return fd;
}

void Send(int fd, const std::string& bytes) {
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

// Reads until `replies` semicolons have arrived.
std::string ReadReplies(int fd, int replies) {
    return ReadUntil(fd, kReplyMs, [replies](const std::string& t) {
        return static_cast<int>(std::count(t.begin(), t.end(), ';')) >= replies;
    });
}

TEST(RotorSimProcess, AnswersQueriesAsTheOptionsSay) {
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> sends;  // written one after the other
        std::string expected;            // everything read back
    };
    const Case cases[] = {
        {{}, {"AI1;"}, "123;"},
        {{"--heading", "45", "--pad"}, {"AI1;"}, "045;"},
        {{"--heading", "7"}, {"xx", "AI", "1;junkAI1;"}, "7;7;"},
        {{"--heading", "359", "--chunks", "3", "--gap", "1"}, {"AI1;"}, "359;"},
        {{"--split", "--delay", "50"}, {"AI1;AI1;"}, "123;123;"},
        {{"--garbage"}, {"AI1;"}, "ERR;"},
        {{"--reply", "12.5;"}, {"AI1;"}, "12.5;"},
        {{"--heading=-5"}, {"AI1;"}, "-5;"},
        {{"--banner"}, {"V;AI1;"}, "SKYVANE ROTORSIM V1.0\r\n123;"},
    };
    for (const Case& c : cases) {
        std::string label;
        for (const std::string& a : c.args) label += a + " ";
        Simulator sim(c.args);
        std::string path = sim.FirstLine();
        ASSERT_EQ(path.rfind("/dev/", 0), 0u) << label << path;
        int fd = OpenLine(path);
        ASSERT_GE(fd, 0) << label << path;
        for (const std::string& s : c.sends) Send(fd, s);
        int replies = static_cast<int>(std::count(c.expected.begin(), c.expected.end(), ';'));
        EXPECT_EQ(ReadReplies(fd, replies), c.expected) << label;
        close(fd);
        EXPECT_EQ(sim.StopWith(SIGTERM), 0) << label;
    }
}

TEST(RotorSimProcess, SweepAnswersStayWithinAFullTurn) {
    Simulator sim({"--sweep", "3000", "--heading", "350"});
    int fd = OpenLine(sim.FirstLine());
    ASSERT_GE(fd, 0);
    for (int i = 0; i < 5; ++i) {
        Send(fd, "AI1;");
        std::string reply = ReadReplies(fd, 1);
        ASSERT_FALSE(reply.empty());
        ASSERT_EQ(reply.back(), ';');
        int value = std::stoi(reply);
        EXPECT_GE(value, 0) << reply;
        EXPECT_LE(value, 359) << reply;
    }
    close(fd);
}

TEST(RotorSimProcess, KeepsServingAfterTheOtherEndClosesAndReopens) {
    Simulator sim({"--heading", "200", "-v"});
    std::string path = sim.FirstLine();
    for (int round = 0; round < 3; ++round) {
        int fd = OpenLine(path);
        ASSERT_GE(fd, 0) << "round " << round;
        Send(fd, "AI1;");
        EXPECT_EQ(ReadReplies(fd, 1), "200;") << "round " << round;
        close(fd);
        // The simulator notices the hang-up before the line is opened again.
        std::string log = ReadUntil(sim.ErrorFd(), kReplyMs, [](const std::string& t) {
            return t.find("line closed") != std::string::npos;
        });
        EXPECT_NE(log.find("line closed"), std::string::npos) << "round " << round << log;
    }
    EXPECT_EQ(sim.StopWith(SIGINT), 0);
}

TEST(RotorSimProcess, SilentCountsQueriesWithoutAnswering) {
    std::string countFile = ::testing::TempDir() + "rotorsim-count-" + std::to_string(getpid());
    Simulator sim({"--silent", "--count-file", countFile});
    int fd = OpenLine(sim.FirstLine());
    ASSERT_GE(fd, 0);
    auto readCount = [&] {
        std::ifstream in(countFile);
        long n = -1;
        in >> n;
        return n;
    };
    EXPECT_EQ(readCount(), 0);  // written before the line is served
    Send(fd, "AI1;xAI");
    Send(fd, "1;");
    auto deadline = Clock::now() + std::chrono::milliseconds(kReplyMs);
    while (readCount() != 2 && Clock::now() < deadline) usleep(10000);
    EXPECT_EQ(readCount(), 2);
    // A reply would have been written right after the count; none comes.
    pollfd p{fd, POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 300), 0);
    close(fd);
    EXPECT_EQ(sim.StopWith(SIGTERM), 0);
    std::remove(countFile.c_str());
}

TEST(RotorSimProcess, StreamSendsRepliesUnaskedWhileTheLineIsOpen) {
    Simulator sim({"--stream", "50", "--heading", "77", "--pad"});
    std::string path = sim.FirstLine();
    for (int round = 0; round < 2; ++round) {
        int fd = OpenLine(path);
        ASSERT_GE(fd, 0);
        // No query is sent: every reply comes on the simulator's own account.
        EXPECT_EQ(ReadReplies(fd, 5).substr(0, 20), "077;077;077;077;077;") << "round " << round;
        close(fd);
    }
    EXPECT_EQ(sim.StopWith(SIGTERM), 0);
}

TEST(RotorSimProcess, ServesAGivenDevice) {
    // The test owns a pseudo-terminal and hands its slave to the simulator.
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    std::string slave = ptsname(master);
    termios t{};
    tcgetattr(master, &t);
    cfmakeraw(&t);
    tcsetattr(master, TCSANOW, &t);
    Simulator sim({"--device", slave, "--heading", "90"});
    EXPECT_EQ(sim.FirstLine(), slave);
    Send(master, "AI1;");
    EXPECT_EQ(ReadReplies(master, 1), "90;");
    EXPECT_EQ(sim.StopWith(SIGTERM), 0);
    close(master);
}

TEST(RotorSimProcess, BadOptionsExitWithStatusTwoAndAMessage) {
    const std::vector<std::string> cases[] = {
        {"--frobnicate"}, {"--heading", "north"}, {"--chunks", "0"}, {"--delay"}, {"extra"}};
    for (const std::vector<std::string>& args : cases) {
        Simulator sim(args);
        EXPECT_EQ(sim.Wait(), 2) << args[0];
        EXPECT_EQ(sim.AllOutput(), "") << args[0];
        std::string err = sim.AllErrors();
        EXPECT_NE(err.find(args[0]), std::string::npos) << err;
        EXPECT_NE(err.find("--help"), std::string::npos) << err;
    }
    Simulator missing({"--device", "/nonexistent/ttyX"});
    EXPECT_EQ(missing.Wait(), 1);
    EXPECT_NE(missing.AllErrors().find("/nonexistent/ttyX"), std::string::npos);
}

TEST(RotorSimProcess, HelpPrintsUsageAndSucceeds) {
    Simulator sim({"--help"});
    EXPECT_EQ(sim.Wait(), 0);
    std::string out = sim.AllOutput();
    EXPECT_EQ(out.rfind("Usage: ", 0), 0u) << out;
    EXPECT_NE(out.find("--sweep"), std::string::npos);
}

TEST(RotorSimProcess, AnswersByteByByteInTheLayoutAsked) {
    Simulator sim({"--echo", "--separator-first", "--line-end", "crlf", "--byte-by-byte", "--gap",
                   "1", "--heading", "7", "--pad"});
    int fd = OpenLine(sim.FirstLine());
    ASSERT_GE(fd, 0);
    Send(fd, "AI1;");
    EXPECT_EQ(ReadUntil(fd, kReplyMs, [](const std::string& t) { return t.size() >= 10; }),
              "AI1;;007\r\n");
    close(fd);
}

TEST(RotorSimProcess, GoesSilentThenAnswersAgain) {
    Simulator sim({"--mute-after", "1", "--mute-for", "300", "-v"});
    int fd = OpenLine(sim.FirstLine());
    ASSERT_GE(fd, 0);
    Send(fd, "AI1;");
    EXPECT_EQ(ReadReplies(fd, 1), "123;");
    Send(fd, "AI1;");
    std::string log = ReadUntil(sim.ErrorFd(), kReplyMs, [](const std::string& t) {
        return t.find("query 2 received, silent") != std::string::npos;
    });
    EXPECT_NE(log.find("query 2 received, silent"), std::string::npos) << log;
    usleep(400 * 1000);  // the silence is over
    Send(fd, "AI1;");
    EXPECT_EQ(ReadReplies(fd, 1), "123;");
    close(fd);
}

TEST(RotorSimProcess, UnpluggedLineComesBackUnderItsLink) {
    const std::string link = ::testing::TempDir() + "rotorsim-link-" + std::to_string(getpid());
    Simulator sim({"--hang-up-after", "1", "--replug-after", "200", "--link", link});
    ASSERT_EQ(sim.FirstLine(), link);
    int fd = OpenLine(link);
    ASSERT_GE(fd, 0);
    Send(fd, "AI1;");
    EXPECT_EQ(ReadReplies(fd, 1), "123;");
    Send(fd, "AI1;");
    // Unplugged: the line ends for this side.
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, kReplyMs), 1);
    EXPECT_TRUE(p.revents & POLLHUP);
    close(fd);
    // Plugged in again as a new pseudo-terminal under the same link.
    fd = -1;
    for (auto deadline = Clock::now() + std::chrono::milliseconds(kStartMs);
         fd < 0 && Clock::now() < deadline;)
        if ((fd = OpenLine(link)) < 0) usleep(20 * 1000);
    ASSERT_GE(fd, 0);
    Send(fd, "AI1;");
    EXPECT_EQ(ReadReplies(fd, 1), "123;");
    close(fd);
    EXPECT_EQ(sim.StopWith(SIGTERM), 0);
    EXPECT_NE(access(link.c_str(), F_OK), 0) << "the link goes with the simulator";
}

}  // namespace

namespace {

// The heading of one reply ("123;").
int AskHeading(int fd) {
    Send(fd, "AI1;");
    const std::string reply = ReadReplies(fd, 1);
    return reply.empty() ? -1 : std::atoi(reply.c_str());
}

TEST(RotorSimProcess, TurnsToATargetAndStopsShortOfItWhenTold) {
    Simulator sim({"--heading", "100", "--turn-rate", "200"});
    int fd = OpenLine(sim.FirstLine());
    ASSERT_GE(fd, 0);
    EXPECT_EQ(AskHeading(fd), 100);

    // Up to 300, every heading on the way within the turn, then holding there.
    Send(fd, "AP1300;AM1;");
    int heading = 100;
    auto deadline = Clock::now() + std::chrono::milliseconds(kReplyMs);
    while (heading != 300 && Clock::now() < deadline) {
        const int next = AskHeading(fd);
        EXPECT_GE(next, heading);
        EXPECT_LE(next, 300);
        heading = next;
        usleep(20000);
    }
    EXPECT_EQ(heading, 300);

    // Back toward 0, stopped on the way: it stays where it stopped.
    Send(fd, "AP1000;AM1;");
    while (AskHeading(fd) > 250 && Clock::now() < deadline) usleep(5000);
    Send(fd, ";");
    const int stopped = AskHeading(fd);
    EXPECT_GT(stopped, 0);
    EXPECT_LT(stopped, 300);
    usleep(300000);
    EXPECT_EQ(AskHeading(fd), stopped);
    close(fd);
    EXPECT_EQ(sim.StopWith(SIGTERM), 0);
}

}  // namespace
