// The windows' background sync: a server that accepts the connection and then never answers
// freezes nothing on the calling thread, and the failure arrives in words when libpq gives up.

#include "archive/team/team_sync_worker.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

namespace zepra::archive {
namespace {

// A listening socket that never accepts: the kernel completes the connection, and nobody speaks.
class SilentServer {
  public:
    SilentServer() : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(socket_, 8);
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(socket_); }
    int port() const { return port_; }

  private:
    int socket_;
    int port_ = 0;
};

TEST(TeamSyncWorkerTest, AServerThatNeverAnswersFreezesNothing) {
    const SilentServer silent;
    QTemporaryDir dir;
    TeamSyncWorker worker(
        dir.filePath(QStringLiteral("archive.sqlite")),
        QStringLiteral("postgresql://station1@127.0.0.1:%1/zepra?connect_timeout=4")
            .arg(silent.port()));
    QSignalSpy finished(&worker, &TeamSyncWorker::finished);
    int ticks = 0;
    QTimer paint;  // stands for a window's repaints
    QObject::connect(&paint, &QTimer::timeout, [&] { ++ticks; });
    paint.start(20);

    QElapsedTimer clock;
    clock.start();
    worker.requestSync();
    EXPECT_LT(clock.elapsed(), 100);  // the request itself does not wait
    ASSERT_TRUE(finished.wait(20'000));
    const qint64 waited = clock.elapsed();
    EXPECT_GE(waited, 3'000);  // libpq waited for the silent server
    // The event loop ran all along: about one tick per 20 ms, far from none.
    EXPECT_GT(ticks, static_cast<int>(waited / 20 / 4));
    EXPECT_FALSE(finished.at(0).at(0).toBool());
    EXPECT_TRUE(finished.at(0).at(1).toString().contains(
        QStringLiteral("Cannot connect to the team server")))
        << finished.at(0).at(1).toString().toStdString();
}

}  // namespace
}  // namespace zepra::archive
