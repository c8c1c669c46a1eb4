#include "results/resultlist.h"

namespace norvel {

QString copyText(const QStringList& widths, CopyLayout layout)
{
    const QString separator = layout == CopyLayout::OnePerLine ? QStringLiteral("\r\n") : QStringLiteral("\t");
    QString text;
    for (const QString& width : widths)
        text += width + separator;
    return text;
}

RecentResults recentResults(const QStringList& widths)
{
    constexpr int shown = 6;
    RecentResults recent;
    const auto count = static_cast<int>(widths.size());
    recent.firstRow = count > shown ? count - shown : 0;
    for (int row = recent.firstRow; row < count; ++row)
        recent.captions << QString::number(row + 1) + QStringLiteral(": ") + widths[row];
    return recent;
}

QString correctedCaption(const QString& width)
{
    return QStringLiteral("測定値:") + width + QStringLiteral("mm");
}

} // namespace norvel
