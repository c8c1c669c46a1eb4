#include "ledger/ledgerday.h"
#include "ledger/ledgerlayout.h"
#include "ledger/ledgerpainter.h"
#include "ledger/ledgerplan.h"
#include "ledger/ledgersummary.h"

#include "core/numbers.h"

#include <QPainter>

#include <algorithm>
#include <array>

// The ledger's cover: the survey's figures, the chart of each pole's widest crack against the three lines, and the
// list of poles.
namespace norvel {

using namespace ledgerpage;
using namespace ledgertext;

namespace {

struct Figure {
    QString name;
    QString value;
    QColor colour = Qt::black;
    bool wide = false; // the value alone, across the name's place too
};

// Built in, or calibrated from a ruler on the day given.
QString scaleText(const LedgerScale& scale)
{
    const QString text = QStringLiteral("%1×%2 画素: %3 画素/mm")
                             .arg(scale.size.width())
                             .arg(scale.size.height())
                             .arg(fixedText(scale.pxPerMm, 2));
    if (!scale.calibrated)
        return text + QStringLiteral("（内蔵）");
    if (!scale.date.isValid())
        return text + QStringLiteral("（校正 日付不明）");
    return text + QStringLiteral("（校正 %1）").arg(scale.date.toString(QStringLiteral("yyyy-MM-dd")));
}

// Every scale in force, each on its line: a reviewer checks each picture size's figure.
QList<Figure> scaleFigures(const LedgerDay& day)
{
    const QList<LedgerScale> scales = scalesOf(day);
    QList<Figure> figures;
    const int perLine = scalesPerLine(scales.size());
    for (qsizetype i = 0; i < scales.size(); ++i) {
        if (i % perLine == 0)
            figures.append({ i == 0 ? QStringLiteral("縮尺") : QString(), scaleText(scales[i]) });
        else
            figures.last().value += QStringLiteral("、") + scaleText(scales[i]);
    }
    if (scales.isEmpty())
        figures.append({ QStringLiteral("縮尺"), QStringLiteral("-（写真なし）") });
    return figures;
}

// The lines as the chart and its legend draw them.
struct ChartLine {
    QString name;
    double mm = 0;
    QColor colour;
    Qt::PenStyle style = Qt::DashLine;
};

std::array<ChartLine, 3> chartLines(const JudgementLines& lines)
{
    return { ChartLine { QStringLiteral("横"), lines.transverse, QColor(230, 120, 0), Qt::DashLine },
        ChartLine { QStringLiteral("縦"), lines.longitudinal, Qt::black, Qt::DashLine },
        ChartLine { QStringLiteral("斜め"), lines.oblique, QColor(140, 60, 180), Qt::DotLine } };
}

} // namespace

void LedgerPainter::paintCover(const LedgerPage& page)
{
    const CoverLayout layout = coverLayout(m_day, static_cast<int>(m_options.replacedLines.size()));
    write({ Left, ContentTop + 1, Right - Left, 12 }, 22, Qt::AlignCenter, QStringLiteral("写真台帳"));
    paintApprovalBoxes();
    const double figuresBottom = paintFigures(layout);
    Q_ASSERT(figuresBottom <= layout.chartTop);
    paintChart(layout);
    for (const LedgerItem& item : page.items) {
        if (item.kind == LedgerItemKind::ListHeading)
            paintListHeading(item.top);
        else
            paintListLine(item.index, item.top);
    }
}

double LedgerPainter::paintFigures(const CoverLayout& layout)
{
    int marked = 0;
    for (const LedgerPole& pole : m_day.poles)
        marked += poleWidths(pole).marked(m_options.lines) ? 1 : 0;
    QString widest = millimetres(m_day.widestMm);
    if (m_day.widestMm) {
        widest += QStringLiteral("（") + poleTitle(m_day.widestPole);
        for (const LedgerPole& pole : m_day.poles) {
            if (pole.pole == m_day.widestPole && pole.widestMm == m_day.widestMm) {
                widest += QStringLiteral("・") + widestDirection(pole);
                break;
            }
        }
        widest += QStringLiteral("）");
    }
    const SurveyHeader& header = m_options.header;
    QList<Figure> figures { { QStringLiteral("件名"), dash(header.title) },
        { QStringLiteral("調査日"), dayText(m_day.day) }, { QStringLiteral("調査者"), dash(header.inspector) },
        { QStringLiteral("会社"), dash(header.company) }, { QStringLiteral("天候"), dash(header.weather) },
        { QStringLiteral("使用機器"), dash(header.equipment) }, { QStringLiteral("発注者"), dash(header.client) },
        { QStringLiteral("件名番号"), dash(header.contract) } };
    figures += scaleFigures(m_day);
    figures += { { QStringLiteral("調査柱数・撮影数"),
                     QStringLiteral("%1 本・%2 枚").arg(m_day.poles.size()).arg(m_day.shots) },
        { QStringLiteral("最大ひび割れ幅"), widest },
        { QStringLiteral("判定線"),
            QStringLiteral("横 %1mm・縦 %2mm・斜め %3mm（以上は要注意: %4 本）")
                .arg(fixedText(m_options.lines.transverse, 2), fixedText(m_options.lines.longitudinal, 2),
                    fixedText(m_options.lines.oblique, 2), QString::number(marked)) } };
    // A line typed that could not be used: whoever reads the ledger is told which default judged in its place.
    for (qsizetype i = 0; i < m_options.replacedLines.size(); ++i) {
        const UnusableSetting& line = m_options.replacedLines[i];
        figures.append({ i == 0 ? QStringLiteral("判定基準") : QString(),
            QStringLiteral("%1 の %2=%3 は使えないため既定値 %4 で判定")
                .arg(programSettingsName(), line.key, shownSettingText(line.text), line.used),
            MarkRed });
    }
    // Said, since a width is held to another line than its confirmed direction's.
    if (const UnconfirmedRows unconfirmed = unconfirmedRows(m_day); unconfirmed.estimated + unconfirmed.unknown > 0)
        figures.append({ QStringLiteral("未確認の方向"),
            QStringLiteral("推定で判定 %1 行・方向未確認 %2 行（未確認は最も厳しい %3mm で判定）")
                .arg(unconfirmed.estimated)
                .arg(unconfirmed.unknown)
                .arg(fixedText(m_options.lines.lineFor(CrackDirection::Unknown), 2)),
            unconfirmed.unknown > 0 ? MarkRed : QColor(Qt::black) });
    if (m_day.unsaved)
        figures += { { {}, UnsavedHeadline, MarkRed, true }, { {}, unsavedText(*m_day.unsaved), MarkRed, true } };
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
    Q_ASSERT(figures.size() == layout.figureLines);
    double y = FigureTop;
    for (const Figure& figure : figures) {
        const double valueLeft = figure.wide ? Left + 10 : Left + 50;
        if (!figure.wide)
            write(
                { Left + 10, y, 40, FigureHeight }, 10.5, Qt::AlignLeft | Qt::AlignVCenter, figure.name, figure.colour);
        writeWhole({ valueLeft, y, Right - valueLeft, FigureHeight }, 10.5, figure.value, figure.colour);
        y += FigureHeight;
    }
    const auto named = std::min<qsizetype>(m_day.problems.size(), CoverProblems);
    // Two lines each at most: a name and a reason of the usual length fit.
    for (qsizetype i = 0; i < named; ++i) {
        write({ Left + 3, y, Right - Left - 3, CoverProblemHeight }, 9, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
            QStringLiteral("・") + problemLine(m_day.problems[i]), MarkRed);
        y += CoverProblemHeight;
    }
    if (problems > named) {
        writeLine({ Left + 3, y, Right - Left - 3, 5 }, 9,
            QStringLiteral("ほか %1 件は後のページに載せています。").arg(problems - named), MarkRed);
        y += CoverProblemHeight;
    }
    return y;
}

// Top right, beside the title: three empty boxes for the stamps, their captions above them.
void LedgerPainter::paintApprovalBoxes()
{
    double x = Right - 3 * ApprovalBoxWidth;
    for (const QString& caption : { QStringLiteral("担当"), QStringLiteral("照査"), QStringLiteral("承認") }) {
        m_painter.setPen(QPen(Qt::black, dots(0.2)));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(rect(x, ContentTop, ApprovalBoxWidth, ApprovalCaptionHeight));
        m_painter.drawRect(rect(x, ContentTop + ApprovalCaptionHeight, ApprovalBoxWidth, ApprovalStampHeight));
        write({ x, ContentTop, ApprovalBoxWidth, ApprovalCaptionHeight }, 8, Qt::AlignCenter, caption);
        x += ApprovalBoxWidth;
    }
}

void LedgerPainter::paintChart(const CoverLayout& layout)
{
    constexpr double LabelWidth = 32;
    constexpr double BarLeft = Left + LabelWidth + 2;
    constexpr double BarRight = Right - 16;
    write({ Left, layout.chartTop, Right - Left, 7 }, 11, Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("調査柱ごとの最大ひび割れ幅（mm）"));
    const double top = layout.chartTop + 12;
    const double slot = layout.barHeight;
    const auto count = static_cast<double>(std::max<qsizetype>(1, m_day.poles.size()));
    const std::array<ChartLine, 3> lines = chartLines(m_options.lines);
    double highest = 0;
    for (const ChartLine& line : lines)
        highest = std::max(highest, line.mm);
    const ChartAxis axis = chartAxis(m_day.widestMm.value_or(0), highest);
    const auto x = [&](double mm) { return BarLeft + (BarRight - BarLeft) * std::clamp(mm, 0.0, axis.top) / axis.top; };
    const double bottom = top + slot * count;
    // Labels only where they can be read; the bars are drawn however many poles there are.
    const double points = std::min(9.0, slot * 0.75 * 72 / 25.4);
    const bool labelled = points >= 4;
    // Counted, so that no width however large (a typing slip of "1e308") can keep adding ticks.
    for (int i = 0; i <= 6 && i * axis.step <= axis.top + 1e-9; ++i) {
        const double tick = i * axis.step;
        m_painter.setPen(QPen(QColor(200, 200, 200), dots(0.15)));
        m_painter.drawLine(QPointF(dots(x(tick)), dots(top)), QPointF(dots(x(tick)), dots(bottom)));
        write({ x(tick) - 10, bottom + 1, 20, 5 }, 8, Qt::AlignCenter, fixedText(tick, axis.step < 0.1 ? 2 : 1));
    }
    int marked = 0;
    for (int p = 0; p < m_day.poles.size(); ++p) {
        const LedgerPole& pole = m_day.poles[p];
        const double y = top + slot * p;
        if (labelled)
            write({ Left, y, LabelWidth, slot }, points, Qt::AlignRight | Qt::AlignVCenter, shortened(pole.pole, 12));
        if (!pole.widestMm) {
            if (labelled)
                write({ BarLeft + 1, y, 10, slot }, points, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("-"));
            continue;
        }
        const bool poleMarked = poleWidths(pole).marked(m_options.lines);
        marked += poleMarked ? 1 : 0;
        m_painter.fillRect(
            rect(BarLeft, y + slot * 0.15, x(*pole.widestMm) - BarLeft, slot * 0.7), poleMarked ? MarkRed : BarBlue);
        if (labelled)
            write({ x(*pole.widestMm) + 1, y, 16, slot }, points, Qt::AlignLeft | Qt::AlignVCenter,
                fixedText(*pole.widestMm, 2));
    }
    m_painter.setPen(QPen(Qt::black, dots(0.3)));
    m_painter.drawLine(QPointF(dots(BarLeft), dots(top)), QPointF(dots(BarLeft), dots(bottom)));
    for (const ChartLine& line : lines) {
        m_painter.setPen(QPen(line.colour, dots(0.45), line.style));
        m_painter.drawLine(QPointF(dots(x(line.mm)), dots(top - 2)), QPointF(dots(x(line.mm)), dots(bottom)));
    }
    paintLegend(bottom + 6.5, marked);
}

void LedgerPainter::paintLegend(double top, int marked)
{
    double x = Left + 20;
    const auto swatch = [&](const QColor& colour, const QString& text) {
        m_painter.fillRect(rect(x, top + 1.5, 4, 3), colour);
        write({ x + 5, top, 34, 6 }, 8, Qt::AlignLeft | Qt::AlignVCenter, text);
        x += 34;
    };
    swatch(MarkRed, QStringLiteral("要注意の柱（%1 本）").arg(marked));
    swatch(BarBlue, QStringLiteral("判定線未満の柱"));
    for (const ChartLine& line : chartLines(m_options.lines)) {
        m_painter.setPen(QPen(line.colour, dots(0.45), line.style));
        m_painter.drawLine(QPointF(dots(x), dots(top + 3)), QPointF(dots(x + 6), dots(top + 3)));
        write({ x + 7, top, 25, 6 }, 8, Qt::AlignLeft | Qt::AlignVCenter,
            line.name + u' ' + fixedText(line.mm, 2) + QStringLiteral("mm"));
        x += 26;
    }
}

namespace {
const QList<double> ListWidths { 18, 24, 28, 20, 32, 14, 31, 13 };
} // namespace

void LedgerPainter::paintListHeading(double top)
{
    m_painter.fillRect(rect(Left, top, Right - Left, ListHeadingHeight), HeadingGrey);
    writeCells(top, ListHeadingHeight, ListWidths,
        { QStringLiteral("調査柱No"), QStringLiteral("電柱番号"), QStringLiteral("所在地・路線"),
            QStringLiteral("柱種"), QStringLiteral("最大 mm（方向）"), QStringLiteral("判定"),
            QStringLiteral("前回（日・最大）"), QStringLiteral("変化") },
        8);
}

void LedgerPainter::paintListLine(int poleIndex, double top)
{
    const LedgerPole& pole = m_day.poles[poleIndex];
    QString widest = pole.widestMm ? fixedText(*pole.widestMm, 2) : noWidthText(pole);
    const QString direction = widestDirection(pole);
    if (!direction.isEmpty())
        widest += QStringLiteral("（") + direction + QStringLiteral("）");
    const std::optional<PreviousInspection>& before = m_before[poleIndex];
    // Set beside the widest of the same direction then, which the cell names.
    const std::optional<PoleBefore> compared = before ? std::optional(poleBefore(pole, *before)) : std::nullopt;
    QString previous;
    if (compared) {
        QStringList parts { before->day.toString(QStringLiteral("yyyy/MM/dd")),
            crackDirectionName(compared->direction.direction),
            compared->beforeMm ? fixedText(*compared->beforeMm, 2) : QStringLiteral("-") };
        parts.removeAll(QString());
        previous = parts.join(u' ');
    }
    const QString judgement = poleJudgementShown(pole);
    writeCells(top, ListLineHeight, ListWidths,
        { pole.pole, pole.facts.plate, pole.facts.place, pole.facts.type, widest, judgement, previous,
            compared ? compared->change : QString() },
        8, { Qt::black, Qt::black, Qt::black, Qt::black, Qt::black, MarkRed });
}

} // namespace norvel
