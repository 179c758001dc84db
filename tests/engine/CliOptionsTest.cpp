#include "cli/CheckCommand.h"
#include "algorithms/AlgorithmTraits.h"
#include "cli/CliOptions.h"

#include "StructureFiles.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using namespace velmor;

namespace {

CliParseResult parse(std::vector<std::string> arguments)
{
    return parseCliOptions(arguments);
}

CliOptions parsed(std::vector<std::string> arguments)
{
    const CliParseResult result = parse(std::move(arguments));
    EXPECT_TRUE(result.ok) << result.error;
    return result.options;
}

} // namespace

TEST(CliOptions, DefaultsWithAFileOnly)
{
    const CliOptions o = parsed({"most.dsm"});
    EXPECT_EQ(o.mode, CliMode::Compute);
    EXPECT_EQ(o.file, "most.dsm");
    for (Algorithm a : kAlgorithms) {
        EXPECT_TRUE(o.algorithm(a).selected);
        EXPECT_TRUE(o.algorithm(a).normal);
        EXPECT_EQ(o.algorithm(a).memoryLimit, -1);
        EXPECT_EQ(o.algorithm(a).timeLimit, -1);
        EXPECT_EQ(o.algorithm(a).iterationLimit, -1);
    }
    EXPECT_EQ(o.direction, DirectionChoice::FromFile);
    EXPECT_FALSE(o.sourceLabel.has_value());
    EXPECT_FALSE(o.destinationLabel.has_value());
    EXPECT_TRUE(o.reduction);
    EXPECT_TRUE(o.idealTerminals);
    EXPECT_EQ(o.abrahamRule, 2);
    EXPECT_EQ(o.enrVariant, 2);
    EXPECT_EQ(o.nprVariant, 1);
    EXPECT_EQ(o.format, OutputFormat::Table);
    EXPECT_FALSE(o.terms);
}

TEST(CliOptions, CheckAndHelp)
{
    EXPECT_EQ(parsed({"--check", "f.dsm"}).mode, CliMode::Check);
    EXPECT_EQ(parsed({"f.dsm", "--check"}).mode, CliMode::Check);
    EXPECT_EQ(parsed({"--help"}).mode, CliMode::Help);
    EXPECT_EQ(parsed({"-h"}).mode, CliMode::Help);
    EXPECT_EQ(parsed({"--check", "--help"}).mode, CliMode::Help);
    EXPECT_EQ(parsed({"--help", "--check"}).mode, CliMode::Help);
    EXPECT_NE(cliHelpText().find("--check"), std::string::npos);
}

