// The detailed reports as the main window opens and closes them: button and
// menu rules, report numbers, the cascade of windows and the display threads.

#include "run/MainController.h"

#include "run/AlgorithmTable.h"

#include <exception>

namespace velmor {

namespace {

constexpr const char* kThreadShortage = "Neispravno ponašanje stvorene niti zbog nedostatka resursa";
constexpr const char* kThreadFault = "Neispravno izvođenje programa u stvorenoj niti";

} // namespace

void MainController::reapReports()
{
    std::erase_if(displayThreads_, [](const std::unique_ptr<DisplayThread>& entry) {
        if (!entry->delivered->load())
            return false;
        entry->thread.join();
        return true;
    });
}

void MainController::openReport(Algorithm a, const ReportWindowOpener& open)
{
    reapReports();
    const AlgorithmBinding& b = binding(a);
    apply(ControlChange::enable(b.reportButton, false));
    apply(ControlChange::enable(b.reportMenuItem, false));

    ReportWindowRequest request;
    request.kind = a;
    request.left = 2 * reportCascade_;
    request.top = reportCascade_;
    request.number = nextReportNumber_++;
    newestReport_[static_cast<std::size_t>(a)] = request.number;
    reportAbort(a) = false;
    ReportDelivery deliver = open ? open(request) : ReportDelivery();

    auto entry = std::make_unique<DisplayThread>();
    entry->kind = a;
    entry->number = request.number;
    auto body = [&ws = ws_, &kindAbort = reportAbort(a), cancel = entry->cancel, delivered = entry->delivered,
                 deliver = std::move(deliver), a, settings = reportSettings(ws_, a, engine_.decimalSeparator())] {
        try {
            auto report = std::make_shared<ReportContent>(buildReport(
                ws, a, [&kindAbort, &cancel] { return kindAbort.load() || cancel->load(); }, settings));
            if (deliver)
                deliver(std::move(report));
        } catch (const std::exception&) {
            // Out of memory for a huge tree: the window keeps its building
            // notice, as an aborted report does.
        }
        delivered->store(true);
    };

    std::string first;
    std::string second;
    try {
        if (!reportLauncher_(entry->thread, ws_.displayStackSize, std::move(body)))
            first = kThreadShortage;
    } catch (const std::exception& e) {
        first = kThreadFault;
        second = std::string("error description : ") + e.what();
    }
    if (first.empty())
        displayThreads_.push_back(std::move(entry));
    else
        apply(ControlChange::error(first, second));
    reportCascade_ += 25;
}

void MainController::reportFromMenu(Algorithm a, const ReportWindowOpener& open)
{
    archiveThread_.join(); // a failed save restores the file name that the report takes
    absorb();
    std::lock_guard guard(reportsLock_);
    if (reportsBlocked_ || !board_.enabled(binding(a).reportMenuItem))
        return;
    openReport(a, open);
}

void MainController::reportFromResultsBar(Algorithm a, const ReportWindowOpener& open)
{
    archiveThread_.join();
    absorb();
    std::lock_guard guard(reportsLock_);
    if (reportsBlocked_ || !board_.enabled(binding(a).reportButton))
        return;
    openReport(a, open);
    bool otherEnabled = false;
    for (Algorithm other : kAlgorithms)
        if (other != a && board_.enabled(binding(other).reportButton))
            otherEnabled = true;
    if (!otherEnabled)
        enable({"detaljni", "Svihodabranih1"}, false);
}

void MainController::allReports(const ReportWindowOpener& open)
{
    archiveThread_.join();
    absorb();
    std::lock_guard guard(reportsLock_);
    if (reportsBlocked_)
        return;
    for (Algorithm a : kAlgorithms)
        if (ws_.cells(a).done.load() && board_.enabled(binding(a).reportButton))
            openReport(a, open);
    enable({"detaljni", "Svihodabranih1"}, false);
}

void MainController::reportClosed(Algorithm a, int number)
{
    absorb();
    if (number != newestReport(a))
        return;
    const AlgorithmBinding& b = binding(a);
    enable({b.reportButton, b.reportMenuItem, "detaljni", "Pregledrezultata1"}, true);
    reportAbort(a) = true;
}

void MainController::endReports()
{
    std::lock_guard guard(reportsLock_);
    reportsBlocked_ = true;
    for (const auto& entry : displayThreads_)
        entry->cancel->store(true);
    for (const auto& entry : displayThreads_)
        entry->thread.join();
    displayThreads_.clear();
}

int MainController::reportsBuilding() const
{
    std::lock_guard guard(reportsLock_);
    int building = 0;
    for (const auto& entry : displayThreads_)
        if (!entry->delivered->load())
            ++building;
    return building;
}

} // namespace velmor
