// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/profile_file.h"

#include <cstring>
#include <optional>

#include "platform/files.h"

namespace skyvane {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view Trim(std::string_view s) {
    return TrimRight(TrimLeft(s));
}

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

// One line of the file as offsets into its text.
struct Line {
    std::size_t begin = 0;  // first byte
    std::size_t end = 0;    // end of the text, before the line end
    std::size_t next = 0;   // start of the following line (end of file for the last one)
    // True when a line end closes the line (false only for a last line without one).
    bool Terminated() const { return next > end; }
};

// The UTF-8 byte-order mark some editors put at the start of a text file.
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

// The text of a file without its byte-order mark, if it has one.
std::string_view WithoutByteOrderMark(std::string_view content) {
    if (content.substr(0, ByteOrderMark.size()) == ByteOrderMark)
        content.remove_prefix(ByteOrderMark.size());
    return content;
}

enum class LineKind { Blank, Comment, Section, Entry, Other };

// What a line is; for a section its name, for an entry its key and where its value
// starts (after "=" and the blanks that follow it).
struct LineInfo {
    LineKind kind = LineKind::Other;
    std::string_view name;
    std::size_t valueBegin = 0;
};

// Splits a text into lines. A line ends at "\n", at CRs followed by "\n" (a CR LF file
// converted twice has "\r\r\n"), or at a CR that no "\n" follows (old Mac files):
// so no line ever holds a CR, and whatever a read finds can be written back.
class LineReader {
public:
    explicit LineReader(std::string_view content) : content_(content) {}

    bool Next(Line& line) {
        if (pos_ >= content_.size()) return false;
        line.begin = pos_;
        const std::size_t lf = NextLineFeed();
        const void* cr = std::memchr(content_.data() + pos_, '\r', lf - pos_);
        if (!cr) {
            line.end = lf;
            line.next = lf < content_.size() ? lf + 1 : lf;
        } else {
            line.end = static_cast<std::size_t>(static_cast<const char*>(cr) - content_.data());
            std::size_t after = line.end;
            while (after < lf && content_[after] == '\r') ++after;
            line.next = after == lf && lf < content_.size() ? lf + 1 : line.end + 1;
        }
        pos_ = line.next;
        return true;
    }

private:
    // The position of the next "\n" at or after pos_ (the text's size when none is
    // left), found once and kept, so that a file without any stays linear to read.
    std::size_t NextLineFeed() {
        if (lineFeed_ < pos_ || lineFeed_ == kUnknown) {
            const void* nl = std::memchr(content_.data() + pos_, '\n', content_.size() - pos_);
            lineFeed_ =
                nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - content_.data())
                   : content_.size();
        }
        return lineFeed_;
    }

    static constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);
    std::string_view content_;
    std::size_t pos_ = 0;
    std::size_t lineFeed_ = kUnknown;
};

LineInfo Classify(std::string_view content, const Line& line) {
    std::string_view text = TrimLeft(content.substr(line.begin, line.end - line.begin));
    LineInfo info;
    if (text.empty()) {
        info.kind = LineKind::Blank;
    } else if (text.front() == '[') {
        info.kind = LineKind::Section;
        std::string_view inner = text.substr(1);
        info.name = Trim(inner.substr(0, inner.find(']')));
    } else if (text.front() == ';') {
        info.kind = LineKind::Comment;
    } else if (std::size_t eq = text.find('='); eq != std::string_view::npos) {
        info.kind = LineKind::Entry;
        info.name = TrimRight(text.substr(0, eq));
        std::size_t valueBegin = static_cast<std::size_t>(text.data() - content.data()) + eq + 1;
        while (valueBegin < line.end && IsBlank(content[valueBegin])) ++valueBegin;
        info.valueBegin = valueBegin;
    }
    return info;
}

// Where a key stands in a text, or where it would go.
struct KeyPlace {
    bool sectionFound = false;
    bool keyFound = false;
    Line keyLine;  // the key's line, when found
    std::size_t valueBegin = 0;
    Line lastEntry;  // the section's header or its last entry, when the section is found
};

// Scans the first section named `section` for the first entry named `key`; the names
// asked for are trimmed as the names in the file are.
KeyPlace FindKey(std::string_view content, std::string_view section, std::string_view key) {
    section = Trim(section);
    key = Trim(key);
    KeyPlace place;
    LineReader reader(content);
    Line line;
    while (reader.Next(line)) {
        LineInfo info = Classify(content, line);
        if (info.kind == LineKind::Section) {
            if (place.sectionFound) break;
            if (SameName(info.name, section)) {
                place.sectionFound = true;
                place.lastEntry = line;
            }
        } else if (place.sectionFound &&
                   (info.kind == LineKind::Entry || info.kind == LineKind::Other)) {
            place.lastEntry = line;
            if (info.kind == LineKind::Entry && SameName(info.name, key)) {
                place.keyFound = true;
                place.keyLine = line;
                place.valueBegin = info.valueBegin;
                break;
            }
        }
    }
    return place;
}