TEST(CliOptions, HelpDocumentsEveryOption)
{
    const std::string help = cliHelpText();
    for (const char* option :
         {"--check", "--help", "--algorithms", "--directed", "--undirected", "--source", "--destination",
          "--reduction", "--no-reduction", "--ideal", "--real", "--abraham-rule", "--enr-variant", "--npr-variant",
          "--special", "--memory-limit", "--time-limit", "--iteration-limit", "--format", "--terms"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
        // Every documented option is also understood.
        const CliParseResult r = parse({option, "f.dsm"});
        EXPECT_EQ(r.error.find("unknown option"), std::string::npos) << option << ": " << r.error;
    }
}

TEST(CliOptions, ComputationOptions)
{
    const CliOptions o = parsed({"--algorithms", "ENR,npr", "--undirected", "--source", "3", "--destination=-12",
                                 "--no-reduction", "--real", "--abraham-rule", "1", "--enr-variant=0",
                                 "--npr-variant", "0", "--special=abraham", "--format", "json", "--terms", "f.dsm"});
    EXPECT_FALSE(o.algorithm(Algorithm::Abraham).selected);
    EXPECT_TRUE(o.algorithm(Algorithm::Enr).selected);
    EXPECT_TRUE(o.algorithm(Algorithm::Npr).selected);
    EXPECT_EQ(o.direction, DirectionChoice::Undirected);
    EXPECT_EQ(o.sourceLabel, 3);
    EXPECT_EQ(o.destinationLabel, -12);
    EXPECT_FALSE(o.reduction);
    EXPECT_FALSE(o.idealTerminals);
    EXPECT_EQ(o.abrahamRule, 1);
    EXPECT_EQ(o.enrVariant, 0);
    EXPECT_EQ(o.nprVariant, 0);
    EXPECT_FALSE(o.algorithm(Algorithm::Abraham).normal);
    EXPECT_TRUE(o.algorithm(Algorithm::Enr).normal);
    EXPECT_EQ(o.format, OutputFormat::Json);
    EXPECT_TRUE(o.terms);
}

TEST(CliOptions, LaterToggleWins)
{
    const CliOptions o = parsed({"--directed", "--no-reduction", "--real", "--reduction", "--ideal", "f.dsm"});
    EXPECT_EQ(o.direction, DirectionChoice::Directed);
    EXPECT_TRUE(o.reduction);
    EXPECT_TRUE(o.idealTerminals);
    EXPECT_EQ(parsed({"--directed", "--undirected", "f.dsm"}).direction, DirectionChoice::Undirected);
}

TEST(CliOptions, SpecialWithoutListMeansEveryAlgorithm)
{
    const CliOptions o = parsed({"--special", "f.dsm"});
    for (Algorithm a : kAlgorithms)
        EXPECT_FALSE(o.algorithm(a).normal);
    EXPECT_EQ(o.file, "f.dsm");
}

TEST(CliOptions, SpecialTakesTheListAfterASpace)
{
    const auto specialOnes = [](const CliOptions& o) {
        std::string names;
        for (Algorithm a : kAlgorithms)
            if (!o.algorithm(a).normal) {
                names += algorithmName(a);
                names += ' ';
            }
        return names;
    };
    EXPECT_EQ(specialOnes(parsed({"--special", "enr", "f.dsm"})), "ENR ");
    EXPECT_EQ(specialOnes(parsed({"--special", "Abraham,NPR", "f.dsm"})), "Abraham NPR ");
    EXPECT_EQ(specialOnes(parsed({"f.dsm", "--special", "npr"})), "NPR ");
    EXPECT_EQ(specialOnes(parsed({"--special", "all", "f.dsm"})), "Abraham ENR NPR ");
    EXPECT_EQ(parsed({"--special", "enr", "f.dsm"}).file, "f.dsm");

    // What does not name only algorithms is left for what it is.
    CliOptions o = parsed({"--special", "enr.dsm"});
    EXPECT_EQ(specialOnes(o), "Abraham ENR NPR ");
    EXPECT_EQ(o.file, "enr.dsm");
    o = parsed({"--special", "--terms", "f.dsm"});
    EXPECT_EQ(specialOnes(o), "Abraham ENR NPR ");
    EXPECT_TRUE(o.terms);
    o = parsed({"--special", "--", "enr"});
    EXPECT_EQ(specialOnes(o), "Abraham ENR NPR ");
    EXPECT_EQ(o.file, "enr");
    EXPECT_EQ(parse({"--special", "abraham,foo", "f.dsm"}).error,
              "only one structure file may be given, not also 'f.dsm'");
    // A file named like an algorithm needs "--" or a path.
    EXPECT_EQ(parse({"--special", "enr"}).error, "no structure file given");
}

TEST(CliOptions, Version)
{
    EXPECT_EQ(parsed({"--version"}).mode, CliMode::Version);
    EXPECT_EQ(parsed({"--version", "f.dsm"}).mode, CliMode::Version);
    EXPECT_EQ(parsed({"--check", "--version", "f.dsm"}).mode, CliMode::Version);
    EXPECT_EQ(parsed({"--version", "--check", "f.dsm"}).mode, CliMode::Version);
    EXPECT_EQ(parsed({"--version", "--help"}).mode, CliMode::Help);
    EXPECT_EQ(parse({"--version=1"}).error, "option '--version' takes no value");
    // GNU: the version proper after the last space of the first line.
    EXPECT_EQ(cliVersionText(), "velmor-cli (Velmor) " VELMOR_PROJECT_VERSION "\n");
    EXPECT_NE(cliHelpText().find("\n  --version  "), std::string::npos);
    EXPECT_NE(cliHelpText().find("\n  --special [LIST]  "), std::string::npos);
}

TEST(CliOptions, LimitsPerAlgorithm)
{
    const CliOptions o = parsed({"--memory-limit", "abraham=1000", "--time-limit=all=60", "--time-limit", "npr=none",
                                 "--iteration-limit", "enr,npr=0", "f.dsm"});
    EXPECT_EQ(o.algorithm(Algorithm::Abraham).memoryLimit, 1000);
    EXPECT_EQ(o.algorithm(Algorithm::Enr).memoryLimit, -1);
    EXPECT_EQ(o.algorithm(Algorithm::Abraham).timeLimit, 60);
    EXPECT_EQ(o.algorithm(Algorithm::Enr).timeLimit, 60);
    EXPECT_EQ(o.algorithm(Algorithm::Npr).timeLimit, -1);
    EXPECT_EQ(o.algorithm(Algorithm::Abraham).iterationLimit, -1);
    EXPECT_EQ(o.algorithm(Algorithm::Enr).iterationLimit, 0);
    EXPECT_EQ(o.algorithm(Algorithm::Npr).iterationLimit, 0);
}

TEST(CliOptions, DoubleDashEndsOptions)
{
    const CliOptions o = parsed({"--check", "--", "-strange.dsm"});
    EXPECT_EQ(o.file, "-strange.dsm");
    EXPECT_EQ(parsed({"-"}).file, "-");
}

TEST(CliOptions, UsageErrors)
{
    struct Case {
        std::vector<std::string> arguments;
        const char* errorPart;
    };
    const Case cases[] = {
        {{}, "no structure file"},
        {{"--check"}, "no structure file"},
        {{"a.dsm", "b.dsm"}, "only one structure file"},
        {{"--bogus", "a.dsm"}, "unknown option '--bogus'"},
        {{"-x", "a.dsm"}, "unknown option '-x'"},
        {{"a.dsm", "--source"}, "needs a value"},
        {{"--check=yes", "a.dsm"}, "takes no value"},
        {{"--source", "abc", "a.dsm"}, "not a node label"},
        {{"--source", "12x", "a.dsm"}, "not a node label"},
        {{"--destination", "4294967297", "a.dsm"}, "not a node label"},
        {{"--source", "", "a.dsm"}, "not a node label"},
        {{"--algorithms", "abraham,foo", "a.dsm"}, "unknown algorithm 'foo'"},
        {{"--algorithms", "abraham,", "a.dsm"}, "unknown algorithm ''"},
        {{"--algorithms=", "a.dsm"}, "empty list"},
        {{"--abraham-rule", "3", "a.dsm"}, "--abraham-rule"},
        {{"--enr-variant", "-1", "a.dsm"}, "--enr-variant"},
        {{"--npr-variant", "2", "a.dsm"}, "--npr-variant"},
        {{"--memory-limit", "abraham", "a.dsm"}, "ALG=VALUE"},
        {{"--memory-limit", "abraham=-5", "a.dsm"}, "0 or more"},
        {{"--time-limit", "abraham=1.5", "a.dsm"}, "0 or more"},
        {{"--iteration-limit", "bogus=5", "a.dsm"}, "unknown algorithm 'bogus'"},
        {{"--format", "xml", "a.dsm"}, "unknown format 'xml'"},
        {{"--special=foo", "a.dsm"}, "unknown algorithm 'foo'"},
        {{""}, "file name is empty"},
    };
    for (const Case& c : cases) {
        const CliParseResult r = parse(c.arguments);
        std::string shown;
        for (const std::string& a : c.arguments)
            shown += "[" + a + "]";
        EXPECT_FALSE(r.ok) << shown;
        EXPECT_NE(r.error.find(c.errorPart), std::string::npos) << shown << " gave: " << r.error;
    }
}

TEST(CheckCommand, SummaryOfALoadedFile)
{
    velmor::testing::TempDir dir;
    CliOptions options;
    options.mode = CliMode::Check;
    options.file = dir.write("example.dsm", velmor::testing::kExampleFile);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runCheck(options, out, err), kExitSuccess);
    EXPECT_EQ(err.str(), "");
    EXPECT_NE(out.str().find("directed"), std::string::npos);
    EXPECT_EQ(out.str().find("undirected"), std::string::npos);
    EXPECT_NE(out.str().find("Nodes:          3\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Edges:          3\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("source N1, destination N3"), std::string::npos) << out.str();
}

TEST(CheckCommand, FailedLoadPrintsHeadlineAndReason)
{
    velmor::testing::TempDir dir;
    CliOptions options;
    options.file = dir.write("bad.dsm", "nema strukture\n");
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runCheck(options, out, err), kExitLoadFailed);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(),
              "Otvorena datoteka ne sadrži odgovarajuće podatke\nOnemogućen pristup ili ilegalan kraj datoteke\n");
}

