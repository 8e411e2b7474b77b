// SPDX-License-Identifier: GPL-3.0-or-later
#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <new>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

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

// The temporary files of atomic replacements are named "." + the target's name + "." +
// the process id + "." + a per-process counter + ".tmp"; long names are shortened so
// the temporary name stays within the file system's limit.
std::string TemporaryPrefixFor(const std::string& target) {
    return "." + BaseNameOf(target).substr(0, 200) + ".";
}

std::string TemporaryNameFor(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    return JoinPath(DirectoryOf(target), TemporaryPrefixFor(target) + std::to_string(::getpid()) +
                                             "." + std::to_string(counter++) + ".tmp");
}

// The temporary files this process is writing right now; any other one that carries
// this process's id was left by an earlier process that had the same id.
class TemporariesInUse {
public:
    void Add(const std::string& name) {
        std::lock_guard lock(mutex_);
        names_.insert(name);
    }
    void Remove(const std::string& name) {
        std::lock_guard lock(mutex_);
        names_.erase(name);
    }
    bool Contains(const std::string& name) {
        std::lock_guard lock(mutex_);
        return names_.count(name) != 0;
    }

private:
    std::mutex mutex_;
    std::set<std::string> names_;
};

TemporariesInUse& InUse() {
    static TemporariesInUse inUse;
    return inUse;
}

// The process id in the name of a temporary file for the target whose temporaries
// start with `prefix`, or nothing when `name` is not one.
std::optional<pid_t> TemporaryOwner(std::string_view name, std::string_view prefix) {
    if (name.substr(0, prefix.size()) != prefix) return std::nullopt;
    name.remove_prefix(prefix.size());
    const auto digits = [&name]() -> std::optional<unsigned long long> {
        std::size_t n = 0;
        unsigned long long value = 0;
        while (n < name.size() && n < 19 && name[n] >= '0' && name[n] <= '9')
            value = value * 10 + static_cast<unsigned>(name[n++] - '0');
        if (n == 0) return std::nullopt;
        name.remove_prefix(n);
        return value;
    };
    const std::optional<unsigned long long> pid = digits();
    if (!pid || *pid == 0 || *pid > static_cast<unsigned long long>(INT_MAX)) return std::nullopt;
    if (name.substr(0, 1) != ".") return std::nullopt;
    name.remove_prefix(1);
    if (!digits() || name != ".tmp") return std::nullopt;
    return static_cast<pid_t>(*pid);
}

// Removes the temporary files that writes of `target` left behind when their process
// was killed: those of processes that no longer run (or of an earlier process with
// this one's id), regular files of this user only. Temporaries of a live writer stay.
void RemoveStaleTemporaries(const std::string& target) {
    const std::string directory = DirectoryOf(target);
    const std::string prefix = TemporaryPrefixFor(target);
    std::vector<std::string> stale;
    if (DIR* dir = ::opendir(directory.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::optional<pid_t> owner = TemporaryOwner(entry->d_name, prefix);
            if (!owner) continue;
            const std::string name = JoinPath(directory, entry->d_name);
            const bool ownerGone = *owner == ::getpid() ? !InUse().Contains(name)
                                                        : ::kill(*owner, 0) != 0 && errno == ESRCH;
            struct stat st;
            if (ownerGone && ::lstat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                st.st_uid == ::geteuid())
                stale.push_back(name);
        }
        ::closedir(dir);
    }
    for (const std::string& name : stale) ::unlink(name.c_str());
}

void SyncDirectory(const std::string& directory) {
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The file a write of `path` must change: symbolic links are followed, so that a link
// stays a link and its target receives the new content; a link whose target does not
// exist yet leads to that target, which the write then creates. Nothing for a loop.
std::optional<std::string> FollowLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        // One byte more than the link's length, so that a cut-off reading shows.
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1,
                           '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return std::nullopt;
        target.resize(static_cast<std::size_t>(n));
        path = target.front() == PathDelimiter ? target : JoinPath(DirectoryOf(path), target);
    }
    return std::nullopt;
}

bool PwriteAll(int fd, std::string_view bytes) {
    off_t offset = 0;
    while (!bytes.empty()) {
        ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
        offset += n;
    }
    return true;
}

