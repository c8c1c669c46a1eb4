#include "results/recoveryrecord.h"

#include "testsupport.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <limits>

using namespace norvel;

namespace {

// The start of a sound record, for the damaged forms below.
#define SOUND_START "norvel-recovery 1\npole 12\npoletext 12\nday 2024-05-01\n"

// A body closed with a correct end line, so that a damaged field is refused by its own rule, not by the sum.
QByteArray sealed(const QByteArray& body)
{
    return body + "end " + QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex() + '\n';
}

RecoveryRecord typicalRecord()
{
    return { "12", "1\t2\r\n", QDate(2024, 5, 1), { { "1", "0.35" }, { "2", "C:\\x" } },
        PendingShot { "/cam/IMG 1\xe9.JPG", 2048, 1714521600000, "/p/20240501/12/2.jpg", 1714521601000, 2, {} } };
}

TEST(RecoveryRecord, WritesOneEscapedFieldALineAndTheSumOfThemAll)
{
    EXPECT_EQ(serializeRecovery(typicalRecord()),
        sealed("norvel-recovery 1\npole 12\npoletext 1\\t2\\r\\n\nday 2024-05-01\nrow 1\t0.35\nrow 2\tC:\\\\x\n"
               "pending %2Fcam%2FIMG%201%E9.JPG\t2048\t1714521600000\t/p/20240501/12/2.jpg\t1714521601000\t2\n"));
    EXPECT_EQ(serializeRecovery({}), sealed("norvel-recovery 1\npole \npoletext \nday none\n"));
}

struct RoundTripCase {
    const char* name;
    RecoveryRecord record;
};

class RecoveryRoundTripTest : public testing::TestWithParam<RoundTripCase> { };

TEST_P(RecoveryRoundTripTest, ReadsBackWhatWasWritten)
{
    const RecoveryParse parsed = parseRecovery(serializeRecovery(GetParam().record));
    EXPECT_EQ(parsed.error, QString());
    ASSERT_TRUE(parsed.record.has_value());
    EXPECT_TRUE(*parsed.record == GetParam().record);
}

const QString Escapes = QStringLiteral("\\t\t\n\r\\\\ \\");
const QString WithNul = QString::fromUtf8("a\0b", 3);
// A byte order mark at the start of a text is part of it, not to be skipped when read.
const QString WithBom = QStringLiteral("\uFEFF12");

INSTANTIATE_TEST_SUITE_P(Records, RecoveryRoundTripTest,
    testing::Values(RoundTripCase { "typical", typicalRecord() }, RoundTripCase { "all_empty", {} },
        RoundTripCase { "escapes", { Escapes, "\n", QDate(2024, 12, 31), { { Escapes, "" }, { "", Escapes } }, {} } },
        RoundTripCase { "japanese_and_nul", { "調査柱１２", WithBom, QDate(1, 1, 1), { { "測定値", WithNul } }, {} } },
        RoundTripCase { "path_bytes_and_limits",
            { "", "", {}, {},
                PendingShot { QByteArray("\x80\xff %25%/\x00~", 10), std::numeric_limits<qint64>::max(), 0, Escapes, 0,
                    std::numeric_limits<int>::max(), {} } } },
        RoundTripCase { "row_as_measured",
            { "12", "12", QDate(2024, 5, 1),
                { { "", "", WidthSource::TakeIn, false, "12_1.jpg", "12_1_IMG 1.JPG", CrackDirection::Unknown },
                    { "2", "0.35", WidthSource::Analysis, true, "12_2.jpg", "", CrackDirection::Oblique },
                    { "3", "0.4", WidthSource::DraggedLine, false, "", "", CrackDirection::Transverse },
                    { "4", "x", WidthSource::Typed, false, "", "", CrackDirection::Longitudinal } },
                {} } },
        RoundTripCase {
            "empty_path_no_rows", { "1", "1", QDate(9999, 12, 31), {}, PendingShot { "", 0, 0, "", 0, 1, {} } } },
        RoundTripCase { "original_kept",
            { "12", "12", QDate(2024, 5, 1), {},
                PendingShot { "/cam/IMG_0002.JPG", 2048, 1714521600000, "/p/20240501/12/12_2.jpg", 1714521601000, 2,
                    "/p/20240501/12/原画像/12_2_IMG_0002" + Escapes } } }),
    caseName<RoundTripCase>);

void expectRefused(const QByteArray& bytes, const char* says = "形式が正しくありません")
{
    const RecoveryParse parsed = parseRecovery(bytes);
    EXPECT_FALSE(parsed.record.has_value()) << bytes.toStdString();
    EXPECT_TRUE(
        parsed.error.startsWith(QStringLiteral("復元用ファイル")) && parsed.error.contains(QString::fromUtf8(says)))
        << parsed.error.toStdString() << " for " << bytes.toStdString();
}

TEST(RecoveryRecord, RefusesTheRecordCutShortAnywhere)
{
    const QByteArray bytes = serializeRecovery(typicalRecord());
    for (qsizetype size = 0; size < bytes.size(); ++size)
        expectRefused(bytes.left(size));
}

TEST(RecoveryRecord, RefusesAnyByteChanged)
{
    const QByteArray bytes = serializeRecovery(typicalRecord());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        for (const char mask : { '\x01', '\x80' }) {
            QByteArray damaged = bytes;
            damaged[i] = static_cast<char>(damaged[i] ^ mask);
            // A version digit flipped to another number names another version, which is refused as such.
            expectRefused(damaged, damaged.startsWith("norvel-recovery 0\n") ? "別の版" : "形式");
        }
    }
}

