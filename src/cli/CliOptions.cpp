#include "cli/CliOptions.h"

#include "VelmorVersion.h"
#include "algorithms/AlgorithmTraits.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>

namespace velmor {

namespace {

enum class ValueKind {
    None,     // a flag
    Required, // --name VALUE or --name=VALUE
    Optional, // --name or --name=VALUE
};

using Apply = bool (*)(CliOptions&, std::string_view value, std::string& error);

struct OptionRule {
    std::string_view name;
    ValueKind value;
    Apply apply;
};

std::string lowerCase(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

template <typename Integer>
bool parseInteger(std::string_view text, Integer& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && stop == end;
}

bool parseAlgorithm(std::string_view text, std::optional<Algorithm>& algorithm, bool& all)
{
    const std::string name = lowerCase(text);
    all = name == "all";
    for (Algorithm a : kRunAlgorithms)
        if (name == lowerCase(algorithmName(a)))
            algorithm = a;
    return all || algorithm.has_value();
}

// Applies `use` to every algorithm named in a comma-separated list.
template <typename Use>
bool forEachListed(std::string_view list, std::string& error, Use use)
{
    if (list.empty()) {
        error = "empty list of algorithms";
        return false;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        const std::string_view item = list.substr(start, comma == std::string_view::npos ? list.npos : comma - start);
        std::optional<Algorithm> algorithm;
        bool all = false;
        if (!parseAlgorithm(item, algorithm, all)) {
            error = "unknown algorithm '" + std::string(item) + "' (use abraham, enr, npr, frontier or all)";
            return false;
        }
        // "all" names the three that enumerate; Frontier is named on its own.
        for (Algorithm a : kRunAlgorithms)
            if ((all && a != Algorithm::Frontier) || algorithm == a)
                use(a);
        if (comma == std::string_view::npos)
            return true;
        start = comma + 1;
    }
}

bool applyAlgorithms(CliOptions& options, std::string_view list, std::string& error)
{
    std::array<bool, kRunAlgorithms.size()> chosen{};
    if (!forEachListed(list, error, [&](Algorithm a) { chosen[static_cast<std::size_t>(a)] = true; }))
        return false;
    for (Algorithm a : kRunAlgorithms)
        options.algorithm(a).selected = chosen[static_cast<std::size_t>(a)];
    return true;
}

// Whether the text names only algorithms, so that it can be the list of an
// option whose list is optional (a file name is taken for what it is).
bool isAlgorithmList(std::string_view text)
{
    std::string ignored;
    return forEachListed(text, ignored, [](Algorithm) {});
}

bool applySpecial(CliOptions& options, std::string_view list, std::string& error)
{
    if (list.empty())
        list = "all";
    return forEachListed(list, error, [&](Algorithm a) { options.algorithm(a).normal = false; });
}

bool parseLabel(std::string_view text, std::optional<std::int32_t>& label, std::string& error)
{
    std::int32_t value = 0;
    if (!parseInteger(text, value)) {
        error = "'" + std::string(text) + "' is not a node label (a 32-bit integer)";
        return false;
    }
    label = value;
    return true;
}

bool parseChoice(std::string_view text, int lowest, int highest, int& value, std::string_view what,
                 std::string& error)
{
    if (!parseInteger(text, value) || value < lowest || value > highest) {
        error = std::string(what) + " must be a whole number from " + std::to_string(lowest) + " to "
            + std::to_string(highest) + ", not '" + std::string(text) + "'";
        return false;
    }
    return true;
}

// ALG=VALUE, where VALUE is a whole number of 0 or more, or "none".
template <typename Field>
bool applyLimit(CliOptions& options, std::string_view text, std::string& error, Field field)
{
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        error = "a limit is written ALG=VALUE, not '" + std::string(text) + "'";
        return false;
    }
    const std::string_view valueText = text.substr(equals + 1);
    std::int64_t value = -1;
    if (lowerCase(valueText) != "none" && (!parseInteger(valueText, value) || value < 0)) {
        error = "a limit must be a whole number of 0 or more, or none, not '" + std::string(valueText) + "'";
        return false;
    }
    return forEachListed(text.substr(0, equals), error, [&](Algorithm a) { options.algorithm(a).*field = value; });
}

bool applyFormat(CliOptions& options, std::string_view text, std::string& error)
{
    const std::string name = lowerCase(text);
    if (name == "table")
        options.format = OutputFormat::Table;
    else if (name == "json")
        options.format = OutputFormat::Json;
    else if (name == "csv")
        options.format = OutputFormat::Csv;
    else {
        error = "unknown format '" + std::string(text) + "' (use table, json or csv)";
        return false;
    }
    return true;
}

bool exchangeModeConflict(std::string& error)
{
    error = "only one of --check, --export and --import may be given";
    return false;
}

// --export FORMAT: FILE stays the positional argument.
bool applyExport(CliOptions& options, std::string_view text, std::string& error)
{
    if (options.mode == CliMode::Check || options.mode == CliMode::Import)
        return exchangeModeConflict(error);
    const std::optional<ExchangeFormat> format = exchangeFormatNamed(text);
    if (!format) {
        error = "unknown export format '" + std::string(text) + "' (use dot, graphml or csv)";
        return false;
    }
    options.exportFormat = *format;
    if (options.mode != CliMode::Help && options.mode != CliMode::Version)
        options.mode = CliMode::Export;
    return true;
}

// --import IN: IN is the file the command reads.
bool applyImport(CliOptions& options, std::string_view text, std::string& error)
{
    if (options.mode == CliMode::Check || options.mode == CliMode::Export)
        return exchangeModeConflict(error);
    if (!options.file.empty()) {
        error = "only one structure file may be given, not also '" + std::string(text) + "'";
        return false;
    }
    if (text.empty()) {
        error = "the --import file name is empty";
        return false;
    }
    options.file = text;
    if (options.mode != CliMode::Help && options.mode != CliMode::Version)
        options.mode = CliMode::Import;
    return true;
}

// --output belongs to the exchange modes, and an import needs it.
void checkOutputOption(CliParseResult& result)
{
    const CliOptions& o = result.options;
    if (o.mode == CliMode::Import && o.output.empty())
        result.error = "--import needs --output OUT.dsm, the structure file to write";
    else if (!o.output.empty() && o.mode != CliMode::Export && o.mode != CliMode::Import && o.mode != CliMode::Help
             && o.mode != CliMode::Version)
        result.error = "--output is only for --export and --import";
    else
        return;
    result.ok = false;
}

constexpr OptionRule kOptions[] = {
    {"--help", ValueKind::None, [](CliOptions& o, std::string_view, std::string&) {
         o.mode = CliMode::Help;
         return true;
     }},
    {"--version", ValueKind::None, [](CliOptions& o, std::string_view, std::string&) {
         if (o.mode != CliMode::Help)
             o.mode = CliMode::Version;
         return true;
     }},
    {"--check", ValueKind::None, [](CliOptions& o, std::string_view, std::string& e) {
         if (o.mode == CliMode::Export || o.mode == CliMode::Import)
             return exchangeModeConflict(e);
         if (o.mode != CliMode::Help && o.mode != CliMode::Version)
             o.mode = CliMode::Check;
         return true;
     }},
    {"--export", ValueKind::Required, applyExport},
    {"--import", ValueKind::Required, applyImport},
    {"--output", ValueKind::Required, [](CliOptions& o, std::string_view v, std::string& e) {
         if (v.empty()) {
             e = "the --output file name is empty";
             return false;
         }
         o.output = v;
         return true;
     }},
    {"--algorithms", ValueKind::Required, applyAlgorithms},
    {"--directed", ValueKind::None, [](CliOptions& o, std::string_view, std::string&) {
         o.direction = DirectionChoice::Directed;
         return true;
     }},
    {"--undirected", ValueKind::None, [](CliOptions& o, std::string_view, std::string&) {
         o.direction = DirectionChoice::Undirected;
         return true;
     }},
    {"--source", ValueKind::Required, [](CliOptions& o, std::string_view v, std::string& e) {
         return parseLabel(v, o.sourceLabel, e);
     }},
    {"--destination", ValueKind::Required, [](CliOptions& o, std::string_view v, std::string& e) {
         return parseLabel(v, o.destinationLabel, e);
     }},
    {"--reduction", ValueKind::None, [](CliOptions& o, std::string_view, std::string&) {
         o.reduction = true;
         return true;
     }},
    {"--no-reduction", ValueKind::None, [](CliOptions& o, std::string_view, std::string&) {
         o.reduction = false;
         return true;
     }},
    {"--ideal", ValueKind::None, [](CliOptions& o, std::string_view, std::string&) {
         o.idealTerminals = true;
         return true;
     }},
    {"--real", ValueKind::None, [](CliOptions& o, std::string_view, std::string&) {
         o.idealTerminals = false;
         return true;
     }},
    {"--abraham-rule", ValueKind::Required, [](CliOptions& o, std::string_view v, std::string& e) {
         return parseChoice(v, 1, 2, o.abrahamRule, "--abraham-rule", e);
     }},
    {"--enr-variant", ValueKind::Required, [](CliOptions& o, std::string_view v, std::string& e) {
         return parseChoice(v, 0, 2, o.enrVariant, "--enr-variant", e);
     }},
    {"--npr-variant", ValueKind::Required, [](CliOptions& o, std::string_view v, std::string& e) {
         return parseChoice(v, 0, 1, o.nprVariant, "--npr-variant", e);
     }},
    {"--special", ValueKind::Optional, applySpecial},
    {"--memory-limit", ValueKind::Required, [](CliOptions& o, std::string_view v, std::string& e) {
         return applyLimit(o, v, e, &AlgorithmChoice::memoryLimit);
     }},
    {"--time-limit", ValueKind::Required, [](CliOptions& o, std::string_view v, std::string& e) {
         return applyLimit(o, v, e, &AlgorithmChoice::timeLimit);
     }},
    {"--iteration-limit", ValueKind::Required, [](CliOptions& o, std::string_view v, std::string& e) {
         return applyLimit(o, v, e, &AlgorithmChoice::iterationLimit);
     }},
    {"--format", ValueKind::Required, applyFormat},
    {"--terms", ValueKind::None, [](CliOptions& o, std::string_view, std::string&) {
         o.terms = true;
         return true;
     }},
    {"--importance", ValueKind::None, [](CliOptions& o, std::string_view, std::string&) {
         o.importance = true;
         return true;
     }},
};

const OptionRule* findOption(std::string_view name)
{
    for (const OptionRule& rule : kOptions)
        if (rule.name == name)
            return &rule;
    return nullptr;
}

// Walks the arguments one at a time; an option may take the next one as its
// value.
class ArgumentParser {
public:
    explicit ArgumentParser(const std::vector<std::string>& arguments) : arguments_(arguments) {}

