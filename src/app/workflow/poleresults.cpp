#include "app/workflow/poleresults.h"

#include "acquisition/originalcopy.h"
#include "core/dayfolder.h"
#include "core/resultfile.h"
#include "files/durablefile.h"
#include "files/durablefolder.h"
#include "files/folderlisting.h"
#include "results/polenumber.h"
#include "results/resultlist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace norvel {

namespace {

const QString OverwriteQuestion = QStringLiteral("同一ファイルがあります。上書きしますか？");
// Contents kept per file while none is known on disk: the writer runs a few jobs behind at most.
constexpr qsizetype OursKept = 64;

} // namespace

PoleResults::PoleResults(
    const Services& services, ResultList& list, std::function<bool()> autoSave, std::function<OverwriteCheck()> check)
    : m_services(services)
    , m_list(list)
    , m_autoSave(std::move(autoSave))
    , m_check(std::move(check))
{
    list.listen([this](const ResultChange& change) { listChanged(change); });
}

std::optional<QString> PoleResults::makePoleFolder(const QString& pole, const QDate& day, QString* error)
{
    const QString folder = poleFolderPath(m_services.programFolder, day, pole);
    // Made once a run: a take-in should not walk the path again.
    if (m_folders.contains(folder) && isFolder(folder))
        return folder;
    if (!makeFolderDurably(folder, error))
        return std::nullopt;
    m_folders.insert(folder);
    return folder;
}

bool PoleResults::replacesWithoutAsking(const QString& path, const OverwriteCheck& check) const
{
    const std::optional<FileStamp> existing = regularFileStamp(QFile::encodeName(path));
    if (!check.confirm || !existing)
        return true;
    return fileAgeSeconds(QDateTime::fromMSecsSinceEpoch(existing->modifiedMs), m_services.clock->now())
        <= check.ageLimitSeconds;
}

bool PoleResults::mayReplace(const QString& path, const OverwriteCheck& check) const
{
    return replacesWithoutAsking(path, check) || m_services.question->askOkCancel(OverwriteQuestion);
}

void PoleResults::listChanged(const ResultChange& change)
{
    m_settled = false;
    switch (change.cause) {
    case ResultCause::PoleChange:
    case ResultCause::Resume:
    case ResultCause::Restart:
        return; // the rows are in their files already, or just came from one
    case ResultCause::ClearOne:
        if (change.removed.isEmpty())
            return;
        break;
    default:
        break;
    }
    if (!m_autoSave())
        return;
    const QString path = resultFilePath(m_services.programFolder, change.day, change.pole);
    if (m_declined.contains(path))
        return; // asked again when the pole is left
    writeThrough(change.pole, change.day, m_list.widths(), true);
}

bool PoleResults::isOurs(const QString& path, const QStringList& widths) const
{
    const FileContent disk = readRegularFile(path, ResultFileLimitBytes);
    if (disk.missing())
        return true;
    if (!disk.read())
        return false;
    if (m_ours.value(path).contains(disk.content))
        return true;
    // Rows the list holds already, as after a crash: replacing them loses nothing.
    const std::optional<QStringList> rows = parseResultFile(disk.content);
    return rows && rows->size() <= widths.size() && std::equal(rows->begin(), rows->end(), widths.begin());
}

bool PoleResults::writeThrough(const QString& pole, const QDate& day, const QStringList& widths, bool ask)
{
    const QString path = resultFilePath(m_services.programFolder, day, pole);
    // A list emptied before it was ever written leaves no file behind.
    if (widths.isEmpty() && !nameExists(QFile::encodeName(path)))
        return true;
    if (!isOurs(path, widths)) {
        if (!replacesWithoutAsking(path, m_check()) && !(ask && m_services.question->askOkCancel(OverwriteQuestion))) {
            m_declined.insert(path);
            return false;
        }
        // Given up for the list's rows: until the writer replaces it, what is there is not asked about again.
        if (const FileContent disk = readRegularFile(path, ResultFileLimitBytes); disk.read())
            m_ours[path].append(disk.content);
    }
    QString error;
    if (!makePoleFolder(pole, day, &error)) {
        m_services.errors->showError(error + QStringLiteral("\n結果は一覧に残っています。"));
        m_declined.insert(path); // tried again when the pole is left
        return false;
    }
    m_declined.remove(path);
    const QByteArray content = resultFileContent(widths);
    QList<QByteArray>& ours = m_ours[path];
    ours.append(content);
    if (ours.size() > OursKept)
        ours.remove(0, ours.size() - OursKept);
    m_pending = path;
    m_writer.write(path, content);
    return true;
}

