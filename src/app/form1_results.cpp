#include "app/form1.h"

#include "results/resultlist.h"
#include "widgets/flexgrid.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTimer>

// The result list of the current pole: the measured-values menu, clearing, copying and correcting.
namespace norvel {

QStringList Form1::resultWidths() const
{
    QStringList widths;
    for (int row = 0; row < MSFlexGrid2->rows(); ++row)
        widths << MSFlexGrid2->textMatrix(row, 1);
    return widths;
}

void Form1::SodDt()
{
    MSFlexGrid2->setCol(1);
    if (MSFlexGrid2->rows() == 0) {
        sokuDD[0]->setText(QString());
        for (int i = 1; i < 6; ++i)
            sokuDD[i]->setVisible(false);
        return;
    }
    // Items past the listed ones keep their captions: only an empty list blanks them.
    const RecentResults recent = recentResults(resultWidths());
    for (int i = 0; i < recent.captions.size(); ++i) {
        MSFlexGrid2->setRow(recent.firstRow + i);
        sokuDD[i]->setVisible(true);
        sokuDD[i]->setText(recent.captions[i]);
    }
}

void Form1::Command3_Click(int Index)
{
    const int before = MSFlexGrid2->rows();
    if (Index == 0) {
        for (QPushButton* button : Command4)
            button->setEnabled(false);
        MSFlexGrid2->setRows(0);
    } else if (MSFlexGrid2->rows() >= 1) {
        MSFlexGrid2->setRows(MSFlexGrid2->rows() - 1);
    }
    SodDt();
    m_recovery.changed();
    if (before > 0) {
        if (Index == 0) {
            const RecordedChange cause = m_log.clearCause();
            // A pole change names the pole entered; the entry itself names the pole left.
            const QString entered = cause == RecordedChange::PoleChanged ? Text4->text() : QString();
            recordMeasurement(measurementEntry(cause), 0, entered);
        } else
            recordMeasurement(measurementEntry(RecordedChange::RowCleared), before, QString());
    }
    // The next first row starts the list's day anew.
    if (MSFlexGrid2->rows() == 0) {
        m_poleResults.endList();
    }
}

void Form1::Command4_Click(int Index)
{
    m_services.clipboard->clear();
    MSFlexGrid2->setCol(1);
    m_services.clipboard->setText(
        copyText(resultWidths(), Index == 0 ? CopyLayout::OnePerLine : CopyLayout::TabSeparated));
    if (m_choices.clearAfterCopy) {
        const MeasurementLog::Scope cause = m_log.clearedBy(RecordedChange::CopiedAndCleared);
        Command3_Click(0);
    }
}

void Form1::Text3_Change()
{
    if (MSFlexGrid2->rows() < 1) {
        m_log.widthChanged(0, {}, {});
        return;
    }
    const int last = MSFlexGrid2->rows() - 1;
    MSFlexGrid2->setRow(last);
    MSFlexGrid2->setCol(1);
    MSFlexGrid2->setText(Text3->text());
    soku->setTitle(correctedCaption(Text3->text()));
    m_recovery.changed();
    // What put this text here: an analysis or a dragged line, a take-in, or else the user typing.
    m_log.widthChanged(last + 1, Text3->text(), measurementEntry(RecordedChange::TypedCorrection));
}

} // namespace norvel
