// The inspection report as a reader gets it: the PDF read back with poppler's tools (texts and
// their order, fonts, properties, pages) and rendered to check what only pixels show.

#include "pdf_report/pdf_report.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <regex>
#include <set>

#include "data/group_texts.h"
#include "data/thickness_format.h"
#include "pdf_report/standard_adapter.h"
#include "poppler.h"
#include "zepra_version.h"

namespace zepra::inspection {
namespace {

using coating::Standard;
using coating::Thickness;

// A full group as the gauge stores it: 80 readings from 101 to 160.25 um in steps of 0.75, with a
// few that leave the limits (100 to 150 um): reading 3 is 70 um, reading 4 is 95 um.
ReportContent Group80() {
    ReportContent report;
    for (int i = 0; i < 80; ++i) {
        report.readings.push_back({i + 1, 101.0 + 0.75 * i, {}});
    }
    report.readings[2].value = 70;
    report.readings[3].value = 95;
    report.highLimit = 150;
    report.lowLimit = 100;
    report.source = "Group 2 downloaded from COM3 (/dev/ttyUSB2) at 14:03:22";
    report.createdAt = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7), QTimeZone(3600));
    return report;
}

// ISO 19840 with the group's low limit as NDFT and a given maximum; reading 3 (70 um, below 80 %
// of NDFT) excluded or not.
StandardSection Iso(const ReportContent& report, bool excludeReading3) {
    coating::CheckSetup setup;
    setup.request.standard = Standard::Iso19840;
    for (const ReadingRecord& r : report.readings) setup.request.readings.push_back({r.value});
    setup.request.maximum = Thickness{200, coating::Unit::Micrometres, "200"};
    if (excludeReading3) setup.request.exclusions.push_back({3, "measured on a weld seam"});
    setup.source = coating::ReadingSource::GaugeValues;
    setup.sourceName = "group 2";
    setup.group = coating::GroupLimits{100, 150};
    return JudgeReadings(setup);
}

class InspectionReportTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString path(const char* name) const { return dir_.filePath(name); }

    // Writes the report and returns the file's path.
    QString write(const ReportContent& report, const char* name = "report.pdf") {
        const QString file = path(name);
        const std::string error = WriteInspectionReport(report, file.toStdString());
        EXPECT_EQ(error, "");
        return file;
    }

    // qpdf's check of the file's structure passes (exit 0, no warnings), and so does PDFBox's
    // PDF/A-1b preflight.
    static void ExpectSoundFile(const QString& pdf) {
        const std::string check = poppler::Run(QStringLiteral("qpdf"), {"--check", pdf});
        EXPECT_NE(check.find("No syntax or stream encoding errors found"), std::string::npos)
            << pdf.toStdString() << "\n"
            << check;
        QStringList path;
        for (const char* jar : {"preflight", "pdfbox2", "fontbox2", "xmpbox", "commons-logging",
                                "javax.activation", "jaxb-api"}) {
            path << QStringLiteral("/usr/share/java/%1.jar").arg(QString::fromLatin1(jar));
        }
        QProcess java;
        java.start(QStringLiteral("java"),
                   {QStringLiteral("-cp"), path.join(':'),
                    QStringLiteral("org.apache.pdfbox.preflight.Validator_A1b"), pdf});
        ASSERT_TRUE(java.waitForFinished(120000));
        const std::string verdict = java.readAllStandardOutput().toStdString();
        EXPECT_NE(verdict.find("is a valid PDF/A-1b file"), std::string::npos) << verdict;
    }

    static int PageCount(const QString& pdf) {
        const std::string info = poppler::Run(QStringLiteral("pdfinfo"), {pdf});
        std::smatch m;
        if (!std::regex_search(info, m, std::regex("Pages:\\s+(\\d+)"))) return 0;
        return std::stoi(m[1]);
    }

    QTemporaryDir dir_;
};

