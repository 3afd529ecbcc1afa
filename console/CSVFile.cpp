#include "console/CSVFile.h"

#include <string>
#include <vector>

namespace {

constexpr char kQuote = '"';
constexpr char kComma = ',';

// The bytes that make a field quoted: a line break inside a field would split the row in two
// unless it is quoted.
struct SpecialBytes {
    bool is[256] = {};
    constexpr SpecialBytes() {
        for (const char ch : {kQuote, kComma, '\r', '\n'})
            is[static_cast<unsigned char>(ch)] = true;
    }
};
constexpr SpecialBytes kSpecial;

} // namespace

CCSVFile::~CCSVFile() = default;

void CCSVFile::WriteRow(const CStringArray& fields) {
    std::vector<std::string_view> views;
    views.reserve(static_cast<std::size_t>(fields.GetSize()));
    for (int i = 0; i < fields.GetSize(); ++i)
        views.emplace_back(fields.GetAt(i).str());
    std::string line(RowRoom(views.data(), static_cast<int>(views.size())), '\0');
    line.resize(static_cast<std::size_t>(
        AppendRow(line.data(), views.data(), static_cast<int>(views.size())) - line.data()));
    WriteString(line.data(), line.size());
}

std::size_t CCSVFile::RowRoom(const std::string_view* fields, int count) {
    // Every byte doubled at worst, the quotes, the commas and the line end.
    std::size_t room = 1;
    for (int i = 0; i < count; ++i)
        room += 2 * fields[i].size() + 3;
    return room;
}

char* CCSVFile::AppendRow(char* out, const std::string_view* fields, int count) {
    for (int i = 0; i < count; ++i) {
        const std::string_view field = fields[i];
        if (i > 0)
            *out++ = kComma;
        // Copied as it is while looking for a byte that needs quotes; written again if one shows.
        char* const start = out;
        bool special = false;
        for (const char ch : field) {
            *out++ = ch;
            special |= kSpecial.is[static_cast<unsigned char>(ch)];
        }
        if (!special)
            continue;
        out = start;
        *out++ = kQuote;
        for (const char ch : field) {
            *out++ = ch;
            if (ch == kQuote)
                *out++ = kQuote;
        }
        *out++ = kQuote;
    }
    *out++ = '\n';
    return out;
}
