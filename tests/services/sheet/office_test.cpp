// Workbooks written through the spreadsheet objects, opened by a real office
// suite: converted to CSV (and to .xlsx and back) with `soffice --headless`,
// every cell must come back as written. Skipped where no soffice is installed.

#include "readers.h"
#include "sheet_writer.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <map>
#include <string>
#include <vector>

namespace {

QString OfficeProgram() { return QStandardPaths::findExecutable(QStringLiteral("soffice")); }

// Runs one conversion with a profile of its own, so that it neither waits for
// nor disturbs an office instance someone else has running. False with the
// reason in `error`.
bool Convert(const QString& soffice, const QString& profile, const QString& input, const QString& filter,
             const QString& outDir, std::string& error) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + profile, QStringLiteral("--headless"),
                      QStringLiteral("--norestore"), QStringLiteral("--convert-to"), filter, QStringLiteral("--outdir"),
                      outDir, input});
    if (!p.waitForFinished(300'000)) {
        p.kill();
        p.waitForFinished();
        error = "soffice did not finish";
        return false;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        error = "soffice failed: " + p.readAll().toStdString();
        return false;
    }
    return true;
}

struct CsvField {
    std::string text;
    bool quoted = false;
};

// CSV as the office suite writes it with the options below: fields separated
// by commas, text cells always quoted with '"' (a quote doubled inside),
// numbers bare, records ended by LF; a quoted field may hold line breaks.
std::vector<std::vector<CsvField>> ParseCsv(const std::string& text) {
    std::vector<std::vector<CsvField>> rows(1);
    std::string field;
    bool quoted = false, wasQuoted = false;
    auto endField = [&] {
        rows.back().push_back({field, wasQuoted});
        field.clear();
        wasQuoted = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += '"', ++i;
            else if (c == '"') quoted = false;
            else field += c;
        } else if (c == '"' && field.empty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == ',') {
            endField();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            endField();
            rows.emplace_back();
        } else {
            field += c;
        }
    }
    if (!field.empty() || wasQuoted || !rows.back().empty()) endField();
    if (rows.back().empty()) rows.pop_back();
    return rows;
}

// The CSV's non-empty cells: "s:" + the text of a text cell, "n:" + a
// number as the office suite shows it.
CellMap CellsOfCsv(const std::string& text) {
    CellMap cells;
    auto rows = ParseCsv(text);
    for (std::uint32_t r = 0; r < rows.size(); ++r)
        for (std::uint32_t c = 0; c < rows[r].size(); ++c)
            if (!rows[r][c].text.empty()) cells[{r, c}] = (rows[r][c].quoted ? "s:" : "n:") + rows[r][c].text;
    return cells;
}

std::string Repeat(const std::string& piece, std::size_t times) {
    std::string s;
    for (std::size_t i = 0; i < times; ++i) s += piece;
    return s;
}

class OfficeSuite : public ::testing::Test {
protected:
    void SetUp() override {
        soffice_ = OfficeProgram();
        if (soffice_.isEmpty()) GTEST_SKIP() << "no soffice on this machine";
    }

    // Converts `input` to CSV (comma, '"', UTF-8, text cells always quoted)
    // and returns the text.
    std::string AsCsv(const QString& input, const QString& outDir) {
        std::string error;
        QDir().mkpath(outDir);
        bool ok = Convert(soffice_, QString::fromStdString(dir_.file("profile")), input,
                          QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true"), outDir, error);
        EXPECT_TRUE(ok) << error;
        QFile f(outDir + "/" + QFileInfo(input).completeBaseName() + ".csv");
        if (!f.open(QIODevice::ReadOnly)) {
            ADD_FAILURE() << "no CSV written for " << input.toStdString();
            return {};
        }
        return f.readAll().toStdString();
    }

    QString ToXlsx(const QString& input, const QString& outDir) {
        std::string error;
        QDir().mkpath(outDir);
        EXPECT_TRUE(Convert(soffice_, QString::fromStdString(dir_.file("profile")), input,
                            QStringLiteral("xlsx:Calc MS Excel 2007 XML"), outDir, error))
            << error;
        return outDir + "/" + QFileInfo(input).completeBaseName() + ".xlsx";
    }

    TempFolder dir_;
    QString soffice_;
};

::testing::AssertionResult SameCells(const std::map<std::pair<std::uint32_t, std::uint32_t>, std::string>& expected,
                                     const CellMap& actual) {
    int differ = 0;
    std::string diff;
    for (const auto& [at, value] : expected) {
        auto it = actual.find(at);
        std::string got = it == actual.end() ? "(empty)" : it->second;
        if (got != value && differ++ < 5)
            diff += "\n  " + CellAddress(at.first, at.second) + ": expected [" + value.substr(0, 60) + "] got [" +
                    got.substr(0, 60) + "]";
    }
    for (const auto& [at, value] : actual)
        if (!expected.count(at) && differ++ < 5)
            diff += "\n  " + CellAddress(at.first, at.second) + ": unexpected [" + value.substr(0, 60) + "]";
    if (differ) return ::testing::AssertionFailure() << differ << " cells differ" << diff;
    return ::testing::AssertionSuccess();
}

TEST_F(OfficeSuite, OpensAnExportSizedWorkbookWithEveryCellIntact) {
    SheetWriter w;
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::string> expected;
    auto text = [&](std::uint32_t r, std::uint32_t c, const std::string& v) {
        w.text(r, c, v);
        if (!v.empty()) expected[{r, c}] = "s:" + v;
    };
    const char* titles[] = {"姓名", "手机", "QQ", "备注", "数值"};
    for (std::uint32_t c = 0; c < 5; ++c) text(0, c, titles[c]);
    for (std::uint32_t r = 1; r <= 20000; ++r) {
        text(r, 0, "联系人" + std::to_string(r));
        text(r, 1, "138" + std::to_string(10000000 + r));       // text: no exponent, no lost digits
        text(r, 2, r % 7 == 0 ? "" : "0" + std::to_string(r));  // text keeps its leading zero
        if (r % 500 == 1) text(r, 3, "他说：\"你好\"，O'Brien\r\n第二行");
        w.number(r, 4, std::to_string(r) + ".5", r + 0.5);
        expected[{r, 4}] = "n:" + std::to_string(r) + ".5";
    }
    // Longer than one record of shared strings: it goes on in CONTINUE records.
    text(20001, 0, Repeat("长文本", 1500));
    text(20002, 0, Repeat("latin-", 1500));
    const std::string path = dir_.file("通讯录.xls");
    ASSERT_TRUE(w.save(path));

    CellMap csv = CellsOfCsv(AsCsv(QString::fromStdString(path), QString::fromStdString(dir_.file("csv"))));
    // The office suite writes a line break inside a cell as LF.
    for (auto& [at, v] : expected) {
        std::string s;
        for (std::size_t i = 0; i < v.size(); ++i)
            if (!(v[i] == '\r' && i + 1 < v.size() && v[i + 1] == '\n')) s += v[i];
        v = s;
    }
    EXPECT_TRUE(SameCells(expected, csv));

    // Saved again in the current format by the office suite and read back
    // from there: the workbook survives a round through it.
    QString xlsx = ToXlsx(QString::fromStdString(path), QString::fromStdString(dir_.file("xlsx")));
    ASSERT_TRUE(QFile::exists(xlsx));
    CellMap again = CellsOfCsv(AsCsv(xlsx, QString::fromStdString(dir_.file("csv2"))));
    EXPECT_TRUE(SameCells(expected, again));
}

}  // namespace
