#pragma once

// The options of a purge as a command line gives them, in one table: the command line's parser
// and help, the command a daily purge's service runs (written, and read back from its unit) and the
// window's daily purge all take them from here, so a new option is one row of purgeOptions().
// Values in and out only: nothing here reads argv, opens a directory or prints.

#include "purge/purgejob.h"
#include "purge/purgerequest.h"
#include "purge/readrequest.h"
#include "runtime/expected.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace culler {

// A purge as its options give it: the job but for its cut-off, which stays the text given until a
// run reads it against today, and how a terminal is told. Every field holds its option's default
// while the option is not given.
struct PurgeArguments {
    QByteArray directory = {};
    std::vector<QByteArray> patterns = {};
    std::vector<QByteArray> exclusions = {};
    std::optional<qint64> keepNewest = {};
    std::optional<qint64> maxSize = {};
    std::optional<SpaceAmount> keepFree = {};
    std::optional<QString> days = {};
    std::optional<QString> before = {};
    Subfolders subfolders = Subfolders::Excluded;
    std::optional<qint64> maxDepth = {};
    EmptiedFolders emptiedFolders = EmptiedFolders::Kept;
    RemovalKind removal = RemovalKind::Delete;
    // After a run to the Trash, what its request moved there this many days ago or more goes for
    // good.
    std::optional<QString> trashDays = {};
    PurgeAction action = PurgeAction::Remove;
    bool verbose = false;
    // Each listed path ends in a NUL instead of a newline.
    bool nulEnded = false;
    bool notify = false;

    bool operator==(const PurgeArguments &) const = default;
};

// How often an option may be given.
enum class Repeats {
    Once,
    Many, // each value adds one more, in the order given
};

using OptionValues = std::vector<QByteArray>;
// Why the values given make no request, in a terminal's words; nothing when they make one.
using OptionProblem = std::optional<QString>;

// One option of a purge. The texts are the help's, ASCII.
struct PurgeOption {
    // The long name, without its dashes.
    const char *name = "";
    // What the help calls its value; empty for an option that takes none.
    const char *valueName = "";
    const char *help = "";
    Repeats repeats = Repeats::Once;
    // Whether a request names it at all.
    bool required = false;
    // The option without which this one means nothing, or none.
    const char *goesWith = nullptr;
    // Why a daily purge cannot carry it, which refuses it there; none when it can.
    const char *notDaily = nullptr;
    // Takes the values given, in order, into arguments (an option without a value has one empty
    // value each time it is given), or says why they make no request.
    OptionProblem (*read)(const OptionValues &values, PurgeArguments &arguments) = nullptr;
    // The values that give what arguments hold: none while they hold the default.
    OptionValues (*write)(const PurgeArguments &arguments) = nullptr;

    bool takesValue() const { return *valueName != '\0'; }
};

// Every option of a purge, in the order the help lists them and a command line is written.
const std::vector<PurgeOption> &purgeOptions();

// The arguments the values of each option give (valuesOf says which were given, none for one that
// was not), checked as far as they can be without a directory or a calendar: each given once where
// once is all, numbers that are numbers, the required options there, exactly one cut-off, and none
// without the option it goes with.
Expected<PurgeArguments, QString>
readPurgeArguments(const std::function<OptionValues(const PurgeOption &)> &valuesOf);

// The options and their values that give arguments, in the table's order: "--name" and its value
// as two arguments, an option without a value alone.
QList<QByteArray> purgeArgumentList(const PurgeArguments &arguments);
// The arguments such a list gives, "--name=value" read as "--name value"; why not for a list that
// holds anything but the purge's options.
Expected<PurgeArguments, QString> readPurgeArgumentList(const QList<QByteArray> &list);

// Why a daily purge cannot take arguments, naming each option it cannot carry, one a line; nothing
// when it can take them all.
OptionProblem notCarriedDaily(const PurgeArguments &arguments);

// What the window's form asks for, as the options a command line would give it. A size text that
// does not read gives no option: readJob() refuses such a form, and it is checked first.
PurgeArguments argumentsOf(const PurgeRequest &form);

// A size as a person writes it: bytes, or a number (a fraction too) followed by K, M, G or T,
// powers of 1024, with "B" or "iB" after them or not: "10G" is 10 * 1024^3 bytes. With
// sharesAllowed, "N%" too, a share of a mount. Nothing for any other text.
std::optional<SpaceAmount> spaceFromText(const QByteArray &text, bool sharesAllowed);

// The job the arguments ask for, with no cut-off yet, and the cut-off as given.
PurgeJob jobOf(const PurgeArguments &arguments);
CutOffText cutOffOf(const PurgeArguments &arguments);

} // namespace culler
