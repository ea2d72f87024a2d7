// One window per user and display: a later start hands its file to the
// window already open, over a local socket in the user's own runtime folder,
// or without one in a private folder of the user's under /tmp.
//
// A message is the path's length (4 bytes, big-endian) and its bytes; the
// window answers "1" once it has queued the file.
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>

#include "toolkit/qt/QtWindowSystem.h"

namespace vx {

namespace {

constexpr qsizetype kLengthBytes = 4;
constexpr qsizetype kMaxPathBytes = 64 * 1024;
constexpr int kConnectMs = 1000;
constexpr int kAnswerMs = 5000;

// A folder that is the user's alone: theirs, and nobody else may enter it,
// so nobody else can put a socket of theirs there. A link is taken for the
// folder it leads to only where the system set the path (the runtime folder).
bool UsersOwn(const QByteArray& folder, bool followLink)
{
    struct stat info {};
    const int found =
        followLink ? stat(folder.constData(), &info) : lstat(folder.constData(), &info);
    return found == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
           (info.st_mode & 077) == 0;
}

// The socket a window of this user on this display listens on; none off
// screen. In the user's runtime folder; where there is none (a session
// started without one), in /tmp/vxanalyser-UID, made private on first use.
// None when that name is taken by anything but such a folder of the user's.
QString Channel()
{
    const QString system = QGuiApplication::platformName();
    QByteArray display;
    if (system == "xcb")
        display = qgetenv("DISPLAY");
    else if (system.startsWith("wayland"))
        display = qgetenv("WAYLAND_DISPLAY");
    if (display.isEmpty())
        return {};
    display.replace('/', '_');
    const QByteArray socket = "/vxanalyser-" + display;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && UsersOwn(runtime, true))
        return QString::fromLocal8Bit(runtime + socket);
    const QByteArray own =
        "/tmp/vxanalyser-" + QByteArray::number(static_cast<qulonglong>(getuid()));
    if (mkdir(own.constData(), 0700) == 0)
        chmod(own.constData(), 0700);  // whatever the umask left
    if (!UsersOwn(own, false))
        return {};
    return QString::fromLocal8Bit(own + socket);
}

bool SomeoneListens(const QString& channel)
{
    QLocalSocket probe;
    probe.connectToServer(channel);
    return probe.waitForConnected(kConnectMs);
}

// Reads one message from a connection; queues the file and answers.
void Serve(QtWindowSystem& system, QWidget* window, QLocalSocket* connection)
{
    QObject::connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
    QObject::connect(connection, &QLocalSocket::readyRead, connection, [&system, window, connection] {
        if (connection->bytesAvailable() < kLengthBytes)
            return;
        const QByteArray head = connection->peek(kLengthBytes);
        const auto length = static_cast<qsizetype>(qFromBigEndian<quint32>(head.constData()));
        if (length == 0 || length > kMaxPathBytes) {
            connection->abort();
            return;
        }
        if (connection->bytesAvailable() < kLengthBytes + length)
            return;
        connection->read(kLengthBytes);
        const QByteArray path = connection->read(length);
        system.Post({PlatformEvent::Kind::Open, 0, path.toStdString()});
        if (window != nullptr) {
            window->raise();
            window->activateWindow();
        }
        connection->write("1");
        connection->disconnectFromServer();
    });
}

}  // namespace

void QtWindowSystem::ReceivePassedFiles(std::uint64_t window)
{
    QWidget* widget = Widget(window);
    if (widget == nullptr || widget->findChild<QLocalServer*>() != nullptr)
        return;
    const QString channel = Channel();
    if (channel.isEmpty())
        return;
    auto* server = new QLocalServer(widget);  // closes with the window
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(channel)) {
        // A socket that nobody answers on was left by a window that ended
        // without closing it: take its place. One that answers belongs to
        // an open window, which keeps receiving.
        if (server->serverError() != QAbstractSocket::AddressInUseError || SomeoneListens(channel) ||
            !QLocalServer::removeServer(channel) || !server->listen(channel)) {
            delete server;
            return;
        }
    }
    QPointer<QWidget> guarded(widget);
    QObject::connect(server, &QLocalServer::newConnection, server, [this, server, guarded] {
        while (QLocalSocket* connection = server->nextPendingConnection())
            Serve(*this, guarded.data(), connection);
    });
}

bool QtWindowSystem::PassToOpenWindow(const std::string& path)
{
    const auto length = static_cast<qsizetype>(path.size());
    if (!Started() || length == 0 || length > kMaxPathBytes)
        return false;
    const QString channel = Channel();
    if (channel.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(channel);
    if (!socket.waitForConnected(kConnectMs))
        return false;
    QByteArray message(kLengthBytes, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(length), message.data());
    message.append(path.data(), length);
    socket.write(message);
    if (!socket.waitForBytesWritten(kAnswerMs))
        return false;
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(kAnswerMs))
            return false;
    }
    return socket.read(1) == "1";
}

}  // namespace vx
