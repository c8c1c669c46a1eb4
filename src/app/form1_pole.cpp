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
    const bool usable = isUsablePoleNumber(pole);
    // Refused before anything is written, so CurTyoNo always names a folder inside the day folder. At
    // shut-down the number is never put in force, and the results still go to the pole in force.
    if (!usable && !m_shuttingDown) {
        report(QStringLiteral("「%1」は調査柱No.として使えません。").arg(pole));
        return;
    }
    const RecoveryBatch batch(*this);
    if (Check1->isChecked() && MSFlexGrid2->rows() >= 1) {
        if (!writePoleResults())
            return;
        const QScopedValueRollback cause(m_clearCause, std::optional(RecordedChange::PoleChanged));
        Command3_Click(0);
    }
    if (!usable)
        return;
    m_state.CurTyoNo = pole;
    TyoNo->setTitle(QStringLiteral("調査柱No「") + pole + QStringLiteral("」"));
    saveRecovery();
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
    // Results restored from an earlier day belong in that day's folder.
    const QDate day = m_surveyDay.value_or(m_services.clock->now().date());
    QString error;
    if (makePoleFolder(day, &error)) {
        const QString path = resultFilePath(m_services.programFolder, day, m_state.CurTyoNo);
        if (!mayReplace(path))
            return false;
        if (writeResultFile(path, resultWidths(), &error)) {
            m_surveyDay.reset();
            return true;
        }
    }
    report(error + QStringLiteral("\n結果は一覧に残っています。"));
    return false;
}

} // namespace norvel