TEST_F(InspectionReportTest, EveryPartInTheOrderOfTheDocument) {
    ReportContent report = Group80();
    report.job = {"Bridge 4", "North girder, span 2", "Epoxy primer, 2nd coat", "A. Inspector",
                  "first line of the notes\nsecond line of the notes"};
    report.standard = Iso(report, true);
    const QString pdf = write(report);
    const std::string text = poppler::Text(pdf);
    ASSERT_FALSE(text.empty());

    GroupSlot slot;
    std::copy(report.readings.begin(), report.readings.end(), slot.readings.begin());
    slot.readingCount = 80;
    slot.highLimit = 150;
    slot.lowLimit = 100;
    const GroupTexts texts = FillGroupTexts(slot, 0);
    const int pages = PageCount(pdf);
    ASSERT_GE(pages, 2);

    std::vector<std::string> parts = {
        "Coating Thickness Inspection Report",
        std::string("ZEPRA Coating Thickness Tester ") + ZEPRA_VERSION,
        "2026-03-04 05:06:07 UTC+01:00",
        // Page 1's conclusion before the details.
        "Verdict (ISO 19840):", "PASS", "Number of readings not checked: no surface area given",
        "Readings judged: 79 of 80 (1 excluded)", "Values judged: the gauge's stored values",
        "Report number: 20260304-050607-000", "Project", "Bridge 4", "Structure or area",
        "North girder, span 2", "Coating", "Epoxy primer, 2nd coat", "Inspector", "A. Inspector",
        "Notes", "first line of the notes", "second line of the notes", "Source", report.source,
        "Unit", "µm", "Readings", "80",
        // The statistics in the group window's texts.
        "Counts:", "80", "Mean:", texts.mean, "Max:", "160.25", "Min:", "70",
        "Std.dev.:", texts.deviation, "High-limit:", texts.highLimit, "Low-limit:", texts.lowLimit,
        "Standard: ISO 19840", "NDFT", "100 µm (the group's low limit)", "Maximum",
        "200 µm (given)", "Criterion", "Required", "Measured", "Result"};
    // The criteria rows as check makes them, of the readings without the excluded one.
    // The report writes the unit "µm".
    auto micro = [](const std::string& with) {
        return std::regex_replace(with, std::regex(" um\\b"), " µm");
    };
    for (const coating::Criterion& c : report.standard->verdict.criteria) {
        parts.push_back(micro(c.measured));
        parts.push_back(c.passed ? "pass" : "FAIL");
    }
    for (const std::string& note : report.standard->verdict.notes) parts.push_back(note);
    for (const char* tail :
         {"Readings given to the standard: 79 of 80 (1 excluded).", "Trend (µm by reading number)",
          "Histogram (readings by µm)", "Readings (µm)", "Inspector", "Client", "Date"}) {
        parts.push_back(tail);
    }
    EXPECT_EQ(poppler::FirstOutOfOrder(text, parts), "") << text;
    ASSERT_TRUE(report.standard->verdict.passed());

    // "Page x of y" on every page, in page order.
    std::vector<std::string> footers;
    for (int page = 1; page <= pages; ++page) {
        footers.push_back(std::string("ZEPRA Coating Thickness Tester ") + ZEPRA_VERSION);
        footers.push_back("Page " + std::to_string(page) + " of " + std::to_string(pages));
    }
    EXPECT_EQ(poppler::FirstOutOfOrder(text, footers), "") << text;
}

TEST_F(InspectionReportTest, JobLinesAndStandardOnlyWhenGiven) {
    ReportContent report = Group80();
    std::string text = poppler::Text(write(report, "bare.pdf"));
    ASSERT_FALSE(text.empty());
    for (const char* absent : {"Job", "Project", "Structure or area", "Coating\n", "Notes",
                               "Standard:", "Verdict", "PASS", "FAIL"}) {
        EXPECT_EQ(text.find(absent), std::string::npos) << absent;
    }
    EXPECT_NE(text.find("Statistics and limits"), std::string::npos);

    report.job.coating = "Zinc silicate";
    text = poppler::Text(write(report, "coating.pdf"));
    EXPECT_NE(text.find("Coating"), std::string::npos);
    EXPECT_NE(text.find("Zinc silicate"), std::string::npos);
    EXPECT_EQ(text.find("Project"), std::string::npos);
}

