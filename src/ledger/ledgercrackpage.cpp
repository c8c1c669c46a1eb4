#include "ledger/ledgerday.h"
#include "ledger/ledgerlayout.h"
#include "ledger/ledgerpainter.h"
#include "ledger/ledgerplan.h"
#include "ledger/ledgersummary.h"
#include "ledger/ledgerthumbnails.h"

#include "core/numbers.h"

#include <QPainter>

// The pages of three cracks: each pole's heading, then its cracks, a photo with its facts beside it, or a line for a
// row without a picture.
namespace norvel {

using namespace ledgerpage;
using namespace ledgertext;

namespace {

constexpr double FactsLeft = Left + PhotoWidth + 3;
constexpr double FactsNameWidth = 19;
constexpr int FactsLines = 13;

QString heightAndFace(const CrackFacts& facts)
{
    const QString height = facts.heightM ? fixedText(*facts.heightM, 2) + QStringLiteral(" m") : QStringLiteral("-");
    return height + QStringLiteral(" / ") + dash(facts.face);
}

QString shotText(const LedgerRow& row)
{
    if (!row.shotTime.isValid())
        return QStringLiteral("-");
    return row.shotTime.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))
        + (row.shotFromCamera ? QString() : QStringLiteral("（取込）"));
}

} // namespace

QString LedgerPainter::previousText(int pole, const LedgerRow* row) const
{
    const std::optional<PreviousInspection>& before = m_before[pole];
    // A crack beside the same crack then, by its number; the pole's widest beside the widest of its direction then.
    if (row)
        return crackBeforeText(crackBefore(*row, before));
    if (!before)
        return QStringLiteral("-");
    return before->day.toString(QStringLiteral("yyyy/MM/dd")) + u' '
        + poleBeforeText(poleBefore(m_day.poles[pole], *before));
}

void LedgerPainter::paintItems(const QList<LedgerItem>& items, ThumbnailQueue& thumbnails)
{
    for (const LedgerItem& item : items) {
        switch (item.kind) {
        case LedgerItemKind::ListHeading:
            paintListHeading(item.top);
            break;
        case LedgerItemKind::ListLine:
            paintListLine(item.index, item.top);
            break;
        case LedgerItemKind::ProblemHeading:
            write({ Left, item.top, Right - Left, ProblemHeadingHeight }, 12, Qt::AlignLeft | Qt::AlignVCenter,
                QStringLiteral("読めなかったファイル（表紙の続き）"));
            break;
        case LedgerItemKind::ProblemLine:
            paintProblemLine(item.index, item.top);
            break;
        case LedgerItemKind::PoleHeading:
            paintPoleHeading(item.index, item.top);
            break;
        case LedgerItemKind::Crack:
            paintCrack(item, thumbnails.take());
            break;
        case LedgerItemKind::RowLine:
            paintRowLine(item);
            break;
        case LedgerItemKind::TableHeading:
            paintTableHeading(item.top);
            break;
        case LedgerItemKind::TableLine:
            paintTableLine(item);
            break;
        case LedgerItemKind::PhotoPair:
            paintPhoto(item.index, item.row, item.top, 0, thumbnails.take());
            if (item.second >= 0)
                paintPhoto(item.index, item.second, item.top, 1, thumbnails.take());
            break;
        }
    }
}

void LedgerPainter::paintProblemLine(int problem, double top)
{
    write({ Left, top, Right - Left, ProblemLineHeight }, 9, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
        QStringLiteral("・") + problemLine(m_day.problems[problem]), MarkRed);
    if (problem == m_day.problems.size() - 1 && m_day.unlistedProblems > 0)
        writeLine({ Left + 100, top + ProblemLineHeight - 4, Right - Left - 100, 4 }, 8,
            QStringLiteral("ほか %1 件（多すぎるため名前を載せていません）").arg(m_day.unlistedProblems), MarkRed);
}

void LedgerPainter::paintPoleHeading(int poleIndex, double top)
{
    const LedgerPole& pole = m_day.poles[poleIndex];
    m_painter.fillRect(rect(Left, top, Right - Left, PoleHeadingHeight - 1), HeadingGrey);
    QString title = poleTitle(pole.pole);
    const PoleFacts& facts = pole.facts;
    for (const auto& [name, value] : { std::pair { QStringLiteral("電柱番号"), facts.plate },
             std::pair { QStringLiteral("所在地・路線"), facts.place },
             std::pair { QStringLiteral("柱種"), facts.type } }) {
        if (!value.isEmpty())
            title += QStringLiteral("　") + name + u' ' + value;
    }
    writeWhole({ Left + 2, top, Right - Left - 4, 5.5 }, 11, title);
    QString widest = pole.widestMm ? millimetres(pole.widestMm) : noWidthText(pole);
    if (const QString direction = widestDirection(pole); !direction.isEmpty())
        widest += QStringLiteral("（") + direction + QStringLiteral("）");
    const QString judgement = poleJudgementShown(pole);
    QString line = QStringLiteral("行数 %1　最大 %2　判定 %3　前回 %4")
                       .arg(pole.rows.size())
                       .arg(widest, dash(judgement), previousText(poleIndex, nullptr));
    const std::optional<PreviousInspection>& before = m_before[poleIndex];
    if (const QString change = before ? poleBefore(pole, *before).change : QString(); !change.isEmpty())
        line += QStringLiteral("（変化 ") + change + QStringLiteral("）");
    if (!facts.remarks.isEmpty())
        line += QStringLiteral("　備考 ") + facts.remarks;
    if (!pole.error.isEmpty())
        line = QStringLiteral("結果ファイルを読めません: ") + pole.error;
    writeLine({ Left + 2, top + 5, Right - Left - 4, 5 }, 8.5, line, pole.error.isEmpty() ? Qt::black : MarkRed);
}

