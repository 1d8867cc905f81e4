#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <filesystem>

namespace nolvetta::ui {

// One running copy per data directory, so that no copy's save discards
// another's additions: the first holds a lock file there and listens; a later
// start finds the lock held, asks the first to come to the front, and ends.
// A lock left by a killed copy is taken over.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const std::filesystem::path& dataDirectory);

    bool anotherIsRunning() const { return anotherIsRunning_; }
    // Asks the running copy to come to the front; false when it did not answer.
    bool bringAnotherToFront();

signals:
    void anotherStarted();

private:
    QLockFile lock_;
    QLocalServer server_;
    QString serverName_;
    bool anotherIsRunning_ = false;
};

}  // namespace nolvetta::ui
