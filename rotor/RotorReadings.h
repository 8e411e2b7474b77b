// SPDX-License-Identifier: GPL-3.0-or-later
// The rotor's readings while tracking: whole replies from the received bytes, judged,
// the newest of each delivery handed on, and whether the rotor is still answering.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "rotor/ReplyAssembler.h"

namespace skyvane {

// One accepted reply: the text shown and its value.
struct AzimuthReading {
    std::string text;  // as received, leading zeros kept
    int degrees = 0;
    bool operator==(const AzimuthReading&) const = default;
};

// What a whole reply means: its reading, or nothing when it is to be ignored.
using TReplyJudge = std::function<std::optional<AzimuthReading>(std::string reply)>;
// The newest reading a delivery of bytes (or a quiet line, or a due query) brought.
using TReadingEvent = std::function<void(const AzimuthReading& reading)>;
// The rotor stopped answering (stale true), or answers again (false).
using TStaleEvent = std::function<void(bool stale)>;

// Knows nothing of ports or windows: the owner feeds it the bytes that arrive, tells
// it of poll ticks, of a quiet line and of the line closing, and shows what it hands
// back. Time is counted in poll ticks; the quiet time is measured by the owner.
class TRotorReadings {
public:
    // Poll periods in a row without an accepted reply after which readings are stale.
    static constexpr int StalePeriods = 3;

    explicit TRotorReadings(TReplyJudge judge);

    // Tracking starts: nothing held or learnt of the line is kept, and the count of
    // unanswered periods begins afresh. Staleness stays until a reply is accepted.
    void StartTracking();
    // Tracking stops: nothing more becomes stale, and no reading is live.
    void StopTracking();
    // A poll period begins, just before its query goes out (or would, on a lost
    // line): the last exchange ends (see TReplyAssembler::QueryDue), and a fourth
    // period begun after three in a row without an accepted reply makes the readings
    // stale.
    void PollTick();
    // Bytes arrived: every reply they complete is judged and counted; only the newest
    // accepted one is handed on, since a burst shows nothing of the older ones.
    void Received(std::string_view bytes);
    // True when received text waits for the line to go quiet (see LineQuiet).
    bool AwaitingQuiet() const { return assembler_.AwaitingQuiet(); }
    // True when the quiet must be told as soon as it comes (see TReplyAssembler).
    bool QuietMatters() const { return assembler_.QuietMatters(); }
    // The line has been quiet for its quiet time: digits it ends count as a reply.
    void LineQuiet();
    // The line closed: a reply in progress is dropped.
    void LineClosed() { assembler_.DropPending(); }

    // The bytes held of a reply in progress (bounded, see TReplyAssembler).
    std::size_t HeldBytes() const { return assembler_.HeldBytes(); }
    // True while tracking.
    bool Tracking() const { return tracking_; }
    // Replies accepted since tracking started, handed on or not.
    long AcceptedCount() const { return accepted_; }
    // True from the end of the third unanswered period until the next accepted reply.
    bool Stale() const { return stale_; }
    // The latest reading accepted since tracking started, while tracking and not
    // stale; nothing otherwise, so an old heading is never passed off as live.
    std::optional<AzimuthReading> LatestLiveReading() const;

    // Called once per delivery, quiet line or due query that brought an accepted
    // reading, with the newest.
    void SetOnReading(TReadingEvent handler) { onReading_ = std::move(handler); }
    const TReadingEvent& OnReading() const { return onReading_; }
    // Called when Stale changes.
    void SetOnStaleChange(TStaleEvent handler) { onStaleChange_ = std::move(handler); }
    const TStaleEvent& OnStaleChange() const { return onStaleChange_; }

private:
    bool Judge(std::string reply);
    void Show();
    void SetStale(bool stale);

    TReplyJudge judge_;
    TReplyAssembler assembler_;
    bool tracking_ = false;
    bool stale_ = false;
    int periodsUnanswered_ = 0;
    long accepted_ = 0;
    std::optional<AzimuthReading> latest_;
    TReadingEvent onReading_;
    TStaleEvent onStaleChange_;
};

}  // namespace skyvane