TEST_F(InspectionReportTest, PropertiesFontsAndPaper) {
    const struct {
        PageSize size;
        const char* pdfinfoSize;
    } cases[] = {{PageSize::A4, "595 x 842 pts (A4)"},
                 {PageSize::Letter, "612 x 792 pts (letter)"}};
    for (const auto& c : cases) {
        ReportContent report = Group80();
        report.pageSize = c.size;
        report.job.project = "Tank <7> & pipes\x01";  // a control character XML does not take
        report.job.inspector = "A. Inspector";
        const QString pdf = write(report);
        const std::string info = poppler::Run(QStringLiteral("pdfinfo"), {pdf});
        EXPECT_NE(info.find(c.pdfinfoSize), std::string::npos) << info;
        EXPECT_NE(info.find("Title:           Coating Thickness Inspection Report"),
                  std::string::npos);
        EXPECT_NE(info.find(std::string("Creator:         ZEPRA Coating Thickness Tester ") +
                            ZEPRA_VERSION),
                  std::string::npos);
        // Author and subject in the information dictionary and, the same, in the XMP metadata.
        EXPECT_NE(info.find("Author:          A. Inspector\n"), std::string::npos) << info;
        EXPECT_NE(info.find("Subject:         Tank <7> & pipes\n"), std::string::npos) << info;
        const std::string xmp = poppler::Run(QStringLiteral("pdfinfo"), {"-meta", pdf});
        EXPECT_NE(xmp.find("<dc:creator><rdf:Seq><rdf:li>A. Inspector</rdf:li>"), std::string::npos)
            << xmp;
        EXPECT_NE(xmp.find("Tank &lt;7&gt; &amp; pipes</rdf:li></rdf:Alt></dc:description>"),
                  std::string::npos)
            << xmp;
        EXPECT_NE(xmp.find("<pdfaid:part>1</pdfaid:part>"), std::string::npos);
        ExpectSoundFile(pdf);

        // Every font embedded.
        const std::string fonts = poppler::Run(QStringLiteral("pdffonts"), {pdf});
        int rows = 0;
        std::istringstream lines(fonts);
        std::string line;
        for (int skip = 0; skip < 2 && std::getline(lines, line); ++skip) {
        }
        while (std::getline(lines, line)) {
            ++rows;
            EXPECT_TRUE(
                std::regex_search(line, std::regex("\\s+yes\\s+\\S+\\s+\\S+\\s+\\d+\\s+\\d+$")))
                << line;
        }
        EXPECT_GE(rows, 1) << fonts;

        // The charts are vector drawings: the document holds no images at all.
        const std::string images = poppler::Run(QStringLiteral("pdfimages"), {"-list", pdf});
        EXPECT_EQ(std::count(images.begin(), images.end(), '\n'), 2) << images;  // the header
    }
}

// The colours a reader sees at a glance: the verdict, the bars, the trace and the limit lines.
TEST_F(InspectionReportTest, VerdictColourChartsAndLimitLines) {
    const int pass[] = {0, 128, 0};
    const int fail[] = {200, 0, 0};
    for (const bool excluded : {true, false}) {
        ReportContent report = Group80();
        report.standard = Iso(report, excluded);  // 70 um fails unless excluded
        ASSERT_EQ(report.standard->verdict.passed(), excluded);
        const QString pdf = write(report);
        const poppler::Image first = poppler::Render(pdf, 1);
        ASSERT_GT(first.width, 0);
        const int* shown = excluded ? pass : fail;
        const int* other = excluded ? fail : pass;
        EXPECT_GT(first.count(shown[0], shown[1], shown[2], 20), 200) << "verdict colour";
        EXPECT_LT(first.count(other[0], other[1], other[2], 20), 100);
        EXPECT_NE(poppler::Text(pdf).find(excluded ? "PASS" : "FAIL"), std::string::npos);
    }

    // The charts' page: green bars, the black trace with red markers, both limit lines.
    const QString pdf = write(Group80(), "charts.pdf");
    bool found = false;
    for (int page = 1; page <= PageCount(pdf) && !found; ++page) {
        const poppler::Image image = poppler::Render(pdf, page, 100);
        if (image.count(0, 255, 0, 10) < 500) continue;
        found = true;
        EXPECT_GT(image.count(255, 0, 0, 60), 50) << "trend markers";
        EXPECT_GT(image.count(0, 70, 200, 40), 50) << "high limit line";
        EXPECT_GT(image.count(200, 110, 0, 40), 50) << "low limit line";
    }
    EXPECT_TRUE(found) << "no page with the histogram's bars";
}

