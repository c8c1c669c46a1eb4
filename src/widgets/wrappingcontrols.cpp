#include "widgets/wrappingcontrols.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace norvel {

namespace {
constexpr int Wrapped = Qt::TextWordWrap;
}

void WrappingButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    style()->drawItemText(
        &painter, area, Qt::AlignCenter | Wrapped, palette(), isEnabled(), caption, QPalette::ButtonText);
}

void WrappingCheckBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    indicator.moveTop((height() - indicator.height()) / 2);
    QStyleOptionButton box = option;
    box.rect = indicator;
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, box);
    const QRect area = rect().adjusted(indicator.right() + 4, 0, 0, 0);
    style()->drawItemText(&painter, area, Qt::AlignLeft | Qt::AlignVCenter | Wrapped, palette(), isEnabled(),
        option.text, QPalette::WindowText);
}

bool WrappingCheckBox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

} // namespace norvel
