#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// UUCP lock files ("LCK..ttyUSB0" holding the owner's pid as ten characters and a newline, or
// as a binary int): how terminal programs on Unix tell each other that a serial port is taken.
// The toolkit's port layer takes a lock it does not recognise as its own for stale and deletes
// it, so the port is checked here first.
namespace portlock {

struct Holder {
    qint64 pid = 0;
    QString program; // from /proc, empty where it does not tell
    QString lockFile;
};

// Where programs put their locks, the toolkit's own choices included.
QStringList defaultDirectories();

// The live process other than this one that holds a lock on `device` in one of `directories`;
// nullopt when there is none or every lock is stale (a dead pid or no pid at all).
std::optional<Holder> liveHolder(const QString& device, const QStringList& directories);

// "Prozess 1234 (minicom), Sperrdatei /var/lock/LCK..ttyUSB0"
QString holderText(const Holder& holder);

} // namespace portlock
