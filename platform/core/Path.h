// Windows paths on the host, mapped as Wine does: C:\ is a host folder, Z:\ the host's root.
#pragma once

#include <string>

#include "platform/core/CString.h"

// The host folder behind drive C: ($ZORVIK_DRIVE_C, else $XDG_DATA_HOME/zorvik/drive_c,
// else ~/.local/share/zorvik/drive_c). Read at every call so tests can point it elsewhere.
std::string DriveCRoot();

// Host path (UTF-8) of a Windows path in the ANSI code page. A path without a drive is
// taken relative to the current directory; other drive letters map below drive C's parent
// folder as "dosdevices/<letter>:".
std::string HostPath(const char* windowsPath);

// The operator's path to the program's folder may pass through links (drive C: on a link, a
// home folder on a link); the program's own files below it are opened without following
// links. The folder is therefore resolved once to the host folder it is, and HostPath maps the
// paths below it there from then on (one folder at a time; a later call replaces it). False,
// with nothing changed, when the folder cannot be resolved (it does not exist).
bool ResolveFolderLinks(const char* windowsFolder);

// Windows form of a host path: below the drive C: folder "C:\...", else "Z:\...".
CString WindowsPath(const std::string& hostPath);
