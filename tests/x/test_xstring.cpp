// XString, the C text helpers and XException.

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <utility>

#include "TestFiles.h"
#include "XException.h"
#include "XString.h"

TEST(XString, ConstructionAndNullText)
{
    EXPECT_STREQ(XString().CStr(), "");
    EXPECT_STREQ(XString((const char*)nullptr).CStr(), "");
    EXPECT_STREQ(XString('x').CStr(), "x");
    EXPECT_STREQ(XString(-42).CStr(), "-42");
    EXPECT_STREQ(XString(INT_MIN).CStr(), "-2147483648");
    EXPECT_STREQ(XString((long long)-9000000000LL).CStr(), "-9000000000");
    EXPECT_STREQ(XString(2.5, 2).CStr(), "2.50");
    EXPECT_STREQ(XString(1.0f / 3.0f, 3).CStr(), "0.333");
    EXPECT_STREQ(XString(1e300, 0).Left(3).CStr(), "100");

    XString a("abc");
    XString b(a);
    b += "def";
    EXPECT_STREQ(a.CStr(), "abc");  // copies are independent
    EXPECT_STREQ(b.CStr(), "abcdef");
    a = nullptr;
    EXPECT_TRUE(a.IsEmpty());
    a.Assign("x\0y", 3);
    EXPECT_EQ(a.Length(), 3u);
    EXPECT_STREQ(a.CStr(), "x");  // read as C text
    a.Assign(nullptr, 5);
    EXPECT_TRUE(a.IsEmpty());
}

TEST(XString, Comparison)
{
    XString s("Abc");
    EXPECT_TRUE(s == "Abc");
    EXPECT_TRUE(s != "abc");
    EXPECT_TRUE(XString() == (const char*)nullptr);
    EXPECT_EQ(s.CompareNoCase("aBC"), 0);
    EXPECT_EQ(s.CompareNoCase("abd"), 'C' - 'D');
    EXPECT_GT(s.CompareNoCase(nullptr), 0);

    XString hi("\xE9"), lo("a");
    EXPECT_LT(XString::CompareFn(&hi, &lo), 0);  // signed characters: 0xE9 is negative
    XString ab("ab"), abc("abc");
    EXPECT_LT(XString::CompareFn(&ab, &abc), 0);
    EXPECT_EQ(XString::CompareFn(&ab, &ab), 0);
}

TEST(XString, FormatNeverOverruns)
{
    XString s;
    s.Format(64, "%s-%04d", "id", 7);
    EXPECT_STREQ(s.CStr(), "id-0007");
    s.Format(4, "%s", "abcdefgh");  // cut to the buffer, never beyond it
    EXPECT_STREQ(s.CStr(), "abc");
    EXPECT_EQ(s.Length(), 3u);
    s.Format(0, "%s", "abc");
    EXPECT_TRUE(s.IsEmpty());
}

TEST(XString, NumberTests)
{
    EXPECT_TRUE(XString("").IsDigits());
    EXPECT_TRUE(XString("0123").IsDigits());
    EXPECT_FALSE(XString("12a").IsDigits());
    EXPECT_FALSE(XString("-1").IsDigits());
    EXPECT_FALSE(XString(" 1").IsDigits());

    EXPECT_TRUE(XString("").IsNumber());
    EXPECT_TRUE(XString("12.50").IsNumber());
    EXPECT_TRUE(XString(".5").IsNumber());
    EXPECT_FALSE(XString("1.2.3").IsNumber());
    EXPECT_FALSE(XString("-1.5").IsNumber());
    EXPECT_FALSE(XString("1e5").IsNumber());

    EXPECT_EQ(XString("42abc").ToInt(), 42);
    EXPECT_EQ(XString("abc").ToInt(), 0);
    EXPECT_EQ(XString(" -7").ToInt(), -7);
    EXPECT_EQ(XString("99999999999999999999").ToInt(), INT_MAX);
    EXPECT_DOUBLE_EQ(XString("2.25x").ToDouble(), 2.25);
    EXPECT_FLOAT_EQ(XString("1.5").ToFloat(), 1.5f);
}

