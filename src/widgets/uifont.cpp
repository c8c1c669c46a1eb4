#include "widgets/uifont.h"

#include <QApplication>

namespace norvel {

namespace {
const QString FaceName = QStringLiteral("ＭＳ Ｐゴシック");
}

void installUiFont()
{
    const QStringList substitutes { QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic") };
    QFont::insertSubstitutions(FaceName, substitutes);
    QFont::insertSubstitutions(QStringLiteral("MS PGothic"), substitutes);
    QApplication::setFont(uiFont(9));
}

QFont uiFont(double points, bool bold)
{
    QFont font(FaceName);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace norvel
