#include "cli/ComputeCommand.h"

#include "algorithms/Importance.h"
#include "platform/Numbers.h"
#include "run/ImportanceJob.h"
#include "platform/Threads.h"
#include "run/ResultRows.h"
#include "structure/LoadStructure.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <ostream>

namespace velmor {

namespace {

using Clock = std::chrono::steady_clock;

// How often the main loop looks for Ctrl+C and redraws the progress line
// when no event comes.
constexpr auto kLoopRest = std::chrono::milliseconds(10);

std::optional<std::int32_t> labelAt(const ElementList& elements, int index)
{
    const ElementEntry* entry = elements.entryAt(index);
    if (!entry)
        return std::nullopt;
    return entry->label;
}

// What the events of one run have told so far.
struct RunRecord {
    bool entered = false;  // the run passed its validation
    bool refused = false;  // no thread for the run
    bool ended = false;
    int sourceIndex = -1; // the run's pair
    int destinationIndex = -1;
    std::vector<std::pair<std::string, std::string>> messages;
    std::array<std::optional<ResultValues>, kRunAlgorithms.size()> values{};
    std::array<std::optional<events::AlgorithmProgress>, kRunAlgorithms.size()> progress{};
    int position = 0;

    void take(const RunEvent& event)
    {
        std::visit([this](const auto& e) { note(e); }, event);
    }

private:
    void keep(Algorithm a, const ResultValues& v) { values[static_cast<std::size_t>(a)] = v; }
    void message(const std::string& first, const std::string& second) { messages.emplace_back(first, second); }

    void note(const events::StartRefused& e)
    {
        refused = !e.structureMissing;
        message(e.first, e.second);
    }
    void note(const events::RunEntered& e)
    {
        entered = true;
        sourceIndex = e.sourceIndex;
        destinationIndex = e.destinationIndex;
    }
    void note(const events::RowsGiven&) {}
    void note(const events::Progress& e)
    {
        for (const events::AlgorithmProgress& p : e.algorithms) {
            progress[static_cast<std::size_t>(p.algorithm)] = p;
            if (p.values)
                keep(p.algorithm, *p.values);
        }
        position = e.position;
    }
    void note(const events::BarMoved& e) { position = e.position; }
    void note(const events::AlgorithmEnded& e) { keep(e.algorithm, e.values); }
    void note(const events::AlgorithmsFailed& e) { message(e.first, e.second); }
    void note(const events::RunEnded& e)
    {
        ended = true;
        for (const events::RunEnded::Row& row : e.rows)
            keep(row.algorithm, row.values);
    }
    void note(const events::PauseChanged&) {}
    void note(const events::Failure& e) { message(e.first, e.second); }
};

// The live progress line on a terminal, rewritten in place.
class ProgressLine {
public:
    ProgressLine(std::ostream* out, std::chrono::milliseconds interval, int width, char separator)
        : out_(out), interval_(interval), width_(width), separator_(separator)
    {
    }

    void show(const RunRecord& record, const RunOptions& options, bool stopping, bool force = false)
    {
        if (!out_ || (!force && Clock::now() - lastShown_ < interval_))
            return;
        lastShown_ = Clock::now();
        std::string line;
        for (Algorithm a : kRunAlgorithms) {
            if (!options.of(a).selected)
                continue;
            const auto& progress = record.progress[static_cast<std::size_t>(a)];
            const auto& values = record.values[static_cast<std::size_t>(a)];
            // The availability so far, and the bracket it is known to lie in.
            const AvailabilityBounds bounds = values ? values->bounds : AvailabilityBounds{};
            line += std::string(algorithmName(a)) + " "
                    + (progress ? std::to_string(progress->done) + "/" + std::to_string(progress->total) : "-") + " "
                    + formatGeneral(values ? values->availability : 0, separator_) + " ["
                    + formatGeneral(bounds.lower, separator_) + ", " + formatGeneral(bounds.upper, separator_) + "]  ";
        }
        line += std::to_string(std::min(record.position, 10000) / 100) + "%";
        if (stopping)
            line += "  stopping; Ctrl+C again ends at once";
        // A line that wraps could no longer be rewritten in place.
        if (width_ > 1 && line.size() >= static_cast<std::size_t>(width_))
            line.resize(static_cast<std::size_t>(width_ - 1));
        write(line);
    }

