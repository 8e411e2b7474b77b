// SPDX-License-Identifier: GPL-3.0-or-later
// Whole rotor replies from the bytes of a serial line, however the line cuts them.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skyvane {

// The query the program sends; a controller that echoes it sends this text back
// (ended by one of the terminators) before its reply.
inline constexpr std::string_view RotorQueryEcho = "AI1";

// How long a line must stay quiet before text without a terminator counts as a
// whole reply: ten character times at the given speed and character size (start,
// data, parity and stop bits), never less than 20 ms.
std::chrono::milliseconds QuietTimeFor(int baudRate, double bitsPerCharacter);

// Cuts the received byte stream into replies, one exchange at a time: what arrives
// after one query, until the next query has gone out and the line has gone quiet,
// belongs to that query. A reply ends at ";", CR or LF; empty replies (as between CR
// and LF, or before the digits of ";123") and the echo of the query are left out.
// Where the exchange's first ";" came before a reply (";123", "AI1;;123"), digits
// without a terminator end when the line goes quiet or at a byte that cannot stand
// in a number (";123 "); elsewhere when the exchange ends, so the first piece of a
// slow "123;" is never taken for a whole reply. Junk that the line's going quiet
// leaves behind is dropped, and nothing of one exchange outlives it: how one
// exchange was laid out never decides how the next is read. The text held is
// bounded: a longer run without a terminator is thrown away up to its end.
class TReplyAssembler {
public:
    // Longest reply kept; "AI1;;-2147483648\r\n" holds nothing longer than 11.
    static constexpr std::size_t MaxReplyLength = 32;

    // Takes the next received bytes and appends the replies they complete to
    // `replies`, in the order they arrived.
    void Feed(std::string_view bytes, std::vector<std::string>& replies);
    // True when bytes arrived since the line was last quiet: the owner measures the
    // quiet time and then calls LineQuiet.
    bool AwaitingQuiet() const { return sinceQuiet_; }
    // True while the quiet, when it comes, changes what the line gives: bytes held,
    // junk being dropped, or an exchange waiting to end. Otherwise nothing but the
    // next QueryDue depends on it, and the owner may tell of the quiet just before.
    bool QuietMatters() const {
        return sinceQuiet_ && (discarding_ || !token_.empty() || queryDue_);
    }
    // The line has been quiet for the quiet time since the last bytes: the reply it
    // ends, if any.
    std::optional<std::string> LineQuiet();
    // The next query is due: the exchange ends now, with the reply it still held
    // (digits that never got a terminator), or, while bytes are still arriving, as
    // soon as the line goes quiet.
    std::optional<std::string> QueryDue();
    // The line closed: everything held is dropped.
    void DropPending();
    // A new session: the same as a closed line.
    void Reset() { DropPending(); }
    // The bytes held of a reply in progress; never above MaxReplyLength.
    std::size_t HeldBytes() const { return token_.size(); }

private:
    void Take(char c, std::vector<std::string>& replies);
    void EndToken(char terminator, std::vector<std::string>& replies);
    bool SeparatorFirst() const { return layoutKnown_ && separatorFirst_; }
    std::optional<std::string> TakeUnended();
    std::optional<std::string> EndExchange();

    // The text since the last terminator.
    std::string token_;
    bool discarding_ = false;  // that text ran too long: thrown away up to its end
    bool suspended_ = false;   // digits the quiet line left waiting for more or for their end
    bool sinceQuiet_ = false;  // bytes arrived since the line was last quiet
    bool queryDue_ = false;    // the next query went out: the exchange ends at the next quiet

    // What this exchange has shown of its layout.
    bool headingEnded_ = false;    // a heading was ended by a terminator
    bool layoutKnown_ = false;     // its first ";" (the echo's aside) has come
    bool separatorFirst_ = false;  // ...and ended nothing: ";123"
};

}  // namespace skyvane
