// The detailed reports as the main window opens and closes them: button and
// menu rules, report numbers, the cascade of windows and the display threads.

#include "run/MainController.h"

#include "run/AlgorithmTable.h"

#include <exception>

namespace velmor {

// A report can be opened for an algorithm that ended with success in the
// last run, once that run is over, while no report of its present results
// is open. The display thread reads what the run left, so it must never
// start while a run is on.
bool MainController::reportAvailable(Algorithm a) const
{
    return !runOn() && engine_.resultsPresent() && ws_.cells(a).done.load() && !reportOpen(a);
}

// Each results button with its menu item, and the group button with its
// menu item, which offers whatever single reports are still available.
void MainController::refreshReportControls()
{
    bool any = false;
    for (Algorithm a : kAlgorithms) {
        const AlgorithmBinding& b = binding(a);
        const bool on = reportAvailable(a);
        apply(ControlChange::enable(b.reportButton, on));
        apply(ControlChange::enable(b.reportMenuItem, on));
        any = any || on;
    }
    enable({"detaljni", "Svihodabranih1"}, any);
}

void MainController::openReport(Algorithm a, const ReportWindowOpener& open)
{
    reportOpen_[static_cast<std::size_t>(a)] = true;
    refreshReportControls();

    ReportWindowRequest request;
    request.kind = a;
    request.left = 2 * reportCascade_;
    request.top = reportCascade_;
    request.number = nextReportNumber_++;
    newestReport_[static_cast<std::size_t>(a)] = request.number;
    reportAbort(a) = false;
    ReportDelivery deliver = open ? open(request) : ReportDelivery();

    auto build = [&ws = ws_, &kindAbort = reportAbort(a), deliver = std::move(deliver), a, rows = rowsForReport(a),
                  settings = reportSettings(ws_, engine_.lastOptions(), a, decimalSeparator_)](
                     const std::atomic<bool>& cancelled) {
        try {
            auto report = std::make_shared<ReportContent>(buildReport(
                ws, a, [&kindAbort, &cancelled] { return kindAbort.load() || cancelled.load(); }, settings, rows));
            if (deliver)
                deliver(std::move(report));
        } catch (const std::exception&) {
            // Out of memory for a huge tree: the window keeps its building
            // notice, as an aborted report does.
        }
    };
    if (const auto failure = displays_.start(ws_.displayStackSize, std::move(build)))
        apply(ControlChange::error(failure->first, failure->second));
    reportCascade_ += 25;
}

// Reports of the same results share their rows.
std::shared_ptr<ReportRows> MainController::rowsForReport(Algorithm a)
{
    std::lock_guard guard(reportRowsLock_);
    std::weak_ptr<ReportRows>& held = reportRows_[static_cast<std::size_t>(a)];
    std::shared_ptr<ReportRows> rows = held.lock();
    if (!rows || rows->takenOver()) {
        rows = std::make_shared<ReportRows>(ws_, a);
        held = rows;
    }
    return rows;
}

void MainController::endReports()
{
    displays_.endAll();
    std::lock_guard guard(reportRowsLock_);
    for (std::weak_ptr<ReportRows>& held : reportRows_)
        if (const std::shared_ptr<ReportRows> rows = held.lock())
            rows->takeOver(ws_);
}

void MainController::reportFromMenu(Algorithm a, const ReportWindowOpener& open)
{
    archiveThread_.join(); // a failed save restores the file name that the report takes
    absorb();
    displays_.whileUnblocked([&] {
        if (!runOn() && board_.enabled(binding(a).reportMenuItem))
            openReport(a, open);
    });
}

void MainController::reportFromResultsBar(Algorithm a, const ReportWindowOpener& open)
{
    archiveThread_.join();
    absorb();
    displays_.whileUnblocked([&] {
        if (!runOn() && board_.enabled(binding(a).reportButton))
            openReport(a, open);
    });
}

void MainController::allReports(const ReportWindowOpener& open)
{
    archiveThread_.join();
    absorb();
    displays_.whileUnblocked([&] {
        if (runOn() || !board_.enabled("detaljni"))
            return;
        // Opening each one turns the group button off with the last of them.
        for (Algorithm a : kAlgorithms)
            if (ws_.cells(a).done.load() && board_.enabled(binding(a).reportButton))
                openReport(a, open);
    });
}

void MainController::reportClosed(Algorithm a, int number)
{
    absorb();
    if (number != newestReport(a))
        return;
    reportAbort(a) = true;
    reportOpen_[static_cast<std::size_t>(a)] = false;
    apply(ControlChange::enable("Pregledrezultata1", true));
    refreshReportControls();
}

} // namespace velmor
