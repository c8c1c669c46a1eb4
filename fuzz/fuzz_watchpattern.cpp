// The watch pattern: made from a chosen folder, split into folder and name pattern, and judged usable.
//
// The input, as UTF-8, is taken both as a chosen folder and as a pattern read from "set.Dt":
// - any pattern splits into a folder (empty, or ending in "/") and a name pattern without "/" that join
//   back into it; a usable pattern has an absolute folder and a name pattern; an empty or relative pattern
//   is never usable, so nothing is ever listed in the working directory;
// - a pattern made for a folder splits back into that folder (with a "/" added when it has none) and
//   "*.jpg" for the camera application's folder, "*.bmp" for any other; a device path (";;...") gives
//   "*.jpg" below the acquisition folder;
// - a pattern made for an absolute folder is usable, and one made for an empty or relative folder is not.
//   Folders holding wildcard characters are left out of the usable check: whether such a pattern may be
//   used is the wildcard rules' call, not the folder's.
#include "acquisition/camerafolder.h"
#include "fuzzcheck.h"

#include <QDir>

#include <cstdint>

using namespace norvel;
using norvel::fuzz::require;
using norvel::fuzz::shown;

namespace {

void checkPattern(const QString& pattern)
{
    const WatchLocation where = splitWatchPath(pattern);
    require(where.folder + where.pattern == pattern, "a split pattern joins back", shown(pattern));
    require(!where.pattern.contains(QLatin1Char('/')), "the name pattern holds no folder", shown(pattern));
    require(where.folder.isEmpty() || where.folder.endsWith(QLatin1Char('/')), "the folder keeps its slash",
        shown(pattern));
    if (isUsableWatchPath(pattern)) {
        require(QDir::isAbsolutePath(where.folder) && !where.pattern.isEmpty(),
            "a usable pattern has an absolute folder and a name pattern", shown(pattern));
    }
    if (pattern.isEmpty() || QDir::isRelativePath(pattern))
        require(!isUsableWatchPath(pattern), "an empty or relative pattern is never usable", shown(pattern));
}

bool holdsWildcards(const QString& text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('[') || c == QLatin1Char(']'))
            return true;
    }
    return false;
}

void checkMadeFor(const QString& folder)
{
    const QString pattern = watchPatternFor(folder);
    checkPattern(pattern);
    const WatchLocation where = splitWatchPath(pattern);
    const QString detail = shown(folder) + QStringLiteral(" -> ") + shown(pattern);
    if (folder.startsWith(QLatin1String(";;"))) {
        require(where.pattern == QLatin1String("*.jpg"), "a device path watches JPEG pictures", detail);
        return;
    }
    const QString expectedName
        = folder.contains(QLatin1String("Camera Roll")) ? QStringLiteral("*.jpg") : QStringLiteral("*.bmp");
    const QString expectedFolder = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    require(where.pattern == expectedName, "the name pattern follows the folder", detail);
    if (!folder.isEmpty())
        require(where.folder == expectedFolder, "a pattern splits back into its folder", detail);
    if (folder.isEmpty() || QDir::isRelativePath(folder))
        require(!isUsableWatchPath(pattern), "a pattern made for an empty or relative folder is not usable", detail);
    else if (!holdsWildcards(folder))
        require(isUsableWatchPath(pattern), "a pattern made for an absolute folder is usable", detail);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    checkPattern(text);
    checkMadeFor(text);
    return 0;
}
