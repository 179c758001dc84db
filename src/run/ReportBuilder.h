#pragma once

#include "algorithms/RunOptions.h"
#include "run/ReportRows.h"
#include "run/ReportTree.h"
#include "structure/AlgorithmCells.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velmor {

class StructureWorkspace;

inline constexpr const char* kReportCaption = "Detaljni prikaz rezulatata algoritma";
inline constexpr const char* kReportBuilding = "Prikaz je u izradi, pričekajte trenutak";
inline constexpr const char* kReportChartTitle =
    "Prikaz zahtjeva za memorijom po iteracji  [ byte / iteraciji (vrijeme) ]";

// At most this many samples (and the last one) go into a report's chart.
inline constexpr int kReportChartPoints = 2048;

struct ChartPoint {
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::string label;
    bool red = false; // false: the chart's default colour
    friend bool operator==(const ChartPoint&, const ChartPoint&) = default;
};

// Everything a report window shows, built away from the user-interface
// thread. A report that was aborted holds what was built before the abort;
// the parts it did not reach are marked as not shown.
struct ReportContent {
    Algorithm kind = Algorithm::Abraham;
    std::string caption;   // window caption
    std::string algorithm; // Label1
    std::string status;    // Edit1: the building notice, or the options line once finished

    bool timesShown = false;
    std::array<std::string, 4> timeLabels;  // Label2..Label5
    std::array<std::string, 4> timeValues;  // Edit2..Edit5
    bool lastTimeShown = true;              // Label5 and Edit5 (hidden for ENR)

    bool detailsShown = false;
    std::array<std::string, 4> detailLabels; // Label6..Label9
    std::array<std::string, 4> detailValues; // Edit6..Edit9

    // The bracket the run gives the availability (Label10/Edit10 and
    // Label11/Edit11): lower, then upper.
    bool boundsShown = false;
    std::array<std::string, 2> boundLabels{"donja granica :", "gornja granica :"};
    std::array<std::string, 2> boundValues;

    bool chartShown = false;
    std::vector<ChartPoint> chart;

    ReportTree tree;
    bool finished = false; // false: aborted
};

// Tells the builder to stop; it is asked after every top-level path of the
// Abraham tree and after every node of a solution tree.
using ReportAbortCheck = std::function<bool()>;

// What a report takes when it opens: a save may change the file name and the
// settings window the behaviour while it is being built; the options are
// those of the run that produced the results.
struct ReportSettings {
    std::string fileName;
    bool normal = true; // the algorithm's element behaviour: "normalno"
    char decimalSeparator = '.';
    RunOptions run;
};
ReportSettings reportSettings(const StructureWorkspace& ws, const RunOptions& run, Algorithm kind,
                              char decimalSeparator = '.');

// Builds the report of one algorithm from what its run left in the
// workspace, which it only reads. The tree is not copied: it reads `rows`
// (the workspace's rows of the kind when null) as a view asks for its nodes.
ReportContent buildReport(const StructureWorkspace& ws, Algorithm kind, const ReportAbortCheck& aborted,
                          const ReportSettings& settings, std::shared_ptr<const ReportRows> rows = nullptr);
// The same with the settings as the workspace holds them now.
ReportContent buildReport(const StructureWorkspace& ws, const RunOptions& run, Algorithm kind,
                          const ReportAbortCheck& aborted, char decimalSeparator = '.');

// The options line of a finished report: file name, reduction, terminals and
// the algorithm's rule or variant.
std::string reportOptionsLine(const RunOptions& run, Algorithm kind, const std::string& fileName);

// Caption and Label1 text of a report of `kind`.
std::string reportCaption(Algorithm kind);
std::string reportAlgorithmLabel(Algorithm kind);

} // namespace velmor
