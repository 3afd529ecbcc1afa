// A temporary drive C: (and station folder) for one test, removed afterwards.
#pragma once

#include <string>

#include "store/BaseFolder.h" // kBaseFolder, the console's base folder (code page 949)

class TempDrive {
public:
    TempDrive();
    ~TempDrive();
    TempDrive(const TempDrive&) = delete;
    TempDrive& operator=(const TempDrive&) = delete;

    // Host folder of drive C: and of the window station.
    const std::string& Root() const { return m_root; }
    const std::string& Station() const { return m_station; }
    // Makes a host folder below drive C: (with parents) from a Windows path "C:\...".
    std::string MakeFolder(const char* windowsPath) const;
    // Makes the console's base folder; returns its host path.
    std::string MakeBaseFolder() const;

private:
    std::string m_top;
    std::string m_root;
    std::string m_station;
    std::string m_savedDrive;
    std::string m_savedStation;
    bool m_hadDrive = false;
    bool m_hadStation = false;
};
