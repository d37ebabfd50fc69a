// The command-line parser and hexadecimal decoding.

#include "OptionParser.h"
#include "SecretMask.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {
QString parseError(const QStringList& args)
{
    CommandLine line;
    QString error;
    EXPECT_FALSE(OptionParser::parse(args, line, error));
    return error;
}

// main's argv over a block of NUL-ended arguments, as the process list reads them.
std::vector<char*> Arguments(QByteArray& block)
{
    std::vector<char*> argv;
    for (int at = 0; at < block.size(); at += int(std::strlen(block.data() + at)) + 1)
        argv.push_back(block.data() + at);
    return argv;
}

// The block of the arguments once maskSecretArguments has overwritten them.
template <size_t N> QByteArray Masked(const char (&given)[N])
{
    QByteArray block(given, int(N));
    std::vector<char*> argv = Arguments(block);
    OptionParser::maskSecretArguments(int(argv.size()), argv.data());
    return block;
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
    EXPECT_EQ(parseError({"run", "version"}), "Invalid argument: version");
    EXPECT_EQ(parseError({"run", "--school=1", "two words"}), "Invalid argument: two words");
}

TEST(OptionParser, ShowsNoArgumentThatMayBeAPassword)
{
    // What follows a password switch given with its value may be part of the password.
    const QString after = "Invalid argument after --%1 (not shown: it may be part of the password). The "
                          "value must follow \"=\" in the same argument, quoted when it holds blanks: "
                          "--%1=<value>";
    EXPECT_EQ(parseError({"run", "--pwd=my", "secret"}), after.arg("pwd"));
    EXPECT_EQ(parseError({"test", "--group=connection", "--pwdencode=", "73336372337421"}),
              after.arg("pwdencode"));
    EXPECT_EQ(parseError({"run", "--passwd=a", "b=c"}), after.arg("passwd"));
    // So may what follows a switch whose value holds a password switch of its own.
    EXPECT_EQ(parseError({"run", "--user=clerk --pwd", "Tq9"}), after.arg("user"));
    EXPECT_EQ(parseError({"run", "--school=1 --pwd=my", "secret"}), after.arg("school"));

    // What follows a switch given without "=", known or not, password or not, may be its value: it is
    // named by its position (the command is argument 1).
    const QString bare = "Invalid argument %1 (not shown: it may be a value of --%2). The value must follow "
                         "\"=\" in the same argument, quoted when it holds blanks: --%2=<value>";
    for (const char* key : {"pwdencode", "pwd", "PwdEncode", "Passwort", "password", "pass", "demo", "path"})
        EXPECT_EQ(parseError({"run", QString("--") + key, "73336372337421", "--school=100"}),
                  bare.arg(3).arg(key));
    EXPECT_EQ(parseError({"version", "--passphrase", "Wd7Secret", "two"}), bare.arg(3).arg("passphrase"));
    EXPECT_EQ(parseError({"run", "--school=1", "--pass", "-Zq7Secret"}), bare.arg(4).arg("pass"));

    // A switch and its value with a blank between them in one argument: the part up to the blank.
    const QString blank = "Invalid argument %1: %2 followed by a blank (the rest is not shown: it may be a "
                          "value). A value must follow \"=\" in the same argument, quoted when it holds "
                          "blanks: --%3=<value>";
    EXPECT_EQ(parseError({"run", "--pwdencode 73336372337421"}), blank.arg(2).arg("--pwdencode", "pwdencode"));
    EXPECT_EQ(parseError({"run", "--all=true", "--pass\tZq7Secret=x"}), blank.arg(3).arg("--pass", "pass"));
    EXPECT_EQ(parseError({"run", "--a b=1"}), blank.arg(2).arg("--a", "a"));
    EXPECT_EQ(parseError({"run", "-pwd s3cret"}), blank.arg(2).arg("-pwd", "key"));

    // Nothing after a password word shows: the argument is named by its position and its text up to the
    // word, also in the name of a switch given without "=".
    const QString word = "Invalid argument %1: %2******** (the rest is not shown: it may be a password). A "
                         "value must follow \"=\" in the same argument, quoted when it holds blanks: --%3=<value>";
    EXPECT_EQ(parseError({"run", "--pwd:s3cret"}), word.arg(2).arg("--pwd", "pwd"));
    EXPECT_EQ(parseError({"run", "--all", "--school=1", "-PWDEncode:7333"}), word.arg(4).arg("-PWDEncode", "PWDEncode"));
    EXPECT_EQ(parseError({"run", "--my/password!s3cret"}), word.arg(2).arg("--my/password", "my/password"));
    EXPECT_EQ(parseError({"run", "--pwd.s3cret", "two"}), bare.arg(3).arg("pwd********"));
    EXPECT_EQ(parseError({"run", "--pwd.s3cret two"}), blank.arg(2).arg("--pwd********", "pwd********"));
    EXPECT_EQ(parseError({"run", "--Passwortencode-1=x", "two"}), after.arg("Passwortencode********"));

    // Any other argument is named as before, also when a password switch came earlier.
    EXPECT_EQ(parseError({"run", "--pwd=x", "--school=100", "stray"}), "Invalid argument: stray");

    // A switch without "=", a password switch too, is taken (its meaning is the program's to decide).
    CommandLine line;
    QString error;
    EXPECT_TRUE(
        OptionParser::parse({"run", "--pwd=my secret", "--pass", "--nopwdprompt", "--token=t"}, line, error));
    EXPECT_EQ(line.switches.value(0).second, "my secret");
    EXPECT_EQ(line.switches.value(2).first, "nopwdprompt");
    EXPECT_TRUE(line.switches.value(2).second.isNull());
}

