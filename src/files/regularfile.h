#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class QFile;
struct stat;

// The one way the program reads a file it did not just make itself: settings, records, result files. A
// link to a device would otherwise be read without end (a device reports size 0), a pipe would hang the
// window in open(), and a huge file would eat memory.
namespace norvel {

// Which file was read, and as it was then: a file put in its place, or changed, differs in some field.
struct FileStamp {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modifiedMs = -1; // since the epoch
    qint64 modifiedNs = -1; // the same, as finely as the file system keeps it
    // The inode's change time: a write, a truncation or a new name moves it, even where the modification time
    // is put back.
    qint64 changedNs = -1;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

struct RegularFile {
    enum class Status {
        Opened, // file is open for reading, at most size bytes
        Missing, // nothing of that name: for most settings, not an error
        Refused, // not a regular file, or larger than the limit; error says which
        Failed, // open or fstat failed; error says why
    };
    Status status = Status::Failed;
    std::unique_ptr<QFile> file; // when Opened: read it up to size, no further
    qint64 size = 0;
    FileStamp stamp; // when Opened
    QString error; // Japanese, for a message: the reason only, without the file's name
};

// Opens a file for reading with O_NONBLOCK (a FIFO never blocks), O_NOCTTY and O_CLOEXEC; a link is followed
// to what it names, which fstat must show to be a regular file of at most limit bytes.
[[nodiscard]] RegularFile openRegularFile(const QByteArray& nativePath, qint64 limit);
[[nodiscard]] RegularFile openRegularFile(const QString& path, qint64 limit);

struct FileContent {
    RegularFile::Status status = RegularFile::Status::Failed; // Opened: content holds the whole file
    QByteArray content;
    QString error;

    [[nodiscard]] bool read() const { return status == RegularFile::Status::Opened; }
    [[nodiscard]] bool missing() const { return status == RegularFile::Status::Missing; }
};

// The whole file through openRegularFile: exactly the size fstat gave; a file that shrinks while it is
// read is a failure.
[[nodiscard]] FileContent readRegularFile(const QByteArray& nativePath, qint64 limit);
[[nodiscard]] FileContent readRegularFile(const QString& path, qint64 limit);

// The stamp of what the path names (a link followed), when that is a regular file.
[[nodiscard]] std::optional<FileStamp> regularFileStamp(const QByteArray& nativePath);
[[nodiscard]] FileStamp stampOf(const struct stat& status);

} // namespace norvel
