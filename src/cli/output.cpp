#include "cli/output.h"

#include <QJsonArray>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <span>

#include "cli/gauge_session.h"
#include "data/sample_statistics.h"
#include "data/thickness_format.h"
#include "reports/reports.h"

namespace zepra::cli {

StandardOutput WriteStandardOutput(const std::string& text) {
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    const bool flushed = std::fflush(stdout) == 0;
    if (written && flushed && !std::ferror(stdout)) return StandardOutput::Written;
    const int error = errno;
    std::clearerr(stdout);
    if (error == EPIPE) return StandardOutput::Closed;
    // The reason in Qt's words, as the messages about files give it.
    PrintMessage("Cannot write to the standard output: " +
                 (error != 0 ? qt_error_string(error).toStdString() : "the write failed") + ".");
    return StandardOutput::Failed;
}

bool WriteResult(const std::optional<std::string>& path, const std::string& content) {
    if (!path) {
        const StandardOutput written = WriteStandardOutput(content);
        if (written == StandardOutput::Closed) PrintMessage("Cannot write to the standard output.");
        return written == StandardOutput::Written;
    }
    const ReportWriteResult result = WriteReportFile(*path, content);
    if (!result.ok) PrintMessage(result.error);
    return result.ok;
}

std::string CaptureCsvLine(long long number, const std::string& value, const std::string& unit,
                           const std::string& time) {
    const bool quote = value.find_first_of(",\"") != std::string::npos;
    return std::to_string(number) + "," + (quote ? '"' + value + '"' : value) + "," + unit + "," +
           time + "\n";
}

QJsonObject GroupJson(const GroupSlot& slot, const GroupTexts& texts, const std::string& name,
                      std::int32_t unitIsMils) {
    const std::int32_t n = std::clamp(slot.readingCount, 0, GroupSlot::kCapacity);
    const std::span<const ReadingRecord> records(slot.readings.data(), static_cast<std::size_t>(n));
    auto figure = [](const char* prefix, double micrometres, const std::string& text) {
        const QString number = QString::fromStdString(text);
        return QJsonObject{{"micrometres", micrometres},
                           {"text", number},
                           {"label", QString::fromLatin1(prefix) + number}};
    };

    QJsonArray readings;
    for (const ReadingRecord& record : records) {
        readings.append(QJsonObject{{"number", record.number},
                                    {"micrometres", record.value},
                                    {"text", QString::fromStdString(record.text)}});
    }
    QJsonObject group{
        {"group", QString::fromStdString(name)},
        {"unit", unitIsMils == 1 ? "mils" : "um"},
        {"highLimit", figure(labels::kHighLimit, slot.highLimit, texts.highLimit)},
        {"lowLimit", figure(labels::kLowLimit, slot.lowLimit, texts.lowLimit)},
        {"readings", readings},
    };
    if (n == 0) {
        group["statistics"] = QJsonValue::Null;  // the window shows none for an empty group
        return group;
    }
    const SampleStatistics& statistics = texts.statistics;
    group["statistics"] = QJsonObject{
        {"count",
         QJsonObject{{"value", n},
                     {"label", QString::fromLatin1(labels::kGroupCount) + QString::number(n)}}},
        {"maximum", figure(labels::kGroupMax, statistics.maximum, texts.maximum)},
        {"minimum", figure(labels::kGroupMin, statistics.minimum, texts.minimum)},
        {"mean", figure(labels::kGroupMean, statistics.mean, texts.mean)},
        {"deviation", figure(labels::kDeviation, statistics.deviation, texts.deviation)},
        {"unitLine", QString::fromStdString(UnitLine(unitIsMils))},
    };
    return group;
}

}  // namespace zepra::cli
