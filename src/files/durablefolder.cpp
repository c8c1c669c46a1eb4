#include "files/durablefolder.h"

#include "files/durablefile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <cerrno>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace norvel {

namespace {

QString shown(const QByteArray& path)
{
    return QDir::toNativeSeparators(QFile::decodeName(path));
}

QString cannotMakeMessage(const QString& path, const QString& why)
{
    return QStringLiteral("フォルダ「%1」を作成できませんでした。\n%2").arg(QDir::toNativeSeparators(path), why);
}

QString cannotMake(const QByteArray& part, int code)
{
    return QStringLiteral("「%1」を作れません（%2）。").arg(shown(part), qt_error_string(code));
}

// Why a name that is there already is no folder to make folders in; empty when it is one, a link followed.
QString notAFolder(const QByteArray& name)
{
    struct stat status { };
    if (::stat(name.constData(), &status) == 0)
        return S_ISDIR(status.st_mode) ? QString()
                                       : QStringLiteral("「%1」はフォルダではありません。").arg(shown(name));
    const int code = errno;
    if (code == ENOENT && ::lstat(name.constData(), &status) == 0 && S_ISLNK(status.st_mode))
        return QStringLiteral("「%1」は先のないリンクです。").arg(shown(name));
    return QStringLiteral("「%1」を調べられません（%2）。").arg(shown(name), qt_error_string(code));
}

// The path without the slashes that end it, so that its folder is the one holding its last part.
QByteArray withoutTrailingSlashes(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

} // namespace

bool makeFolderDurably(const QString& path, QString* error)
{
    const QByteArray native = withoutTrailingSlashes(QFile::encodeName(path));
    struct stat status { };
    // The usual case, a folder there already, costs one look.
    if (::stat(native.constData(), &status) == 0 && S_ISDIR(status.st_mode))
        return true;
    QString why = native.isEmpty() ? QStringLiteral("フォルダの名前がありません。") : QString();
    std::vector<QByteArray> made;
    for (qsizetype start = 0; why.isEmpty() && start < native.size();) {
        qsizetype end = native.indexOf('/', start);
        if (end < 0)
            end = native.size();
        const bool emptyPart = end == start; // the root's slash, or two slashes in a row
        start = end + 1;
        if (emptyPart)
            continue;
        const QByteArray part = native.left(end);
        if (::stat(part.constData(), &status) == 0) {
            why = S_ISDIR(status.st_mode) ? QString() : notAFolder(part);
            continue;
        }
        if (const int code = errno; code != ENOENT) {
            why = QStringLiteral("「%1」を調べられません（%2）。").arg(shown(part), qt_error_string(code));
            break;
        }
        if (::mkdir(part.constData(), 0777) != 0) {
            const int code = errno;
            // Made meanwhile by someone else is as good, when it is a folder; a link to nothing is not.
            why = code == EEXIST ? notAFolder(part) : cannotMake(part, code);
            continue;
        }
        made.push_back(part);
        // Its name is on disk before anything goes into it.
        if (!syncFolderOf(part, &why))
            break;
    }
    if (why.isEmpty())
        return true;
    // Empty and new: nothing is lost, and a later call makes and syncs them again rather than finding them there.
    for (auto folder = made.rbegin(); folder != made.rend(); ++folder)
        ::rmdir(folder->constData());
    if (error)
        *error = cannotMakeMessage(path, why);
    return false;
}

NewFolder makeNewFolder(const QString& path, QString* error)
{
    const QByteArray native = withoutTrailingSlashes(QFile::encodeName(path));
    if (::mkdir(native.constData(), 0777) != 0) {
        const int code = errno;
        if (code == EEXIST)
            return NewFolder::Taken;
        if (error)
            *error = cannotMakeMessage(path, cannotMake(native, code));
        return NewFolder::Failed;
    }
    QString why;
    if (syncFolderOf(native, &why))
        return NewFolder::Made;
    ::rmdir(native.constData()); // empty: nothing is lost
    if (error)
        *error = cannotMakeMessage(path, why);
    return NewFolder::Failed;
}

bool removeEmptyFolder(const QString& path)
{
    return ::rmdir(QFile::encodeName(path).constData()) == 0;
}

bool canWriteIn(const QString& folder, QString* why)
{
    QTemporaryFile probe(folder + QStringLiteral("/.norvel-XXXXXX"));
    if (probe.open())
        return true;
    *why = probe.errorString();
    return false;
}

} // namespace norvel
