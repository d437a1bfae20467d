#include "cli/output.h"

#include <QJsonArray>
#include <algorithm>
#include <cstdio>
#include <span>

#include "cli/gauge_session.h"
#include "data/sample_statistics.h"
#include "data/thickness_format.h"
#include "reports/reports.h"

namespace zepra::cli {

bool WriteStandardOutput(const std::string& text) {
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    return std::fflush(stdout) == 0 && written && !std::ferror(stdout);
}

bool WriteResult(const std::optional<std::string>& path, const std::string& content) {
    if (!path) {
        if (WriteStandardOutput(content)) return true;
        PrintMessage("Cannot write to the standard output.");
        return false;
    }
    const ReportWriteResult result = WriteReportFile(*path, content);
    if (!result.ok) PrintMessage(result.error);
    return result.ok;
}

std::string CaptureCsvLine(std::int32_t number, const std::string& value, const std::string& unit,
                           const std::string& time) {
    const bool quote = value.find_first_of(",\"") != std::string::npos;
    return std::to_string(number) + "," + (quote ? '"' + value + '"' : value) + "," + unit + "," +
           time + "\n";
}

void FormatGroupTexts(GroupSlot& slot, std::int32_t unitIsMils) {
    const std::int32_t n = std::clamp(slot.readingCount, 0, GroupSlot::kCapacity);
    for (std::int32_t i = 0; i < n; ++i) {
        ReadingRecord& record = slot.readings[static_cast<std::size_t>(i)];
        record.text = FormatThickness(record.value, unitIsMils);
    }
}

QJsonObject GroupJson(const GroupSlot& slot, const std::string& name, std::int32_t unitIsMils) {
    const std::int32_t n = std::clamp(slot.readingCount, 0, GroupSlot::kCapacity);
    const std::span<const ReadingRecord> records(slot.readings.data(), static_cast<std::size_t>(n));
    auto text = [unitIsMils](double micrometres) {
        return QString::fromStdString(FormatThickness(micrometres, unitIsMils));
    };
    auto label = [](const char* prefix, const QString& value) {
        return QString::fromLatin1(prefix) + value;
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
        {"highLimit", QJsonObject{{"micrometres", slot.highLimit},
                                  {"text", text(slot.highLimit)},
                                  {"label", label(labels::kHighLimit, text(slot.highLimit))}}},
        {"lowLimit", QJsonObject{{"micrometres", slot.lowLimit},
                                 {"text", text(slot.lowLimit)},
                                 {"label", label(labels::kLowLimit, text(slot.lowLimit))}}},
        {"readings", readings},
    };
    if (n == 0) {
        group["statistics"] = QJsonValue::Null;  // the window shows none for an empty group
        return group;
    }
    const SampleStatistics statistics = GroupStatistics(records, unitIsMils);
    auto figure = [&](const char* prefix, double micrometres) {
        return QJsonObject{{"micrometres", micrometres},
                           {"text", text(micrometres)},
                           {"label", label(prefix, text(micrometres))}};
    };
    group["statistics"] = QJsonObject{
        {"count",
         QJsonObject{{"value", n}, {"label", label(labels::kGroupCount, QString::number(n))}}},
        {"maximum", figure(labels::kGroupMax, statistics.maximum)},
        {"minimum", figure(labels::kGroupMin, statistics.minimum)},
        {"mean", figure(labels::kGroupMean, statistics.mean)},
        {"deviation", figure(labels::kDeviation, statistics.deviation)},
        {"unitLine", QString::fromStdString(UnitLine(unitIsMils))},
    };
    return group;
}

}  // namespace zepra::cli