TEST(XString, InPlaceEdits)
{
    EXPECT_STREQ(XString(" \t a b \r\n").Trim().CStr(), "a b");
    EXPECT_STREQ(XString("   ").Trim().CStr(), "");

    EXPECT_STREQ(XString("12.500").TrimRightChars("0").CStr(), "12.5");
    EXPECT_STREQ(XString("12.000").TrimRightChars("0.").CStr(), "12");
    EXPECT_STREQ(XString("0000").TrimRightChars("0").CStr(), "");
    EXPECT_STREQ(XString("").TrimRightChars("0").CStr(), "");
    EXPECT_STREQ(XString("a0b").TrimRightChars("0").CStr(), "a0b");

    EXPECT_STREQ(XString("(555) 123-4567").RemoveChars("() -").CStr(), "5551234567");
    EXPECT_STREQ(XString("a\tb\x01"
                         "c\x7f")
                     .RemoveCharRange(0, 31)
                     .CStr(),
                 "abc\x7f");
    // Codes are signed bytes: bytes from 0x80 up are negative.
    EXPECT_STREQ(XString("a\xE9z").RemoveCharRange(-128, -1).CStr(), "az");
    EXPECT_STREQ(XString("a\xE9z").RemoveCharRange(0, 127).CStr(), "\xE9");

    EXPECT_STREQ(XString("a--b---c").Remove("--").CStr(), "ab-c");
    EXPECT_STREQ(XString("abc").Remove("").CStr(), "abc");
    EXPECT_STREQ(XString("a\tb\tc").Replace('\t', ' ').CStr(), "a b c");
    EXPECT_STREQ(XString("mIxEd 1").MakeUpper().CStr(), "MIXED 1");
}

TEST(XString, ShortAndLongTextsMoveAndGrow)
{
    // Lengths around the point where a text leaves the object for the heap.
    for (size_t n : {0u, 1u, 22u, 23u, 24u, 100u}) {
        const std::string want(n, 'q');
        XString a;
        for (size_t i = 0; i < n; ++i)
            a += 'q';
        EXPECT_EQ(std::string(a.CStr()), want);
        EXPECT_EQ(a.Length(), n);

        XString moved(std::move(a));
        EXPECT_EQ(std::string(moved.CStr()), want);
        EXPECT_TRUE(a.IsEmpty());
        EXPECT_STREQ(a.CStr(), "");
        a = "reused";  // a moved-from text works on
        EXPECT_STREQ(a.CStr(), "reused");

        XString shortText("s"), longText(std::string(40, 'L').c_str());
        shortText = std::move(moved);
        EXPECT_EQ(std::string(shortText.CStr()), want);
        longText = std::move(shortText);
        EXPECT_EQ(std::string(longText.CStr()), want);
        longText = longText;  // self-assignment keeps the text
        EXPECT_EQ(std::string(longText.CStr()), want);

        // Appending a text's own bytes while it grows.
        XString self(want.c_str());
        self.Append(self.CStr(), self.Length());
        EXPECT_EQ(std::string(self.CStr()), want + want);
        self += self;
        EXPECT_EQ(self.Length(), 4 * n);
    }

    XString nul("a\tb");
    nul.Append("\0c\t", 3);
    EXPECT_STREQ(nul.RemoveChars("\t").CStr(), "abc");  // a NUL byte goes with the set, as strchr finds it
    EXPECT_EQ(nul.Length(), 3u);
    EXPECT_STREQ(XString().Format(300, "%0299d", 7).Left(3).CStr(), "000");
}

TEST(XException, MessageAndCode)
{
    const auto e = vhtest::Caught<XException>([] { ThrowXException(17, "Could not %s: %d", "go", 5); });
    ASSERT_TRUE(e);
    EXPECT_STREQ(e->GetMessage(), "Could not go: 5");
    EXPECT_STREQ(e->what(), "Could not go: 5");
    EXPECT_EQ(e->GetCode(), 17);
    const std::string longText(3000, 'x');
    EXPECT_EQ(vhtest::Thrown([&] { ThrowXException(0, "%s", longText.c_str()); }).size(), 1024u);
}
