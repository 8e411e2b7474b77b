// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/rotorsim/RotorSim.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

namespace skyvane::rotorsim {
namespace {

std::optional<long long> ParseInteger(std::string_view text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::optional<double> ParseNumber(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Walks the arguments; options with a value take it as "--name=VALUE" or as the next argument.
class TArgReader {
public:
    explicit TArgReader(const std::vector<std::string>& args) : args_(args) {}

    bool AtEnd() const { return index_ >= args_.size(); }

    // Moves to the next argument; returns its option name ("--heading" from "--heading=5").
    std::string Next() {
        const std::string& arg = args_[index_++];
        inlineValue_.reset();
        std::size_t eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue_ = arg.substr(eq + 1);
            return arg.substr(0, eq);
        }
        return arg;
    }
    // The value of the current option, or nullopt when none follows.
    std::optional<std::string> Value() {
        if (inlineValue_) return std::exchange(inlineValue_, std::nullopt);
        if (AtEnd()) return std::nullopt;
        return args_[index_++];
    }
    // True when the current option was written with "=VALUE" (wrong for a flag).
    bool HasInlineValue() const { return inlineValue_.has_value(); }

private:
    const std::vector<std::string>& args_;
    std::size_t index_ = 0;
    std::optional<std::string> inlineValue_;
};

TParseResult Fail(std::string message) {
    TParseResult r;
    r.outcome = TParseOutcome::Error;
    r.error = std::move(message);
    return r;
}

// The options of reply layouts and line faults. Returns false when `name` is not
// one of them; sets `error` when its value is wrong.
bool ParseFaultOption(const std::string& name, TArgReader& reader, TLineFaults& f,
                      std::string& error) {
    auto flag = [&](bool& field) {
        if (reader.HasInlineValue()) error = "option " + name + " takes no value";
        field = true;
        return true;
    };
    auto integer = [&](int& field, long long lo, long long hi, std::string_view what) {
        std::optional<std::string> text = reader.Value();
        std::optional<long long> v = text ? ParseInteger(*text) : std::nullopt;
        if (!v || *v < lo || *v > hi)
            error = "option " + name + " needs " + std::string(what);
        else
            field = static_cast<int>(*v);
        return true;
    };
    if (name == "--echo") return flag(f.echo);
    if (name == "--banner") return flag(f.banner);
    if (name == "--double-every")
        return integer(f.doubleEvery, 2, 1000000000, "a number of answers (2 or more)");
    if (name == "--junk-after") {
        std::optional<std::string> text = reader.Value();
        std::optional<std::string> bytes = text ? Unescape(*text) : std::nullopt;
        if (!bytes || bytes->empty())
            error = "option " + name + " needs text (escapes \\0 \\r \\n \\t \\\\ \\xHH)";
        else
            f.junkAfter = *bytes;
        return true;
    }
    if (name == "--separator-first") return flag(f.separatorFirst);
    if (name == "--byte-by-byte") return flag(f.byteByByte);
    if (name == "--line-end") {
        std::optional<std::string> text = reader.Value();
        if (text == "cr")
            f.lineEnd = "\r";
        else if (text == "lf")
            f.lineEnd = "\n";
        else if (text == "crlf")
            f.lineEnd = "\r\n";
        else if (text == "none")
            f.lineEnd.clear();
        else
            error = "option " + name + " needs cr, lf, crlf or none";
        return true;
    }
    if (name == "--mute-after") return integer(f.muteAfter, 0, 1000000000, "a number of answers");
    if (name == "--mute-for")
        return integer(f.muteForMs, 0, 86400000, "milliseconds (0 to 86400000)");
    if (name == "--hang-up-after")
        return integer(f.hangUpAfter, 0, 1000000000, "a number of answers");
    if (name == "--replug-after")
        return integer(f.replugAfterMs, 0, 86400000, "milliseconds (0 to 86400000)");
    if (name == "--link") {
        std::optional<std::string> path = reader.Value();
        if (!path || path->empty())
            error = "option " + name + " needs a path";
        else
            f.link = *path;
        return true;
    }
    return false;
}

// Combinations of the fault options that cannot work; empty when they can.
std::string FaultConflict(const TRotorSimOptions& o) {
    const TLineFaults& f = o.faults;
    if (f.separatorFirst && !o.reply.empty())
        return "option --separator-first shapes the azimuth reply, not --reply or --garbage";
    if (!o.device.empty() && (f.hangUpAfter >= 0 || !f.link.empty()))
        return "options --hang-up-after and --link need a pseudo-terminal, not --device";
    return {};
}

}  // namespace

TParseResult ParseRotorSimArgs(const std::vector<std::string>& args) {
    TParseResult result;
    TRotorSimOptions& o = result.options;
    bool garbage = false;
    TArgReader reader(args);
    while (!reader.AtEnd()) {
        const std::string name = reader.Next();
        std::string faultError;
        if (ParseFaultOption(name, reader, o.faults, faultError)) {
            if (!faultError.empty()) return Fail(faultError);
            continue;
        }
        // Reads an integer value within [lo, hi] for the current option.
        auto integer = [&](long long lo, long long hi) -> std::optional<long long> {
            std::optional<std::string> text = reader.Value();
            if (!text) return std::nullopt;
            std::optional<long long> v = ParseInteger(*text);
            if (!v || *v < lo || *v > hi) return std::nullopt;
            return v;
        };
        auto badValue = [&](std::string_view what) {
            return Fail("option " + name + " needs " + std::string(what));
        };
        const bool isFlag = name == "--help" || name == "-h" || name == "--split" ||
                            name == "--garbage" || name == "--silent" || name == "--pad" ||
                            name == "--verbose" || name == "-v";
        if (isFlag && reader.HasInlineValue()) return Fail("option " + name + " takes no value");

        if (name == "--help" || name == "-h") {
            result.outcome = TParseOutcome::Help;
            return result;
        } else if (name == "--device") {
            std::optional<std::string> path = reader.Value();
            if (!path || path->empty()) return badValue("a device path");
            o.device = *path;
        } else if (name == "--heading") {
            auto v = integer(-999999, 999999);
            if (!v) return badValue("a whole number of degrees (-999999 to 999999)");
            o.heading = static_cast<int>(*v);
        } else if (name == "--sweep") {
            std::optional<std::string> text = reader.Value();
            std::optional<double> rate = text ? ParseNumber(*text) : std::nullopt;
            if (!rate || std::fabs(*rate) > 36000.0)
                return badValue("a rate in degrees per second (-36000 to 36000)");
            o.sweep = true;
            o.sweepRate = *rate;
        } else if (name == "--delay") {
            auto v = integer(0, 600000);
            if (!v) return badValue("milliseconds (0 to 600000)");
            o.delayMs = static_cast<int>(*v);
        } else if (name == "--chunks") {
            auto v = integer(1, 64);
            if (!v) return badValue("a number of pieces (1 to 64)");
            o.chunks = static_cast<int>(*v);
        } else if (name == "--split") {
            o.chunks = 2;
        } else if (name == "--gap") {
            auto v = integer(0, 10000);
            if (!v) return badValue("milliseconds (0 to 10000)");
            o.gapMs = static_cast<int>(*v);
        } else if (name == "--garbage") {
            garbage = true;
        } else if (name == "--reply") {
            std::optional<std::string> text = reader.Value();
            if (!text || text->empty()) return badValue("a non-empty reply text");
            o.reply = *text;
        } else if (name == "--silent") {
            o.silent = true;
        } else if (name == "--pad") {
            o.pad = true;
        } else if (name == "--count-file") {
            std::optional<std::string> path = reader.Value();
            if (!path || path->empty()) return badValue("a file name");
            o.countFile = *path;
        } else if (name == "--turn-rate") {
            std::optional<std::string> text = reader.Value();
            std::optional<double> rate = text ? ParseNumber(*text) : std::nullopt;
            if (!rate || *rate <= 0 || *rate > 36000.0)
                return badValue("a rate in degrees per second (above 0, up to 36000)");
            o.turnRate = *rate;
        } else if (name == "--stream") {
            std::optional<std::string> text = reader.Value();
            std::optional<double> rate = text ? ParseNumber(*text) : std::nullopt;
            if (!rate || *rate < 0.1 || *rate > 1000.0)
                return badValue("replies per second (0.1 to 1000)");
            o.streamRate = *rate;
        } else if (name == "--verbose" || name == "-v") {
            o.verbose = true;
        } else if (name.rfind("-", 0) == 0) {
            return Fail("unknown option " + name);
        } else {
            return Fail("unexpected argument \"" + name + "\"");
        }
    }
    if (garbage && !o.reply.empty())
        return Fail("options --garbage and --reply exclude each other");
    if (o.silent && (garbage || !o.reply.empty()))
        return Fail("option --silent excludes --garbage and --reply");
    if (o.silent && o.streamRate > 0)
        return Fail("options --silent and --stream exclude each other");
    if (garbage) o.reply = "ERR;";
    if (std::string conflict = FaultConflict(o); !conflict.empty()) return Fail(conflict);
    return result;
}

std::string RotorSimUsage(std::string_view program) {
    std::string p(program);
    return "Usage: " + p +
           " [OPTION]...\n"
           "Simulates a rotor controller: answers every \"AI1;\" with the azimuth in\n"
           "decimal digits followed by \";\" (no line end).\n"
           "Without --device it opens a new pseudo-terminal and prints its path on the\n"
           "first line of standard output; point the program's port at that path.\n"
           "\n"
           "  --device PATH      serve this serial device instead of a pseudo-terminal\n"
           "  --heading N        azimuth to report, or where a sweep starts (default 123)\n"
           "  --sweep RATE       turn at RATE degrees per second, wrapping within 0..359\n"
           "  --delay MS         wait MS milliseconds before answering (default 0)\n"
           "  --chunks N         write each reply in N pieces (default 1)\n"
           "  --split            the same as --chunks 2\n"
           "  --gap MS           pause between two pieces of a reply (default 20)\n"
           "  --pad              leading zeros up to three digits (\"045;\")\n"
           "  --garbage          answer \"ERR;\" instead of an azimuth\n"
           "  --reply TEXT       answer exactly TEXT instead of an azimuth\n"
           "  --silent           read queries but never answer\n"
           "  --count-file FILE  keep the number of queries received so far in FILE\n"
           "  --turn-rate RATE   turn at RATE degrees per second when told to (default 6)\n"
           "  --stream RATE      also send RATE replies a second without being asked\n"
           "  -v, --verbose      log every query and hang-up to standard error\n"
           "  -h, --help         show this text and exit\n"
           "\n"
           "Reply layouts and line faults:\n"
           "  --echo             send the query back before each reply (\"AI1;123;\")\n"
           "  --separator-first  answer \";123\" instead of \"123;\"\n"
           "  --line-end END     end each reply with cr, lf, crlf or none (default none)\n"
           "  --byte-by-byte     write every byte of an answer alone, --gap MS apart\n"
           "  --mute-after N     after N answers go silent for a while, once\n"
           "  --mute-for MS      how long that silence lasts (default 5000)\n"
           "  --hang-up-after N  after N answers unplug the line, once; it comes back\n"
           "                     as a new pseudo-terminal\n"
           "  --replug-after MS  how long the line stays away (default 2000)\n"
           "  --link PATH        keep a symbolic link PATH to the pseudo-terminal, gone\n"
           "                     while unplugged and re-pointed when it comes back; the\n"
           "                     first line of output is then PATH\n"
           "  --junk-after TEXT  send TEXT after each answer; \\0 \\r \\n \\t \\\\ \\xHH\n"
           "                     stand for their bytes (--junk-after ' ', --junk-after '\\0')\n"
           "  --double-every N   hold every Nth answer back and send it with the next\n"
           "                     (\";103;104\" with --separator-first)\n"
           "  --banner           answer a command it does not know with its version banner\n"
           "\n"
           "It also turns like a rotor: \"AP1nnn;\" sets the target (0 to 360),\n"
           "\"AM1;\" starts the turn and a lone \";\" stops it; from the first turn on the\n"
           "azimuth follows the turns, never crossing north.\n"
           "\n"
           "The simulator keeps running when the other end closes and reopens the line;\n"
           "it stops on SIGINT or SIGTERM. Bad options exit with status 2.\n";
}

int TQueryScanner::Feed(std::string_view bytes) {
    int complete = 0;
    for (char c : bytes) {
        if (c == kQuery[matched_]) {
            if (++matched_ == kQuery.size()) {
                ++complete;
                matched_ = 0;
            }
        } else {
            // No proper prefix of the query is also its suffix, so a mismatch
            // can only restart at a fresh first byte.
            matched_ = c == kQuery[0] ? 1 : 0;
        }
    }
    return complete;
}

std::string AnswerText(const TRotorSimOptions& options, int azimuth) {
    std::string reply = ReplyText(options, azimuth);
    if (options.faults.separatorFirst && !reply.empty() && reply.back() == ';')
        reply = ";" + reply.substr(0, reply.size() - 1);
    reply += options.faults.lineEnd;
    if (options.faults.echo) reply.insert(0, kQuery);
    return reply + options.faults.junkAfter;
}

std::optional<std::string> Unescape(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
            case '0':
                bytes += '\0';
                break;
            case 'r':
                bytes += '\r';
                break;
            case 'n':
                bytes += '\n';
                break;
            case 't':
                bytes += '\t';
                break;
            case '\\':
                bytes += '\\';
                break;
            case 'x': {
                unsigned value = 0;
                const char* first = text.data() + i + 1;
                const char* last = text.data() + std::min(text.size(), i + 3);
                auto [ptr, ec] = std::from_chars(first, last, value, 16);
                if (ec != std::errc() || ptr != last || last - first != 2) return std::nullopt;
                bytes += static_cast<char>(value);
                i += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return bytes;
}

std::string TDoubledAnswers::Pass(std::string answer) {
    if (faults_.doubleEvery <= 0) return answer;
    if (++answers_ % faults_.doubleEvery == 0) {
        held_ = std::move(answer);
        return {};
    }
    return std::exchange(held_, {}) + answer;
}

std::vector<std::string> AnswerPieces(const TRotorSimOptions& options, const std::string& answer) {
    if (!options.faults.byteByByte) return SplitReply(answer, options.chunks);
    std::vector<std::string> pieces;
    for (char c : answer) pieces.emplace_back(1, c);
    return pieces;
}

TQueryAction TFaultSchedule::OnQuery(long long nowMs) {
    if (mutedAtMs_ >= 0) {
        if (nowMs - mutedAtMs_ < faults_.muteForMs) return TQueryAction::Ignore;
        mutedAtMs_ = -1;
        muteDone_ = true;
    }
    if (!hungUp_ && faults_.hangUpAfter >= 0 && answered_ >= faults_.hangUpAfter) {
        hungUp_ = true;
        return TQueryAction::HangUp;
    }
    if (!muteDone_ && faults_.muteAfter >= 0 && answered_ >= faults_.muteAfter) {
        mutedAtMs_ = nowMs;
        return TQueryAction::Ignore;
    }
    ++answered_;
    return TQueryAction::Answer;
}

int AzimuthAt(const TRotorSimOptions& options, double elapsedSeconds) {
    if (!options.sweep) return options.heading;
    double position = std::fmod(options.heading + options.sweepRate * elapsedSeconds, 360.0);
    if (position < 0) position += 360.0;
    int degrees = static_cast<int>(std::floor(position));
    return degrees >= 360 ? 0 : degrees;
}

std::string ReplyText(const TRotorSimOptions& options, int azimuth) {
    if (!options.reply.empty()) return options.reply;
    char digits[16];
    std::snprintf(digits, sizeof digits, options.pad ? "%03d" : "%d", azimuth);
    return std::string(digits) + ";";
}

std::vector<std::string> SplitReply(const std::string& text, int chunks) {
    std::vector<std::string> pieces;
    if (text.empty()) return pieces;
    std::size_t n = chunks < 1 ? 1 : static_cast<std::size_t>(chunks);
    if (n > text.size()) n = text.size();
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t end = text.size() * (i + 1) / n;
        pieces.push_back(text.substr(start, end - start));
        start = end;
    }
    return pieces;
}

}  // namespace skyvane::rotorsim