// The file's own line end: that of its first line, "\n" when it has none.
std::string_view LineEndOf(std::string_view content) {
    LineReader reader(content);
    Line first;
    if (!reader.Next(first) || !first.Terminated()) return "\n";
    return content.substr(first.end, first.next - first.end);
}

// The text's last line, when it has one.
std::optional<Line> LastLine(std::string_view content) {
    LineReader reader(content);
    std::optional<Line> last;
    for (Line line; reader.Next(line);) last = line;
    return last;
}

// True when a line end closes the text's last line (or the text is empty).
bool EndsWithLineEnd(std::string_view content) {
    const std::optional<Line> last = LastLine(content);
    return !last || last->Terminated();
}

// True when the text's last line holds only blanks (or the text is empty).
bool EndsWithBlankLine(std::string_view content) {
    const std::optional<Line> last = LastLine(content);
    return !last || Trim(content.substr(last->begin, last->end - last->begin)).empty();
}

bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

}  // namespace

EProfileWriteError::EProfileWriteError(const std::string& path)
    : std::runtime_error("Unable to write to " + path) {}

std::string ProfileTextValue(std::string_view content, std::string_view section,
                             std::string_view key, std::string_view defaultValue) {
    content = WithoutByteOrderMark(content);
    KeyPlace place = FindKey(content, section, key);
    std::string_view value = defaultValue;
    if (place.keyFound) {
        value = content.substr(place.valueBegin, place.keyLine.end - place.valueBegin);
        // A value ends at a NUL byte, as the text handed out does.
        value = TrimRight(value.substr(0, value.find('\0')));
    }
    return std::string(value.substr(0, MaxProfileValueLength));
}

bool IsStorableProfileEntry(std::string_view section, std::string_view key,
                            std::string_view value) {
    std::string_view trimmedKey = Trim(key);
    return !HasLineBreakOrNul(section) && !HasLineBreakOrNul(key) && !HasLineBreakOrNul(value) &&
           section.find(']') == std::string_view::npos && !trimmedKey.empty() &&
           key.find('=') == std::string_view::npos && trimmedKey.front() != '[' &&
           trimmedKey.front() != ';';
}

std::string ProfileTextWithValue(std::string_view content, std::string_view section,
                                 std::string_view key, std::string_view value) {
    // A byte-order mark stays where it is, in front of everything.
    std::string result(content.substr(0, content.size() - WithoutByteOrderMark(content).size()));
    content.remove_prefix(result.size());
    const std::string_view eol = LineEndOf(content);
    const std::string entry = std::string(Trim(key)) + "=" + std::string(value);
    KeyPlace place = FindKey(content, section, key);
    result.reserve(result.size() + content.size() + entry.size() + section.size() + 8);

    if (place.keyFound) {
        // The key's own spelling and spacing stay; the old value and its trailing blanks go.
        result.append(content.substr(0, place.valueBegin));
        result.append(value);
        result.append(content.substr(place.keyLine.end));
    } else if (place.sectionFound) {
        const Line& after = place.lastEntry;
        result.append(content.substr(0, after.next));
        if (!after.Terminated()) result.append(eol);  // a last line without a line end
        result.append(entry).append(eol);
        result.append(content.substr(after.next));
    } else {
        result.append(content);
        if (!content.empty()) {
            if (!EndsWithLineEnd(content)) result.append(eol);
            if (!EndsWithBlankLine(content)) result.append(eol);
        }
        result.append("[").append(Trim(section)).append("]").append(eol);
        result.append(entry).append(eol);
    }
    return result;
}

std::string GetProfileString(std::string_view path, std::string_view section, std::string_view key,
                             std::string_view defaultValue) {
    std::string content;
    if (ReadWholeFile(path, content) != TFileRead::Read) content.clear();
    return ProfileTextValue(content, section, key, defaultValue);
}

void WriteProfileString(std::string_view path, std::string_view section, std::string_view key,
                        std::string_view value) {
    std::string content;
    const TFileRead read = ReadWholeFile(path, content);
    // A file that exists but cannot be read is never replaced: its content would be lost.
    if (read == TFileRead::Failed || !IsStorableProfileEntry(section, key, value) ||
        !ReplaceFileAtomically(path, ProfileTextWithValue(content, section, key, value)))
        throw EProfileWriteError(std::string(path));
}

}  // namespace skyvane
