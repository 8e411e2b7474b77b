// SPDX-License-Identifier: GPL-3.0-or-later
// The line to the rotor controller while tracking: the port opened and closed with
// Track, the query on each poll tick, the received bytes handed to the readings, and
// a lost line closed, reported once and opened again on later ticks by itself.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace skyvane {

class TSerialPort;
class TRotorReadings;

// Writes one line into the trace log.
using TTraceLine = std::function<void(const std::string& text)>;

// The query sent on each poll tick.
inline constexpr std::string_view RotorQuery = "AI1;";

class TRotorLine {
public:
    // Works on `port` and `readings`, which outlive it; `trace` gets one line per
    // change of the line's state.
    TRotorLine(TSerialPort& port, TRotorReadings& readings, TTraceLine trace);
    ~TRotorLine();

    // Track on: opens the port. A port that cannot be opened is traced and its error
    // raised to the caller; nothing is left tracking then.
    void Start();
    // Track off: closes the port; a lost line is no longer opened again.
    void Stop();
    // Poll tick: a closed line is opened again without a message; an open one gets
    // the query. A line that fails is closed and its error reported once (from the
    // event loop, so the ticks go on under the box), until bytes arrive again or
    // tracking is switched.
    void PollTick();
    // The port's received-characters event: reads what arrived for the readings and
    // measures the quiet time after it, which ends a reply without a terminator and,
    // after a query, the exchange.
    void Received(int count);
    // True while tracking with the port closed (lost, and not yet open again).
    bool Lost() const;
    // True while tracking with the port open.
    bool Open() const;
    // Writes `bytes` (a steering command) while the line is open; false when it is not
    // or the write failed. A failure is handled as a lost line on the next tick, so a
    // write from inside the port's own event never closes the port there.
    bool Send(const std::string& bytes);
    // Runs on each tick just before the query goes out on an open line.
    void SetBeforeQuery(std::function<void()> handler) { beforeQuery_ = std::move(handler); }

private:
    void HandOver(const std::string& bytes);
    void LineQuiet();
    void ArmQuietTimer();
    void LoseLine(const std::exception_ptr& error);
    bool Reopen();
    std::string PortText() const;

    TSerialPort& port_;
    TRotorReadings& readings_;
    TTraceLine trace_;
    QTimer quietTimer_;
    QElapsedTimer sinceBytes_;  // since the last bytes arrived
    bool tracking_ = false;
    bool lossReported_ = false;
    // A read failed inside the port's own event, or a steering write failed: the line is
    // closed on the next tick, outside the port's handler.
    std::exception_ptr lineFailure_;
    std::function<void()> beforeQuery_;
};

}  // namespace skyvane