TEST(CliOptions, ExportAndImport)
{
    CliOptions o = parsed({"--export", "GraphML", "most.dsm"});
    EXPECT_EQ(o.mode, CliMode::Export);
    EXPECT_EQ(o.exportFormat, ExchangeFormat::GraphMl);
    EXPECT_EQ(o.file, "most.dsm");
    EXPECT_EQ(o.output, "");
    o = parsed({"most.dsm", "--output=most.dot", "--export=dot"});
    EXPECT_EQ(o.mode, CliMode::Export);
    EXPECT_EQ(o.exportFormat, ExchangeFormat::Dot);
    EXPECT_EQ(o.output, "most.dot");
    o = parsed({"--output", "most.dsm", "--import", "most.csv"});
    EXPECT_EQ(o.mode, CliMode::Import);
    EXPECT_EQ(o.file, "most.csv");
    EXPECT_EQ(o.output, "most.dsm");
    // --help wins over every mode.
    EXPECT_EQ(parsed({"--import", "a.csv", "--help"}).mode, CliMode::Help);
    EXPECT_EQ(parsed({"--help", "--export", "csv"}).mode, CliMode::Help);

    EXPECT_FALSE(parse({"--import", "a.csv"}).ok);
    EXPECT_FALSE(parse({"--output", "a.dot", "most.dsm"}).ok);
    EXPECT_FALSE(parse({"--check", "--output", "a.dot", "most.dsm"}).ok);
    EXPECT_FALSE(parse({"--import", "a.csv", "--check", "--output", "a.dsm"}).ok);
    EXPECT_FALSE(parse({"--export"}).ok);
    EXPECT_FALSE(parse({"--export", "png", "most.dsm"}).ok);
}
