#include "reports/reports.h"

#include <QSaveFile>
#include <QString>

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
    const QString name = QString::fromStdString(path);
    auto failure = [&name](const QString& reason) {
        return ReportWriteResult{
            false,
            QStringLiteral("Cannot write the file \"%1\": %2").arg(name, reason).toStdString()};
    };
    if (path.empty()) return failure(QStringLiteral("no file name"));

    // QSaveFile writes a temporary file beside the target and renames it over the target only
    // when everything was written. Every write and the flush are checked here: on a full disk
    // some Qt versions would otherwise commit an empty file and report success.
    // One exception: an existing file the user may write, in a folder where no temporary file
    // may be created, is written in place (the user asked for that file to be replaced; the
    // atomic way is closed there). Nothing else falls back: a new file in such a folder, or a
    // file the user may not write, is refused.
    QSaveFile file(name);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) return failure(file.errorString());
    const auto size = static_cast<qint64>(content.size());
    const bool written = file.write(content.data(), size) == size && file.flush();
    if (!written) {
        const QString reason = file.errorString();
        file.cancelWriting();  // the temporary file goes away; the target stays as it was
        return failure(reason);
    }
    if (!file.commit()) return failure(file.errorString());
    return {true, {}};
}

}  // namespace zepra
