#include "support/TempDrive.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "platform/core/Path.h"

TempDrive::TempDrive() {
    char tmpl[] = "/tmp/zorvik-test-XXXXXX";
    if (!mkdtemp(tmpl))
        throw std::runtime_error("mkdtemp failed");
    m_top = tmpl;
    m_root = m_top + "/drive_c";
    m_station = m_top + "/station";
    std::filesystem::create_directories(m_root);
    if (const char* d = std::getenv("ZORVIK_DRIVE_C")) {
        m_hadDrive = true;
        m_savedDrive = d;
    }
    if (const char* s = std::getenv("ZORVIK_STATION")) {
        m_hadStation = true;
        m_savedStation = s;
    }
    setenv("ZORVIK_DRIVE_C", m_root.c_str(), 1);
    setenv("ZORVIK_STATION", m_station.c_str(), 1);
}

TempDrive::~TempDrive() {
    if (m_hadDrive)
        setenv("ZORVIK_DRIVE_C", m_savedDrive.c_str(), 1);
    else
        unsetenv("ZORVIK_DRIVE_C");
    if (m_hadStation)
        setenv("ZORVIK_STATION", m_savedStation.c_str(), 1);
    else
        unsetenv("ZORVIK_STATION");
    std::error_code ec;
    std::filesystem::permissions(m_top, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(m_top, ec);
}

std::string TempDrive::MakeFolder(const char* windowsPath) const {
    std::string host = HostPath(windowsPath);
    std::filesystem::create_directories(host);
    return host;
}

std::string TempDrive::MakeBaseFolder() const {
    return MakeFolder(kBaseFolder);
}
