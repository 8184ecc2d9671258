#include "common/filenames.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>

namespace {

TEST(FileNames, Extensions) {
    EXPECT_EQ(FindAnyExtender("a.b.c"), 3);
    EXPECT_EQ(FindAnyExtender("abc"), -1);
    EXPECT_EQ(FindAnyExtender(nullptr), -1);
    char s[32] = "photo.tar.gz";
    StripAnyExtender(s);
    EXPECT_STREQ(s, "photo.tar");
    StripAnyBMPExtender(s);
    EXPECT_STREQ(s, "photo");
    StripAnyExtender(s);
    EXPECT_STREQ(s, "photo");

    char out[32] = "junk";
    get_extender_with_dot(out, "a.tar.gz");
    EXPECT_STREQ(out, ".gz");
    get_extender_with_dot(out, ".");
    EXPECT_STREQ(out, "");
    strcpy(out, "junk");
    get_extender_with_dot(out, "noext");
    EXPECT_STREQ(out, "");
    get_extender_with_dot(nullptr, "a.b");

    char b[32] = "My.Picture.PNG";
    EnsureBMPExtender(b);
    EXPECT_STREQ(b, "my.picture.bmp");
    char n[32] = "Name";
    EnsureBMPExtender(n);
    EXPECT_STREQ(n, "name.bmp");
    char x[32] = "x";
    AppendGIF(x);
    AppendJPG(x);
    AppendPSD(x);
    EXPECT_STREQ(x, "x.gif.jpg.psd");
}

TEST(FileNames, TypeTests) {
    struct Case {
        const char* name;
        bool gif, png, jpeg, bmp, psd, tiff, image;
    } cases[] = {
        {"x.GIF.txt", true, false, false, false, false, false, true},
        {"a.JPEG", false, false, true, false, false, false, true},
        {"b.jpg", false, false, true, false, false, false, true},
        {".gi", false, false, false, false, false, false, false},
        {"scan.tiff", false, false, false, false, false, true, true},
        {"p.Png", false, true, false, false, false, false, true},
        {"p.bmp", false, false, false, true, false, false, true},
        {"doc.PSD", false, false, false, false, true, false, true},
        {"notes.txt", false, false, false, false, false, false, false},
        {".png", false, true, false, false, false, false, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsGIFFile(c.name), c.gif) << c.name;
        EXPECT_EQ(IsPNGFile(c.name), c.png) << c.name;
        EXPECT_EQ(IsJPEGFile(c.name), c.jpeg) << c.name;
        EXPECT_EQ(IsBMPFile(c.name), c.bmp) << c.name;
        EXPECT_EQ(IsPSDFile(c.name), c.psd) << c.name;
        EXPECT_EQ(IsTIFFFile(c.name), c.tiff) << c.name;
        EXPECT_EQ(isImageFilename(c.name), c.image) << c.name;
    }
    EXPECT_FALSE(IsGIFFile(nullptr));
    EXPECT_FALSE(isImageFilename(nullptr));
}

TEST(FileNames, Renumbering) {
    char dst[260];
    GenerateRenumbered_C_Filename(dst, "photo.jpg", 3);
    EXPECT_STREQ(dst, "photo 3.jpg");
    GenerateRenumbered_C_Filename(dst, "photo", -12);
    EXPECT_STREQ(dst, "photo -12");
    GenerateRenumbered_C_Filename(dst, "a.b.c", 0);
    EXPECT_STREQ(dst, "a.b 0.c");
    // An over-long source is cut, never written past the 260-byte result; it
    // loses the end of its stem but keeps the number and the extension, so
    // copies numbered differently stay distinct.
    std::string longName(400, 'q');
    longName += ".png";
    GenerateRenumbered_C_Filename(dst, longName.c_str(), 7);
    EXPECT_EQ(strlen(dst), 259u);
    EXPECT_EQ(std::string(dst), std::string(253, 'q') + " 7.png");
    char other[260];
    GenerateRenumbered_C_Filename(other, longName.c_str(), 8);
    EXPECT_STRNE(dst, other);
    // A stem of two-byte characters is cut between characters.
    std::string wide;
    for (int i = 0; i < 200; i++) wide += "\xC3\xA9";
    wide += ".jpg";
    GenerateRenumbered_C_Filename(dst, wide.c_str(), 12);
    const std::string cut = dst;
    ASSERT_GE(cut.size(), 7u);
    EXPECT_EQ(cut.substr(cut.size() - 7), " 12.jpg");
    EXPECT_EQ((cut.size() - 7) % 2, 0u);
    EXPECT_LE(cut.size(), 259u);
    // A text after the last point too long to be an extension is cut like a stem.
    std::string longExt = "a." + std::string(300, 'x');
    GenerateRenumbered_C_Filename(dst, longExt.c_str(), 5);
    EXPECT_EQ(std::string(dst), "a." + std::string(255, 'x') + " 5");
    GenerateRenumbered_C_Filename(nullptr, "a", 1);
}

TEST(FileNames, KindMatching) {
    EXPECT_TRUE(MacFileKindMatches("whatever", 0x4A504547, "zzz", 0x4A504547));
    EXPECT_TRUE(MacFileKindMatches("JPEG image", 1, "jpeg", 2));
    EXPECT_FALSE(MacFileKindMatches("JPEG image", 1, "png", 2));
    EXPECT_FALSE(MacFileKindMatches("jp", 1, "jpeg", 2));
    EXPECT_FALSE(MacFileKindMatches("jpeg", 1, "", 2));
    EXPECT_FALSE(MacFileKindMatches(nullptr, 1, "jpeg", 2));
}

TEST(Dates, DateTimeCountCountsFromTheOldEpoch) {
    // 1 January 2001, 00:00 UTC is 978307200 in Unix time.
    EXPECT_EQ(DateTimeCountFromUnixTime(978307200), 3061123200u);
    const int64_t now = std::time(nullptr);
    const uint32_t count = QevReturnDateTime();
    EXPECT_LE(count - DateTimeCountFromUnixTime(now), 2u);
    uint32_t a = 0, b = 0, c = 0;
    GetOldFashionedDateTime(&a);
    GetSecondsNow(&b);
    GetUTCSecondsNow(&c);
    EXPECT_LE(c - a, 2u);
    EXPECT_LE(b - a, 2u);
}

// The calendar fields agree with the standard library's own civil calendar.
TEST(Dates, UTCCalendarMatchesChrono) {
    using namespace std::chrono;
    for (int64_t offset : {int64_t(0), int64_t(-86400) * 400, int64_t(3600) * 5000}) {
        int32_t y = 0, m = 0, d = 0, h = 0;
        const int64_t before = system_clock::to_time_t(system_clock::now());
        UTCYearMonthDayHour(&y, &m, &d, &h, offset);
        const int64_t after = system_clock::to_time_t(system_clock::now());
        if (before != after) continue;  // a second boundary passed; the date may differ
        const sys_seconds t {seconds(before + offset)};
        const sys_days day = floor<days>(t);
        const year_month_day ymd {day};
        EXPECT_EQ(y, int(ymd.year()));
        EXPECT_EQ(m, int(unsigned(ymd.month())));
        EXPECT_EQ(d, int(unsigned(ymd.day())));
        EXPECT_EQ(h, duration_cast<hours>(t - day).count());
        int32_t y2 = 0, m2 = 0, d2 = 0, h2 = 0;
        UTCYearMonthDayHour_mac_new(&y2, &m2, &d2, &h2, offset);
        EXPECT_EQ(y2 * 1000000 + m2 * 10000 + d2 * 100 + h2, y * 1000000 + m * 10000 + d * 100 + h);
    }
}

TEST(Dates, LocalCalendarIsPlausible) {
    int32_t y = 0, mo = 0, d = 0, h = -1, mi = -1, s = -1;
    LocalYearMonthDayHourMinutesSeconds(&y, &mo, &d, &h, &mi, &s);
    EXPECT_GE(y, 2024);
    EXPECT_TRUE(mo >= 1 && mo <= 12);
    EXPECT_TRUE(d >= 1 && d <= 31);
    EXPECT_TRUE(h >= 0 && h <= 23);
    EXPECT_TRUE(mi >= 0 && mi <= 59);
    EXPECT_TRUE(s >= 0 && s <= 60);
    int32_t uy = 0;
    UTCYearMonthDayHour(&uy, nullptr, nullptr, nullptr, 0);
    EXPECT_LE(std::abs(uy - y), 1);
}

TEST(Proportions, SnugAndMatch) {
    struct Case {
        int64_t w, h, size, W, H;
    } cases[] = {{400, 300, 100, 100, 75}, {1, 1000, 10, 1, 10}, {300, 400, 100, 75, 100},
                 {5, 5, 0, 5, 5},          {0, 0, 8, 1, 1},     {7, 3, 7, 7, 3}};
    for (const Case& c : cases) {
        int64_t w = c.w, h = c.h;
        MakeSnug(&w, &h, c.size);
        EXPECT_EQ(w, c.W) << c.w << "x" << c.h;
        EXPECT_EQ(h, c.H) << c.w << "x" << c.h;
    }
    int64_t W = 200, H = 0;
    MatchProportions(4, 3, &W, &H, true);
    EXPECT_EQ(H, 150);
    W = 0, H = 90;
    MatchProportions(4, 3, &W, &H, false);
    EXPECT_EQ(W, 120);
    W = 5, H = 6;
    MatchProportions(0, 0, &W, &H, true);
    MatchProportions(0, 0, &W, &H, false);
    EXPECT_EQ(W, 5);
    EXPECT_EQ(H, 6);
}

}  // namespace
