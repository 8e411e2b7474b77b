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

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A byte that may stand in a number as the reply rules read it (".", "," and "-"
// make a reply that is rejected, not one that ends early).
bool MayBeInNumber(char c) {
    return IsDigit(c) || c == '-' || c == '.' || c == ',';
}

// Text that more digits could still turn into a heading: an optional "-", then digits.
bool MayBecomeHeading(std::string_view text) {
    if (!text.empty() && text.front() == '-') text.remove_prefix(1);
    return std::all_of(text.begin(), text.end(), IsDigit);
}

// Only what looks like a heading tells how the exchange lays out its replies:
// echoes of commands and error texts may end differently from the readings.
bool LooksLikeHeading(std::string_view text) {
    return MayBecomeHeading(text) && text != "" && text != "-";
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
    if (bytes.empty()) return;
    sinceQuiet_ = true;
    for (char c : bytes) Take(c, replies);
}

void TReplyAssembler::Take(char c, std::vector<std::string>& replies) {
    if (std::exchange(suspended_, false) && !IsDigit(c) && !IsTerminator(c)) {
        // The quiet line did end the digits: what follows is something else.
        if (std::optional<std::string> reply = TakeUnended()) replies.push_back(std::move(*reply));
    }
    if (IsTerminator(c)) return EndToken(c, replies);
    if (discarding_) return;
    if (!MayBeInNumber(c) && !token_.empty() && MayBecomeHeading(token_) && SeparatorFirst()) {
        // Nothing marks the end of ";123" but what follows the digits: a stray byte
        // right after them ends them as the quiet line would.
        if (std::optional<std::string> reply = TakeUnended()) replies.push_back(std::move(*reply));
    }
    if (token_.size() == MaxReplyLength) {
        discarding_ = true;
        token_.clear();
        return;
    }
    token_.push_back(c);
}

void TReplyAssembler::EndToken(char terminator, std::vector<std::string>& replies) {
    std::string text = std::exchange(token_, {});
    const bool discarded = std::exchange(discarding_, false);
    if (text == RotorQueryEcho && !discarded) return;  // its ";" tells nothing of the layout
    // The exchange's first ";" either ends a reply ("123;") or comes before one (";123").
    if (terminator == ';' && !std::exchange(layoutKnown_, true))
        separatorFirst_ = text.empty() && !discarded;
    if (discarded || text.empty()) return;
    headingEnded_ |= LooksLikeHeading(text);
    replies.push_back(std::move(text));
}

std::optional<std::string> TReplyAssembler::TakeUnended() {
    suspended_ = false;
    std::string text = std::exchange(token_, {});
    // Where this exchange ends its headings with a terminator, digits without one
    // are a piece of a reply whose rest never came.
    if (text.empty() || (headingEnded_ && !SeparatorFirst())) return std::nullopt;
    return text;
}

std::optional<std::string> TReplyAssembler::LineQuiet() {
    if (!std::exchange(sinceQuiet_, false)) return std::nullopt;
    std::optional<std::string> reply;
    if (std::exchange(discarding_, false) || !MayBecomeHeading(token_)) {
        token_.clear();  // junk ends with the quiet; it never sticks to the next reply
    } else if (!token_.empty()) {
        if (SeparatorFirst())
            reply = TakeUnended();
        else
            suspended_ = true;  // "12" of a slow "123;" waits for the rest
    }
    if (std::exchange(queryDue_, false))
        if (std::optional<std::string> last = EndExchange()) reply = std::move(last);
    return reply;
}

std::optional<std::string> TReplyAssembler::QueryDue() {
    // Bytes still arriving belong to the exchange they started in.
    if (sinceQuiet_) {
        queryDue_ = true;
        return std::nullopt;
    }
    return EndExchange();
}

std::optional<std::string> TReplyAssembler::EndExchange() {
    std::optional<std::string> reply = suspended_ ? TakeUnended() : std::nullopt;
    DropPending();
    return reply;
}

void TReplyAssembler::DropPending() {
    token_.clear();
    discarding_ = suspended_ = sinceQuiet_ = queryDue_ = false;
    headingEnded_ = layoutKnown_ = separatorFirst_ = false;
}

}  // namespace skyvane
