#include "app/resultlistview.h"

#include "widgets/flexgrid.h"
#include "widgets/palettecolours.h"
#include "widgets/uifont.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>

namespace norvel {

namespace {

const QString StartCaption = QStringLiteral("測定値：");
const QString NothingFoundCaption = QStringLiteral("測定値：検出なし");

} // namespace

ResultListView::ResultListView(ResultList& list, QWidget* parent)
    : m_list(list)
    , MSFlexGrid2(new FlexGrid(parent))
{
    MSFlexGrid2->setObjectName(QStringLiteral("MSFlexGrid2"));
    MSFlexGrid2->setGeometry(8, 12, 81, 65);
    MSFlexGrid2->setFont(uiFont(9));
    MSFlexGrid2->setCols(2);
    MSFlexGrid2->setRows(0);
    MSFlexGrid2->setFixedRows(0);
    MSFlexGrid2->setFixedCols(1);
    MSFlexGrid2->setColWidthTwips(0, 300);
    MSFlexGrid2->setColWidthTwips(1, 600);
}

void ResultListView::attach(const Controls& controls)
{
    m_controls = controls;
    m_list.listen([this](const ResultChange& change) { show(change); });
}

void ResultListView::showRows()
{
    const QList<ResultRow>& rows = m_list.rows();
    MSFlexGrid2->setRows(int(rows.size()));
    for (int row = 0; row < rows.size(); ++row) {
        MSFlexGrid2->setTextMatrix(row, 0, rows[row].number);
        MSFlexGrid2->setTextMatrix(row, 1, rows[row].width);
    }
}

void ResultListView::show(const ResultChange& change)
{
    showRows();
    // A clear takes the row the analysis found nothing on, or the rows before it: the word no longer holds.
    const bool clear = change.cause == ResultCause::ClearOne || change.cause == ResultCause::ClearAll
        || change.cause == ResultCause::ClearAfterCopy;
    if (clear && m_controls.measured->title() == NothingFoundCaption)
        m_controls.measured->setTitle(StartCaption);
    switch (change.cause) {
    case ResultCause::TakeIn:
        if (change.width.isEmpty()) {
            clearShownWidth(); // a shot without a width must not show the last one's
            break;
        }
        [[fallthrough]];
    case ResultCause::Analysis:
        enableCopy(true);
        showWidth(change.width, QApplication::palette(m_controls.correction).color(QPalette::Base));
        m_controls.measured->setTitle(correctedCaption(change.width));
        if (m_list.count() > 4)
            MSFlexGrid2->setTopRow(m_list.count() - 1);
        SodDt();
        break;
    case ResultCause::DraggedLine:
        // The menu's items follow only the analysis and the clears.
        showWidth(change.width, palette::brightGreen());
        m_controls.measured->setTitle(correctedCaption(change.width));
        break;
    case ResultCause::Typed:
        m_controls.measured->setTitle(correctedCaption(change.width));
        break;
    case ResultCause::ClearOne:
        SodDt(); // the copy buttons keep their state
        break;
    case ResultCause::ClearAll:
    case ResultCause::ClearAfterCopy:
        enableCopy(false);
        SodDt();
        break;
    case ResultCause::PoleChange:
        if (!change.removed.isEmpty()) {
            enableCopy(false);
            SodDt();
        }
        clearShownWidth(); // another pole must not show the last one's width
        break;
    case ResultCause::Resume:
    case ResultCause::Undo:
        enableCopy(true);
        SodDt();
        break;
    case ResultCause::Restore:
        enableCopy(m_list.count() > 0);
        SodDt();
        break;
    case ResultCause::Restart:
        break;
    }
}

void ResultListView::SodDt()
{
    MSFlexGrid2->setCol(1);
    if (m_list.count() == 0) {
        m_controls.recent[0]->setText(QString());
        for (std::size_t i = 1; i < m_controls.recent.size(); ++i)
            m_controls.recent[i]->setVisible(false);
        return;
    }
    const RecentResults recent = recentResults(m_list.widths());
    for (int i = 0; i < recent.captions.size(); ++i) {
        MSFlexGrid2->setRow(recent.firstRow + i);
        m_controls.recent[static_cast<std::size_t>(i)]->setVisible(true);
        m_controls.recent[static_cast<std::size_t>(i)]->setText(recent.captions[i]);
    }
}

void ResultListView::showWidth(const QString& width, const QColor& background)
{
    {
        // Shown from the list, it is no correction typed.
        const QSignalBlocker quiet(m_controls.correction);
        m_controls.correction->setText(width);
    }
    setCorrectionBackground(background);
}

void ResultListView::clearShownWidth()
{
    {
        const QSignalBlocker quiet(m_controls.correction);
        m_controls.correction->clear();
    }
    setCorrectionBackground(QApplication::palette(m_controls.correction).color(QPalette::Base));
    m_controls.measured->setTitle(StartCaption);
}

void ResultListView::showNothingFound()
{
    m_controls.measured->setTitle(NothingFoundCaption);
}

void ResultListView::setCorrectionBackground(const QColor& color)
{
    QPalette colours = m_controls.correction->palette();
    colours.setColor(QPalette::Base, color);
    m_controls.correction->setPalette(colours);
}

void ResultListView::enableCopy(bool enabled)
{
    for (QPushButton* button : m_controls.copy)
        button->setEnabled(enabled);
}

} // namespace norvel
