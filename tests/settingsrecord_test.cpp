#include "settings/settingsrecord.h"
#include "testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cstring>

using namespace norvel;

namespace {

// Every field away from its default, so a field that is read (or not) always shows.
SettingsRecord changedRecord()
{
    return { { false, true, true, false, false, true }, true, true, -2, 0.25f };
}

TEST(SettingsRecordTest, defaultsAndDesignTextsEncodeAsTheFileHasAlwaysHeldThem)
{
    EXPECT_EQ(encodeSettings({}).toHex(' '), "00 01 00 00 01 01 00 00 00 00 1e 00 00 00 80 3f");
    EXPECT_EQ(overwriteSecondsFromText(u"30"), 30);
    EXPECT_EQ(widthLimitFromText(u"1"), 1.0f);
    EXPECT_EQ(encodeSettings(changedRecord()).toHex(' '), "00 00 01 01 00 00 01 01 01 00 fe ff 00 00 80 3e");
    EXPECT_EQ(decodeSettings(encodeSettings(changedRecord())), changedRecord());
    // Whatever follows the record belongs to no field.
    EXPECT_EQ(decodeSettings(encodeSettings(changedRecord()) + QByteArray(8, '\x01')), changedRecord());
}

TEST(SettingsRecordTest, textsBecomeTheNumbersTheFieldsCanHold)
{
    EXPECT_EQ(overwriteSecondsFromText(u"2.5"), 2); // halves to even
    EXPECT_EQ(overwriteSecondsFromText(u"3.5"), 4);
    EXPECT_EQ(overwriteSecondsFromText(u" 45秒"), 45);
    EXPECT_EQ(overwriteSecondsFromText(u"abc"), 0);
    EXPECT_EQ(overwriteSecondsFromText(u"99999"), 32767);
    EXPECT_EQ(overwriteSecondsFromText(u"-99999"), -32768);
    EXPECT_EQ(widthLimitFromText(u"0.5"), 0.5f);
    EXPECT_EQ(widthLimitFromText(u"abc"), 0.0f);
    const QString huge = QStringLiteral("1") + QString(60, QLatin1Char('0'));
    EXPECT_EQ(widthLimitFromText(huge), FLT_MAX); // not infinity, which the next run would refuse
    EXPECT_EQ(widthLimitFromText(QLatin1Char('-') + huge), -FLT_MAX);
    // The width limit box shows small and large limits with an exponent.
    EXPECT_EQ(widthLimitFromText(u"1E-05"), 1e-5f);
    EXPECT_EQ(widthLimitFromText(u"2E+07"), 2e7f);
    EXPECT_EQ(widthLimitFromText(u"1E+39"), FLT_MAX);
    EXPECT_EQ(overwriteSecondsFromText(u"3e1"), 30);
    EXPECT_EQ(overwriteSecondsFromText(u"1E+05"), 32767);
}

struct DamageCase {
    const char* name;
    int offset;
    const char* hex;
    void (*expect)(SettingsRecord&);
};

void PrintTo(const DamageCase& c, std::ostream* os)
{
    *os << c.name;
}

class DamagedRecordTest : public ::testing::TestWithParam<DamageCase> { };

TEST_P(DamagedRecordTest, clampsAFieldOrKeepsItsDefault)
{
    const DamageCase& c = GetParam();
    QByteArray bytes = encodeSettings({});
    bytes.replace(c.offset, std::strlen(c.hex) / 2, QByteArray::fromHex(c.hex));
    SettingsRecord expected;
    c.expect(expected);
    EXPECT_EQ(decodeSettings(bytes), expected);
}

INSTANTIATE_TEST_SUITE_P(Bytes, DamagedRecordTest,
    ::testing::Values(DamageCase { "switchOnByTwo", 1, "02", [](SettingsRecord&) {} },
        DamageCase { "switchOffByTwo", 2, "02", [](SettingsRecord& r) { r.checks[1] = true; } },
        DamageCase { "switchOffByFF", 6, "ff", [](SettingsRecord& r) { r.checks[5] = true; } },
        DamageCase { "smallScreenByTwo", 7, "02", [](SettingsRecord& r) { r.smallScreen = true; } },
        DamageCase { "smallScreenByFF", 7, "ff", [](SettingsRecord& r) { r.smallScreen = true; } },
        DamageCase { "smallPictureByTwo", 8, "02", [](SettingsRecord& r) { r.smallPicture = true; } },
        DamageCase { "smallPictureOn", 8, "01", [](SettingsRecord& r) { r.smallPicture = true; } },
        DamageCase { "negativeSeconds", 10, "feff", [](SettingsRecord& r) { r.overwriteSeconds = -2; } },
        DamageCase { "limitNaN", 12, "0000c07f", [](SettingsRecord&) {} },
        DamageCase { "limitInfinite", 12, "0000807f", [](SettingsRecord& r) { r.widthLimit = FLT_MAX; } },
        DamageCase { "limitMinusInfinite", 12, "000080ff", [](SettingsRecord& r) { r.widthLimit = -FLT_MAX; } },
        DamageCase { "limitNegative", 12, "000000bf", [](SettingsRecord& r) { r.widthLimit = -0.5f; } }),
    caseName<DamageCase>);

TEST(SettingsRecordTest, aShortRecordReadsTheFieldsItReaches)
{
    const QByteArray full = encodeSettings(changedRecord());
    const SettingsRecord changed = changedRecord();
    SettingsRecord partly; // the first four switches, from bytes 1..4
    std::copy_n(changed.checks.begin(), 4, partly.checks.begin());
    SettingsRecord withSeconds = changed; // the width limit is missing
    withSeconds.widthLimit = 1.0f;
    SettingsRecord upToPicture = withSeconds; // byte 9 and the numbers are missing
    upToPicture.overwriteSeconds = 30;
    const struct {
        int size;
        SettingsRecord expected;
    } rows[] = { { 0, {} }, { 5, partly }, { 9, upToPicture }, { 11, upToPicture }, { 12, withSeconds },
        { 15, withSeconds }, { 16, changed } };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.size);
        EXPECT_EQ(decodeSettings(full.left(row.size)), row.expected);
    }
}

TEST(SettingsFileTest, writesOverTheHeadOfTheFileAndReadsItBack)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("set.bat"));
    EXPECT_FALSE(readSettingsFile(path));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(20, '\x07'));
    file.close();
    EXPECT_TRUE(writeSettingsFile(path, changedRecord()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), encodeSettings(changedRecord()) + QByteArray(4, '\x07'));
    EXPECT_EQ(readSettingsFile(path), changedRecord());

    const QString fresh = dir.filePath(QStringLiteral("new.bat"));
    EXPECT_TRUE(writeSettingsFile(fresh, {}));
    EXPECT_EQ(QFileInfo(fresh).size(), SettingsRecordSize);
    EXPECT_EQ(readSettingsFile(fresh), SettingsRecord {});

    QString error;
    EXPECT_FALSE(writeSettingsFile(dir.filePath(QStringLiteral("missing/set.bat")), {}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("missing/set.bat"))) << error.toStdString();
}

} // namespace
