#include "app/form1.h"

#include "platform/flexgrid.h"
#include "platform/numbers.h"
#include "results/polenumber.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QScopedValueRollback>
#include <QSignalBlocker>

// The survey pole number and the pole's result file.
namespace norvel {

namespace {
const QString OverwriteQuestion = QStringLiteral("同一ファイルがあります。上書きしますか？");
}

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
    if (!usable && !m_shuttingDown) {
        showPoleInForce();
        report(QStringLiteral("「%1」は調査柱No.として使えません。%2").arg(pole, problem));
        return;
    }
    const RecoveryBatch batch(*this);
    if (Check1->isChecked() && MSFlexGrid2->rows() >= 1) {
        if (!writePoleResults()) {
            // The old pole stays in force: the box must not name another one.
            if (!m_shuttingDown)
                showPoleInForce();
            return;
        }
        const QScopedValueRollback cause(m_clearCause, std::optional(RecordedChange::PoleChanged));
        Command3_Click(0);
    }
    if (!usable)
        return;
    m_state.CurTyoNo = pole;
    TyoNo->setTitle(QStringLiteral("調査柱No「") + pole + QStringLiteral("」"));
    saveRecovery();
}

void Form1::showPoleInForce()
{
    const QSignalBlocker quiet(Text4);
    Text4->setText(m_state.CurTyoNo);
}

QDate Form1::listDay() const
{
    return m_surveyDay.value_or(m_services.clock->now().date());
}

std::optional<QString> Form1::makePoleFolder(const QDate& day, QString* error)
{
    const QString folder = poleFolderPath(m_services.programFolder, day, m_state.CurTyoNo);
    if (QDir().mkpath(folder))
        return folder;
    *error = QStringLiteral("フォルダ「%1」を作成できませんでした。").arg(QDir::toNativeSeparators(folder));
    return std::nullopt;
}

bool Form1::replacesWithoutAsking(const QString& path) const
{
    const QFileInfo existing(path);
    if (!Check4->isChecked() || !existing.isFile())
        return true;
    const double age = fileAgeSeconds(existing.lastModified(), m_services.clock->now());
    return age <= leadingNumber(Text5->text());
}

bool Form1::mayReplace(const QString& path)
{
    return replacesWithoutAsking(path) || ask(OverwriteQuestion);
}

bool Form1::writePoleResults()
{
    // A pole's list belongs to the day of its first row, across midnight or a restart on a later day.
    const QDate day = listDay();
    QString error;
    if (makePoleFolder(day, &error)) {
        const QString path = resultFilePath(m_services.programFolder, day, m_state.CurTyoNo);
        if (!mayReplace(path))
            return false;
        if (writeResultFile(path, resultWidths(), &error))
            return true;
    }
    report(error + QStringLiteral("\n結果は一覧に残っています。"));
    return false;
}

} // namespace norvel
