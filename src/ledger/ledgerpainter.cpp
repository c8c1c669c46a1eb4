#include "ledger/ledgerpainter.h"

#include "core/numbers.h"
#include "ledger/ledgerday.h"
#include "ledger/ledgerplan.h"
#include "ledger/ledgersummary.h"
#include "ledger/ledgerthumbnails.h"

#include <QDate>
#include <QDir>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace norvel {

namespace {

constexpr double Left = 15;
constexpr double Right = 195;

// Picture pages: two columns of cells, three rows; the picture on top of its cell, the caption under it.
constexpr double CellWidth = 88;
constexpr double CellGap = 4;
constexpr double PictureHeight = 66;
constexpr double CellTop = 26;
constexpr double CellPitch = 84;

// Table pages.
constexpr double TableTop = 40;
constexpr double TableRowHeight = 6.2;

// The window shows a picture 640 pixels wide and draws its marks 2 pixels wide, labels 5 pixels aside.
constexpr double WindowWidth = 640;

const QColor MarkGreen(0, 255, 0);
const QColor MarkRed(255, 0, 0);
const QColor BarBlue(70, 110, 170);

// The window's Japanese face on Linux (see platform/uifont.cpp); the PDF embeds what it uses of it.
QFont ledgerFont(double points)
{
    QFont font;
    font.setFamilies({ QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic") });
    font.setPointSizeF(points);
    return font;
}

QString dayText(const QString& day)
{
    const QDate date = QDate::fromString(day, QStringLiteral("yyyyMMdd"));
    return date.isValid() ? date.toString(QStringLiteral("yyyy年M月d日")) : day;
}

QString poleTitle(const QString& pole)
{
    return QStringLiteral("調査柱No「") + pole + QStringLiteral("」");
}

QString millimetres(std::optional<double> width)
{
    return width ? fixedText(*width, 2) + QStringLiteral("mm") : QStringLiteral("-");
}

// At most this many characters of a text from a file are shown in a cell or caption.
QString shortened(const QString& text, qsizetype characters = 24)
{
    return text.size() <= characters ? text : text.left(characters) + QChar(0x2026);
}

QString widthShown(const LedgerRow& row)
{
    return shortened(row.width) + (row.outOfRange ? QStringLiteral("（範囲外）") : QString());
}

QString pageSubject(const LedgerDay& day, const LedgerPage& page)
{
    if (page.kind == LedgerPageKind::Cover)
        return {};
    if (page.kind == LedgerPageKind::Problems)
        return QStringLiteral("読めなかったファイル");
    QString subject = poleTitle(shortened(day.poles[page.pole].pole));
    subject += page.kind == LedgerPageKind::Table ? QStringLiteral(" 測定結果") : QStringLiteral(" 写真");
    if (page.parts > 1)
        subject += QStringLiteral("（%1 / %2）").arg(page.part).arg(page.parts);
    return subject;
}

} // namespace

QRectF ledgerPictureRect(int slot, QSize pictureSize)
{
    const double cellLeft = Left + (slot % 2) * (CellWidth + CellGap);
    const double cellTop = CellTop + (slot / 2) * CellPitch;
    QSizeF size(CellWidth, PictureHeight);
    if (pictureSize.isValid())
        size = QSizeF(pictureSize).scaled(size, Qt::KeepAspectRatio);
    return { cellLeft + (CellWidth - size.width()) / 2, cellTop, size.width(), size.height() };
}

void LedgerPainter::paintPage(const LedgerPage& page, int pageNumber, ThumbnailQueue& thumbnails)
{
    switch (page.kind) {
    case LedgerPageKind::Cover:
        paintCover();
        break;
    case LedgerPageKind::Problems:
        paintProblems(page);
        break;
    case LedgerPageKind::Table:
        paintTable(page);
        break;
    case LedgerPageKind::Pictures:
        paintPictures(page, thumbnails);
        break;
    }
    paintFrame(pageNumber, pageSubject(m_day, page));
}

void LedgerPainter::write(const QRectF& mmRect, double points, int flags, const QString& text, const QColor& colour)
{
    m_painter.setFont(ledgerFont(points));
    m_painter.setPen(colour);
    m_painter.drawText(rect(mmRect.x(), mmRect.y(), mmRect.width(), mmRect.height()), flags, text);
}

void LedgerPainter::writeLine(const QRectF& mmRect, double points, const QString& text, const QColor& colour)
{
    const QFont font = ledgerFont(points);
    const QString shown
        = QFontMetricsF(font, m_painter.device()).elidedText(text, Qt::ElideRight, dots(mmRect.width()));
    write(mmRect, points, Qt::AlignLeft | Qt::AlignVCenter, shown, colour);
}

void LedgerPainter::paintFrame(int pageNumber, const QString& subject)
{
    write({ Left, 9, 120, 7 }, 10, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("写真台帳　") + dayText(m_day.day));
    write({ Right - 100, 9, 100, 7 }, 10, Qt::AlignRight | Qt::AlignVCenter, subject);
    m_painter.setPen(QPen(Qt::black, dots(0.2)));
    m_painter.drawLine(QPointF(dots(Left), dots(17)), QPointF(dots(Right), dots(17)));
    write({ Left, 283, Right - Left, 6 }, 9, Qt::AlignCenter,
        QString::number(pageNumber) + QStringLiteral(" / ") + QString::number(m_pages));
}

void LedgerPainter::paintCover()
{
    write({ Left, 28, Right - Left, 14 }, 26, Qt::AlignCenter, QStringLiteral("写真台帳"));
    write({ Left, 44, Right - Left, 10 }, 16, Qt::AlignCenter, dayText(m_day.day));

    int marked = 0;
    for (const LedgerPole& pole : m_day.poles)
        marked += poleWidths(pole).marked(m_lines) ? 1 : 0;
    QString widest = millimetres(m_day.widestMm);
    if (m_day.widestMm)
        widest += QStringLiteral("（") + poleTitle(m_day.widestPole) + QStringLiteral("）");
    struct Figure {
        QString name;
        QString value;
        QColor colour = Qt::black;
    };
    QList<Figure> figures {
        { QStringLiteral("調査柱数"), QString::number(m_day.poles.size()) + QStringLiteral(" 本") },
        { QStringLiteral("撮影数"), QString::number(m_day.shots) + QStringLiteral(" 枚") },
        { QStringLiteral("最大ひび割れ幅"), widest },
        { QStringLiteral("判定線"),
            QStringLiteral("横 %1mm・縦 %2mm・斜め %3mm（以上は要注意: %4 本）")
                .arg(fixedText(m_lines.transverse, 2), fixedText(m_lines.longitudinal, 2),
                    fixedText(m_lines.oblique, 2), QString::number(marked)) },
    };
    if (m_day.outOfRange > 0)
        figures.append({ QStringLiteral("範囲外の幅"),
            QStringLiteral("%1 行（0〜%2mm の外。最大・平均・グラフに入れていません）")
                .arg(m_day.outOfRange)
                .arg(LargestWidthMm),
            MarkRed });
    const auto problems = m_day.problems.size() + m_day.unlistedProblems;
    if (problems > 0)
        figures.append(
            { QStringLiteral("読めなかったファイル"), QStringLiteral("%1 件（下に一覧）").arg(problems), MarkRed });
    double y = 64;
    for (const Figure& figure : figures) {
        write({ 40, y, 45, 8 }, 12, Qt::AlignLeft | Qt::AlignVCenter, figure.name, figure.colour);
        writeLine({ 85, y, 110, 8 }, 12, figure.value, figure.colour);
        y += 9;
    }
    if (problems > 0) {
        y += 1;
        const auto named = std::min<qsizetype>(m_day.problems.size(), CoverProblems);
        // Two lines each at most: a name and a reason of the usual length fit.
        for (qsizetype i = 0; i < named; ++i) {
            write({ Left + 3, y, Right - Left - 3, 8.6 }, 9, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                QStringLiteral("・") + problemLine(m_day.problems[i]), MarkRed);
            y += 9;
        }
        if (problems > named) {
            writeLine({ Left + 3, y, Right - Left - 3, 5 }, 9,
                QStringLiteral("ほか %1 件は次のページ以降に載せています。").arg(problems - named), MarkRed);
            y += 5;
        }
    }
    const double chartTitle = std::max(108.0, y + 4);
    write({ Left, chartTitle, Right - Left, 8 }, 11, Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("調査柱ごとの最大ひび割れ幅（mm）"));
    paintChart(chartTitle + 12, 276);
}

void LedgerPainter::paintProblems(const LedgerPage& page)
{
    QString title = QStringLiteral("読めなかったファイル（表紙の続き）");
    if (page.parts > 1)
        title += QStringLiteral("（%1 / %2）").arg(page.part).arg(page.parts);
    write({ Left, 21, Right - Left, 9 }, 14, Qt::AlignLeft | Qt::AlignVCenter, title);
    double y = 32;
    for (int i : page.rows) {
        write({ Left, y, Right - Left, 12 }, 9, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
            QStringLiteral("・") + problemLine(m_day.problems[i]), MarkRed);
        y += 12.4;
    }
    if (page.part == page.parts && m_day.unlistedProblems > 0)
        write({ Left, y, Right - Left, 6 }, 9, Qt::AlignLeft | Qt::AlignTop,
            QStringLiteral("ほか %1 件（多すぎるため名前を載せていません）").arg(m_day.unlistedProblems), MarkRed);
}

void LedgerPainter::paintChart(double top, double bottom)
{
    constexpr double LabelWidth = 32;
    constexpr double BarLeft = Left + LabelWidth + 2;
    constexpr double BarRight = Right - 16;
    const auto count = static_cast<double>(std::max<qsizetype>(1, m_day.poles.size()));
    const double slot = std::min(7.0, (bottom - top - 8) / count);
    // The longitudinal line is drawn: it also judges the cracks of no known direction.
    const double lineMm = m_lines.longitudinal;
    const ChartAxis axis = chartAxis(m_day.widestMm.value_or(0), lineMm);
    const double scaleTop = axis.top;
    const auto x = [&](double mm) { return BarLeft + (BarRight - BarLeft) * std::clamp(mm, 0.0, scaleTop) / scaleTop; };
    const double chartBottom = top + slot * count;
    // Labels only where they can be read; the bars are drawn however many poles there are.
    const double points = std::min(9.0, slot * 0.75 * 72 / 25.4);
    const bool labelled = points >= 4;

    const double step = axis.step;
    // Counted, so that no width however large (a typing slip of "1e308") can keep adding ticks.
    for (int i = 0; i <= 6 && i * step <= scaleTop + 1e-9; ++i) {
        const double tick = i * step;
        m_painter.setPen(QPen(QColor(200, 200, 200), dots(0.15)));
        m_painter.drawLine(QPointF(dots(x(tick)), dots(top)), QPointF(dots(x(tick)), dots(chartBottom)));
        write({ x(tick) - 10, chartBottom + 1, 20, 5 }, 8, Qt::AlignCenter, fixedText(tick, step < 0.1 ? 2 : 1));
    }
    for (int p = 0; p < m_day.poles.size(); ++p) {
        const LedgerPole& pole = m_day.poles[p];
        const double y = top + slot * p;
        if (labelled)
            write({ Left, y, LabelWidth, slot }, points, Qt::AlignRight | Qt::AlignVCenter, pole.pole);
        if (!pole.widestMm) {
            if (labelled)
                write({ BarLeft + 1, y, 10, slot }, points, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("-"));
            continue;
        }
        const bool marked = poleWidths(pole).marked(m_lines);
        const QRectF bar = rect(BarLeft, y + slot * 0.15, x(*pole.widestMm) - BarLeft, slot * 0.7);
        m_painter.fillRect(bar, marked ? MarkRed : BarBlue);
        if (labelled)
            write({ x(*pole.widestMm) + 1, y, 16, slot }, points, Qt::AlignLeft | Qt::AlignVCenter,
                fixedText(*pole.widestMm, 2));
    }
    m_painter.setPen(QPen(Qt::black, dots(0.3)));
    m_painter.drawLine(QPointF(dots(BarLeft), dots(top)), QPointF(dots(BarLeft), dots(chartBottom)));
    QPen line(Qt::black, dots(0.5), Qt::DashLine);
    m_painter.setPen(line);
    const double judgementX = x(lineMm);
    m_painter.drawLine(QPointF(dots(judgementX), dots(top - 2)), QPointF(dots(judgementX), dots(chartBottom)));
    write({ judgementX - 30, top - 7, 60, 5 }, 8, Qt::AlignCenter,
        QStringLiteral("判定線（縦） ") + fixedText(lineMm, 2) + QStringLiteral("mm"));
}

void LedgerPainter::paintTable(const LedgerPage& page)
{
    const LedgerPole& pole = m_day.poles[page.pole];
    QString title = poleTitle(pole.pole);
    if (page.parts > 1)
        title += QStringLiteral("（%1 / %2）").arg(page.part).arg(page.parts);
    write({ Left, 21, Right - Left, 9 }, 14, Qt::AlignLeft | Qt::AlignVCenter, title);
    const QString judgement = poleJudgement(pole, m_lines);
    write({ Left, 30, Right - Left, 7 }, 10, Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("行数 %1　最大 %2　平均 %3　判定 %4")
            .arg(pole.rows.size())
            .arg(millimetres(pole.widestMm), millimetres(pole.meanMm),
                judgement.isEmpty() ? QStringLiteral("-") : judgement));
    if (!pole.error.isEmpty())
        writeLine({ Left, TableTop + TableRowHeight, Right - Left, TableRowHeight }, 10,
            QStringLiteral("結果ファイルを読めません: ") + pole.error, MarkRed);

    const std::array<double, 4> widths { 20, 45, 35, 30 };
    const std::array<QString, 4> headers { QStringLiteral("行"), QStringLiteral("幅 mm"), QStringLiteral("測定方法"),
        QStringLiteral("判定") };
    const auto cells = [&](double y, const std::array<QString, 4>& values, const QColor& lastColour) {
        double x = Left;
        for (std::size_t c = 0; c < 4; ++c) {
            m_painter.setPen(QPen(Qt::black, dots(0.15)));
            m_painter.setBrush(Qt::NoBrush);
            m_painter.drawRect(rect(x, y, widths[c], TableRowHeight));
            write({ x + 1.5, y, widths[c] - 3, TableRowHeight }, 10, Qt::AlignLeft | Qt::AlignVCenter, values[c],
                c == 3 ? lastColour : QColor(Qt::black));
            x += widths[c];
        }
    };
    m_painter.fillRect(rect(Left, TableTop, 130, TableRowHeight), QColor(225, 225, 225));
    cells(TableTop, headers, Qt::black);
    double y = TableTop + TableRowHeight;
    for (int r : page.rows) {
        const LedgerRow& row = pole.rows[r];
        cells(y,
            { QString::number(row.row), shortened(row.width, 16), measuredHowText(row.how),
                row.outOfRange ? QStringLiteral("範囲外") : rowJudgement(row, m_lines) },
            MarkRed);
        y += TableRowHeight;
    }
}

void LedgerPainter::paintPictures(const LedgerPage& page, ThumbnailQueue& thumbnails)
{
    const LedgerPole& pole = m_day.poles[page.pole];
    for (int slot = 0; slot < page.rows.size(); ++slot) {
        const LedgerRow& row = pole.rows[page.rows[slot]];
        const Thumbnail thumbnail = thumbnails.take();
        const QSize size = row.pictureSize.isValid() ? row.pictureSize : thumbnail.image.size();
        const QRectF place = ledgerPictureRect(slot, size);
        paintPicture(place, pole, row, thumbnail);
        const QString caption
            = poleTitle(shortened(pole.pole)) + QStringLiteral(" %1: %2mm").arg(row.row).arg(widthShown(row));
        write({ place.center().x() - CellWidth / 2, place.bottom() + 1, CellWidth, 6 }, 10, Qt::AlignCenter, caption);
    }
}

void LedgerPainter::note(const QRectF& target, const QString& text)
{
    const QFont font = ledgerFont(9);
    QRectF box = QFontMetricsF(font, m_painter.device()).boundingRect(target, Qt::AlignCenter | Qt::TextWordWrap, text);
    box.adjust(-dots(1.5), -dots(1), dots(1.5), dots(1));
    m_painter.fillRect(box.intersected(target), QColor(255, 255, 255, 225));
    m_painter.setFont(font);
    m_painter.setPen(MarkRed);
    m_painter.drawText(target, Qt::AlignCenter | Qt::TextWordWrap, text);
}

void LedgerPainter::paintPicture(
    const QRectF& mmRect, const LedgerPole& pole, const LedgerRow& row, const Thumbnail& thumbnail)
{
    const QRectF target = rect(mmRect.x(), mmRect.y(), mmRect.width(), mmRect.height());
    const QString shownFile = (pole.pole.isEmpty() ? QString() : pole.pole + u'/') + row.pictureName;
    const QString cut = QStringLiteral("画像が途中で切れています");
    if (row.pictureError.isEmpty() && (thumbnail.truncated || thumbnail.image.isNull()) && m_found)
        m_found->append({ shownFile,
            thumbnail.truncated ? cut + QStringLiteral("。")
                                : QStringLiteral("画像を読めません（%1）。").arg(thumbnail.error) });
    if (thumbnail.image.isNull()) {
        m_painter.setPen(QPen(Qt::gray, dots(0.3)));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(target);
        write(mmRect, 9, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextWrapAnywhere,
            (thumbnail.truncated ? cut + u'\n' : QString()) + QStringLiteral("画像を読めません\n")
                + QDir::toNativeSeparators(row.picturePath) + u'\n' + thumbnail.error);
        return;
    }
    if (thumbnail.truncated) {
        m_painter.drawImage(target, thumbnail.image);
        note(target, cut + QStringLiteral("\n（下の灰色は写っていない部分です）"));
        return;
    }
    m_painter.drawImage(target, thumbnail.image);
    if (row.marks.isEmpty() || !row.pictureSize.isValid())
        return;

    m_painter.save();
    m_painter.setClipRect(target);
    m_painter.setRenderHint(QPainter::Antialiasing);
    const double scale = target.width() / row.pictureSize.width();
    const double windowPixel = target.width() / WindowWidth;
    const QFont labelFont = ledgerFont(7);
    for (const LedgerMark& mark : row.marks) {
        const QLineF line(target.topLeft() + mark.segment.p1() * scale, target.topLeft() + mark.segment.p2() * scale);
        m_painter.setPen(QPen(mark.counts ? MarkGreen : MarkRed, 2 * windowPixel, Qt::SolidLine, Qt::FlatCap));
        m_painter.drawLine(line);
        if (mark.label.isEmpty())
            continue;
        const QPointF offset = mark.labelBelow ? QPointF(0, 5 * windowPixel) : QPointF(5 * windowPixel, 0);
        m_painter.setFont(labelFont);
        m_painter.setPen(MarkRed);
        const QPointF topLeft = line.center() + offset;
        m_painter.drawText(QRectF(topLeft, QSizeF(dots(40), dots(5))), Qt::AlignLeft | Qt::AlignTop, mark.label);
    }
    m_painter.restore();
}

} // namespace norvel
