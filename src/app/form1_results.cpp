#include "app/form1.h"

#include <QAction>
#include <QLineEdit>

// The result list of the current pole: the measured-values menu, clearing, copying, correcting and undoing.
namespace norvel {

void Form1::SodDt()
{
    m_listView->SodDt();
}

void Form1::Command3_Click(int Index)
{
    if (Index == 0)
        static_cast<void>(m_clearing.clearAll(ResultCause::ClearAll, measurementEntry(RecordedChange::AllCleared)));
    else
        static_cast<void>(m_clearing.clearLast(measurementEntry(RecordedChange::RowSetAside)));
    updateActions();
}

void Form1::Command4_Click(int Index)
{
    m_services.clipboard->clear();
    m_services.clipboard->setText(
        copyText(m_list.widths(), Index == 0 ? CopyLayout::OnePerLine : CopyLayout::TabSeparated));
    if (m_choices.clearAfterCopy) {
        static_cast<void>(
            m_clearing.clearAll(ResultCause::ClearAfterCopy, measurementEntry(RecordedChange::CopiedAndCleared)));
        updateActions();
    }
}

void Form1::Text3_Change()
{
    // Typed into the box, the text corrects the last row as it stands; with no row there is nothing to correct.
    static_cast<void>(
        m_list.setByHand(Text3->text(), WidthSource::Typed, measurementEntry(RecordedChange::TypedCorrection)));
}

void Form1::Undo_Click()
{
    static_cast<void>(m_clearing.undo(measurementEntry(RecordedChange::Undone)));
    updateActions();
}

} // namespace norvel
