// The command-line parser and hexadecimal decoding.

#include "OptionParser.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {
QString parseError(const QStringList& args)
{
    CommandLine line;
    QString error;
    EXPECT_FALSE(OptionParser::parse(args, line, error));
    return error;
}
}  // namespace

TEST(OptionParser, SplitsCommandAndSwitches)
{
    CommandLine line;
    QString error;
    ASSERT_TRUE(
        OptionParser::parse({"run", "--path=/tmp/a=b", "--all", "--user=", "--x.y_z-1=v w"}, line, error));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(line.command, "run");
    ASSERT_EQ(line.switches.size(), 4);
    EXPECT_EQ(line.switches[0].first, "path");
    EXPECT_EQ(line.switches[0].second, "/tmp/a=b");
    EXPECT_EQ(line.switches[1].first, "all");
    EXPECT_TRUE(line.switches[1].second.isNull());
    EXPECT_EQ(line.switches[2].first, "user");
    EXPECT_FALSE(line.switches[2].second.isNull());
    EXPECT_TRUE(line.switches[2].second.isEmpty());
    EXPECT_EQ(line.switches[3].first, "x.y_z-1");
    EXPECT_EQ(line.switches[3].second, "v w");

    ASSERT_TRUE(OptionParser::parse({"version"}, line, error));
    EXPECT_EQ(line.command, "version");
    EXPECT_TRUE(line.switches.isEmpty());
}

TEST(OptionParser, RefusesMalformedArgumentsWithoutEchoingValues)
{
    EXPECT_EQ(parseError({"run", "--=1"}), "Invalid argument: --");
    EXPECT_EQ(parseError({"run", "--"}), "Invalid argument: --");
    EXPECT_EQ(parseError({"run", "---a=1"}), "Invalid argument: ---a");
    EXPECT_EQ(parseError({"run", "--a b=1"}), "Invalid argument: --a b");
    EXPECT_EQ(parseError({"run", "version"}), "Invalid argument: version");
}

TEST(OptionParser, DecodesHexadecimalText)
{
    QString text;
    EXPECT_TRUE(OptionParser::decodeHex("", text));
    EXPECT_TRUE(text.isEmpty());
    EXPECT_TRUE(OptionParser::decodeHex("5365637265742131", text));
    EXPECT_EQ(text, "Secret!1");
    EXPECT_TRUE(OptionParser::decodeHex("6a4B7e20", text));
    EXPECT_EQ(text, "jK~ ");
    EXPECT_TRUE(OptionParser::decodeHex("C3A9", text));
    EXPECT_EQ(text, QString::fromUtf8("\xC3\xA9"));

    text = "left over";
    EXPECT_FALSE(OptionParser::decodeHex("414", text));  // odd length
    EXPECT_TRUE(text.isEmpty());
    EXPECT_FALSE(OptionParser::decodeHex("41G2", text));  // not a digit
    EXPECT_FALSE(OptionParser::decodeHex("4 41", text));
    EXPECT_FALSE(OptionParser::decodeHex("0x41", text));
    EXPECT_FALSE(OptionParser::decodeHex("4100", text));  // zero byte
    EXPECT_FALSE(OptionParser::decodeHex("E9", text));    // not UTF-8
    EXPECT_FALSE(OptionParser::decodeHex("C3", text));    // cut sequence
}