void LedgerPainter::paintCrack(const LedgerItem& item, const Thumbnail& thumbnail)
{
    const LedgerPole& pole = m_day.poles[item.index];
    const LedgerRow& row = pole.rows[item.row];
    const QSize size = row.pictureSize.isValid() ? row.pictureSize : thumbnail.image.size();
    paintPicture(ledgerCrackPhotoRect(item.top, size), pole, row, thumbnail, true);
    paintCrackFacts(pole, row, item.index, item.top);
}

void LedgerPainter::paintCrackFacts(const LedgerPole& pole, const LedgerRow& row, int poleIndex, double top)
{
    const QString judgement = dash(judgementShown(row));
    const std::array<std::pair<QString, QString>, FactsLines> facts { std::pair {
                                                                          QStringLiteral("調査柱No"), dash(pole.pole) },
        std::pair { QStringLiteral("電柱番号"), dash(pole.facts.plate) },
        // The crack's number, kept from one inspection to the next, and the row that measured it today.
        std::pair { QStringLiteral("ひび割れNo（行）"),
            QStringLiteral("%1（%2）").arg(row.facts.number.value_or(row.row)).arg(row.row) },
        std::pair { QStringLiteral("撮影日時"), shotText(row) }, std::pair { QStringLiteral("幅"), widthWithHow(row) },
        std::pair { QStringLiteral("方向"), directionText(judgedDirection(row)) },
        std::pair { QStringLiteral("地上高 / 面"), heightAndFace(row.facts) },
        std::pair { QStringLiteral("錆汁"), dash(rustText(row.facts.rust)) },
        std::pair { QStringLiteral("判定"), judgement },
        std::pair { QStringLiteral("前回"), previousText(poleIndex, &row) },
        std::pair { QStringLiteral("備考"), dash(row.facts.remarks) },
        std::pair { QStringLiteral("写真No"), QStringLiteral("%1（%2）").arg(++m_photos).arg(dash(row.pictureName)) },
        std::pair { QStringLiteral("原画像"), dash(row.originalName) } };
    const double lineHeight = PhotoHeight / FactsLines;
    const double width = Right - FactsLeft;
    for (std::size_t i = 0; i < facts.size(); ++i) {
        const double y = top + lineHeight * static_cast<double>(i);
        m_painter.fillRect(rect(FactsLeft, y, FactsNameWidth, lineHeight), HeadingGrey);
        m_painter.setPen(QPen(Qt::black, dots(0.15)));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(rect(FactsLeft, y, width, lineHeight));
        writeLine({ FactsLeft + 1, y, FactsNameWidth - 1.5, lineHeight }, 6.5, facts[i].first);
        const bool red = facts[i].first == QStringLiteral("判定") && judgement != QStringLiteral("-");
        writeWhole({ FactsLeft + FactsNameWidth + 1.2, y, width - FactsNameWidth - 2.4, lineHeight }, 8,
            facts[i].second, red ? MarkRed : QColor(Qt::black));
    }
}

void LedgerPainter::paintRowLine(const LedgerItem& item)
{
    const LedgerPole& pole = m_day.poles[item.index];
    const LedgerRow& row = pole.rows[item.row];
    const QString judgement = dash(judgementShown(row));
    writeCells(item.top, RowLineHeight, { 14, 36, 26, 34, 14, 18, 38 },
        { QStringLiteral("行 %1").arg(row.row), widthWithHow(row),
            QStringLiteral("方向 ") + directionText(judgedDirection(row)), heightAndFace(row.facts),
            QStringLiteral("錆汁 ") + dash(rustText(row.facts.rust)), judgement,
            row.facts.remarks.isEmpty() ? QStringLiteral("写真なし") : row.facts.remarks },
        8,
        { Qt::black, Qt::black, Qt::black, Qt::black, Qt::black,
            judgement == QStringLiteral("-") ? Qt::black : MarkRed });
}

} // namespace norvel
