// SPDX-License-Identifier: GPL-3.0-or-later
// Random exchanges with a rotor controller and an oracle for what the readings must
// show of them; shared by the property test and the fuzz target. Each exchange: a
// query, then an answer in a random layout ("123;", "045\r\n", ";123", "AI1;;123",
// "123"), maybe doubled, with junk before, between and after, cut into random reads,
// with quiet moments where a real line may have them and the next query now and then
// while the answer is still arriving. Where a layout marks no end (";123", "123") the
// line's going quiet is that end, so no quiet moment falls inside those digits, and
// once the next query is out the answer goes on without a pause.
#pragma once

#include <algorithm>
#include <cctype>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/Azimuth.h"
#include "rotor/RotorReadings.h"

namespace skyvane::test {

// Picks a number in 0..n-1 (a seeded generator, or the fuzzer's bytes).
using TPick = std::function<unsigned(unsigned n)>;

struct TExchangeStep {
    enum Kind { Bytes, Quiet, Poll } kind;
    std::string bytes;
};

struct TSentReply {
    std::string text;
    bool valid;       // the reply rules accept it
    std::size_t end;  // stream offset just past its last byte
    int pollsBefore;  // queries sent before its last byte arrived
};

struct TExchanges {
    std::vector<TExchangeStep> steps;
    std::vector<TSentReply> replies;
};

inline TExchanges MakeExchanges(const TPick& pick, int exchanges) {
    static const std::string junk[] = {" ",
                                       std::string(1, '\0'),
                                       "\r\n",
                                       "xyz",
                                       "E",
                                       "SKYVANE ROTORSIM V1.0\r\n",
                                       std::string(40, '7')};
    static const char* const texts[] = {"ERR", "12.5", " 90", "2147483648", "-", "1,5"};
    static const char* const ends[] = {";", "\r", "\n", "\r\n", ";\r\n"};
    TExchanges x;
    std::size_t offset = 0;
    int polls = 0;
    std::string chunk;
    const auto flush = [&] {
        if (!chunk.empty()) x.steps.push_back({TExchangeStep::Bytes, std::exchange(chunk, {})});
    };
    const auto event = [&](TExchangeStep::Kind kind) {
        flush();
        x.steps.push_back({kind, {}});
        polls += kind == TExchangeStep::Poll;
    };
    const auto junkText = [&] {
        std::string j;
        for (unsigned n = pick(3) + 1; n > 0; --n) j += junk[pick(7)];
        return j;
    };
    bool polled = pick(2) == 0;  // the first answer may come before the first query
    for (int k = 0; k < exchanges; ++k) {
        if (!polled) event(TExchangeStep::Poll);
        polled = false;
        if (pick(8) == 0) continue;  // no answer this period
        // The answer as bytes, each marked with whether a quiet moment may precede it.
        std::string answer;
        std::vector<bool> quietBefore;
        std::vector<std::pair<std::string, std::size_t>> replies;  // text, end in answer
        const auto add = [&](const std::string& bytes, bool quietInside, bool quietFirst = true) {
            for (std::size_t i = 0; i < bytes.size(); ++i)
                quietBefore.push_back(i == 0 ? quietFirst : quietInside);
            answer += bytes;
        };
        const unsigned layout = pick(3);  // 0: "123;", 1: ";123", 2: "123"
        if (pick(4) == 0) add("AI1;", false);
        if (pick(6) == 0) add(junkText() + "\r\n", false);
        const std::string end = layout == 0 ? ends[pick(5)] : layout == 1 && pick(2) ? "\r\n" : "";
        for (unsigned n = layout == 2 ? 1 : pick(5) == 0 ? 2 : 1, i = 0; i < n; ++i) {
            if (i > 0 && pick(3) == 0) add("\r" + junkText() + "\n", false);
            std::string text = pick(6) == 0 ? texts[pick(6)] : std::to_string(int(pick(400)) - 20);
            if (pick(3) == 0 && text.size() < 3 && text[0] != '-')
                text.insert(0, 3 - text.size(), '0');
            if (layout == 1) add(";", false);
            // Digits of "123;" may pause; junk that pauses before its ";" would pass for ";123".
            const bool digits = text.find_first_not_of("-0123456789") == std::string::npos;
            add(text, layout == 0 && digits);
            replies.push_back({text, answer.size()});
            if (layout == 0 || i + 1 == n) add(end, false, layout != 0 || digits);
        }
        // After ";123" a stray byte may follow at once, if no digit: it ends the digits.
        if (const std::string j = junkText(); pick(3) == 0)
            add((layout == 0 || (layout == 1 && !std::isdigit(j[0])) ? "" : "\r") + j, false);
        const std::size_t straddle =
            pick(6) == 0 ? pick(unsigned(answer.size())) + 1 : answer.size() + 1;
        for (std::size_t at = 0, r = 0; at < answer.size(); ++at) {
            if (at == straddle)
                event(TExchangeStep::Poll), polled = true;
            else if (at > 0 && at < straddle && quietBefore[at] && pick(6) == 0)
                event(TExchangeStep::Quiet);
            else if (pick(4) == 0)
                flush();
            chunk += answer[at];
            for (; r < replies.size() && replies[r].second == at + 1; ++r)
                x.replies.push_back({replies[r].first,
                                     ParseRotorReply(replies[r].first).has_value(), offset + at + 1,
                                     polls});
        }
        offset += answer.size();
        if (straddle == answer.size()) event(TExchangeStep::Poll), polled = true;
        event(TExchangeStep::Quiet);
    }
    for (auto kind : {TExchangeStep::Poll, TExchangeStep::Quiet, TExchangeStep::Poll})
        if (!std::exchange(polled, false) || kind != TExchangeStep::Poll) event(kind);
    return x;
}

// Plays the exchanges into fresh readings with the program's reply rules; empty when
// every property held, else what went wrong:
// - what is shown is a whole, valid reply that has arrived, never older than the last
//   shown, and once per delivery: the newest that delivery brought;
// - every valid reply is shown (or a newer one) once both the next query has gone out
//   and the line has gone quiet after it, so the newest is left shown at the end;
// - the readings are not stale while valid replies came within the last periods;
// - the text held stays bounded.
inline std::string CheckExchanges(const TExchanges& x) {
    std::vector<std::string> accepted;
    std::vector<AzimuthReading> shown;
    TRotorReadings readings([&](std::string reply) {
        auto reading = ParseRotorReply(std::move(reply));
        if (reading) accepted.push_back(reading->text);
        return reading;
    });
    readings.SetOnReading([&](const AzimuthReading& r) { shown.push_back(r); });
    readings.StartTracking();
    std::size_t fed = 0;
    int polls = 0, last = -1;
    std::vector<bool> polledAfter(x.replies.size()), quietAfter(x.replies.size());
    for (const TExchangeStep& step : x.steps) {
        accepted.clear();
        shown.clear();
        if (step.kind == TExchangeStep::Bytes)
            readings.Received(step.bytes), fed += step.bytes.size();
        if (step.kind == TExchangeStep::Quiet) readings.LineQuiet();
        if (step.kind == TExchangeStep::Poll) readings.PollTick(), ++polls;
        if (shown.size() > 1) return "more than one reading shown for one delivery";
        if (!accepted.empty() && (shown.empty() || shown[0].text != accepted.back()))
            return "the newest accepted reply " + accepted.back() + " not shown";
        for (const AzimuthReading& r : shown) {
            int match = -1;
            // The newest arrived reply of that text (the last shown may come again).
            for (int i = std::max(last, 0); i < int(x.replies.size()); ++i)
                if (x.replies[i].valid && x.replies[i].text == r.text && x.replies[i].end <= fed)
                    match = i;
            if (match < 0) return "shown \"" + r.text + "\", which is no whole reply arrived";
            if (AzimuthValue(r.text) != r.degrees) return "wrong value for " + r.text;
            last = match;
        }
        for (std::size_t i = 0; i < x.replies.size(); ++i) {
            const TSentReply& reply = x.replies[i];
            if (reply.end > fed || (step.kind == TExchangeStep::Bytes)) continue;
            (step.kind == TExchangeStep::Poll ? polledAfter : quietAfter)[i] = true;
            if (reply.valid && polledAfter[i] && quietAfter[i] && last < int(i))
                return "reply " + reply.text + " never shown nor superseded";
            // Shown by the query after it at the latest, it keeps three more periods live.
            if (step.kind == TExchangeStep::Poll && reply.valid && reply.pollsBefore >= polls - 3 &&
                reply.pollsBefore <= polls - 2 && readings.Stale())
                return "stale while " + reply.text + " came lately";
        }
        if (readings.HeldBytes() > TReplyAssembler::MaxReplyLength) return "too much held";
    }
    return {};
}

}  // namespace skyvane::test
