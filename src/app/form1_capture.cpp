#include "app/form1.h"

#include "acquisition/camerafolder.h"
#include "acquisition/pictureshow.h"
#include "platform/flexgrid.h"
#include "platform/fullpicture.h"
#include "platform/jpegwriter.h"
#include "platform/numbers.h"
#include "results/polenumber.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QSaveFile>
#include <QScopedValueRollback>
#include <QTimer>
#include <QWindow>

// Pictures from the camera: choosing and clearing its folder, watching it, and taking each shot in.
namespace norvel {

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
    QSaveFile file(settingsPath(QStringLiteral("set.Dt")));
    const QByteArray line = (m_state.WatchPath + QStringLiteral("\r\n")).toLocal8Bit();
    if (file.open(QIODevice::WriteOnly) && file.write(line) == line.size() && file.commit())
        return;
    m_services.errors->showError(QStringLiteral("設定ファイル「%1」を書き込めませんでした。\n%2")
                                     .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
}

void Form1::Kil()
{
    WatchedFolder folder(m_state.WatchPath);
    QStringList undeleted;
    for (const QString& name : matchingFiles(m_state.WatchPath)) {
        if (!folder.remove(name)) {
            undeleted << QDir::toNativeSeparators(folder.pathOf(name));
            m_watcher.treatAsLeftOver(name);
        }
    }
    if (!undeleted.isEmpty())
        m_services.errors->showError(
            QStringLiteral("カメラのフォルダの画像を削除できませんでした。\n") + undeleted.join(QLatin1Char('\n')));
    if (!Timer1->isActive())
        Timer1->start();
}

void Form1::Timer1_Timer()
{
    // A question or message inside a tick runs an event loop of its own; the ticks that come meanwhile are
    // held back rather than nested.
    if (m_tickRunning)
        return;
    const QScopedValueRollback running(m_tickRunning, true);
    WatchedFolder folder(m_state.WatchPath);
    const std::optional<TakeInResult> result
        = m_watcher.tick(folder, [&](const QString& name) { return takePictureIn(folder.pathOf(name)); });
    if (!result || *result == TakeInResult::LoadFailed)
        return; // a failed load keeps the window on top until a later picture is taken in
    if (*result == TakeInResult::Measured && Check3->isChecked()) {
        Timer2->stop();
        Timer2->start();
    }
    setKeepOnTop(false);
}

TakeInResult Form1::takePictureIn(const QString& path)
{
    if (Check6->isChecked())
        setKeepOnTop(true);
    setWindowFull(true);
    clearViewForNewPicture();
    const std::optional<PictureScale> scale = loadIntoPicture2(path);
    if (!scale)
        return TakeInResult::LoadFailed;
    showPicture2(*scale);
    Sz->setTitle(sizeCaption(*scale));
    MSFlexGrid2->setRows(MSFlexGrid2->rows() + 1);
    if (Check1->isChecked() && !filePicture())
        return TakeInResult::Declined;
    Command2_Click();
    return TakeInResult::Measured;
}

bool Form1::filePicture()
{
    QString error;
    const std::optional<QString> folder = makePoleFolder(m_services.clock->now().date(), &error);
    // Named after the pole number box; a text refused as a pole number cannot name a file, and the pole
    // number in force stands in for it.
    const QString pole = isUsablePoleNumber(Text4->text()) ? Text4->text() : m_state.CurTyoNo;
    const QString name = filedPictureFileName(pole, MSFlexGrid2->rows());
    if (!folder) {
        m_services.errors->showError(QStringLiteral("画像「%1」を保存できませんでした。\n").arg(name) + error);
        return true;
    }
    const QString path = *folder + QLatin1Char('/') + name;
    if (!mayReplace(path))
        return false;
    if (!DCSavetoJPEG(
            Picture2->image(), Picture2->pictureWidth(), Picture2->pictureHeight(), path, PictureJpegQuality, &error))
        m_services.errors->showError(error);
    return true;
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
