#include "TreeRuns.h"

#include "algorithms/Enr.h"
#include "algorithms/Npr.h"
#include "algorithms/reference/Enr.h"
#include "algorithms/reference/Npr.h"
#include "algorithms/RunFrame.h"
#include "algorithms/WorkStructure.h"

#include <algorithm>
#include <atomic>
#include <sstream>
#include <stdexcept>

namespace velmor::testing {

ChainedBlock chainAround(const StructurePlan& block, int chainNodes, long double nodeAvailability,
                         long double edgeAvailability)
{
    ChainedBlock chained{block, 1};
    StructurePlan& plan = chained.plan;
    int edgeLabel = 30000;
    auto chain = [&](int firstLabel, std::int32_t joinFrom, bool before) {
        std::int32_t previous = joinFrom;
        for (int k = 0; k < chainNodes; ++k) {
            const std::int32_t node = firstLabel + k;
            plan.nodes.push_back({node, nodeAvailability});
            if (k > 0 || !before) {
                plan.edges.push_back({edgeLabel++, previous, node, edgeAvailability});
                chained.chainFactor *= edgeAvailability;
            }
            previous = node;
            chained.chainFactor *= nodeAvailability;
        }
        return previous;
    };
    const std::int32_t first = 10000;
    const std::int32_t last = chain(first, 0, true);
    plan.edges.push_back({edgeLabel++, last, block.source, edgeAvailability});
    chained.chainFactor *= edgeAvailability;
    plan.destination = chain(20000, block.destination, false);
    plan.source = first;
    return chained;
}

void prepareRun(StructureWorkspace& ws, const StructurePlan& plan, const TreeOptions& options)
{
    buildStructure(ws, plan);
    if (!prepareWorkStructure(ws, workOptions(options.directed, options.reduction, options.ideal)))
        throw std::runtime_error("work structure refused");
}

namespace {

std::atomic<TreeDrivers> selectedDrivers{TreeDrivers::Reference};

} // namespace

TreeDrivers currentTreeDrivers() { return selectedDrivers.load(); }

UseTreeDrivers::UseTreeDrivers(TreeDrivers drivers) : previous_(selectedDrivers.exchange(drivers)) {}

UseTreeDrivers::~UseTreeDrivers() { selectedDrivers.store(previous_); }

bool runTreeDriver(Algorithm algorithm, AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms)
{
    const bool production = currentTreeDrivers() == TreeDrivers::Production;
    if (algorithm == Algorithm::Npr)
        return production ? runNpr(run, ws, finalTerms) : reference::runNpr(run, ws, finalTerms);
    return production ? runEnr(run, ws, finalTerms) : reference::runEnr(run, ws, finalTerms);
}

AlgorithmOptions algorithmOptions(const TreeOptions& options)
{
    AlgorithmOptions o;
    o.variant = options.variant;
    o.normal = options.normal;
    return o;
}

bool runTree(Algorithm algorithm, StructureWorkspace& ws, const TreeOptions& options, TermRows& finalTerms)
{
    ws.resetResults();
    finalTerms.clear();
    AlgorithmCells& cells = ws.cells(algorithm);
    AlgorithmRun run(algorithm, cells, algorithmOptions(options));
    return runTreeDriver(algorithm, run, ws, finalTerms);
}

long double availabilityOf(const StructureWorkspace& ws, const TermRows& finalTerms, bool idealTerminals)
{
    long double result = -1;
    if (!evaluateTerms(finalTerms, ws.elementMap, ws.workSourceIndex, ws.workDestinationIndex, ws.elements, result,
                       idealTerminals))
        throw std::runtime_error("evaluation refused");
    return result;
}

namespace {

template <typename Matrix>
std::vector<std::vector<int>> matrixRows(const Matrix& matrix)
{
    std::vector<std::vector<int>> rows;
    for (int r = 0; r <= matrix.lastRow(); ++r) {
        rows.emplace_back();
        for (int c = 0; c <= matrix.lastColumn(); ++c)
            rows.back().push_back(matrix.get(c, r));
    }
    return rows;
}

// Whether the elements a term holds as working connect source to destination
// through usable arcs of the work matrix.
bool termConnects(const ByteMatrix& matrix, const std::vector<int>& term, int source, int destination)
{
    if (term[static_cast<std::size_t>(source)] != 1)
        return false;
    std::vector<int> reached{source};
    std::vector<char> seen(static_cast<std::size_t>(matrix.rowCount()), 0);
    seen[static_cast<std::size_t>(source)] = 1;
    while (!reached.empty()) {
        const int a = reached.back();
        reached.pop_back();
        if (a == destination)
            return true;
        for (int b = 0; b <= matrix.lastColumn(); ++b) {
            if (matrix.get(b, a) == 1 && term[static_cast<std::size_t>(b)] == 1 && !seen[static_cast<std::size_t>(b)]) {
                seen[static_cast<std::size_t>(b)] = 1;
                reached.push_back(b);
            }
        }
    }
    return false;
}

} // namespace

std::vector<std::vector<int>> rowsOf(const ByteMatrix& matrix) { return matrixRows(matrix); }
std::vector<std::vector<int>> rowsOf(const TermRows& matrix) { return matrixRows(matrix); }

std::vector<std::vector<int>> rowsOf(const DeltaRows& matrix)
{
    std::vector<std::vector<int>> rows;
    for (int r = 0; r <= matrix.lastRow(); ++r) {
        std::vector<std::int32_t> cells(static_cast<std::size_t>(matrix.columnCount()));
        matrix.readRow(r, cells.data());
        rows.emplace_back(cells.begin(), cells.end());
    }
    return rows;
}

std::vector<int> valuesOf(const LinkArray& array)
{
    std::vector<int> values;
    array.forEach([&](int, std::int32_t value) { values.push_back(value); });
    return values;
}

std::vector<int> valuesOf(const IntArray& array)
{
    std::vector<int> values;
    for (int i = 0; i <= array.lastIndex(); ++i)
        values.push_back(array.get(i));
    return values;
}

std::string mutuallyExclusive(const TermRows& terms)
{
    for (int a = 0; a <= terms.lastRow(); ++a) {
        for (int b = a + 1; b <= terms.lastRow(); ++b) {
            bool excluded = false;
            for (int c = 0; c <= terms.lastColumn() && !excluded; ++c)
                excluded = terms.get(c, a) * terms.get(c, b) == -1;
            if (!excluded)
                return "terms " + std::to_string(a) + " and " + std::to_string(b) + " overlap";
        }
    }
    return {};
}

std::string successTermsConnect(const StructureWorkspace& ws, const TermRows& terms)
{
    const std::vector<std::vector<int>> rows = rowsOf(terms);
    for (int r = 0; r <= terms.lastRow(); ++r)
        if (!termConnects(ws.workMatrix, rows[static_cast<std::size_t>(r)], ws.workSourceIndex, ws.workDestinationIndex))
            return "term " + std::to_string(r) + " holds no working path";
    return {};
}

std::string finalTermsAreSuccessRows(const TermRows& rows, const TermRows& terms)
{
    std::vector<std::vector<int>> expected;
    for (auto row : rowsOf(rows)) {
        if (row.back() != 1)
            continue;
        row.pop_back();
        expected.push_back(row);
    }
    return expected == rowsOf(terms) ? std::string{} : "final terms differ from the success rows";
}

std::string linksAndStates(const TermRows& rows, const LinkArray& links, bool failedParentsAllowed)
{
    const int state = rows.lastColumn();
    if (links.count() != rows.rowCount() || links.get(0) != 0)
        return "links do not cover the rows from a root linked to 0";
    for (int r = 0; r <= rows.lastRow(); ++r) {
        const int own = rows.get(state, r);
        if (own != 1 && own != -1 && own != -2)
            return "row " + std::to_string(r) + " has state " + std::to_string(own);
        if (r == 0)
            continue;
        const int parent = links.get(r);
        const int parentState = rows.get(state, parent);
        if (parent < 0 || parent >= r)
            return "row " + std::to_string(r) + " links forward to " + std::to_string(parent);
        if (parentState != -2 && !(failedParentsAllowed && parentState == -1))
            return "row " + std::to_string(r) + " has a parent of state " + std::to_string(parentState);
    }
    return {};
}

std::string decisionNumbersGrow(const TermRows& rows, const DeltaRows& numbers, const LinkArray& links, int source)
{
    const int next = rows.lastColumn();
    if (numbers.lastColumn() != next || numbers.lastRow() != rows.lastRow())
        return "decision numbers are not shaped like the rows";
    const std::vector<std::vector<int>> all = rowsOf(numbers);
    auto number = [&](int x, int r) { return all[static_cast<std::size_t>(r)][static_cast<std::size_t>(x)]; };
    if (number(source, 0) != 1 || number(next, 0) != 2)
        return "root numbers wrong";
    for (int r = 0; r <= rows.lastRow(); ++r) {
        const int parent = links.get(r);
        std::vector<int> fresh;
        for (int x = 0; x < next; ++x) {
            const int cell = rows.get(x, r);
            const int own = number(x, r);
            if ((cell != 0) != (own != 0))
                return "row " + std::to_string(r) + ": element " + std::to_string(x) + " fixed without number";
            if (r == 0 || cell == 0)
                continue;
            if (rows.get(x, parent) != 0) {
                if (rows.get(x, parent) != cell || number(x, parent) != own)
                    return "row " + std::to_string(r) + " changes its parent's element " + std::to_string(x);
            } else {
                fresh.push_back(own);
            }
        }
        if (r == 0)
            continue;
        std::sort(fresh.begin(), fresh.end());
        for (std::size_t k = 0; k < fresh.size(); ++k)
            if (fresh[k] != number(next, parent) + static_cast<int>(k))
                return "row " + std::to_string(r) + " numbers are not consecutive from its parent's next";
        if (number(next, r) != number(next, parent) + static_cast<int>(fresh.size()))
            return "row " + std::to_string(r) + " next number wrong";
    }
    return {};
}

std::string countersAgree(const AlgorithmCells& cells, int expandedRows, int lastExpandedRow, int lastRow)
{
    std::ostringstream out;
    const int iterations = cells.iterations.load();
    if (iterations != expandedRows)
        out << "iterations " << iterations << " for " << expandedRows << " expanded rows; ";
    if (cells.memoryLog.lastIndex() != iterations)
        out << "memory samples up to " << cells.memoryLog.lastIndex() << "; ";
    std::int64_t peak = 0;
    for (int s = 1; s <= cells.memoryLog.lastIndex(); ++s)
        peak = std::max(peak, cells.memoryLog.sample(s));
    if (cells.memoryLog.sample(0) != peak)
        out << "peak sample wrong; ";
    if (cells.progressDone.load() != lastExpandedRow || cells.progressTotal.load() != lastRow)
        out << "progress " << cells.progressDone.load() << "/" << cells.progressTotal.load() << "; ";
    return out.str();
}

} // namespace velmor::testing
