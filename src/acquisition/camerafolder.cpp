#include "acquisition/camerafolder.h"

#include "acquisition/setaside.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

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

// Hidden files and anything but plain files (devices, sockets) are left alone; without QDir::CaseSensitive
// the name filter ignores case.
constexpr QDir::Filters ListedEntries = QDir::Files;

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

bool isUsableWatchPath(const QString& watchPath)
{
    const WatchLocation where = splitWatchPath(watchPath);
    return !where.pattern.isEmpty() && QDir::isAbsolutePath(where.folder);
}

namespace {

// Up to limit matching names (all of them for a negative limit), leaving out those passed over.
QStringList listMatching(const QString& watchPath, qsizetype limit, const QSet<QString>& passOver = {})
{
    if (!isUsableWatchPath(watchPath))
        return {};
    const WatchLocation where = splitWatchPath(watchPath);
    QStringList names;
    QDirIterator it(where.folder, { where.pattern }, ListedEntries);
    while (names.size() != limit && it.hasNext()) {
        QString name = it.nextFileInfo().fileName();
        if (!passOver.contains(name))
            names << std::move(name);
    }
    return names;
}

} // namespace

QStringList matchingFiles(const QString& watchPath)
{
    return listMatching(watchPath, -1);
}

QString firstMatchingFile(const QString& watchPath, const QSet<QString>& passOver)
{
    return listMatching(watchPath, 1, passOver).value(0);
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

QString WatchedFolder::firstName(const QSet<QString>& passOver)
{
    return firstMatchingFile(m_watchPath, passOver);
}

bool WatchedFolder::exists(const QString& name)
{
    return QFileInfo::exists(pathOf(name));
}

bool WatchedFolder::setAside(const QString& name, QString* reason)
{
    const SetAsideResult result
        = norvel::setAside(m_programFolder, splitWatchPath(m_watchPath).folder, { name }, m_now);
    if (!result.failed.empty())
        *reason = result.failed.front().reason;
    return result.failed.empty();
}

bool WatchedFolder::remove(const QString& name)
{
    return QFile::remove(pathOf(name));
}

QString WatchedFolder::pathOf(const QString& name) const
{
    return splitWatchPath(m_watchPath).folder + name;
}

} // namespace norvel
