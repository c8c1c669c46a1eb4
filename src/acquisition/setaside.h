#pragma once

#include "core/dayfolder.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// Shots that leave the camera folder without a filed copy are never deleted: they are moved into the
// program folder's "未取込" (not taken in), each batch into a subfolder of its own named by the time of
// the move, so the inspector can still find every shot the camera took.
namespace norvel {

// "yyyymmdd_hhMMss" of the time, with "_2", "_3" … when that name is taken already.
[[nodiscard]] QString setAsideSubfolderName(const QDateTime& when, int attempt);

struct SetAsideFailure {
    QByteArray name; // as the file system holds it
    QString reason; // names the file and says why, ready to show
};

struct SetAsideResult {
    QString folder; // where the moved files are now; empty when no file was moved
    QList<QByteArray> moved;
    std::vector<SetAsideFailure> failed; // these are still in the camera folder, unchanged
};

// Moves the named files of fromFolder into a new subfolder of programFolder/未取込. A move within one file
// system is a rename; across file systems the file is copied, synced to disk, and only then deleted. A file
// that cannot be moved stays where it was, and no partial copy is left behind.
[[nodiscard]] SetAsideResult setAside(
    const QString& programFolder, const QString& fromFolder, const QList<QByteArray>& names, const QDateTime& when);

} // namespace norvel
