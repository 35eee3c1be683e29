// Every test program runs in a home and XDG directories of its own, made before main and removed
// after it: a fault in a test then makes no Trash, setting or pattern list of the user who runs
// it, and a program the test starts inherits the same home.

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <sys/stat.h>

namespace {

struct TemporaryHome {
    QTemporaryDir directory;

    TemporaryHome() {
        const QByteArray home = QFile::encodeName(directory.path());
        qputenv("HOME", home);
        qputenv("XDG_DATA_HOME", home + "/.local/share");
        qputenv("XDG_CONFIG_HOME", home + "/.config");
        qputenv("XDG_STATE_HOME", home + "/.local/state");
        qputenv("XDG_CACHE_HOME", home + "/.cache");
        // The runtime directory must be there, and the user's alone.
        ::mkdir(home + "/run", 0700);
        qputenv("XDG_RUNTIME_DIR", home + "/run");
    }
};

const TemporaryHome temporaryHome;

} // namespace
