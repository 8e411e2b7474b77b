// SPDX-License-Identifier: GPL-3.0-or-later
// The rotor controller simulator's logic: its options, finding queries in the
// received bytes, the azimuth at a given moment and the reply to send.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skyvane::rotorsim {

// The four-byte query the simulator answers.
inline constexpr std::string_view kQuery = "AI1;";

// Reply layouts and line faults of real controllers and adapters, to try how the
// program copes with them.
struct TLineFaults {
    bool echo = false;            // send the query back before each reply
    bool separatorFirst = false;  // ";123" instead of "123;"
    std::string lineEnd;          // "", "\r", "\n" or "\r\n" after each reply
    bool byteByByte = false;      // every byte of an answer is a piece of its own
    int muteAfter = -1;           // answers before going silent; -1: never
    int muteForMs = 5000;         // how long the silence lasts
    int hangUpAfter = -1;         // answers before the line is unplugged; -1: never
    int replugAfterMs = 2000;     // how long the line stays away
    std::string link;             // symlink to the pseudo-terminal, re-pointed when it comes back
    std::string junkAfter;        // bytes sent after each answer (a stray space, a NUL...)
    int doubleEvery = 0;          // every Nth answer is held back and sent with the next; 0: never
    bool banner = false;          // an unknown command is answered with the version banner
};

// What the simulator says to a command it does not know, with --banner.
inline constexpr std::string_view kBanner = "SKYVANE ROTORSIM V1.0\r\n";

// Text with the escapes \0, \r, \n, \t, \\ and \xHH turned into their bytes;
// nothing on a malformed escape.
std::optional<std::string> Unescape(std::string_view text);

// Holds back every Nth answer and sends it together with the next, as an adapter
// that buffers a reply through a hiccup does.
class TDoubledAnswers {
public:
    explicit TDoubledAnswers(const TLineFaults& faults) : faults_(faults) {}
    // The bytes to send now for this answer: nothing while it is held, the held one
    // and this one together after.
    std::string Pass(std::string answer);

private:
    const TLineFaults& faults_;
    std::string held_;
    int answers_ = 0;
};

// What the simulator does, as chosen on the command line.
struct TRotorSimOptions {
    std::string device;      // device to serve; empty: a new pseudo-terminal
    int heading = 123;       // fixed azimuth, or where a sweep starts
    bool sweep = false;      // true: the azimuth turns at sweepRate
    double sweepRate = 0.0;  // degrees per second (negative turns backwards)
    int delayMs = 0;         // wait before answering a query
    int chunks = 1;          // pieces the reply is written in
    int gapMs = 20;          // pause between two pieces of a reply
    std::string reply;       // fixed reply text instead of the azimuth; empty: azimuth
    bool silent = false;     // never answer
    bool pad = false;        // leading zeros up to three digits
    TLineFaults faults;      // reply layout and line faults
    std::string countFile;   // file rewritten with the number of queries so far
    bool verbose = false;    // log every query and hang-up to standard error
    double turnRate = 6.0;   // degrees per second a turn ("AP1nnn;" "AM1;") proceeds at
    double streamRate = 0;   // replies a second sent unasked (--stream); 0: none
};

// How the command line was understood.
enum class TParseOutcome { Run, Help, Error };

// The result of reading the command line; error holds the message on Error.
struct TParseResult {
    TParseOutcome outcome = TParseOutcome::Run;
    TRotorSimOptions options;
    std::string error;
};

// Reads the arguments after the program name.
TParseResult ParseRotorSimArgs(const std::vector<std::string>& args);

// The usage text, naming the program as given.
std::string RotorSimUsage(std::string_view program);

// Counts complete queries in a byte stream that may split them over several
// reads or carry other bytes between them.
class TQueryScanner {
public:
    // Takes the next received bytes; returns how many queries they completed.
    int Feed(std::string_view bytes);

private:
    std::size_t matched_ = 0;  // bytes of kQuery matched so far
};

// The azimuth elapsedSeconds after the start: the fixed heading, or the sweep
// position wrapped into 0..359.
int AzimuthAt(const TRotorSimOptions& options, double elapsedSeconds);

// The reply to one query for the given azimuth ("123;", "045;" padded, or the fixed reply).
std::string ReplyText(const TRotorSimOptions& options, int azimuth);

// Splits text into at most `chunks` non-empty pieces of nearly equal length.
std::vector<std::string> SplitReply(const std::string& text, int chunks);

// Everything written for one query: the echo of the query when asked for, then the
// reply laid out as the faults say (separator first, line end, junk after).
std::string AnswerText(const TRotorSimOptions& options, int azimuth);

// The pieces one answer is written in: every byte alone, or the --chunks pieces.
std::vector<std::string> AnswerPieces(const TRotorSimOptions& options, const std::string& answer);

// What the simulator does with a query.
enum class TQueryAction { Answer, Ignore, HangUp };

// When the simulator goes silent and when it unplugs its line, by the answers given.
class TFaultSchedule {
public:
    explicit TFaultSchedule(const TLineFaults& faults) : faults_(faults) {}
    // A query arrived `nowMs` after the start. After --mute-after answers the queries
    // are ignored for --mute-for ms, once; the query after --hang-up-after answers
    // unplugs the line, once.
    TQueryAction OnQuery(long long nowMs);

private:
    const TLineFaults& faults_;
    int answered_ = 0;
    long long mutedAtMs_ = -1;
    bool muteDone_ = false;
    bool hungUp_ = false;
};

}  // namespace skyvane::rotorsim
