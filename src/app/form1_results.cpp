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
    saveRecovery();
    if (before > 0) {
        if (Index == 0) {
            const RecordedChange cause = m_clearCause.value_or(RecordedChange::AllCleared);
            // A pole change names the pole entered; the entry itself names the pole left.
            const QString entered = cause == RecordedChange::PoleChanged ? Text4->text() : QString();
            recordMeasurement(measurementEntry(cause), 0, entered);
        } else
            recordMeasurement(measurementEntry(RecordedChange::RowCleared), before, QString());
    }
    // The next first row starts the list's day anew.
    if (MSFlexGrid2->rows() == 0) {
        m_surveyDay.reset();
        m_resumedFile.reset();
    }
}

void Form1::Command4_Click(int Index)
{
    m_services.clipboard->clear();
    MSFlexGrid2->setCol(1);
    m_services.clipboard->setText(
        copyText(resultWidths(), Index == 0 ? CopyLayout::OnePerLine : CopyLayout::TabSeparated));
    if (copC->isChecked()) {
        const QScopedValueRollback cause(m_clearCause, std::optional(RecordedChange::CopiedAndCleared));
        Command3_Click(0);
    }
}

void Form1::Text3_Change()
{
    // What put this text here: an analysis or a dragged line, or else the user typing.
    std::optional<MeasurementEntry> measured = std::exchange(m_measuredEntry, std::nullopt);
    if (MSFlexGrid2->rows() < 1)
        return;
    const int last = MSFlexGrid2->rows() - 1;
    MSFlexGrid2->setRow(last);
    MSFlexGrid2->setCol(1);
    MSFlexGrid2->setText(Text3->text());
    soku->setTitle(correctedCaption(Text3->text()));
    saveRecovery();
    // A take-in records its row once, after its analysis.
    if (m_takingIn)
        return;
    if (measured) {
        recordMeasurement(*measured, last + 1, Text3->text());
        return;
    }
    // The list follows every keystroke; the record gets one line for the figure typed, once it has settled.
    m_typedLine = TypedLine { measurementEntry(RecordedChange::TypedCorrection), last + 1, Text3->text() };
    m_typingSettles->start();
}

void Form1::settleTyping()
{
    m_typingSettles->stop();
    if (std::optional<TypedLine> typed = std::exchange(m_typedLine, std::nullopt))
        recordMeasurement(typed->entry, typed->row, typed->result);
}

} // namespace norvel
