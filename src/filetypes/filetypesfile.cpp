#include "filetypesfile.h"

#include "filetypeslocation.h"
#include "runtime/sequentialfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

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
    m_lastLoadFailed = false;
    const auto failure = [this](const QString &reason) {
        m_lastLoadFailed = true;
        return FileTypesLoad{
            {},
            errorMessage(QStringLiteral("The list of file types in \"%1\" could not be read: "
                                        "%2.\nThe list starts empty, and the file will be left "
                                        "as it is.")
                             .arg(nativePath(m_path), reason))};
    };

    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        // Nothing there yet is the usual first start; anything else is a list we must not lose.
        if (!QFileInfo::exists(m_path))
            return {};
        return failure(file.errorString());
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return failure(file.errorString());
    return {readFields(bytes), std::nullopt};
}

std::optional<Message> FileTypesFile::save(const QStringList &patterns) {
    if (m_lastLoadFailed) {
        return errorMessage(QStringLiteral("The list of file types was not saved to \"%1\", "
                                           "because that file could not be read when the "
                                           "program started. It has been left as it is.")
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
