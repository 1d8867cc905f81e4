#include "ui/single_instance.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QSysInfo>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "form/captions.h"
#include "ui/qt_text.h"

namespace nolvetta::ui {

namespace fs = std::filesystem;
namespace captions = form::captions;

namespace {

// A path's worth of bytes; a start hands over nothing longer.
constexpr std::size_t MaxHandOver = 4096;
// Connections held at once, and how long one may take to say its piece;
// the rest wait their turn in the listen queue, which the system bounds.
constexpr std::size_t MaxConnections = 8;
constexpr int ConnectionMs = 2000;
// The copy's answer once it has the whole piece: a connection closed without
// it was dropped unread, and the start tries again.
constexpr char Taken = '\x06';
// Long enough for a copy that starts slowly, with CJK fonts on a slow disk,
// to begin listening, or for one busy with a large mailbox to answer.
constexpr int HandOverMs = 30'000;

// A folder only this user can reach: the session's runtime folder, else one
// of the user's own in its cache folder. Empty when neither is safe.
fs::path privateFolder() {
    const auto safe = [](const fs::path& folder) {
        struct stat status {};
        return ::lstat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
               status.st_uid == ::getuid() && (status.st_mode & 077) == 0;
    };
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime && fs::path(runtime).is_absolute() && safe(runtime)) {
        return runtime;
    }
    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    const fs::path cache = cacheHome && fs::path(cacheHome).is_absolute() ? fs::path(cacheHome)
                           : home && *home ? fs::path(home) / ".cache"
                                           : fs::path();
    if (cache.empty()) {
        return {};
    }
    std::error_code ec;
    fs::create_directories(cache / "nolvetta", ec);
    struct stat status {};
    if (::lstat((cache / "nolvetta").c_str(), &status) == 0 && status.st_uid == ::getuid()) {
        ::chmod((cache / "nolvetta").c_str(), 0700);
    }
    return safe(cache / "nolvetta") ? cache / "nolvetta" : fs::path();
}

// The same user and data folder give the same name, however the folder was reached.
fs::path endpointFor(const fs::path& dataDirectory) {
    const fs::path folder = privateFolder();
    std::error_code ec;
    const std::string key =
        std::to_string(::getuid()) + '\n' + fs::weakly_canonical(dataDirectory, ec).native();
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(key), QCryptographicHash::Sha256);
    const fs::path endpoint = folder / ("nolvetta-" + hash.toHex().left(16).toStdString());
    return !folder.empty() && endpoint.native().size() < sizeof(sockaddr_un::sun_path) ? endpoint
                                                                                       : fs::path();
}

sockaddr_un addressOf(const fs::path& endpoint) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    endpoint.native().copy(address.sun_path, sizeof address.sun_path - 1);
    return address;
}

// Whether the peer of a connected socket is this user.
bool sameUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

std::string commOf(const std::string& pid) {
    std::string name;
    std::getline(std::ifstream("/proc/" + pid + "/comm"), name);
    return name;
}

}  // namespace

struct SingleInstance::Connection {
    std::unique_ptr<QSocketNotifier> readable;
    QTimer deadline;
    std::string bytes;
};

SingleInstance::SingleInstance(const fs::path& dataDirectory)
    : dataDirectory_(dataDirectory),
      lockPath_(toQtPath(dataDirectory / ".nolvetta.lock")),
      lock_(lockPath_),
      endpoint_(endpointFor(dataDirectory)) {
    locking_ = std::async(std::launch::async, [this] {
        std::error_code ec;
        fs::create_directories(dataDirectory_, ec);
        // Never stale by age, only when the copy that holds it is gone.
        lock_.setStaleLockTime(0);
        return lock_.tryLock(0);
    });
}

SingleInstance::~SingleInstance() {
    if (locking_.valid()) {
        locking_.wait();
    }
    release();
}

SingleInstance::Start SingleInstance::start(const std::string& file) {
    if (locking_.get()) {
        listen();
        return Start::First;
    }
    // Where no lock can be made, nothing can be saved either: no guard is needed.
    if (lock_.error() != QLockFile::LockFailedError) {
        return Start::First;
    }
    const QDeadlineTimer deadline(HandOverMs);
    for (;;) {
        if (!holderIsAlive()) {
            if (takeOver()) {
                listen();
                return Start::First;
            }
            problem_ = captions::format(captions::LockLeftBehind,
                                        {captions::named(dataDirectory_ / ".nolvetta.lock")});
            return Start::Refused;
        }
        qint64 pid = 0;
        QString host, application;
        lock_.getLockInfo(&pid, &host, &application);
        if (QFileInfo(lockPath_).ownerId() != ::getuid() || host != QSysInfo::machineHostName()) {
            problem_ = captions::format(captions::FolderInUse, {captions::named(dataDirectory_)});
            return Start::Refused;
        }
        if (handOver(file, deadline)) {
            return problem_.empty() && !abandoned_ ? Start::HandedOver : Start::Refused;
        }
        if (abandoned_) {
            return Start::Refused;
        }
        if (deadline.hasExpired()) {
            problem_ =
                captions::format(captions::CopyDoesNotAnswer, {captions::named(dataDirectory_)});
            return Start::Refused;
        }
        // The copy has the lock but does not listen yet, or has others to hear
        // first; the session may end meanwhile.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        QThread::msleep(100);
        if (abandoned_) {
            return Start::Refused;
        }
    }
}

