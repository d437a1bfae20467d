// The inspection report as a reader gets it: the PDF read back with poppler's tools (texts and
// their order, fonts, properties, pages) and rendered to check what only pixels show.

#include "pdf_report/pdf_report.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimeZone>
#include <regex>

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
        "2026-03-04 05:06:07 UTC+01:00", "Project", "Bridge 4", "Structure or area",
        "North girder, span 2", "Coating", "Epoxy primer, 2nd coat", "Inspector", "A. Inspector",
        "Notes", "first line of the notes", "second line of the notes", "Source", report.source,
        "Unit", "um", "Readings", "80",
        // The statistics in the group window's texts.
        "Counts:", "80", "Mean:", texts.mean, "Max:", texts.maximum, "Min:", texts.minimum,
        "Std.dev.:", texts.deviation, "High-limit:", texts.highLimit, "Low-limit:", texts.lowLimit,
        "Standard: ISO 19840", "NDFT", "100 um (the group's low limit)", "Maximum",
        "200 um (given)", "Criterion", "Required", "Measured", "Result"};
    // The criteria rows as check makes them, of the readings without the excluded one.
    for (const coating::Criterion& c : report.standard->verdict.criteria) {
        parts.push_back(c.measured);
        parts.push_back(c.passed ? "pass" : "FAIL");
    }
    for (const std::string& note : report.standard->verdict.notes) parts.push_back(note);
    for (const char* tail :
         {"Readings given to the standard: 79 of 80 (1 excluded).", "Verdict (ISO 19840):", "PASS",
          "Trend (um by reading number)", "Histogram (readings by um)", "Readings (um)",
          "Inspector", "Client", "Date"}) {
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
        report.job.project = "Tank <7> & pipes";
        report.job.inspector = "A. Inspector";
        const QString pdf = write(report);
        const std::string info = poppler::Run(QStringLiteral("pdfinfo"), {pdf});
        EXPECT_NE(info.find(c.pdfinfoSize), std::string::npos) << info;
        EXPECT_NE(info.find("Title:           Coating Thickness Inspection Report"),
                  std::string::npos);
        EXPECT_NE(info.find(std::string("Creator:         ZEPRA Coating Thickness Tester ") +
                            ZEPRA_VERSION),
                  std::string::npos);
        // Author and subject live in the XMP metadata.
        const std::string xmp = poppler::Run(QStringLiteral("pdfinfo"), {"-meta", pdf});
        EXPECT_NE(xmp.find("<dc:creator><rdf:Seq><rdf:li>A. Inspector</rdf:li>"), std::string::npos)
            << xmp;
        EXPECT_NE(xmp.find("Tank &lt;7&gt; &amp; pipes</rdf:li></rdf:Alt></dc:description>"),
                  std::string::npos)
            << xmp;
        EXPECT_NE(xmp.find("<pdfaid:part>1</pdfaid:part>"), std::string::npos);

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

TEST_F(InspectionReportTest, ReadingsMarkedAndExplained) {
    ReportContent report = Group80();
    report.standard = Iso(report, true);
    const std::string text = poppler::Text(write(report));
    // 70 um: below the low limit and below 80 % of NDFT; 95 um below the low limit; the last
    // readings above the high limit.
    EXPECT_TRUE(std::regex_search(text, std::regex("\\b3\\s+70\\s+LS\\b"))) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex("\\b4\\s+95\\s+L\\b")));
    EXPECT_TRUE(
        std::regex_search(text, std::regex("\\b80\\s+" + FormatThickness(160.25, 0) + "\\s+H\\b")));
    EXPECT_TRUE(std::regex_search(
        text, std::regex("\\b2\\s+" + FormatThickness(101.75, 0) + "\\s+\\d")));  // no mark
    EXPECT_NE(text.find("H above the high limit (150 um)"), std::string::npos);
    EXPECT_NE(text.find("L below the low limit (100 um)"), std::string::npos);
    EXPECT_NE(text.find("S fails ISO 19840 on its own: below 80 um (80 % of NDFT) or above 200 um"),
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

TEST_F(InspectionReportTest, ManyReadingsFlowOverPagesAndFewGiveNoChart) {
    ReportContent report;
    for (int i = 0; i < 5000; ++i) report.readings.push_back({i + 1, 100.0 + i % 97, {}});
    report.source = "File capture.csv";
    QString pdf = write(report);
    const int pages = PageCount(pdf);
    EXPECT_GE(pages, 4);
    std::string text = poppler::Text(pdf);
    EXPECT_TRUE(std::regex_search(text, std::regex("\\b5000\\s+152\\b")));
    EXPECT_NE(text.find("Readings (um) (continued)"), std::string::npos);
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
