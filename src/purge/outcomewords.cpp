#include "purge/outcomewords.h"

#include "runtime/wildcard.h"

#include <QStringList>
#include <cmath>
#include <string_view>

namespace culler {

namespace {

QString troubleReason(const SystemError &error) {
    if (error)
        return error.reason();
    return QStringLiteral("its modification time is not a date of this calendar");
}

// A file left in the Trash: the reason the way back failed, when it was not the name taken.
QString leftInTrashReason(const SystemError &error) {
    if (error)
        return QStringLiteral("it changed after it was judged, and cannot go back: %1")
            .arg(error.reason());
    return QStringLiteral("it changed after it was judged, and a new file took its name");
}

// "2 files could not be deleted:", a line for each file named, and the count of the others.
enum class Noun {
    File,
    Folder,
    Record, // an info file of the Trash
    Item,   // a file or folder of the Trash
    Place,  // a directory or file of the Trash itself
};

QString nounText(Noun noun, qint64 count) {
    static const char *const nouns[][2] = {{"file", "files"},
                                           {"folder", "folders"},
                                           {"record", "records"},
                                           {"item", "items"},
                                           {"place", "places"}};
    return QLatin1String(nouns[int(noun)][count == 1 ? 0 : 1]);
}

QString troublesText(const FileTroubles &troubles, const QString &whatHappened,
                     const PathText &pathOf, QString (*reasonOf)(const SystemError &),
                     Noun noun = Noun::File) {
    QString text = QStringLiteral("%1 %2 %3:")
                       .arg(troubles.count)
                       .arg(nounText(noun, troubles.count), whatHappened);
    for (const FileTrouble &file : troubles.named)
        text += QStringLiteral("\n%1: %2").arg(pathOf(file.name), reasonOf(file.error));
    const qint64 unnamed = troubles.count - qint64(troubles.named.size());
    if (unnamed > 0)
        text += QStringLiteral("\n... and %1 more.").arg(unnamed);
    return text;
}

// Why no Trash can take the files, naming the directory at fault.
QString trashProblemText(const Refusal &refusal) {
    const QString place = QString::fromLocal8Bit(refusal.place);
    const QString reason = refusal.error.reason();
    if (refusal.problem == Problem::UnsafeTrash)
        return QStringLiteral("\"%1\" is not a Trash of yours: %2").arg(place, reason);
    if (refusal.problem == Problem::ReadOnlyTrash)
        return QStringLiteral("\"%1\" cannot be written: %2").arg(place, reason);
    if (refusal.problem == Problem::InsideTrash)
        return QStringLiteral("it is inside the Trash \"%1\", whose files would lose their "
                              "records")
            .arg(place);
    if (refusal.problem == Problem::UnlistableTop)
        return QStringLiteral("the mount \"%1\" cannot be listed to tell whether it holds the "
                              "directory in a Trash: %2")
            .arg(place, reason);
    if (refusal.problem == Problem::NoSafeMove)
        return QStringLiteral("the mount \"%1\" can neither rename a file without replacing "
                              "another nor link one: %2")
            .arg(place, reason);
    if (place.isEmpty())
        return QStringLiteral("no Trash can be found: %1").arg(reason);
    return QStringLiteral("no Trash could be made in \"%1\": %2").arg(place, reason);
}

QString filesText(qint64 count) {
    return count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count);
}

QString leftReasonText(const LeftFile &file) {
    switch (file.reason) {
    case LeftReason::PathTaken:
        return QStringLiteral("another file has its name now");
    case LeftReason::FolderGone:
        return QStringLiteral("its folder is gone");
    case LeftReason::FolderTaken:
        return QStringLiteral("a file or a link has its folder's name now");
    case LeftReason::NotInTrash:
        return QStringLiteral("it is no longer in the Trash");
    case LeftReason::NotTheFileMoved:
        return QStringLiteral("the Trash holds another file under its name");
    case LeftReason::Failed:
        break;
    }
    return file.error.reason();
}

// What became of the subdirectories of a run with subfolders, where anything is to be said.
QString foldersText(const PurgeOutcome &outcome) {
    QString text;
    const auto count = [](qint64 number, const char *one, const char *many) {
        return number == 1 ? QString::fromLatin1(one) : QString::fromLatin1(many).arg(number);
    };
    if (outcome.unreadableFolders.count > 0)
        text +=
            count(outcome.unreadableFolders.count, ", 1 folder not read", ", %1 folders not read");
    if (outcome.mountPointsLeft > 0)
        text += count(outcome.mountPointsLeft, ", 1 mount point left alone",
                      ", %1 mount points left alone");
    if (outcome.foldersRemoved > 0)
        text += count(outcome.foldersRemoved, ", 1 emptied folder removed",
                      ", %1 emptied folders removed");
    if (outcome.foldersNotRemoved.count > 0)
        text += count(outcome.foldersNotRemoved.count, ", 1 emptied folder not removed",
                      ", %1 emptied folders not removed");
    return text;
}

// The space a run kept to, as asked: "10 GiB", or "5% of the mount (2 GiB)".
QString spaceAskedText(const PurgeOutcome &outcome) {
    if (outcome.spacePercent < 0)
        return sizeText(outcome.spaceAsked);
    return QStringLiteral("%1% of the mount (%2)")
        .arg(QString::number(outcome.spacePercent), sizeText(outcome.spaceAsked));
}

// Why the space kept to was missed, or could not be read again part way.
QStringList spaceTexts(const PurgeOutcome &outcome) {
    QStringList parts;
    const bool listing = outcome.action == PurgeAction::List;
    const QString directory = shownBytes(outcome.directory);
    if (outcome.spaceError)
        parts << QStringLiteral("The space of the mount of \"%1\" could not be read again: %2. No "
                                "more files went to free space.")
                     .arg(directory, outcome.spaceError.reason());
    if (!outcome.spaceMissed)
        return parts;
    if (outcome.spaceRule == SpaceRule::SizeCap)
        parts << QStringLiteral("The matching files left %1 %2, more than the size cap of %3: the "
                                "files excluded, kept as the newest or kept against the request "
                                "take the rest.")
                     .arg(listing ? QStringLiteral("would take") : QStringLiteral("take"),
                          sizeText(outcome.spaceFound), spaceAskedText(outcome));
    else
        parts << QStringLiteral("The mount of \"%1\" %2 %3 available, less than the %4 asked for: "
                                "no more of the files the cut-off takes are left to go.")
                     .arg(directory, listing ? QStringLiteral("would have") : QStringLiteral("has"),
                          sizeText(outcome.spaceFound), spaceAskedText(outcome));
    return parts;
}

} // namespace