// Writes `content` over the existing file `target` (described by `expected`) where it
// is, for when a rename cannot be used: its folder cannot be written, the file is a
// mount point, or it has further names (hard links) that must keep sharing it. The room
// a longer content needs is taken before any byte changes, so a full disk leaves the old
// file whole; the new bytes go in with one write and reach the disk before this returns.
bool WriteInPlace(const std::string& target, const struct stat& expected,
                  std::string_view content) {
    int fd = ::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == expected.st_dev &&
              st.st_ino == expected.st_ino;
    const off_t size = static_cast<off_t>(content.size());
    if (ok && size > st.st_size) ok = ::posix_fallocate(fd, st.st_size, size - st.st_size) == 0;
    ok = ok && PwriteAll(fd, content) && ::ftruncate(fd, size) == 0 && ::fsync(fd) == 0;
    return CloseChecked(fd) && ok;
}

enum class TReplaceResult { Replaced, Failed, RenameUnusable };

// The atomic way: a temporary file beside `target` is written, flushed and renamed over
// it. `existing` describes the present target, or is nullptr for a new file.
TReplaceResult ReplaceThroughTemporary(const std::string& target, const struct stat* existing,
                                       std::string_view content) {
    const std::string temporary = TemporaryNameFor(target);
    InUse().Add(temporary);
    int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, existing ? 0600 : 0666);
    if (fd < 0) {
        const int error = errno;
        InUse().Remove(temporary);
        return error == EACCES || error == EPERM || error == EROFS ? TReplaceResult::RenameUnusable
                                                                   : TReplaceResult::Failed;
    }
    bool ok = true;
    if (existing) {
        ok = ::fchmod(fd, existing->st_mode & 07777) == 0;
        // Keeping the owner works only with the right to do so; the content matters more.
        if (ok && (existing->st_uid != ::geteuid() || existing->st_gid != ::getegid()))
            (void)!::fchown(fd, existing->st_uid, existing->st_gid);
    }
    ok = ok && WriteAll(fd, content) && ::fsync(fd) == 0;
    ok = CloseChecked(fd) && ok;
    int renameError = 0;
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        renameError = errno;
        ok = false;
    }
    if (!ok) ::unlink(temporary.c_str());
    InUse().Remove(temporary);
    if (ok) {
        SyncDirectory(DirectoryOf(target));
        return TReplaceResult::Replaced;
    }
    return renameError == EACCES || renameError == EPERM || renameError == EBUSY
               ? TReplaceResult::RenameUnusable
               : TReplaceResult::Failed;
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

bool IsDirectory(std::string_view path) {
    struct stat st;
    return !path.empty() && ::stat(ResolvePathCase(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
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
    const std::optional<std::string> targetPath = FollowLinks(ResolvePathCase(path));
    if (!targetPath) return false;
    const std::string& target = *targetPath;

    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode) || IsReadOnly(st) || ::access(target.c_str(), W_OK) != 0)
            return false;
    } else if (errno != ENOENT) {
        return false;
    }
    RemoveStaleTemporaries(target);
    // A rename would give this name a new file and leave the other names the old one.
    if (exists && st.st_nlink > 1) return WriteInPlace(target, st, content);
    switch (ReplaceThroughTemporary(target, exists ? &st : nullptr, content)) {
        case TReplaceResult::Replaced:
            return true;
        case TReplaceResult::RenameUnusable:
            return exists && WriteInPlace(target, st, content);
        case TReplaceResult::Failed:
            break;
    }
    return false;
}

bool CreateEmptyFile(std::string_view path) {
    const std::string resolved = ResolvePathCase(path);
    if (resolved.empty() || ExistingFileIsReadOnly(resolved)) return false;
    // O_NOFOLLOW: a symbolic link planted under the log's name must not make this
    // truncate whatever it points to.
    int fd =
        ::open(resolved.c_str(),
               O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    return CloseChecked(fd);
}

bool AppendToFile(std::string_view path, std::string_view bytes) {
    const std::string resolved = ResolvePathCase(path);
    if (resolved.empty() || ExistingFileIsReadOnly(resolved)) return false;
    const int flags = O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = ::open(resolved.c_str(), flags | O_APPEND);
    // Only a file that is gone is created anew, and only where nothing stands now.
    if (fd < 0 && errno == ENOENT) fd = ::open(resolved.c_str(), flags | O_CREAT | O_EXCL, 0666);
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
