#include "app/form1.h"

#include "core/numbers.h"
#include "results/polenumber.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
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
    // Refused before anything is written, so the pole in force always names a folder inside the day folder. At
    // shut-down the number is never put in force, and the results still go to the pole in force.
    if (!usable && m_phase != Phase::ShuttingDown) {
        showPoleInForce();
        report(QStringLiteral("「%1」は調査柱No.として使えません。%2").arg(pole, problem));
        return;
    }
    const RecoveryKeeper::Batch batch(m_recovery);
    // The pole's rows are in its file before the list moves on; declined or failed, the old pole stays in force.
    if (!m_poleResults.settle()) {
        if (m_phase != Phase::ShuttingDown)
            showPoleInForce();
        return;
    }
    if (m_phase == Phase::ShuttingDown) {
        if (Check1->isChecked() && m_list.count() > 0)
            m_log.record(measurementEntry(RecordedChange::ShutDown), m_list.pole(), m_list.day(), 0, QString());
        return;
    }
    // Without automatic saving the rows stay, and belong to the new pole.
    m_list.changePole(pole, !Check1->isChecked(), measurementEntry(RecordedChange::PoleChanged));
    showPoleCaption();
    resumePole();
    m_recovery.changed(); // the box's text, also where the list stayed as it was
    updateActions();
}

// A pole measured earlier today keeps its rows: they come back into the list, the next shot continues their
// numbering, and every later change rewrites the file with them all.
void Form1::resumePole()
{
    if (!Check1->isChecked() || m_list.count() > 0)
        return;
    if (const std::optional<QList<ResultRow>> rows = m_poleResults.resume(m_list.pole()))
        m_list.resume(*rows, measurementEntry(RecordedChange::PoleResumed));
}

void Form1::showPoleInForce()
{
    // Only a text that differs is set: setting it would move the caret of a box being typed in.
    if (Text4->text() != m_list.pole()) {
        const QSignalBlocker quiet(Text4);
        Text4->setText(m_list.pole());
    }
}

void Form1::showPoleCaption()
{
    TyoNo->setTitle(QStringLiteral("調査柱No「") + m_list.pole() + QStringLiteral("」"));
}

bool Form1::autoSave() const
{
    return Check1->isChecked();
}

QString Form1::poleText() const
{
    return Text4->text();
}

PoleResults::OverwriteCheck Form1::overwriteCheck() const
{
    return { Check4->isChecked(), leadingNumber(Text5->text()) };
}

} // namespace norvel
