#pragma once

#include <QByteArray>
#include <QString>

// Moving a file to another folder without ever losing it, within one file system or across two.
namespace norvel {

// "「from」を「to」に移せませんでした。\n<why>"
[[nodiscard]] QString cannotMoveMessage(const QByteArray& from, const QByteArray& to, const QString& why);

// Moves the file at from (paths as the file system's bytes) to to, which must not exist: renamed where both
// share a file system, else copied whole, synced, and only then removed at from; a link is moved as the link,
// never what it points at. False, with the reason (naming both paths) in reason, when it stays where it was.
[[nodiscard]] bool moveFileDurably(const QByteArray& from, const QByteArray& to, QString* reason);

} // namespace norvel
