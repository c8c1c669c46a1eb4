#include "app/form1.h"
#include "fakeservices.h"
#include "services/commondialog.h"
#include "testsupport.h"
#include "widgets/clickablelabel.h"
#include "widgets/flexgrid.h"
#include "widgets/fullpicture.h"
#include "widgets/picturebox.h"
#include "widgets/uifont.h"
#include "widgets/wrappingmenubar.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>
#include <unistd.h>

#include <memory>

using namespace norvel;

namespace {

// Records which handlers ran, in order, to show how events and handlers call one another.
class SpyForm1 : public Form1 {
public:
    using Form1::Form1;

    QStringList calls;
    bool spyOnly = false; // record without running the real handling

#define SPY0(name)                                                                                                     \
    void name() override                                                                                               \
    {                                                                                                                  \
        calls << QStringLiteral(#name "()");                                                                           \
        if (!spyOnly)                                                                                                  \
            Form1::name();                                                                                             \
    }
#define SPY1(name)                                                                                                     \
    void name(int Index) override                                                                                      \
    {                                                                                                                  \
        calls << QStringLiteral(#name "(%1)").arg(Index);                                                              \
        if (!spyOnly)                                                                                                  \
            Form1::name(Index);                                                                                        \
    }
    SPY0(Kil)
    SPY0(SetSave)
    SPY0(SetLode)
    SPY0(Command1_Click)
    SPY0(Command2_Click)
    SPY0(Command5_Click)
    SPY0(Check1_Click)
    SPY0(Check3_Click)
    SPY0(Check6_Click)
    SPY0(Set_Click)
    SPY0(Text3_Change)
    SPY0(Text4_Change)
    SPY0(Timer1_Timer)
    SPY0(Timer2_Timer)
    SPY0(JPOP_Click)
    SPY0(Psave_Click)
    SPY1(Command3_Click)
    SPY1(Command4_Click)
    SPY1(Label4_Click)
    SPY1(Label4_MouseDown)
    SPY1(Label4_MouseUp)
    SPY1(Option1_Click)
    SPY1(bunseki_Click)
    SPY1(ScanH_Click)
    SPY1(DspS_Click)
#undef SPY0
#undef SPY1
};

template <typename T> T* child(const QObject* root, const QString& name)
{
    T* found = root->findChild<T*>(name);
    if (!found)
        ADD_FAILURE() << "no " << name.toStdString();
    return found;
}

class Form1Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() { installUiFont(); }

    SpyForm1& load()
    {
        form = std::make_unique<SpyForm1>(fake.services());
        form->Form_Load();
        return *form;
    }

    void writeProgramFile(const QString& name, const QByteArray& content)
    {
        QFile file(fake.programFolder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    template <typename T> T* get(const QString& name) { return child<T>(form.get(), name); }

    QAction* menuItem(const QString& name) { return get<QAction>(name); }
    bool checked(const QString& box) { return get<QCheckBox>(box)->isChecked(); }
    int centralHeight()
    {
        form->layout()->activate();
        return form->centralWidget()->height();
    }
    // The longest captions the window gives its top-level items at run time.
    void setLongestCaptions()
    {
        get<QMenu>(QStringLiteral("soku"))->setTitle(QStringLiteral("測定値:0.35mm"));
        get<QMenu>(QStringLiteral("TyoNo"))->setTitle(QStringLiteral("調査柱No「0123456789」"));
        get<QMenu>(QStringLiteral("Sz"))->setTitle(LongestSizeCaption);
        menuItem(QStringLiteral("Dm"))->setText(QStringLiteral("LoodErr"));
    }
    static inline const QString LongestSizeCaption
        = QStringLiteral("サイズ：1920×1080 ⇒ 853.333339691162×480.000003576279");

    FakeServices fake;
    std::unique_ptr<SpyForm1> form;
};

TEST_F(Form1Test, firstStart_isReducedWithDesignDefaultsAndNoWatcher)
{
    load();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Norvel(2022/05/19)"));
    EXPECT_EQ(form->outerHeightTwips(), 1770);
    EXPECT_EQ(form->outerWidthTwips(), 11130);
    EXPECT_EQ(get<QPushButton>(QStringLiteral("Command5"))->text(), QStringLiteral("拡大"));
    EXPECT_EQ(menuItem(QStringLiteral("Bic"))->text(), QStringLiteral("拡大"));

    EXPECT_TRUE(get<QLineEdit>(QStringLiteral("Text1"))->text().isEmpty());
    EXPECT_TRUE(checked(QStringLiteral("Check1")));
    EXPECT_FALSE(checked(QStringLiteral("Check2")));
    EXPECT_FALSE(checked(QStringLiteral("Check3")));
    EXPECT_TRUE(checked(QStringLiteral("Check4")));
    EXPECT_TRUE(checked(QStringLiteral("Check5")));
    EXPECT_FALSE(checked(QStringLiteral("Check6")));
    EXPECT_EQ(get<QLineEdit>(QStringLiteral("Text5"))->text(), QStringLiteral("30"));
    EXPECT_EQ(get<QLineEdit>(QStringLiteral("Text6"))->text(), QStringLiteral("1"));
    EXPECT_EQ(get<QLineEdit>(QStringLiteral("Text4"))->text(), QStringLiteral("1"));
    EXPECT_EQ(get<QLineEdit>(QStringLiteral("Text2"))->text(), QStringLiteral("40"));
    EXPECT_EQ(get<QLineEdit>(QStringLiteral("Text3"))->text(), QStringLiteral("0"));

    auto* timer1 = get<QTimer>(QStringLiteral("Timer1"));
    auto* timer2 = get<QTimer>(QStringLiteral("Timer2"));
    EXPECT_FALSE(timer1->isActive());
    EXPECT_EQ(timer1->interval(), 500);
    EXPECT_FALSE(timer2->isActive());
    EXPECT_EQ(timer2->interval(), 5000);
    EXPECT_FALSE(form->calls.contains(QStringLiteral("Kil()")));

    const RunState& s = form->state();
    EXPECT_TRUE(s.WatchPath.isEmpty());
    EXPECT_EQ(s.DspRate, 0.0f);
    EXPECT_EQ(s.bunsekiIndex, 1);
    EXPECT_EQ(s.Zoom, 1.0f);
    EXPECT_EQ(s.BunHX, (std::array<qint16, 2> { 0, 0 }));
    EXPECT_EQ(s.BunHY, (std::array<qint16, 2> { 0, 0 }));
    EXPECT_FALSE(s.LineDrag);
    EXPECT_EQ(form->resultList().pole(), QStringLiteral("1"));

    EXPECT_EQ(get<PictureBox>(QStringLiteral("Picture1"))->y(), 64);
    EXPECT_EQ(get<QGroupBox>(QStringLiteral("Frame2"))->x(), 644);
    EXPECT_TRUE(get<QRadioButton>(QStringLiteral("Option1(0)"))->isChecked());
    EXPECT_FALSE(get<QPushButton>(QStringLiteral("Command4(0)"))->isEnabled());
    EXPECT_FALSE(get<QPushButton>(QStringLiteral("Command4(1)"))->isEnabled());
    EXPECT_FALSE(get<FullPicture>(QStringLiteral("Picture2"))->isVisibleTo(form.get()));
    EXPECT_EQ(get<FullPicture>(QStringLiteral("Picture2"))->pictureWidth(), 640);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(get<OverlayLine>(QStringLiteral("Line1(%1)").arg(i))->isVisible());
    for (int i = 0; i < 6; ++i)
        EXPECT_FALSE(get<OverlayLine>(QStringLiteral("Line2(%1)").arg(i))->isVisible());
    EXPECT_EQ(get<OverlayLine>(QStringLiteral("Line1(0)"))->color(), QColor(0, 255, 0));
    EXPECT_EQ(get<OverlayLine>(QStringLiteral("Line2(5)"))->color(), QColor(255, 0, 0));
}

TEST_F(Form1Test, startUp_laysOutBothGrids)
{
    load();
    auto* detail = get<FlexGrid>(QStringLiteral("MSFlexGrid1"));
    EXPECT_EQ(detail->rows(), 7);
    EXPECT_EQ(detail->cols(), 2);
    EXPECT_EQ(detail->fixedRows(), 1);
    EXPECT_EQ(detail->fixedCols(), 1);
    EXPECT_EQ(detail->colWidthTwips(0), 500);
    EXPECT_EQ(detail->colWidthTwips(1), 750);
    EXPECT_EQ(detail->textMatrix(0, 1), QStringLiteral("ピクセル"));
    const QStringList labels { QStringLiteral("位置"), QStringLiteral("左"), QString(), QStringLiteral("中"), QString(),
        QStringLiteral("右"), QStringLiteral("mm") };
    for (int row = 0; row < 7; ++row)
        EXPECT_EQ(detail->textMatrix(row, 0), labels[row]) << "row " << row;

    auto* results = get<FlexGrid>(QStringLiteral("MSFlexGrid2"));
    EXPECT_EQ(results->rows(), 0);
    EXPECT_EQ(results->cols(), 2);
    EXPECT_EQ(results->fixedRows(), 0);
    EXPECT_EQ(results->fixedCols(), 1);
    EXPECT_EQ(results->colWidthTwips(0), 300);
    EXPECT_EQ(results->colWidthTwips(1), 600);
}

struct ControlRow {
    const char* name;
    const char* container;
    QRect geometry;
    const char* caption;
    double points;
    bool bold;
};

TEST_F(Form1Test, controls_standWhereTheLayoutPutsThemWithTheirCaptionsAndFonts)
{
    const ControlRow rows[] = {
        { "Command1", "central", { 4, 0, 81, 37 }, "「USB Video Device」検索", 9, false },
        { "Text1", "central", { 4, 40, 453, 18 }, "", 9, false },
        { "Label4(0)", "central", { 88, 12, 25, 24 }, "－", 18, true },
        { "Label3", "central", { 116, 0, 52, 12 }, "調査柱No.", 9, false },
        { "Text4", "central", { 120, 12, 49, 25 }, "1", 15.75, false },
        { "Label4(1)", "central", { 172, 12, 25, 24 }, "＋", 18, true },
        { "Check1", "central", { 212, 20, 129, 16 }, "DT・画像を自動保存", 9, false },
        { "Label2(0)", "central", { 220, 4, 30, 12 }, "閾値：", 9, false },
        { "Text2", "central", { 252, 0, 25, 18 }, "40", 9, false },
        { "Label2(1)", "central", { 280, 4, 6, 12 }, "%", 9, false },
        { "Check2", "central", { 292, 0, 49, 16 }, "自動", 9, false },
        { "Check3", "central", { 344, 8, 49, 25 }, "自動縮小", 9.75, false },
        { "Command5", "central", { 400, 4, 53, 33 }, "拡大", 12, false },
        { "Command2", "central", { 456, 4, 49, 33 }, "分析", 12, false },
        { "Command3(0)", "central", { 460, 44, 53, 17 }, "全クリア", 9, false },
        { "Command4(0)", "central", { 508, 0, 61, 21 }, "縦コピー", 9, false },
        { "Command4(1)", "central", { 508, 20, 61, 21 }, "横コピー", 9, false },
        { "Command3(1)", "central", { 516, 44, 53, 17 }, "１クリア", 9, false },
        { "Picture1", "central", { 0, 64, 640, 480 }, nullptr, 11.25, false },
        { "Frame2", "central", { 644, -4, 93, 477 }, "", 9, false },
        { "MSFlexGrid2", "Frame2", { 8, 12, 81, 65 }, nullptr, 9, false },
        { "Frame1", "Frame2", { 8, 88, 81, 97 }, "分析範囲", 9, false },
        { "Option1(0)", "Frame1", { 8, 20, 65, 21 }, "全画面", 9, false },
        { "Option1(1)", "Frame1", { 8, 44, 65, 21 }, "２．５倍", 9, false },
        { "Option1(2)", "Frame1", { 8, 68, 65, 21 }, "５倍", 9, false },
        { "MSFlexGrid1", "Frame2", { 4, 188, 85, 109 }, nullptr, 9, false },
        { "Label1", "Frame2", { 12, 304, 41, 13 }, "修正欄", 9, false },
        { "Text3", "Frame2", { 16, 320, 53, 22 }, "0", 9, false },
        { "Check4", "Frame2", { 4, 360, 77, 16 }, "上書確認", 9, false },
        { "Text5", "Frame2", { 16, 376, 29, 22 }, "30", 9, false },
        { "Label5(0)", "Frame2", { 48, 380, 36, 12 }, "秒以上", 9, false },
        { "Check5", "Frame2", { 4, 404, 85, 17 }, "検出幅制限", 9, false },
        { "Text6", "Frame2", { 12, 428, 33, 22 }, "1", 9, false },
        { "Label5(1)", "Frame2", { 48, 432, 42, 12 }, "mm以下", 9, false },
        { "Check6", "Frame2", { 4, 456, 85, 16 }, "自動最前面", 9, false },
    };
    load();
    for (const ControlRow& row : rows) {
        SCOPED_TRACE(row.name);
        auto* widget = get<QWidget>(QString::fromUtf8(row.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromUtf8(row.container));
        EXPECT_EQ(widget->geometry(), row.geometry);
        if (row.caption) {
            const char* property = qobject_cast<QGroupBox*>(widget) ? "title" : "text";
            EXPECT_EQ(widget->property(property).toString(), QString::fromUtf8(row.caption));
        }
        EXPECT_DOUBLE_EQ(widget->font().pointSizeF(), row.points);
        EXPECT_EQ(widget->font().bold(), row.bold);
        EXPECT_EQ(widget->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    }
}

// What the user sees of the same layout: with the whole picture shown, in either picture size, every
// control lies inside the window, and a click at its middle reaches it rather than a neighbour over it.
TEST_F(Form1Test, everyControl_liesInsideTheWindowAndIsReachedAtItsMiddle)
{
    const char* const names[] = { "Command1", "Text1", "Label4(0)", "Label3", "Text4", "Label4(1)", "Check1",
        "Label2(0)", "Text2", "Label2(1)", "Check2", "Check3", "Command5", "Command2", "Command3(0)", "Command4(0)",
        "Command4(1)", "Command3(1)", "Picture1", "MSFlexGrid2", "Option1(0)", "Option1(1)", "Option1(2)",
        "MSFlexGrid1", "Label1", "Text3", "Check4", "Text5", "Label5(0)", "Check5", "Text6", "Label5(1)", "Check6" };
    for (const int pictureSize : { 0, 1 }) {
        SCOPED_TRACE(pictureSize);
        load();
        form->show();
        form->DspS_Click(pictureSize);
        QWidget* window = form->centralWidget();
        form->layout()->activate();
        for (const char* name : names) {
            SCOPED_TRACE(name);
            auto* widget = get<QWidget>(QString::fromUtf8(name));
            ASSERT_NE(widget, nullptr);
            ASSERT_TRUE(widget->isVisible());
            const QRect seen(widget->mapTo(window, QPoint()), widget->size());
            EXPECT_TRUE(window->rect().contains(seen)) << seen.x() << "," << seen.y();
            QWidget* reached = window->childAt(seen.center());
            EXPECT_TRUE(reached == widget || widget->isAncestorOf(reached))
                << (reached ? reached->objectName().toStdString() : "nothing");
        }
    }
}

TEST_F(Form1Test, japaneseFace_resolvesToAnInstalledJapaneseGothic)
{
    load();
    const QFontInfo info(get<QLabel>(QStringLiteral("Label3"))->font());
    EXPECT_TRUE(info.family().startsWith(QStringLiteral("IPA"))) << info.family().toStdString();
}

struct MenuRow {
    const char* name;
    const char* parentMenu; // nullptr: on the menu bar
    const char* caption;
    bool checked;
    bool visible;
};

TEST_F(Form1Test, menuTree_hasItsCaptionsMarksAndHiddenItems)
{
    const MenuRow rows[] = {
        { "JPOP", "fil", "画像データを開く", false, true },
        { "Psave", "fil", "画像を保存", false, true },
        { "USB", "fil", "「USB Video Device」検索", false, true },
        { "EN", "fil", "終了", false, true },
        { "cop(0)", "E", "縦コピー", false, true },
        { "cop(1)", "E", "横コピー", false, true },
        { "col(0)", "E", "全クリア", false, true },
        { "col(1)", "E", "1クリア", false, true },
        { "copC", "E", "コピー後消去", true, true },
        { "PoleInfo", "E", "柱情報…", false, true },
        { "CrackInfo", "E", "ひび割れ情報…", false, true },
        { "bunGo", "Bun", "分析", false, false },
        { "ops(0)", "BunH", "全画面", true, true },
        { "ops(1)", "BunH", "2.5倍", false, true },
        { "ops(2)", "BunH", "5倍", false, true },
        { "bunseki(0)", "Bun1", "亀裂幅優先", false, true },
        { "bunseki(1)", "Bun1", "黒さ優先", true, true },
        { "bunseki(2)", "Bun1", "白黒反転幅優先", false, true },
        { "bunseki(3)", "Bun1", "白黒反転白さ優先", false, true },
        { "ScanH(0)", "Bun2", "縦スキャン", true, true },
        { "ScanH(1)", "Bun2", "横スキャン", false, true },
        { "AcrossCrack", "Bun", "ひび割れに直交する幅", true, true },
        { "check(1)", "Set", "DT・画像を自動保存", true, true },
        { "check(2)", "Set", "自動閾値", false, true },
        { "check(3)", "Set", "自動縮小", false, true },
        { "check(4)", "Set", "上書確認", true, true },
        { "check(5)", "Set", "検出幅制限", true, true },
        { "check(6)", "Set", "自動最前面", false, true },
        { "sokuDD(0)", "soku", "", false, true },
        { "sokuDD(1)", "soku", "1", false, false },
        { "sokuDD(5)", "soku", "5", false, false },
        { "TyoNoPrs(0)", "TyoNo", "－", false, true },
        { "TyoNoPrs(1)", "TyoNo", "＋", false, true },
        { "minDisp", "Sz", "小型画面", false, true },
        { "DspS(0)", "Disp", "640*480", true, true },
        { "DspS(1)", "Disp", "560*420", false, true },
    };
    load();
    for (const MenuRow& row : rows) {
        SCOPED_TRACE(row.name);
        QAction* item = menuItem(QString::fromUtf8(row.name));
        ASSERT_NE(item, nullptr);
        auto* menu = get<QMenu>(QString::fromUtf8(row.parentMenu));
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(menu->actions().contains(item));
        EXPECT_EQ(item->text(), QString::fromUtf8(row.caption));
        EXPECT_EQ(item->isChecked(), row.checked);
        EXPECT_EQ(item->isVisible(), row.visible);
    }
    EXPECT_EQ(form->findChild<QAction*>(QStringLiteral("check(0)")), nullptr);
}

TEST_F(Form1Test, menuBar_holdsTheTopLevelItemsInOrder)
{
    load();
    QStringList captions;
    QStringList names;
    for (QAction* action : form->topMenus()->actions()) {
        captions << action->text();
        names << (action->menu() ? action->menu()->objectName() : action->objectName());
    }
    EXPECT_EQ(names,
        (QStringList { QStringLiteral("fil"), QStringLiteral("E"), QStringLiteral("Bun"), QStringLiteral("Set"),
            QStringLiteral("Bic"), QStringLiteral("soku"), QStringLiteral("TyoNo"), QStringLiteral("Sz"),
            QStringLiteral("Dm") }));
    EXPECT_EQ(captions,
        (QStringList { QStringLiteral("ファイル"), QStringLiteral("編集"), QStringLiteral("分析"),
            QStringLiteral("設定"), QStringLiteral("拡大"), QStringLiteral("測定値："),
            QStringLiteral("調査柱No.「1」"), QStringLiteral("サイズ："), QString() }));
    EXPECT_EQ(get<QMenu>(QStringLiteral("BunH"))->title(), QStringLiteral("分析範囲"));
    EXPECT_EQ(get<QMenu>(QStringLiteral("Bun1"))->title(), QStringLiteral("分析方法"));
    EXPECT_EQ(get<QMenu>(QStringLiteral("Bun2"))->title(), QStringLiteral("スキャン方向"));
    EXPECT_EQ(get<QMenu>(QStringLiteral("Disp"))->title(), QStringLiteral("画像サイズ"));
}

struct WiringRow {
    const char* item;
    const char* expectedCall;
};

TEST_F(Form1Test, menuItems_runTheirControlsHandlersWithTheSameIndex)
{
    const WiringRow rows[] = {
        { "USB", "Command1_Click()" },
        { "bunGo", "Command2_Click()" },
        { "JPOP", "JPOP_Click()" },
        { "Psave", "Psave_Click()" },
        { "cop(0)", "Command4_Click(0)" },
        { "cop(1)", "Command4_Click(1)" },
        { "col(0)", "Command3_Click(0)" },
        { "col(1)", "Command3_Click(1)" },
        { "TyoNoPrs(0)", "Label4_Click(0)" },
        { "TyoNoPrs(1)", "Label4_Click(1)" },
        { "Bic", "Command5_Click()" },
        { "ops(2)", "Option1_Click(2)" },
        { "ops(1)", "Option1_Click(1)" },
        { "bunseki(3)", "bunseki_Click(3)" },
        { "ScanH(1)", "ScanH_Click(1)" },
        { "DspS(1)", "DspS_Click(1)" },
        { "check(6)", "Check6_Click()" },
    };
    load();
    for (const WiringRow& row : rows) {
        SCOPED_TRACE(row.item);
        form->calls.clear();
        menuItem(QString::fromUtf8(row.item))->trigger();
        EXPECT_EQ(form->calls.value(0), QString::fromUtf8(row.expectedCall)) << form->calls.join(u' ').toStdString();
    }
}

TEST_F(Form1Test, openingAnalysisMenu_runsTheAnalysisButton_andOpeningSettingsCopiesTheBoxes)
{
    load();
    form->calls.clear();
    Q_EMIT get<QMenu>(QStringLiteral("Bun"))->aboutToShow();
    EXPECT_EQ(form->calls, QStringList { QStringLiteral("Command2_Click()") });

    get<QCheckBox>(QStringLiteral("Check6"))->setChecked(true);
    get<QCheckBox>(QStringLiteral("Check1"))->setChecked(false);
    Q_EMIT get<QMenu>(QStringLiteral("Set"))->aboutToShow();
    EXPECT_TRUE(menuItem(QStringLiteral("check(6)"))->isChecked());
    EXPECT_FALSE(menuItem(QStringLiteral("check(1)"))->isChecked());
}

TEST_F(Form1Test, controls_runTheirHandlers)
{
    load();
    form->spyOnly = true;
    form->calls.clear();
    QTest::mouseClick(get<QPushButton>(QStringLiteral("Command3(1)")), Qt::LeftButton);
    QTest::mouseClick(get<QPushButton>(QStringLiteral("Command2")), Qt::LeftButton);
    QTest::mouseClick(get<QPushButton>(QStringLiteral("Command1")), Qt::LeftButton);
    get<QPushButton>(QStringLiteral("Command4(1)"))->setEnabled(true);
    QTest::mouseClick(get<QPushButton>(QStringLiteral("Command4(1)")), Qt::LeftButton);
    QTest::mouseClick(get<QLabel>(QStringLiteral("Label4(1)")), Qt::LeftButton);
    QTest::mouseClick(get<QRadioButton>(QStringLiteral("Option1(2)")), Qt::LeftButton);
    EXPECT_EQ(form->calls,
        (QStringList { QStringLiteral("Command3_Click(1)"), QStringLiteral("Command2_Click()"),
            QStringLiteral("Command1_Click()"), QStringLiteral("Command4_Click(1)"),
            QStringLiteral("Label4_MouseDown(1)"), QStringLiteral("Label4_MouseUp(1)"),
            QStringLiteral("Label4_Click(1)"), QStringLiteral("Option1_Click(2)") }));
}

TEST_F(Form1Test, settingFromCode_runsClickAndChangeHandlingExactlyWhenTheValueChanges)
{
    load();
    form->spyOnly = true;
    form->calls.clear();
    auto* check1 = get<QCheckBox>(QStringLiteral("Check1"));
    check1->setChecked(true); // unchanged
    check1->setChecked(false);
    check1->setChecked(false); // unchanged
    EXPECT_EQ(form->calls, QStringList { QStringLiteral("Check1_Click()") });

    form->calls.clear();
    auto* text4 = get<QLineEdit>(QStringLiteral("Text4"));
    text4->setText(QStringLiteral("12"));
    EXPECT_EQ(form->calls, QStringList { QStringLiteral("Text4_Change()") });
    form->calls.clear();
    get<QLineEdit>(QStringLiteral("Text3"))->setText(QStringLiteral("0.35"));
    EXPECT_EQ(form->calls, QStringList { QStringLiteral("Text3_Change()") });
}

TEST_F(Form1Test, settingsMenuItem_togglesItsBoxAndTheBoxsHandling)
{
    load();
    menuItem(QStringLiteral("check(3)"))->trigger();
    EXPECT_TRUE(checked(QStringLiteral("Check3")));
    EXPECT_TRUE(menuItem(QStringLiteral("check(3)"))->isChecked());
    EXPECT_TRUE(form->calls.contains(QStringLiteral("Check3_Click()")));

    menuItem(QStringLiteral("check(1)"))->trigger();
    EXPECT_FALSE(checked(QStringLiteral("Check1")));
    EXPECT_FALSE(menuItem(QStringLiteral("check(1)"))->isChecked());
}

TEST_F(Form1Test, timers_runTheirHandlers)
{
    load();
    form->spyOnly = true;
    form->calls.clear();
    auto* timer1 = get<QTimer>(QStringLiteral("Timer1"));
    timer1->start(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->calls.contains(QStringLiteral("Timer1_Timer()")); }, 2000));
    timer1->stop();
    auto* timer2 = get<QTimer>(QStringLiteral("Timer2"));
    timer2->start(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->calls.contains(QStringLiteral("Timer2_Timer()")); }, 2000));
    timer2->stop();
}

TEST_F(Form1Test, reduceButton_togglesBetweenFullAndReducedAndCancelsADelayedReduce)
{
    load();
    auto* timer2 = get<QTimer>(QStringLiteral("Timer2"));
    auto* command5 = get<QPushButton>(QStringLiteral("Command5"));
    timer2->start();
    QTest::mouseClick(command5, Qt::LeftButton);
    EXPECT_EQ(form->outerHeightTwips(), 9000);
    EXPECT_EQ(command5->text(), QStringLiteral("縮小"));
    EXPECT_EQ(menuItem(QStringLiteral("Bic"))->text(), QStringLiteral("縮小"));
    EXPECT_FALSE(timer2->isActive());

    timer2->start();
    menuItem(QStringLiteral("Bic"))->trigger();
    EXPECT_EQ(form->outerHeightTwips(), 1770);
    EXPECT_EQ(command5->text(), QStringLiteral("拡大"));
    EXPECT_FALSE(timer2->isActive());
}

TEST_F(Form1Test, autoReduceBox_reducesWhenSetAndEnlargesWhenCleared)
{
    load();
    auto* check3 = get<QCheckBox>(QStringLiteral("Check3"));
    check3->setChecked(true);
    EXPECT_EQ(form->outerHeightTwips(), 1770);
    EXPECT_EQ(get<QPushButton>(QStringLiteral("Command5"))->text(), QStringLiteral("拡大"));
    check3->setChecked(false);
    EXPECT_EQ(form->outerHeightTwips(), 9000);
    EXPECT_EQ(get<QPushButton>(QStringLiteral("Command5"))->text(), QStringLiteral("縮小"));
}

TEST_F(Form1Test, delayedReduce_reducesOnceAndStops)
{
    load();
    form->Command5_Click();
    auto* timer2 = get<QTimer>(QStringLiteral("Timer2"));
    timer2->start();
    form->Timer2_Timer();
    EXPECT_EQ(form->outerHeightTwips(), 1770);
    EXPECT_FALSE(timer2->isActive());
    EXPECT_EQ(menuItem(QStringLiteral("Bic"))->text(), QStringLiteral("拡大"));
}

TEST_F(Form1Test, smallScreen_movesThePictureUpAndShortensFullAndReducedWindows)
{
    load();
    auto* picture = get<PictureBox>(QStringLiteral("Picture1"));
    QAction* small = menuItem(QStringLiteral("minDisp"));
    small->trigger();
    EXPECT_TRUE(small->isChecked());
    EXPECT_EQ(form->outerHeightTwips(), 600);
    EXPECT_EQ(picture->y(), 0);
    form->Command5_Click();
    EXPECT_EQ(form->outerHeightTwips(), 7830);
    small->trigger();
    EXPECT_FALSE(small->isChecked());
    EXPECT_EQ(form->outerHeightTwips(), 9000);
    EXPECT_EQ(picture->y(), 64);
    form->Command5_Click();
    EXPECT_EQ(form->outerHeightTwips(), 1770);
}

TEST_F(Form1Test, realWindow_showsTheWholePictureWhenFullAndOnlyTheStripWhenReduced)
{
    load();
    auto* picture = get<PictureBox>(QStringLiteral("Picture1"));
    auto* panel = get<QGroupBox>(QStringLiteral("Frame2"));
    form->show();
    // Reduced: the strip of controls above the picture, nothing of the picture area.
    EXPECT_GE(centralHeight(), 61);
    EXPECT_LE(centralHeight(), picture->y() + PictureBox::Border);
    EXPECT_GE(form->centralWidget()->width(), panel->geometry().right() + 1);

    picture->setOuterSize(644, 484);
    form->Command5_Click();
    EXPECT_GE(centralHeight(), picture->geometry().bottom() + 1);
    EXPECT_LE(centralHeight(), picture->geometry().bottom() + 1 + 2);
    EXPECT_EQ(form->height(), form->topMenus()->height() + centralHeight());

    form->minDisp_Click();
    EXPECT_EQ(picture->y(), 0);
    EXPECT_GE(centralHeight(), picture->geometry().bottom() + 1);
    form->Command5_Click();
    EXPECT_LE(centralHeight(), 2);
}

// The row of the menu bar that shows the item, or null.
QMenuBar* rowOf(const WrappingMenuBar* bar, const QAction* item)
{
    for (int r = 0; r < bar->rowCount(); ++r) {
        if (bar->row(r)->actions().contains(item))
            return bar->row(r);
    }
    return nullptr;
}

struct MenuWrapCase {
    std::string name;
    int pictureSize; // DspS index
    bool smallScreen;
};

class Form1MenuWrapTest : public Form1Test, public ::testing::WithParamInterface<MenuWrapCase> {
protected:
    // Whether a plain QMenuBar of the window's width would hide items behind its extension button.
    bool plainBarHidesItems()
    {
        QMenuBar plain;
        plain.setNativeMenuBar(false);
        plain.setFont(form->topMenus()->font());
        plain.addActions(form->topMenus()->actions());
        plain.resize(form->topMenus()->width(), plain.sizeHint().height());
        plain.show();
        const auto* extension = plain.findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"));
        return extension && extension->isVisible();
    }

