#include "app/form1.h"

#include "acquisition/camerafolder.h"
#include "acquisition/pictureshow.h"
#include "acquisition/setaside.h"
#include "core/numbers.h"
#include "files/durablefile.h"
#include "results/polenumber.h"
#include "settings/setdt.h"
#include "widgets/flexgrid.h"
#include "widgets/fullpicture.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QScopedValueRollback>
#include <QTimer>
#include <QWindow>

// Pictures from the camera: choosing and clearing its folder, watching it, and taking each shot in.
namespace norvel {

namespace {

// The next shot's step, posted to the window when a step or a filing ends.
const auto ArrivalStep = QEvent::Type(QEvent::registerEventType());

} // namespace

void Form1::Command1_Click()
{
    if (const std::optional<QString> chosen
        = m_services.folder->chooseFolder(QStringLiteral("フォルダを選択してください"), QDir::rootPath())) {
        m_state.WatchPath = watchPatternFor(*chosen);
        Text1->setText(m_state.WatchPath);
    }
    // Written after a cancel too, with the pattern unchanged.
    writeWatchPath();
    Kil();
}

void Form1::writeWatchPath()
{
    const QString path = settingsPath(QStringLiteral("set.Dt"));
    QString error;
    if (!writeFileNamed(path, (fieldText(m_state.WatchPath) + QStringLiteral("\r\n")).toLocal8Bit(),
            QStringLiteral("設定ファイル"), &error))
        report(error);
}

// The shots found in the folder were never seen: they are set aside, not deleted.
void Form1::Kil()
{
    m_shotFiling.end(); // the shot being filed leaves the folder it came from first
    m_watcher.forgetLeftOvers();
    if (const FileNames names = matchingFiles(m_state.WatchPath); !names.isEmpty()) {
        const SetAsideResult result = setAside(
            m_services.programFolder, splitWatchPath(m_state.WatchPath).folder, names, m_services.clock->now());
        QStringList text;
        if (!result.moved.isEmpty())
            text << QStringLiteral("カメラのフォルダにあった画像 %1 枚を「%2」に移しました。")
                        .arg(result.moved.size())
                        .arg(QDir::toNativeSeparators(result.folder));
        if (!result.failed.empty())
            text << QStringLiteral("次の画像は移せなかったため、カメラのフォルダに残っています。");
        for (const SetAsideFailure& failure : result.failed) {
            text << failure.reason;
            m_watcher.treatAsLeftOver(failure.name, Disposal::SetAside, true);
        }
        if (result.failed.empty())
            notify(text.join(QLatin1Char('\n')));
        else
            report(text.join(QLatin1Char('\n')));
    }
    m_watchRefused.clear(); // a folder chosen again is tried again
    startWatching();
}

void Form1::startWatching()
{
    if (!Timer1->isActive())
        Timer1->start();
    watchCameraFolder();
}

// The file system tells of each shot the moment it lands; Timer1 still looks for whatever it cannot tell of (a
// watch refused, a shot written from another machine into a shared folder, events lost in a flood).
void Form1::watchCameraFolder()
{
    const QByteArray folder = isUsableWatchPath(m_state.WatchPath)
        ? QFile::encodeName(splitWatchPath(m_state.WatchPath).folder)
        : QByteArray();
    if (folder.isEmpty()) {
        m_arrivals->stop();
        return;
    }
    if ((m_arrivals->watching() && m_arrivals->folder() == folder) || m_watchRefused == folder)
        return;
    QString reason;
    // A folder not there (yet) is tried again on the next tick.
    if (m_arrivals->watch(folder, &reason) == FileArrivals::Watch::Refused) {
        m_watchRefused = folder;
        notify(QStringLiteral("カメラのフォルダ「%1」に画像が届いたことをシステムから知らせてもらえません（%2）。\n"
                              "画像は0.5秒ごとに確かめて取り込みます。")
                   .arg(QDir::toNativeSeparators(QFile::decodeName(folder)), reason));
    }
}

void Form1::shotsArrived(const QList<QByteArray>& names)
{
    // The watcher runs only with Timer1: started by Kil, stopped for the shut-down.
    if (!Timer1->isActive())
        return;
    const QByteArray folder = m_arrivals->folder();
    for (const QByteArray& name : names)
        if (watchedNameOf(m_state.WatchPath, folder + name))
            m_watcher.arrived(name);
    takeInArrivals();
}

void Form1::takeInArrivals()
{
    m_arrivalStepQueued = false;
    if (Timer1->isActive() && m_watcher.hasArrivals())
        runWatcher(&CaptureWatcher::arrivalStep);
}

// One shot a step, each from the event queue: a burst of shots does not hold back the window's input and painting.
void Form1::takeInArrivalsSoon()
{
    if (m_arrivalStepQueued || !m_watcher.hasArrivals())
        return;
    m_arrivalStepQueued = true;
    // At a repaint's priority, so behind the one the last shot asked for: a burst is shown shot by shot.
    QCoreApplication::postEvent(this, new QEvent(ArrivalStep), Qt::LowEventPriority);
}

void Form1::customEvent(QEvent* event)
{
    if (event->type() == ArrivalStep)
        handle(QStringLiteral("カメラの画像の取り込み"), [this] { takeInArrivals(); });
}

void Form1::Timer1_Timer()
{
    if (m_modal.isOpen())
        return; // see runWatcher; a refused watch must not be said over a dialog either
    watchCameraFolder();
    runWatcher(&CaptureWatcher::tick);
}

void Form1::runWatcher(WatcherStep step)
{
    // A question or message runs an event loop of its own, also one asked inside a tick. Ticks that come
    // meanwhile are held back: a shot must not be taken in while, say, its pole is still being decided.
    if (m_modal.isOpen())
        return;
    const QDateTime now = m_services.clock->now();
    WatchedFolder folder(m_state.WatchPath, m_services.programFolder, now);
    const std::optional<TakeInResult> result = (m_watcher.*step)(
        folder,
        [&](const QByteArray& name) {
            const TakeInResult taken = takePictureIn(folder.pathOf(name));
            // The watcher deletes or sets the shot aside as soon as this returns.
            if (taken != TakeInResult::LoadFailed && taken != TakeInResult::Filing)
                takenInOnDisk();
            return taken;
        },
        now);
    if (!result || *result == TakeInResult::LoadFailed)
        return; // a failed load keeps the window on top until a later picture is taken in
    const bool measured = *result != TakeInResult::Declined;
    if (measured && Check3->isChecked()) {
        Timer2->stop();
        Timer2->start();
    }
    setKeepOnTop(false);
    if (*result != TakeInResult::Filing)
        takeInArrivalsSoon(); // else once its filing ends
}

TakeInResult Form1::takePictureIn(const QByteArray& path)
{
    if (Check6->isChecked())
        setKeepOnTop(true);
    setWindowFull(true);
    clearViewForNewPicture();
    // The filed copy is encoded on the filer's thread, following the decoding row by row, and written
    // while the picture is shown and measured. The shot counts as taken in only once it is written.
    const bool filing = Check1->isChecked();
    CameraOriginal original;
    PictureFiler& filer = m_shotFiling.filer();
    const std::optional<PictureScale> scale = loadIntoPicture2(path, filing ? &filer : nullptr, &original);
    if (!scale) {
        filer.discard();
        return TakeInResult::LoadFailed;
    }
    if (filing && !filer.busy())
        filer.fileWhole(Picture2->image()); // not decoded row by row
    // The row, its width and the shot it came from reach the recovery record in one write, on disk before
    // the shot may leave the camera folder.
    const RecoveryKeeper::Batch batch(m_recovery, RecoveryKeeper::Batch::Kind::BesideTakeIn);
    const int row = m_list.count() + 1;
    m_list.showPicture({ m_list.pole(), row });
    m_recovery.setPendingShot(RecoveryKeeper::pendingShotOf(path, original.stamp, row, m_services.clock->now()));
    const ShotFiling::Shot shot { m_list.pole(), row, m_choices.keepOriginals, m_state.WatchPath };
    ShotFiling::Outcome filed = filing ? filedAs(m_shotFiling.start(original, shot)) : ShotFiling::Outcome::Filed;
    showPicture2(*scale);
    setSizeCaption(sizeCaption(*scale));
    if (filed == ShotFiling::Outcome::Undecided)
        filed = filedAs(m_shotFiling.file(original, shot)); // a question or a message, with the picture on screen
    ResultRow taken { {}, {}, WidthSource::TakeIn };
    if (filed == ShotFiling::Outcome::Writing) {
        taken.picture = m_shotFiling.filedName();
        taken.original = m_shotFiling.originalName();
    }
    // A shot whose filing was declined is listed without an analysis.
    const std::optional<AnalysisOutcome> analysed
        = filed != ShotFiling::Outcome::Declined ? runAnalysis() : std::nullopt;
    MeasurementEntry entry = analysed ? analysed->entry : measurementEntry(RecordedChange::TakeInAnalysis);
    if (analysed && analysed->measured) {
        taken.width = analysed->measured->width;
        taken.acrossCrack = analysed->measured->acrossCrack;
        taken.estimated = analysed->measured->estimated;
    }
    entry.cameraFile = QFileInfo(QFile::decodeName(path)).fileName();
    entry.cameraModified = QDateTime::fromMSecsSinceEpoch(original.stamp.modifiedMs);
    entry.original = taken.original;
    m_list.takeIn(taken, entry);
    if (analysed && !analysed->measured && analysed->entry.across)
        m_listView->showNothingFound();
    if (analysed && analysed->otherDirection)
        showScannedDirection(*analysed->otherDirection);
    if (filed == ShotFiling::Outcome::Declined)
        return TakeInResult::Declined;
    if (filed == ShotFiling::Outcome::Writing)
        return TakeInResult::Filing; // the watcher holds the shot, and the next, until the filing ends
    // Without its filed copy the shot is the only picture of this result: it is kept.
    if (filed == ShotFiling::Outcome::Failed)
        return TakeInResult::MeasuredNotFiled;
    // Written again by the camera since it was read, the name holds a shot not yet measured.
    return cameraFileUnchanged(original, original.stamp) ? TakeInResult::Measured : TakeInResult::MeasuredNameReused;
}

// The picture on screen is named as filed from the moment its copy is being written.
ShotFiling::Outcome Form1::filedAs(ShotFiling::Outcome outcome)
{
    if (outcome == ShotFiling::Outcome::Writing)
        m_pictureName = m_shotFiling.filedName();
    return outcome;
}

// What a take-in wrote beside the filing, on disk before its shot may leave the camera folder.
void Form1::takenInOnDisk()
{
    m_recovery.onDisk();
    m_log.onDisk();
    static_cast<void>(m_poleResults.onDisk()); // a failure is said now, not only when the pole is left
}

// Raising the window without taking the focus, over the camera software; changing the flag on the window
// handle keeps the window as it is, where QWidget::setWindowFlag would re-create it.
void Form1::setKeepOnTop(bool onTop)
{
    if (QWindow* window = windowHandle())
        window->setFlag(Qt::WindowStaysOnTopHint, onTop);
    raise();
}

} // namespace norvel
