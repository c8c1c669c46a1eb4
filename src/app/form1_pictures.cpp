#include "app/form1.h"

#include "acquisition/pictureshow.h"
#include "picture/jpegwriter.h"
#include "picture/picturefile.h"
#include "services/commondialog.h"
#include "widgets/fullpicture.h"
#include "widgets/picturebox.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

// Pictures on screen: opening a file, fitting it to the view, changing the picture size, saving it.
namespace norvel {

namespace {
const QString PictureFilter = QStringLiteral("写真画像ファイル (*.JPG)");
}

void Form1::hideMarkLines()
{
    for (OverlayLine* line : Line2)
        line->setVisible(false);
}

void Form1::forgetPicture()
{
    // The new pole has no picture yet, and a cleared row's picture is in 取消: nothing shown is left to measure.
    Picture2->blank();
    clearViewForNewPicture();
    if (m_state.DspRate != 0)
        paintWholePicture();
    for (OverlayLine* line : Line1)
        line->setVisible(false);
}

void Form1::clearViewForNewPicture()
{
    Picture1->clear();
    hideMarkLines();
    // Chosen while the previous picture is still in place, so the range choice works with its size. Its
    // painting is left to the new picture; loadIntoPicture2 paints the old one again when none comes.
    Option1[0]->setChecked(true);
    chooseRange(0, false);
    m_state.Zoom = 1.0f;
}

// The picture under measurement changes only together with the view: a file that cannot be read, or a
// picture too large to show, leaves the previous picture in place.
std::optional<PictureScale> Form1::loadIntoPicture2(
    const QByteArray& path, PictureRowSink* sink, CameraOriginal* original)
{
    // The picture before the one on screen lends its memory to the next one.
    PictureFileRead read;
    const PictureLoad load = loadPictureFile(path, &m_spareImage, sink, original ? &read : nullptr);
    const std::optional<PictureScale> scale
        = load.ok() ? fitPicture(load.image.width(), load.image.height(), m_choices.pictureSize == 1) : std::nullopt;
    if (!scale) {
        if (m_state.DspRate != 0)
            paintWholePicture();
        return std::nullopt;
    }
    QImage previous = Picture2->image();
    Picture2->setImage(load.image);
    m_spareImage = std::move(previous);
    // Opened, the picture belongs to the pole in force; a shot is given its row as it is taken in.
    m_list.showPicture({ m_list.pole(), 0 });
    m_pictureName = QFileInfo(QFile::decodeName(path)).fileName();
    if (original)
        *original = { path, std::move(read.bytes), read.stamp };
    return scale;
}

void Form1::sizePicture1(const PictureScale& scale)
{
    m_state.DspRate = scale.dspRate;
    Picture1->setOuterSize(scale.shownWidth() + 2 * PictureBox::Border, scale.shownHeight() + 2 * PictureBox::Border);
}

void Form1::showPicture2(const PictureScale& scale)
{
    sizePicture1(scale);
    paintWholePicture();
}

void Form1::JPOP_Click()
{
    CommonDialog1->setFilter(PictureFilter);
    if (CommonDialog1->showOpen()) {
        setOuterHeightTwips(fullHeightTwips(displayMode()));
        clearViewForNewPicture();
        if (const std::optional<PictureScale> scale = loadIntoPicture2(QFile::encodeName(CommonDialog1->fileName()))) {
            showPicture2(*scale);
            setSizeCaption(sizeCaption(*scale));
            if (Check3->isChecked())
                Timer2->start(); // a new picture gives the full period again
            Command5->setText(QStringLiteral("縮小"));
            Bic->setText(QStringLiteral("縮小"));
        }
    }
    unsetCursor();
}

void Form1::DspS_Click(int Index)
{
    m_choices.pictureSize = Index;
    updateActions();
    const DisplayMode mode = displayMode();
    // Every picture in Picture2 was checked on loading; it fits the box of either size.
    const std::optional<PictureScale> scale
        = fitPicture(Picture2->pictureWidth(), Picture2->pictureHeight(), mode.smallPicture);
    if (!scale)
        return;
    setSizeCaption(sizeCaptionDouble(*scale));
    sizePicture1(*scale);
    // A range and its magnification belong to the old size: a line dragged over them would measure another
    // place than the one it is drawn on. Back to the whole picture, which this also paints.
    selectOption1(0);
    setOuterWidthTwips(windowWidthTwips(mode));
    setWindowFull(true);
    Frame2->move(rightPanelLeftPixels(mode.smallPicture), Frame2->y());
}

void Form1::Psave_Click()
{
    Picture1->clear();
    hideMarkLines();
    const QString path = m_services.programFolder + QLatin1Char('/') + savedPictureFileName(m_services.clock->now());
    QString error;
    if (!DCSavetoJPEG(
            Picture2->image(), Picture2->pictureWidth(), Picture2->pictureHeight(), path, PictureJpegQuality, &error))
        report(error);
}

} // namespace norvel