    void expectEveryItemShownInOrder()
    {
        const WrappingMenuBar* bar = form->topMenus();
        EXPECT_EQ(bar->geometry(), QRect(0, 0, form->width(), bar->rowCount() * bar->rowHeight()));
        QList<QAction*> shown;
        for (int r = 0; r < bar->rowCount(); ++r) {
            QMenuBar* row = bar->row(r);
            ASSERT_TRUE(row->isVisible());
            const auto* extension = row->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"));
            EXPECT_TRUE(!extension || !extension->isVisible()) << "row " << r;
            for (QAction* item : row->actions()) {
                const QRect geometry = row->actionGeometry(item).translated(row->mapTo(form.get(), QPoint()));
                if (!item->text().isEmpty()) {
                    EXPECT_FALSE(geometry.isEmpty()) << item->text().toStdString();
                }
                EXPECT_TRUE(bar->geometry().contains(geometry)) << item->text().toStdString();
                shown << item;
            }
        }
        EXPECT_EQ(shown, bar->actions());
    }
};

TEST_P(Form1MenuWrapTest, longCaptions_wrapTheMenuBarAboveTheUncoveredControlsAndPicture)
{
    const MenuWrapCase& c = GetParam();
    load();
    form->show();
    form->DspS_Click(c.pictureSize); // also enlarges the window to show the whole picture
    if (c.smallScreen)
        form->minDisp_Click();
    auto* picture = get<PictureBox>(QStringLiteral("Picture1"));
    const WrappingMenuBar* bar = form->topMenus();

    get<QMenu>(QStringLiteral("Sz"))->setTitle(QStringLiteral("サイズ："));
    const int central = centralHeight();
    EXPECT_EQ(bar->rowCount(), 1);
    EXPECT_FALSE(plainBarHidesItems());
    EXPECT_GE(central, picture->geometry().bottom() + 1);
    expectEveryItemShownInOrder();

    setLongestCaptions();
    ASSERT_TRUE(plainBarHidesItems());
    EXPECT_GT(bar->rowCount(), 1);
    expectEveryItemShownInOrder();
    EXPECT_EQ(centralHeight(), central);
    EXPECT_EQ(form->height(), bar->height() + centralHeight());
    EXPECT_EQ(form->centralWidget()->y(), bar->geometry().bottom() + 1);
}

INSTANTIATE_TEST_SUITE_P(DisplayModes, Form1MenuWrapTest,
    ::testing::Values(MenuWrapCase { "picture640", 0, false }, MenuWrapCase { "picture640SmallScreen", 0, true },
        MenuWrapCase { "picture560", 1, false }, MenuWrapCase { "picture560SmallScreen", 1, true }),
    caseName<MenuWrapCase>);

TEST_F(Form1Test, menuBar_growsTheWindowByARowWhileACaptionNeedsItAndShrinksBack)
{
    load();
    form->show();
    setLongestCaptions();
    auto* size = get<QMenu>(QStringLiteral("Sz"));
    size->setTitle(QStringLiteral("サイズ："));
    const WrappingMenuBar* bar = form->topMenus();
    ASSERT_EQ(bar->rowCount(), 1);
    const int oneRow = form->height();
    const int central = centralHeight();
    QSignalSpy rowsChanged(bar, &WrappingMenuBar::rowCountChanged);

    size->setTitle(LongestSizeCaption);
    EXPECT_EQ(bar->rowCount(), 2);
    EXPECT_EQ(form->height(), oneRow + bar->rowHeight());
    EXPECT_EQ(centralHeight(), central);

    // The watcher's status word changes every half second: the same rows leave the window alone.
    QAction* status = menuItem(QStringLiteral("Dm"));
    for (const char* word : { "Ready", "Lood", "Kill", "NoFile", "LoodErr" })
        status->setText(QString::fromLatin1(word));
    EXPECT_EQ(rowsChanged.size(), 1);

    size->setTitle(QStringLiteral("サイズ："));
    EXPECT_EQ(bar->rowCount(), 1);
    EXPECT_EQ(form->height(), oneRow);
    EXPECT_EQ(centralHeight(), central);
    EXPECT_EQ(rowsChanged.size(), 2);
}

TEST_F(Form1Test, menuBar_clickOnAnItemInAnyRowReachesIt)
{
    struct Row {
        const char* name;
        bool lastRow;
    } rows[] = {
        { "Set", false },
        { "Bic", false },
        { "Sz", true },
        { "Dm", true },
    };
    load();
    form->show();
    setLongestCaptions();
    const WrappingMenuBar* bar = form->topMenus();
    ASSERT_GT(bar->rowCount(), 1);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString name = QString::fromLatin1(row.name);
        auto* menu = form->findChild<QMenu*>(name);
        QAction* item = menu ? menu->menuAction() : menuItem(name);
        QMenuBar* rowBar = rowOf(bar, item);
        ASSERT_NE(rowBar, nullptr);
        EXPECT_EQ(rowBar == bar->row(bar->rowCount() - 1), row.lastRow);
        const auto opened = menu ? std::make_unique<QSignalSpy>(menu, &QMenu::aboutToShow)
                                 : std::make_unique<QSignalSpy>(item, &QAction::triggered);
        QTest::mouseClick(rowBar, Qt::LeftButton, Qt::NoModifier, rowBar->actionGeometry(item).center());
        EXPECT_EQ(opened->size(), 1);
        if (menu) {
            EXPECT_TRUE(menu->isVisible());
            menu->close();
        }
    }
    EXPECT_TRUE(form->calls.contains(QStringLiteral("Set_Click()")));
    EXPECT_TRUE(form->calls.contains(QStringLiteral("Command5_Click()")));
}

TEST_F(Form1Test, poleButtons_lookPressedWhileTheButtonIsDown)
{
    load();
    auto* down = get<ClickableLabel>(QStringLiteral("Label4(0)"));
    QTest::mousePress(down, Qt::LeftButton);
    EXPECT_TRUE(down->pressedLook());
    QTest::mouseRelease(down, Qt::LeftButton);
    EXPECT_FALSE(down->pressedLook());
}

TEST_F(Form1Test, window_hasAnIconOfItsOwnInBothSizes)
{
    load();
    const QList<QSize> sizes = form->windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
}

TEST_F(Form1Test, openDialog_offersTheLastFileAgainAndKeepsItOnCancel)
{
    load();
    auto* dialog = get<CommonDialog>(QStringLiteral("CommonDialog1"));
    dialog->setFilter(QStringLiteral("写真画像ファイル (*.JPG)"));
    fake.files = { QStringLiteral("/photos/IMG_1.JPG"), std::nullopt };
    EXPECT_TRUE(dialog->showOpen());
    EXPECT_EQ(dialog->fileName(), QStringLiteral("/photos/IMG_1.JPG"));
    EXPECT_FALSE(dialog->showOpen());
    EXPECT_EQ(dialog->fileName(), QStringLiteral("/photos/IMG_1.JPG"));
    EXPECT_EQ(fake.lastFilesOffered, (QStringList { QString(), QStringLiteral("/photos/IMG_1.JPG") }));
    EXPECT_EQ(fake.fileFilters.value(0), QStringLiteral("写真画像ファイル (*.JPG)"));
}

TEST_F(Form1Test, closing_writesResultsOnlyWithRowsAndAutoSave_andSavesSettingsOnce)
{
    struct Row {
        const char* name;
        int resultRows;
        bool autoSave;
        bool writesResults;
    } rows[] = {
        { "no_results", 0, true, false },
        { "results_autosave", 2, true, true },
        { "results_no_autosave", 2, false, false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        load();
        QList<ResultRow> listed(row.resultRows, ResultRow { QStringLiteral("1"), QStringLiteral("0.30") });
        form->resultList().restore(QStringLiteral("1"), QDate(), listed);
        get<QCheckBox>(QStringLiteral("Check1"))->setChecked(row.autoSave);
        form->calls.clear();
        form->show();
        EXPECT_TRUE(form->close());
        QStringList expected;
        if (row.writesResults)
            expected << QStringLiteral("Text4_Change()");
        expected << QStringLiteral("SetSave()");
        EXPECT_EQ(form->calls, expected);
    }
}

TEST_F(Form1Test, exitItem_shutsDownOnceAndClosesTheWindow)
{
    load();
    form->resultList().restore(
        QStringLiteral("1"), QDate(), { ResultRow { QStringLiteral("1"), QStringLiteral("0.30") } });
    form->show();
    form->calls.clear();
    menuItem(QStringLiteral("EN"))->trigger();
    EXPECT_EQ(form->calls, (QStringList { QStringLiteral("Text4_Change()"), QStringLiteral("SetSave()") }));
    EXPECT_FALSE(form->isVisible());
}

TEST_F(Form1Test, startUp_restoresTheWatchedFolderFromTheFirstField)
{
    struct Row {
        const char* name;
        QByteArray content;
        const char* watchPath; // empty: the watcher stays stopped
    } rows[] = {
        { "plain", "/home/k/Camera Roll/*.jpg\r\n", "/home/k/Camera Roll/*.jpg" },
        { "comma_ends_the_field", "/home/k/a,b/*.bmp\r\n", "/home/k/a" },
        { "quoted", "\"/home/k/a,b/*.bmp\"\r\n", "/home/k/a,b/*.bmp" },
        { "empty_line", "\r\n/home/k/x/*.jpg\r\n", "" },
        { "empty_file", "", "" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        writeProgramFile(QStringLiteral("set.Dt"), row.content);
        load();
        const QString expected = QString::fromUtf8(row.watchPath);
        EXPECT_EQ(form->state().WatchPath, expected);
        EXPECT_EQ(get<QLineEdit>(QStringLiteral("Text1"))->text(), expected);
        EXPECT_EQ(form->calls.contains(QStringLiteral("Kil()")), !expected.isEmpty());
    }
}

TEST_F(Form1Test, startUp_runsItsStepsInOrder)
{
    writeProgramFile(QStringLiteral("set.Dt"), "/cam/*.jpg\r\n");
    load();
    EXPECT_EQ(form->calls,
        (QStringList { QStringLiteral("Check3_Click()"), QStringLiteral("Kil()"), QStringLiteral("SetLode()"),
            QStringLiteral("Command5_Click()"), QStringLiteral("Set_Click()") }));
}

} // namespace

// A folder the program cannot write to is said once, at the start, naming what will not be kept.
TEST(Form1ProgramFolderTest, unwritableProgramFolder_isReportedOnceAtStartUp)
{
    FakeServices fake;
    QTemporaryDir readOnly;
    bool mounted = false;
    if (::geteuid() == 0) {
        mounted = ::mount("tmpfs", QFile::encodeName(readOnly.path()).constData(), "tmpfs", MS_RDONLY, nullptr) == 0;
        if (!mounted)
            GTEST_SKIP() << "root cannot mount a read-only file system here: " << std::strerror(errno);
    } else {
        ASSERT_TRUE(QFile::setPermissions(readOnly.path(), QFile::ReadOwner | QFile::ExeOwner));
    }
    for (const QString& folder : { fake.programFolder.path(), readOnly.path() }) {
        SCOPED_TRACE(folder.toStdString());
        fake.errors.clear();
        norvel::Services services = fake.services();
        services.programFolder = folder;
        norvel::Form1 form(services);
        form.Form_Load();
        if (folder == fake.programFolder.path()) {
            EXPECT_TRUE(fake.errors.isEmpty());
            EXPECT_TRUE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
            continue;
        }
        ASSERT_EQ(fake.errors.size(), 1);
        EXPECT_TRUE(fake.errors[0].contains(folder)) << fake.errors[0].toStdString();
        EXPECT_TRUE(fake.errors[0].contains(QStringLiteral("設定"))) << fake.errors[0].toStdString();
    }
    if (mounted)
        ::umount(QFile::encodeName(readOnly.path()).constData());
    else
        QFile::setPermissions(readOnly.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

namespace {

// Each exclusive choice shows exactly one mark, also when the marked item is chosen again.
TEST_F(Form1Test, exclusiveMenuChoices_keepExactlyOneMark)
{
    load();
    const std::array<std::pair<const char*, int>, 4> groups { { { "bunseki", 4 }, { "ScanH", 2 }, { "ops", 3 },
        { "DspS", 2 } } };
    for (const auto& [group, size] : groups) {
        for (const int chosen : { 1, 1, 0 }) {
            menuItem(QStringLiteral("%1(%2)").arg(QLatin1String(group)).arg(chosen))->trigger();
            for (int i = 0; i < size; ++i)
                EXPECT_EQ(menuItem(QStringLiteral("%1(%2)").arg(QLatin1String(group)).arg(i))->isChecked(), i == chosen)
                    << group << " " << i << " after choosing " << chosen;
        }
    }
}

} // namespace
