#include "run/ResultRows.h"

#include "algorithms/RunFrame.h"
#include "platform/Numbers.h"
#include "run/AlgorithmTable.h"

namespace velmor {

ResultValues readResultValues(const StructureWorkspace& ws, Algorithm a, bool stoppedByUser)
{
    const AlgorithmCells& cells = ws.cells(a);
    ResultValues values;
    values.availability = cells.availabilityValue();
    values.memory = cells.memoryLog.sample(0);
    values.time = cells.timers.total(traits(a).executionSlot);
    values.failed = cells.failed.load() != 0;
    values.anomalies = cells.anomalies.load();
    values.stoppedByUser = stoppedByUser;
    values.iterations = cells.iterations.load();
    values.bounds = cells.bounds();
    return values;
}

std::string paddedMeasure(const std::string& text, std::size_t width)
{
    const std::size_t pad = text.size() < width ? width - text.size() : 0;
    return std::string(pad, '_') + text + " *";
}

ResultRow formatResultRow(Algorithm a, const ResultValues& values, char decimalSeparator)
{
    ResultRow row;
    row.cells[0] = std::string(algorithmName(a));
    row.cells[1] = formatGeneral(values.availability, decimalSeparator);
    row.cells[2] = paddedMeasure(formatGeneral(static_cast<long double>(values.memory), decimalSeparator), 20);
    row.cells[3] = paddedMeasure(formatGeneral(values.time, decimalSeparator), 19);
    if (values.failed) {
        row.lamp = kBlack;
        row.cells[4] = "greška !";
    } else if (values.anomalies < 0) {
        row.lamp = kRed;
        row.cells[4] = values.stoppedByUser ? "prekinuta nit" : "ograničena nit";
    } else if (values.anomalies > 0) {
        row.lamp = kRed;
        row.cells[4] = formatGeneral(values.anomalies, decimalSeparator);
    } else {
        row.cells[4] = "nisu primjećene";
    }
    return row;
}

void appendResultRow(ControlUnit& unit, Algorithm a, int row, const ResultRow& result)
{
    for (int column = 0; column < 5; ++column)
        unit.push_back(ControlChange::cell(row, column, result.cells[static_cast<std::size_t>(column)]));
    if (result.lamp && binding(a).lamp)
        unit.push_back(ControlChange::fill(binding(a).lamp, *result.lamp));
}

void appendGridHeader(ControlUnit& unit)
{
    for (int column = 0; column < 5; ++column)
        unit.push_back(ControlChange::cell(0, column, kGridHeader[static_cast<std::size_t>(column)]));
}

} // namespace velmor
