// SPDX-License-Identifier: GPL-3.0-or-later
#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <new>
#include <optional>

#include "platform/files.h"

namespace skyvane {

namespace {

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

bool NameExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::string JoinPath(const std::string& directory, std::string_view name) {
    if (directory.empty()) return std::string(name);
    if (directory.back() == PathDelimiter) return directory + std::string(name);
    return directory + PathDelimiter + std::string(name);
}

// The first entry of `directory` in byte order whose name equals `name` ignoring case.
std::optional<std::string> FindIgnoringCase(const std::string& directory, std::string_view name) {
    DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
    if (!dir) return std::nullopt;
    std::optional<std::string> best;
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view candidate(entry->d_name);
        if (EqualIgnoringAsciiCase(candidate, name) && (!best || candidate < *best))
            best = std::string(candidate);
    }
    ::closedir(dir);
    return best;
}

// A file whose permission bits grant no write access to anyone: refused even where
// the process could override the bits (the superuser), as a read-only file is elsewhere.
bool IsReadOnly(const struct stat& st) {
    return (st.st_mode & 0222) == 0;
}

// True when an existing regular file at `path` is read-only.
bool ExistingFileIsReadOnly(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && IsReadOnly(st);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Closes and reports whether the close, which may deliver a delayed write error, succeeded.
bool CloseChecked(int fd) {
    return ::close(fd) == 0 || errno == EINTR;
}

std::string DirectoryOf(const std::string& path) {
    std::size_t slash = path.rfind(PathDelimiter);
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    std::size_t slash = path.rfind(PathDelimiter);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name for the temporary file beside `target`, unique within the machine: hidden,
// carrying the process id and a per-process counter; long names are shortened so the
// temporary name stays within the file system's limit.
std::string TemporaryNameFor(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    std::string base = BaseNameOf(target).substr(0, 200);
    return JoinPath(DirectoryOf(target), "." + base + "." + std::to_string(::getpid()) + "." +
                                             std::to_string(counter++) + ".tmp");
}

void SyncDirectory(const std::string& directory) {
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The path the atomic replacement must rename onto: symbolic links followed, so the
// link stays a link and its target receives the new content.
std::optional<std::string> ReplacementTarget(std::string path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char* real = ::realpath(path.c_str(), nullptr);
        if (!real) return std::nullopt;
        path = real;
        std::free(real);
    }
    return path;
}

}  // namespace

std::string CurrentDirectory() {
    std::string buffer(PATH_MAX, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return ".";
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

std::string WithTrailingDelimiter(std::string directory) {
    if (directory.empty() || directory.back() != PathDelimiter) directory += PathDelimiter;
    return directory;
}

std::string ResolvePathCase(std::string_view path) {
    std::string given(path);
    if (given.empty() || NameExists(given)) return given;

    std::string resolved = given.front() == PathDelimiter ? std::string(1, PathDelimiter) : "";
    std::size_t pos = 0;
    while (pos < given.size()) {
        std::size_t end = given.find(PathDelimiter, pos);
        if (end == std::string::npos) end = given.size();
        std::string_view component(given.data() + pos, end - pos);
        if (!component.empty()) {
            std::string exact = JoinPath(resolved, component);
            if (NameExists(exact)) {
                resolved = std::move(exact);
            } else {
                std::optional<std::string> match;
                if (component != "." && component != "..")
                    match = FindIgnoringCase(resolved, component);
                if (!match) return JoinPath(resolved, std::string_view(given).substr(pos));
                resolved = JoinPath(resolved, *match);
            }
        }
        pos = end + 1;
    }
    if (given.back() == PathDelimiter && resolved.back() != PathDelimiter)
        resolved += PathDelimiter;
    return resolved;
}

bool FileExists(std::string_view path) {
    struct stat st;
    return !path.empty() && ::stat(ResolvePathCase(path).c_str(), &st) == 0;
}

TFileRead ReadWholeFile(std::string_view path, std::string& content) {
    content.clear();
    const std::string resolved = ResolvePathCase(path);
    struct stat st;
    // Checked before opening: opening a device or a pipe could block or have side effects.
    if (::stat(resolved.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return TFileRead::Missing;
    int fd = ::open(resolved.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? TFileRead::Missing : TFileRead::Failed;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return TFileRead::Missing;
    }
    TFileRead result = TFileRead::Read;
    try {
        content.reserve(static_cast<std::size_t>(st.st_size));
        char chunk[65536];
        for (;;) {
            ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n == 0) break;
            if (n < 0) {
                if (errno == EINTR) continue;
                result = TFileRead::Failed;
                break;
            }
            content.append(chunk, static_cast<std::size_t>(n));
        }
    } catch (const std::bad_alloc&) {
        result = TFileRead::Failed;
    }
    ::close(fd);
    if (result != TFileRead::Read) std::string().swap(content);
    return result;
}

bool ReplaceFileAtomically(std::string_view path, std::string_view content) {
    if (path.empty()) return false;
    std::optional<std::string> targetPath = ReplacementTarget(ResolvePathCase(path));
    if (!targetPath) return false;
    const std::string& target = *targetPath;

    struct stat st;
    bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode) || IsReadOnly(st) || ::access(target.c_str(), W_OK) != 0)
            return false;
    } else if (errno != ENOENT) {
        return false;
    }

    const std::string temporary = TemporaryNameFor(target);
    int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
    if (fd < 0) return false;
    bool ok = true;
    if (exists) {
        ok = ::fchmod(fd, st.st_mode & 07777) == 0;
        // Keeping the owner works only with the right to do so; the content matters more.
        if (ok && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()))
            (void)!::fchown(fd, st.st_uid, st.st_gid);
    }
    ok = ok && WriteAll(fd, content) && ::fsync(fd) == 0;
    ok = CloseChecked(fd) && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncDirectory(DirectoryOf(target));
    return true;
}

bool CreateEmptyFile(std::string_view path) {
    const std::string resolved = ResolvePathCase(path);
    if (resolved.empty() || ExistingFileIsReadOnly(resolved)) return false;
    int fd = ::open(resolved.c_str(),
                    O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    return CloseChecked(fd);
}

bool AppendToFile(std::string_view path, std::string_view bytes) {
    const std::string resolved = ResolvePathCase(path);
    if (resolved.empty() || ExistingFileIsReadOnly(resolved)) return false;
    const int flags = O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = ::open(resolved.c_str(), flags | O_APPEND);
    // Only a file that is gone is created anew; any other failure must not truncate it.
    if (fd < 0 && errno == ENOENT) fd = ::open(resolved.c_str(), flags | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, bytes);
    return CloseChecked(fd) && ok;
}

TLocalDateTime LocalDateTimeNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);

    // The locale is taken from the environment on every call, so a changed LC_TIME applies.
    locale_t timeLocale = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    if (!timeLocale) timeLocale = ::newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    auto format = [&](const char* pattern) {
        char buffer[256];
        std::size_t n = timeLocale
                            ? ::strftime_l(buffer, sizeof buffer, pattern, &local, timeLocale)
                            : std::strftime(buffer, sizeof buffer, pattern, &local);
        return std::string(buffer, n);
    };
    TLocalDateTime result{format("%x"), format("%X")};
    if (timeLocale) ::freelocale(timeLocale);
    return result;
}

}  // namespace skyvane
