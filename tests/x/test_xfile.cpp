// File specs, files, text files and folder walks.

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "TestFiles.h"
#include "XDirIterator.h"
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

TEST(XFileSpec, KindsAndSizesFollowLinksOnlyWhenAsked)
{
    TempFolder tmp;
    WriteBytes(tmp.File("file"), "abc");
    WriteBytes(tmp.File("empty"), "");
    fs::create_directory(tmp.File("folder"));
    fs::create_symlink(tmp.File("file"), tmp.File("to-file"));
    fs::create_symlink(tmp.File("folder"), tmp.File("to-folder"));
    fs::create_symlink(tmp.File("none"), tmp.File("broken"));
    ASSERT_EQ(mkfifo(tmp.File("fifo").c_str(), 0600), 0);

    const struct
    {
        const char* name;
        XFileSpec::Kind own, followed;
        int64_t size;
    } cases[] = {
        {"file", XFileSpec::KindFile, XFileSpec::KindFile, 3},
        {"empty", XFileSpec::KindFile, XFileSpec::KindFile, 0},
        {"folder", XFileSpec::KindFolder, XFileSpec::KindFolder, -1},
        {"to-file", XFileSpec::KindOther, XFileSpec::KindFile, 3},
        {"to-folder", XFileSpec::KindOther, XFileSpec::KindFolder, -1},
        {"broken", XFileSpec::KindOther, XFileSpec::KindNone, -1},
        {"fifo", XFileSpec::KindOther, XFileSpec::KindOther, -1},
        {"none", XFileSpec::KindNone, XFileSpec::KindNone, -1},
        {"file/below", XFileSpec::KindNone, XFileSpec::KindNone, -1},  // a file on the way
    };
    for (const auto& c : cases) {
        const std::string path = tmp.File(c.name);
        EXPECT_EQ(XFileSpec::KindOf(path.c_str(), false), c.own) << c.name;
        EXPECT_EQ(XFileSpec::KindOf(path.c_str(), true), c.followed) << c.name;
        EXPECT_EQ(XFileSpec::FileSizeOf(path.c_str()), c.size) << c.name;
    }
    EXPECT_EQ(XFileSpec::KindOf("", false), XFileSpec::KindNone);
    // A path too long for an XFileSpec is answered, not refused.
    const std::string tooLong = tmp.File(std::string(XFileSpec::MaxLength() + 10, 'n'));
    EXPECT_EQ(XFileSpec::KindOf(tooLong.c_str(), false), XFileSpec::KindNone);
    EXPECT_EQ(XFileSpec::FileSizeOf(tooLong.c_str()), -1);
}

TEST(XFileSpec, MakeFoldersAndAbsolutePath)
{
    TempFolder tmp;
    EXPECT_TRUE(XFileSpec::MakeFolders(tmp.File("a/b/c").c_str()));
    EXPECT_TRUE(fs::is_directory(tmp.File("a/b/c")));
    EXPECT_TRUE(XFileSpec::MakeFolders(tmp.File("a/b").c_str()));  // already there
    fs::create_directory_symlink(tmp.File("a"), tmp.File("link"));
    EXPECT_TRUE(XFileSpec::MakeFolders(tmp.File("link").c_str()));  // a link to a folder will do
    WriteBytes(tmp.File("plain"), "x");
    EXPECT_FALSE(XFileSpec::MakeFolders(tmp.File("plain").c_str()));
    EXPECT_FALSE(XFileSpec::MakeFolders(tmp.File("plain/sub").c_str()));
    EXPECT_FALSE(XFileSpec::MakeFolders(""));

    EXPECT_STREQ(XFileSpec::AbsolutePath("/a/b/").CStr(), "/a/b");
    EXPECT_STREQ(XFileSpec::AbsolutePath("//a//b").CStr(), "/a/b");
    EXPECT_STREQ(XFileSpec::AbsolutePath("/a/./b/../c/.").CStr(), "/a/c");
    EXPECT_STREQ(XFileSpec::AbsolutePath("/a/.b/..c/...").CStr(), "/a/.b/..c/...");
    EXPECT_STREQ(XFileSpec::AbsolutePath("///").CStr(), "/");
    // A ".." at the root stays, as the output folder's text always had it.
    EXPECT_STREQ(XFileSpec::AbsolutePath("/a/../../b").CStr(), "/../b");
    EXPECT_STREQ(XFileSpec::AbsolutePath("/a/b/../../..").CStr(), "/..");

    const std::string cwd = fs::current_path().string();
    ASSERT_EQ(chdir(tmp.File("a/b").c_str()), 0);
    const std::string here = fs::current_path().string();
    EXPECT_EQ(std::string(XFileSpec::AbsolutePath("rel/x").CStr()), here + "/rel/x");
    EXPECT_EQ(std::string(XFileSpec::AbsolutePath("./x/./y/..").CStr()), here + "/x");
    EXPECT_EQ(std::string(XFileSpec::AbsolutePath(".").CStr()), here);
    EXPECT_EQ(std::string(XFileSpec::AbsolutePath("../..").CStr()),
              fs::path(here).parent_path().parent_path().string());
    ASSERT_EQ(chdir(cwd.c_str()), 0);
}

TEST(XDirIterator, NamesOfAFolderAndItsFailures)
{
    TempFolder tmp;
    WriteBytes(tmp.File("b.pde"), "x");
    WriteBytes(tmp.File(".hidden"), "x");
    WriteBytes(tmp.File("A.PDE"), "x");
    fs::create_directory(tmp.File("sub"));
    fs::create_symlink(tmp.File("none"), tmp.File("broken"));
    std::vector<std::string> names;
    for (const XString& name : XDirIterator::Names(tmp.path.c_str()))
        names.push_back(name.CStr());
    EXPECT_EQ(names, (std::vector<std::string>{".hidden", "A.PDE", "b.pde", "broken", "sub"}));
    EXPECT_TRUE(XDirIterator::Names(tmp.File("sub").c_str()).empty());

    const std::string missing = tmp.File("none");
    const auto gone = vhtest::Caught<XException>([&] { XDirIterator::Names(missing.c_str()); });
    ASSERT_TRUE(gone);
    EXPECT_EQ(std::string(gone->GetMessage()),
              "Could not read the folder " + missing + ": No such file or directory");
    EXPECT_EQ(gone->GetCode(), ENOENT);
    EXPECT_EQ(Thrown([&] { XDirIterator::Names(tmp.File("b.pde").c_str()); }),
              "Could not read the folder " + tmp.File("b.pde") + ": Not a directory");
}

TEST(XFile, ReadWholeCreatesNothing)
{
    TempFolder tmp;
    std::string bytes(20000, 'x');  // more than one read
    bytes[7] = '\0';
    bytes.back() = 'z';
    WriteBytes(tmp.File("data"), bytes);
    XString text("old");
    ASSERT_TRUE(XFile::ReadWhole(tmp.File("data").c_str(), text));
    EXPECT_EQ(std::string(text.CStr(), text.Length()), bytes);

    WriteBytes(tmp.File("empty"), "");
    EXPECT_TRUE(XFile::ReadWhole(tmp.File("empty").c_str(), text));
    EXPECT_TRUE(text.IsEmpty());

    text = "old";
    EXPECT_FALSE(XFile::ReadWhole(tmp.File("sub/missing").c_str(), text));
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_FALSE(fs::exists(tmp.File("sub")));               // neither the file nor its folder is made
    EXPECT_FALSE(XFile::ReadWhole(tmp.path.c_str(), text));  // a folder
}
