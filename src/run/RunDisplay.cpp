#include "run/RunDisplay.h"

#include "run/AlgorithmTable.h"
#include "run/ControlBoard.h"
#include "run/MainControls.h"
#include "run/ResultRows.h"

#include <algorithm>

namespace velmor {

namespace {

void appendStopItems(ControlUnit& unit, bool on)
{
    for (Algorithm a : kRunAlgorithms)
        unit.push_back(ControlChange::enable(binding(a).stopMenuItem, on));
}

// The report controls follow the window's report rule, which keeps them off
// while a run is on.
void appendRunOn(ControlUnit& unit, bool on)
{
    unit.push_back(ControlChange::flag("runOn", on));
    unit.push_back(ControlChange::procedure("reportControls"));
}

void appendRow(ControlUnit& unit, Algorithm a, int row, const ResultValues& values, char separator)
{
    appendResultRow(unit, a, row, formatResultRow(a, values, separator));
}

struct Display {
    ControlUnit& unit;
    char separator;

    void operator()(const events::StartRefused& e)
    {
        if (e.structureMissing) {
            unit.push_back(ControlChange::error(e.first, e.second));
            appendEnable(unit, {kStart}, false);
            return;
        }
        appendResetMainControls(unit);
        unit.push_back(ControlChange::procedure("refreshAlgorithmChoice"));
        unit.push_back(ControlChange::error(e.first, e.second));
    }
    void operator()(const events::RunEntered& e)
    {
        appendEnable(unit, {kStart}, false);
        appendEnable(unit, {kPause}, true);
        appendEnable(unit, {kResume}, false);
        appendEnable(unit, {kStop}, true);
        appendStopItems(unit, true);
        appendEnable(unit, {kFreeStructure, kNewStructure, kOpenStructure}, false);
        appendRunOn(unit, true);
        appendClearedResults(unit);
        for (Algorithm a : kAlgorithms) {
            const bool chosen = std::find(e.chosen.begin(), e.chosen.end(), a) != e.chosen.end();
            unit.push_back(ControlChange::fill(binding(a).lamp, chosen ? kYellow : kSkyBlue));
        }
    }
    void operator()(const events::RowsGiven& e) { unit.push_back(ControlChange::rowCount(e.rows + 1)); }
    void operator()(const events::Progress& e)
    {
        for (const events::AlgorithmProgress& p : e.algorithms) {
            if (const char* label = binding(p.algorithm).progressLabel)
                unit.push_back(ControlChange::setText(label, progressText(p.done, p.total)));
            if (p.values)
                appendRow(unit, p.algorithm, p.row, *p.values, separator);
        }
        unit.push_back(ControlChange::progress(e.position));
    }
    void operator()(const events::BarMoved& e) { unit.push_back(ControlChange::progress(e.position)); }
    void operator()(const events::AlgorithmEnded& e)
    {
        const AlgorithmBinding& b = binding(e.algorithm);
        // Its report opens once the run has ended (the report rule).
        if (e.succeeded && b.lamp)
            unit.push_back(ControlChange::fill(b.lamp, kGreen));
        appendRow(unit, e.algorithm, e.row, e.values, separator);
    }
    void operator()(const events::AlgorithmsFailed& e)
    {
        for (Algorithm a : e.failed)
            if (const char* lamp = binding(a).lamp)
                unit.push_back(ControlChange::fill(lamp, kBlack));
        unit.push_back(ControlChange::error(e.first, e.second));
    }
    void operator()(const events::RunEnded& e)
    {
        for (const events::RunEnded::Row& row : e.rows)
            appendRow(unit, row.algorithm, row.row, row.values, separator);
        appendEnable(unit, {kStart}, true);
        appendEnable(unit, {kPause, kResume, kStop}, false);
        appendStopItems(unit, false);
        appendEnable(unit, {kFreeStructure, kNewStructure, kOpenStructure}, true);
        appendRunOn(unit, false);
    }
    void operator()(const events::PauseChanged& e)
    {
        appendEnable(unit, {kPause}, !e.paused);
        appendEnable(unit, {kResume}, e.paused);
    }
    void operator()(const events::Failure& e) { unit.push_back(ControlChange::error(e.first, e.second)); }
};

} // namespace

ControlUnit displayOf(const RunEvent& event, char decimalSeparator)
{
    ControlUnit unit;
    std::visit(Display{unit, decimalSeparator}, event);
    return unit;
}

std::string progressText(std::int32_t done, std::int32_t total)
{
    return std::to_string(done) + "/" + std::to_string(total);
}

void appendResetMainControls(ControlUnit& unit)
{
    appendEnable(unit, {kSaveStructure, kFreeStructure, kStart, kPause, kResume, kStop}, false);
    appendStopItems(unit, false);
    appendEnable(unit, {kAllReports}, false);
    appendGridHeader(unit);
    appendEnable(unit, {"ComboBox1", "ComboBox2", "RadioButton1", "RadioButton2"}, false);
    for (Algorithm a : kAlgorithms)
        for (const char* variant : binding(a).variants)
            unit.push_back(ControlChange::enable(variant, false));
    appendEnable(unit, {"CheckBox1"}, false);
    unit.push_back(ControlChange::procedure("reductionMarks"));
    appendEnable(unit, {"CheckBox2", kMatrixView.button, kMatrixView.menuItem}, false);
    for (Algorithm a : kAlgorithms)
        unit.push_back(ControlChange::enable(binding(a).reportButton, false));
    for (Algorithm a : kAlgorithms)
        unit.push_back(ControlChange::enable(binding(a).reportMenuItem, false));
    for (const char* pairBox : {"zadan1", "zadan2"}) {
        unit.push_back(ControlChange::enable(pairBox, false));
        unit.push_back(ControlChange::check(pairBox, false));
    }
    appendChoiceBoxes(unit, false);
}

void appendChoiceBoxes(ControlUnit& unit, bool on)
{
    for (Algorithm a : kRunAlgorithms)
        unit.push_back(ControlChange::enable(binding(a).checkBox, on));
}

void appendClearedResults(ControlUnit& unit)
{
    for (Algorithm a : kAlgorithms)
        unit.push_back(ControlChange::setText(binding(a).progressLabel, ""));
    for (int row = 1; row <= static_cast<int>(kRunAlgorithms.size()); ++row)
        for (int column = 0; column < ControlBoard::kGridColumns; ++column)
            unit.push_back(ControlChange::cell(row, column, ""));
    unit.push_back(ControlChange::rowCount(2));
    unit.push_back(ControlChange::procedure("resetReportCascade"));
}

} // namespace velmor
