#include "app/form1.h"

#include "core/numbers.h"
#include "results/polenumber.h"
#include "widgets/flexgrid.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>

// The survey pole number and the pole's result file.
namespace norvel {

void Form1::Label4_Click(int Index)
{
    // Setting the text runs the pole change; a text the step leaves as it is changes nothing.
    Text4->setText(steppedPoleNumber(Text4->text(), 2 * Index - 1));
}

void Form1::Text4_Change()
{
    const QString pole = Text4->text();
    const QString problem = poleNumberProblem(pole);
    const bool usable = problem.isEmpty();
    // Refused before anything is written, so CurTyoNo always names a folder inside the day folder. At
    // shut-down the number is never put in force, and the results still go to the pole in force.
    if (!usable && m_phase != Phase::ShuttingDown) {
        showPoleInForce();
        report(QStringLiteral("「%1」は調査柱No.として使えません。%2").arg(pole, problem));
        return;
    }
    const RecoveryKeeper::Batch batch(m_recovery);
    if (!leavePole() || !usable)
        return;
    m_state.CurTyoNo = pole;
    showPoleCaption();
    clearShownWidth();
    resumePole();
    m_recovery.changed();
}

// The results of the pole in force go to its file and leave the list; false when they could not be written.
bool Form1::leavePole()
{
    if (!Check1->isChecked() || MSFlexGrid2->rows() == 0)
        return true;
    if (!writePoleResults()) {
        // The old pole stays in force: the box must not name another one.
        if (m_phase != Phase::ShuttingDown)
            showPoleInForce();
        return false;
    }
    const MeasurementLog::Scope cause
        = m_log.clearedBy(m_phase == Phase::ShuttingDown ? RecordedChange::ShutDown : RecordedChange::PoleChanged);
    Command3_Click(0);
    return true;
}

// A pole measured earlier today keeps its rows: they come back into the list, the next shot continues their
// numbering, and the file written at the next change holds them all.
void Form1::resumePole()
{
    // At shut-down the list has just been written: it is not read back.
    if (!Check1->isChecked() || MSFlexGrid2->rows() > 0 || m_phase == Phase::ShuttingDown)
        return;
    const std::optional<QStringList> widths = m_poleResults.resume(m_state.CurTyoNo);
    if (!widths)
        return;
    MSFlexGrid2->setRows(int(widths->size()));
    for (int row = 0; row < widths->size(); ++row) {
        MSFlexGrid2->setTextMatrix(row, 0, QString::number(row + 1));
        MSFlexGrid2->setTextMatrix(row, 1, widths->at(row));
    }
    for (QPushButton* button : Command4)
        button->setEnabled(true);
    SodDt();
    m_recovery.changed();
    recordMeasurement(measurementEntry(RecordedChange::PoleResumed), MSFlexGrid2->rows(), QString());
}

void Form1::showPoleInForce()
{
    // Only a text that differs is set: setting it would move the caret of a box being typed in.
    if (Text4->text() != m_state.CurTyoNo) {
        const QSignalBlocker quiet(Text4);
        Text4->setText(m_state.CurTyoNo);
    }
}

void Form1::showPoleCaption()
{
    TyoNo->setTitle(QStringLiteral("調査柱No「") + m_state.CurTyoNo + QStringLiteral("」"));
}

QDate Form1::listDay() const
{
    return m_poleResults.listDay();
}

PoleResults::OverwriteCheck Form1::overwriteCheck() const
{
    return { Check4->isChecked(), leadingNumber(Text5->text()) };
}

bool Form1::writePoleResults()
{
    return m_poleResults.write(m_state.CurTyoNo, resultWidths(), overwriteCheck());
}

} // namespace norvel
