#include "filetypesfile.h"

#include "filetypeslocation.h"
#include "runtime/sequentialfile.h"
#include "runtime/systemerror.h"
#include "runtime/uniquefd.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace culler {

namespace {

QString nativePath(const QString &path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

FileTypesFile::FileTypesFile(QString path)
    : m_path(std::move(path)) {}

const QString &FileTypesFile::path() const {
    return m_path;
}

FileTypesLoad FileTypesFile::load() {
    m_state = State::Loaded;
    const auto failure = [this](const QString &reason) {
        m_state = State::Unreadable;
        return FileTypesLoad{
            {},
            errorMessage(QStringLiteral("The list of file types in \"%1\" could not be read: "
                                        "%2.\nThe list starts empty, and the file will be left "
                                        "as it is.")
                             .arg(nativePath(m_path), reason))};
    };

    // Non-blocking, so that a pipe put in the list's place cannot hold the program up; nothing
    // but a regular file is read from.
    UniqueFd fd{::open(QFile::encodeName(m_path).constData(),
                       O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (!fd.isOpen()) {
        // Nothing there yet is the usual first start; anything else is a list we must not lose.
        if (errno == ENOENT && !QFileInfo::exists(m_path))
            return {};
        return failure(SystemError{errno}.reason());
    }
    QFile file;
    if (!file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return failure(file.errorString());
    // The file closes it from here on.
    const int opened = fd.release();
    struct stat status {};
    if (::fstat(opened, &status) != 0)
        return failure(SystemError{errno}.reason());
    if (!S_ISREG(status.st_mode))
        return failure(QStringLiteral("it is not a regular file, so it is not a pattern list"));

    // One byte more than the largest list tells a file that grew past it while being read.
    const QByteArray bytes = file.read(largestList + 1);
    if (file.error() != QFileDevice::NoError)
        return failure(file.errorString());
    if (bytes.size() > largestList)
        return failure(QStringLiteral("it is larger than 4 MiB, so it is not a pattern list"));
    if (bytes.contains('\0'))
        return failure(QStringLiteral("it holds NUL bytes, so it is not a pattern list"));
    return {readFields(bytes), std::nullopt};
}

std::optional<Message> FileTypesFile::save(const QStringList &patterns) {
    if (m_state == State::Unreadable) {
        return errorMessage(QStringLiteral("The list of file types was not saved to \"%1\", "
                                           "because that file could not be read when the "
                                           "program started. It has been left as it is.")
                                .arg(nativePath(m_path)));
    }
    if (m_state == State::NotLoaded) {
        // The file was never read, so what it holds is not what the window shows.
        if (patterns.isEmpty())
            return std::nullopt;
        return errorMessage(QStringLiteral("The list of file types was not saved to \"%1\", "
                                           "because that file had not been read yet. It has "
                                           "been left as it is.")
                                .arg(nativePath(m_path)));
    }
    const auto failure = [this](const QString &reason) {
        return errorMessage(QStringLiteral("The list of file types could not be saved to "
                                           "\"%1\": %2.\nAny earlier list in that file is "
                                           "unchanged.")
                                .arg(nativePath(m_path), reason));
    };

    QSaveFile file(m_path);
    // Writing in place when the directory takes no new file would risk a half-written list.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return failure(file.errorString());
    // The write is flushed and checked here: a failure while commit() flushes its buffer would
    // go unnoticed, and the short file would replace the old list.
    const QByteArray bytes = writeRecords(patterns);
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return failure(reason);
    }
    if (!file.commit())
        return failure(file.errorString());
    return std::nullopt;
}

} // namespace culler
