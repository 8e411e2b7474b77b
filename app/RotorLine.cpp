// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RotorLine.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "rotor/ReplyAssembler.h"
#include "rotor/RotorReadings.h"
#include "serial/SerialPort.h"
#include "toolkit/Exception.h"
#include "toolkit/ExceptionReport.h"

namespace skyvane {

namespace {

// The quiet time of the port's line: ten characters of start, data, parity and stop bits.
std::chrono::milliseconds LineQuietTime(const TSerialPort& port) {
    const platform::LineSettings line = port.DeviceLineSettings();
    const double stopBits = line.stopBits == 0 ? 1.0 : line.stopBits == 1 ? 1.5 : 2.0;
    const double bits = 1.0 + line.byteSize + (line.parity != 0 ? 1.0 : 0.0) + stopBits;
    return QuietTimeFor(line.baudRate, bits);
}

}  // namespace

TRotorLine::TRotorLine(TSerialPort& port, TRotorReadings& readings, TTraceLine trace)
    : port_(port), readings_(readings), trace_(std::move(trace)) {
    quietTimer_.setSingleShot(true);
    quietTimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&quietTimer_, &QTimer::timeout, &quietTimer_,
                     [this] { Guarded([this] { LineQuiet(); }); });
}

TRotorLine::~TRotorLine() = default;

std::string TRotorLine::PortText() const {
    return "COM(" + port_.Port() + ")";
}

void TRotorLine::Start() {
    lossReported_ = false;
    lineFailure_ = nullptr;
    readings_.StartTracking();
    try {
        port_.SetConnected(true);
    } catch (...) {
        readings_.StopTracking();
        trace_("Track on: " + PortText() +
               " cannot be opened: " + ExceptionMessage(std::current_exception()));
        throw;
    }
    tracking_ = true;
    trace_("Track on: " + PortText() + " open");
}

void TRotorLine::Stop() {
    tracking_ = false;
    lineFailure_ = nullptr;
    quietTimer_.stop();
    readings_.StopTracking();
    trace_("Track off");
    port_.SetConnected(false);
}

bool TRotorLine::Lost() const {
    return tracking_ && !port_.Connected();
}

bool TRotorLine::Open() const {
    return tracking_ && port_.Connected();
}

bool TRotorLine::Send(const std::string& bytes) {
    if (!Open() || lineFailure_) return false;
    try {
        port_.WriteText(bytes);
        return true;
    } catch (...) {
        lineFailure_ = std::current_exception();
        return false;
    }
}

void TRotorLine::PollTick() {
    if (!tracking_) return;
    // A quiet nothing waited for is told now, before the exchange ends.
    if (readings_.AwaitingQuiet() && !quietTimer_.isActive() && sinceBytes_.isValid() &&
        std::chrono::milliseconds(sinceBytes_.elapsed()) >= LineQuietTime(port_))
        LineQuiet();
    readings_.PollTick();
    // Bytes still arriving hold the exchange open until the line goes quiet.
    ArmQuietTimer();
    if (lineFailure_) {
        LoseLine(std::exchange(lineFailure_, nullptr));
        return;
    }
    if (!port_.Connected() && !Reopen()) return;
    if (beforeQuery_) beforeQuery_();
    if (lineFailure_) {
        LoseLine(std::exchange(lineFailure_, nullptr));
        return;
    }
    try {
        port_.WriteText(std::string(RotorQuery));
    } catch (...) {
        LoseLine(std::current_exception());
    }
}

bool TRotorLine::Reopen() {
    try {
        port_.SetConnected(true);
    } catch (...) {
        // Expected while the adapter is away; the loss has been reported already.
        return false;
    }
    trace_(PortText() + " open again");
    return true;
}

void TRotorLine::LoseLine(const std::exception_ptr& error) {
    quietTimer_.stop();
    readings_.LineClosed();
    trace_(PortText() + " lost: " + ExceptionMessage(error));
    try {
        port_.SetConnected(false);
    } catch (...) {
        // The device is gone; whatever closing it still finds wrong changes nothing.
    }
    if (std::exchange(lossReported_, true)) return;
    // The report's box waits for the user; shown from this tick it would hold the
    // poll timer until then. From the event loop, ticks go on under it and reopen
    // the line as soon as the adapter is back.
    QTimer::singleShot(0, &quietTimer_, [error] { ReportException(error); });
}

void TRotorLine::Received(int count) {
    std::string bytes;
    try {
        port_.ReadText(bytes, count);
    } catch (...) {
        if (!lineFailure_) lineFailure_ = std::current_exception();
        return;
    }
    HandOver(bytes);
}

void TRotorLine::HandOver(const std::string& bytes) {
    if (bytes.empty()) return;
    // Bytes that arrive prove the line again: a later loss is worth a report.
    lossReported_ = false;
    sinceBytes_.start();
    readings_.Received(bytes);
    ArmQuietTimer();
}

// The quiet is waited for only where it changes what the line gives: a reply that
// ended with its terminator costs no wake-up after it.
void TRotorLine::ArmQuietTimer() {
    if (!readings_.QuietMatters()) {
        quietTimer_.stop();
        return;
    }
    const auto since = std::chrono::milliseconds(sinceBytes_.isValid() ? sinceBytes_.elapsed() : 0);
    quietTimer_.start(std::max(std::chrono::milliseconds(0), LineQuietTime(port_) - since));
}

void TRotorLine::LineQuiet() {
    // Bytes the port holds but has not handed over yet mean the line was not quiet.
    int waiting = 0;
    try {
        if (port_.Connected()) waiting = port_.BytesWaiting();
    } catch (...) {
        // A failing line shows itself at the next tick's query.
    }
    if (waiting > 0)
        Received(waiting);
    else
        readings_.LineQuiet();
}

}  // namespace skyvane
