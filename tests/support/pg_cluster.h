#pragma once
// A throw-away PostgreSQL cluster for tests and benchmarks: initdb into a temporary folder,
// owned by an unprivileged user when run as root (the server refuses to run as root), started
// on a private socket folder and a free port on 127.0.0.1 only, stopped and removed with the
// object. A crashed test's cluster is removed by stop_test_clusters.sh (a ctest clean-up).
//
// The administrator role (zepra_admin) connects over the socket without a password; other roles
// over TCP with the passwords in the cluster's own password file (PGPASSFILE).

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <optional>
#include <string>

namespace zepra::testing {

class PgCluster {
  public:
    // The folder of PostgreSQL's programs (initdb, pg_ctl), nullopt when it is not installed.
    static std::optional<QString> Programs();

    PgCluster() = default;
    ~PgCluster();
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    // initdb and start; false with `error` set. durable: fsync as a real server does.
    bool start(std::string& error, bool durable = false);
    bool restart(std::string& error);  // after kill(): start again on the same folder and port
    void kill();                       // every server process at once, SIGKILL
    void stop();                       // immediate shutdown, folder removed

    int port() const { return port_; }
    // libpq names: the administrator over the socket, a role over TCP to database zepra.
    std::string admin(const std::string& database = "zepra") const;
    std::string tcp(const std::string& role) const;
    // A password for role (in the password file); the file's path for PGPASSFILE.
    void setPassword(const std::string& role, const std::string& password);
    QString passwordFile() const;

    // Runs SQL as the administrator (several statements allowed); false with `error` set.
    bool sql(const std::string& statements, std::string& error,
             const std::string& database = "zepra") const;
    // The first value of a query as the administrator, "" on failure.
    std::string value(const std::string& query) const;

  private:
    bool run(const QStringList& command, std::string& error) const;
    bool startServer(std::string& error);

    std::unique_ptr<QTemporaryDir> dir_;
    QString programs_;
    int port_ = 0;
    bool durable_ = false;
    bool running_ = false;
};

}  // namespace zepra::testing
