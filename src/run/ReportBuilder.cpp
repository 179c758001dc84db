#include "run/ReportBuilder.h"

#include "run/ReportTrees.h"

#include "algorithms/AlgorithmTraits.h"
#include "platform/Numbers.h"
#include "structure/StructureWorkspace.h"

#include <algorithm>
#include <utility>

namespace velmor {

// --- Building ------------------------------------------------------------------------

namespace {

std::string number(long double value, char separator)
{
    return formatGeneral(value, separator);
}

// Every sample while they fit the chart; beyond that, the highest of each
// stretch of samples and the last one: a run of a hundred million
// iterations shows the same shape without a point per iteration.
void fillChart(ReportContent& report, const SampleLog& log)
{
    report.chart.push_back({0, 0, std::string(), false});
    const int last = log.lastIndex();
    auto add = [&](int j, std::int64_t value) { report.chart.push_back({j, value, std::to_string(j), true}); };
    if (last <= kReportChartPoints) {
        report.chart.reserve(static_cast<std::size_t>(std::max(last, 0)) + 1);
        for (int j = 1; j <= last; ++j)
            add(j, log.sample(j));
    } else {
        report.chart.reserve(kReportChartPoints + 2);
        const double perStretch = static_cast<double>(last) / kReportChartPoints;
        for (int stretch = 0; stretch < kReportChartPoints; ++stretch) {
            const int first = 1 + static_cast<int>(stretch * perStretch);
            const int end = stretch + 1 == kReportChartPoints ? last + 1 : 1 + static_cast<int>((stretch + 1) * perStretch);
            int peak = first;
            std::int64_t highest = log.sample(first);
            for (int j = first + 1; j < end; ++j)
                if (const std::int64_t value = log.sample(j); value > highest) {
                    peak = j;
                    highest = value;
                }
            add(peak, highest);
        }
        if (report.chart.back().x != last)
            add(last, log.sample(last));
    }
    report.chartShown = true;
}

// The bracket of the run's availability.
void showBounds(ReportContent& report, const AlgorithmCells& cells, char separator)
{
    const AvailabilityBounds bounds = cells.bounds();
    report.boundValues = {number(bounds.lower, separator), number(bounds.upper, separator)};
    report.boundsShown = true;
}

void buildAbraham(const StructureWorkspace& ws, ReportContent& report, const ReportAbortCheck& aborted,
                  const ReportSettings& settings, std::shared_ptr<const ReportRows> rows)
{
    const char separator = settings.decimalSeparator;
    const AlgorithmCells& cells = ws.abraham;
    const ByteMatrix& paths = ws.abrahamPaths;
    const TermRows& products = ws.abrahamProducts;
    report.tree = ReportTree(abrahamTree(std::move(rows), ElementTexts(ws, std::max(paths.columnCount(), products.columnCount())),
                                         settings.run.of(Algorithm::Abraham).variant));
    if (aborted())
        return;

    report.timeLabels = {"sustav :", "traženje elementarnih putova:", "sortiranje nađenih putova :",
                         "izvršavanje algoritma :"};
    for (int slot = 0; slot < 4; ++slot)
        report.timeValues[static_cast<std::size_t>(slot)] = number(cells.timers.total(slot), separator);
    report.timesShown = true;

    report.detailLabels = {"raspoloživost :", "ukupno iteracija :", "uspješnih putova :", "uspješnih rješenja :"};
    report.detailValues = {number(cells.availabilityValue(), separator), std::to_string(cells.iterations.load()),
                           std::to_string(paths.rowCount()), std::to_string(products.rowCount())};
    report.detailsShown = true;
    showBounds(report, cells, separator);

    fillChart(report, cells.memoryLog);
    report.status = reportOptionsLine(settings.run, Algorithm::Abraham, settings.fileName);
    report.finished = true;
}

// The ENR and NPR reports: the solution tree, its counts, times and chart.
void buildTree(const StructureWorkspace& ws, Algorithm kind, ReportContent& report, const ReportAbortCheck& aborted,
               const ReportSettings& settings, std::shared_ptr<const ReportRows> treeRows)
{
    const char separator = settings.decimalSeparator;
    const bool npr = kind == Algorithm::Npr;
    const AlgorithmCells& cells = ws.cells(kind);
    const TermRows& rows = npr ? ws.nprRows : ws.enrRows;
    auto cell = [&rows](int x, int k) { return termcells::cellAt(rows.row(k), x); };
    const int stateColumn = rows.lastColumn();
    const bool normal = settings.normal;
    const bool ideal = settings.run.idealTerminals;
    const int destination = ws.workDestinationIndex;
    const bool destinationCertain = ws.workElementState.get(destination) == 1;

    // The root (the source) and, unless it cannot fail, its failure; the
    // rows below it unless the report was aborted.
    SolutionTreeShape shape;
    shape.npr = npr;
    shape.elementCount = stateColumn; // columns 0 .. n, then the row state
    shape.destination = destination;
    const bool sourceCertain = ws.workElementState.get(ws.workSourceIndex) == 1;
    shape.sourceFailure = rows.rowCount() > 0 && !((ideal || sourceCertain) && normal);
    int failures = shape.sourceFailure ? 1 : 0;
    const bool leaveOutDestinationFailures = (ideal || destinationCertain) && normal;
    shape.skipDestinationFailures = npr ? ideal && normal : leaveOutDestinationFailures;

    if (npr) {
        report.timeLabels = {"sustav :", "traženje najkraćih putova:", "ispitivanje nađenih putova :",
                             "izvršavanje algoritma :"};
        const int slots[4] = {0, 2, 3, 1};
        for (int i = 0; i < 4; ++i)
            report.timeValues[static_cast<std::size_t>(i)] = number(cells.timers.total(slots[i]), separator);
    } else {
        report.timeLabels = {"sustav :", "ispitivanje susjednih cvorova:", "izvršavanje algoritma :", ""};
        for (int slot = 0; slot < 3; ++slot)
            report.timeValues[static_cast<std::size_t>(slot)] = number(cells.timers.total(slot), separator);
        report.lastTimeShown = false;
    }
    report.timesShown = true;

    // Counts. A failed destination that could not fail anyway is not a
    // failure of its own.
    int successes = 0;
    for (int k = 0; k <= rows.lastRow(); ++k) {
        if (leaveOutDestinationFailures && destination >= 0 && destination < shape.elementCount
            && cell(destination, k) == -1)
            continue;
        const int state = cell(stateColumn, k);
        if (state == 1)
            ++successes;
        else if (state == -1)
            ++failures;
    }
    report.detailLabels = {"raspoloživost :", "ukupno iteracija :", "uspješnih rješenja :", "neuspješnih rješ. :"};
    report.detailValues = {number(cells.availabilityValue(), separator), std::to_string(cells.iterations.load()),
                           std::to_string(successes), std::to_string(failures)};
    report.detailsShown = true;
    showBounds(report, cells, separator);

    fillChart(report, cells.memoryLog);

    // An aborted report shows the top level only.
    shape.childrenShown = !aborted();
    report.tree = ReportTree(solutionTree(std::move(treeRows), ElementTexts(ws, shape.elementCount), shape));
    if (!shape.childrenShown)
        return;
    report.status = reportOptionsLine(settings.run, kind, settings.fileName);
    report.finished = true;
}

} // namespace

std::string reportCaption(Algorithm kind)
{
    return std::string(kReportCaption) + " " + std::string(algorithmName(kind));
}

std::string reportAlgorithmLabel(Algorithm kind)
{
    return "Algoritam : " + std::string(algorithmName(kind));
}

std::string reportOptionsLine(const RunOptions& run, Algorithm kind, const std::string& fileName)
{
    return fileName + (run.reduction ? ", redukcija" : ", ber redukcije")
           + (run.idealTerminals ? ", rub idealan" : ", rub realan")
           + ", razina opt. : " + std::to_string(run.of(kind).variant);
}

ReportSettings reportSettings(const StructureWorkspace& ws, const RunOptions& run, Algorithm kind,
                              char decimalSeparator)
{
    return {ws.fileName, ws.settings(kind).normal == 1, decimalSeparator, run};
}

ReportContent buildReport(const StructureWorkspace& ws, Algorithm kind, const ReportAbortCheck& aborted,
                          const ReportSettings& settings, std::shared_ptr<const ReportRows> rows)
{
    if (!rows)
        rows = std::make_shared<const ReportRows>(ws, kind);
    ReportContent report;
    report.kind = kind;
    report.caption = reportCaption(kind);
    report.algorithm = reportAlgorithmLabel(kind);
    report.status = kReportBuilding;
    const ReportAbortCheck never = [] { return false; };
    const ReportAbortCheck& check = aborted ? aborted : never;
    if (kind == Algorithm::Abraham)
        buildAbraham(ws, report, check, settings, std::move(rows));
    else
        buildTree(ws, kind, report, check, settings, std::move(rows));
    return report;
}

ReportContent buildReport(const StructureWorkspace& ws, const RunOptions& run, Algorithm kind,
                          const ReportAbortCheck& aborted, char decimalSeparator)
{
    return buildReport(ws, kind, aborted, reportSettings(ws, run, kind, decimalSeparator));
}

} // namespace velmor
