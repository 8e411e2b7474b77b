// SPDX-License-Identifier: GPL-3.0-or-later
// The port as the azimuth viewer drives it, against a far end that answers like a
// rotor controller: "AI1;" in, the heading in digits and ";" out.
#include <gtest/gtest.h>

#include <QTimer>
#include <atomic>
#include <thread>

#include "serial/SerialPort.h"
#include "tests/serial/SerialTestSupport.h"
#include "toolkit/ExceptionReport.h"

namespace skyvane {
namespace {

// Answers every "AI1;" with the next heading of `headings`, on its own thread.
class RotorAnswerer {
public:
    RotorAnswerer(testing::PtyPair& pty, std::vector<std::string> headings)
        : pty_(pty), headings_(std::move(headings)), thread_([this] { Run(); }) {}
    ~RotorAnswerer() {
        stop_ = true;
        thread_.join();
    }
    int Queries() const { return queries_; }

private:
    void Run() {
        std::string pending;
        while (!stop_) {
            pollfd p{pty_.Master(), POLLIN, 0};
            if (poll(&p, 1, 10) != 1 || !(p.revents & POLLIN)) continue;
            char buf[64];
            ssize_t n = read(pty_.Master(), buf, sizeof buf);
            if (n <= 0) continue;
            pending.append(buf, static_cast<std::size_t>(n));
            std::size_t at;
            while ((at = pending.find("AI1;")) != std::string::npos) {
                pending.erase(0, at + 4);
                const std::string& heading =
                    headings_[static_cast<std::size_t>(queries_) % headings_.size()];
                ++queries_;
                pty_.Send(heading + ";");
            }
        }
    }
    testing::PtyPair& pty_;
    std::vector<std::string> headings_;
    std::atomic<int> queries_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(SerialEndToEndTest, PollingFollowsTheRotorAndStopsWhenClosed) {
    testing::EnsureApplication();
    testing::PtyPair pty;
    RotorAnswerer rotor(pty, {"123", "135", "270", "5"});

    TSerialPort* port = new TSerialPort(nullptr);
    port->SetBaudRate(br9600);
    port->SetPort(pty.SlaveName());
    port->SetStopBits(sbOneStopBit);
    port->SetDataBits(dbEight);
    port->Parity()->SetBits(prNone);
    port->FlowControl()->SetOutCTSFlow(false);
    port->FlowControl()->SetXonXoffIn(false);
    port->SetEvents(AllSerialEvents);
    std::vector<std::string> headings;
    std::string partial;
    port->SetOnRxChar([&](TComponent*, int count) {
        EXPECT_TRUE(IsGuiThread());
        std::string text;
        port->ReadText(text, count);
        partial += text;
        std::size_t at;
        while ((at = partial.find(';')) != std::string::npos) {
            headings.push_back(partial.substr(0, at));
            partial.erase(0, at + 1);
        }
    });
    port->SetConnected(true);

    // The poll timer: one query per tick while connected, as the main window does.
    int sent = 0;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        Guarded([&] {
            if (port->Connected() && headings.size() < 4) sent += port->WriteText("AI1;") / 4;
        });
    });
    tick.start();
    ASSERT_TRUE(testing::ServeUntil([&] {
        QCoreApplication::processEvents();  // lets the timer tick between served calls
        return headings.size() >= 4;
    }));
    tick.stop();
    ASSERT_TRUE(testing::ServeUntil([&] { return rotor.Queries() == sent; }));
    EXPECT_EQ(std::vector<std::string>(headings.begin(), headings.begin() + 4),
              (std::vector<std::string>{"123", "135", "270", "5"}));

    port->SetConnected(false);
    EXPECT_FALSE(port->Connected());
    Guarded([&] {
        if (port->Connected()) sent += port->WriteText("AI1;") / 4;  // a tick after Track off
    });
    EXPECT_EQ(rotor.Queries(), sent);
    EXPECT_EQ(pty.Receive(1, 0), "");  // nothing more reached the line
    delete port;
}

}  // namespace
}  // namespace skyvane
