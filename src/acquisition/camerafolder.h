#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

// The camera's picture folder: the watch pattern made from the chosen folder, and the listing and deleting
// of the pictures that match it.
namespace norvel {

// The pattern for a chosen folder: the folder of the system camera application ("Camera Roll", exact case)
// and an image-acquisition device path (beginning ";;") give "*.jpg" pictures, any other folder "*.bmp".
[[nodiscard]] QString watchPatternFor(const QString& chosenFolder);

// A watch pattern split at its last "/": the folder keeps the "/", the name pattern is what follows.
struct WatchLocation {
    QString folder;
    QString pattern;
};
[[nodiscard]] WatchLocation splitWatchPath(const QString& watchPath);

// Only an absolute folder and a name pattern that is a valid wildcard make a pattern that is listed: an
// empty, relative or malformed one must never reach into the working directory.
[[nodiscard]] bool isUsableWatchPath(const QString& watchPath);

// Names in the camera folder are kept as the file system's bytes: a name that is not valid UTF-8 cannot
// be carried by a QString and back.
using FileNames = QList<QByteArray>;
[[nodiscard]] QString displayName(const QByteArray& name);

// The files whose names match the pattern regardless of case, in the order the file system lists them:
// plain files and links to plain files only, never hidden ones, and never a folder, device, FIFO or socket
// (nor a link to one). Nothing for a pattern that is not usable.
[[nodiscard]] FileNames matchingFiles(const QString& watchPath);
// Of those not passed over, the one whose name sorts first by its bytes (the camera's next shot: cameras
// number their files), or empty. The file system's own order would take waiting shots in at random.
[[nodiscard]] QByteArray firstMatchingFile(const QString& watchPath, const QSet<QByteArray>& passOver = {});

// The name of a file at path (the file system's bytes) when it is one the watcher of watchPath would take in:
// a plain name right in the watched folder, not hidden, matching the pattern; nullopt for anything else.
[[nodiscard]] std::optional<QByteArray> watchedNameOf(const QString& watchPath, const QByteArray& path);

// The folder as the capture watcher sees it; tests put a scripted folder in its place.
class CaptureFolder {
public:
    virtual ~CaptureFolder() = default;
    [[nodiscard]] virtual bool usable() const = 0;
    // The first matching name not in passOver; empty when there is none.
    [[nodiscard]] virtual QByteArray firstName(const QSet<QByteArray>& passOver) = 0;
    [[nodiscard]] virtual bool exists(const QByteArray& name) = 0;
    // Deletes a shot that was filed, or measured with filing off (a link, not what it points at).
    [[nodiscard]] virtual bool remove(const QByteArray& name) = 0;
    // Moves a shot without a filed copy into "未取込"; on failure it stays, and reason says why.
    [[nodiscard]] virtual bool setAside(const QByteArray& name, QString* reason) = 0;
};

class WatchedFolder final : public CaptureFolder {
public:
    // Shots set aside go below programFolder, into a subfolder named by the time given.
    WatchedFolder(QString watchPath, QString programFolder, QDateTime now);

    [[nodiscard]] bool usable() const override;
    [[nodiscard]] QByteArray firstName(const QSet<QByteArray>& passOver) override;
    [[nodiscard]] bool exists(const QByteArray& name) override;
    [[nodiscard]] bool remove(const QByteArray& name) override;
    [[nodiscard]] bool setAside(const QByteArray& name, QString* reason) override;
    // The file's path as the file system's bytes.
    [[nodiscard]] QByteArray pathOf(const QByteArray& name) const;

private:
    QString m_watchPath;
    QString m_programFolder;
    QDateTime m_now;
};

} // namespace norvel