// The values of one axis step by 1, 2 or 5 x 10^n and each is a multiple of the step.
void ExpectRoundAxis(std::vector<double> values, const std::string& what) {
    SCOPED_TRACE(what);
    ASSERT_GE(values.size(), 2u);
    std::sort(values.begin(), values.end());
    const double step = values[1] - values[0];
    const double power = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    const double factor = step / power;
    EXPECT_TRUE(std::abs(factor - 1) < 1e-6 || std::abs(factor - 2) < 1e-6 ||
                std::abs(factor - 5) < 1e-6)
        << "step " << step;
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_NEAR(values[i], values[0] + step * static_cast<double>(i), step * 1e-6);
        EXPECT_NEAR(values[i] / step, std::round(values[i] / step), 1e-6) << values[i];
    }
}

// The charts' axes read off round numbers, in the report's unit, and the histogram counts whole
// readings (the gauge software's axes put 60.1, 80.1 on the trend and "1" at 1.83 readings).
TEST_F(InspectionReportTest, ChartAxesStandOnRoundNumbers) {
    for (const std::int32_t mils : {0, 1}) {
        SCOPED_TRACE(mils ? "mils" : "um");
        ReportContent report = Group80();
        report.unitIsMils = mils;
        const std::vector<poppler::Word> words = poppler::Words(write(report));
        // The numbers between a chart's heading and the next heading: those right-aligned on one
        // edge are the axis on the left, the others the axis below.
        auto axes = [&](const std::string& heading, const std::string& next) {
            std::vector<std::pair<double, double>> numbers;  // xMax, value
            bool inside = false;
            for (std::size_t i = 0; i + 1 < words.size(); ++i) {
                const poppler::Word& w = words[i];
                if (w.text == heading) inside = true;
                if (inside && w.text == next) break;
                // A limit's legend ("high limit 150 µm") and the footer ("Page 2 of 3") are no
                // ticks.
                const bool legend =
                    words[i + 1].text == "µm" || words[i + 1].text == "mils" ||
                    (i > 0 && (words[i - 1].text == "Page" || words[i - 1].text == "of"));
                // Written with the locale's decimal separator; read here whatever the locale.
                if (inside && !legend &&
                    std::regex_match(w.text, std::regex("-?\\d+([.,]\\d+)?"))) {
                    std::string plain = w.text;
                    std::replace(plain.begin(), plain.end(), ',', '.');
                    double value = 0;
                    std::from_chars(plain.data(), plain.data() + plain.size(), value);
                    numbers.emplace_back(w.xMax, value);
                }
            }
            std::map<long, std::vector<double>> byRightEdge;
            for (const auto& [x, value] : numbers) byRightEdge[std::lround(x)].push_back(value);
            std::vector<double> left;
            std::vector<double> below;
            for (const auto& [x, values] : byRightEdge) {
                auto& into = values.size() >= 3 ? left : below;
                into.insert(into.end(), values.begin(), values.end());
            }
            return std::pair{left, below};
        };
        const auto [trendLeft, trendBelow] = axes("Trend", "Histogram");
        ExpectRoundAxis(trendLeft, "trend values");
        ExpectRoundAxis(trendBelow, "reading numbers");
        for (const double n : trendBelow) EXPECT_GE(n, 1);
        const auto [countLeft, valueBelow] = axes("Histogram", "Readings");
        ExpectRoundAxis(countLeft, "counts");
        for (const double count : countLeft) EXPECT_EQ(count, std::round(count));
        ExpectRoundAxis(valueBelow, "histogram values");
    }
}

