#include "trash.h"

#include "clock.h"

#include <QDateTime>
#include <QStorageInfo>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace culler {

namespace {

// Which mount a directory is on, and which inode it is.
struct Location {
    dev_t device = 0;
    ino_t inode = 0;
    quint64 mount = 0;
    bool mountKnown = false;

    // A rename works within one mount only. Kernels before 5.8 do not tell mount ids; there the
    // device is the best guess, and a bind mount shows as a rename failing with EXDEV.
    bool sameMountAs(const Location &other) const {
        if (mountKnown && other.mountKnown)
            return mount == other.mount;
        return device == other.device;
    }
    bool sameDirectoryAs(const Location &other) const {
        return device == other.device && inode == other.inode;
    }
};

// Where path (relative to dirFd) is, or nothing with errno set.
std::optional<Location> locate(int dirFd, const char *path, int flags) {
    struct statx status {};
    if (::statx(dirFd, path, flags, STATX_INO | STATX_MNT_ID, &status) != 0)
        return std::nullopt;
    return Location{makedev(status.stx_dev_major, status.stx_dev_minor), status.stx_ino,
                    status.stx_mnt_id, (status.stx_mask & STATX_MNT_ID) != 0};
}

QByteArray child(const QByteArray &parent, const char *name) {
    return parent.endsWith('/') ? parent + name : parent + '/' + name;
}

TrashProblem refusal(TrashRefusal refusal, const QByteArray &place, int code) {
    return TrashProblem{refusal, place, SystemError{code}};
}

// Opens the directory name under parentFd, making it mode 0700 if it is missing. Others may
// write next to a Trash (in a mount's top directory, or a shared sticky .Trash), so what is found
// there is used only when it is a directory of the user's own, reached without a link.
Expected<UniqueFd, TrashProblem> openOwnDirectory(int parentFd, const char *name,
                                                  const QByteArray &path, uid_t user) {
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    UniqueFd fd{::openat(parentFd, name, flags)};
    if (!fd.isOpen() && errno == ENOENT) {
        if (::mkdirat(parentFd, name, 0700) != 0 && errno != EEXIST)
            return unexpected(refusal(TrashRefusal::CannotMake, path, errno));
        fd = UniqueFd{::openat(parentFd, name, flags)};
    }
    if (!fd.isOpen()) {
        int code = errno;
        // O_DIRECTORY refuses a link as not a directory: name it for what it is.
        struct stat status {};
        if (code == ENOTDIR && ::fstatat(parentFd, name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(status.st_mode))
            code = ELOOP;
        const bool unsafe = code == ELOOP || code == ENOTDIR;
        return unexpected(
            refusal(unsafe ? TrashRefusal::Unsafe : TrashRefusal::CannotMake, path, code));
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0)
        return unexpected(refusal(TrashRefusal::CannotMake, path, errno));
    if (status.st_uid != user)
        return unexpected(refusal(TrashRefusal::Unsafe, path, EPERM));
    return fd;
}

// Bytes a path keeps as they are in an info file: the unreserved characters of URIs (RFC 2396)
// and the slash. Everything else, '%', blanks, line ends and bytes of any encoding, is escaped,
// so that the name's bytes come back exactly.
bool keepsItsByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           (c != 0 && std::strchr("-_.!~*'()/", c) != nullptr);
}

void appendPercentEncoded(QByteArray &out, const char *bytes, qsizetype length) {
    static constexpr char hex[] = "0123456789ABCDEF";
    for (qsizetype i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (keepsItsByte(c)) {
            out += static_cast<char>(c);
            continue;
        }
        out += '%';
        out += hex[c >> 4];
        out += hex[c & 0xF];
    }
}

QByteArray percentEncoded(const QByteArray &bytes) {
    QByteArray out;
    appendPercentEncoded(out, bytes.constData(), bytes.size());
    return out;
}

// The Trash directory found for a directory, with the way its files' paths are written there.
struct FoundTrash {
    UniqueFd fd;
    QByteArray path;
    // "Path=" up to the file's own name: percent-encoded, ending in "/" unless empty.
    QByteArray encodedDirectory;
};

// The home Trash and its parents are the user's own, where no one else plants a link: they are
// opened along the path as any path is, following links, and made where missing (mode 0700), so
// that a fresh account, without even ~/.local/share, gets a Trash. Only another user's is refused.
Expected<FoundTrash, TrashProblem> openHomeTrash(const TrashPlaces &places,
                                                 const QByteArray &directoryPath) {
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    QByteArray reached = QByteArrayLiteral("/");
    UniqueFd current{::open("/", flags)};
    for (const QByteArray &part : places.homeTrash.split('/')) {
        if (part.isEmpty() || !current.isOpen())
            continue;
        reached = child(reached, part.constData());
        UniqueFd next{::openat(current.get(), part.constData(), flags)};
        if (!next.isOpen() && errno == ENOENT &&
            (::mkdirat(current.get(), part.constData(), 0700) == 0 || errno == EEXIST))
            next = UniqueFd{::openat(current.get(), part.constData(), flags)};
        if (!next.isOpen())
            return unexpected(refusal(TrashRefusal::CannotMake, reached, errno));
        current = std::move(next);
    }
    struct stat status {};
    if (!current.isOpen() || ::fstat(current.get(), &status) != 0)
        return unexpected(refusal(TrashRefusal::CannotMake, reached, errno));
    if (reached == "/" || status.st_uid != places.user)
        return unexpected(refusal(TrashRefusal::Unsafe, reached, EPERM));
    QByteArray encoded = percentEncoded(directoryPath);
    if (!encoded.endsWith('/'))
        encoded += '/';
    return FoundTrash{std::move(current), places.homeTrash, encoded};
}

// The mount the home Trash is on, or will be once made: that of the nearest of its directories
// there is.
std::optional<Location> locateHomeTrash(const QByteArray &homeTrash) {
    QByteArray path = homeTrash;
    for (;;) {
        if (const std::optional<Location> found = locate(AT_FDCWD, path.constData(), 0))
            return found;
        const qsizetype slash = path.lastIndexOf('/');
        if (slash <= 0)
            return std::nullopt;
        path.truncate(slash);
    }
}

// The top directory of the directory's mount, and how many levels up it is: walks up through
// ".." from the open directory itself, while the parent is on the same mount.
struct TopDirectory {
    UniqueFd fd;
    int levels = 0;
};

std::optional<TopDirectory> findTopDirectory(int directoryFd, Location current) {
    constexpr int flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    TopDirectory top{UniqueFd{::openat(directoryFd, ".", flags)}, 0};
    for (;;) {
        if (!top.fd.isOpen())
            return std::nullopt;
        UniqueFd parentFd{::openat(top.fd.get(), "..", flags)};
        if (!parentFd.isOpen())
            return std::nullopt;
        const std::optional<Location> parent = locate(parentFd.get(), "", AT_EMPTY_PATH);
        if (!parent)
            return std::nullopt;
        // The root's parent is the root itself.
        if (!parent->sameMountAs(current) || parent->sameDirectoryAs(current))
            return top;
        top.fd = std::move(parentFd);
        ++top.levels;
        current = *parent;
    }
}

// A mount's Trash: the administrator's shared $topdir/.Trash, when it is a sticky directory (so
// that no user can remove another's files from it) and not a link, holds one per user; otherwise
// each user has $topdir/.Trash-$uid. Paths are written relative to $topdir, so that they still
// hold when the mount is mounted elsewhere.
Expected<FoundTrash, TrashProblem> openMountTrash(int directoryFd, const Location &directory,
                                                  const QByteArray &directoryPath, uid_t user) {
    std::optional<TopDirectory> top = findTopDirectory(directoryFd, directory);
    if (!top)
        return unexpected(refusal(TrashRefusal::NoPath, directoryPath, errno));
    // Each level up is one name less of the directory's path, which has no links left in it.
    qsizetype cut = directoryPath.size();
    for (int level = 0; level < top->levels && cut > 0; ++level)
        cut = directoryPath.lastIndexOf('/', cut - 1);
    const QByteArray topPath = cut <= 0 ? QByteArrayLiteral("/") : directoryPath.left(cut);
    QByteArray encoded = percentEncoded(directoryPath.mid(cut + 1));
    if (!encoded.isEmpty())
        encoded += '/';

    const QByteArray uid = QByteArray::number(user);
    const QByteArray sharedPath = child(topPath, ".Trash");
    UniqueFd shared{
        ::openat(top->fd.get(), ".Trash", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)};
    struct stat status {};
    if (shared.isOpen() && ::fstat(shared.get(), &status) == 0 && (status.st_mode & S_ISVTX)) {
        const QByteArray path = child(sharedPath, uid.constData());
        Expected<UniqueFd, TrashProblem> own =
            openOwnDirectory(shared.get(), uid.constData(), path, user);
        if (own)
            return FoundTrash{*std::move(own), path, encoded};
    }
    const QByteArray name = ".Trash-" + uid;
    const QByteArray path = child(topPath, name.constData());
    Expected<UniqueFd, TrashProblem> own =
        openOwnDirectory(top->fd.get(), name.constData(), path, user);
    if (!own)
        return unexpected(own.error());
    return FoundTrash{*std::move(own), path, encoded};
}

// The path the kernel holds for an open descriptor, every link resolved; empty if too long.
QByteArray linkOf(int fd) {
    char link[32];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    QByteArray path(PATH_MAX, Qt::Uninitialized);
    const ssize_t length = ::readlink(link, path.data(), static_cast<size_t>(path.size()));
    path.truncate(length <= 0 || length >= path.size() ? 0 : length);
    return path;
}

// A Trash, or one of its directories, by device and inode; path only names it in a message.
struct KnownTrash {
    Location where;
    QByteArray path;
};

// The Trashes at the top of a mount: `.Trash` (which holds one per user) and every `.Trash-*`,
// whoever's, as the entries spell them; listed where the top can be read, else this user's two.
// A listing that fails part way may have missed one, so it is an error.
SystemError addMountTrashes(int topFd, uid_t user, std::vector<KnownTrash> &trashes) {
    const QByteArray top = linkOf(topFd);
    // A Trash's files/ and info/ count apart, since a bind mount may show one alone elsewhere.
    const auto add = [&](const QByteArray &name) {
        for (const char *part : {"", "/files", "/info"})
            if (const std::optional<Location> found =
                    locate(topFd, (name + part).constData(), AT_SYMLINK_NOFOLLOW))
                trashes.push_back({*found, child(top, name.constData())});
    };
    const QByteArray uid = QByteArray::number(user);
    add(".Trash");
    add(".Trash/" + uid);
    add(".Trash-" + uid);
    UniqueFd listingFd{::openat(topFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    DIR *listing = listingFd.isOpen() ? ::fdopendir(listingFd.get()) : nullptr;
    if (listing == nullptr)
        return {};
    // The listing closes it from here on.
    listingFd.release();
    for (;;) {
        // readdir tells its end from an error only through errno, which add() may set.
        errno = 0;
        const dirent *entry = ::readdir(listing);
        if (entry == nullptr)
            break;
        if (std::strncmp(entry->d_name, ".Trash-", 7) == 0)
            add(entry->d_name);
    }
    const SystemError error{errno};
    ::closedir(listing);
    return error;
}

} // namespace

std::optional<TrashProblem> trashHolding(int directoryFd, const TrashPlaces &places) {
    std::vector<KnownTrash> trashes;
    // The home Trash's files/ and info/ count apart, since a bind mount may show one alone.
    if (places.homeTrash.startsWith('/'))
        for (const char *part : {"", "/files", "/info"}) {
            const QByteArray path = places.homeTrash + part;
            if (const std::optional<Location> found = locate(AT_FDCWD, path.constData(), 0))
                trashes.push_back({*found, places.homeTrash});
        }
    constexpr int flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    std::vector<Location> walked;
    UniqueFd current{::openat(directoryFd, ".", flags)};
    std::optional<Location> here =
        current.isOpen() ? locate(current.get(), "", AT_EMPTY_PATH) : std::nullopt;
    while (here) {
        walked.push_back(*here);
        UniqueFd parentFd{::openat(current.get(), "..", flags)};
        const std::optional<Location> parent =
            parentFd.isOpen() ? locate(parentFd.get(), "", AT_EMPTY_PATH) : std::nullopt;
        // The root's parent is the root itself.
        const bool atRoot = !parent || parent->sameDirectoryAs(*here);
        if (atRoot || !parent->sameMountAs(*here))
            if (const SystemError error = addMountTrashes(current.get(), places.user, trashes))
                return refusal(TrashRefusal::Unlistable, linkOf(current.get()), error.code);
        if (atRoot)
            break;
        current = std::move(parentFd);
        here = parent;
    }
    for (const Location &directory : walked)
        for (const KnownTrash &trash : trashes)
            if (directory.sameDirectoryAs(trash.where))
                return refusal(TrashRefusal::InsideTrash, trash.path, 0);
    return std::nullopt;
}

namespace {

// The directory's path with every link resolved, as the kernel knows it.
std::optional<QByteArray> pathOf(int directoryFd, const Location &directory) {
    const QByteArray path = linkOf(directoryFd);
    if (path.isEmpty())
        return std::nullopt;
    // A removed directory reads as "PATH (deleted)": only a path back to the directory will do.
    const std::optional<Location> there = locate(AT_FDCWD, path.constData(), 0);
    if (!there || !there->sameDirectoryAs(directory))
        return std::nullopt;
    return path;
}

// A directory of the Trash this program writes in, checked once so that a read-only mount
// refuses the run instead of failing every file.
std::optional<TrashProblem> unwritable(int trashFd, const char *name, const QByteArray &path) {
    if (::faccessat(trashFd, name, W_OK | X_OK, AT_EACCESS) == 0)
        return std::nullopt;
    return refusal(TrashRefusal::ReadOnly, path, errno);
}

// How files can leave their directory for this Trash without replacing anything, tried once on an
// empty file of info/ (its name has no ".trashinfo", so no reader takes it for an info file):
// the rename that refuses to replace, else where the mount does not take that flag (EINVAL) a hard
// link, which never replaces either. Any other failure is left to each file to report.
Expected<Trash::Route, TrashProblem> routeOf(int infoFd, const QByteArray &infoPath) {
    char probe[48];
    char moved[56];
    std::snprintf(probe, sizeof probe, "culler-probe-%d", int(::getpid()));
    std::snprintf(moved, sizeof moved, "%s-moved", probe);
    UniqueFd made{
        ::openat(infoFd, probe, O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_TRUNC, 0600)};
    if (!made.isOpen())
        return unexpected(refusal(TrashRefusal::CannotMake, infoPath, errno));
    (void)made.close();
    Trash::Route route = Trash::Route::Rename;
    int code = 0;
    if (::renameat2(infoFd, probe, infoFd, moved, RENAME_NOREPLACE) == 0) {
        ::unlinkat(infoFd, moved, 0);
        return route;
    }
    if (errno == EINVAL) {
        route = Trash::Route::LinkAndUnlink;
        code = ::linkat(infoFd, probe, infoFd, moved, 0) == 0 ? 0 : errno;
        ::unlinkat(infoFd, moved, 0);
    }
    ::unlinkat(infoFd, probe, 0);
    if (code == 0)
        return route;
    const QString mount = QStorageInfo(QString::fromLocal8Bit(infoPath)).rootPath();
    return unexpected(
        refusal(TrashRefusal::NoSafeMove, mount.isEmpty() ? infoPath : mount.toLocal8Bit(), code));
}

constexpr char infoSuffix[] = ".trashinfo";
constexpr std::size_t infoSuffixLength = sizeof infoSuffix - 1;
// The longest name a file may take in the Trash, so that its info file's name still fits.
constexpr std::size_t longestTrashName = NAME_MAX - infoSuffixLength;
// How many taken names a file tries in the Trash before it gives up.
constexpr unsigned maximumAttempts = 10000;

struct TrashName {
    char file[NAME_MAX + 1];
    char info[NAME_MAX + 1];
};

// The name a file tries in the Trash on the given attempt, counted from 1: its own, then
// NAME.2, NAME.3... The name is cut short where its info file's name would be too long for the
// file system, before a UTF-8 character rather than inside one.
TrashName trashName(const char *name, unsigned attempt) {
    char suffix[16] = "";
    if (attempt > 1)
        std::snprintf(suffix, sizeof suffix, ".%u", attempt);
    const std::size_t suffixLength = std::strlen(suffix);
    const std::size_t room = longestTrashName - suffixLength;
    std::size_t kept = std::strlen(name);
    if (kept > room) {
        kept = room;
        // A name that is not UTF-8 loses at most three bytes more than it must.
        for (int i = 0;
             i < 3 && kept > 1 && (static_cast<unsigned char>(name[kept]) & 0xC0) == 0x80; ++i)
            --kept;
    }
    TrashName result;
    std::memcpy(result.file, name, kept);
    std::memcpy(result.file + kept, suffix, suffixLength + 1);
    std::memcpy(result.info, result.file, kept + suffixLength);
    std::memcpy(result.info + kept + suffixLength, infoSuffix, infoSuffixLength + 1);
    return result;
}

// The deletion date as the desktop reads it: local time, to the second, with no zone.
std::array<char, 32> deletionDate(const Clock &clock) {
    const QDateTime now = clock.now().toLocalTime();
    const QDate date = now.date();
    const QTime time = now.time();
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%04d-%02d-%02dT%02d:%02d:%02d", date.year(),
                  date.month(), date.day(), time.hour(), time.minute(), time.second());
    return text;
}

// Where the mount takes no RENAME_NOREPLACE, the file was linked into the Trash (see
// Trash::moveIfUnchanged), and its original name still holds it: that name goes only while it
// still holds the file linked, so one a racer put there meanwhile stays, and a name that no longer
// holds it leaves the file in the Trash alone. A file that changed since it was judged loses its
// link and its info file again.
Expected<TrashMoved, SystemError> settleLink(int directoryFd, const char *name, int filesFd,
                                             int infoFd, const TrashName &trashed,
                                             const struct stat &linked, bool unchanged) {
    struct stat there {};
    if (unchanged && (::fstatat(directoryFd, name, &there, AT_SYMLINK_NOFOLLOW) != 0 ||
                      there.st_dev != linked.st_dev || there.st_ino != linked.st_ino ||
                      ::unlinkat(directoryFd, name, 0) == 0))
        return TrashMoved{TrashMove::Moved, {}, QByteArray(trashed.file)};
    const int code = unchanged ? errno : 0;
    ::unlinkat(filesFd, trashed.file, 0);
    ::unlinkat(infoFd, trashed.info, 0);
    if (unchanged)
        return unexpected(SystemError{code});
    return TrashMoved{TrashMove::Changed, {}};
}

// Makes the info file called infoName, holding text: true once it is written whole, false when
// the name is taken. O_EXCL claims the name, against other threads and programs trashing at the
// same time; a close that fails can mean the text never reached the disk.
Expected<bool, SystemError> claimInfo(int infoFd, const char *infoName, const QByteArray &text) {
    UniqueFd info{::openat(infoFd, infoName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)};
    if (!info.isOpen() && errno == EEXIST)
        return false;
    if (!info.isOpen())
        return unexpected(SystemError{errno});
    SystemError written = info.writeAll(text);
    if (const SystemError closed = info.close(); !written)
        written = closed;
    if (!written)
        return true;
    ::unlinkat(infoFd, infoName, 0);
    return unexpected(written);
}

} // namespace

TrashPlaces TrashPlaces::ofThisUser() {
    TrashPlaces places;
    // The Trash's directories are made with this id, and checked against it.
    places.user = ::geteuid();
    // A relative XDG_DATA_HOME is no setting at all, as with every XDG base directory.
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    if (dataHome.startsWith('/')) {
        places.homeTrash = child(dataHome, "Trash");
        return places;
    }
    // Without a home, homeTrash stays empty and every Trash is refused.
    const QByteArray home = qgetenv("HOME");
    if (home.startsWith('/'))
        places.homeTrash = child(home, ".local/share/Trash");
    return places;
}

Expected<Trash, TrashProblem> Trash::open(int directoryFd, const TrashPlaces &places,
                                          const Clock &clock) {
    const std::optional<Location> directory = locate(directoryFd, "", AT_EMPTY_PATH);
    if (!directory)
        return unexpected(refusal(TrashRefusal::NoPath, {}, errno));
    const std::optional<QByteArray> directoryPath = pathOf(directoryFd, *directory);
    if (!directoryPath)
        return unexpected(refusal(TrashRefusal::NoPath, {}, ENOENT));
    if (!places.homeTrash.startsWith('/'))
        return unexpected(refusal(TrashRefusal::NoPath, places.homeTrash, ENOENT));
    if (std::optional<TrashProblem> problem = trashHolding(directoryFd, places))
        return unexpected(*problem);

    const std::optional<Location> home = locateHomeTrash(places.homeTrash);
    Expected<FoundTrash, TrashProblem> trash =
        home && home->sameMountAs(*directory)
            ? openHomeTrash(places, *directoryPath)
            : openMountTrash(directoryFd, *directory, *directoryPath, places.user);
    if (!trash)
        return unexpected(trash.error());

    const QByteArray filesPath = child(trash->path, "files");
    const QByteArray infoPath = child(trash->path, "info");
    Expected<UniqueFd, TrashProblem> files =
        openOwnDirectory(trash->fd.get(), "files", filesPath, places.user);
    if (!files)
        return unexpected(files.error());
    Expected<UniqueFd, TrashProblem> info =
        openOwnDirectory(trash->fd.get(), "info", infoPath, places.user);
    if (!info)
        return unexpected(info.error());
    if (std::optional<TrashProblem> problem = unwritable(trash->fd.get(), "files", filesPath))
        return unexpected(*problem);
    if (std::optional<TrashProblem> problem = unwritable(trash->fd.get(), "info", infoPath))
        return unexpected(*problem);
    // A Trash reached through a link to another mount would need every file copied.
    const std::optional<Location> filesLocation = locate(files->get(), "", AT_EMPTY_PATH);
    if (!filesLocation || !filesLocation->sameMountAs(*directory))
        return unexpected(refusal(TrashRefusal::Unsafe, filesPath, EXDEV));

    const Expected<Route, TrashProblem> route = routeOf(info->get(), infoPath);
    if (!route)
        return unexpected(route.error());

    return Trash(*std::move(files), *std::move(info), trash->path, *directoryPath,
                 "[Trash Info]\nPath=" + trash->encodedDirectory, *route, clock);
}

Trash::Trash(UniqueFd filesFd, UniqueFd infoFd, QByteArray topPath, QByteArray directoryPath,
             QByteArray infoHead, Route route, const Clock &clock)
    : m_filesFd(std::move(filesFd))
    , m_infoFd(std::move(infoFd))
    , m_topPath(std::move(topPath))
    , m_directoryPath(std::move(directoryPath))
    , m_infoHead(std::move(infoHead))
    , m_route(route)
    , m_clock(&clock) {}

Expected<TrashMoved, SystemError> Trash::moveIfUnchanged(int directoryFd, const char *name,
                                                         const FileIdentity &judged,
                                                         const QByteArray &subdirectory) const {
    const QByteArray text = infoText(name, subdirectory);
    const int infoFd = m_infoFd.get();
    const int filesFd = m_filesFd.get();
    for (unsigned attempt = 1; attempt <= maximumAttempts; ++attempt) {
        const TrashName trashed = trashName(name, attempt);
        const Expected<bool, SystemError> claimed = claimInfo(infoFd, trashed.info, text);
        if (!claimed)
            return unexpected(claimed.error());
        if (!*claimed)
            continue;
        // The file leaves its name here, so what was at the name is what gets checked below. A
        // link leaves it there too, until it has been checked.
        const bool linking = m_route == Route::LinkAndUnlink;
        if ((linking
                 ? ::linkat(directoryFd, name, filesFd, trashed.file, 0)
                 : ::renameat2(directoryFd, name, filesFd, trashed.file, RENAME_NOREPLACE)) != 0) {
            const int code = errno;
            ::unlinkat(infoFd, trashed.info, 0);
            // A file in the Trash with no info file of its name: someone else's; keep clear of it.
            if (code == EEXIST)
                continue;
            return unexpected(SystemError{code});
        }

        struct stat status {};
        if (::fstatat(filesFd, trashed.file, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return TrashMoved{TrashMove::LeftInTrash, SystemError{errno}};
        const bool unchanged = S_ISREG(status.st_mode) &&
                               FileIdentity{status.st_dev, status.st_ino, status.st_mtim} == judged;
        if (linking)
            return settleLink(directoryFd, name, filesFd, infoFd, trashed, status, unchanged);
        if (unchanged)
            return TrashMoved{TrashMove::Moved, {}, QByteArray(trashed.file)};
        if (::renameat2(filesFd, trashed.file, directoryFd, name, RENAME_NOREPLACE) != 0)
            return TrashMoved{TrashMove::LeftInTrash, SystemError{errno == EEXIST ? 0 : errno}};
        ::unlinkat(infoFd, trashed.info, 0);
        return TrashMoved{TrashMove::Changed, {}};
    }
    return unexpected(SystemError{EEXIST});
}

QByteArray Trash::infoText(const char *name, const QByteArray &subdirectory) const {
    const std::size_t nameLength = std::strlen(name);
    QByteArray text;
    text.reserve(m_infoHead.size() +
                 3 * (static_cast<qsizetype>(nameLength) + subdirectory.size()) + 48);
    text += m_infoHead;
    if (!subdirectory.isEmpty()) {
        appendPercentEncoded(text, subdirectory.constData(), subdirectory.size());
        text += '/';
    }
    appendPercentEncoded(text, name, static_cast<qsizetype>(nameLength));
    text += "\nDeletionDate=";
    text += deletionDate(*m_clock).data();
    text += '\n';
    return text;
}

} // namespace culler