QString sizeText(qint64 bytes) {
    if (bytes == 1)
        return QStringLiteral("1 byte");
    static const char *const units[] = {"KiB", "MiB", "GiB", "TiB", "PiB"};
    int unit = -1;
    double value = double(bytes);
    while (unit < 4 && std::abs(value) >= 1024) {
        value /= 1024;
        ++unit;
    }
    if (unit < 0)
        return QStringLiteral("%1 bytes").arg(bytes);
    // One decimal at most, and none where it would be 0: "10 GiB", "1.5 GiB".
    return QStringLiteral("%1 %2").arg(QString::number(std::round(value * 10) / 10, 'g', 15),
                                       QLatin1String(units[unit]));
}

QString finishedText() {
    return QStringLiteral("Finshed");
}

QString shownBytes(const QByteArray &bytes) {
    const std::string_view text(bytes.constData(), std::size_t(bytes.size()));
    QString shown;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8CharacterLength(text, at);
        const auto byte = static_cast<unsigned char>(text[at]);
        if (length == 1 && (byte < 0x20 || byte >= 0x7F))
            shown += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
        else
            shown += QString::fromUtf8(text.data() + at, qsizetype(length));
        at += length;
    }
    return shown;
}

QString keptRunText(const KeptRun &run) {
    const qint64 back = run.backCount();
    const qint64 files = qint64(run.files.size());
    if (files > 0 && back == files)
        return QStringLiteral("put back");
    QString text = QStringLiteral("%1 moved to the Trash").arg(filesText(files));
    if (back > 0)
        text += QStringLiteral(", %1 put back").arg(back);
    return text;
}

