// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/registry_store.h"

#include <charconv>
#include <optional>

#include "platform/files.h"
#include "platform/registry_store_p.h"

namespace skyvane {

ERegistryError RegistrySetDataError(std::string_view name) {
    return ERegistryError("Failed to set data for '" + std::string(name) + "'");
}

ERegistryError RegistryGetDataError(std::string_view name) {
    return ERegistryError("Failed to get data for '" + std::string(name) + "'");
}

ERegistryError RegistryDataTypeError(std::string_view name) {
    return ERegistryError("Invalid data type for '" + std::string(name) + "'");
}

namespace {

constexpr std::string_view FileComment =
    "; Skyvane registry store: [key] lines, then name=s:text or name=d:number values.";
constexpr std::string_view StringTag = "s:";
constexpr std::string_view IntegerTag = "d:";

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// Which bytes a field writes as "%HH" besides "%" and control bytes.
enum class Field { Key, Name, Value };

std::string Encode(std::string_view text, Field field) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool special =
            byte < 0x20 || byte == 0x7F || byte == '%' || (field == Field::Key && byte == ']') ||
            (field == Field::Name && (byte == '=' || (i == 0 && (byte == '[' || byte == ';'))));
        if (special) {
            out += '%';
            out += Hex[byte >> 4];
            out += Hex[byte & 0x0F];
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = Lower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The bytes `text` stands for; nothing when an escape is broken.
std::optional<std::string> Decode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const int high = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

// A key path with its separators tidied: no empty parts, no "\" at either end.
std::string NormalPath(std::string_view path) {
    std::string out;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) {
            if (!out.empty()) out += '\\';
            out.append(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return out;
}

// One value line understood.
struct Value {
    std::string name;
    TRegDataType type = TRegDataType::rdUnknown;
    std::string text;
    std::int32_t number = 0;
};

std::string_view WithoutCR(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

std::optional<Value> ParseValue(std::string_view line) {
    line = WithoutCR(line);
    if (line.empty() || line[0] == '[' || line[0] == ';') return std::nullopt;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    std::optional<std::string> name = Decode(line.substr(0, eq));
    if (!name) return std::nullopt;
    const std::string_view data = line.substr(eq + 1);
    Value value;
    value.name = std::move(*name);
    if (data.starts_with(StringTag)) {
        std::optional<std::string> text = Decode(data.substr(StringTag.size()));
        if (!text) return std::nullopt;
        value.type = TRegDataType::rdString;
        value.text = std::move(*text);
    } else if (data.starts_with(IntegerTag)) {
        const std::string_view digits = data.substr(IntegerTag.size());
        const char* end = digits.data() + digits.size();
        const auto [ptr, ec] = std::from_chars(digits.data(), end, value.number);
        if (digits.empty() || ec != std::errc() || ptr != end) return std::nullopt;
        value.type = TRegDataType::rdInteger;
    } else {
        return std::nullopt;
    }
    return value;
}

std::string FormatValue(const Value& value) {
    std::string line = Encode(value.name, Field::Name) + "=";
    if (value.type == TRegDataType::rdInteger)
        line += std::string(IntegerTag) + std::to_string(value.number);
    else
        line += std::string(StringTag) + Encode(value.text, Field::Value);
    return line;
}

bool IsHeader(std::string_view line) {
    return !line.empty() && line[0] == '[';
}

// The key a "[...]" line opens; nothing for a line that is not a well-formed header.
std::optional<std::string> HeaderKey(std::string_view line) {
    line = WithoutCR(line);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
    return Decode(line.substr(1, line.size() - 2));
}

// The store file as lines, each kept with any "\r" it had so that lines the store does
// not touch are written back byte for byte.
class Document {
public:
    // Reads the file; false when it exists but cannot be read.
    bool Load(const std::string& fileName) {
        std::string content;
        const TFileRead read =
            fileName.empty() ? TFileRead::Missing : ReadWholeFile(fileName, content);
        if (read == TFileRead::Failed) return false;
        if (content.empty()) return true;
        std::size_t start = 0;
        while (start < content.size()) {
            std::size_t end = content.find('\n', start);
            if (end == std::string::npos) end = content.size();
            lines_.emplace_back(content, start, end - start);
            start = end + 1;
        }
        return true;
    }

    std::string Text() const {
        std::string out;
        for (const std::string& line : lines_) {
            out += line;
            out += '\n';
        }
        return out;
    }

    // Index of the header line of `key`, or npos. The first of two equal headers counts.
    std::size_t FindKey(std::string_view key) const {
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const std::optional<std::string> name = HeaderKey(lines_[i]);
            if (name && SameName(NormalPath(*name), key)) return i;
        }
        return npos;
    }

    // True when `key` or a key below it has a header.
    bool HasKeyOrBelow(std::string_view key) const {
        if (key.empty()) return true;
        for (const std::string& line : lines_) {
            const std::optional<std::string> name = HeaderKey(line);
            if (!name) continue;
            const std::string path = NormalPath(*name);
            if (SameName(path, key) ||
                (path.size() > key.size() && path[key.size()] == '\\' &&
                 SameName(std::string_view(path).substr(0, key.size()), key)))
                return true;
        }
        return false;
    }

    // The values of `key` with their line indexes, in file order.
    std::vector<std::pair<std::size_t, Value>> Values(std::string_view key) const {
        std::vector<std::pair<std::size_t, Value>> values;
        const std::size_t header = FindKey(key);
        if (header == npos) return values;
        for (std::size_t i = header + 1; i < lines_.size() && !IsHeader(lines_[i]); ++i)
            if (std::optional<Value> v = ParseValue(lines_[i]))
                values.emplace_back(i, std::move(*v));
        return values;
    }

    // The first value `name` of `key` and its line, if any.
    std::optional<std::pair<std::size_t, Value>> Find(std::string_view key,
                                                      std::string_view name) const {
        for (auto& entry : Values(key))
            if (SameName(entry.second.name, name)) return entry;
        return std::nullopt;
    }

    // Adds a header for `key` at the end (the key must not have one yet).
    std::size_t AddKey(std::string_view key) {
        if (lines_.empty()) lines_.emplace_back(FileComment);
        lines_.push_back(EndedLike(lines_.back(), "[" + Encode(key, Field::Key) + "]"));
        return lines_.size() - 1;
    }

    // Sets `value` in `key`: in place when it exists, else after the key's last value.
    void Set(std::string_view key, const Value& value) {
        const std::string line = FormatValue(value);
        if (auto existing = Find(key, value.name)) {
            lines_[existing->first] = EndedLike(lines_[existing->first], line);
            return;
        }
        std::size_t header = FindKey(key);
        if (header == npos) header = AddKey(key);
        std::size_t at = header + 1;
        for (std::size_t i = header + 1; i < lines_.size() && !IsHeader(lines_[i]); ++i)
            if (ParseValue(lines_[i])) at = i + 1;
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                      EndedLike(lines_[at - 1], line));
    }

    void Erase(std::size_t index) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index));
    }

