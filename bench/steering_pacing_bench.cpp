// SPDX-License-Identifier: GPL-3.0-or-later
// Poll gaps on a slow line under a steering flood. A discrete-event model of the line
// (4800 baud: 480 bytes a second, an output queue of 4096 bytes whose writer blocks
// while it is full, a controller that answers a whole query after 5 ms), a poll every
// 1000 ms, and clients asking for a turn 200 times a second for 20 s. It runs the
// steering as it was (each request written as soon as no query waits for its reply)
// and the paced scheduler, and prints the gaps between replies with the steering bytes
// written. Usage: steering_pacing_bench [seconds] [seed]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "rotor/Steering.h"
#include "rotor/SteeringScheduler.h"

using namespace skyvane;

namespace {

constexpr double BytesPerMs = 4800.0 / 10 / 1000;
constexpr std::size_t QueueLimit = 4096;
constexpr double TurnaroundMs = 5;
constexpr double PollMs = 1000;
constexpr double RequestEveryMs = 5;  // 200 a second
const std::string Query = "AI1;";
const std::string Reply = "123;";

// The steering before pacing: the latest request waits only while a query is out.
class TUnpaced {
public:
    explicit TUnpaced(TSteeringScheduler::TWriter write) : write_(std::move(write)) {}
    void QueryStarting() {
        queryOut_ = false;
        Flush();
        queryOut_ = true;
    }
    void QueryAnswered() {
        queryOut_ = false;
        Flush();
    }
    bool RequestTurn(int heading) {
        waiting_ = *TurnCommand(heading);
        return queryOut_ || Flush();
    }

private:
    bool Flush() {
        if (!waiting_) return true;
        const std::string bytes = std::move(*waiting_);
        waiting_.reset();
        return write_(bytes);
    }
    TSteeringScheduler::TWriter write_;
    std::optional<std::string> waiting_;
    bool queryOut_ = false;
};

// The line: bytes leave the queue at the line's speed, in order; the end of a query
// makes the controller answer.
struct TLine {
    double now = 0;
    double queued = 0;           // bytes in the output queue
    std::deque<double> replies;  // when the replies to queries written are complete
    std::size_t steeringBytes = 0;

    // Lets the line run until `until`.
    void RunTo(double until) {
        if (until <= now) return;
        queued = std::max(0.0, queued - (until - now) * BytesPerMs);
        now = until;
    }
    // The program's blocking write: it returns once the bytes are in the queue.
    bool Write(const std::string& bytes, bool query) {
        const double size = double(bytes.size());
        if (queued + size > QueueLimit) RunTo(now + (queued + size - QueueLimit) / BytesPerMs);
        queued += size;
        if (query)
            replies.push_back(now + queued / BytesPerMs + TurnaroundMs +
                              double(Reply.size()) / BytesPerMs);
        else
            steeringBytes += bytes.size();
        return true;
    }
};

struct TFigures {
    std::vector<double> gaps;
    std::size_t steeringBytes = 0;
};

template <class Scheduler>
TFigures Run(double seconds, unsigned seed, Scheduler& steering, TLine& line) {
    std::mt19937 random(seed);
    TFigures figures;
    double nextTick = PollMs, nextRequest = 0, lastReply = 0;
    const double end = seconds * 1000;
    while (true) {
        const double replyAt = line.replies.empty() ? 1e18 : line.replies.front();
        const double next = std::min({nextTick, nextRequest < end ? nextRequest : 1e18, replyAt});
        if (next > end + 3 * PollMs) break;
        line.RunTo(next);  // a blocked writer has already moved the clock past `next`
        if (!line.replies.empty() && line.replies.front() <= line.now) {
            line.replies.pop_front();
            figures.gaps.push_back(line.now - lastReply);
            lastReply = line.now;
            steering.QueryAnswered();
        } else if (nextTick <= line.now) {
            // The poll timer does not queue missed ticks.
            while (nextTick <= line.now) nextTick += PollMs;
            steering.QueryStarting();
            line.Write(Query, true);
        } else {
            nextRequest += RequestEveryMs;
            steering.RequestTurn(static_cast<int>(random() % 361));
        }
    }
    figures.steeringBytes = line.steeringBytes;
    return figures;
}

void Print(const char* name, TFigures f, double seconds) {
    std::sort(f.gaps.begin(), f.gaps.end());
    const double longest = f.gaps.empty() ? 0 : f.gaps.back();
    const double median = f.gaps.empty() ? 0 : f.gaps[f.gaps.size() / 2];
    const long over =
        std::count_if(f.gaps.begin(), f.gaps.end(), [](double g) { return g > 1.5 * PollMs; });
    std::printf(
        "%-9s replies %3zu in %.0f s  poll gap median %6.0f ms  longest %6.0f ms  "
        "gaps over 1.5 s %3ld  steering bytes %6zu (%zu commands)\n",
        name, f.gaps.size(), seconds, median, longest, over, f.steeringBytes, f.steeringBytes / 11);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20;
    const unsigned seed = argc > 2 ? unsigned(std::atoi(argv[2])) : 1;
    std::printf("4800 baud, poll every %.0f ms, %.0f turn requests a second for %.0f s, seed %u\n",
                PollMs, 1000 / RequestEveryMs, seconds, seed);
    {
        TLine line;
        TUnpaced before([&](const std::string& bytes) { return line.Write(bytes, false); });
        Print("before", Run(seconds, seed, before, line), seconds);
    }
    {
        TLine line;
        TSteeringScheduler after(
            [] { return std::optional<int>(123); }, [] { return true; },
            [&](const std::string& bytes) { return line.Write(bytes, false); });
        Print("after", Run(seconds, seed, after, line), seconds);
    }
}
