#include "app/form1.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSignalBlocker>

// The result list and the pole in hand brought back from the recovery record.
namespace norvel {

void Form1::restoreRecovery(const RecoveryRecord& record)
{
    {
        // The text as it stood, without running a pole change.
        const QSignalBlocker quiet(Text4);
        Text4->setText(record.poleText);
    }
    m_list.restore(record.pole, record.day, record.rows);
    showPoleCaption();
    // The pending shot is settled: the record on disk says so from now on.
    m_recovery.write();
    if (record.rows.isEmpty())
        return;
    QString text = QStringLiteral("前回、終了処理を経ずに終わったため、調査柱No「%1」の測定結果 %2 件を復元しました。")
                       .arg(record.pole)
                       .arg(record.rows.size());
    // A list from an earlier day goes to that day's folder, where its pictures are; today starts empty.
    const QDate day = m_list.day();
    if (Check1->isChecked() && day < m_services.clock->now().date()) {
        const QString dayText = day.toString(QStringLiteral("yyyy/MM/dd"));
        const RecoveryKeeper::Batch batch(m_recovery);
        if (m_poleResults.settle()) {
            m_list.changePole(m_list.pole(), false, measurementEntry(RecordedChange::PoleChanged));
            text += QStringLiteral("\n%1 の結果ファイルに書き込みました。").arg(dayText);
        } else {
            text += QStringLiteral("\n%1 の結果として一覧に残しています。").arg(dayText);
        }
    }
    notify(text);
}

} // namespace norvel