QString putBackQuestion(qint64 files, const QString &directory) {
    return QStringLiteral("Put back the %1 moved to the Trash from \"%2\"?")
        .arg(filesText(files), directory);
}

QString runListUnreadableText(const QByteArray &id, const SystemError &error) {
    return QStringLiteral("Cannot read the list of the run \"%1\": %2.")
        .arg(QString::fromLocal8Bit(id), error.reason());
}

QString putBackRefusalText(const PutBackRefusal &refusal) {
    const QString id = QString::fromLocal8Bit(refusal.id);
    switch (refusal.problem) {
    case PutBackProblem::NoRun:
        return QStringLiteral("No run has been kept: only a run that moves files to the Trash "
                              "can be put back.");
    case PutBackProblem::UnknownRun:
        return QStringLiteral("No kept run has the id \"%1\".").arg(id);
    case PutBackProblem::Unreadable:
        return runListUnreadableText(refusal.id, refusal.error);
    case PutBackProblem::RunsUnreadable:
        return QStringLiteral("Cannot read the folder of the kept runs \"%1\": %2.")
            .arg(shownBytes(refusal.runsDirectory), refusal.error.reason());
    }
    return QString();
}

QString putBackOutcomeText(const PutBackOutcome &outcome) {
    QString text = outcome.action == PurgeAction::List ? QStringLiteral("%1 would be put back")
                                                       : QStringLiteral("%1 put back");
    text = text.arg(filesText(outcome.putBack));
    if (outcome.leftCount > 0)
        text += QStringLiteral(", %1 left in the Trash").arg(outcome.leftCount);
    if (outcome.alreadyBack > 0)
        text += QStringLiteral(", %1 put back before").arg(outcome.alreadyBack);
    if (outcome.notReached > 0)
        text += QStringLiteral(", %1 not come to").arg(outcome.notReached);
    if (outcome.foldersMade > 0)
        text += outcome.foldersMade == 1
                    ? QStringLiteral(", 1 folder made again")
                    : QStringLiteral(", %1 folders made again").arg(outcome.foldersMade);
    return text;
}

QString putBackClosingText(const PutBackOutcome &outcome, const PathText &pathOf) {
    if (outcome.nothingToDo())
        return QStringLiteral("Nothing to put back: the %1 of the run \"%2\" went back before.")
            .arg(filesText(outcome.alreadyBack), QString::fromLocal8Bit(outcome.id));
    QStringList parts;
    if (outcome.leftCount > 0) {
        QString verb =
            outcome.leftCount == 1 ? QStringLiteral("was left") : QStringLiteral("were left");
        if (outcome.action == PurgeAction::List)
            verb = QStringLiteral("would stay");
        QString text =
            QStringLiteral("%1 %2 in the Trash:").arg(filesText(outcome.leftCount), verb);
        for (const LeftFile &file : outcome.left)
            text += QStringLiteral("\n%1: %2").arg(pathOf(file.originalPath), leftReasonText(file));
        const qint64 unnamed = outcome.leftCount - qint64(outcome.left.size());
        if (unnamed > 0)
            text += QStringLiteral("\n... and %1 more.").arg(unnamed);
        parts << text;
    }
    if (outcome.infoKept.count > 0)
        parts << troublesText(
            outcome.infoKept,
            outcome.infoKept.count == 1
                ? QStringLiteral("went back, but its info file stayed in the Trash")
                : QStringLiteral("went back, but their info files stayed in the Trash"),
            pathOf, troubleReason);
    if (outcome.markError)
        parts << QStringLiteral("The list of the run could not note what went back: %1.")
                     .arg(outcome.markError.reason());
    if (parts.isEmpty())
        return QString();
    return parts.join(QStringLiteral("\n\n")) + QLatin1Char('\n') + putBackOutcomeText(outcome) +
           QLatin1Char('.');
}

