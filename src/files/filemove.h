#pragma once

#include "files/regularfile.h"

#include <QByteArray>
#include <QString>

// Moving a file to another folder without ever losing it, within one file system or across two, and giving a
// file a second name.
namespace norvel {

// "「from」を「to」に移せませんでした。\n<why>"
[[nodiscard]] QString cannotMoveMessage(const QByteArray& from, const QByteArray& to, const QString& why);

// Moves the file at from (paths as the file system's bytes) to to, which must not exist: renamed where both
// share a file system, else copied whole, synced, and only then removed at from; a link is moved as the link,
// never what it points at. False, with the reason (naming both paths) in reason, when it stays where it was.
[[nodiscard]] bool moveFileDurably(const QByteArray& from, const QByteArray& to, QString* reason);

enum class LinkOutcome {
    Linked, // the target names the file, synced to disk with its folder
    NotLinkable, // nothing was made: another file system or one without links
    Changed, // nothing was made: the file is no longer the one expected
    Failed, // nothing was made; error says why
};
// Gives the file at existing (a link followed) a second name, target, which must not exist: no byte is copied.
// The file must still be the one expected and hold content, the bytes read of it (the same file, size and
// modification time as when it was read, and those bytes read back), else the new name is taken away again. On
// success linked is its stamp with the new name: the name moves its change time, and any later write moves it
// again. The file's data and the target's folder are synced, so that after a power cut the target holds the
// whole file even once the first name is removed.
[[nodiscard]] LinkOutcome linkFileDurably(const QByteArray& existing, const QByteArray& target,
    const FileStamp& expected, const QByteArray& content, FileStamp* linked, QString* error);

} // namespace norvel
