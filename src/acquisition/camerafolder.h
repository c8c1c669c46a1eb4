#pragma once

#include <QString>
#include <QStringList>

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

// Ordinary, non-hidden files whose names match the pattern regardless of case, in the order the file
// system lists them. A pattern without a folder or without a name lists nothing, so an empty or
// malformed pattern never reaches into the working directory.
[[nodiscard]] QStringList matchingFiles(const QString& watchPath);
// The first of them, or empty; stops listing at the first match.
[[nodiscard]] QString firstMatchingFile(const QString& watchPath);

// The folder as the capture watcher sees it; tests put a scripted folder in its place.
class CaptureFolder {
public:
    virtual ~CaptureFolder() = default;
    [[nodiscard]] virtual QString firstName() = 0; // empty when nothing matches
    [[nodiscard]] virtual bool remove(const QString& name) = 0;
};

class WatchedFolder final : public CaptureFolder {
public:
    explicit WatchedFolder(QString watchPath);

    [[nodiscard]] QString firstName() override;
    [[nodiscard]] bool remove(const QString& name) override;
    [[nodiscard]] QString pathOf(const QString& name) const;

private:
    QString m_watchPath;
};

} // namespace norvel