QString refusalText(const Refusal &refusal) {
    const QString directory = shownBytes(refusal.directory);
    switch (refusal.problem) {
    case Problem::Missing:
        if (refusal.field == RequestField::Directory)
            return QStringLiteral("You must enter a Directory to Purge files from!");
        return QStringLiteral("You must enter a File Type to Purge!");
    case Problem::NotANumber:
        if (refusal.field == RequestField::TrashDays)
            return QStringLiteral("The days after which the Trash is emptied must be a number of "
                                  "days, 0 or more.");
        return QStringLiteral("Days old must be a number of days, 0 or more.");
    case Problem::NotASize:
        if (refusal.field == RequestField::KeepFree)
            return QStringLiteral("\"%1\" is not a size to keep free: give bytes, or a number with "
                                  "K, M, G or T after it (powers of 1024), as 10G, or a share of "
                                  "the drive, as 15%.")
                .arg(refusal.text);
        return QStringLiteral("\"%1\" is not a size to keep the files under: give bytes, or a "
                              "number with K, M, G or T after it (powers of 1024), as 10G.")
            .arg(refusal.text);
    case Problem::TwoSpaceRules:
        return QStringLiteral("Give a size to keep the files under or a space to keep free, not "
                              "both.");
    case Problem::BeyondCalendar:
        return QStringLiteral("%1 days before today is not a date: please enter a smaller number.")
            .arg(refusal.text);
    case Problem::NotADate:
        return QStringLiteral("\"%1\" is not a date. Dates must be of the form %2 (today's date).")
            .arg(refusal.text, refusal.example);
    case Problem::Unreadable:
        return QStringLiteral("Cannot read the directory \"%1\": %2.")
            .arg(directory, refusal.error.reason());
    case Problem::NoTrash:
    case Problem::UnsafeTrash:
    case Problem::ReadOnlyTrash:
    case Problem::InsideTrash:
    case Problem::NoSafeMove:
    case Problem::UnlistableTop:
        return QStringLiteral("Cannot move the files of \"%1\" to the Trash: %2.")
            .arg(directory, trashProblemText(refusal));
    case Problem::TrashFreesNoSpace:
        return QStringLiteral("Moving files to the Trash frees no space: the Trash is on the "
                              "directory's own mount. Delete the files to keep space free.");
    case Problem::NoMountSpace:
        return QStringLiteral("Cannot read the space of the mount of \"%1\": %2.")
            .arg(directory, refusal.error.reason());
    }
    return QString();
}

QString refusalInBrief(const Refusal &refusal) {
    switch (refusal.problem) {
    case Problem::Missing:
        if (refusal.field == RequestField::Directory)
            return QStringLiteral("no directory");
        return QStringLiteral("no file type");
    case Problem::NotANumber:
        if (refusal.field == RequestField::TrashDays)
            return QStringLiteral("not a number of days for the Trash");
        return QStringLiteral("not a number of days");
    case Problem::BeyondCalendar:
        if (refusal.field == RequestField::TrashDays)
            return QStringLiteral("too many days for the Trash");
        [[fallthrough]];
    case Problem::NotADate:
        return QStringLiteral("not a date");
    case Problem::NotASize:
        return QStringLiteral("not a size: %1").arg(refusal.text);
    case Problem::TwoSpaceRules:
        return QStringLiteral("keep under and keep free both given");
    case Problem::Unreadable:
        return QStringLiteral("cannot read the directory: %1").arg(refusal.error.reason());
    case Problem::NoTrash:
    case Problem::UnsafeTrash:
    case Problem::ReadOnlyTrash:
    case Problem::NoSafeMove:
    case Problem::UnlistableTop:
        return QStringLiteral("no Trash: %1").arg(trashProblemText(refusal));
    case Problem::InsideTrash:
        return QStringLiteral("inside the Trash");
    case Problem::TrashFreesNoSpace:
        return QStringLiteral("the Trash frees no space");
    case Problem::NoMountSpace:
        return QStringLiteral("cannot read the mount's space: %1").arg(refusal.error.reason());
    }
    return QString();
}