TEST_F(InspectionReportTest, ReadingsMarkedAndExplained) {
    ReportContent report = Group80();
    report.standard = Iso(report, true);
    const std::string text = poppler::Text(write(report));
    // 70 um: below the low limit and below 80 % of NDFT; 95 um below the low limit; the last
    // readings above the high limit.
    EXPECT_TRUE(std::regex_search(text, std::regex("\\b3\\s+70\\s+LS\\b"))) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex("\\b4\\s+95\\s+L\\b")));
    EXPECT_TRUE(std::regex_search(text, std::regex("\\b80\\s+160\\.25\\s+H\\b")));
    EXPECT_TRUE(std::regex_search(text, std::regex("\\b2\\s+101\\.75\\s+\\d")));  // no mark
    EXPECT_NE(text.find("H above the high limit (150 µm)"), std::string::npos);
    EXPECT_NE(text.find("L below the low limit (100 µm)"), std::string::npos);
    EXPECT_NE(text.find("S fails ISO 19840 on its own: below 80 µm (80 % of NDFT) or above 200 µm"),
              std::string::npos);
    EXPECT_NE(text.find("struck through: excluded from the verdict"), std::string::npos);

    // Within the limits and without a standard: no marks, no legend.
    report.highLimit = 1000;
    report.lowLimit = 1;
    report.standard.reset();
    const std::string unmarked = poppler::Text(write(report, "unmarked.pdf"));
    EXPECT_EQ(unmarked.find("above the high limit"), std::string::npos);
    EXPECT_EQ(unmarked.find("below the low limit"), std::string::npos);
    EXPECT_FALSE(std::regex_search(unmarked, std::regex("\\b3\\s+70\\s+L")));

    report.unitIsMils = 1;
    const std::string mils = poppler::Text(write(report, "mils.pdf"));
    EXPECT_NE(mils.find("Readings (mils)"), std::string::npos);
    EXPECT_TRUE(std::regex_search(
        mils,
        std::regex("\\b1\\s+" +
                   std::regex_replace(FormatThickness(101, 1), std::regex("\\."), "\\.") + "\\s")))
        << mils;
}

// IMO PSPC lets a few readings lie below the NDFT: the report marks each one (N), decided on
// the exact value, beside the S of those below 90 % of it.
TEST_F(InspectionReportTest, ImoPspcMarksTheReadingsBelowTheNdft) {
    ReportContent report;
    const std::vector<std::pair<std::string, double>> readings = {
        {"100", 100}, {"99.999", 99.999}, {"90", 90}, {"89.9", 89.9}, {"130", 130}};
    coating::CheckSetup setup;
    setup.request.standard = Standard::ImoPspc;
    setup.request.ndft = Thickness{100, coating::Unit::Micrometres, "100"};
    for (const auto& [text, value] : readings) {
        report.readings.push_back(
            {static_cast<std::int32_t>(report.readings.size()) + 1, value, text});
        setup.request.readings.push_back({value, coating::Unit::Micrometres, text});
    }
    report.standard = JudgeReadings(setup);
    const std::string text = poppler::Text(write(report));
    EXPECT_TRUE(std::regex_search(text, std::regex("\\b1\\s+100\\s+2\\b"))) << text;  // no mark
    EXPECT_TRUE(std::regex_search(text, std::regex("\\b2\\s+99\\.999\\s+N\\b"))) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex("\\b3\\s+90\\s+N\\b")));
    EXPECT_TRUE(std::regex_search(text, std::regex("\\b4\\s+89\\.9\\s+SN\\b")));
    EXPECT_TRUE(std::regex_search(text, std::regex("\\b5\\s+130\\s*($|\\n)")));
    EXPECT_NE(text.find("N below the NDFT (100 µm): allowed for at most 10 % of the readings "
                        "(IMO PSPC)"),
              std::string::npos);

    // ISO 19840 counts readings below the NDFT by its own rule: no N there.
    setup.request.standard = Standard::Iso19840;
    report.standard = JudgeReadings(setup);
    EXPECT_EQ(poppler::Text(write(report, "iso.pdf")).find("N below the NDFT"), std::string::npos);
}

TEST_F(InspectionReportTest, ManyReadingsFlowOverPagesAndFewGiveNoChart) {
    ReportContent report;
    for (int i = 0; i < 5000; ++i) report.readings.push_back({i + 1, 100.0 + i % 97, {}});
    report.source = "File capture.csv";
    QString pdf = write(report);
    const int pages = PageCount(pdf);
    EXPECT_GE(pages, 4);
    std::string text = poppler::Text(pdf);
    EXPECT_TRUE(std::regex_search(text, std::regex("\\b5000\\s+152\\b")));
    EXPECT_NE(text.find("Readings (µm) (continued)"), std::string::npos);
    EXPECT_NE(text.find("Page " + std::to_string(pages) + " of " + std::to_string(pages)),
              std::string::npos);
    EXPECT_EQ(text.find("High-limit:"), std::string::npos);  // a file has no limits

    report.readings.resize(1);
    text = poppler::Text(write(report, "one.pdf"));
    EXPECT_NE(text.find("Too few readings for this chart."), std::string::npos);
    report.readings.clear();
    text = poppler::Text(write(report, "none.pdf"));
    EXPECT_NE(text.find("Counts:"), std::string::npos);
}

