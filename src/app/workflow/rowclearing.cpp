#include "app/workflow/rowclearing.h"

#include "acquisition/originalcopy.h"
#include "app/workflow/poleresults.h"
#include "core/dayfolder.h"
#include "files/durablefolder.h"
#include "files/filemove.h"
#include "files/folderlisting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace norvel {

namespace {

bool moveFile(const QString& from, const QString& to, QString* reason)
{
    return moveFileDurably(QFile::encodeName(from), QFile::encodeName(to), reason);
}

bool isFile(const QString& path)
{
    return followedPathType(QFile::encodeName(path)).type == EntryType::Regular;
}

} // namespace

RowClearing::RowClearing(
    const Services& services, ResultList& list, PoleResults& results, std::function<void()> finishFiling)
    : m_services(services)
    , m_list(list)
    , m_results(results)
    , m_finishFiling(std::move(finishFiling))
{
}

// The rows from firstRow on, their pictures moved into 取消: all of them, or none (said).
std::optional<RowClearing::Cleared> RowClearing::setAside(int firstRow)
{
    m_finishFiling();
    Cleared cleared { m_list.pole(), m_list.day(), firstRow, m_list.rows().mid(firstRow - 1), {}, {} };
    const QString poleFolder = poleFolderPath(m_services.programFolder, cleared.day, cleared.pole);
    const QString originals = poleFolder + QLatin1Char('/') + OriginalsFolderName;
    const QString aside = poleFolder + QLatin1Char('/') + ClearedFolderName;
    // The name, not only the row, ties a picture to its row: one left behind would pass for the next row's.
    QList<MovedFile> wanted;
    for (int i = 0; i < cleared.rows.size(); ++i) {
        const int row = firstRow + i;
        const QString picture = poleFolder + QLatin1Char('/') + filedPictureFileName(cleared.pole, row);
        if (isFile(picture))
            wanted.append({ picture, aside });
        const QString original = cleared.rows[i].original.isEmpty() ? keptOriginalName(poleFolder, cleared.pole, row)
                                                                    : cleared.rows[i].original;
        if (!original.isEmpty() && isFile(originals + QLatin1Char('/') + original))
            wanted.append({ originals + QLatin1Char('/') + original, aside + QLatin1Char('/') + OriginalsFolderName });
    }
    QString reason;
    for (const MovedFile& file : wanted) {
        const QString folder = file.to;
        bool moved = makeFolderDurably(folder, &reason);
        const QString name = freeFileName(QFileInfo(file.from).fileName(), [&folder](const QString& taken) {
            return nameExists(QFile::encodeName(folder + QLatin1Char('/') + taken));
        });
        const QString to = folder + QLatin1Char('/') + name;
        if (moved)
            moved = moveFile(file.from, to, &reason);
        if (!moved) {
            // Back where they were: the rows stay, and so do all their pictures.
            for (const MovedFile& done : cleared.moved) {
                QString ignored;
                static_cast<void>(moveFile(done.to, done.from, &ignored));
            }
            report(QStringLiteral("調査柱No「%1」の写真を「%2」に移せなかったため、クリアしていません。\n%3")
                       .arg(cleared.pole, ClearedFolderName, reason));
            return std::nullopt;
        }
        cleared.moved.append({ file.from, to });
    }
    return cleared;
}

void RowClearing::clearFacts(Cleared& cleared)
{
    const QString dayFolder = dayFolderPath(m_services.programFolder, cleared.day);
    QString error;
    const InspectionFacts facts = readInspectionFactsOf(dayFolder, &error);
    const QString kept = QStringLiteral("\nクリアした行のひび割れ情報は、同じ番号の次の行に残っています。");
    if (!error.isEmpty()) {
        report(error + kept);
        return;
    }
    for (int i = 0; i < cleared.rows.size(); ++i) {
        const int row = cleared.firstRow + i;
        const CrackFacts old = facts.crack(cleared.pole, row);
        if (old == CrackFacts {})
            continue;
        if (!appendInspectionFacts(
                dayFolder, crackFactsLine(m_services.clock->now(), cleared.pole, row, CrackFacts {}), &error)) {
            report(error + kept);
            return;
        }
        cleared.facts.append({ row, old });
    }
}

bool RowClearing::clearLast(const MeasurementEntry& entry)
{
    if (m_list.count() == 0) {
        m_list.clearLast(entry); // harmless: the list is told, and shows itself again
        return true;
    }
    std::optional<Cleared> cleared = setAside(m_list.count());
    if (!cleared)
        return false;
    clearFacts(*cleared);
    m_list.clearLast(entry);
    m_last = std::move(cleared);
    return true;
}

bool RowClearing::clearAll(ResultCause cause, const MeasurementEntry& entry)
{
    if (m_list.count() == 0) {
        m_list.clearAll(cause, entry);
        return true;
    }
    if (m_results.rowsInFile(m_list.pole(), m_list.day()) > 0
        && !m_services.question->askOkCancel(QStringLiteral(
            "調査柱No「%1」の測定結果 %2 件をすべてクリアしますか？\n"
            "結果ファイルからも除き、写真は「%3」フォルダに移します（「編集」→「元に戻す」で戻せます）。")
                                                 .arg(m_list.pole())
                                                 .arg(m_list.count())
                                                 .arg(ClearedFolderName)))
        return false;
    std::optional<Cleared> cleared = setAside(1);
    if (!cleared)
        return false;
    clearFacts(*cleared);
    m_list.clearAll(cause, entry);
    m_last = std::move(cleared);
    return true;
}

bool RowClearing::canUndo() const
{
    return m_last && m_last->pole == m_list.pole() && m_list.canUndo(m_last->firstRow)
        && (m_list.count() == 0 || m_list.day() == m_last->day);
}

bool RowClearing::undo(const MeasurementEntry& entry)
{
    if (!canUndo())
        return false;
    const Cleared cleared = *m_last;
    // Another picture under a cleared row's name would be taken for it: nothing is put back then.
    for (const MovedFile& file : cleared.moved) {
        if (nameExists(QFile::encodeName(file.from))) {
            report(QStringLiteral("「%1」が既にあるため、クリアした行を元に戻せません。")
                       .arg(QDir::toNativeSeparators(file.from)));
            return false;
        }
    }
    QStringList failed;
    for (const MovedFile& file : cleared.moved) {
        QString reason;
        if (!moveFile(file.to, file.from, &reason))
            failed << reason;
    }
    const QString dayFolder = dayFolderPath(m_services.programFolder, cleared.day);
    for (const auto& [row, facts] : cleared.facts) {
        QString error;
        if (!appendInspectionFacts(
                dayFolder, crackFactsLine(m_services.clock->now(), cleared.pole, row, facts), &error))
            failed << error;
    }
    m_list.undo(cleared.rows, cleared.firstRow, cleared.day, entry);
    m_last.reset();
    if (!failed.isEmpty())
        report(QStringLiteral("行は元に戻しましたが、次のものは「%1」に残っています。\n").arg(ClearedFolderName)
            + failed.join(QLatin1Char('\n')));
    return true;
}

} // namespace norvel
