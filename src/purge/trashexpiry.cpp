#include "purge/trashexpiry.h"

#include "purge/runparts.h"
#include "runtime/trashitems.h"
#include "runtime/wildcard.h"

#include <QFile>
#include <QFileInfo>
#include <QTimeZone>
#include <cerrno>

namespace culler {

namespace {

// The number of count digits at text[at], or -1 where any of them is not a digit.
int digitsAt(const QByteArray &text, qsizetype at, int count) {
    if (at + count > text.size())
        return -1;
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char c = text[at + i];
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

struct InfoRecord {
    QByteArray path; // as written: percent-encoded
    QByteArray deletionDate;
    bool hasPath = false;
    bool hasDate = false;
};

// The keys of the [Trash Info] group; the first of each counts.
InfoRecord readRecord(const QByteArray &text) {
    InfoRecord record;
    bool inGroup = false;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith('[')) {
            inGroup = line == "[Trash Info]";
        } else if (inGroup && line.startsWith("Path=") && !record.hasPath) {
            record.path = line.mid(5);
            record.hasPath = true;
        } else if (inGroup && line.startsWith("DeletionDate=") && !record.hasDate) {
            record.deletionDate = line.mid(13).trimmed();
            record.hasDate = true;
        }
    }
    return record;
}

class Expiry {
public:
    Expiry(const TrashExpiryJob &job, const std::function<void(const QByteArray &)> &chosen)
        : m_job(job)
        , m_chosen(chosen)
        , m_patterns(job.origin ? job.origin->patterns : std::vector<QByteArray>())
        , m_exclusions(job.origin ? job.origin->exclusions : std::vector<QByteArray>())
        , m_outcome(job) {}

    TrashExpiryOutcome run() {
        const TrashPlaces places = m_job.places.value_or(TrashPlaces::ofThisUser());
        for (const OwnTrash &trash : ownTrashes(places, m_job.mountTops.value_or(mountedTops()))) {
            ++m_outcome.trashes;
            expire(trash);
        }
        return std::move(m_outcome);
    }

private:
    void expire(const OwnTrash &trash) {
        std::vector<QByteArray> folders;
        const SystemError listing =
            forEachInfoFile(trash, [&](const char *infoName) { judge(trash, infoName, folders); });
        if (listing)
            addTrouble(m_outcome.unreadable, m_job.namedFiles, trash.path + "/info", listing);
        // The cache of folder sizes would otherwise name folders no longer there.
        if (!folders.empty())
            if (const SystemError error = forgetFolderSizes(trash, folders))
                addTrouble(m_outcome.unreadable, m_job.namedFiles, trash.path + "/directorysizes",
                           error);
    }

    void judge(const OwnTrash &trash, const char *infoName, std::vector<QByteArray> &folders) {
        const QByteArray infoPath = trash.path + "/info/" + infoName;
        const Expected<QByteArray, SystemError> text = readInfoFile(trash, infoName);
        if (!text)
            return addTrouble(m_outcome.undated, m_job.namedFiles, infoPath, text.error());
        const InfoRecord record = readRecord(*text);
        if (m_job.origin && !fromOrigin(trash, record)) {
            ++m_outcome.kept;
            return;
        }
        const std::optional<DateValue> deleted =
            record.hasDate ? readDeletionDate(record.deletionDate) : std::nullopt;
        if (!deleted)
            return addTrouble(m_outcome.undated, m_job.namedFiles, infoPath, {});
        const DateValue day = datePart(*deleted);
        if (day > m_job.cutOff) {
            ++m_outcome.kept;
            return;
        }
        const QByteArray item(infoName, qsizetype(std::strlen(infoName)) - 10);
        const QByteArray itemPath = trash.path + "/files/" + item;
        const Expected<ItemKind, SystemError> kind = itemKind(trash, item.constData());
        if (!kind)
            return addTrouble(m_outcome.notRemoved, m_job.namedFiles, itemPath, kind.error());
        if (*kind == ItemKind::Missing)
            return orphan(trash, infoName, infoPath, day);
        if (m_job.action == PurgeAction::List) {
            ++m_outcome.removed;
            return tellChosen(itemPath);
        }
        if (const SystemError error = removeItem(trash, item.constData()))
            return addTrouble(m_outcome.notRemoved, m_job.namedFiles, itemPath, error);
        if (*kind == ItemKind::Folder)
            folders.push_back(item);
        ++m_outcome.removed;
        tellChosen(itemPath);
        if (const SystemError error = removeInfoFile(trash, infoName))
            addTrouble(m_outcome.notRemoved, m_job.namedFiles, infoPath, error);
    }

