#include "run/ReportBuilder.h"

#include "algorithms/AlgorithmTraits.h"
#include "platform/Numbers.h"
#include "structure/StructureWorkspace.h"

#include <algorithm>
#include <utility>

namespace velmor {

// --- Tree ----------------------------------------------------------------------------

int ReportTree::add(std::string text, int parent)
{
    texts_.push_back(std::move(text));
    parents_.push_back(parent);
    return size() - 1;
}

void ReportTree::finish()
{
    const std::size_t n = texts_.size();
    childStart_.assign(n + 2, 0);
    for (int p : parents_)
        ++childStart_[static_cast<std::size_t>(p + 1) + 1];
    for (std::size_t i = 1; i < childStart_.size(); ++i)
        childStart_[i] += childStart_[i - 1];
    children_.assign(n, 0);
    rows_.assign(n, 0);
    std::vector<int> filled(n + 1, 0);
    for (std::size_t node = 0; node < n; ++node) {
        const auto slot = static_cast<std::size_t>(parents_[node] + 1);
        rows_[node] = filled[slot]++;
        children_[static_cast<std::size_t>(childStart_[slot] + rows_[node])] = static_cast<int>(node);
    }
}

int ReportTree::childCount(int node) const
{
    const auto slot = static_cast<std::size_t>(node + 1);
    if (slot + 1 >= childStart_.size())
        return 0;
    return childStart_[slot + 1] - childStart_[slot];
}

int ReportTree::child(int node, int row) const
{
    return children_[static_cast<std::size_t>(childStart_[static_cast<std::size_t>(node + 1)] + row)];
}

std::vector<std::string> ReportTree::indentedLines(int indent) const
{
    std::vector<std::string> lines;
    lines.reserve(texts_.size());
    struct Frame {
        int node;
        int next;
        int depth;
    };
    std::vector<Frame> stack{{-1, 0, -1}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == childCount(top.node)) {
            stack.pop_back();
            continue;
        }
        const int node = child(top.node, top.next++);
        const int depth = top.depth + 1;
        lines.push_back(std::string(static_cast<std::size_t>(depth * indent), ' ') + text(node));
        stack.push_back({node, 0, depth});
    }
    return lines;
}

// --- Building ------------------------------------------------------------------------