bool PoleResults::onDisk()
{
    QString error;
    if (m_writer.flush(&error)) {
        if (!m_pending.isEmpty()) {
            QList<QByteArray>& ours = m_ours[m_pending];
            ours.remove(0, ours.size() - 1); // the last one written is on disk
        }
        m_pending.clear();
        return true;
    }
    m_services.errors->showError(notWrittenMessage(QStringLiteral("結果ファイル"), m_pending, error)
        + QStringLiteral("\n結果は一覧に残っています。"));
    // Written again when the pole is left.
    if (!m_pending.isEmpty())
        m_declined.insert(m_pending);
    return false;
}

bool PoleResults::settle()
{
    m_settled = !m_autoSave()
        || m_list.count() == 0
        // Written once more: rows listed while saving was off, or declined or failed before, are not in the file yet.
        || (writeThrough(m_list.pole(), m_list.day(), m_list.widths(), true) && onDisk());
    return m_settled;
}

int PoleResults::rowsInFile(const QString& pole, const QDate& day)
{
    static_cast<void>(onDisk()); // a row written a moment ago is in the file as far as the inspector knows
    const FileContent file = readRegularFile(resultFilePath(m_services.programFolder, day, pole), ResultFileLimitBytes);
    if (!file.read())
        return 0;
    return int(readResultFileRows(file.content, 0).rows.size());
}

std::optional<QList<ResultRow>> PoleResults::resume(const QString& pole)
{
    const QDate today = m_services.clock->now().date();
    const QString path = resultFilePath(m_services.programFolder, today, pole);
    if (m_setAside.contains(path))
        return std::nullopt; // its rows are kept aside already; the list starts anew
    const FileContent file = readRegularFile(path, ResultFileLimitBytes);
    if (file.missing())
        return std::nullopt;
    const std::optional<QStringList> widths = file.read() ? parseResultFile(file.content) : std::nullopt;
    if (!widths) {
        setAside(path, file);
        return std::nullopt;
    }
    if (widths->isEmpty())
        return std::nullopt;
    m_ours[path] = { file.content };
    m_declined.remove(path);
    const QString folder = poleFolderPath(m_services.programFolder, today, pole);
    QList<ResultRow> rows;
    for (int i = 0; i < widths->size(); ++i) {
        ResultRow row { QString::number(i + 1), widths->at(i) };
        const QString picture = filedPictureFileName(pole, i + 1);
        if (regularFileStamp(QFile::encodeName(folder + QLatin1Char('/') + picture)))
            row.picture = picture;
        row.original = keptOriginalName(folder, pole, i + 1);
        rows.append(row);
    }
    return rows;
}

void PoleResults::setAside(const QString& path, const FileContent& file)
{
    QString aside = path + QStringLiteral(".bad");
    for (int n = 2; nameExists(QFile::encodeName(aside)); ++n)
        aside = path + QStringLiteral(".bad.%1").arg(n);
    QString error;
    // Its bytes when they could be read, else the entry itself (a pipe, a device link, an unreadable file).
    bool kept = false;
    if (file.read()) {
        kept = writeFileDurably(aside, file.content, &error);
    } else if (const int code = renameName(QFile::encodeName(path), QFile::encodeName(aside)); code != 0) {
        error = qt_error_string(code);
    } else {
        kept = true;
    }
    m_setAside.insert(path);
    const QString why = file.read() ? QStringLiteral("結果ファイルの形式ではありません。") : file.error;
    if (kept)
        m_services.errors->showError(QStringLiteral("結果ファイル「%1」の行を一覧に戻せないため、「%"
                                                    "2」として残しました。一覧はこの柱の新しい結果から始まります。\n%3")
                                         .arg(QDir::toNativeSeparators(path), QFileInfo(aside).fileName(), why));
    else
        m_services.errors->showError(QStringLiteral("結果ファイル「%"
                                                    "1」の行を一覧に戻せず、別の名前で残すこともできませんでした。この"
                                                    "柱の結果を書くときに上書きの確認をします。\n%2\n%3")
                                         .arg(QDir::toNativeSeparators(path), why, error));
}

} // namespace norvel