// The copy named in the lock still runs: this program, under its process id.
bool SingleInstance::holderIsAlive() const {
    qint64 pid = 0;
    QString host, application;
    if (!lock_.getLockInfo(&pid, &host, &application) || pid <= 0) {
        return false;  // a lock cut short by a crash
    }
    if (host != QSysInfo::machineHostName()) {
        return true;  // another computer's copy: nothing here can tell
    }
    const bool running = ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
    return running && commOf(std::to_string(pid)) == commOf("self");
}

bool SingleInstance::takeOver() {
    // With the lock goes the note that QLockFile keeps beside it while it
    // takes over a stale lock, when the copy doing that was killed.
    QFile::remove(lockPath_ + QLatin1String(".rmlock"));
    // QLockFile opens the stale lock to remove it, which another user's
    // lock does not allow; the folder may allow its removal all the same.
    return (lock_.removeStaleLockFile() || QFile::remove(lockPath_)) && lock_.tryLock(0);
}

// Hands `file` to the listening copy and waits until it says it has taken
// it; false while nobody takes it, to be tried again.
bool SingleInstance::handOver(const std::string& file, const QDeadlineTimer& deadline) {
    if (endpoint_.empty()) {
        problem_ = captions::format(captions::CopyDoesNotAnswer, {captions::named(dataDirectory_)});
        return true;
    }
    if (file.size() > MaxHandOver) {
        // No file has a name that long, and the copy would take none.
        problem_ = captions::format(captions::FileMissing, {captions::named(fs::path(file))});
        return true;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // A full listen queue holds the connection back: not for long, and not past the deadline.
    const timeval wait{0, 1000 * std::clamp<long>(deadline.remainingTime(), 1, 500)};
    const sockaddr_un address = addressOf(endpoint_);
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait) != 0 ||
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    // Only to a copy of this user's: the folder could not hold another's anyway.
    if (!sameUser(fd)) {
        ::close(fd);
        problem_ = captions::format(captions::CopyDoesNotAnswer, {captions::named(dataDirectory_)});
        return true;
    }
    bool sent = true;
    for (std::size_t at = 0; sent && at < file.size();) {
        const ssize_t n = ::send(fd, file.data() + at, file.size() - at, MSG_NOSIGNAL);
        sent = n > 0;
        at += sent ? static_cast<std::size_t>(n) : 0;
    }
    ::shutdown(fd, SHUT_WR);
    // The copy answers once it has the file; it may be busy, or hear others first.
    pollfd answer{fd, POLLIN, 0};
    int ready = 0;
    while (sent && !abandoned_ && (ready = ::poll(&answer, 1, 100)) == 0 &&
           !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    }
    char byte = 0;
    const bool taken = sent && ready == 1 && ::recv(fd, &byte, 1, 0) == 1 && byte == Taken;
    ::close(fd);
    return taken;
}

void SingleInstance::listen() {
    if (endpoint_.empty()) {
        problem_ = captions::CannotReceive;
        return;
    }
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const sockaddr_un address = addressOf(endpoint_);
    ::unlink(endpoint_.c_str());  // a copy's that was killed: this one holds the lock now
    if (listener_ < 0 ||
        ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, SOMAXCONN) != 0) {
        problem_ = captions::CannotReceive;
        if (listener_ >= 0) {
            ::close(listener_);
            listener_ = -1;
        }
        return;
    }
    listening_ = std::make_unique<QSocketNotifier>(listener_, QSocketNotifier::Read);
    connect(listening_.get(), &QSocketNotifier::activated, this, &SingleInstance::accept);
}

void SingleInstance::accept() {
    while (connections_.size() < MaxConnections) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                // Out of descriptors, say: listen again once some are free.
                listening_->setEnabled(false);
                QTimer::singleShot(100, this, [this] {
                    if (listening_) {
                        listening_->setEnabled(true);
                    }
                });
            }
            return;
        }
        if (!sameUser(fd)) {
            ::close(fd);
            continue;
        }
        auto connection = std::make_unique<Connection>();
        connection->readable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(connection->readable.get(), &QSocketNotifier::activated, this,
                [this, fd] { receive(fd); });
        connection->deadline.setSingleShot(true);
        connect(&connection->deadline, &QTimer::timeout, this, [this, fd] { drop(fd); });
        connection->deadline.start(ConnectionMs);
        connections_[fd] = std::move(connection);
    }
    // Accepted as a connection ends, in the order they came.
    listening_->setEnabled(false);
}

void SingleInstance::receive(int fd) {
    Connection& connection = *connections_.at(fd);
    char buffer[MaxHandOver + 1];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        return;
    }
    if (n > 0) {
        connection.bytes.append(buffer, static_cast<std::size_t>(n));
        if (connection.bytes.size() > MaxHandOver) {
            drop(fd);  // no path is that long
        }
        return;
    }
    const std::string file = n == 0 ? std::move(connection.bytes) : std::string();
    // A start that no longer waits for the answer has said why it ended.
    const bool taken = n == 0 && ::send(fd, &Taken, 1, MSG_NOSIGNAL) == 1;
    drop(fd);
    if (taken) {
        emit anotherStarted(file);
    }
}

void SingleInstance::drop(int fd) {
    if (connections_.erase(fd) > 0) {
        ::close(fd);
        if (listening_) {
            listening_->setEnabled(true);  // the next in the queue
        }
    }
}

void SingleInstance::release() {
    for (auto& [fd, connection] : connections_) {
        ::close(fd);
    }
    connections_.clear();
    listening_.reset();
    if (listener_ >= 0) {
        ::close(listener_);
        listener_ = -1;
        ::unlink(endpoint_.c_str());
    }
    lock_.unlock();
}

}  // namespace nolvetta::ui
