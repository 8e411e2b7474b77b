// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/ReplyAssembler.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace skyvane {

namespace {

bool IsTerminator(char c) {
    return c == ';' || c == '\r' || c == '\n';
}

// Only what looks like a heading teaches how the line ends its replies: echoes of
// commands and error texts may end differently from the readings.
bool LooksLikeHeading(std::string_view text) {
    if (!text.empty() && text.front() == '-') text.remove_prefix(1);
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

constexpr std::chrono::milliseconds MinimumQuietTime{20};
constexpr double QuietCharacters = 10.0;
// Ten characters at 1 baud would be minutes; a day is past any real line anyway.
constexpr double LongestQuietMs = 86400000.0;

}  // namespace

std::chrono::milliseconds QuietTimeFor(int baudRate, double bitsPerCharacter) {
    if (baudRate <= 0 || !(bitsPerCharacter > 0)) return MinimumQuietTime;
    const double ms =
        std::min(std::ceil(QuietCharacters * bitsPerCharacter * 1000.0 / baudRate), LongestQuietMs);
    return std::max(MinimumQuietTime, std::chrono::milliseconds(static_cast<long long>(ms)));
}

void TReplyAssembler::Feed(std::string_view bytes, std::vector<std::string>& replies) {
    while (!bytes.empty()) {
        const auto end = std::find_if(bytes.begin(), bytes.end(), IsTerminator);
        const std::string_view text =
            bytes.substr(0, static_cast<std::size_t>(end - bytes.begin()));
        if (!discarding_) {
            if (pending_.size() + text.size() > MaxReplyLength) {
                discarding_ = true;
                pending_.clear();
            } else {
                pending_.append(text);
            }
        }
        if (end == bytes.end()) return;
        EndReply(replies);
        bytes.remove_prefix(text.size() + 1);
    }
}

void TReplyAssembler::EndReply(std::vector<std::string>& replies) {
    const bool discarded = std::exchange(discarding_, false);
    std::string reply = std::exchange(pending_, {});
    if (discarded || reply.empty() || reply == RotorQueryEcho) return;
    if (LooksLikeHeading(reply)) ending_ = TReplyEnding::Terminator;
    replies.push_back(std::move(reply));
}

bool TReplyAssembler::AwaitingQuiet() const {
    return ending_ == TReplyEnding::LineGoesQuiet && !discarding_ && !pending_.empty();
}

std::optional<std::string> TReplyAssembler::TakeAtQuiet() {
    // Elsewhere the rest of a reply may still be on its way; an overflowed run stays
    // discarded up to its terminator, quiet or not.
    if (!AwaitingQuiet()) return std::nullopt;
    std::string reply = std::exchange(pending_, {});
    if (reply == RotorQueryEcho) return std::nullopt;
    return reply;
}

std::optional<std::string> TReplyAssembler::QueryDue() {
    std::string reply = std::exchange(pending_, {});
    if (reply.empty() || reply == RotorQueryEcho) return std::nullopt;
    if (ending_ == TReplyEnding::Terminator) {
        // The rest of this reply may still come; it must not pass for a reply itself.
        discarding_ = true;
        return std::nullopt;
    }
    if (LooksLikeHeading(reply)) ending_ = TReplyEnding::LineGoesQuiet;
    return reply;
}

void TReplyAssembler::DropPending() {
    pending_.clear();
    discarding_ = false;
}

void TReplyAssembler::Reset() {
    DropPending();
    ending_ = TReplyEnding::Unknown;
}

}  // namespace skyvane
