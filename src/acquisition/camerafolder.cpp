#include "acquisition/camerafolder.h"

#include "acquisition/setaside.h"
#include "files/folderlisting.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace norvel {

namespace {

// Where the image-acquisition service puts a device's pictures.
const QString AcquisitionFolder = QStringLiteral("C:/Documents and Settings/All Users/Application Data/Microsoft/WIA/");

// No folder gives the bare name pattern, which is never usable: it must not become the root folder.
QString inFolder(const QString& folder, const QString& pattern)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder + pattern;
    return folder + QLatin1Char('/') + pattern;
}

} // namespace

QString watchPatternFor(const QString& chosenFolder)
{
    if (chosenFolder.startsWith(QLatin1String(";;"))) {
        const qsizetype brace = chosenFolder.lastIndexOf(QLatin1String(":{"));
        // Everything from the "{" on (the whole path when there is none), without its last character.
        QString device = chosenFolder.mid(brace < 0 ? 0 : brace + 1);
        device.chop(1);
        return AcquisitionFolder + device + QStringLiteral("/*.jpg");
    }
    if (chosenFolder.contains(QLatin1String("Camera Roll"), Qt::CaseSensitive))
        return inFolder(chosenFolder, QStringLiteral("*.jpg"));
    return inFolder(chosenFolder, QStringLiteral("*.bmp"));
}

WatchLocation splitWatchPath(const QString& watchPath)
{
    const qsizetype slash = watchPath.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return { QString(), watchPath };
    return { watchPath.left(slash + 1), watchPath.mid(slash + 1) };
}

namespace {

// The pattern's expression, made once for the pattern watched rather than on every tick.
const QRegularExpression& nameExpression(const QString& pattern)
{
    static QString cachedPattern;
    static QRegularExpression cached;
    if (pattern != cachedPattern || cached.pattern().isEmpty()) {
        cachedPattern = pattern;
        cached = QRegularExpression::fromWildcard(pattern, Qt::CaseInsensitive);
    }
    return cached;
}

} // namespace

bool isUsableWatchPath(const QString& watchPath)
{
    const WatchLocation where = splitWatchPath(watchPath);
    return !where.pattern.isEmpty() && QDir::isAbsolutePath(where.folder) && nameExpression(where.pattern).isValid();
}

QString displayName(const QByteArray& name)
{
    return QFile::decodeName(name);
}

namespace {

// The matching names, leaving out those passed over; with first, only the one that sorts first by its bytes.
FileNames listMatching(const QString& watchPath, bool first, const QSet<QByteArray>& passOver = {})
{
    if (!isUsableWatchPath(watchPath))
        return {};
    const WatchLocation where = splitWatchPath(watchPath);
    const QRegularExpression& expression = nameExpression(where.pattern);
    FolderListing folder(QFile::encodeName(where.folder));
    if (!folder.opened())
        return {};
    FileNames names;
    while (const std::optional<FolderEntry> entry = folder.next()) {
        const QByteArray& name = entry->name;
        if (name.startsWith('.') || passOver.contains(name) || (first && !names.isEmpty() && name >= names.front()))
            continue;
        if (!expression.match(displayName(name)).hasMatch())
            continue;
        // Followed through a link: only what is a plain file in the end is ever opened.
        if (folder.followedType(name) != EntryType::Regular)
            continue;
        if (first)
            names = { name };
        else
            names << name;
    }
    return names;
}

} // namespace

FileNames matchingFiles(const QString& watchPath)
{
    return listMatching(watchPath, false);
}

QByteArray firstMatchingFile(const QString& watchPath, const QSet<QByteArray>& passOver)
{
    return listMatching(watchPath, true, passOver).value(0);
}

std::optional<QByteArray> watchedNameOf(const QString& watchPath, const QByteArray& path)
{
    if (!isUsableWatchPath(watchPath))
        return std::nullopt;
    const WatchLocation where = splitWatchPath(watchPath);
    const QByteArray folder = QFile::encodeName(where.folder);
    if (!path.startsWith(folder))
        return std::nullopt;
    const QByteArray name = path.mid(folder.size());
    if (name.isEmpty() || name.startsWith('.') || name.contains('/') || name.contains('\0'))
        return std::nullopt;
    if (!nameExpression(where.pattern).match(displayName(name)).hasMatch())
        return std::nullopt;
    return name;
}

WatchedFolder::WatchedFolder(QString watchPath, QString programFolder, QDateTime now)
    : m_watchPath(std::move(watchPath))
    , m_programFolder(std::move(programFolder))
    , m_now(std::move(now))
{
}

bool WatchedFolder::usable() const
{
    return isUsableWatchPath(m_watchPath);
}

QByteArray WatchedFolder::firstName(const QSet<QByteArray>& passOver)
{
    return firstMatchingFile(m_watchPath, passOver);
}

bool WatchedFolder::exists(const QByteArray& name)
{
    return nameExists(pathOf(name));
}

bool WatchedFolder::setAside(const QByteArray& name, QString* reason)
{
    const SetAsideResult result
        = norvel::setAside(m_programFolder, splitWatchPath(m_watchPath).folder, { name }, m_now);
    if (!result.failed.empty())
        *reason = result.failed.front().reason;
    return result.failed.empty();
}

bool WatchedFolder::remove(const QByteArray& name)
{
    return removeName(pathOf(name));
}

QByteArray WatchedFolder::pathOf(const QByteArray& name) const
{
    return QFile::encodeName(splitWatchPath(m_watchPath).folder) + name;
}

} // namespace norvel
