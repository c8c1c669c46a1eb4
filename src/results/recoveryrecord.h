#pragma once

#include "results/resultrow.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

#include <optional>

// The working state of a survey day kept on disk beside the program, so that a crash or a power cut loses
// no result: the pole in hand, its result list, and the shot whose filing was under way.
namespace norvel {

inline const QString RecoveryFileName = QStringLiteral("recovery.dat");
inline const QString DamagedRecoveryFileName = QStringLiteral("recovery.bad");
// A recovery record is a few kilobytes; anything far larger is not one.
inline constexpr qint64 RecoveryFileLimitBytes = 16 * 1024 * 1024;

// The shot last taken in, until it has left the camera folder: after a crash it tells whether a shot still
// in the folder is already in the list (and filed) or has to be taken in again.
struct PendingShot {
    QByteArray cameraPath; // the shot's path as the file system's bytes
    qint64 size = 0; // the shot's size and modification time (ms since the epoch) when it was taken in
    qint64 modifiedMs = 0;
    QString filedPath; // where its filed copy goes; empty when filing was off
    qint64 takenInMs = 0; // when it was taken in (ms since the epoch)
    int row = 0; // its row, counted from 1
    QString originalPath; // where the camera's original is kept beside the filed copy; empty when it is not

    friend bool operator==(const PendingShot&, const PendingShot&) = default;
};

struct RecoveryRecord {
    QString pole; // the pole number in force
    QString poleText; // the text of the pole number box, which may differ while it is being typed
    QDate day; // the day whose folder the pole's result file belongs in
    QList<ResultRow> rows;
    std::optional<PendingShot> pending;

    friend bool operator==(const RecoveryRecord&, const RecoveryRecord&) = default;
};

// The record as the bytes of its file: a versioned header, one line a field, every text escaped, and a
// check sum over all of it at the end, so that a file cut short or damaged anywhere is told from a sound one.
[[nodiscard]] QByteArray serializeRecovery(const RecoveryRecord& record);

struct RecoveryParse {
    std::optional<RecoveryRecord> record; // empty when the bytes are not a sound record
    QString error; // why not, in words for the user
};
[[nodiscard]] RecoveryParse parseRecovery(const QByteArray& bytes);

} // namespace norvel
