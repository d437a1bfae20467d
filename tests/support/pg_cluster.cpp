#include "support/pg_cluster.h"

#include <arpa/inet.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

namespace zepra::testing {
namespace {

// Folders under this prefix are the clusters of this build's tests (and only theirs).
QString Prefix() {
    return QStringLiteral(ZEPRA_PG_PREFIX);
}

// A port on 127.0.0.1 that nothing listens on: the system's pick for a probe bound to port 0.
int FreePort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(probe);
    return port;
}

// The server processes: the postmaster (first line of postmaster.pid) and its children.
std::vector<pid_t> ServerProcesses(const QString& data) {
    QFile file(data + QStringLiteral("/postmaster.pid"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const pid_t postmaster = QString::fromLatin1(file.readLine()).trimmed().toInt();
    if (postmaster <= 0) return {};
    std::vector<pid_t> pids{postmaster};
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
        if (!entry.toInt() || !stat.open(QIODevice::ReadOnly)) continue;
        const QString text = QString::fromLatin1(stat.readAll());
        const QStringList after = text.mid(text.lastIndexOf(QLatin1Char(')')) + 2).split(' ');
        if (after.size() > 1 && after[1].toInt() == postmaster) pids.push_back(entry.toInt());
    }
    return pids;
}

}  // namespace

std::optional<QString> PgCluster::Programs() {
    const QString named = qEnvironmentVariable("ZEPRA_PG_BIN");
    for (const QString& folder : {named, QStringLiteral("/usr/lib/postgresql/15/bin")}) {
        if (!folder.isEmpty() && QFile::exists(folder + QStringLiteral("/initdb")) &&
            QFile::exists(folder + QStringLiteral("/pg_ctl")))
            return folder;
    }
    return std::nullopt;
}

PgCluster::~PgCluster() {
    stop();
}

bool PgCluster::run(const QStringList& command, std::string& error) const {
    QStringList arguments = command;
    QString program = arguments.takeFirst();
    // As root, the server's programs run as nobody, who owns the folder.
    if (::geteuid() == 0) {
        arguments = QStringList{QStringLiteral("-u"), QStringLiteral("nobody"),
                                QStringLiteral("--"), program} +
                    arguments;
        program = QStringLiteral("runuser");
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120'000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        error = (program + QLatin1Char(' ') + arguments.join(QLatin1Char(' '))).toStdString() +
                ": " + QString::fromLocal8Bit(process.readAll()).toStdString();
        if (process.state() != QProcess::NotRunning) process.kill();
        process.waitForFinished();
        return false;
    }
    return true;
}

bool PgCluster::start(std::string& error, bool durable) {
    const std::optional<QString> programs = Programs();
    if (!programs) {
        error = "PostgreSQL 15 is not installed";
        return false;
    }
    programs_ = *programs;
    durable_ = durable;
    dir_ = std::make_unique<QTemporaryDir>(Prefix() + QStringLiteral("-XXXXXX"));
    if (!dir_->isValid()) {
        error = "no temporary folder";
        return false;
    }
    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody || ::chown(QFile::encodeName(dir_->path()).constData(), nobody->pw_uid,
                               nobody->pw_gid) != 0) {
            error = "the folder cannot be given to nobody";
            return false;
        }
    }
    if (!run({programs_ + QStringLiteral("/initdb"), QStringLiteral("-D"),
              dir_->path() + QStringLiteral("/data"), QStringLiteral("-U"),
              QStringLiteral("zepra_admin"), QStringLiteral("--auth-local=trust"),
              QStringLiteral("--auth-host=scram-sha-256"), QStringLiteral("-E"),
              QStringLiteral("UTF8"), QStringLiteral("--locale=C"), QStringLiteral("--no-sync")},
             error))
        return false;
    port_ = FreePort();
    if (!startServer(error)) return false;
    return sql("CREATE DATABASE zepra", error, "postgres");
}

bool PgCluster::startServer(std::string& error) {
    QString settings =
        QStringLiteral("-k %1 -p %2 -c listen_addresses=127.0.0.1 -c max_connections=40")
            .arg(dir_->path())
            .arg(port_);
    if (!durable_) settings += QStringLiteral(" -c fsync=off -c full_page_writes=off");
    running_ =
        run({programs_ + QStringLiteral("/pg_ctl"), QStringLiteral("-D"),
             dir_->path() + QStringLiteral("/data"), QStringLiteral("-l"),
             dir_->path() + QStringLiteral("/log"), QStringLiteral("-w"), QStringLiteral("-t"),
             QStringLiteral("60"), QStringLiteral("-o"), settings, QStringLiteral("start")},
            error);
    return running_;
}

bool PgCluster::restart(std::string& error) {
    return startServer(error);
}

void PgCluster::kill() {
    for (pid_t pid : ServerProcesses(dir_->path() + QStringLiteral("/data"))) ::kill(pid, SIGKILL);
    for (int k = 0; k < 100 && !ServerProcesses(dir_->path() + QStringLiteral("/data")).empty() &&
                    ::kill(ServerProcesses(dir_->path() + QStringLiteral("/data"))[0], 0) == 0;
         ++k)
        QThread::msleep(50);
    running_ = false;
}

void PgCluster::stop() {
    if (!dir_) return;
    std::string ignored;
    if (running_) {
        run({programs_ + QStringLiteral("/pg_ctl"), QStringLiteral("-D"),
             dir_->path() + QStringLiteral("/data"), QStringLiteral("-m"),
             QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")},
            ignored);
    }
    // Whatever still runs from this folder ends too.
    for (pid_t pid : ServerProcesses(dir_->path() + QStringLiteral("/data"))) ::kill(pid, SIGKILL);
    running_ = false;
    dir_.reset();  // removes the folder
}

std::string PgCluster::admin(const std::string& database) const {
    return "host=" + dir_->path().toStdString() + " port=" + std::to_string(port_) +
           " user=zepra_admin dbname=" + database;
}

std::string PgCluster::tcp(const std::string& role) const {
    return "postgresql://" + role + "@127.0.0.1:" + std::to_string(port_) + "/zepra";
}

QString PgCluster::passwordFile() const {
    return dir_->path() + QStringLiteral("/pgpass");
}

void PgCluster::setPassword(const std::string& role, const std::string& password) {
    QFile file(passwordFile());
    file.open(QIODevice::Append);
    file.write(QByteArray::fromStdString("127.0.0.1:" + std::to_string(port_) + ":*:" + role + ":" +
                                         password + "\n"));
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}

bool PgCluster::sql(const std::string& statements, std::string& error,
                    const std::string& database) const {
    PGconn* conn = PQconnectdb(admin(database).c_str());
    bool ok = PQstatus(conn) == CONNECTION_OK;
    if (ok) {
        PGresult* result = PQexec(conn, statements.c_str());
        ok =
            PQresultStatus(result) == PGRES_COMMAND_OK || PQresultStatus(result) == PGRES_TUPLES_OK;
        PQclear(result);
    }
    if (!ok) error = PQerrorMessage(conn);
    PQfinish(conn);
    return ok;
}

std::string PgCluster::value(const std::string& query) const {
    PGconn* conn = PQconnectdb(admin().c_str());
    std::string found;
    PGresult* result = PQexec(conn, query.c_str());
    if (PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) > 0)
        found = PQgetvalue(result, 0, 0);
    PQclear(result);
    PQfinish(conn);
    return found;
}

}  // namespace zepra::testing