QString cutOffInBrief(const Refusal &refusal) {
    // The line goes on with the days text itself, so "of days" would say it twice.
    if (refusal.problem == Problem::NotANumber)
        return QStringLiteral("not a number");
    return QStringLiteral("not a date");
}

namespace {

// What a run with a size cap or a free-space goal says after what it removed.
QString forSpaceText(const PurgeOutcome &outcome) {
    if (outcome.spaceRule == SpaceRule::KeepFree)
        return QStringLiteral(" to keep %1 free").arg(spaceAskedText(outcome));
    if (outcome.spaceRule == SpaceRule::SizeCap && outcome.removedForSpace > 0)
        return QStringLiteral(" (%1 for the size cap of %2)")
            .arg(outcome.removedForSpace)
            .arg(spaceAskedText(outcome));
    return QString();
}

} // namespace

QString outcomeText(const PurgeOutcome &outcome) {
    const QString files = outcome.removed == 1 ? QStringLiteral("1 file")
                                               : QStringLiteral("%1 files").arg(outcome.removed);
    // The newest kept are kept too; only the files kept against the request are told apart.
    const qint64 kept = outcome.examined - outcome.removed - outcome.notRemoved.count -
                        outcome.notExamined.count - outcome.leftInTrash.count;
    const bool trash = outcome.removal == RemovalKind::Trash;
    const QString removed =
        trash ? QStringLiteral("moved to the Trash") : QStringLiteral("deleted");
    QString text = outcome.action == PurgeAction::List ? QStringLiteral("%1 would be %2, %3 kept")
                                                       : QStringLiteral("%1 %2, %3 kept");
    text = text.arg(files, removed + forSpaceText(outcome)).arg(kept);
    if (outcome.sparedForSpace > 0)
        text += QStringLiteral(", %1 of them old enough but not needed for space")
                    .arg(outcome.sparedForSpace);
    if (outcome.keptNewest > 0)
        text += QStringLiteral(", %1 of them as the newest").arg(outcome.keptNewest);
    if (outcome.excluded > 0)
        text += QStringLiteral(", %1 excluded").arg(outcome.excluded);
    if (outcome.notExamined.count > 0)
        text += QStringLiteral(", %1 not examined").arg(outcome.notExamined.count);
    if (outcome.notRemoved.count > 0)
        text += (trash ? QStringLiteral(", %1 not moved") : QStringLiteral(", %1 not deleted"))
                    .arg(outcome.notRemoved.count);
    if (outcome.leftInTrash.count > 0)
        text += QStringLiteral(", %1 left in the Trash").arg(outcome.leftInTrash.count);
    return text + foldersText(outcome);
}

QString notificationTitle(const PurgeOutcome &outcome) {
    if (outcome.removed == 0 && !outcome.fellShort())
        return QString();
    const QString files = outcome.removed == 1 ? QStringLiteral("1 file")
                                               : QStringLiteral("%1 files").arg(outcome.removed);
    const QString removed = outcome.removal == RemovalKind::Trash
                                ? QStringLiteral("moved to the Trash")
                                : QStringLiteral("deleted");
    return QStringLiteral("Culler: %1 %2 from %3")
        .arg(files, removed, shownBytes(outcome.directory));
}

QString refusedNotificationTitle(const QByteArray &directory) {
    return QStringLiteral("Culler: nothing done in %1").arg(shownBytes(directory));
}

QString listingInBrief(const PurgeOutcome &outcome) {
    if (!outcome.listingError)
        return QString();
    return refusalInBrief(Refusal::unreadableDirectory(outcome.directory, outcome.listingError));
}

