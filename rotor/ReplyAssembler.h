// SPDX-License-Identifier: GPL-3.0-or-later
// Whole rotor replies from the bytes of a serial line, however the line cuts them.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
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

// What has been seen of how the line ends its replies.
enum class TReplyEnding : std::uint8_t {
    Unknown,       // no heading seen yet
    Terminator,    // a heading was followed by ";", CR or LF ("123;", "AI1;;123\r\n")
    LineGoesQuiet  // a heading stood a whole poll period without one (";123", "123")
};

// Cuts the received byte stream into replies. A reply ends at ";", CR or LF; empty
// replies (as between CR and LF, or before the digits of ";123") and the echo of the
// query are left out. Text that no terminator follows ends when the line goes quiet,
// once the line is known to end its replies that way; until then it ends when the
// next query is due, so the first piece of a slow "123;" is never taken for a whole
// reply. The text held is bounded: a longer run without a terminator is thrown away
// up to the next terminator.
class TReplyAssembler {
public:
    // Longest reply kept; "AI1;;-2147483648\r\n" holds nothing longer than 11.
    static constexpr std::size_t MaxReplyLength = 32;

    // Takes the next received bytes and appends the replies they complete to
    // `replies`, in the order they arrived.
    void Feed(std::string_view bytes, std::vector<std::string>& replies);
    // True when text waits that a quiet line turns into a reply.
    bool AwaitingQuiet() const;
    // The line has been quiet for the quiet time: the waiting text when AwaitingQuiet
    // (an echo of the query is dropped instead); otherwise nothing, and what is held
    // stays.
    std::optional<std::string> TakeAtQuiet();
    // The next query is due: text still waiting since the last one is a whole reply
    // (returned) unless the line ends its replies with a terminator; there it is the
    // start of a reply that never ended, and it is thrown away with whatever of it
    // still comes, up to its terminator.
    std::optional<std::string> QueryDue();
    // The line closed: everything held is dropped; what was learnt of the line stays.
    void DropPending();
    // A new session: everything held and everything learnt of the line are dropped.
    void Reset();
    // How the line ends its replies, as far as seen.
    TReplyEnding Ending() const { return ending_; }
    // The bytes held of a reply in progress; never above MaxReplyLength.
    std::size_t HeldBytes() const { return pending_.size(); }

private:
    void EndReply(std::vector<std::string>& replies);

    std::string pending_;      // the reply being received
    bool discarding_ = false;  // the reply in progress is thrown away up to its terminator
    TReplyEnding ending_ = TReplyEnding::Unknown;
};

}  // namespace skyvane
