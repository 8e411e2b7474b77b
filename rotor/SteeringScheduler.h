// SPDX-License-Identifier: GPL-3.0-or-later
// Steering between polls. The line to the controller carries the heading query and its
// reply once a second; a turn or stop asked for meanwhile must not land between a query
// and its reply, so it waits until the reply is in (or the next poll begins) and then
// goes out. Only the latest request waits: a newer one replaces it. The line is paced:
// MaxCommandsPerPeriod steering commands per poll period at most (a turn and a stop
// go out at once; a flood waits its turn), so that however fast clients ask, each
// period's query and reply get through. A request equal to the one waiting, or to the
// one on its way (written, and not yet followed by an answered query), is dropped.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "rotor/RotorAccess.h"

namespace skyvane {

class TSteeringScheduler : public TRotorAccess {
public:
    // What the scheduler needs of the line: the latest live reading (nothing while
    // there is none), whether the line to the controller is open now (tracking with a
    // line that has not been lost), and a writer of bytes to the controller that returns
    // false when the line failed.
    using TLiveHeading = std::function<std::optional<int>()>;
    using TLineOpen = std::function<bool()>;
    using TWriter = std::function<bool(const std::string& bytes)>;

    TSteeringScheduler(TLiveHeading liveHeading, TLineOpen lineOpen, TWriter write);

    // The rotor can be steered: the line to it is open. A rotor that stopped answering
    // may still take a stop, so a live reading is not asked for.
    bool CanSteer() const override { return lineOpen_(); }

    // The window is about to write its heading query: what waits goes first, then the
    // line belongs to the query until QueryAnswered.
    void QueryStarting();
    // The reply to the query is complete: what waits goes out now.
    void QueryAnswered();
    // Tracking stopped or the line was lost: what waits is dropped.
    void LineClosed();

    // True while a request waits for the line.
    bool Waiting() const { return waiting_.has_value(); }

    std::optional<int> LiveHeading() const override { return liveHeading_(); }
    bool RequestTurn(int heading) override;
    bool RequestStop() override;
    // Toward the heading of the latest turn until it is reached, a stop is asked for, or
    // the readings stand still for StillReadings replies in a row.
    int Turning() const override;

    // Replies in a row with the same heading after which a turn counts as ended.
    static constexpr int StillReadings = 3;
    // Steering commands written in one poll period at most: 3 × 11 bytes take 69 ms
    // at 4800 baud and 275 ms at 1200, leaving the query and its reply their time.
    static constexpr int MaxCommandsPerPeriod = 3;

private:
    bool Request(std::string bytes);
    bool Flush();

    TLiveHeading liveHeading_;
    TLineOpen lineOpen_;
    TWriter write_;
    std::optional<std::string> waiting_;
    std::optional<std::string> onItsWay_;  // the command written last, until answered
    bool onItsWayQueried_ = false;         // a query has followed it
    int sentThisPeriod_ = 0;               // steering commands written this period
    bool queryOut_ = false;
    std::optional<int> target_;       // the heading of the latest turn
    std::optional<int> lastHeading_;  // the heading at the latest answered query
    int stillReplies_ = 0;
};

}  // namespace skyvane