QString closingText(const PurgeOutcome &outcome, const PathText &pathOf) {
    QStringList parts;
    if (outcome.listingError)
        parts << refusalText(Refusal::unreadableDirectory(outcome.directory, outcome.listingError));
    if (outcome.unreadableFolders.count > 0)
        parts << troublesText(outcome.unreadableFolders, QStringLiteral("could not be read"),
                              pathOf, troubleReason, Noun::Folder);
    if (outcome.notExamined.count > 0)
        parts << troublesText(outcome.notExamined, QStringLiteral("could not be examined"), pathOf,
                              troubleReason);
    if (outcome.notRemoved.count > 0)
        parts << troublesText(outcome.notRemoved,
                              outcome.removal == RemovalKind::Trash
                                  ? QStringLiteral("could not be moved to the Trash")
                                  : QStringLiteral("could not be deleted"),
                              pathOf, troubleReason);
    if (outcome.leftInTrash.count > 0)
        parts << troublesText(outcome.leftInTrash,
                              QStringLiteral("could not be put back from the Trash"), pathOf,
                              leftInTrashReason);
    if (outcome.foldersNotRemoved.count > 0)
        parts << troublesText(outcome.foldersNotRemoved,
                              QStringLiteral("emptied by the run could not be removed"), pathOf,
                              troubleReason, Noun::Folder);
    parts << spaceTexts(outcome);
    if (outcome.runListError)
        parts << QStringLiteral("The list to put this run back by could not be kept whole: %1.")
                     .arg(outcome.runListError.reason());
    if (parts.isEmpty())
        return QString();
    // The one box the user must close also tells how the run went.
    return parts.join(QStringLiteral("\n\n")) + QLatin1Char('\n') + outcomeText(outcome) +
           QLatin1Char('.');
}

namespace {

QString itemsText(qint64 count) {
    return count == 1 ? QStringLiteral("1 item") : QStringLiteral("%1 items").arg(count);
}

QString undatedReason(const SystemError &error) {
    if (error)
        return QStringLiteral("it cannot be read: %1; it and its item are kept")
            .arg(error.reason());
    return QStringLiteral("its DeletionDate does not read as a date; it and its item are kept");
}

} // namespace

QString trashExpiryText(const TrashExpiryOutcome &outcome) {
    QString text = outcome.action == PurgeAction::List
                       ? QStringLiteral("%1 would be removed from the Trash for good, %2 kept")
                       : QStringLiteral("%1 removed from the Trash for good, %2 kept");
    text = text.arg(itemsText(outcome.removed)).arg(outcome.kept);
    if (outcome.recordsRemoved > 0)
        text += outcome.recordsRemoved == 1
                    ? QStringLiteral(", 1 record without its item removed")
                    : QStringLiteral(", %1 records without their items removed")
                          .arg(outcome.recordsRemoved);
    if (outcome.notRemoved.count > 0)
        text += QStringLiteral(", %1 not removed").arg(outcome.notRemoved.count);
    if (outcome.undated.count > 0)
        text += outcome.undated.count == 1
                    ? QStringLiteral(", 1 record without a date")
                    : QStringLiteral(", %1 records without a date").arg(outcome.undated.count);
    if (outcome.unreadable.count > 0)
        text += QStringLiteral(", %1 not read").arg(outcome.unreadable.count);
    return text;
}

QString trashExpiryClosingText(const TrashExpiryOutcome &outcome) {
    const PathText pathOf = [](const QByteArray &path) {
        return shownBytes(path);
    };
    QStringList parts;
    if (outcome.undated.count > 0)
        parts << troublesText(outcome.undated, QStringLiteral("of the Trash could not be dated"),
                              pathOf, undatedReason, Noun::Record);
    if (outcome.notRemoved.count > 0)
        parts << troublesText(outcome.notRemoved,
                              QStringLiteral("of the Trash could not be removed"), pathOf,
                              troubleReason, Noun::Item);
    if (outcome.unreadable.count > 0)
        parts << troublesText(outcome.unreadable,
                              QStringLiteral("of the Trash could not be read "
                                             "or written"),
                              pathOf, troubleReason, Noun::Place);
    if (parts.isEmpty())
        return QString();
    return parts.join(QStringLiteral("\n\n")) + QLatin1Char('\n') + trashExpiryText(outcome) +
           QLatin1Char('.');
}

} // namespace culler
