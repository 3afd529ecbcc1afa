#include <gtest/gtest.h>

#include <dirent.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win/StationWire.h"

namespace {

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> names;
    if (DIR* d = opendir(STATION_CORPUS)) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

} // namespace

// The corpus of the decoder's fuzz target: "ok-" files are datagrams, "bad-" files are not.
// Every datagram that passes encodes back to exactly its bytes.
TEST(StationWire, CorpusDecodesAsNamedAndRoundTrips) {
    std::vector<std::string> files = CorpusFiles();
    ASSERT_GE(files.size(), 10u);
    for (const std::string& name : files) {
        SCOPED_TRACE(name);
        std::vector<std::uint8_t> bytes = ReadFile(std::string(STATION_CORPUS) + "/" + name);
        zwin::StationDatagram d;
        zwin::DatagramCheck check = zwin::DecodeDatagram(bytes.data(), bytes.size(), &d);
        if (name.rfind("ok-", 0) == 0) {
            ASSERT_EQ(check, zwin::DatagramCheck::Ok);
            EXPECT_EQ(zwin::EncodeDatagram(d), bytes);
        } else {
            EXPECT_NE(check, zwin::DatagramCheck::Ok);
        }
    }
}

TEST(StationWire, FieldsSitAtTheirLittleEndianOffsets) {
    // Built byte by byte, as an engine written in another language would.
    std::vector<std::uint8_t> bytes = ReadFile(std::string(STATION_CORPUS) + "/ok-send-copydata.bin");
    zwin::StationDatagram d;
    ASSERT_EQ(zwin::DecodeDatagram(bytes.data(), bytes.size(), &d), zwin::DatagramCheck::Ok);
    EXPECT_EQ(d.kind, zwin::kDatagramSend);
    EXPECT_EQ(d.senderPid, 100u);
    EXPECT_EQ(d.sequence, 7u);
    EXPECT_EQ(d.target, 0x101u);
    EXPECT_EQ(d.message, 0x4Au);
    EXPECT_EQ(d.wParam, 0x102u);
    EXPECT_EQ(d.lParam, 3048u);
    const char text[] = "1|2|3|한글";
    ASSERT_EQ(d.payloadLength, std::strlen(text));
    EXPECT_EQ(std::memcmp(d.payload, text, d.payloadLength), 0);

    zwin::StationDatagram big;
    big.kind = zwin::kDatagramPost;
    big.senderPid = 0x01020304;
    big.target = 0x1122334455667788ull;
    big.message = 0xBED;
    big.wParam = 0x8877665544332211ull;
    std::vector<std::uint8_t> out = zwin::EncodeDatagram(big);
    ASSERT_EQ(out.size(), zwin::kStationHeaderSize);
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + 8, out.begin() + 12),
              (std::vector<std::uint8_t>{4, 3, 2, 1}));
    EXPECT_EQ(out[16], 0x88);
    EXPECT_EQ(out[23], 0x11);
    EXPECT_EQ(out[24], 0xED);
    EXPECT_EQ(out[25], 0x0B);
    EXPECT_EQ(out[32], 0x11);
    EXPECT_EQ(out[39], 0x88);
}