    CliParseResult parse();

private:
    bool option(std::string_view argument);
    bool positional(std::string_view argument);
    bool fail(std::string text)
    {
        result_.error = std::move(text);
        return false;
    }

    const std::vector<std::string>& arguments_;
    std::size_t next_ = 0;
    bool onlyFiles_ = false;
    CliParseResult result_;
};

CliParseResult ArgumentParser::parse()
{
    while (next_ < arguments_.size()) {
        const std::string_view argument = arguments_[next_++];
        if (!onlyFiles_ && argument == "--") {
            onlyFiles_ = true;
            continue;
        }
        const bool isOption = !onlyFiles_ && argument.size() > 1 && argument[0] == '-';
        if (!(isOption ? option(argument) : positional(argument)))
            return result_;
    }
    const CliMode mode = result_.options.mode;
    if (mode != CliMode::Help && mode != CliMode::Version && result_.options.file.empty()) {
        fail("no structure file given");
        return result_;
    }
    result_.ok = true;
    return result_;
}

bool ArgumentParser::option(std::string_view argument)
{
    if (argument == "-h")
        argument = "--help";
    const std::size_t equals = argument.find('=');
    const std::string_view name = argument.substr(0, equals);
    const bool inlineValue = equals != std::string_view::npos;
    std::string_view value = inlineValue ? argument.substr(equals + 1) : std::string_view();

    const OptionRule* rule = findOption(name);
    if (!rule)
        return fail("unknown option '" + std::string(name) + "'");
    if (rule->value == ValueKind::None && inlineValue)
        return fail("option '" + std::string(name) + "' takes no value");
    if (rule->value == ValueKind::Required && !inlineValue) {
        if (next_ >= arguments_.size())
            return fail("option '" + std::string(name) + "' needs a value");
        value = arguments_[next_++];
    }
    // "--special enr": the next argument is the list when it names only
    // algorithms; otherwise it is left for what it is (a file, an option).
    if (rule->value == ValueKind::Optional && !inlineValue && next_ < arguments_.size()
        && isAlgorithmList(arguments_[next_]))
        value = arguments_[next_++];
    return rule->apply(result_.options, value, result_.error);
}

bool ArgumentParser::positional(std::string_view argument)
{
    if (!result_.options.file.empty())
        return fail("only one structure file may be given, not also '" + std::string(argument) + "'");
    if (argument.empty())
        return fail("the structure file name is empty");
    result_.options.file = argument;
    return true;
}

} // namespace

CliParseResult parseCliOptions(const std::vector<std::string>& arguments)
{
    CliParseResult result = ArgumentParser(arguments).parse();
    if (result.ok)
        checkOutputOption(result);
    return result;
}

std::string cliHelpText()
{
    return R"(Usage: velmor-cli [OPTIONS] FILE
       velmor-cli --check FILE
       velmor-cli --export dot|graphml|csv [--output PATH] FILE
       velmor-cli --import IN --output OUT.dsm
       velmor-cli --help
       velmor-cli --version

Computes the two-terminal availability of the network structure in FILE (a
.dsm structure file): the probability that the source node reaches the
destination node when every node and edge works independently with its
availability. Each chosen algorithm (Abraham, ENR, NPR) runs exactly as the
desktop program runs it, and the results are printed on standard output.

Modes:
  (FILE alone)            compute, with the options below
  --check                 only load FILE and print its summary: direction,
                          number of nodes and edges, the pair it gives
  --export FORMAT         print the structure of FILE in an exchange format,
                          dot, graphml or csv (see Exchange formats below);
                          --directed, --undirected, --source and
                          --destination change what is written as they
                          change a computation
  --import IN             read IN, an edge-list CSV or a DOT graph (see
                          Exchange formats), and write it as the .dsm
                          structure file named by --output; IN is checked
                          as a .dsm file is, and nothing is written when
                          it is refused
  --output PATH           with --export: write PATH instead of standard
                          output; with --import: the .dsm file to write.
                          A file is replaced only once it is complete
  -h, --help              print this text and exit
  --version               print the program's version and exit

Computation options (ALG is abraham, enr, npr, frontier or all, which
means the first three):
  --algorithms LIST       comma-separated algorithms to run
                          (default: abraham,enr,npr); frontier is the
                          method that merges equal states over the
                          structure's boundary: exact, and fast where
                          the others enumerate too many paths
  --directed              treat the structure as directed
  --undirected            treat the structure as undirected
                          (default: as the file says)
  --source LABEL          source node label (default: the file's pair)
  --destination LABEL     destination node label (default: the file's pair)
  --reduction             reduce the structure first (default)
  --no-reduction          compute on the structure as it is
  --ideal                 source and destination are perfectly available
                          (default)
  --real                  source and destination keep their availabilities
  --abraham-rule 1|2      Abraham: 1 "Standardno 1a", 2 "Pravilo 1a i 2a"
                          (default 2)
  --enr-variant 0|1|2     ENR: 0 "Standardno", 1 "Opt. I razine",
                          2 "Opt. II razine" (default 2)
  --npr-variant 0|1       NPR: 0 "Standardno", 1 "Optimizirano" (default 1)
  --special [LIST]        "posebno" element behaviour for the listed
                          algorithms (all when no list follows); default
                          is "normalno" for every algorithm
  --memory-limit ALG=VALUE     stop ALG after VALUE bytes
  --time-limit ALG=VALUE       stop ALG after VALUE seconds
  --iteration-limit ALG=VALUE  stop ALG after VALUE iterations
                          VALUE is a whole number of 0 or more, or none
                          (the default: no limit); options may repeat
  --format table|json|csv
                          output format of the results (default table)
  --terms                 also print every algorithm's final terms: the
                          elements of each term as N<label> (node) and
                          e<label> (edge), "*" marking a failing element
  --importance            also rate every node and edge, after the run:
                          its Birnbaum importance A(p=1) - A(p=0), the
                          availability gained when the element is made
                          perfect instead of failed, and its criticality
                          importance Birnbaum * (1 - p) / (1 - A), the
                          probability that the element is failed and
                          critical when the destination is not reached
                          (0 when A = 1 or p = 1). Computed exactly by
                          Frontier on the structure without reduction,
                          two evaluations per element; ideal terminals
                          are not rated

An option's value may also be written --option=VALUE. "--" ends the
options, so that a FILE name may begin with "-".

Output formats:
  table   the run's settings, then one row per algorithm with the columns
          of the desktop program's summary grid: availability, memory
          [byte], time [sec] and anomalies ("nisu primjećene", a count,
          "prekinuta nit", "ograničena nit" or "greška !"); with
          --importance, then one row per element, the most important
          first: element (N<label> or e<label>), Birnbaum, criticality
  json    one object: file, directed, source, destination (labels),
          reduction, idealTerminals, elements, workElements (elements left
          after the reduction) and results, one object per algorithm in
          the order Abraham, ENR, NPR with algorithm, availability (a
          string of 18 significant digits), memory (bytes), time
          (seconds), iterations, anomalies (the value: negative for a run
          cut short), anomalyText, terms (the number of final terms),
          status and, with --terms, termTexts; with --importance also
          importanceStatus ("done", "stopped" or "failed") and
          importance, one object per element, the most important first,
          with element (N<label> or e<label>), birnbaum and criticality
          (strings of 18 significant digits, as availability)
  csv     a header line, then one line per algorithm with the fields of
          a json result (with --terms, termTexts as one field, the terms
          separated by "; "); with --importance, a blank line and a
          second table: the header element,birnbaum,criticality and one
          line per element, the most important first
  status is "done", "failed", "stopped" (Ctrl+C) or "limited" (a memory,
  time or iteration limit ended it, or the memory the machine could still
  give ran short; its availability is then partial).

Exchange formats (--export writes them, --import reads CSV and DOT):
  Availabilities are written with as many digits as they need to read
  back exactly, with "." as decimal point.
  dot      a digraph (directed) or graph (undirected); each node as
           LABEL [label="LABEL", availability="A"], each edge as
           FROM -> TO [label="LABEL", availability="A"] (-- when
           undirected), the pair as graph [source="LABEL",
           destination="LABEL"]. Read back: comments, quoted or bare
           names, statements with or without ";", node and edge
           defaults, ports and edge chains; a node named by an edge
           needs a node statement with its availability; a node
           without a label attribute takes its name as label; source
           and destination name nodes; no subgraphs.
  graphml  GraphML with the keys label (int) and availability (double)
           for nodes and edges, source and destination (node labels)
           for the graph; node ids n<label>, edge ids e<label>;
           edgedefault directed or undirected. Written only.
  csv      small tables, each a header line and its rows, a blank line
           between them:
             directed                     yes or no
             source,destination           the pair (left out without one)
             label,availability           one row per node
             label,from,to,availability   one row per edge, from and to
                                          being node labels
           Read back in any order; blank lines and lines starting with
           "#" are skipped, fields may be quoted, empty fields at the
           end of a row are ignored; "directed" is required, the pair
           is optional, labels are whole numbers and availabilities
           lie in [0, 1].
  A file that cannot be read gets the two-line message of a .dsm file
  that cannot be loaded, most ending in (redak N), the line it concerns.

While the run goes on and standard error is a terminal, one line there
shows each algorithm's progress, its availability so far and the progress
of the whole run. Ctrl+C stops the run: the algorithms deliver the terms
found so far, and their results are printed. A second Ctrl+C ends the
program at once. With --importance the line then counts the elements
rated; Ctrl+C stops the rating and prints the elements rated so far.

Exit status:
  0    every chosen algorithm ended: done, or limited by a limit you set
       or by the memory left
  1    an algorithm failed, or the run reported an error (on stderr),
       or the importance could not be computed
  2    the file could not be loaded, or IN imported (the reason is
       printed on stderr)
  3    the output (--output, or standard output of --export) could not
       be written
  64   the command line is not valid, or the run's choices are refused
       (no source or destination, both the same node, an unknown node
       label); the program's message is printed on stderr
  130  the run was stopped by Ctrl+C
)";
}

std::string cliVersionText()
{
    return std::string("velmor-cli (Velmor) ") + kVelmorVersion + "\n";
}

} // namespace velmor
