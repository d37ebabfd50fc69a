// File specs, files, text files and folder walks.

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "TestFiles.h"
#include "XException.h"
#include "XFile.h"
#include "XFileSpec.h"
#include "XTextFile.h"

namespace fs = std::filesystem;

using vhtest::ReadBytes;
using vhtest::TempFolder;
using vhtest::Thrown;
using vhtest::WriteBytes;

TEST(XFileSpec, SetNameAndLimits)
{
    XFileSpec spec;
    spec.SetFolder("/out/dir");
    EXPECT_STREQ(spec.CStr(), "/out/dir/");
    spec.SetName("Students.pef");
    EXPECT_STREQ(spec.CStr(), "/out/dir/Students.pef");
    spec.SetName("Sections.pef");  // replaces the name part
    EXPECT_STREQ(spec.CStr(), "/out/dir/Sections.pef");
    EXPECT_STREQ(spec.GetName().CStr(), "Sections.pef");

    XFileSpec bare("folder");
    bare.SetName("a.txt");  // no separator yet: appended
    EXPECT_STREQ(bare.CStr(), "folder/a.txt");

    // Exactly at the limit is accepted; one more character is refused with the length in the text.
    XFileSpec limit;
    limit.SetFolder("/");
    const size_t max = XFileSpec::MaxLength();
    EXPECT_EQ(max, (size_t)PATH_MAX);
    limit.SetName(std::string(max - 1, 'n').c_str());
    EXPECT_EQ(limit.Path().Length(), max);
    const std::string before = limit.CStr();
    const std::string text = Thrown([&] { limit.SetName(std::string(max, 'n').c_str()); });
    char expected[128];
    snprintf(expected, sizeof expected, "Appended length (%u) would make path length exceed maximum %u.",
             (unsigned)(max + 1), (unsigned)max);
    EXPECT_EQ(text, expected);
    EXPECT_EQ(before, limit.CStr());  // unchanged after the failure
}

TEST(XFileSpec, ExistsAndDelete)
{
    TempFolder tmp;
    EXPECT_FALSE(XFileSpec().Exists());
    EXPECT_FALSE(XFileSpec((tmp.File("none")).c_str()).Exists());
    EXPECT_FALSE(XFileSpec((tmp.File("none/deeper")).c_str()).Exists());
    EXPECT_TRUE(XFileSpec(tmp.path.c_str()).Exists());

    const std::string file = tmp.File("ro.txt");
    WriteBytes(file, "x");
    chmod(file.c_str(), 0444);  // read-only files are made writable and deleted
    XFileSpec(file.c_str()).Delete();
    EXPECT_FALSE(fs::exists(file));
    XFileSpec((tmp.File("none")).c_str()).Delete();  // missing: left alone

    fs::create_directories(tmp.File("Attendance/sub"));
    WriteBytes(tmp.File("Attendance/Attendance.db"), "db");
    WriteBytes(tmp.File("Attendance/sub/x.txt"), "x");
    XFileSpec((tmp.File("Attendance")).c_str()).Delete();
    EXPECT_FALSE(fs::exists(tmp.File("Attendance")));
    // Deleting by pattern is the writer's removal of old main files (RunFiles, Engine tests).
}

TEST(XFile, OpenModesAndErrors)
{
    TempFolder tmp;
    const std::string path = tmp.File("new/deep/file.bin");  // parent folders are created
    XFile f;
    f.Open(path.c_str(), XFile::ModeWrite);
    f.Write("hello");
    f.Close();
    f.Close();  // closing a closed file does nothing
    EXPECT_EQ(ReadBytes(path), "hello");

    f.Open(path.c_str(), XFile::ModeWrite);  // mode 2 alone replaces the file
    f.Write("new");
    f.Close();
    EXPECT_EQ(ReadBytes(path), "new");

    EXPECT_EQ(Thrown([&] { f.Open((tmp.File("dir/")).c_str(), XFile::ModeWrite); }),
              "Can't open non-file: " + (tmp.File("dir/")));
    EXPECT_EQ(Thrown([&] { f.Open("", XFile::ModeWrite); }), "Can't open non-file: ");
    EXPECT_EQ(Thrown([&] { f.Open(tmp.path.c_str(), XFile::ModeRead); }),
              "Could not open file ( 21 ): " + tmp.path);  // a folder
    WriteBytes(tmp.File("plain"), "x");
    const std::string blocked = tmp.File("plain/child.txt");  // parent is a file
    EXPECT_EQ(Thrown([&] { f.Open(blocked.c_str(), XFile::ModeWrite); }),
              "Could not open file ( 20 ): " + blocked);
    EXPECT_FALSE(f.IsOpen());
}

TEST(XFile, WriteFailureIsReported)
{
    // The device is always full: the buffered bytes fail at flush or close, never silently.
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    XTextFile f;
    f.Open("/dev/full", XFile::ModeWrite);
    f.WriteField("a");
    f.EndLine();
    const std::string text = Thrown([&] { f.Close(); });
    EXPECT_NE(text.find("Could not write file ( 28 ): /dev/full"), std::string::npos) << text;
    EXPECT_FALSE(f.IsOpen());

    XFile big;
    big.Open("/dev/full", XFile::ModeWrite);
    std::string block(200000, 'x');  // larger than the buffer: fails at once
    EXPECT_NE(Thrown([&] { big.Write(block.data(), block.size()); }), "(nothing thrown)");
}

TEST(XTextFile, BytesOnDisk)
{
    TempFolder tmp;
    const std::string path = tmp.File("Students.pef");
    {
        XTextFile f('\t', "", "", "", 0);
        f.Open(path.c_str(), XFile::ModeWrite);
        f.WriteField("1001");
        f.WriteField("");
        f.WriteField(XString("O'Brien, \"Pat\""));
        f.EndLine();
        f.WriteField("");  // an empty first field still takes its place
        f.WriteField("x");
        f.EndLine();
        f.EndLine();
        f.WriteLine("// Students");
        f.Close();
    }
    EXPECT_EQ(ReadBytes(path), "1001\t\tO'Brien, \"Pat\"\r\n\tx\r\n\r\n// Students\r\n");

    // A field never breaks its record: TAB left out, CR and LF each a blank, other bytes as they are.
    {
        XTextFile f('\t', "", "", "", 0);
        f.Open(path.c_str(), XFile::ModeWrite);
        f.WriteField(XString("Call\r\nhome\tnow"));
        f.WriteField("\t");
        f.WriteField("\n\r");
        f.WriteField("\x01\x0b\x0c \xc3\xa5");
        f.EndLine();
        f.Close();
    }
    EXPECT_EQ(ReadBytes(path), "Call  homenow\t\t  \t\x01\x0b\x0c \xc3\xa5\r\n");

    // Many lines through the buffer arrive complete and in order.
    {
        XTextFile f(',');
        f.Open(path.c_str(), XFile::ModeWrite);
        for (int i = 0; i < 20000; ++i) {
            f.WriteField(XString(i));
            f.WriteField("v");
            f.EndLine();
        }
        f.Close();
    }
    const std::string all = ReadBytes(path);
    EXPECT_EQ(all.size(), 20000u * 4 + 10 * 1 + 90 * 2 + 900 * 3 + 9000 * 4 + 10000 * 5);
    EXPECT_EQ(all.substr(0, 10), "0,v\r\n1,v\r\n");
    EXPECT_EQ(all.substr(all.size() - 9), "19999,v\r\n");
}