// Texts of any length are printed whole: a long note, a long exclusion reason and an unbroken word
// flow onto further pages, and nothing but the footer is printed in the footer's band.
TEST_F(InspectionReportTest, LongTextsFlowOntoFurtherPagesAndStayAboveTheFooter) {
    ReportContent report = Group80();
    std::vector<std::string> noteWords;
    std::string note;
    for (int i = 0; note.size() < 10000; ++i) {
        noteWords.push_back("note" + std::to_string(i));
        note += noteWords.back() + (i % 9 == 8 ? "\n" : " ");
    }
    std::vector<std::string> reasonWords;
    std::string reason;
    for (int i = 0; i < 1000; ++i) {
        reasonWords.push_back("why" + std::to_string(i));
        reason += (i == 0 ? "" : " ") + reasonWords.back();
    }
    const std::string unbroken = "P" + std::string(298, 'Q') + "R";
    report.job = {unbroken, "", "", "A. Inspector", note};  // the project in the footer too
    coating::CheckSetup setup;
    setup.request.standard = Standard::Iso19840;
    for (const ReadingRecord& r : report.readings) setup.request.readings.push_back({r.value});
    setup.request.exclusions.push_back({3, reason});
    setup.group = coating::GroupLimits{100, 150};
    report.standard = JudgeReadings(setup);
    const QString pdf = write(report);
    ExpectSoundFile(pdf);

    // Every word is in the text layer; the unbroken word in pieces, line after line.
    const std::string text = poppler::Run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    std::string joined;
    for (char ch : text) {
        if (!std::isspace(static_cast<unsigned char>(ch))) joined += ch;
    }
    EXPECT_NE(joined.find(unbroken), std::string::npos);
    std::set<std::string> seen;
    for (const poppler::Word& w : poppler::Words(pdf)) {
        seen.insert(w.text.back() == '.' ? w.text.substr(0, w.text.size() - 1) : w.text);
    }
    for (const auto* list : {&noteWords, &reasonWords}) {
        for (const std::string& word : *list) EXPECT_TRUE(seen.count(word)) << word;
    }

    // Below the body (18 mm margin and 10 mm footer above the bottom of A4) only the footer: the
    // report number, the project (shortened), the program, "Page x of y".
    const double bodyBottom = 842 - (18 + 10) * 72 / 25.4;
    const int pages = PageCount(pdf);
    ASSERT_GE(pages, 3);
    std::map<int, std::string> footers;
    for (const poppler::Word& w : poppler::Words(pdf)) {
        if (w.yMax > bodyBottom + 0.5) footers[w.page] += w.text + " ";
    }
    for (int page = 1; page <= pages; ++page) {
        SCOPED_TRACE(page);
        const std::string& footer = footers[page];
        EXPECT_EQ(footer.rfind("Report 20260304-050607-000 · PQQ", 0), 0u) << footer;
        const std::string tail = std::string("ZEPRA Coating Thickness Tester ") + ZEPRA_VERSION +
                                 " Page " + std::to_string(page) + " of " + std::to_string(pages) +
                                 " ";
        EXPECT_EQ(footer.substr(footer.size() - std::min(footer.size(), tail.size())), tail);
        EXPECT_EQ(footer.find("note"), std::string::npos) << footer;
        EXPECT_EQ(footer.find("why"), std::string::npos) << footer;
    }
}

