#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Text.h"

TEST(CString, FormatAndSlicing) {
    CString s;
    s.Format("%02d%02d", 9, 5);
    EXPECT_EQ(s, "0905");
    EXPECT_EQ(s.Mid(2, 2), "05");
    EXPECT_EQ(s.Mid(3, 5), "5");
    EXPECT_EQ(s.Mid(7, 2), ""); // past the end is empty
    EXPECT_EQ(s.Left(2), "09");
    EXPECT_EQ(s.Right(1), "5");
    CString big;
    big.Format("%s-%s", std::string(300, 'a').c_str(), "z");
    EXPECT_EQ(big.GetLength(), 302);
    EXPECT_EQ(big.Right(2), "-z");
}

TEST(CString, SearchesStepOverDoubleByteCharacters) {
    // "\xB0\x7C" is not a 949 character pair with '|' second: 0x7C cannot trail. But 0x5C
    // ('\\') after a lead byte... cannot trail either; use a real pair whose trail byte is
    // an ASCII letter: 0x81 0x41 is a valid UHC character.
    CString s("\x81\x41"
              "A|B");
    EXPECT_EQ(s.Find('A'), 2); // the trail byte 0x41 is not an 'A'
    EXPECT_EQ(s.Find("A|"), 2);
    EXPECT_EQ(s.Replace('A', 'x'), 1);
    EXPECT_EQ(s, "\x81\x41"
                 "x|B");
    CString r("\x81\x41\x81\x41");
    EXPECT_EQ(r.Remove('A'), 0);
    EXPECT_EQ(r.ReverseFind('A'), -1);
}

TEST(CString, TrimAndTokenize) {
    CString s("  한글 \t\r\n");
    s.Trim();
    EXPECT_EQ(s, "한글");
    int pos = 0;
    CString line("||a||bb|");
    EXPECT_EQ(line.Tokenize("|", pos), "a");
    EXPECT_EQ(line.Tokenize("|", pos), "bb");
    EXPECT_EQ(line.Tokenize("|", pos), "");
    EXPECT_EQ(pos, -1);
}

TEST(CString, InsertRemoveCompare) {
    CString s("1234567");
    s.Insert(1, ',');
    s.Insert(5, ',');
    EXPECT_EQ(s, "1,234,567");
    EXPECT_EQ(s.Remove(','), 2);
    EXPECT_EQ(s, "1234567");
    EXPECT_TRUE(CString("norun") == "norun");
    EXPECT_FALSE(CString("NoRun") == "norun");
    EXPECT_LT(CString("a").Compare("b"), 0);
}

TEST(Text, KoreanRoundTripsThroughUtf8AndUtf16) {
    const char* korean = "미니 나스닥"; // code page 949 bytes in this program
    EXPECT_EQ(std::strlen(korean), 11u);
    EXPECT_EQ(AnsiToHostUtf8(korean), "\xEB\xAF\xB8\xEB\x8B\x88 \xEB\x82\x98\xEC\x8A\xA4\xEB\x8B\xA5");
    EXPECT_EQ(HostUtf8ToAnsi(AnsiToHostUtf8(korean)), korean);
    EXPECT_EQ(Utf16ToAnsi(AnsiToUtf16(korean)), korean);
    BSTR b = CString(korean).AllocSysString();
    EXPECT_EQ(SysStringLen(b), 6u);
    SysFreeString(b);
}

TEST(Text, BadInputBecomesSubstitutesNeverAnError) {
    // A lone lead byte at the end and malformed UTF-8.
    std::u16string w = AnsiToUtf16("A\xB0");
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0], u'A');
    EXPECT_EQ(w[1], 0xFFFD);
    CString a = HostUtf8ToAnsi("x\xFF"
                               "y");
    EXPECT_EQ(a, "x?y");
    // A character without a 949 form.
    EXPECT_EQ(Utf16ToAnsi(u"\u0E01z"), "?z");
    // The Win32 size query includes the terminator for a length of -1.
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab", -1, nullptr, 0), 3);
}

TEST(Text, ConversionsKeepTheirStateApartAcrossCallsAndThreads) {
    // A failed conversion leaves nothing behind for the next one of the same pair.
    EXPECT_EQ(HostUtf8ToAnsi("x\xFF"), "x?");
    EXPECT_EQ(HostUtf8ToAnsi(AnsiToHostUtf8("한글")), "한글");
    // Threads converting at once each get their own converters.
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&wrong] {
            for (int i = 0; i < 2000; ++i) {
                const CString text = CString("매매내역 ") + std::to_string(i).c_str();
                if (HostUtf8ToAnsi(AnsiToHostUtf8(text)) != text)
                    ++wrong;
                if (Utf16ToAnsi(AnsiToUtf16("총손익")) != "총손익")
                    ++wrong;
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(wrong, 0);
}

TEST(Text, CopyBoundedNeverSplitsACharacter) {
    char buf[6];
    std::memset(buf, 'X', sizeof buf);
    EXPECT_EQ(CopyBounded(buf, 6, "ab한글"), 4); // "ab" + one 2-byte char; the next would not fit
    EXPECT_STREQ(buf, "ab한");
    EXPECT_EQ(CopyBounded(buf, 6, "abc"), 3);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(CopyBounded(buf, 1, "abc"), 0);
    EXPECT_STREQ(buf, "");
    // A lead byte whose pair would end past the room stays out; one before the NUL is copied alone.
    EXPECT_EQ(CopyBounded(buf, 5, "abc한"), 3);
    EXPECT_EQ(CopyBounded(buf, 6, "ab\xB0"), 3);
    EXPECT_STREQ(buf, "ab\xB0");
}

TEST(Text, CharSizeTakesATrailByteOnlyWhenOneFollows) {
    EXPECT_EQ(CharSize("\xB0\x41", 0), 2);
    EXPECT_EQ(CharSize("\xB0", 0), 1);
    EXPECT_EQ(CharSize("A\xB0", 0), 1);
    EXPECT_EQ(CharSize("A\xB0", 1), 1);
    EXPECT_EQ(CharSize("\xFE\xFE", 0), 2);
    EXPECT_EQ(CharSize("\x80\x41", 0), 1); // 0x80 leads nothing in 949
}

TEST(Exceptions, FileExceptionTextsNameTheFile) {
    CFileException e(CFileException::diskFull, 112, "C:\\a.csv");
    EXPECT_EQ(e.GetErrorMessage(), "C:\\a.csv에 액세스하는 동안 디스크가 꽉 찼습니다.");
    CFileException d(CFileException::accessDenied, 5, "C:\\b.csv");
    EXPECT_EQ(d.GetErrorMessage(), "C:\\b.csv 액세스가 거부되었습니다.");
}
