// SPDX-License-Identifier: GPL-3.0-or-later
// The Hamlib rotor link: any rotor model Hamlib drives, on a serial device or (the
// network models) at a host:port, through libhamlib. Every libhamlib call may block for
// its time-outs and retries, so all of them run on a worker thread of the link's own;
// the GUI thread only queues requests and gets the results back as queued calls. Polled
// on each tick like the built-in line; a lost rotor is reported once with Hamlib's own
// text and the model's name, and opened again on later ticks by itself.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "rotor/RotorLink.h"
#include "rotor/RotorReadings.h"

namespace skyvane {

// Which rotor, and where.
struct THamlibRotor {
    int model = 0;     // Hamlib's model number
    std::string port;  // device path, or host:port for the network models
    int speed = 0;     // serial speed in bit/s; 0: the model's own default
    // The range to give the library's own check of turn targets; nothing: its own.
    std::optional<TAzimuthRange> range;
};

// Writes one line into the trace log.
using THamlibTrace = std::function<void(const std::string& text)>;

class THamlibRotorLink : public TRotorLink {
public:
    // Drives `rotor`; `trace` gets one line per change of the line (on the GUI thread).
    THamlibRotorLink(THamlibRotor rotor, THamlibTrace trace);
    // Waits for a call in progress on the worker, drops the rest and closes the rotor.
    ~THamlibRotorLink() override;

    // Queues the opening; the line counts as lost until it has opened, and a failure is
    // reported (once) when the worker has it. Never raises.
    void StartTracking() override;
    void StopTracking() override;
    // Queues a position query (one at a time), or another try to open a lost rotor.
    void PollTick() override;
    bool Open() const override { return tracking_ && open_; }
    bool Lost() const override { return tracking_ && !open_; }
    bool Stale() const override { return readings_.Stale(); }
    std::optional<AzimuthReading> LatestLiveReading() const override;
    bool Turn(int azimuth) override;
    bool StopTurning() override;
    // The model's own park command, or a turn to the park heading where it has none.
    bool Park() override;
    // The range the opened rotor reports (a network rotor: its server's), else the
    // model's capabilities.
    std::optional<TAzimuthRange> NativeRange() const override { return range_; }

    // The heading a model without a park command of its own turns to, in its own degrees.
    void SetParkHeading(int heading) { parkHeading_ = heading; }
    // Hamlib's model number and name, as in the messages.
    std::string ModelText() const;

private:
    struct TWorker;
    using TJob = std::function<void(TWorker&)>;

    void Queue(TJob job);
    void QueueOpen();
    void Opened(unsigned generation, int code, TAzimuthRange range, bool canPark);
    void Failed(unsigned generation, int code, const std::string& doing);
    void Reading(unsigned generation, double azimuth);
    bool Send(const std::string& doing, std::function<int(TWorker&)> call);

    THamlibRotor rotor_;
    THamlibTrace trace_;
    TRotorReadings readings_;
    std::optional<TAzimuthRange> range_;
    int parkHeading_ = 0;
    bool canPark_ = false;
    bool tracking_ = false;
    bool open_ = false;
    bool opening_ = false;
    bool polling_ = false;
    bool failureReported_ = false;
    // Counts tracking sessions: a result of an earlier one is ignored.
    unsigned generation_ = 0;
    // Results from the worker are queued calls on this object, which lives on the GUI
    // thread and goes with the link, taking any still undelivered with it.
    QObject context_;
    std::unique_ptr<TWorker> worker_;
};

}  // namespace skyvane