    static constexpr std::size_t npos = std::string::npos;

private:
    // `line` with the line end of `neighbour` ("\r\n" or "\n"), so that a file keeps its style.
    static std::string EndedLike(std::string_view neighbour, std::string_view line) {
        std::string out(line);
        if (neighbour.ends_with('\r')) out += '\r';
        return out;
    }

    std::vector<std::string> lines_;
};

// The document as it is on disk now; an unreadable file reads as empty.
Document Current(const std::string& fileName) {
    Document doc;
    if (!doc.Load(fileName)) return Document();
    return doc;
}

// Writes `doc` over the file; false when that cannot be done.
bool Save(const std::string& fileName, const Document& doc) {
    return !fileName.empty() && EnsureFolderOf(fileName) &&
           ReplaceFileAtomically(fileName, doc.Text());
}

// Sets one value in `key` of the file as it is now. A file that exists but cannot be
// read is not overwritten: that would lose every other value in it.
void WriteValue(const std::string& fileName, std::string_view key, const Value& value) {
    Document doc;
    if (!doc.Load(fileName)) throw RegistrySetDataError(value.name);
    doc.Set(key, value);
    if (!Save(fileName, doc)) throw RegistrySetDataError(value.name);
}

}  // namespace

TRegistryStore::TRegistryStore(std::string fileName) : fileName_(std::move(fileName)) {}

std::string TRegistryStore::PathOf(std::string_view key) const {
    if (key.starts_with('\\') || currentPath_.empty()) return NormalPath(key);
    return NormalPath(currentPath_ + "\\" + std::string(key));
}

bool TRegistryStore::OpenKey(std::string_view key, bool canCreate) {
    const std::string path = PathOf(key);
    Document doc;
    if (!doc.Load(fileName_)) return false;
    if (!path.empty() && doc.FindKey(path) == Document::npos) {
        if (!canCreate) return false;
        doc.AddKey(path);
        if (!Save(fileName_, doc)) return false;
    }
    currentPath_ = path;
    return true;
}

bool TRegistryStore::KeyExists(std::string_view key) const {
    return Current(fileName_).HasKeyOrBelow(PathOf(key));
}

bool TRegistryStore::ValueExists(std::string_view name) const {
    return GetDataType(name) != TRegDataType::rdUnknown;
}

TRegDataType TRegistryStore::GetDataType(std::string_view name) const {
    const auto found = Current(fileName_).Find(currentPath_, name);
    return found ? found->second.type : TRegDataType::rdUnknown;
}

std::vector<std::string> TRegistryStore::GetValueNames() const {
    std::vector<std::string> names;
    for (auto& entry : Current(fileName_).Values(currentPath_)) {
        bool seen = false;
        for (const std::string& n : names) seen = seen || SameName(n, entry.second.name);
        if (!seen) names.push_back(std::move(entry.second.name));
    }
    return names;
}

std::string TRegistryStore::ReadString(std::string_view name) const {
    const auto found = Current(fileName_).Find(currentPath_, name);
    if (!found) return std::string();
    if (found->second.type != TRegDataType::rdString) throw RegistryDataTypeError(name);
    return found->second.text;
}

std::int32_t TRegistryStore::ReadInteger(std::string_view name) const {
    const auto found = Current(fileName_).Find(currentPath_, name);
    if (!found) throw RegistryGetDataError(name);
    if (found->second.type != TRegDataType::rdInteger) throw RegistryDataTypeError(name);
    return found->second.number;
}

void TRegistryStore::WriteString(std::string_view name, std::string_view value) {
    WriteValue(fileName_, currentPath_,
               Value{std::string(name), TRegDataType::rdString, std::string(value), 0});
}

void TRegistryStore::WriteInteger(std::string_view name, std::int32_t value) {
    WriteValue(fileName_, currentPath_,
               Value{std::string(name), TRegDataType::rdInteger, std::string(), value});
}

bool TRegistryStore::DeleteValue(std::string_view name) {
    Document doc;
    if (!doc.Load(fileName_)) return false;
    const auto found = doc.Find(currentPath_, name);
    if (!found) return false;
    doc.Erase(found->first);
    return Save(fileName_, doc);
}

}  // namespace skyvane
