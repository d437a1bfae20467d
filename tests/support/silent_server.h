#pragma once
// A team server that never answers: it accepts every connection on 127.0.0.1 and says nothing.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QString>
#include <mutex>
#include <thread>
#include <vector>

namespace zepra::testing {

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
        accepting_ = std::thread([this] {
            for (int client; (client = ::accept(socket_, nullptr, nullptr)) >= 0;) {
                const std::lock_guard lock(mutex_);
                clients_.push_back(client);
            }
        });
    }
    ~SilentServer() {
        ::shutdown(socket_, SHUT_RDWR);  // ends the accept
        accepting_.join();
        ::close(socket_);
        for (int client : clients_) ::close(client);
    }
    QString name(int connectTimeoutSeconds) const {
        return QStringLiteral("postgresql://station1@127.0.0.1:%1/zepra?connect_timeout=%2")
            .arg(port_)
            .arg(connectTimeoutSeconds);
    }
    std::size_t accepted() {
        const std::lock_guard lock(mutex_);
        return clients_.size();
    }

  private:
    int socket_;
    int port_ = 0;
    std::thread accepting_;
    std::mutex mutex_;
    std::vector<int> clients_;
};

}  // namespace zepra::testing
