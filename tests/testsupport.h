#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include <fcntl.h>
#include <unistd.h>

// Readable failure messages: GoogleTest would print a QString as raw UTF-16 bytes.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// Names parameterised cases after their name field, so a failure says which row of the table it was.
template <typename Case> std::string caseName(const testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}

// The whole file; "(unreadable)" when it cannot be read, so that no comparison with empty content passes by chance.
inline QByteArray readWholeFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// Writes content as the whole file, its folder made first when missing. The path is the file system's bytes,
// as QFile cannot name every file. A failure fails the calling test too; true when written.
inline bool writeWholeFile(const QByteArray& nativePath, const QByteArray& content)
{
    const qsizetype slash = nativePath.lastIndexOf('/');
    if (slash > 0 && ::access(nativePath.left(slash).constData(), F_OK) != 0)
        QDir().mkpath(QFile::decodeName(nativePath.left(slash)));
    const int fd = ::open(nativePath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool written = fd >= 0 && ::write(fd, content.constData(), std::size_t(content.size())) == content.size();
    const bool closed = fd >= 0 && ::close(fd) == 0;
    if (!written || !closed)
        ADD_FAILURE() << "cannot write " << nativePath.toStdString();
    return written && closed;
}

inline bool writeWholeFile(const QString& path, const QByteArray& content)
{
    return writeWholeFile(QFile::encodeName(path), content);
}
