#include "app/form1.h"

#include "files/durablefolder.h"
#include "files/regularfile.h"
#include "results/polenumber.h"
#include "settings/programsettings.h"
#include "settings/setdt.h"
#include "settings/surveyheader.h"
#include "widgets/flexgrid.h"
#include "widgets/picturebox.h"
#include "widgets/twips.h"
#include "widgets/wrappingmenubar.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QScopedValueRollback>
#include <QTimer>

namespace norvel {

namespace {
// One line naming a folder; anything larger is not a settings file.
constexpr qint64 SetDtFileLimit = 64 * 1024;
} // namespace

void Form1::Form_Load()
{
    reportUnwritableProgramFolder();
    m_scaleBook.read();
    Check3_Click();

    const FileContent setDt = readRegularFile(settingsPath(QStringLiteral("set.Dt")), SetDtFileLimit);
    if (setDt.read()) {
        m_state.WatchPath = firstField(setDt.content);
        if (!m_state.WatchPath.isEmpty())
            Text1->setText(m_state.WatchPath);
    } else if (!setDt.missing()) {
        report(QStringLiteral("設定ファイル「%1」を読めないため、カメラのフォルダは選ばれていません。\n%2")
                   .arg(QDir::toNativeSeparators(settingsPath(QStringLiteral("set.Dt"))), setDt.error));
    }
    // After a run that ended without its shut-down, the shots still in the camera folder belong to the
    // restored pole: they are taken in, not set aside.
    const std::optional<RecoveryRecord> recovered = m_recovery.read(
        m_state.WatchPath, [this](const QByteArray& name) { m_watcher.treatAsLeftOver(name, Disposal::Delete); });
    if (!m_state.WatchPath.isEmpty()) {
        if (recovered)
            startWatching();
        else
            Kil();
    }

    setUpGrids();

    m_state.bunsekiIndex = 1;
    m_state.Zoom = 1.0f;

    SetLode();
    const std::optional<QByteArray> programSettings = readProgramSettings();
    if (programSettings)
        applyProgramChoices(*programSettings);
    // A crash's record comes first; else the pole's rows of today, if it has any.
    if (recovered) {
        restoreRecovery(*recovered);
    } else {
        if (programSettings)
            resumeSession(*programSettings);
        resumePole();
    }

    const DisplayMode mode = displayMode();
    m_heightTwips = fullHeightTwips(mode);
    m_widthTwips = windowWidthTwips(mode);
    applyOuterSize();

    // The window has its full height now, so this leaves it reduced to the control strip.
    Command5_Click();
    Set_Click();

    Picture1->move(Picture1->x(), pictureTopPixels(mode.smallScreen));
    Frame2->move(rightPanelLeftPixels(mode.smallPicture), Frame2->y());
}

void Form1::setUpGrids()
{
    MSFlexGrid1->setColWidthTwips(0, 500);
    MSFlexGrid1->setColWidthTwips(1, 750);
    MSFlexGrid1->setTextMatrix(0, 1, QStringLiteral("ピクセル"));
    const std::array<QString, 7> positions { QStringLiteral("位置"), QStringLiteral("左"), QString(),
        QStringLiteral("中"), QString(), QStringLiteral("右"), QStringLiteral("mm") };
    for (int row = 0; row < 7; ++row)
        MSFlexGrid1->setTextMatrix(row, 0, positions[row]);
}

std::optional<QByteArray> Form1::readProgramSettings()
{
    ProgramSettingsRead read = norvel::readProgramSettings(settingsPath(programSettingsName()));
    if (!read.content)
        report(read.problem);
    return read.content;
}

void Form1::applyProgramChoices(const QByteArray& settings)
{
    const SwitchRead keep = keepsOriginals(settings);
    const SwitchRead across = measuresAcrossCrack(settings);
    m_choices.keepOriginals = keep.on;
    m_choices.acrossCrack = across.on;
    updateActions();
    QList<UnusableSetting> unusable = readJudgementLines(settings, std::nullopt).unusable;
    for (const std::optional<UnusableSetting>& other :
        { keep.unusable, across.unusable, unusableLedgerForm(settings) }) {
        if (other)
            unusable.append(*other);
    }
    sayUnusableSettings(unusable);
}

// A restart on the day of the last shut-down goes on with the pole then in force.
void Form1::resumeSession(const QByteArray& settings)
{
    const std::optional<QString> pole = sessionPole(settings, m_services.clock->now().date());
    if (!pole || !isUsablePoleNumber(*pole))
        return;
    m_list.restart(*pole);
    showPoleInForce();
    showPoleCaption();
}

void Form1::saveSession()
{
    writeProgramSettings(
        sessionSettings(m_list.pole(), m_services.clock->now().date()), QStringLiteral("今の調査柱No"));
}

void Form1::KeepOriginals_Click()
{
    m_choices.keepOriginals = !m_choices.keepOriginals;
    updateActions();
    writeProgramSettings({ keepOriginalsSetting(m_choices.keepOriginals) }, QStringLiteral("「原画像を保存」の設定"));
}

void Form1::AcrossCrack_Click()
{
    m_choices.acrossCrack = !m_choices.acrossCrack;
    updateActions();
    writeProgramSettings(
        { acrossCrackSetting(m_choices.acrossCrack) }, QStringLiteral("「ひび割れに直交する幅」の設定"));
}

// Each once a run: a value the user typed is theirs to mend, and the default goes on meanwhile.
void Form1::sayUnusableSettings(const QList<UnusableSetting>& unusable)
{
    QList<UnusableSetting> unsaid;
    for (const UnusableSetting& setting : unusable) {
        if (!m_saidUnusable.contains(setting)) {
            m_saidUnusable.append(setting);
            unsaid.append(setting);
        }
    }
    if (!unsaid.isEmpty())
        report(unusableNotice(unsaid));
}

void Form1::writeProgramSettings(const QList<ProgramSetting>& values, const QString& what)
{
    if (const QString problem = norvel::writeProgramSettings(settingsPath(programSettingsName()), values, what);
        !problem.isEmpty())
        report(problem);
}

void Form1::startUp()
{
    handle(QStringLiteral("起動"), [this] { Form_Load(); });
}

// Everything the program keeps lives in its folder: one that cannot be written is said at once, rather
// than file by file as each one fails later.
void Form1::reportUnwritableProgramFolder()
{
    QString why;
    if (canWriteIn(m_services.programFolder, &why))
        return;
    report(QStringLiteral(
        "プログラムのフォルダ「%1」に書き込めません。\n設定（set.Dt、set.bat）、取り込んだ画像、保存する画像、"
        "結果ファイル、未取込の画像は保存されません。\n%2")
               .arg(QDir::toNativeSeparators(m_services.programFolder), why));
}

bool Form1::shutDown()
{
    // A filed copy being written is finished first, and its shot leaves the camera folder.
    m_shotFiling.end();
    // No shot may come in once its result could no longer be written; the watcher goes on only if the
    // program stays open after all.
    const bool watching = Timer1->isActive();
    const bool reducing = Timer2->isActive();
    Timer1->stop();
    Timer2->stop();
    if (m_list.count() >= 1 && Check1->isChecked()) {
        {
            const QScopedValueRollback shuttingDown(m_phase, Phase::ShuttingDown);
            Text4_Change();
        }
        // Results not in their file (the overwrite question was answered Cancel, or the file could not be
        // written): ending now would lose them.
        if (!m_poleResults.settled()) {
            if (watching)
                Timer1->start();
            if (reducing)
                Timer2->start();
            return false;
        }
    }
    m_log.settleTyping();
    saveSession();
    SetSave();
    // Ended as it should: nothing is left to restore.
    m_recovery.remove();
    return true;
}

void Form1::EN_Click()
{
    if (!shutDown())
        return;
    // Ending here: the close that follows must not run the shut-down a second time.
    m_phase = Phase::Ended;
    close();
}

void Form1::closeEvent(QCloseEvent* event)
{
    if (m_phase != Phase::Ended) {
        // A shut-down that failed half-way keeps the window, and with it the results, open.
        bool ended = false;
        handle(EN->text(), [&] { ended = shutDown(); });
        if (!ended) {
            event->ignore();
            return;
        }
        m_phase = Phase::Ended;
    }
    event->accept();
}

void Form1::endOnRequest()
{
    // The shut-down may ask a question of its own; one already open is answered first.
    if (m_modal.isOpen()) {
        QTimer::singleShot(200, this, &Form1::endOnRequest);
        return;
    }
    close();
}

DisplayMode Form1::displayMode() const
{
    return { m_choices.smallScreen, m_choices.pictureSize == 1 };
}

void Form1::setOuterHeightTwips(int twips)
{
    m_heightTwips = twips;
    applyOuterSize();
}

void Form1::setOuterWidthTwips(int twips)
{
    m_widthTwips = twips;
    applyOuterSize();
}

// The heights and widths in twips are outer sizes of a window whose borders took 4 pixels across and whose
// borders, title bar and menu bar took 52 pixels down: the full height then uncovers exactly the picture
// with its bottom border, and the reduced height exactly the control strip. In small-screen mode the same
// heights would leave the picture's last 14 pixels under the frame, so there 38 pixels are counted and the
// whole picture stays visible. Qt sizes the window without the window manager's frame, so the content
// below the menu bar gets what remains and the menu bar, with as many rows as its captions need at that
// width, is added above it.
void Form1::applyOuterSize()
{
    const FrameAllowance original { 4, m_choices.smallScreen ? 38 : 52 };
    const QSize content = contentSizeForOuterTwips(m_widthTwips, m_heightTwips, original);
    setFixedSize(content.width(), content.height() + m_topMenus->heightForWidth(content.width()));
}

} // namespace norvel
