#pragma once

#include <QDeadlineTimer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <string>

class QSocketNotifier;

namespace nolvetta::ui {

// One running copy per data folder, so that no copy's save discards
// another's additions. The first holds a lock file in the folder and listens
// on a socket that only its own user can reach; a later start of the same
// user hands it the file it was given, if any, and ends. A lock whose holder
// is gone is taken over; one whose holder is alive is waited for, a while.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // Starts taking the lock on a thread of its own: writing the lock waits
    // for the disk, and the window can be built meanwhile.
    explicit SingleInstance(const std::filesystem::path& dataDirectory);
    ~SingleInstance() override;

    enum class Start {
        First,       // this copy runs; a hand-over problem, if any, is in problem()
        HandedOver,  // the running copy has the file: this start ends
        Refused,     // this start cannot run and must end: problem() says why
    };
    // Waits for the lock; then listens, or hands `file` (a path's bytes, or
    // nothing) to the copy that holds it.
    Start start(const std::string& file);
    // Why the start was refused, or why nothing can be handed to this copy.
    const std::u16string& problem() const { return problem_; }
    // The session ends while the start waits for the running copy: it stops waiting.
    void abandon() { abandoned_ = true; }
    // Removes the socket and gives up the lock, as the program ends.
    void release();

signals:
    // Another start of the same user: come to the front, and open `file`
    // (bytes of a path as the system gave them) if there is one.
    void anotherStarted(const std::string& file);

private:
    struct Connection;
    bool holderIsAlive() const;
    bool takeOver();
    bool handOver(const std::string& file, const QDeadlineTimer& deadline);
    void listen();
    void accept();
    void receive(int fd);
    void drop(int fd);

    std::filesystem::path dataDirectory_;
    QString lockPath_;
    QLockFile lock_;
    std::filesystem::path endpoint_;  // empty: there is no safe place for one
    int listener_ = -1;
    std::unique_ptr<QSocketNotifier> listening_;
    std::map<int, std::unique_ptr<Connection>> connections_;
    std::u16string problem_;
    bool abandoned_ = false;
    std::future<bool> locking_;  // after lock_: the thread ends before the lock goes
};

}  // namespace nolvetta::ui