TEST(OptionParser, MasksSecretValuesInTheProcessArguments)
{
    // main's arguments in one block, as the process list reads them: a value after "=", after a blank
    // or in the argument after its switch is overwritten in place, "********" or less, then zero bytes.
    static const char given[] = "varnholm-de\0run\0--pwdencode=73336372337421\0--Passwort=ab\0"
                                "--pwd s3cret-pw x\0--pwd\0Wd7Secret\0--keyencode=4142\0--pass word\0"
                                "--pwdencode\0--user=pwd-user";
    static const char masked[] = "varnholm-de\0run\0--pwdencode=********\0\0\0\0\0\0\0--Passwort=**\0"
                                 "--pwd ********\0\0\0\0--pwd\0********\0\0--keyencode=****\0--pass word\0"
                                 "--pwdencode\0--user=pwd-user";
    EXPECT_EQ(Masked(given), QByteArray(masked, sizeof masked));

    // A password switch typed with another character for "=": all after its word, whatever its case
    // or its dashes; a key that ends at the word takes the next argument, unless that is a switch.
    static const char typed[] = "x\0run\0--pwdencode-7333\0--PWD.ab\0--nopwdprompt\0--path=/pwd\0-pwd:s3cret-pw\0"
                                "--pwdencode-\0Tq9\0--a=passwordx\0--PasswordEncode_x=1";
    static const char hidden[] = "x\0run\0--pwdencode*****\0--PWD***\0--nopwd******\0--path=/pwd\0-pwd********\0\0\0"
                                 "--pwdencode*\0***\0--a=passwordx\0--PasswordEncode****";
    QByteArray block(typed, sizeof typed);
    std::vector<char*> args = Arguments(block);
    const QList<QByteArray> taken = OptionParser::takeArguments(int(args.size()), args.data());
    EXPECT_EQ(block, QByteArray(hidden, sizeof hidden));
    ASSERT_EQ(taken.size(), int(args.size()) - 1);
    EXPECT_EQ(taken.at(5), "-pwd:s3cret-pw");

    // A password switch joined to another one after a blank, as a host that joins two switches into one
    // argument gives it: all after its word, or the next argument when nothing follows the word. A
    // word after a blank that is no switch is kept.
    static const char joined[] =
        "x\0run\0--school=4711 --pwd=s3cret\0--user=clerk --pwd\0Tq9\0"
        "--path=/srv/my encoded\0--dsn=a\t-PwdEncode 7333\0--log=extract --pwd=\0--x";
    static const char overwritten[] =
        "x\0run\0--school=4711 --pwd=******\0--user=clerk --pwd\0***\0"
        "--path=/srv/my encoded\0--dsn=a\t-PwdEncode ****\0--log=extract --pwd=\0--x";
    EXPECT_EQ(Masked(joined), QByteArray(overwritten, sizeof overwritten));
    // The value as the program takes and shows it.
    EXPECT_EQ(SecretMask::shownValue("4711 --pwd=s3cret"), "4711 --pwd********");
    EXPECT_EQ(SecretMask::shownValue("a\t-PwdEncode 7333"), "a\t-PwdEncode********");
    EXPECT_EQ(SecretMask::shownValue("x --Passwort"), "x --Passwort");
    EXPECT_EQ(SecretMask::shownValue("/srv/my encoded"), "/srv/my encoded");
    EXPECT_EQ(SecretMask::shownValue("/srv/-encoded"), "/srv/-encoded");
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
