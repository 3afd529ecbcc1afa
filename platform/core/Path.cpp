#include "platform/core/Path.h"

#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/core/Text.h"

// The user's home: HOME, else the account's home folder (a console started without HOME,
// as from a service, must still find the operator's store, never one under "/").
static std::string HomeFolder() {
    if (const char* h = std::getenv("HOME"); h && *h == '/')
        return h;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
        return found->pw_dir;
    return "";
}

std::string DriveCRoot() {
    if (const char* c = std::getenv("ZORVIK_DRIVE_C"); c && *c)
        return c;
    std::string base;
    // A relative XDG_DATA_HOME is invalid and ignored, as the base directory rules say.
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x == '/')
        base = x;
    else
        base = HomeFolder() + "/.local/share";
    return base + "/zorvik/drive_c";
}

static std::string StripTrailingSlash(std::string s) {
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

namespace {

// The folder resolved by ResolveFolderLinks: its host path as mapped, and the folder it is.
std::string g_mappedFolder;
std::string g_resolvedFolder;

std::string MappedPath(const char* windowsPath);

} // namespace

bool ResolveFolderLinks(const char* windowsFolder) {
    const std::string mapped = StripTrailingSlash(MappedPath(windowsFolder));
    char* resolved = ::realpath(mapped.c_str(), nullptr);
    if (!resolved)
        return false;
    g_mappedFolder = mapped;
    g_resolvedFolder = resolved;
    std::free(resolved);
    return true;
}

std::string HostPath(const char* windowsPath) {
    std::string p = MappedPath(windowsPath);
    const std::size_t n = g_mappedFolder.size();
    if (n > 0 && p.compare(0, n, g_mappedFolder) == 0 && (p.size() == n || p[n] == '/'))
        p = g_resolvedFolder + p.substr(n);
    return p;
}

namespace {

std::string MappedPath(const char* windowsPath) {
    std::string p = AnsiToHostUtf8(windowsPath);
    for (char& c : p)
        if (c == '\\')
            c = '/';
    if (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]))) {
        char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(p[0])));
        std::string rest = p.substr(2);
        if (!rest.empty() && rest[0] != '/')
            rest = "/" + rest;
        if (drive == 'Z')
            return rest.empty() ? "/" : rest;
        std::string root = StripTrailingSlash(DriveCRoot());
        if (drive != 'C') {
            std::string parent = root.substr(0, root.find_last_of('/'));
            root = parent + "/dosdevices/" + static_cast<char>(std::tolower(drive)) + ":";
        }
        return root + rest;
    }
    return p;
}

} // namespace

CString WindowsPath(const std::string& hostPath) {
    std::string root = StripTrailingSlash(DriveCRoot());
    std::string rest;
    char drive;
    if (hostPath.compare(0, root.size(), root) == 0 &&
        (hostPath.size() == root.size() || hostPath[root.size()] == '/')) {
        drive = 'C';
        rest = hostPath.substr(root.size());
    } else {
        drive = 'Z';
        rest = hostPath;
    }
    for (char& c : rest)
        if (c == '/')
            c = '\\';
    if (rest.empty())
        rest = "\\";
    CString out(drive);
    out += ":";
    out += HostUtf8ToAnsi(rest);
    return out;
}
