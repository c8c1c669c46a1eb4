#pragma once

#include "files/regularfile.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

// The one way the program writes a file: whole or not at all, so that a full disk, a pulled memory card
// or a power cut never leaves a result file, a filed picture or a settings file emptied or half-written.
namespace norvel {

// The data goes to a temporary file beside the target ("name.XXXXXX"). Every write is checked; commit()
// writes what is buffered, syncs the data to disk, renames the temporary file over the target and syncs the
// folder. Only a regular file is replaced: a link, a device, a pipe or a folder at the name is not ours, and
// open() and commit() refuse it with the reason. On any failure the target keeps its old
// content, the temporary file is removed and errorString() says why (in Japanese, the system's words as the
// detail); only when the folder cannot be synced after the rename is the new content in place, yet
// commit() fails, as a power cut could still bring the old content back. A temporary file left beside the target by a
// program killed while writing is removed when the file is opened again;
// one another writer holds (it keeps a lock on it until its rename) is left, so that writers of the one file at
// once all succeed, the last one's content staying. A path as the file system's bytes, for names
// that are not valid UTF-8.
struct NativePath {
    QByteArray bytes;
};

class DurableFile : public QIODevice {
    Q_OBJECT

public:
    explicit DurableFile(const QString& path, QObject* parent = nullptr);
    explicit DurableFile(NativePath path, QObject* parent = nullptr);
    ~DurableFile() override; // an uncommitted file is discarded

    // WriteOnly only.
    bool open(OpenMode mode) override;
    [[nodiscard]] bool commit();
    // The first half of commit(), for files that must appear together: writes what is buffered and syncs
    // the data to disk, but leaves the temporary file unrenamed. commit() then only renames it over the
    // target; until then the file is discarded like any uncommitted one. On a failure as commit().
    [[nodiscard]] bool prepareCommit();
    void cancelWriting();

    // A file only ever made new: commit() fails, leaving whatever has the name (a link too) as it is.
    void setNeverReplace() { m_neverReplace = true; }

    [[nodiscard]] const QString& fileName() const { return m_path; }
    // Whether a write has failed: commit() will too, with errorString() saying why.
    [[nodiscard]] bool hasFailed() const { return m_failed; }
    [[nodiscard]] bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

    // What reaches the disk, as write(2) and fsync(2) do it; tests put failing versions in place.
    virtual qint64 writeToDisk(int fd, const char* data, qint64 size);
    virtual bool syncToDisk(int fd);

private:
    bool makeTemporary();
    void closeLock();
    bool writeBuffer();
    void fail(const QString& reason);
    void discard();

    QByteArray m_target;
    QString m_path; // for messages
    QByteArray m_temporary; // the temporary file's path, as the file system's bytes
    int m_fd = -1;
    int m_lock = -1; // holds the temporary file's lock until it is renamed or removed: others' sweeps leave it
    QByteArray m_buffer;
    bool m_failed = false;
    bool m_prepared = false; // written and synced, the temporary file closed: only the rename is left
    bool m_neverReplace = false;
};

// Writes content as the whole file; false, with the reason in error, when it could not be written.
[[nodiscard]] bool writeFileDurably(const QString& path, const QByteArray& content, QString* error);

// As writeFileDurably, for a file that must be new: a name taken meanwhile, even by a link, is left as it is.
[[nodiscard]] bool writeNewFileDurably(const QString& path, const QByteArray& content, QString* error);

// How every message names a file that was not written: "<what>「<path>」を書き込めませんでした。\n<reason>".
[[nodiscard]] QString notWrittenMessage(const QString& what, const QString& path, const QString& reason);
// writeFileDurably with that message in error, when given; what names the kind of file ("結果ファイル").
[[nodiscard]] bool writeFileNamed(const QString& path, const QByteArray& content, const QString& what, QString* error);

// Writes bytes over the start of the file in place, creating it if missing and keeping whatever follows:
// all of them or a failure, synced to disk before it returns. Only a regular file is written: a link at the
// name, a pipe, a device or a folder is refused with the reason, at once.
[[nodiscard]] bool overwriteFileStart(const QString& path, const QByteArray& bytes, QString* error);

// Appends bytes to the file, a new or empty file starting with header: all of them or none (a failed write is
// cut off again), synced to disk before it returns. A last line left without its line feed by a crash is
// closed first, so the new bytes start a line of their own. Only a regular file is appended to: a link at the
// name (which may point out of the program's folder), a pipe (whose open would wait for a reader), a device or
// a folder is refused with the reason, at once.
[[nodiscard]] bool appendFileDurably(
    const QString& path, const QByteArray& header, const QByteArray& bytes, QString* error);

// Removes what writes of the file killed half-way left beside it ("name.XXXXXX"), as opening a DurableFile
// for it does: only those no writer holds a lock on (or, where locks cannot be taken, older than an hour).
void removeStaleTemporaries(const QString& path);

// Syncs the folder holding the path (the file system's bytes), so that the file's creation, renaming or
// removal there stays so after a power cut. False, with the reason in error, when the folder could not be
// synced; a file system that cannot sync folders at all counts as synced.
[[nodiscard]] bool syncFolderOf(const QByteArray& nativePath, QString* error = nullptr);

} // namespace norvel
