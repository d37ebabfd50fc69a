// Masking of passwords in connection strings.

#include "DataAccessBase.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Masked(const char* text, const char* key)
{
    XString cs(text);
    DataAccessBase::MaskPassword(cs, key);
    return cs.CStr();
}

std::string MaskedAll(const char* text)
{
    XString cs(text);
    DataAccessBase::MaskConnectionPasswords(cs);
    return cs.CStr();
}

TEST(Masking, MaskPassword)
{
    XString cs("DSN=school;UID=u;PWD=abc;");
    EXPECT_TRUE(DataAccessBase::MaskPassword(cs, "PWD="));
    EXPECT_STREQ(cs.CStr(), "DSN=school;UID=u;PWD=***;");

    // To the end of the text; up to a double quote; the key is case-sensitive.
    EXPECT_EQ(Masked("DSN=x;PWD=secret", "PWD="), "DSN=x;PWD=******");
    EXPECT_EQ(Masked("a PWD=\"xy\" b", "PWD=\""), "a PWD=\"**\" b");
    EXPECT_EQ(Masked("pwd=abc;", "PWD="), "pwd=abc;");
    EXPECT_EQ(Masked("PWD=;", "PWD="), "PWD=;");
    XString none("DSN=x;");
    EXPECT_FALSE(DataAccessBase::MaskPassword(none, "PWD="));
    // An empty key means PWD=".
    EXPECT_EQ(Masked("PWD=\"ab\";PWD=cd", ""), "PWD=\"**\";PWD=cd");
    // Only the first occurrence.
    EXPECT_EQ(Masked("PWD=a;PWD=b", "PWD="), "PWD=*;PWD=b");
}

TEST(Masking, MaskConnectionPasswords)
{
    // Only the first key that occurs, in the order Password=, PASSWORD=, PWD=, Pwd=.
    EXPECT_EQ(MaskedAll("Data Source=d;User ID=u;Password=pw;PWD=other;"),
              "Data Source=d;User ID=u;Password=**;PWD=other;");
    EXPECT_EQ(MaskedAll("PWD=first;PASSWORD=second"), "PWD=first;PASSWORD=******");
    EXPECT_EQ(MaskedAll("DSN=d;UID=u;PWD=abc;"), "DSN=d;UID=u;PWD=***;");
    EXPECT_EQ(MaskedAll("DSN=d;Uid=u;Pwd=abcd;"), "DSN=d;Uid=u;Pwd=****;");
    EXPECT_EQ(MaskedAll("DSN=d;"), "DSN=d;");
}

}  // namespace
