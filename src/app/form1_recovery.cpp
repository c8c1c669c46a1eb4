#include "app/form1.h"

#include "widgets/flexgrid.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

// The result list and the pole in hand as the recovery record holds them, and brought back from it.
namespace norvel {

RecoveryRecord Form1::recoveryRecord() const
{
    RecoveryRecord record;
    record.pole = m_state.CurTyoNo;
    record.poleText = Text4->text();
    record.day = listDay();
    for (int row = 0; row < MSFlexGrid2->rows(); ++row)
        record.rows.append({ MSFlexGrid2->textMatrix(row, 0), MSFlexGrid2->textMatrix(row, 1) });
    return record;
}

void Form1::restoreRecovery(const RecoveryRecord& record)
{
    restoreRows(record);
    // The pending shot is settled: the record on disk says so from now on.
    m_recovery.write();
    if (record.rows.isEmpty())
        return;
    QString text = QStringLiteral("前回、終了処理を経ずに終わったため、調査柱No「%1」の測定結果 %2 件を復元しました。")
                       .arg(record.pole)
                       .arg(record.rows.size());
    // A list from an earlier day goes to that day's folder, where its pictures are; today starts empty.
    if (Check1->isChecked() && listDay() < m_services.clock->now().date()) {
        const QString day = listDay().toString(QStringLiteral("yyyy/MM/dd"));
        const RecoveryKeeper::Batch batch(m_recovery);
        if (writePoleResults()) {
            const MeasurementLog::Scope cause = m_log.clearedBy(RecordedChange::PoleChanged);
            Command3_Click(0);
            text += QStringLiteral("\n%1 の結果ファイルに書き込みました。").arg(day);
        } else {
            text += QStringLiteral("\n%1 の結果として一覧に残しています。").arg(day);
        }
    }
    notify(text);
}

void Form1::restoreRows(const RecoveryRecord& record)
{
    m_state.CurTyoNo = record.pole;
    {
        // The text as it stood, without running a pole change.
        const QSignalBlocker quiet(Text4);
        Text4->setText(record.poleText);
    }
    showPoleCaption();
    MSFlexGrid2->setRows(int(record.rows.size()));
    for (int row = 0; row < record.rows.size(); ++row) {
        MSFlexGrid2->setTextMatrix(row, 0, record.rows[row].number);
        MSFlexGrid2->setTextMatrix(row, 1, record.rows[row].width);
    }
    for (QPushButton* button : Command4)
        button->setEnabled(!record.rows.isEmpty());
    if (!record.rows.isEmpty() && record.day.isValid())
        m_poleResults.startList(record.day);
    SodDt();
}

} // namespace norvel