// What an auditor asks besides the readings: the gauge and its calibration (due when older than
// a year), the zero check, the surface, the conditions with the dew point, names under the
// signature lines.
TEST_F(InspectionReportTest, TheRecordOfGaugeCalibrationAndConditions) {
    const struct {
        double air, steel, humidity;
        const char* conditions;
        bool flagged;
    } cases[] = {
        // Magnus: 20 °C at 50 % has its dew point at 9.26 °C.
        {20, 21, 50, "dew point 9.3 °C, the steel 11.7 °C above it", false},
        {20, 12, 50, "the steel 2.7 °C above it: LESS", true},
    };
    for (const auto& k : cases) {
        ReportContent report = Group80();
        report.job.inspector = "A. Inspector";
        report.measuredAt = "2026-03-04 14:03:22 or before (downloaded)";
        report.record = {"Acme",
                         "DFT-7",
                         "SN 4711",
                         "F1 ferrous",
                         "C-17",
                         "2025-02-01",
                         "zero on bare steel; 50 and 250 um shims within 2 %",
                         "Sa 2.5",
                         "60 um, Rz by replica tape",
                         k.air,
                         k.steel,
                         k.humidity,
                         "NACE CIP level 2",
                         "QA inspector",
                         "B. Client",
                         "Site manager"};
        const QString pdf = write(report);
        ExpectSoundFile(pdf);
        const std::string text = poppler::Text(pdf);
        EXPECT_EQ(
            poppler::FirstOutOfOrder(
                text, {"Gauge: Acme DFT-7, serial SN 4711, probe F1 ferrous",
                       "Calibration: certificate C-17 of 2025-02-01 (due: more than 12 "
                       "months before the measurement)",
                       "Readings SHA-256:", "Report number:", "Gauge, calibration and conditions",
                       "Zero and shims", "zero on bare steel; 50 and 250 um shims within 2 %",
                       "Surface preparation", "Sa 2.5", "Surface profile", "Conditions",
                       k.conditions, "Qualification", "NACE CIP level 2", "Measured",
                       "2026-03-04 14:03:22", "Inspector", "A. Inspector", "QA inspector"}),
            "")
            << text;
        EXPECT_NE(text.find("B. Client"), std::string::npos);
        EXPECT_NE(text.find("Site manager"), std::string::npos);
        // The flag also stands on page 1.
        const std::string first =
            poppler::Run(QStringLiteral("pdftotext"),
                         {QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-layout"),
                          path("report.pdf"), QStringLiteral("-")});
        EXPECT_EQ(first.find("LESS THAN 3") != std::string::npos, k.flagged) << first;
    }
    EXPECT_NEAR(DewPointCelsius(20, 50), 9.26, 0.01);
    EXPECT_NEAR(DewPointCelsius(20, 100), 20, 1e-9);
}

// A character no installed font has would print as an empty box and leave the text layer: the
// report says which and is not written.
TEST_F(InspectionReportTest, ACharacterNoFontHasIsSaidAndNothingWritten) {
    ReportContent report = Group80();
    report.job.project = "Tank \xEE\x80\x80 7";  // U+E000, private use: in no font
    const QString file = path("boxes.pdf");
    const std::string error = WriteInspectionReport(report, file.toStdString());
    EXPECT_NE(error.find("no installed font has the characters \xEE\x80\x80 (U+E000)"),
              std::string::npos)
        << error;
    EXPECT_NE(error.find("fonts-wqy-microhei"), std::string::npos);
    EXPECT_FALSE(QFileInfo::exists(file));
    report.job.project = "Tank \xC3\xA9 7";  // é: Liberation Sans has it
    EXPECT_EQ(WriteInspectionReport(report, file.toStdString()), "");
}

