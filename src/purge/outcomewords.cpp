#include "purge/outcomewords.h"

#include "runtime/wildcard.h"

#include <QStringList>
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
};

QString troublesText(const FileTroubles &troubles, const QString &whatHappened,
                     const PathText &pathOf, QString (*reasonOf)(const SystemError &),
                     Noun noun = Noun::File) {
    const bool files = noun == Noun::File;
    QString text =
        troubles.count == 1
            ? QStringLiteral("1 %1 %2:")
                  .arg(files ? QStringLiteral("file") : QStringLiteral("folder"), whatHappened)
            : QStringLiteral("%1 %2 %3:")
                  .arg(troubles.count)
                  .arg(files ? QStringLiteral("files") : QStringLiteral("folders"), whatHappened);
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

} // namespace

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
        return QStringLiteral("Days old must be a number of days, 0 or more.");
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
        return QStringLiteral("not a number of days");
    case Problem::BeyondCalendar:
    case Problem::NotADate:
        return QStringLiteral("not a date");
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
    }
    return QString();
}

QString cutOffInBrief(const Refusal &refusal) {
    // The line goes on with the days text itself, so "of days" would say it twice.
    if (refusal.problem == Problem::NotANumber)
        return QStringLiteral("not a number");
    return QStringLiteral("not a date");
}

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
    text = text.arg(files, removed).arg(kept);
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
    if (outcome.runListError)
        parts << QStringLiteral("The list to put this run back by could not be kept whole: %1.")
                     .arg(outcome.runListError.reason());
    if (parts.isEmpty())
        return QString();
    // The one box the user must close also tells how the run went.
    return parts.join(QStringLiteral("\n\n")) + QLatin1Char('\n') + outcomeText(outcome) +
           QLatin1Char('.');
}

} // namespace culler
