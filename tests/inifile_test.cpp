#include "files/inifile.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace norvel;

namespace {

struct IniEditCase {
    const char* name;
    QByteArray before;
    QByteArray after; // with [session] pole=3 set
};

class IniEditTest : public ::testing::TestWithParam<IniEditCase> { };

// One value changes; every other line, section and note stays as it was written.
TEST_P(IniEditTest, SetsOneValueAndKeepsTheRest)
{
    const IniEditCase& c = GetParam();
    const QByteArray after
        = withIniValue(c.before, QStringLiteral("session"), QStringLiteral("pole"), QStringLiteral("3"));
    EXPECT_EQ(after.toStdString(), c.after.toStdString());
    EXPECT_EQ(iniValue(after, QStringLiteral("session"), QStringLiteral("pole")), QStringLiteral("3"));
}

INSTANTIATE_TEST_SUITE_P(Files, IniEditTest,
    ::testing::Values(IniEditCase { "new", "", "[session]\r\npole=3\r\n" },
        IniEditCase {
            "replaced", "[session]\r\npole=1\r\nday=20221019\r\n", "[session]\r\npole=3\r\nday=20221019\r\n" },
        IniEditCase { "addedToItsSection", "[session]\nday=20221019\n\n[filing]\nkeep=true\n",
            "[session]\r\nday=20221019\r\npole=3\r\n\r\n[filing]\r\nkeep=true\r\n" },
        IniEditCase { "sectionAdded", "; notes\r\n[filing]\r\nkeep=true",
            "; notes\r\n[filing]\r\nkeep=true\r\n\r\n[session]\r\npole=3\r\n" },
        IniEditCase {
            "otherSectionsKeyUntouched", "[other]\r\npole=9\r\n", "[other]\r\npole=9\r\n\r\n[session]\r\npole=3\r\n" }),
    caseName<IniEditCase>);

TEST(IniValue, ReadsOnlyItsSectionsKey)
{
    const QByteArray content("\xEF\xBB\xBF[other]\r\npole=9\r\n[session]\r\n ; pole=8\r\n pole = 12 \r\n");
    EXPECT_EQ(iniValue(content, QStringLiteral("session"), QStringLiteral("pole")), QStringLiteral("12"));
    EXPECT_EQ(iniValue(content, QStringLiteral("other"), QStringLiteral("pole")), QStringLiteral("9"));
    EXPECT_FALSE(iniValue(content, QStringLiteral("session"), QStringLiteral("day")));
    EXPECT_FALSE(iniValue("pole=1\r\n", QStringLiteral("session"), QStringLiteral("pole")));
}

} // namespace
