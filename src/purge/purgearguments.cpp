#include "purge/purgearguments.h"

#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>

namespace culler {

namespace {

QString dashed(const char *name) {
    return QStringLiteral("--") + QLatin1String(name);
}

OptionValues flag(bool given) {
    return given ? OptionValues{QByteArray()} : OptionValues{};
}

OptionValues textValue(const std::optional<QString> &text) {
    return text ? OptionValues{text->toLocal8Bit()} : OptionValues{};
}

OptionValues numberValue(const std::optional<qint64> &number) {
    return number ? OptionValues{QByteArray::number(*number)} : OptionValues{};
}

// A whole number, 0 or more; nothing for any other text.
std::optional<qint64> wholeNumber(const QByteArray &bytes) {
    const QString text = QString::fromLocal8Bit(bytes).trimmed();
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (!ok || number < 0 || text.startsWith(QLatin1Char('+')))
        return std::nullopt;
    return number;
}

const PurgeOption *optionNamed(const QByteArray &dashedName) {
    for (const PurgeOption &option : purgeOptions()) {
        if (dashedName == QByteArray("--") + option.name)
            return &option;
    }
    return nullptr;
}

OptionValues spaceValue(const std::optional<SpaceAmount> &space) {
    if (!space)
        return {};
    if (space->percent >= 0)
        return {QByteArray::number(space->percent) + '%'};
    return {QByteArray::number(space->bytes)};
}

bool isGiven(const PurgeOption &option, const PurgeArguments &arguments) {
    return !option.write(arguments).empty();
}

} // namespace

// A row: what the option is called and what its help says; how often it may be given, whether it
// must be, what it goes with and why a daily purge cannot carry it, where they differ from the
// defaults; how its values go into the arguments and come back out of them.
const std::vector<PurgeOption> &purgeOptions() {
    static const std::vector<PurgeOption> options = {
        {.name = "directory",
         .valueName = "DIR",
         .help = "The directory whose old files are deleted. Required.",
         .required = true,
         .read = [](const OptionValues &values, PurgeArguments &arguments) -> OptionProblem {
             arguments.directory = values.front();
             return std::nullopt;
         },
         .write =
             [](const PurgeArguments &arguments) {
                 return arguments.directory.isEmpty() ? OptionValues{}
                                                      : OptionValues{arguments.directory};
             }},
        {.name = "pattern",
         .valueName = "PATTERN",
         .help = "The files to delete: * stands for any run of characters, ? for one. Required; "
                 "give it again for more kinds of file; quote it, so that the shell leaves it "
                 "alone.",
         .repeats = Repeats::Many,
         .required = true,
         .read = [](const OptionValues &values, PurgeArguments &arguments) -> OptionProblem {
             arguments.patterns = values;
             return std::nullopt;
         },
         .write =
             [](const PurgeArguments &arguments) {
                 return arguments.patterns;
             }},
        {.name = "exclude",
         .valueName = "PATTERN",
         .help = "Never delete a file that matches PATTERN, whatever its age. May be given more "
                 "than once.",
         .repeats = Repeats::Many,
         .read = [](const OptionValues &values, PurgeArguments &arguments) -> OptionProblem {
             if (std::find(values.begin(), values.end(), QByteArray()) != values.end())
                 return QStringLiteral("--exclude is empty: give the pattern of the files to "
                                       "keep.");
             arguments.exclusions = values;
             return std::nullopt;
         },
         .write =
             [](const PurgeArguments &arguments) {
                 return arguments.exclusions;
             }},
        {.name = "keep-newest",
         .valueName = "N",
         .help = "Keep the N newest of the files the patterns take, whatever their age, and judge "
                 "the others by the cut-off. Files that change during the run can make the kept "
                 "set differ from a listing taken before it.",
         .read = [](const OptionValues &values, PurgeArguments &arguments) -> OptionProblem {
             arguments.keepNewest = wholeNumber(values.front());
             if (!arguments.keepNewest)
                 return QStringLiteral("--keep-newest takes a whole number of files, 0 or more.");
             return std::nullopt;
         },
         .write =
             [](const PurgeArguments &arguments) {
                 return numberValue(arguments.keepNewest);
             }},
        {.name = "max-size",
         .valueName = "SIZE",
         .help = "After the cut-off, while the matching files left take more than SIZE, delete the "
                 "oldest of them; those excluded or kept as the newest are counted, never "
                 "deleted for it. SIZE in bytes, or with K, M, G or T, powers of 1024: 10G is "
                 "10*1024^3 bytes.",
         .read = [](const OptionValues &values, PurgeArguments &arguments) -> OptionProblem {
             const std::optional<SpaceAmount> size = spaceFromText(values.front(), false);
             if (!size)
                 return QStringLiteral("--max-size takes a size: bytes, or a number with K, M, G "
                                       "or T after it (powers of 1024), as 10G.");
             arguments.maxSize = size->bytes;
             return std::nullopt;
         },
         .write =
             [](const PurgeArguments &arguments) {
                 return numberValue(arguments.maxSize);
             }},
        {.name = "keep-free",
         .valueName = "SIZE|N%",
         .help = "Of the files the cut-off takes, delete the oldest only until the mount of DIR "
                 "has SIZE (or N% of its size) available to users, and none when it has. Not with "
                 "--trash: moving to the Trash frees no space.",
         .read = [](const OptionValues &values, PurgeArguments &arguments) -> OptionProblem {
             arguments.keepFree = spaceFromText(values.front(), true);
             if (!arguments.keepFree)
                 return QStringLiteral("--keep-free takes a size: bytes, or a number with K, M, G "
                                       "or T after it (powers of 1024), as 10G, or a share of the "
                                       "mount, as 10%.");
             return std::nullopt;
         },
         .write =
             [](const PurgeArguments &arguments) {
                 return spaceValue(arguments.keepFree);
             }},
        {.name = "days",
         .valueName = "N",
         .help = "Delete the files dated N days before today or earlier. N may have a fraction.",
         .read = [](const OptionValues &values, PurgeArguments &arguments) -> OptionProblem {
             arguments.days = QString::fromLocal8Bit(values.front());
             return std::nullopt;
         },
         .write =
             [](const PurgeArguments &arguments) {
                 return textValue(arguments.days);
             }},
        {.name = "before",
         .valueName = "DATE",
         .help = "Delete the files dated DATE or earlier: YYYY-MM-DD, or the short date of your "
                 "locale.",
         .notDaily = "a fixed date would delete the same files every day; give --days",
         .read = [](const OptionValues &values, PurgeArguments &arguments) -> OptionProblem {
             arguments.before = QString::fromLocal8Bit(values.front());
             return std::nullopt;
         },
         .write =
             [](const PurgeArguments &arguments) {
                 return textValue(arguments.before);
             }},
        {.name = "recursive",
         .help = "Go down into every subdirectory of DIR too, never through a link, into a hidden "
                 "directory or one whose name an --exclude matches, nor onto another mount.",
         .read = [](const OptionValues &, PurgeArguments &arguments) -> OptionProblem {
             arguments.subfolders = Subfolders::Included;
             return std::nullopt;
         },
         .write =
             [](const PurgeArguments &arguments) {
                 return flag(arguments.subfolders == Subfolders::Included);
             }},
        {.name = "max-depth",
         .valueName = "N",
         .help = "With --recursive, go at most N levels below DIR (1: its own subdirectories, not "
                 "theirs).",
         .goesWith = "recursive",
         .read = [](const OptionValues &values, PurgeArguments &arguments) -> OptionProblem {
             arguments.maxDepth = wholeNumber(values.front());
             if (!arguments.maxDepth)
                 return QStringLiteral("--max-depth takes a whole number of levels, 0 or more.");
             return std::nullopt;
         },
         .write =
             [](const PurgeArguments &arguments) {
                 return numberValue(arguments.maxDepth);
             }},
        {.name = "remove-empty-dirs",
         .help = "With --recursive, remove each subdirectory the run emptied, deepest first; never "
                 "DIR itself, nor a directory holding anything else.",
         .goesWith = "recursive",
         .read = [](const OptionValues &, PurgeArguments &arguments) -> OptionProblem {
             arguments.emptiedFolders = EmptiedFolders::Removed;
             return std::nullopt;
         },
         .write =
             [](const PurgeArguments &arguments) {
                 return flag(arguments.emptiedFolders == EmptiedFolders::Removed);
             }},
        {.name = "trash",
         .help = "Move the files to your Trash instead of deleting them; the desktop's Trash "
                 "restores them.",
         .read = [](const OptionValues &, PurgeArguments &arguments) -> OptionProblem {
             arguments.removal = RemovalKind::Trash;
             return std::nullopt;
         },
         .write =
             [](const PurgeArguments &arguments) {
                 return flag(arguments.removal == RemovalKind::Trash);
             }},
        {.name = "trash-days",
         .valueName = "N",
         .help = "With --trash, after the run remove for good from the Trash what the request "
                 "moved there N days ago or more: the files of DIR its patterns take.",
         .goesWith = "trash",
         .read = [](const OptionValues &values, PurgeArguments &arguments) -> OptionProblem {
             arguments.trashDays = QString::fromLocal8Bit(values.front());
             return std::nullopt;
         },
         .write =
             [](const PurgeArguments &arguments) {
                 return textValue(arguments.trashDays);
             }},
        {.name = "dry-run",
         .help = "Delete nothing: list the files a real run would delete now, or put back.",
         .notDaily = "it would delete nothing, every day; try the request with --dry-run alone "
                     "first",
         .read = [](const OptionValues &, PurgeArguments &arguments) -> OptionProblem {
             arguments.action = PurgeAction::List;
             return std::nullopt;
         },
         .write =
             [](const PurgeArguments &arguments) {
                 return flag(arguments.action == PurgeAction::List);
             }},
        {.name = "verbose",
         .help = "List every file as it is deleted.",
         .notDaily = "nobody reads what a run from a timer lists; its messages go to the journal",
         .read = [](const OptionValues &, PurgeArguments &arguments) -> OptionProblem {
             arguments.verbose = true;
             return std::nullopt;
         },
         .write =
             [](const PurgeArguments &arguments) {
                 return flag(arguments.verbose);
             }},
        {.name = "null",
         .help = "End each listed file with a NUL instead of a newline, for xargs -0.",
         .notDaily = "a run from a timer lists no files",
         .read = [](const OptionValues &, PurgeArguments &arguments) -> OptionProblem {
             arguments.nulEnded = true;
             return std::nullopt;
         },
         .write =
             [](const PurgeArguments &arguments) {
                 return flag(arguments.nulEnded);
             }},
        {.name = "notify",
         .help = "After a run that removed files, kept some against the request or did nothing, "
                 "tell the desktop in a notification.",
         .read = [](const OptionValues &, PurgeArguments &arguments) -> OptionProblem {
             arguments.notify = true;
             return std::nullopt;
         },
         .write =
             [](const PurgeArguments &arguments) {
                 return flag(arguments.notify);
             }},
    };
    return options;
}

Expected<PurgeArguments, QString>
readPurgeArguments(const std::function<OptionValues(const PurgeOption &)> &valuesOf) {
    PurgeArguments arguments;
    QStringList required;
    bool missing = false;
    for (const PurgeOption &option : purgeOptions()) {
        if (option.required)
            required << dashed(option.name);
        const OptionValues values = valuesOf(option);
        if (values.empty()) {
            missing = missing || option.required;
            continue;
        }
        if (option.repeats == Repeats::Once && values.size() > 1)
            return unexpected(
                QStringLiteral("%1 is given more than once.").arg(dashed(option.name)));
        if (OptionProblem problem = option.read(values, arguments))
            return unexpected(*std::move(problem));
    }
    if (missing)
        return unexpected(QStringLiteral("%1 are required: say what to delete.")
                              .arg(required.join(QLatin1String(" and "))));
    if (arguments.days.has_value() == arguments.before.has_value())
        return unexpected(QStringLiteral("give exactly one of --days and --before."));
    if (arguments.maxSize && arguments.keepFree)
        return unexpected(QStringLiteral("give one of --max-size and --keep-free."));
    for (const PurgeOption &option : purgeOptions()) {
        if (option.goesWith == nullptr || !isGiven(option, arguments))
            continue;
        const PurgeOption *needed = optionNamed(QByteArray("--") + option.goesWith);
        if (needed != nullptr && !isGiven(*needed, arguments))
            return unexpected(QStringLiteral("%1 goes with %2.")
                                  .arg(dashed(option.name), dashed(option.goesWith)));
    }
    return arguments;
}

QList<QByteArray> purgeArgumentList(const PurgeArguments &arguments) {
    QList<QByteArray> list;
    for (const PurgeOption &option : purgeOptions()) {
        for (const QByteArray &value : option.write(arguments)) {
            list << QByteArray("--") + option.name;
            if (option.takesValue())
                list << value;
        }
    }
    return list;
}

Expected<PurgeArguments, QString> readPurgeArgumentList(const QList<QByteArray> &list) {
    std::map<const PurgeOption *, OptionValues> given;
    for (qsizetype at = 0; at < list.size(); ++at) {
        QByteArray name = list[at];
        std::optional<QByteArray> value;
        if (const qsizetype equals = name.indexOf('='); equals > 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        }
        const PurgeOption *option = optionNamed(name);
        if (option == nullptr)
            return unexpected(QStringLiteral("\"%1\" is no option of a purge.")
                                  .arg(QString::fromLocal8Bit(name)));
        if (option->takesValue() && !value) {
            if (++at == list.size())
                return unexpected(QStringLiteral("%1 has no value.").arg(dashed(option->name)));
            value = list[at];
        }
        if (!option->takesValue() && value)
            return unexpected(QStringLiteral("%1 takes no value.").arg(dashed(option->name)));
        given[option].push_back(value.value_or(QByteArray()));
    }
    return readPurgeArguments([&given](const PurgeOption &option) {
        const auto found = given.find(&option);
        return found == given.end() ? OptionValues{} : found->second;
    });
}

OptionProblem notCarriedDaily(const PurgeArguments &arguments) {
    QStringList refused;
    for (const PurgeOption &option : purgeOptions()) {
        if (option.notDaily != nullptr && isGiven(option, arguments))
            refused << QStringLiteral("%1 cannot be part of a daily purge: %2.")
                           .arg(dashed(option.name), QLatin1String(option.notDaily));
    }
    if (refused.isEmpty())
        return std::nullopt;
    return refused.join(QLatin1Char('\n'));
}

PurgeArguments argumentsOf(const PurgeRequest &form) {
    PurgeArguments arguments;
    arguments.directory = QFile::encodeName(form.directory);
    arguments.patterns = {QFile::encodeName(form.pattern)};
    if (form.mode == PurgeMode::Days)
        arguments.days = form.daysOld;
    else
        arguments.before = form.beforeDate;
    arguments.subfolders = form.subfolders;
    arguments.removal = form.removal;
    if (const std::optional<SpaceAmount> cap = spaceFromText(form.maxSize.toUtf8(), false))
        arguments.maxSize = cap->bytes;
    if (const std::optional<SpaceAmount> free = spaceFromText(form.keepFree.toUtf8(), true))
        arguments.keepFree = free;
    if (form.removal == RemovalKind::Trash && !form.trashDays.trimmed().isEmpty())
        arguments.trashDays = form.trashDays.trimmed();
    return arguments;
}

PurgeJob jobOf(const PurgeArguments &arguments) {
    PurgeJob job;
    job.directory = arguments.directory;
    job.patterns = arguments.patterns;
    job.exclusions = arguments.exclusions;
    job.subfolders = arguments.subfolders;
    job.maxDepth = arguments.maxDepth.value_or(job.maxDepth);
    job.emptiedFolders = arguments.emptiedFolders;
    job.keepNewest = arguments.keepNewest.value_or(0);
    if (arguments.maxSize) {
        job.spaceRule = SpaceRule::SizeCap;
        job.space.bytes = *arguments.maxSize;
    } else if (arguments.keepFree) {
        job.spaceRule = SpaceRule::KeepFree;
        job.space = *arguments.keepFree;
    }
    job.action = arguments.action;
    job.removal = arguments.removal;
    return job;
}

std::optional<SpaceAmount> spaceFromText(const QByteArray &given, bool sharesAllowed) {
    QByteArray text = given.trimmed();
    const bool share = sharesAllowed && text.endsWith('%');
    if (share)
        text.chop(1);
    int power = 0;
    if (!share) {
        if (text.endsWith("iB"))
            text.chop(2);
        else if (text.endsWith('B'))
            text.chop(1);
        static constexpr char units[] = "KMGT";
        if (!text.isEmpty())
            if (const char *unit = std::strchr(units, std::toupper(uchar(text.back())));
                unit != nullptr && *unit != '\0') {
                power = int(unit - units) + 1;
                text.chop(1);
            }
    }
    // Digits, with one "." among them: no sign, no exponent, no blanks left.
    const qsizetype point = text.indexOf('.');
    bool digits = !text.isEmpty() && text != ".";
    for (qsizetype i = 0; i < text.size(); ++i)
        digits = digits && (std::isdigit(uchar(text[i])) || i == point);
    if (!digits || (point >= 0 && power == 0 && !share))
        return std::nullopt;
    const double value = text.toDouble() * std::pow(1024.0, power);
    if (share)
        return value <= 100 ? std::optional(SpaceAmount{0, value}) : std::nullopt;
    if (value >= 9.2e18)
        return std::nullopt;
    return SpaceAmount{qint64(value)};
}

CutOffText cutOffOf(const PurgeArguments &arguments) {
    // Scripts write YYYY-MM-DD whatever the locale; the locale's short date works too.
    if (arguments.days)
        return {PurgeMode::Days, *arguments.days};
    return {PurgeMode::Date, arguments.before.value_or(QString()), DateForms::IsoShortDate};
}

} // namespace culler
