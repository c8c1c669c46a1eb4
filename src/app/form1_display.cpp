#include "app/form1.h"

#include "platform/picturebox.h"

#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

// Reducing the window to its control strip and enlarging it again, by hand or after a new picture.
namespace norvel {

void Form1::setReduceCaptions(const QString& caption)
{
    Command5->setText(caption);
    Bic->setText(caption);
}

void Form1::Command5_Click()
{
    const DisplayMode mode = displayMode();
    // Any height but the full one counts as reduced.
    if (m_heightTwips != fullHeightTwips(mode)) {
        setOuterHeightTwips(fullHeightTwips(mode));
        setReduceCaptions(QStringLiteral("縮小"));
    } else {
        setOuterHeightTwips(reducedHeightTwips(mode));
        setReduceCaptions(QStringLiteral("拡大"));
    }
    Timer2->stop();
}

void Form1::Bic_Click()
{
    Command5_Click();
}

void Form1::Check3_Click()
{
    const DisplayMode mode = displayMode();
    if (Check3->isChecked()) {
        setOuterHeightTwips(reducedHeightTwips(mode));
        setReduceCaptions(QStringLiteral("拡大"));
    } else {
        setOuterHeightTwips(fullHeightTwips(mode));
        setReduceCaptions(QStringLiteral("縮小"));
    }
    Timer2->stop();
}

void Form1::Timer2_Timer()
{
    setOuterHeightTwips(reducedHeightTwips(displayMode()));
    Timer2->stop();
    setReduceCaptions(QStringLiteral("拡大"));
}

void Form1::minDisp_Click()
{
    minDisp->setChecked(!minDisp->isChecked());
    const bool small = minDisp->isChecked();
    Picture1->move(Picture1->x(), pictureTopPixels(small));
    setOuterHeightTwips(m_heightTwips + (small ? -SmallScreenHeightChangeTwips : SmallScreenHeightChangeTwips));
}

} // namespace norvel
