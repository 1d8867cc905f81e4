#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <filesystem>
#include <future>

namespace nolvetta::ui {

// One running copy per data directory, so that no copy's save discards
// another's additions: the first holds a lock file there and listens; a later
// start finds the lock held, asks the first to come to the front and hands it
// the file it was given, if any, and ends.
// A lock left by a killed copy is taken over, and so is one whose holder does
// not answer.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // Starts taking the lock on a thread of its own: writing the lock waits
    // for the disk, and the window can be built meanwhile.
    explicit SingleInstance(const std::filesystem::path& dataDirectory);

    // Waits for the lock; the copy that holds it then listens.
    bool anotherIsRunning();
    // Asks the running copy to come to the front and to open `file` (an
    // absolute path, or empty); false when it did not answer.
    bool bringAnotherToFront(const QString& file = {});
    // After the holder of the lock did not answer: the lock is a leftover
    // (cut short by a crash, or of a process id now reused) and is taken.
    bool takeOver();

signals:
    void anotherStarted(const QString& file);

private:
    void listen();

    QString lockPath_;
    QLockFile lock_;
    QLocalServer server_;
    QString serverName_;
    std::future<bool> locking_;  // after lock_: the thread ends before the lock goes
    bool anotherIsRunning_ = false;
};

}  // namespace nolvetta::ui
