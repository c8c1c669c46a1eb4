#include "services/crackfactsbox.h"
#include "services/polefactsbox.h"
#include "testsupport.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace norvel;

namespace {

template <typename T> T* field(QDialog& dialog, const char* name)
{
    T* found = dialog.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        ADD_FAILURE() << "no " << name;
    return found;
}

TEST(PoleFactsDialog, OffersTheFactsAndGivesBackWhatIsTypedWithoutBlanks)
{
    const PoleFacts current { "東京幹123", "本町1丁目", "RC柱", "傾き" };
    PoleFactsDialog dialog(QStringLiteral("3"), current, { "東京幹123", "東京幹124" }, nullptr);
    EXPECT_EQ(dialog.facts(), current);

    field<QLineEdit>(dialog, "plate")->setText(QStringLiteral(" 東京幹124 "));
    field<QLineEdit>(dialog, "place")->setText(QStringLiteral("本町2丁目 "));
    field<QLineEdit>(dialog, "poleType")->setText(QString());
    field<QLineEdit>(dialog, "remarks")->setText(QStringLiteral("\t新設"));
    EXPECT_EQ(dialog.facts(), (PoleFacts { "東京幹124", "本町2丁目", "", "新設" }));
    QAbstractItemModel* plates = field<QLineEdit>(dialog, "plate")->completer()->model();
    EXPECT_EQ(plates->rowCount(), 2);
}

TEST(PoleFactsDialog, TellsOfThePreviousInspectionOfThePlateTyped)
{
    QStringList asked;
    PoleFactsDialog dialog(QStringLiteral("3"), {}, {}, [&asked](const QString& plate) {
        asked << plate;
        return plate == QStringLiteral("東京幹123") ? QStringLiteral("前回 2021/10/4：最大 0.35 mm") : QString();
    });
    auto* previous = field<QLabel>(dialog, "previousInspection");
    EXPECT_TRUE(previous->isHidden());
    field<QLineEdit>(dialog, "plate")->setText(QStringLiteral("東京幹123 "));
    EXPECT_FALSE(previous->isHidden());
    EXPECT_EQ(previous->text(), QStringLiteral("前回 2021/10/4：最大 0.35 mm"));
    field<QLineEdit>(dialog, "plate")->setText(QStringLiteral("東京幹12"));
    EXPECT_TRUE(previous->isHidden());
    EXPECT_EQ(asked, (QStringList { "", "東京幹123", "東京幹12" }));
}

struct HeightRow {
    const char* typed;
    bool usable;
    std::optional<double> heightM;
};

TEST(CrackFactsDialog, TakesAHeightAPoleCanHave_fullWidthDigitsToo)
{
    const HeightRow rows[] = {
        { "", true, std::nullopt },
        { " ", true, std::nullopt },
        { "2.5", true, 2.5 },
        { "２．５", true, 2.5 },
        { "0", true, 0.0 },
        { "100", true, 100.0 },
        { "100.01", false, std::nullopt },
        { "-0.5", false, std::nullopt },
        { "－１", false, std::nullopt },
        { "2,5", false, std::nullopt },
        { "2.5m", false, std::nullopt },
    };
    CrackFactsDialog dialog(QStringLiteral("3"), 2, {});
    QPushButton* ok = field<QDialogButtonBox>(dialog, "buttons")->button(QDialogButtonBox::Ok);
    for (const HeightRow& row : rows) {
        SCOPED_TRACE(row.typed);
        field<QLineEdit>(dialog, "heightM")->setText(QString::fromUtf8(row.typed));
        EXPECT_EQ(dialog.heightUsable(), row.usable);
        EXPECT_EQ(ok->isEnabled(), row.usable);
        if (row.usable) {
            EXPECT_EQ(dialog.facts().heightM, row.heightM);
        }
    }
}

TEST(CrackFactsDialog, OffersTheFactsAndGivesBackWhatIsChosen)
{
    const CrackFacts offered[] = {
        {},
        { CrackDirection::Transverse, 1.25, "道路側", true, "エフロ" },
        { CrackDirection::Oblique, 0.4, "上部の継ぎ目", false, "" },
    };
    for (const CrackFacts& current : offered) {
        SCOPED_TRACE(current.remarks.toStdString());
        CrackFactsDialog dialog(QStringLiteral("3"), 2, current);
        EXPECT_EQ(dialog.facts(), current);
    }
    CrackFactsDialog dialog(QStringLiteral("3"), 2, offered[1]);
    field<QComboBox>(dialog, "direction")->setCurrentText(QStringLiteral("縦"));
    field<QComboBox>(dialog, "face")->setCurrentText(QStringLiteral("南"));
    field<QComboBox>(dialog, "rust")->setCurrentIndex(0);
    EXPECT_EQ(dialog.facts(), (CrackFacts { CrackDirection::Longitudinal, 1.25, "南", std::nullopt, "エフロ" }));
    EXPECT_EQ(field<QComboBox>(dialog, "face")->count(), 7);
}

// A known plate chosen fills in what that survey gave of place and kind of pole; names read in half width.
struct ChoiceRow {
    const char* chosen;
    PoleFacts typedFirst;
    PoleFacts after;
};

TEST(PoleFactsDialog, AKnownPlateChosenFillsTheRest)
{
    const QMap<QString, PoleFacts> earlier { { "K-1", { "K-1", "本町1丁目", "RC柱", "傾き" } },
        { "K-2", { "K-2", "", "鋼管柱", "" } } };
    const auto known = [&earlier](const QString& plate) {
        return earlier.contains(plate) ? std::optional(earlier[plate]) : std::nullopt;
    };
    const ChoiceRow rows[] = {
        { "K-1", { "K", "駅前", "鋼管柱", "新設" }, { "K-1", "本町1丁目", "RC柱", "新設" } },
        { "K-2", { "K", "駅前", "", "" }, { "K-2", "駅前", "鋼管柱", "" } },
        { "K-3", { "Ｋ－１", "本町１丁目", "ＲＣ柱", "ＲＣ" }, { "K-3", "本町1丁目", "RC柱", "ＲＣ" } },
    };
    for (const ChoiceRow& row : rows) {
        SCOPED_TRACE(row.chosen);
        PoleFactsDialog dialog(QStringLiteral("3"), row.typedFirst, { "K-1", "K-2" }, nullptr, known);
        auto* plate = field<QLineEdit>(dialog, "plate");
        plate->setText(QString::fromUtf8(row.chosen));
        Q_EMIT plate->completer()->activated(QString::fromUtf8(row.chosen));
        EXPECT_EQ(dialog.facts(), row.after);
    }
}

} // namespace
