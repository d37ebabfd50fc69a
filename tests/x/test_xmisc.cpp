// Versions and the XML reader and writer. (The global log of the library is never written to.)

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "TestFiles.h"
#include "XVersion.h"
#include "XXml.h"

TEST(XXml, WriteAndReadBack)
{
    XXmlDocument doc("SchoolConfig");
    doc.Root().AddChild("District", "D & <1>");
    doc.Root().AddChild("School", "\"North\" 'High'");
    doc.Root().AddChild("Empty");
    doc.Root().AddChild("LastUpdate", "2024-09-03");
    const XString text = doc.ToString();
    EXPECT_STREQ(text.CStr(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                              "<SchoolConfig>\r\n"
                              "  <District>D &amp; &lt;1&gt;</District>\r\n"
                              "  <School>&quot;North&quot; &apos;High&apos;</School>\r\n"
                              "  <Empty />\r\n"
                              "  <LastUpdate>2024-09-03</LastUpdate>\r\n"
                              "</SchoolConfig>\r\n");

    const vhtest::TempFolder folder("xmltest");
    const std::string path = folder.File("SchoolConfig.xml");
    doc.Save(path.c_str());

    XXmlDocument back;
    ASSERT_TRUE(back.Load(path.c_str()));
    EXPECT_STREQ(back.Root().GetName().CStr(), "SchoolConfig");
    EXPECT_EQ(back.Root().ChildCount(), 4u);
    EXPECT_STREQ(back.Root().ChildText("District").CStr(), "D & <1>");
    EXPECT_STREQ(back.Root().ChildText("School").CStr(), "\"North\" 'High'");
    EXPECT_STREQ(back.Root().ChildText("Empty", "x").CStr(), "");
    EXPECT_STREQ(back.Root().ChildText("Missing", "14").CStr(), "14");
    EXPECT_FALSE(back.Load(folder.File("none.xml").c_str()));
}

TEST(XXml, ParsesCommonForms)
{
    XXmlDocument doc;
    const char* text =
        "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- config -->\n"
        "<Root a=\"1\" b='x &amp; y'>\n  <A>caf&#233; &#x41;</A>\n  <B><![CDATA[<raw> & ]]></B>\n"
        "  <C/>\n  <!-- note --><D>one<E>two</E></D>\n</Root>\n";
    ASSERT_TRUE(doc.Parse(text, strlen(text)));
    const XXmlElement& root = doc.Root();
    ASSERT_NE(root.GetAttribute("b"), nullptr);
    EXPECT_STREQ(root.GetAttribute("b")->CStr(), "x & y");
    EXPECT_EQ(root.GetAttribute("zz"), nullptr);
    EXPECT_STREQ(root.ChildText("A").CStr(), "caf\xC3\xA9 A");
    EXPECT_STREQ(root.ChildText("B").CStr(), "<raw> & ");
    ASSERT_NE(root.FindChild("D"), nullptr);
    EXPECT_STREQ(root.FindChild("D")->ChildText("E").CStr(), "two");
    EXPECT_STREQ(root.GetText().CStr(), "");  // layout white space between children is dropped
}

TEST(XXml, MalformedInputFailsCleanly)
{
    XXmlDocument doc("Kept");
    for (const char* bad : {"",
                            "   ",
                            "<",
                            "<a>",
                            "<a></b>",
                            "<a><b></a></b>",
                            "<a>x</a><b/>",
                            "<a>&bogus;</a>",
                            "<a>&amp</a>",
                            "<a b=1/>",
                            "<a b=\"1\" b=\"2\"/>",
                            "<a b=\"<\"/>",
                            "<a>&#0;</a>",
                            "<a>&#xD800;</a>",
                            "<a>&#99999999;</a>",
                            "text",
                            "<a><!-- open</a>",
                            "<a><![CDATA[x</a>",
                            "<1a/>",
                            "<a/>trailing",
                            "<!DOCTYPE a [<!ENTITY x 'y'>]><a/>",
                            "<a\x00/>"}) {
        EXPECT_FALSE(doc.Parse(bad, strlen(bad))) << bad;
    }
    EXPECT_STREQ(doc.Root().GetName().CStr(), "Kept");  // unchanged by failures
    EXPECT_FALSE(doc.Parse(nullptr, 5));

    // Every cut of a valid document, and deep nesting, fail without reading past the end.
    XXmlDocument good("SchoolConfig");
    good.Root().AddChild("District", "a&b");
    good.Root().SetAttribute("v", "1");
    const XString text = good.ToString();
    for (size_t n = 0; n + 2 < text.Length(); ++n) {
        std::string cut(text.CStr(), n);
        XXmlDocument part;
        EXPECT_FALSE(part.Parse(cut.data(), cut.size())) << n;
    }
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    EXPECT_FALSE(doc.Parse(deep.data(), deep.size()));
}
