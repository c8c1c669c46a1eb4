#include "app/form1.h"

#include "app/indexedname.h"
#include "widgets/flexgrid.h"
#include "widgets/wrappingmenubar.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>

namespace norvel {

QMenu* Form1::addMenu(QMenu* parentMenu, const QString& name, const QString& caption)
{
    QMenu* menu = parentMenu ? parentMenu->addMenu(caption) : m_topMenus->addMenu(caption);
    menu->setObjectName(name);
    return menu;
}

QAction* Form1::addMenuItem(
    QMenu* menu, const QString& name, const QString& caption, std::function<void()> onClick, bool checkable)
{
    QAction* item = menu ? menu->addAction(caption) : m_topMenus->addAction(caption);
    item->setObjectName(name);
    item->setCheckable(checkable);
    // A check mark is the handler's to set: undo the toggle Qt makes on a click before the handler runs.
    connect(item, &QAction::triggered, this, [this, item, onClick = std::move(onClick)](bool checked) {
        if (item->isCheckable())
            item->setChecked(!checked);
        handle(item->text(), onClick);
    });
    return item;
}

void Form1::createMenus()
{
    // QMainWindow::menuBar() would replace this bar with a new QMenuBar: the window only ever uses m_topMenus.
    m_topMenus = new WrappingMenuBar(this);
    setMenuWidget(m_topMenus);

    createFileMenus();
    createAnalysisMenus();
    createSettingsMenus();
    createSizeMenus();

    // One mark at a time in each of these.
    const auto exclusive = [this](const auto& items) {
        auto* group = new QActionGroup(this);
        for (QAction* item : items)
            group->addAction(item);
    };
    exclusive(ops);
    exclusive(bunseki);
    exclusive(ScanH);
    exclusive(DspS);
    updateActions();

    // A caption that takes the bar onto another row, or back, changes the window's height.
    connect(m_topMenus, &WrappingMenuBar::rowCountChanged, this, &Form1::applyOuterSize);
}

void Form1::createFileMenus()
{
    fil = addMenu(nullptr, QStringLiteral("fil"), QStringLiteral("ファイル"));
    JPOP = addMenuItem(fil, QStringLiteral("JPOP"), QStringLiteral("画像データを開く"), [this] { JPOP_Click(); });
    Psave = addMenuItem(fil, QStringLiteral("Psave"), QStringLiteral("画像を保存"), [this] { Psave_Click(); });
    USB = addMenuItem(fil, QStringLiteral("USB"), QStringLiteral("「USB Video Device」検索"), [this] { USB_Click(); });
    EN = addMenuItem(fil, QStringLiteral("EN"), QStringLiteral("終了"), [this] { EN_Click(); });
    Ledger = addMenuItem(fil, QStringLiteral("Ledger"), QStringLiteral("写真台帳作成…"), [this] { Ledger_Click(); });

    E = addMenu(nullptr, QStringLiteral("E"), QStringLiteral("編集"));
    // Nothing the inspector made is lost to a hasty clear: its rows and pictures come back.
    Undo = addMenuItem(E, QStringLiteral("Undo"), QStringLiteral("元に戻す"), [this] { Undo_Click(); });
    Undo->setShortcut(QKeySequence::Undo);
    E->addSeparator();
    cop[0] = addMenuItem(E, indexedName("cop", 0), QStringLiteral("縦コピー"), [this] { cop_Click(0); });
    cop[1] = addMenuItem(E, indexedName("cop", 1), QStringLiteral("横コピー"), [this] { cop_Click(1); });
    col[0] = addMenuItem(E, indexedName("col", 0), QStringLiteral("全クリア"), [this] { col_Click(0); });
    col[1] = addMenuItem(E, indexedName("col", 1), QStringLiteral("1クリア"), [this] { col_Click(1); });
    copC = addMenuItem(
        E, QStringLiteral("copC"), QStringLiteral("コピー後消去"), [this] { copC_Click(); }, true);
    E->addSeparator();
    PoleInfo = addMenuItem(E, QStringLiteral("PoleInfo"), QStringLiteral("柱情報…"), [this] { PoleInfo_Click(); });
    PoleInfo->setShortcut(Qt::Key_F2);
    CrackInfo
        = addMenuItem(E, QStringLiteral("CrackInfo"), QStringLiteral("ひび割れ情報…"), [this] { CrackInfo_Click(); });
    CrackInfo->setShortcut(Qt::Key_F3);
    // The menus open as popups of the wrapping bar: the window itself must hold the keys.
    addActions({ PoleInfo, CrackInfo, Undo });
}

void Form1::createAnalysisMenus()
{
    // Opening this menu is its click: it starts an analysis at once.
    Bun = addMenu(nullptr, QStringLiteral("Bun"), QStringLiteral("分析"));
    connect(Bun, &QMenu::aboutToShow, this, [this] { handle(Bun->title(), [this] { Bun_Click(); }); });
    bunGo = addMenuItem(Bun, QStringLiteral("bunGo"), QStringLiteral("分析"), [this] { bunGo_Click(); });
    bunGo->setVisible(false);
    BunH = addMenu(Bun, QStringLiteral("BunH"), QStringLiteral("分析範囲"));
    const std::array<QString, 3> ranges { QStringLiteral("全画面"), QStringLiteral("2.5倍"), QStringLiteral("5倍") };
    for (int i = 0; i < 3; ++i)
        ops[i] = addMenuItem(
            BunH, indexedName("ops", i), ranges[i], [this, i] { ops_Click(i); }, true);
    Bun1 = addMenu(Bun, QStringLiteral("Bun1"), QStringLiteral("分析方法"));
    const std::array<QString, 4> methods { QStringLiteral("亀裂幅優先"), QStringLiteral("黒さ優先"),
        QStringLiteral("白黒反転幅優先"), QStringLiteral("白黒反転白さ優先") };
    for (int i = 0; i < 4; ++i)
        bunseki[i] = addMenuItem(
            Bun1, indexedName("bunseki", i), methods[i], [this, i] { bunseki_Click(i); }, true);
    Bun2 = addMenu(Bun, QStringLiteral("Bun2"), QStringLiteral("スキャン方向"));
    ScanH[0] = addMenuItem(
        Bun2, indexedName("ScanH", 0), QStringLiteral("縦スキャン"), [this] { ScanH_Click(0); }, true);
    ScanH[1] = addMenuItem(
        Bun2, indexedName("ScanH", 1), QStringLiteral("横スキャン"), [this] { ScanH_Click(1); }, true);
    AcrossCrack = addMenuItem(
        Bun, QStringLiteral("AcrossCrack"), QStringLiteral("ひび割れに直交する幅"), [this] { AcrossCrack_Click(); },
        true);
}

void Form1::createSettingsMenus()
{
    // Opening this menu copies the check boxes into its marks.
    Set = addMenu(nullptr, QStringLiteral("Set"), QStringLiteral("設定"));
    connect(Set, &QMenu::aboutToShow, this, [this] { handle(Set->title(), [this] { Set_Click(); }); });
    const std::array<QString, 7> settings { QString(), QStringLiteral("DT・画像を自動保存"), QStringLiteral("自動閾値"),
        QStringLiteral("自動縮小"), QStringLiteral("上書確認"), QStringLiteral("検出幅制限"),
        QStringLiteral("自動最前面") };
    for (int i = 1; i <= 6; ++i)
        check[i] = addMenuItem(
            Set, indexedName("check", i), settings[i], [this, i] { check_Click(i); }, true);
    Calibrate
        = addMenuItem(Set, QStringLiteral("Calibrate"), QStringLiteral("目盛り校正…"), [this] { Calibrate_Click(); });
    Uncalibrate = addMenuItem(
        Set, QStringLiteral("Uncalibrate"), QStringLiteral("目盛り校正を解除"), [this] { Uncalibrate_Click(); });
    KeepOriginals = addMenuItem(
        Set, QStringLiteral("KeepOriginals"), QStringLiteral("原画像を保存"), [this] { KeepOriginals_Click(); }, true);

    Bic = addMenuItem(nullptr, QStringLiteral("Bic"), QStringLiteral("縮小"), [this] { Bic_Click(); });

    soku = addMenu(nullptr, QStringLiteral("soku"), QStringLiteral("測定値："));
    for (int i = 0; i < 6; ++i) {
        // Display only: choosing one of the last results does nothing.
        sokuDD[i] = addMenuItem(soku, indexedName("sokuDD", i), i == 0 ? QString() : QString::number(i), [] {});
        sokuDD[i]->setVisible(i == 0);
    }

    TyoNo = addMenu(nullptr, QStringLiteral("TyoNo"), QStringLiteral("調査柱No.「1」"));
    TyoNoPrs[0] = addMenuItem(TyoNo, indexedName("TyoNoPrs", 0), QStringLiteral("－"), [this] { TyoNoPrs_Click(0); });
    TyoNoPrs[1] = addMenuItem(TyoNo, indexedName("TyoNoPrs", 1), QStringLiteral("＋"), [this] { TyoNoPrs_Click(1); });
}

void Form1::createSizeMenus()
{
    Sz = addMenu(nullptr, QStringLiteral("Sz"), QStringLiteral("サイズ："));
    minDisp = addMenuItem(
        Sz, QStringLiteral("minDisp"), QStringLiteral("小型画面"), [this] { minDisp_Click(); }, true);
    Disp = addMenu(Sz, QStringLiteral("Disp"), QStringLiteral("画像サイズ"));
    DspS[0] = addMenuItem(
        Disp, indexedName("DspS", 0), QStringLiteral("640*480"), [this] { DspS_Click(0); }, true);
    DspS[1] = addMenuItem(
        Disp, indexedName("DspS", 1), QStringLiteral("560*420"), [this] { DspS_Click(1); }, true);

    // The capture watcher's status word; nothing happens on a click.
    Dm = addMenuItem(nullptr, QStringLiteral("Dm"), QString(), [] {});
}

void Form1::updateActions()
{
    bunseki[static_cast<std::size_t>(m_state.bunsekiIndex)]->setChecked(true);
    ScanH[static_cast<std::size_t>(m_choices.scan)]->setChecked(true);
    ops[static_cast<std::size_t>(m_choices.range)]->setChecked(true);
    DspS[static_cast<std::size_t>(m_choices.pictureSize)]->setChecked(true);
    minDisp->setChecked(m_choices.smallScreen);
    copC->setChecked(m_choices.clearAfterCopy);
    KeepOriginals->setChecked(m_choices.keepOriginals);
    AcrossCrack->setChecked(m_choices.acrossCrack);
    CrackInfo->setEnabled(m_list.count() > 0); // the last row's facts
    Undo->setEnabled(m_clearing.canUndo());
    // With the automatic threshold each run writes its own threshold into the box.
    Text2->setEnabled(!Check2->isChecked());
}

} // namespace norvel