struct DamageCase {
    const char* name;
    const char* body; // sealed with a correct sum unless unsealed
    const char* after = "";
    bool unsealed = false;
    const char* says = "形式が正しくありません";
};

class RecoveryDamageTest : public testing::TestWithParam<DamageCase> { };

TEST_P(RecoveryDamageTest, IsRefusedWithAReason)
{
    const DamageCase& c = GetParam();
    expectRefused((c.unsealed ? QByteArray(c.body) : sealed(c.body)) + c.after, c.says);
}

TEST(RecoveryRecord, TheDamagedFormsDifferFromASoundOneOnlyInTheirDamage)
{
    EXPECT_TRUE(parseRecovery(sealed(SOUND_START)).record.has_value());
    EXPECT_TRUE(parseRecovery(sealed(SOUND_START "row 1\t0.35\npending a\t1\t2\t\t3\t1\n")).record.has_value());
}

INSTANTIATE_TEST_SUITE_P(Forms, RecoveryDamageTest,
    testing::Values(
        DamageCase { "other_version", "norvel-recovery 2\npole 12\npoletext 12\nday none\n", "", false, "別の版" },
        DamageCase { "no_header", "pole 12\npoletext 12\nday none\n" },
        DamageCase { "crlf_lines", "norvel-recovery 1\r\npole 12\r\npoletext 12\r\nday none\r\n" },
        DamageCase { "text_after_end", SOUND_START, "x" }, DamageCase { "line_after_end", SOUND_START, "row 1\t2\n" },
        DamageCase { "blank_line_after_end", SOUND_START, "\n" }, DamageCase { "no_end", SOUND_START, "", true },
        DamageCase { "empty_sum", SOUND_START "end \n", "", true },
        DamageCase { "end_without_line_break", SOUND_START "end", "", true },
        DamageCase { "fields_swapped", "norvel-recovery 1\npoletext 12\npole 12\nday none\n" },
        DamageCase { "row_before_day", "norvel-recovery 1\npole 12\npoletext 12\nrow 1\t2\nday none\n" },
        DamageCase { "pending_before_row", SOUND_START "pending a\t1\t2\t\t3\t1\nrow 1\t2\n" },
        DamageCase { "pole_twice", "norvel-recovery 1\npole 12\npole 12\npoletext 12\nday none\n" },
        DamageCase { "day_twice", SOUND_START "day none\n" },
        DamageCase { "pending_twice", SOUND_START "pending a\t1\t2\t\t3\t1\npending a\t1\t2\t\t3\t1\n" },
        DamageCase { "no_poletext", "norvel-recovery 1\npole 12\nday none\n" },
        DamageCase { "no_day", "norvel-recovery 1\npole 12\npoletext 12\n" },
        DamageCase { "key_without_blank", "norvel-recovery 1\npole\npoletext 12\nday none\n" },
        DamageCase { "unknown_field", SOUND_START "note x\n" },
        DamageCase { "row_without_tab", SOUND_START "row 1 0.35\n" },
        DamageCase { "row_two_tabs", SOUND_START "row 1\t0.35\t\n" },
        DamageCase { "row_source_unknown", SOUND_START "row 1\t0.35\tguess\t0\t\t\t\n" },
        DamageCase { "row_across_not_a_flag", SOUND_START "row 1\t0.35\tanalysis\t2\t\t\t\n" },
        DamageCase { "row_direction_word", SOUND_START "row 1\t0.35\tanalysis\t1\t\t\t上\n" },
        DamageCase { "row_six_fields", SOUND_START "row 1\t0.35\tanalysis\t1\t\t\n" },
        DamageCase { "row_saying_no_more_at_length", SOUND_START "row 1\t0.35\tunknown\t0\t\t\t\n" },
        DamageCase { "unknown_escape", SOUND_START "row 1\\q\t0.35\n" },
        DamageCase { "trailing_backslash", "norvel-recovery 1\npole 12\\\npoletext 12\nday none\n" },
        DamageCase { "bare_tab", "norvel-recovery 1\npole 1\t2\npoletext 12\nday none\n" },
        DamageCase { "bare_carriage_return", "norvel-recovery 1\npole 12\r\npoletext 12\nday none\n" },
        DamageCase { "invalid_utf8", "norvel-recovery 1\npole \xff\npoletext 12\nday none\n" },
        DamageCase { "overlong_utf8", "norvel-recovery 1\npole \xc0\xaf\npoletext 12\nday none\n" },
        DamageCase { "day_not_in_calendar", "norvel-recovery 1\npole 12\npoletext 12\nday 2023-02-29\n" },
        DamageCase { "day_short_month", "norvel-recovery 1\npole 12\npoletext 12\nday 2024-5-01\n" },
        DamageCase { "day_empty", "norvel-recovery 1\npole 12\npoletext 12\nday \n" },
        DamageCase { "day_word", "norvel-recovery 1\npole 12\npoletext 12\nday None\n" },
        DamageCase { "size_with_letter", SOUND_START "pending a\t12x\t2\t\t3\t1\n" },
        DamageCase { "size_negative", SOUND_START "pending a\t-1\t2\t\t3\t1\n" },
        DamageCase { "size_empty", SOUND_START "pending a\t\t2\t\t3\t1\n" },
        DamageCase { "size_plus", SOUND_START "pending a\t+1\t2\t\t3\t1\n" },
        DamageCase { "size_leading_zero", SOUND_START "pending a\t01\t2\t\t3\t1\n" },
        DamageCase { "modified_huge", SOUND_START "pending a\t1\t99999999999999999999\t\t3\t1\n" },
        DamageCase { "taken_in_one_past_largest", SOUND_START "pending a\t1\t2\t\t9223372036854775808\t1\n" },
        DamageCase { "row_zero", SOUND_START "pending a\t1\t2\t\t3\t0\n" },
        DamageCase { "row_past_int", SOUND_START "pending a\t1\t2\t\t3\t2147483648\n" },
        DamageCase { "pending_short", SOUND_START "pending a\t1\t2\t\t3\n" },
        DamageCase { "path_lower_case_hex", SOUND_START "pending %2fa\t1\t2\t\t3\t1\n" },
        DamageCase { "path_bad_percent", SOUND_START "pending %zz\t1\t2\t\t3\t1\n" },
        DamageCase { "path_raw_blank", SOUND_START "pending a b\t1\t2\t\t3\t1\n" },
        DamageCase { "filed_path_bad_escape", SOUND_START "pending a\t1\t2\t\\x\t3\t1\n" },
        DamageCase { "original_path_bad_escape", SOUND_START "pending a\t1\t2\t\t3\t1\t\\x\n" },
        DamageCase { "pending_long", SOUND_START "pending a\t1\t2\t\t3\t1\to\tx\n" }),
    caseName<DamageCase>);

} // namespace
