#include "app/form1.h"

#include "widgets/picturebox.h"

#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

// Reducing the window to its control strip and enlarging it again, by hand or after a new picture.
namespace norvel {

void Form1::setWindowFull(bool full)
{
    const DisplayMode mode = displayMode();
    setOuterHeightTwips(full ? fullHeightTwips(mode) : reducedHeightTwips(mode));
    const QString caption = full ? QStringLiteral("縮小") : QStringLiteral("拡大");
    Command5->setText(caption);
    Bic->setText(caption);
}

void Form1::Command5_Click()
{
    // Any height but the full one counts as reduced.
    setWindowFull(m_heightTwips != fullHeightTwips(displayMode()));
    Timer2->stop();
}

void Form1::Bic_Click()
{
    Command5_Click();
}

void Form1::Check3_Click()
{
    setWindowFull(!Check3->isChecked());
    Timer2->stop();
}

void Form1::Timer2_Timer()
{
    setWindowFull(false);
    Timer2->stop();
}

void Form1::minDisp_Click()
{
    m_choices.smallScreen = !m_choices.smallScreen;
    updateActions();
    const bool small = m_choices.smallScreen;
    Picture1->move(Picture1->x(), pictureTopPixels(small));
    setOuterHeightTwips(m_heightTwips + (small ? -SmallScreenHeightChangeTwips : SmallScreenHeightChangeTwips));
}

} // namespace norvel
