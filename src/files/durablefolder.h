#pragma once

#include <QString>

// Making and removing folders so that what was made survives a power cut: a file synced into a folder whose own
// name never reached the disk would be lost with it.
namespace norvel {

// Makes the folder and any missing folders above it. Each folder made is synced into the folder holding it
// before the next is made below it. A folder that is there already is fine, and so is a link to a folder, at
// the end of the path as anywhere above it: the inspector may keep the pictures on another disk that way, and
// files are written into it only through the durable writer, which never writes through a link at a file's name.
// False, with "フォルダ「path」を作成できませんでした。" and the reason in error, when a part of the path is
// not a folder (a file, a link to nothing) or a folder cannot be made or synced; the folders this call made are
// then taken away again, so that the next call makes and syncs them anew.
[[nodiscard]] bool makeFolderDurably(const QString& path, QString* error);

enum class NewFolder {
    Made, // new and empty, synced into its folder
    Taken, // something has the name already (a link to nothing too); nothing was made
    Failed, // nothing was made; error says why
};
// Makes the folder itself, never one that is there already, in a folder that must exist: a folder that must
// start empty, so that nothing put in it can replace a file there.
[[nodiscard]] NewFolder makeNewFolder(const QString& path, QString* error);

// Whether a file can be made in the folder, tried with a file of its own taken away again; why says why not.
[[nodiscard]] bool canWriteIn(const QString& folder, QString* why);

// Removes the folder when it is empty; false when it is not, or could not be removed.
[[nodiscard]] bool removeEmptyFolder(const QString& path);

} // namespace norvel
