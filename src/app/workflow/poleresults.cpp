#include "app/workflow/poleresults.h"

#include "files/durablefile.h"
#include "files/folderlisting.h"
#include "results/polenumber.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace norvel {

namespace {
const QString OverwriteQuestion = QStringLiteral("同一ファイルがあります。上書きしますか？");
}

PoleResults::PoleResults(const Services& services)
    : m_services(services)
{
}

QDate PoleResults::listDay() const
{
    return m_day.value_or(m_services.clock->now().date());
}

void PoleResults::endList()
{
    m_day.reset();
    m_resumed.reset();
}

std::optional<QString> PoleResults::makePoleFolder(const QString& pole, const QDate& day, QString* error) const
{
    const QString folder = poleFolderPath(m_services.programFolder, day, pole);
    if (QDir().mkpath(folder))
        return folder;
    *error = QStringLiteral("フォルダ「%1」を作成できませんでした。").arg(QDir::toNativeSeparators(folder));
    return std::nullopt;
}

bool PoleResults::replacesWithoutAsking(const QString& path, const OverwriteCheck& check) const
{
    const QFileInfo existing(path);
    if (!check.confirm || !existing.isFile())
        return true;
    return fileAgeSeconds(existing.lastModified(), m_services.clock->now()) <= check.ageLimitSeconds;
}

bool PoleResults::mayReplace(const QString& path, const OverwriteCheck& check) const
{
    return replacesWithoutAsking(path, check) || m_services.question->askOkCancel(OverwriteQuestion);
}

bool PoleResults::write(const QString& pole, const QStringList& widths, const OverwriteCheck& check)
{
    const QDate day = listDay();
    QString error;
    if (makePoleFolder(pole, day, &error)) {
        const QString path = resultFilePath(m_services.programFolder, day, pole);
        if (!isResumedFileUnchanged(path) && !mayReplace(path, check))
            return false;
        if (writeResultFile(path, widths, &error))
            return true;
    }
    m_services.errors->showError(error + QStringLiteral("\n結果は一覧に残っています。"));
    return false;
}

std::optional<QStringList> PoleResults::resume(const QString& pole)
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
    m_day = today;
    m_resumed = ResumedFile { path, file.content };
    return widths;
}

// A result file still as it was when its rows came back into the list: replacing it loses nothing.
bool PoleResults::isResumedFileUnchanged(const QString& path) const
{
    if (!m_resumed || m_resumed->path != path)
        return false;
    const FileContent now = readRegularFile(path, ResultFileLimitBytes);
    return now.read() && now.content == m_resumed->content;
}

void PoleResults::setAside(const QString& path, const FileContent& file)
{
    QString aside = path + QStringLiteral(".bad");
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
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