namespace {

// Texts of the work elements: "N", "e" or "?" and the label; the failed form
// has "*" before it. The tree texts append them followed by one blank.
class ElementTexts {
public:
    ElementTexts(const StructureWorkspace& ws, int count)
    {
        plain_.reserve(static_cast<std::size_t>(count));
        for (int x = 0; x < count; ++x) {
            const ElementEntry* entry =
                x <= ws.elementMap.lastIndex() ? ws.elements.entryAt(ws.elementMap.get(x)) : nullptr;
            std::string text;
            if (!entry)
                text = "?";
            else
                text = (entry->kind == NodeKind ? "N" : entry->kind == EdgeKind ? "e" : "?")
                       + std::to_string(entry->label);
            plain_.push_back(std::move(text));
        }
    }
    const std::string& plain(int x) const
    {
        static const std::string unknown = "?";
        return x >= 0 && x < static_cast<int>(plain_.size()) ? plain_[static_cast<std::size_t>(x)] : unknown;
    }
    void append(std::string& out, int x, int cell) const
    {
        if (cell == -1)
            out += '*';
        out += plain(x);
        out += ' ';
    }

private:
    std::vector<std::string> plain_;
};

// Rows (or products) grouped by the number that links them to their parent,
// in ascending row order within a group; rows whose link is out of range are
// left out.
class LinkIndex {
public:
    LinkIndex(const LinkArray& links, int rows, int groups, bool onlyLater)
        : start_(static_cast<std::size_t>(groups) + 1, 0)
    {
        // A row without a link of its own reads 0, as a link array reads.
        std::vector<int> linkOf(static_cast<std::size_t>(std::max(rows, 0)), 0);
        links.forEach([&](int k, std::int32_t link) {
            if (k < rows)
                linkOf[static_cast<std::size_t>(k)] = link;
        });
        auto keep = [&](int k, int link) { return link >= 0 && link < groups && (!onlyLater || link < k); };
        for (int k = 0; k < rows; ++k)
            if (keep(k, linkOf[static_cast<std::size_t>(k)]))
                ++start_[static_cast<std::size_t>(linkOf[static_cast<std::size_t>(k)]) + 1];
        for (std::size_t i = 1; i < start_.size(); ++i)
            start_[i] += start_[i - 1];
        members_.assign(static_cast<std::size_t>(start_.back()), 0);
        std::vector<int> filled(start_.begin(), start_.end() - 1);
        for (int k = 0; k < rows; ++k)
            if (keep(k, linkOf[static_cast<std::size_t>(k)]))
                members_[static_cast<std::size_t>(filled[static_cast<std::size_t>(linkOf[static_cast<std::size_t>(k)])]++)] = k;
    }
    int count(int group) const
    {
        return start_[static_cast<std::size_t>(group) + 1] - start_[static_cast<std::size_t>(group)];
    }
    int member(int group, int i) const
    {
        return members_[static_cast<std::size_t>(start_[static_cast<std::size_t>(group)] + i)];
    }

private:
    std::vector<int> start_;
    std::vector<int> members_;
};

std::string number(long double value, char separator)
{
    return formatGeneral(value, separator);
}

void fillChart(ReportContent& report, const SampleLog& log)
{
    report.chart.push_back({0, 0, std::string(), false});
    const int last = log.lastIndex();
    report.chart.reserve(static_cast<std::size_t>(last > 0 ? last + 1 : 1));
    for (int j = 1; j <= last; ++j)
        report.chart.push_back({j, log.sample(j), std::to_string(j), true});
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
                  const ReportSettings& settings)
{
    const char separator = settings.decimalSeparator;
    const AlgorithmCells& cells = ws.abraham;
    const int rule = settings.run.of(Algorithm::Abraham).variant;
    const ByteMatrix& paths = ws.abrahamPaths;
    const TermRows& products = ws.abrahamProducts;
    const ElementTexts texts(ws, std::max(paths.columnCount(), products.columnCount()));
    const LinkIndex productsOf(cells.links, products.rowCount(), paths.rowCount(), false);

    for (int r = 0; r <= paths.lastRow(); ++r) {
        std::string text = "PD(" + std::to_string(r + 1) + ",x) nastali iz S" + std::to_string(r + 1) + "(";
        const std::int8_t* path = paths.row(r);
        for (int x = 0; x <= paths.lastColumn(); ++x)
            if (path[x] != 0)
                texts.append(text, x, path[x]);
        text += ")";
        if (rule > 0)
            text += ", Z:" + std::to_string(ws.abrahamSortArray1.get(r));
        if (rule > 1)
            text += ", N:" + std::to_string(ws.abrahamSortArray2.get(r));
        const int node = report.tree.add(std::move(text), -1);
        for (int i = 0; i < productsOf.count(r); ++i) {
            const std::uint8_t* product = products.row(productsOf.member(r, i));
            std::string term;
            for (int x = 0; x <= products.lastColumn(); ++x) {
                const int cell = termcells::cellAt(product, x);
                if (cell == 1 || cell == -1)
                    texts.append(term, x, cell);
            }
            report.tree.add(std::move(term), node);
        }
        if (aborted())
            return;
    }

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
               const ReportSettings& settings)
{
    const char separator = settings.decimalSeparator;
    const bool npr = kind == Algorithm::Npr;
    const AlgorithmCells& cells = ws.cells(kind);
    const TermRows& rows = npr ? ws.nprRows : ws.enrRows;
    auto cell = [&rows](int x, int k) { return termcells::cellAt(rows.row(k), x); };
    const int stateColumn = rows.lastColumn();
    const int elementCount = stateColumn; // columns 0 .. n, then the row state
    const ElementTexts texts(ws, elementCount);
    const bool normal = settings.normal;
    const bool ideal = settings.run.idealTerminals;
    const int destination = ws.workDestinationIndex;
    const bool destinationCertain = ws.workElementState.get(destination) == 1;

    // Step 2 and 3: the root (the source) and, unless it cannot fail, its failure.
    int root = -1;
    int failures = 0;
    if (rows.rowCount() > 0) {
        int source = -1;
        for (int x = 0; x < elementCount && source < 0; ++x)
            if (cell(x, 0) == 1)
                source = x;
        const std::string rootText = texts.plain(source);
        root = report.tree.add(rootText, -1);
        const bool sourceCertain = ws.workElementState.get(ws.workSourceIndex) == 1;
        if (!((ideal || sourceCertain) && normal)) {
            report.tree.add("*" + rootText + " (neuspjeh)", -1);
            failures = 1;
        }
    }

    // Step 4: times.
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

    // Step 5: counts. A failed destination that could not fail anyway is not
    // a failure of its own.
    const bool leaveOutDestinationFailures = (ideal || destinationCertain) && normal;
    int successes = 0;
    for (int k = 0; k <= rows.lastRow(); ++k) {
        if (leaveOutDestinationFailures && destination >= 0 && destination < elementCount && cell(destination, k) == -1)
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

    // Step 6: chart.
    fillChart(report, cells.memoryLog);

    // Step 7: the tree, depth first from the root, with an explicit stack.
    if (aborted())
        return;
    if (root >= 0) {
        const LinkIndex childrenOf(cells.links, rows.rowCount(), rows.rowCount(), true);
        const bool skipDestinationFailures = npr ? ideal && normal : leaveOutDestinationFailures;
        const DeltaRows& numbers = ws.nprPaths;
        std::vector<int> byNumber;
        std::vector<std::int32_t> numberRow;

        auto rowText = [&](int k, int p) {
            std::string text;
            if (!npr) {
                for (int x = 0; x < elementCount; ++x)
                    if (cell(x, k) != 0 && cell(x, p) == 0)
                        texts.append(text, x, cell(x, k));
            } else {
                // Decision order: the element numbered v, for v = 1 up to the
                // row's next number; the highest column when numbers repeat.
                // A row the numbers do not reach reads as zeros.
                numberRow.assign(static_cast<std::size_t>(std::max(numbers.columnCount(), 1)), 0);
                if (k <= numbers.lastRow())
                    numbers.readRow(k, numberRow.data());
                auto number = [&](int x) {
                    return x >= 0 && x < numbers.columnCount() ? numberRow[static_cast<std::size_t>(x)] : 0;
                };
                const int next = number(numbers.lastColumn());
                const int limit = std::min(next, elementCount + 2);
                byNumber.assign(static_cast<std::size_t>(std::max(limit, 1)), -1);
                for (int x = 0; x < elementCount; ++x) {
                    const int v = number(x);
                    if (v >= 1 && v < limit)
                        byNumber[static_cast<std::size_t>(v)] = x;
                }
                for (int v = 1; v < limit; ++v) {
                    const int x = byNumber[static_cast<std::size_t>(v)];
                    if (x >= 0 && cell(x, k) != 0 && cell(x, p) == 0)
                        texts.append(text, x, cell(x, k));
                }
            }
            const int state = cell(stateColumn, k);
            if (state == 1)
                text += "(uspjeh)";
            else if (state == -1)
                text += "(neuspjeh)";
            return text;
        };

        struct Frame {
            int node; // tree node of the row
            int row;
            int next; // next child of the row to visit
        };
        std::vector<Frame> stack{{root, 0, 0}};
        while (!stack.empty()) {
            Frame& top = stack.back();
            if (top.next == childrenOf.count(top.row)) {
                stack.pop_back();
                continue;
            }
            const int k = childrenOf.member(top.row, top.next++);
            if (skipDestinationFailures && destination >= 0 && destination < elementCount
                && cell(destination, k) == -1)
                continue;
            const int parentNode = top.node;
            const int node = report.tree.add(rowText(k, top.row), parentNode);
            if (aborted())
                return;
            stack.push_back({node, k, 0});
        }
    }

    // Step 8.
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
                          const ReportSettings& settings)
{
    ReportContent report;
    report.kind = kind;
    report.caption = reportCaption(kind);
    report.algorithm = reportAlgorithmLabel(kind);
    report.status = kReportBuilding;
    const ReportAbortCheck never = [] { return false; };
    const ReportAbortCheck& check = aborted ? aborted : never;
    if (kind == Algorithm::Abraham)
        buildAbraham(ws, report, check, settings);
    else
        buildTree(ws, kind, report, check, settings);
    report.tree.finish();
    return report;
}

ReportContent buildReport(const StructureWorkspace& ws, const RunOptions& run, Algorithm kind,
                          const ReportAbortCheck& aborted, char decimalSeparator)
{
    return buildReport(ws, kind, aborted, reportSettings(ws, run, kind, decimalSeparator));
}

} // namespace velmor
