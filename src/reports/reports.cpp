#include "reports/reports.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QString>
#include <cerrno>
#include <memory>
#include <vector>

#include "data/thickness_format.h"

namespace zepra {
namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr std::size_t kPrintZoneWidth = 14;

const char* CsvUnitWord(std::int32_t unitIsMils) {
    return unitIsMils == 1 ? "mils" : "um";
}
const char* TitleEnding(std::int32_t unitIsMils) {
    return unitIsMils == 1 ? "mils)" : "um)";
}

std::string Quoted(const std::string& text) {
    return '"' + text + '"';
}

// Appends `item` to `line` at the next print zone.
void AppendAtNextZone(std::string& line, const std::string& item) {
    const std::size_t zoneStart = (line.size() / kPrintZoneWidth + 1) * kPrintZoneWidth;
    line.resize(zoneStart, ' ');
    line += item;
}

// A number as a report writes numbers: a blank in the place of the sign, and one after.
std::string NumberItem(std::int32_t number) {
    return ' ' + NumberToText(number) + ' ';
}

// Qt says "Unknown error" for some failed writes (a full disk); the system's reason is in errno,
// told in Qt's words like the other reasons.
QString ReasonOf(const QFileDevice& file, int error) {
    const QString reason = file.errorString();
    if (error != 0 && (reason.isEmpty() || reason == QLatin1String("Unknown error"))) {
        return qt_error_string(error);
    }
    return reason;
}

}  // namespace

std::string CsvReportText(std::span<const ReadingRecord> records, std::int32_t unitIsMils) {
    const std::string unit = Quoted(CsvUnitWord(unitIsMils));
    std::string out = Quoted("NO.") + ',' + Quoted("Samples") + ',' + Quoted("Unit") + kLineEnd;
    for (const ReadingRecord& record : records) {
        out += NumberToText(record.number) + ',' + Quoted(record.text) + ',' + unit + kLineEnd;
    }
    return out;
}

std::string TextReportText(std::span<const ReadingRecord> records, std::int32_t unitIsMils,
                           const std::string& date, const std::string& time) {
    std::string title = std::string("Samples Report unit(") + TitleEnding(unitIsMils);
    AppendAtNextZone(title, date);
    AppendAtNextZone(title, time);
    std::string out = title + kLineEnd + kLineEnd;
    for (const ReadingRecord& record : records) {
        std::string line = NumberItem(record.number);
        AppendAtNextZone(line, record.text);
        out += line + kLineEnd;
    }
    return out;
}

ReportWriteResult WriteReportFile(const std::string& path, const std::string& content) {
    const ReportFile file{path, content};
    return WriteReportFiles(std::span(&file, 1));
}

ReportWriteResult WriteReportFiles(std::span<const ReportFile> files) {
    std::vector<std::unique_ptr<QSaveFile>> saves;
    std::vector<const ReportFile*> streams;  // devices and FIFOs, written once all files are
    // Every temporary file goes away; the targets stay as they were.
    auto failure = [&saves](const std::string& path, const QString& reason) {
        for (const auto& save : saves) save->cancelWriting();
        return ReportWriteResult{false, QStringLiteral("Cannot write the file \"%1\": %2")
                                            .arg(QString::fromStdString(path), reason)
                                            .toStdString()};
    };
    // QSaveFile writes a temporary file beside the target and renames it over the target only
    // when committed. Every write and the flush are checked here: on a full disk some Qt
    // versions would otherwise commit an empty file and report success.
    // One exception: an existing file the user may write, in a folder where no temporary file
    // may be created, is written in place (the user asked for that file to be replaced; the
    // atomic way is closed there). Nothing else falls back: a new file in such a folder, or a
    // file the user may not write, is refused.
    for (const ReportFile& file : files) {
        const QString name = QString::fromStdString(file.path);
        if (file.path.empty()) return failure(file.path, QStringLiteral("no file name"));
        const QFileInfo info(name);
        if (info.exists() && !info.isFile() && !info.isDir()) {
            streams.push_back(&file);
            continue;
        }
        auto save = std::make_unique<QSaveFile>(name);
        save->setDirectWriteFallback(true);
        if (!save->open(QIODevice::WriteOnly)) {
            const QString reason = save->errorString();
            return failure(file.path, reason);
        }
        const auto size = static_cast<qint64>(file.content.size());
        errno = 0;
        if (save->write(file.content.data(), size) != size || !save->flush()) {
            const QString reason = ReasonOf(*save, errno);
            save->cancelWriting();
            return failure(file.path, reason);
        }
        saves.push_back(std::move(save));
    }
    for (const ReportFile* file : streams) {
        QFile stream(QString::fromStdString(file->path));
        const auto size = static_cast<qint64>(file->content.size());
        errno = 0;
        if (!stream.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
            stream.write(file->content.data(), size) != size) {
            const QString reason = ReasonOf(stream, errno);
            return failure(file->path, reason);
        }
    }
    // Renaming is all that is left; it fails only when the folder changes under the program.
    for (const auto& save : saves) {
        if (!save->commit()) return failure(save->fileName().toStdString(), save->errorString());
    }
    return {true, {}};
}

ReportWriteResult WriteReportStreamed(const std::string& path,
                                      const std::function<std::string(QIODevice&)>& produce) {
    const QString name = QString::fromStdString(path);
    auto failure = [&name](const QString& reason) {
        return ReportWriteResult{
            false,
            QStringLiteral("Cannot write the file \"%1\": %2").arg(name, reason).toStdString()};
    };
    if (path.empty()) return failure(QStringLiteral("no file name"));
    const QFileInfo info(name);
    if (info.exists() && !info.isFile() && !info.isDir()) {
        // A device or a FIFO: written directly, as a shell's redirection would.
        QFile stream(name);
        errno = 0;
        if (!stream.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return failure(ReasonOf(stream, errno));
        if (const std::string error = produce(stream); !error.empty())
            return failure(QString::fromStdString(error));
        if (stream.error() != QFileDevice::NoError) return failure(ReasonOf(stream, errno));
        return {true, {}};
    }
    QSaveFile save(name);
    save.setDirectWriteFallback(true);
    if (!save.open(QIODevice::WriteOnly)) return failure(save.errorString());
    errno = 0;
    const std::string error = produce(save);
    // Every write is checked through the file's error state and the flush: on a full disk some
    // Qt versions would otherwise commit an empty file.
    if (!error.empty() || save.error() != QFileDevice::NoError || !save.flush()) {
        const QString reason =
            error.empty() ? ReasonOf(save, errno) : QString::fromStdString(error);
        save.cancelWriting();
        return failure(reason);
    }
    if (!save.commit()) return failure(save.errorString());
    return {true, {}};
}

}  // namespace zepra