    // A record whose item is gone holds nothing to restore; but one dated today may be a move
    // into the Trash in progress, which writes the record first, so only older ones go.
    void orphan(const OwnTrash &trash, const char *infoName, const QByteArray &infoPath,
                DateValue day) {
        if (day >= m_job.today) {
            ++m_outcome.kept;
            return;
        }
        if (m_job.action == PurgeAction::Remove)
            if (const SystemError error = removeInfoFile(trash, infoName); error.code != 0)
                return addTrouble(m_outcome.notRemoved, m_job.namedFiles, infoPath, error);
        ++m_outcome.recordsRemoved;
    }

    // Whether the record names a file of the purge's directory (or below it) that its patterns
    // take: the place a record names is absolute in the home Trash, else from the mount's top.
    bool fromOrigin(const OwnTrash &trash, const InfoRecord &record) const {
        if (!record.hasPath || record.path.isEmpty())
            return false;
        QByteArray path = QByteArray::fromPercentEncoding(record.path);
        if (!path.startsWith('/'))
            path = directoryPrefix(trash.mountTop) + path;
        const qsizetype slash = path.lastIndexOf('/');
        const QByteArray folder = slash == 0 ? QByteArray("/") : path.left(slash);
        const QByteArray name = path.mid(slash + 1);
        const QByteArray &directory = m_job.origin->directory;
        const bool inside =
            folder == directory || (m_job.origin->subfolders == Subfolders::Included &&
                                    folder.startsWith(directoryPrefix(directory)));
        const std::string_view bytes(name.constData(), std::size_t(name.size()));
        return inside && m_patterns.matchesAny(bytes) && !m_exclusions.matchesAny(bytes);
    }

    void tellChosen(const QByteArray &path) {
        if (m_chosen)
            m_chosen(path);
    }

    const TrashExpiryJob &m_job;
    const std::function<void(const QByteArray &)> &m_chosen;
    const Wildcards m_patterns;
    const Wildcards m_exclusions;
    TrashExpiryOutcome m_outcome;
};

} // namespace

std::optional<DateValue> readDeletionDate(const QByteArray &text) {
    const bool dashes = text.size() > 4 && text[4] == '-';
    const int year = digitsAt(text, 0, 4);
    const int month = digitsAt(text, dashes ? 5 : 4, 2);
    const int day = digitsAt(text, dashes ? 8 : 6, 2);
    qsizetype at = dashes ? 10 : 8;
    if (dashes && (text.size() < 8 || text[7] != '-'))
        return std::nullopt;
    if (at >= text.size() || text[at] != 'T' || at + 9 > text.size() || text[at + 3] != ':' ||
        text[at + 6] != ':')
        return std::nullopt;
    const int hour = digitsAt(text, at + 1, 2);
    const int minute = digitsAt(text, at + 4, 2);
    const int second = digitsAt(text, at + 7, 2);
    at += 9;
    if (at < text.size() && text[at] == '.') {
        const qsizetype start = ++at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9')
            ++at;
        if (at == start)
            return std::nullopt;
    }
    std::optional<int> offset;
    if (at < text.size() && text[at] == 'Z') {
        offset = 0;
        ++at;
    } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        const bool colon = at + 3 < text.size() && text[at + 3] == ':';
        const int hours = digitsAt(text, at + 1, 2);
        const int minutes = digitsAt(text, at + (colon ? 4 : 3), 2);
        if (hours < 0 || minutes < 0 || hours > 23 || minutes > 59)
            return std::nullopt;
        offset = (hours * 60 + minutes) * 60 * (text[at] == '-' ? -1 : 1);
        at += colon ? 6 : 5;
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (at != text.size() || year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 ||
        second < 0 || !date.isValid() || !time.isValid())
        return std::nullopt;
    const QDateTime local =
        offset ? QDateTime(date, time, QTimeZone(*offset)).toLocalTime() : QDateTime(date, time);
    if (!local.isValid())
        return std::nullopt;
    const DateValue value = dateValueOf(local);
    if (!isInDateRange(value))
        return std::nullopt;
    return value;
}

TrashExpiryOutcome expireTrash(const TrashExpiryJob &job,
                               const std::function<void(const QByteArray &path)> &chosen) {
    return Expiry(job, chosen).run();
}

TrashExpiryJob trashExpiryAfter(const PurgeJob &job, const TrashEmptying &emptying) {
    TrashExpiryJob expiry;
    expiry.cutOff = emptying.cutOff;
    expiry.today = emptying.today;
    expiry.action = job.action;
    expiry.places = job.trash;
    expiry.namedFiles = job.namedFiles;
    const QString directory = QFileInfo(QFile::decodeName(job.directory)).canonicalFilePath();
    expiry.origin =
        TrashOrigin{QFile::encodeName(directory), job.subfolders, job.patterns, job.exclusions};
    return expiry;
}

} // namespace culler
