// The export's comma-separated text file: one WriteRow per line, CR LF line ends, texts in
// code page 949 as the lists hold them.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/core/CString.h"
#include "platform/core/StdioFile.h"

class CCSVFile : public CStdioFile {
public:
    using CStdioFile::CStdioFile;
    ~CCSVFile() override;

    // Writes one line; a field holding a comma, a double quote or a line break is enclosed in
    // double quotes, with each double quote inside written twice. Throws CFileException*.
    void WriteRow(const CStringArray& fields);
    // The same line, "\n" ended, written at `out`, which has RowRoom bytes of room, for a
    // writer that gathers many rows before it writes them; returns its end.
    static char* AppendRow(char* out, const std::string_view* fields, int count);
    static std::size_t RowRoom(const std::string_view* fields, int count);
};
