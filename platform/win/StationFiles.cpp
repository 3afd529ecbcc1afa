#include "platform/win/StationFiles.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <vector>

#include "platform/core/Files.h"
#include "platform/core/Sys.h"
#include "platform/win/Station.h"

namespace {

// A station file is read whole; records of a few engines are far smaller.
constexpr std::size_t kReadLimit = 64 * 1024;

struct Kept {
    std::string text;
    dev_t dev = 0;
    ino_t ino = 0;
};

struct OwnFiles {
    std::map<std::string, Kept> written; // by path
    int lockFd = -1;
    std::string lockPath;
    dev_t lockDev = 0;
    ino_t lockIno = 0;
};

OwnFiles& Own() {
    // Never destroyed: the lock stays held until the process ends.
    static OwnFiles* files = new OwnFiles;
    return *files;
}

// The path of `name` in the station, empty when the station cannot be used.
std::string PathOf(const char* name) {
    const zwin::StationStatus status = zwin::OpenStation();
    return status.refusal == zwin::StationRefusal::None ? status.folder + "/" + name : std::string();
}

std::string FolderOf(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

// A regular file of this user with one link, checked on the descriptor; what it is, in st.
bool OwnRegular(int fd, struct stat* st) {
    return CheckOwnFile(fd) == FileRefusal::None && Sys().fstat(fd, st) == 0;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = Sys().write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteAt(const std::string& path, const std::string& text) {
    const std::string aside = path + "." + std::to_string(getpid()) + ".new";
    Sys().unlink(aside.c_str()); // left by an earlier process with this pid
    const int fd = Sys().open(aside.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, text);
    if (Sys().close(fd) != 0 || !written || Sys().rename(aside.c_str(), path.c_str()) != 0) {
        Sys().unlink(aside.c_str());
        return false;
    }
    struct stat st;
    Kept& kept = Own().written[path];
    kept.text = text;
    if (Sys().lstat(path.c_str(), &st) == 0) {
        kept.dev = st.st_dev;
        kept.ino = st.st_ino;
    }
    return true;
}

// Whether path is still the file (dev, ino) that this process made.
bool StillThere(const std::string& path, dev_t dev, ino_t ino) {
    struct stat st;
    return Sys().lstat(path.c_str(), &st) == 0 && st.st_dev == dev && st.st_ino == ino;
}

zwin::StationLockResult LockAt(const std::string& path, int* error) {
    *error = 0;
    // A link or a folder is never opened; a FIFO does not block the open.
    const int fd = Sys().open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        *error = errno;
        return zwin::StationLockResult::Refused;
    }
    struct stat st;
    if (!OwnRegular(fd, &st)) {
        Sys().close(fd);
        return zwin::StationLockResult::Refused;
    }
    if (Sys().flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int failed = errno;
        Sys().close(fd);
        if (failed == EWOULDBLOCK)
            return zwin::StationLockResult::HeldByOther;
        *error = failed;
        return zwin::StationLockResult::Refused;
    }
    OwnFiles& own = Own();
    if (own.lockFd >= 0)
        Sys().close(own.lockFd);
    own.lockFd = fd;
    own.lockPath = path;
    own.lockDev = st.st_dev;
    own.lockIno = st.st_ino;
    return zwin::StationLockResult::Taken;
}

} // namespace

namespace zwin {

bool WriteStationFile(const char* name, const std::string& text) {
    const std::string path = PathOf(name);
    return !path.empty() && WriteAt(path, text);
}

void RemoveStationFile(const char* name) {
    const std::string path = PathOf(name);
    auto it = Own().written.find(path);
    if (it == Own().written.end())
        return;
    if (StillThere(path, it->second.dev, it->second.ino))
        Sys().unlink(path.c_str());
    Own().written.erase(it);
}

bool ReadStationFile(const char* name, std::string* text) {
    const std::string path = PathOf(name);
    if (path.empty())
        return false;
    const int fd = Sys().open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK, 0);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = OwnRegular(fd, &st);
    std::string read;
    std::vector<char> buffer(kReadLimit);
    while (ok && read.size() < kReadLimit) {
        const ssize_t n = Sys().read(fd, buffer.data(), kReadLimit - read.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        if (n <= 0)
            break;
        read.append(buffer.data(), static_cast<std::size_t>(n));
    }
    Sys().close(fd);
    if (ok)
        *text = read;
    return ok;
}

StationLockResult LockStation(const char* name, int* error) {
    int ignored = 0;
    int* failed = error ? error : &ignored;
    const std::string path = PathOf(name);
    if (path.empty()) {
        *failed = 0;
        return StationLockResult::Refused;
    }
    return LockAt(path, failed);
}

void UnlockStation() {
    OwnFiles& own = Own();
    if (own.lockFd >= 0)
        Sys().close(own.lockFd);
    own.lockFd = -1;
    own.lockPath.clear();
}

void KeepStationFiles() {
    OwnFiles& own = Own();
    const std::string folder = OpenStation().folder;
    // Only the files of the station in use now are kept.
    for (auto it = own.written.begin(); it != own.written.end();)
        it = FolderOf(it->first) == folder ? std::next(it) : own.written.erase(it);
    const std::map<std::string, Kept> written = own.written;
    for (const auto& [path, kept] : written)
        if (!StillThere(path, kept.dev, kept.ino))
            WriteAt(path, kept.text);
    // A lock whose file has gone locks nothing: it is taken again on a new file, once no other
    // process has taken that one meanwhile.
    if (own.lockFd >= 0 && FolderOf(own.lockPath) == folder &&
        !StillThere(own.lockPath, own.lockDev, own.lockIno)) {
        int error = 0;
        LockAt(own.lockPath, &error);
    }
}

} // namespace zwin