TEST_F(InspectionReportTest, AFileThatCannotBeWrittenLeavesNothing) {
    const ReportContent report = Group80();
    const QString missing = path("no-such-folder/report.pdf");
    std::string error = WriteInspectionReport(report, missing.toStdString());
    EXPECT_NE(error.find("Cannot write the file \"" + missing.toStdString() + "\""),
              std::string::npos)
        << error;
    EXPECT_FALSE(QFileInfo::exists(path("no-such-folder")));

    ASSERT_TRUE(QDir(dir_.path()).mkdir("folder"));
    error = WriteInspectionReport(report, path("folder").toStdString());
    EXPECT_NE(error, "");
    EXPECT_TRUE(QFileInfo(path("folder")).isDir());
    EXPECT_EQ(QDir(path("folder")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);
    EXPECT_NE(WriteInspectionReport(report, ""), "");

    // A report replaces an existing file whole; nothing else is left in the folder.
    QFile old(path("old.pdf"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old content");
    old.close();
    write(report, "old.pdf");
    EXPECT_GE(PageCount(path("old.pdf")), 2);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files).size(), 1);
}

// Spots named by their readings' numbers in the list, whatever was excluded before them.
TEST(JudgeReadings, SpotsAndExclusionsKeepTheListsNumbers) {
    coating::CheckSetup setup;
    setup.request.standard = Standard::SspcPa2;
    setup.request.minimum = Thickness{100, coating::Unit::Micrometres, "100"};
    setup.request.maximum = Thickness{200, coating::Unit::Micrometres, "200"};
    setup.request.spotsPerArea = 2;
    for (double v : {100.0, 10.0, 100.0, 150.0, 160.0, 140.0, 150.0})
        setup.request.readings.push_back({v});

    // Reading 2 (10 um) pulls the first spot below 80 % of the minimum; without it the spots
    // are readings 1, 3, 4 and 5, 6, 7.
    EXPECT_FALSE(JudgeReadings(setup).verdict.passed());
    setup.request.exclusions = {{2, "gauge dropped"}};
    const StandardSection section = JudgeReadings(setup);
    ASSERT_TRUE(section.verdict.passed()) << section.verdict.error;
    const StandardTexts texts = DescribeStandard(section);
    ASSERT_EQ(texts.spots.size(), 2u);
    EXPECT_EQ(texts.spots[0].rfind("1-4: ", 0), 0u) << texts.spots[0];
    EXPECT_EQ(texts.spots[1].rfind("5-7: ", 0), 0u) << texts.spots[1];
    EXPECT_EQ(texts.excluded, std::set<std::int32_t>{2});
    EXPECT_EQ(texts.notes.back(), "Readings given to the standard: 6 of 7 (1 excluded).");
    EXPECT_EQ(texts.lowLine, 100.0);
    EXPECT_EQ(texts.highLine, 200.0);
    EXPECT_EQ(texts.lowLineName, "minimum");
}

// The readings the report marks S: those a standard fails on their own, decided exactly.
TEST(JudgeReadings, ReadingBoundsOfEachStandard) {
    const struct {
        Standard standard;
        coating::Roughness roughness;
        std::optional<const char*> maximum;
        std::vector<double> readings;
        std::vector<bool> outside;
    } cases[] = {
        // ISO 19840: below 80 um, above the maximum (3 x NDFT without one).
        {Standard::Iso19840,
         coating::Roughness::None,
         "150",
         {80, 79.999, 150, 150.001},
         {false, true, false, true}},
        {Standard::Iso19840, coating::Roughness::None, std::nullopt, {300, 300.001}, {false, true}},
        // the roughness correction (25 um) comes off every reading first
        {Standard::Iso19840,
         coating::Roughness::Medium,
         "150",
         {105, 104.9, 175, 175.1},
         {false, true, false, true}},
        // IMO PSPC: below 90 % of NDFT; no maximum unless given
        {Standard::ImoPspc,
         coating::Roughness::None,
         std::nullopt,
         {90, 89.99, 1000},
         {false, true, false}},
        // SSPC-PA 2 judges spots, not single readings
        {Standard::SspcPa2, coating::Roughness::None, "150", {1, 1000, 100}, {false, false, false}},
    };
    for (const auto& c : cases) {
        coating::CheckSetup setup;
        coating::CheckRequest& request = setup.request;
        request.standard = c.standard;
        request.roughness = c.roughness;
        const Thickness hundred{100, coating::Unit::Micrometres, "100"};
        if (c.standard == Standard::SspcPa2) {
            request.minimum = hundred;
        } else {
            request.ndft = hundred;
        }
        if (c.maximum) request.maximum = Thickness{0, coating::Unit::Micrometres, *c.maximum};
        for (double v : c.readings) request.readings.push_back({v});
        const StandardTexts texts = DescribeStandard(JudgeReadings(setup));
        EXPECT_EQ(texts.outside, c.outside) << coating::StandardName(c.standard) << texts.error;
    }
}

}  // namespace
}  // namespace zepra::inspection
