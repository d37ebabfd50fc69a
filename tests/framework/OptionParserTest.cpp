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

TEST(OptionParser, ShowsNoArgumentThatMayBeAPassword)
{
    // A password key (any spelling with "pwd" or "passw") takes its value after "=" only: a blank
    // typed for "=" is refused by the switch's name, and the hexadecimal text is not shown.
    for (const char* key : {"pwdencode", "pwd", "PwdEncode", "Passwort", "password"}) {
        const QString error = parseError({"run", QString("--") + key, "73336372337421", "--school=100"});
        EXPECT_EQ(error, QString("The value of --%1 must follow \"=\": --%1=<value>").arg(key));
    }
    EXPECT_EQ(parseError({"run", "--school=100", "--pwdencode"}),
              "The value of --pwdencode must follow \"=\": --pwdencode=<value>");

    // What follows a password switch, with or without its value, may be part of the password.
    const QString after = "Invalid argument after --%1 (not shown: it may be part of the password). The "
                          "value must follow \"=\" in the same argument, quoted when it holds blanks: "
                          "--%1=<value>";
    EXPECT_EQ(parseError({"run", "--pwd=my", "secret"}), after.arg("pwd"));
    EXPECT_EQ(parseError({"test", "--group=connection", "--pwdencode=", "73336372337421"}),
              after.arg("pwdencode"));
    EXPECT_EQ(parseError({"run", "--passwd=a", "b=c"}), after.arg("passwd"));

    // Any other argument is named as before, also when a password switch came earlier.
    EXPECT_EQ(parseError({"run", "--pwd=x", "--school=100", "stray"}), "Invalid argument: stray");
    EXPECT_EQ(parseError({"run", "--pass", "word"}), "Invalid argument: word");
    CommandLine line;
    QString error;
    EXPECT_TRUE(OptionParser::parse({"run", "--pwd=my secret", "--pass", "--token=t"}, line, error));
    EXPECT_EQ(line.switches.value(0).second, "my secret");
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