    // The rating of the elements after the run.
    void showImportance(int done, int total, bool stopping)
    {
        if (!out_ || Clock::now() - lastShown_ < interval_)
            return;
        lastShown_ = Clock::now();
        std::string line = "importance " + std::to_string(done) + "/" + std::to_string(total);
        if (stopping)
            line += "  stopping; Ctrl+C again ends at once";
        if (width_ > 1 && line.size() >= static_cast<std::size_t>(width_))
            line.resize(static_cast<std::size_t>(width_ - 1));
        write(line);
    }

    void clear()
    {
        if (out_ && shownLength_ > 0)
            write("");
    }

private:
    void write(const std::string& line)
    {
        const std::size_t wipe = shownLength_ > line.size() ? shownLength_ - line.size() : 0;
        *out_ << '\r' << line << std::string(wipe, ' ');
        if (line.empty())
            *out_ << '\r';
        out_->flush();
        shownLength_ = line.size();
    }

    std::ostream* out_;
    std::chrono::milliseconds interval_;
    int width_;
    char separator_;
    Clock::time_point lastShown_{};
    std::size_t shownLength_ = 0;
};

RunStatus statusOf(const ResultValues& values)
{
    if (values.failed)
        return RunStatus::Failed;
    if (values.anomalies < 0)
        return values.stoppedByUser ? RunStatus::Stopped : RunStatus::Limited;
    return RunStatus::Done;
}

RunOutcome collectOutcome(ComputeSession& session, const CliOptions& cli, const RunOptions& options,
                          const RunRecord& record)
{
    const StructureWorkspace& ws = session.workspace;
    RunOutcome outcome;
    outcome.file = cli.file;
    outcome.directed = options.direction == Direction::Directed;
    outcome.source = labelAt(ws.elements, record.sourceIndex).value_or(0);
    outcome.destination = labelAt(ws.elements, record.destinationIndex).value_or(0);
    outcome.reduction = options.reduction;
    outcome.idealTerminals = options.idealTerminals;
    outcome.elements = ws.elements.count();
    outcome.workElements = ws.workMatrix.columnCount();
    for (Algorithm a : kRunAlgorithms) {
        if (!options.of(a).selected)
            continue;
        const ResultValues values = record.values[static_cast<std::size_t>(a)].value_or(ResultValues{});
        AlgorithmOutcome result;
        result.algorithm = a;
        result.availability = values.availability;
        result.lowerBound = values.bounds.lower;
        result.upperBound = values.bounds.upper;
        result.memory = values.memory;
        result.time = values.time;
        result.iterations = values.iterations;
        result.anomalies = values.anomalies;
        result.anomalyText = formatResultRow(a, values, '.').cells[4];
        result.terms = session.engine.finalTerms(a).rowCount();
        result.status = statusOf(values);
        if (cli.terms)
            result.termTexts = termTexts(session.engine.finalTerms(a), ws.elementMap, ws.elements);
        outcome.results.push_back(std::move(result));
    }
    return outcome;
}

std::string_view importanceStatusName(ImportanceStatus status)
{
    switch (status) {
    case ImportanceStatus::Done: return "done";
    case ImportanceStatus::Stopped: return "stopped";
    case ImportanceStatus::Failed: return "failed";
    }
    return "";
}

// Why the importance could not be computed, as the line velmor-cli prints.
std::string importanceFailure(const ImportanceResult& result)
{
    switch (result.refusal) {
    case ImportanceRefusal::NoPair: return "importance: the source or the destination is no node of the structure";
    case ImportanceRefusal::SamePair: return "importance: the source and the destination are the same node";
    case ImportanceRefusal::NoDirection: return "importance: no direction chosen";
    case ImportanceRefusal::NoMemory: return "importance: not enough memory for a copy of the structure";
    case ImportanceRefusal::Unusable: return "importance: Frontier cannot compute this structure";
    case ImportanceRefusal::None: break;
    }
    switch (result.frontierStatus) {
    case FrontierStatus::OutOfMemory: return "importance: Frontier ran out of memory";
    case FrontierStatus::TooWide: return "importance: the structure is too wide for Frontier";
    default: return "importance: Frontier could not end";
    }
}

// Rates every element after the run, on a thread of its own; Ctrl+C stops it.
ImportanceOutcome computeImportanceOutcome(ComputeSession& session, const RunOptions& options,
                                           const std::function<bool()>& interrupted, ProgressLine& progress,
                                           std::ostream& err, bool& failed)
{
    ImportanceOutcome outcome;
    ImportanceJob job;
    auto ended = std::make_shared<AutoResetEvent>();
    const auto failure =
        job.start(importanceInput(session.workspace, options),
                  session.workspace.settings(Algorithm::Frontier).stackSize, [ended] { ended->set(); });
    if (failure) {
        err << failure->first << '\n';
        if (!failure->second.empty())
            err << failure->second << '\n';
        outcome.status = "failed";
        failed = true;
        return outcome;
    }
    bool stopAsked = false;
    while (job.running()) {
        if (!stopAsked && interrupted()) {
            job.stop();
            stopAsked = true;
        }
        progress.showImportance(job.done(), job.total(), stopAsked);
        ended->waitFor(kLoopRest);
    }
    job.wait();
    progress.clear();
    const std::shared_ptr<const ImportanceResult> result = job.result();
    outcome.status = importanceStatusName(result->status);
    for (const ElementImportance& e : result->elements)
        outcome.elements.push_back({e.text(), e.birnbaum, e.criticality});
    if (result->status == ImportanceStatus::Failed) {
        err << importanceFailure(*result) << '\n';
        failed = true;
    }
    return outcome;
}

void printMessages(const RunRecord& record, std::ostream& err)
{
    for (const auto& [first, second] : record.messages) {
        err << first << '\n';
        if (!second.empty())
            err << second << '\n';
    }
}

} // namespace

RunOptions runOptionsFor(const CliOptions& cli, const StructureWorkspace& ws, bool pairGiven)
{
    RunOptions options;
    for (Algorithm a : kRunAlgorithms) {
        const AlgorithmChoice& choice = cli.algorithm(a);
        AlgorithmOptions& o = options.of(a);
        o.selected = choice.selected;
        o.normal = choice.normal;
        o.limits = RunLimits{choice.memoryLimit, choice.timeLimit, choice.iterationLimit};
    }
    options.of(Algorithm::Abraham).variant = cli.abrahamRule;
    options.of(Algorithm::Enr).variant = cli.enrVariant;
    options.of(Algorithm::Npr).variant = cli.nprVariant;
    options.reduction = cli.reduction;
    options.idealTerminals = cli.idealTerminals;
    switch (cli.direction) {
    case DirectionChoice::FromFile:
        options.direction = ws.directed == 1 ? Direction::Directed : Direction::Undirected;
        break;
    case DirectionChoice::Directed: options.direction = Direction::Directed; break;
    case DirectionChoice::Undirected: options.direction = Direction::Undirected; break;
    }
    // A label given on the command line replaces the file's; a label that is
    // no node of the structure is refused by the run's own validation.
    if (pairGiven) {
        options.sourceLabel = labelAt(ws.elements, ws.fileSourceIndex);
        options.destinationLabel = labelAt(ws.elements, ws.fileDestinationIndex);
    }
    if (cli.sourceLabel)
        options.sourceLabel = cli.sourceLabel;
    if (cli.destinationLabel)
        options.destinationLabel = cli.destinationLabel;
    return options;
}

std::vector<std::string> termTexts(const TermRows& terms, const IntArray& elementMap, const ElementList& elements)
{
    std::vector<std::string> texts;
    for (int r = 0; r <= terms.lastRow(); ++r) {
        std::string text;
        for (int column = 0; column <= terms.lastColumn(); ++column) {
            const int value = terms.get(column, r);
            if (value != 1 && value != -1)
                continue;
            const ElementEntry* entry = elements.entryAt(elementMap.get(column));
            if (!text.empty())
                text += ' ';
            if (value == -1)
                text += '*';
            text += entry ? elementText(entry->label, entry->kind) : "?";
        }
        texts.push_back(std::move(text));
    }
    return texts;
}

int runCompute(ComputeSession& session, const CliOptions& cli, std::ostream& out, std::ostream& err,
               const ComputeEnvironment& environment)
{
    const auto interrupted = [&environment] { return environment.interrupted && environment.interrupted(); };

    std::string message;
    if (!loadStructureFile(session.workspace, session.reader, cli.file, message)) {
        err << kLoadFailedLine << '\n' << message << '\n';
        return kExitLoadFailed;
    }
    const RunOptions options = runOptionsFor(cli, session.workspace, session.reader.pairGiven != 0);
    const char separator = userDecimalSeparator();

    RunRecord record;
    ProgressLine progress(environment.progress, environment.progressInterval, environment.progressWidth, separator);
    bool stopAsked = false;
    // Every posted event wakes the loop at once, so the end of a run is seen
    // without waiting out a rest; the rest only paces the interrupt checks
    // and the progress line.
    auto posted = std::make_shared<AutoResetEvent>();
    session.channel.setWakeUp([posted] { posted->set(); });
    auto takeEvents = [&] {
        for (const ChannelItem& item : session.channel.takeAll())
            if (const auto* event = std::get_if<RunEvent>(&item))
                record.take(*event);
    };
    session.engine.startRun(options, true);
    for (;;) {
        // The engine is idle only after its last event is posted.
        const bool idle = !session.engine.busy();
        takeEvents();
        // A stop before the run has cleared its previous results would be
        // cleared with them; it waits until the run is really on.
        const bool stopNow = record.entered && !stopAsked && interrupted();
        if (stopNow) {
            session.engine.stopRun();
            stopAsked = true;
        }
        if (idle || record.ended)
            break;
        progress.show(record, options, stopAsked, stopNow);
        posted->waitFor(kLoopRest);
    }
    session.engine.waitUntilIdle();
    session.channel.setWakeUp({});
    takeEvents();
    progress.clear();

    printMessages(record, err);
    if (!record.entered)
        return record.refused ? kExitRunFailed : kExitUsage;

    RunOutcome outcome = collectOutcome(session, cli, options, record);
    bool importanceFailed = false;
    if (cli.importance) {
        if (interrupted())
            outcome.importance = ImportanceOutcome{"stopped", {}}; // the run was stopped: so is what follows it
        else
            outcome.importance =
                computeImportanceOutcome(session, options, interrupted, progress, err, importanceFailed);
    }
    switch (cli.format) {
    case OutputFormat::Table: writeTable(outcome, cli.terms, separator, out); break;
    case OutputFormat::Json: writeJson(outcome, cli.terms, out); break;
    case OutputFormat::Csv: writeCsv(outcome, cli.terms, out); break;
    }
    out.flush();

    if (interrupted())
        return kExitInterrupted;
    const bool anyFailed = std::any_of(outcome.results.begin(), outcome.results.end(),
                                       [](const AlgorithmOutcome& r) { return r.status == RunStatus::Failed; });
    return anyFailed || importanceFailed || !record.messages.empty() ? kExitRunFailed : kExitSuccess;
}

int runCompute(const CliOptions& options, std::ostream& out, std::ostream& err, const ComputeEnvironment& environment)
{
    auto session = std::make_unique<ComputeSession>();
    return runCompute(*session, options, out, err, environment);
}

} // namespace velmor
