#include "ledger/ledgerpainter.h"

#include "core/numbers.h"
#include "ledger/ledgerday.h"
#include "ledger/ledgerlayout.h"
#include "ledger/ledgerplan.h"
#include "ledger/ledgersummary.h"
#include "ledger/ledgerthumbnails.h"

#include <QDate>
#include <QDir>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>

namespace norvel {

using namespace ledgerpage;
using namespace ledgertext;

namespace {

// The table of six a page: its columns' widths. The judgement with its line is the widest.
const QList<double> TableWidths { 14, 56, 24, 50, 36 };

// The window shows a picture 640 pixels wide and draws its marks 2 pixels wide, labels 5 pixels aside.
constexpr double WindowWidth = 640;

} // namespace

namespace ledgertext {

// The window's Japanese face on Linux (see widgets/uifont.cpp); the PDF embeds what it uses of it.
QFont font(double points)
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

QString dash(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

QString millimetres(std::optional<double> width)
{
    return width ? fixedText(*width, 2) + QStringLiteral("mm") : QStringLiteral("-");
}

QString shortened(const QString& text, qsizetype characters)
{
    return text.size() <= characters ? text : text.left(characters) + QChar(0x2026);
}

QString widthWithHow(const LedgerRow& row)
{
    QString text = rowWidthText(row, 16);
    if (row.widthMm)
        text = fixedText(*row.widthMm, 2) + QStringLiteral(" mm");
    else if (row.outOfRange)
        text += QStringLiteral("（範囲外）");
    text += widestPlaceText(row);
    QStringList how;
    if (row.how != MeasuredHow::Unknown)
        how << measuredHowText(row.how);
    if (row.across && row.how == MeasuredHow::Automatic)
        how << QStringLiteral("直交");
    return how.isEmpty() ? text : text + QStringLiteral("（") + how.join(u'・') + QStringLiteral("）");
}

QString noWidthText(const LedgerPole& pole)
{
    for (const LedgerRow& row : pole.rows) {
        if (row.nothingFound)
            return rowWidthText(row, 0);
    }
    return QStringLiteral("-");
}

QString judgementWithLine(const LedgerRow& row, const JudgementLines& lines)
{
    const QString judgement = rowJudgement(row, lines);
    if (judgement.isEmpty())
        return {};
    const CrackDirection direction = judgedDirection(row).direction;
    const QString name
        = direction == CrackDirection::Unknown ? QStringLiteral("未確認") : crackDirectionName(direction);
    return judgement + QStringLiteral("（") + name + QStringLiteral(" ≥ ") + fixedText(lines.lineFor(direction), 2)
        + QStringLiteral("）");
}

QString widestDirection(const LedgerPole& pole)
{
    for (const LedgerRow& row : pole.rows) {
        if (row.widthMm && pole.widestMm && *row.widthMm == *pole.widestMm)
            return directionText(judgedDirection(row));
    }
    return {};
}

} // namespace ledgertext

QRectF ledgerPictureRect(double top, int column, QSize pictureSize)
{
    const double cellLeft = Left + column * (CellWidth + CellGap);
    QSizeF size(CellWidth, CellPictureHeight);
    if (pictureSize.isValid())
        size = QSizeF(pictureSize).scaled(size, Qt::KeepAspectRatio);
    return { cellLeft + (CellWidth - size.width()) / 2, top, size.width(), size.height() };
}

QRectF ledgerCrackPhotoRect(double top, QSize pictureSize)
{
    QSizeF size(PhotoWidth, PhotoHeight);
    if (pictureSize.isValid())
        size = QSizeF(pictureSize).scaled(size, Qt::KeepAspectRatio);
    return { Left + (PhotoWidth - size.width()) / 2, top + (PhotoHeight - size.height()) / 2, size.width(),
        size.height() };
}

LedgerPainter::LedgerPainter(
    QPainter& painter, const LedgerDay& day, const LedgerOptions& options, int pages, QList<LedgerProblem>* found)
    : m_painter(painter)
    , m_day(day)
    , m_options(options)
    , m_pages(pages)
    , m_found(found)
{
    for (const LedgerPole& pole : day.poles)
        m_before.append(previousOf(day, pole, m_options.lines, options.previous));
}

void LedgerPainter::paintPage(const LedgerPage& page, int pageNumber, ThumbnailQueue& thumbnails)
{
    switch (page.kind) {
    case LedgerPageKind::Cover:
        paintCover(page);
        break;
    case LedgerPageKind::PoleList:
        paintPoleList(page);
        break;
    case LedgerPageKind::Problems:
        paintProblems(page);
        break;
    case LedgerPageKind::Cracks:
        paintItems(page.items, thumbnails);
        break;
    }
    paintFrame(pageNumber, pageSubject(page));
}

QString LedgerPainter::pageSubject(const LedgerPage& page) const
{
    switch (page.kind) {
    case LedgerPageKind::Cover:
        return {};
    case LedgerPageKind::PoleList:
        return QStringLiteral("調査柱一覧");
    case LedgerPageKind::Problems:
        return QStringLiteral("読めなかったファイル");
    case LedgerPageKind::Cracks: {
        QList<int> poles;
        for (const LedgerItem& item : page.items) {
            if (item.kind != LedgerItemKind::ListHeading && item.kind != LedgerItemKind::ListLine
                && item.kind != LedgerItemKind::ProblemHeading && item.kind != LedgerItemKind::ProblemLine)
                poles.append(item.index);
        }
        if (poles.isEmpty())
            return page.items.isEmpty() || page.items.constFirst().kind == LedgerItemKind::ListHeading
                ? QStringLiteral("調査柱一覧")
                : QStringLiteral("読めなかったファイル");
        const LedgerPole& first = m_day.poles[poles.constFirst()];
        if (poles.constLast() == poles.constFirst())
            return poleTitle(first.pole) + (first.facts.plate.isEmpty() ? QString() : u' ' + first.facts.plate);
        return poleTitle(first.pole) + QStringLiteral("〜「") + m_day.poles[poles.constLast()].pole + u'」';
    }
    }
    return {};
}

void LedgerPainter::write(const QRectF& mmRect, double points, int flags, const QString& text, const QColor& colour)
{
    m_painter.setFont(font(points));
    m_painter.setPen(colour);
    m_painter.drawText(rect(mmRect), flags, text);
}

void LedgerPainter::writeLine(const QRectF& mmRect, double points, const QString& text, const QColor& colour)
{
    const QString shown
        = QFontMetricsF(font(points), m_painter.device()).elidedText(text, Qt::ElideRight, dots(mmRect.width()));
    write(mmRect, points, Qt::AlignLeft | Qt::AlignVCenter, shown, colour);
}

void LedgerPainter::writeWhole(
    const QRectF& mmRect, double points, const QString& text, const QColor& colour, Qt::Alignment align)
{
    const QRectF box = rect(mmRect);
    const int oneLine = int(align | Qt::AlignVCenter);
    const QRectF tall(box.topLeft(), QSizeF(box.width(), box.height() * 1000));
    const auto fits = [&](const QFont& face, int flags) {
        const QRectF needed = QFontMetricsF(face, m_painter.device()).boundingRect(tall, flags, text);
        return needed.width() <= box.width() + 0.5 && needed.height() <= box.height() + 0.5;
    };
    // At the given size on one line, else wrapped at words, else anywhere (a plate is one long word); smaller
    // until one fits. Below a point the text is still drawn whole, over the box's edge if it must.
    double size = points;
    int flags = int(align | Qt::AlignVCenter | Qt::TextWrapAnywhere);
    for (; size >= 0.8; size *= 0.9) {
        const QFont face = font(size);
        if (size == points && fits(face, oneLine)) {
            flags = oneLine;
            break;
        }
        if (fits(face, int(align | Qt::TextWordWrap))) {
            flags = int(align | Qt::AlignVCenter | Qt::TextWordWrap);
            break;
        }
        if (fits(face, int(align | Qt::TextWrapAnywhere)))
            break;
    }
    m_painter.setFont(font(std::max(size, 0.8)));
    m_painter.setPen(colour);
    m_painter.drawText(box, flags, text);
}

void LedgerPainter::writeCells(double top, double height, const QList<double>& widths, const QStringList& texts,
    double points, const QList<QColor>& colours)
{
    double x = Left;
    for (qsizetype c = 0; c < widths.size(); ++c) {
        m_painter.setPen(QPen(Qt::black, dots(0.15)));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(rect(x, top, widths[c], height));
        writeWhole(
            { x + 1.2, top, widths[c] - 2.4, height }, points, texts.value(c), colours.value(c, QColor(Qt::black)));
        x += widths[c];
    }
}

void LedgerPainter::writeHaloed(const QPointF& topLeft, double points, const QString& text, const QColor& colour)
{
    // Sized for the PDF's resolution: a path of a font takes its points at the screen's.
    const QFont face(font(points), m_painter.device());
    const QPointF baseline = topLeft + QPointF(0, QFontMetricsF(face).ascent());
    // The outline is drawn from the glyphs' shapes, the text over it stays text that can be searched and copied.
    QPainterPath path;
    path.addText(baseline, face, text);
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing);
    m_painter.strokePath(path, QPen(QColor(255, 255, 255, 230), dots(0.7), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    m_painter.setFont(face);
    m_painter.setPen(colour);
    m_painter.drawText(baseline, text);
    m_painter.restore();
}

void LedgerPainter::paintFrame(int pageNumber, const QString& subject)
{
    const QString title = m_options.header.title.isEmpty() ? QStringLiteral("写真台帳") : m_options.header.title;
    writeLine({ Left, 9, 78, 7 }, 10, title);
    write({ Left + 78, 9, 36, 7 }, 10, Qt::AlignCenter, dayText(m_day.day));
    writeWhole({ Right - 64, 9, 64, 7.5 }, 10, subject, Qt::black, Qt::AlignRight);
    m_painter.setPen(QPen(Qt::black, dots(0.2)));
    m_painter.drawLine(QPointF(dots(Left), dots(17)), QPointF(dots(Right), dots(17)));
    write({ Left, 283, Right - Left, 6 }, 9, Qt::AlignCenter,
        QString::number(pageNumber) + QStringLiteral(" / ") + QString::number(m_pages));
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

void LedgerPainter::paintPoleList(const LedgerPage& page)
{
    double top = ContentTop;
    paintListHeading(top);
    top += ListHeadingHeight;
    for (int p : page.rows) {
        paintListLine(p, top);
        top += ListLineHeight;
    }
}

void LedgerPainter::paintTableHeading(double top)
{
    m_painter.fillRect(rect(Left, top, Right - Left, TableHeadingHeight), HeadingGrey);
    writeCells(top, TableHeadingHeight, TableWidths,
        { QStringLiteral("行"), QStringLiteral("幅"), QStringLiteral("測定方法"), QStringLiteral("判定"),
            QStringLiteral("方向") },
        8);
}

void LedgerPainter::paintTableLine(const LedgerItem& item)
{
    const LedgerRow& row = m_day.poles[item.index].rows[item.row];
    writeCells(item.top, TableLineHeight, TableWidths,
        { QString::number(row.row), rowWidthText(row, 16) + widestPlaceText(row), measuredHowText(row.how),
            judgementShown(row), directionText(judgedDirection(row)) },
        8, { Qt::black, Qt::black, Qt::black, MarkRed });
}

QString LedgerPainter::judgementShown(const LedgerRow& row) const
{
    return row.outOfRange ? QStringLiteral("範囲外") : judgementWithLine(row, m_options.lines);
}

QString LedgerPainter::poleJudgementShown(const LedgerPole& pole) const
{
    const QString judgement = poleJudgement(pole, m_options.lines);
    const LedgerRow* worst = nullptr;
    for (const LedgerRow& row : pole.rows) {
        if (!rowJudgement(row, m_options.lines).isEmpty() && (!worst || *row.widthMm > *worst->widthMm))
            worst = &row;
    }
    return worst ? judgementWithLine(*worst, m_options.lines) : judgement;
}

// The photo in its cell with the same facts as three a page gives beside one, on the caption's lines below it.
void LedgerPainter::paintPhoto(int poleIndex, int rowIndex, double top, int column, const Thumbnail& thumbnail)
{
    const LedgerPole& pole = m_day.poles[poleIndex];
    const LedgerRow& row = pole.rows[rowIndex];
    const QSize size = row.pictureSize.isValid() ? row.pictureSize : thumbnail.image.size();
    paintPicture(ledgerPictureRect(top, column, size), pole, row, thumbnail, true);
    const QString judgement = judgementShown(row);
    const std::array<std::pair<QString, QColor>, CaptionLines> lines {
        std::pair { QStringLiteral("写真No %1　%2　ひび割れNo %3（行 %4）　%5")
                        .arg(++m_photos)
                        .arg(poleTitle(pole.pole))
                        .arg(row.facts.number.value_or(row.row))
                        .arg(row.row)
                        .arg(row.pictureName),
            QColor(Qt::black) },
        std::pair { QStringLiteral("電柱番号 ") + dash(pole.facts.plate), QColor(Qt::black) },
        std::pair {
            QStringLiteral("幅 ") + widthWithHow(row) + QStringLiteral("　方向 ") + directionText(judgedDirection(row)),
            QColor(Qt::black) },
        std::pair { QStringLiteral("判定 ") + dash(judgement), judgement.isEmpty() ? QColor(Qt::black) : MarkRed },
        std::pair { QStringLiteral("前回 ") + previousText(poleIndex, &row), QColor(Qt::black) },
    };
    const double left = Left + column * (CellWidth + CellGap);
    double y = top + CellPictureHeight + 1;
    for (const auto& [text, colour] : lines) {
        writeWhole({ left, y, CellWidth, CaptionLineHeight }, 7, text, colour);
        y += CaptionLineHeight;
    }
}

void LedgerPainter::note(const QRectF& target, const QString& text)
{
    const QFont face = font(9);
    QRectF box = QFontMetricsF(face, m_painter.device()).boundingRect(target, Qt::AlignCenter | Qt::TextWordWrap, text);
    box.adjust(-dots(1.5), -dots(1), dots(1.5), dots(1));
    m_painter.fillRect(box.intersected(target), QColor(255, 255, 255, 225));
    m_painter.setFont(face);
    m_painter.setPen(MarkRed);
    m_painter.drawText(target, Qt::AlignCenter | Qt::TextWordWrap, text);
}

void LedgerPainter::paintPicture(
    const QRectF& mmRect, const LedgerPole& pole, const LedgerRow& row, const Thumbnail& thumbnail, bool withScaleBar)
{
    const QRectF target = rect(mmRect);
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
    m_painter.drawImage(target, thumbnail.image);
    if (thumbnail.truncated) {
        note(target, cut + QStringLiteral("\n（下の灰色は写っていない部分です）"));
        return;
    }
    if (!row.pictureSize.isValid())
        return;
    paintMarks(target, row);
    if (withScaleBar)
        paintScaleBar(target, row);
}

void LedgerPainter::paintMarks(const QRectF& target, const LedgerRow& row)
{
    m_painter.save();
    m_painter.setClipRect(target);
    m_painter.setRenderHint(QPainter::Antialiasing);
    const double scale = target.width() / row.pictureSize.width();
    const double windowPixel = target.width() / WindowWidth;
    const auto colour = [](const LedgerMark& mark) {
        return mark.widest ? MarkMagenta : mark.counts ? MarkGreen : MarkRed;
    };
    for (const LedgerMark& mark : row.marks) {
        const QLineF line(target.topLeft() + mark.segment.p1() * scale, target.topLeft() + mark.segment.p2() * scale);
        m_painter.setPen(QPen(colour(mark), 2 * windowPixel, Qt::SolidLine, Qt::FlatCap));
        m_painter.drawLine(line);
    }
    for (const LedgerMark& mark : row.marks) {
        if (mark.label.isEmpty())
            continue;
        const QLineF line(target.topLeft() + mark.segment.p1() * scale, target.topLeft() + mark.segment.p2() * scale);
        if (mark.widest) {
            writeHaloed(line.p2() + QPointF(5, 5) * windowPixel, 7, mark.label, MarkMagenta);
            continue;
        }
        const QPointF offset = mark.labelBelow ? QPointF(0, 5 * windowPixel) : QPointF(5 * windowPixel, 0);
        writeHaloed(line.center() + offset, 7, mark.label, MarkRed);
    }
    m_painter.restore();
}

void LedgerPainter::paintScaleBar(const QRectF& target, const LedgerRow& row)
{
    const ScaleBar bar = scaleBar(row.pxPerMm, row.pictureSize.width(), target.width() * 25.4 / LedgerResolution);
    if (bar.mm <= 0)
        return;
    // In the bottom left corner: the bar in black on a white ground, its length above it.
    const QRectF drawn(target.left() + dots(3), target.bottom() - dots(4), dots(bar.lengthMm), dots(1.2));
    m_painter.fillRect(drawn.adjusted(-dots(0.5), -dots(0.5), dots(0.5), dots(0.5)), Qt::white);
    m_painter.fillRect(drawn, Qt::black);
    const QString label = bar.mm == 1 ? QStringLiteral("1mm") : fixedText(bar.mm, 1) + QStringLiteral("mm");
    writeHaloed(QPointF(drawn.left(), drawn.top() - dots(3.6)), 7, label, Qt::black);
}

} // namespace norvel
