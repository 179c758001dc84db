// velmor-cli --export and --import: the real binary writes the exchange
// formats and reads them back into structure files; a refused input or an
// output that cannot be written leaves nothing behind.

#include "cli/CliOptions.h"
#include "cli/ExchangeCommand.h"
#include "structure/StructureFileWriter.h"

#include "CliProcess.h"
#include "ExchangeFiles.h"
#include "StructureFiles.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace velmor;
using namespace velmor::testing;

namespace {

const std::string kExamples = VELMOR_EXAMPLES_DIR;
constexpr const char* kLoadFailed = "Otvorena datoteka ne sadrži odgovarajuće podatke\n";
constexpr const char* kSaveFailed = "Podatke nije moguće spremiti u datoteku\n";

std::string example(const std::string& name)
{
    return kExamples + "/" + name;
}

ReadOutcome readDsmFile(const std::string& path)
{
    ReadOutcome in;
    StructureFileReader reader;
    readInto(reader, path, in);
    return in;
}

std::string describe(const CliResult& r)
{
    return "exit " + std::to_string(r.status) + "\n" + r.out + r.err;
}

std::size_t entriesIn(const TempDir& dir)
{
    const auto entries = std::filesystem::directory_iterator(dir.path(""));
    return static_cast<std::size_t>(std::distance(std::filesystem::begin(entries), std::filesystem::end(entries)));
}

} // namespace

TEST(CliExchange, ExportPrintsEachFormat)
{
    const ReadOutcome original = readDsmFile(example("primjer.dsm"));
    ASSERT_TRUE(original.ok) << original.message;
    for (ExchangeFormat format : {ExchangeFormat::Dot, ExchangeFormat::GraphMl, ExchangeFormat::Csv}) {
        const CliResult r = runCli({"--export", std::string(exchangeFormatName(format)), example("primjer.dsm")});
        ASSERT_EQ(r.status, kExitSuccess) << describe(r);
        EXPECT_EQ(r.out, exchangeText(format, exchangeOf(original)));
        EXPECT_EQ(r.err, "");
    }
}

TEST(CliExchange, ExportWritesTheOutputFileInstead)
{
    TempDir dir;
    const std::string target = dir.path("most.graphml");
    const CliResult r = runCli({"--export=GraphML", "--output", target, example("most.dsm")});
    ASSERT_EQ(r.status, kExitSuccess) << describe(r);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(readBytes(target), exchangeText(ExchangeFormat::GraphMl, exchangeOf(readDsmFile(example("most.dsm")))));
}

TEST(CliExchange, ExportTakesDirectionAndPairFromTheCommandLine)
{
    const CliResult r =
        runCli({"--export", "dot", "--undirected", "--source", "2", "--destination", "1", example("primjer.dsm")});
    ASSERT_EQ(r.status, kExitSuccess) << describe(r);
    EXPECT_EQ(r.out.rfind("graph {\n  graph [source=\"2\", destination=\"1\"];\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("  1 -- 2 [label=\"4\""), std::string::npos) << r.out;

    // A file without a pair gets one only from both options.
    const CliResult without = runCli({"--export", "csv", "--source", "1", example("bez_para.dsm")});
    ASSERT_EQ(without.status, kExitSuccess) << describe(without);
    EXPECT_EQ(without.out.find("source,destination"), std::string::npos);
    const CliResult both = runCli({"--export", "csv", "--source", "1", "--destination", "5", example("bez_para.dsm")});
    EXPECT_NE(both.out.find("source,destination\n1,5\n"), std::string::npos) << both.out;

    const CliResult unknown = runCli({"--export", "csv", "--destination", "9", example("primjer.dsm")});
    EXPECT_EQ(unknown.status, kExitUsage) << describe(unknown);
    EXPECT_EQ(unknown.err, "velmor-cli: 9 is not the label of a node of the structure\n");
    EXPECT_EQ(unknown.out, "");
}

TEST(CliExchange, ExportOfAFileThatCannotBeLoadedWritesNothing)
{
    TempDir dir;
    const std::string bad = dir.write("bad.dsm", "struktura:\n{\nusmjeren:\n{\nda;\n}\ncvorovi:\n{\n1 , 2.5;\n}\n}\n");
    const std::string target = dir.path("out.dot");
    const CliResult r = runCli({"--export", "dot", "--output", target, bad});
    EXPECT_EQ(r.status, kExitLoadFailed) << describe(r);
    EXPECT_EQ(r.err, std::string(kLoadFailed) + "Nije moguće zapisati podatke o čvorovima u listu\n");
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST(CliExchange, OutputThatCannotBeWrittenEndsWithStatus3)
{
    TempDir dir;
    const CliResult r = runCli({"--export", "dot", "--output", dir.path("no-such-folder/out.dot"), example("most.dsm")});
    EXPECT_EQ(r.status, kExitWriteFailed) << describe(r);
    EXPECT_EQ(r.err, std::string(kSaveFailed) + "Nije moguće otvoriti zadanu datoteku\n");

    const std::string csv = dir.write("most.csv", runCli({"--export", "csv", example("most.dsm")}).out);
    const CliResult import = runCli({"--import", csv, "--output", dir.path("no-such-folder/most.dsm")});
    EXPECT_EQ(import.status, kExitWriteFailed) << describe(import);
    EXPECT_EQ(import.err, std::string(kSaveFailed) + "Nije moguće otvoriti zadanu datoteku\n");

    // Standard output that refuses the text.
    CliOptions options;
    options.mode = CliMode::Export;
    options.file = example("most.dsm");
    std::ostream refusing(nullptr);
    std::ostringstream err;
    EXPECT_EQ(runExport(options, refusing, err), kExitWriteFailed);
    EXPECT_EQ(err.str(), std::string(kSaveFailed) + "Onemogućen pristup ili blokirana datoteka\n");
}

// Every example through each importable format and back into a structure
// file: the same structure, and the file the structure file writer writes.
TEST(CliExchange, ImportOfEachExportGivesBackTheSameStructure)
{
    TempDir dir;
    for (const auto& entry : std::filesystem::directory_iterator(kExamples)) {
        if (entry.path().extension() != ".dsm")
            continue;
        const std::string name = entry.path().stem().string();
        const ReadOutcome original = readDsmFile(entry.path().string());
        ASSERT_TRUE(original.ok) << original.message;
        for (const char* format : {"csv", "dot"}) {
            SCOPED_TRACE(name + " " + format);
            const std::string exported = dir.path(name + "." + format);
            const CliResult out = runCli({"--export", format, "--output", exported, entry.path().string()});
            ASSERT_EQ(out.status, kExitSuccess) << describe(out);
            const std::string dsm = dir.path(name + "-" + format + ".dsm");
            const CliResult in = runCli({"--import", exported, "--output", dsm});
            ASSERT_EQ(in.status, kExitSuccess) << describe(in);
            EXPECT_EQ(in.out + in.err, "");
            expectSameStructure(readDsmFile(dsm), original);
            if (original.pairGiven) {
                const std::string saved = dir.path(name + "-saved.dsm");
                StructureFileWriter writer;
                std::string message;
                ASSERT_TRUE(writer.writeStructureFile(saved, original.elements, original.directedMatrix,
                                                      original.directedValue == 1, original.sourceIndex,
                                                      original.destinationIndex, message));
                EXPECT_EQ(readBytes(dsm), readBytes(saved));
            } else {
                EXPECT_EQ(readBytes(dsm).find("par:"), std::string::npos);
            }
        }
    }
}

TEST(CliExchange, RefusedImportWritesNothing)
{
    TempDir dir;
    const std::string csv = dir.write("bad.csv", "directed\nyes\nlabel,availability\n1,0.9\n1,0.5\n"
                                                 "label,from,to,availability\n3,1,1,0.5\n");
    const std::string fresh = dir.path("fresh.dsm");
    const CliResult r = runCli({"--import", csv, "--output", fresh});
    EXPECT_EQ(r.status, kExitLoadFailed) << describe(r);
    EXPECT_EQ(r.err, std::string(kLoadFailed) + "Nije moguće zapisati podatke o čvorovima u listu (redak 5)\n");
    EXPECT_FALSE(std::filesystem::exists(fresh));

    const std::string existing = dir.write("existing.dsm", kExampleFile);
    const std::string dot = dir.write("bad.dot", "digraph {\n1 [availability=1]\n1 -> 2 [label=3, availability=1]\n}\n");
    const CliResult d = runCli({"--import", dot, "--output", existing});
    EXPECT_EQ(d.status, kExitLoadFailed) << describe(d);
    EXPECT_EQ(d.err, std::string(kLoadFailed) + "Nepostojeći ulazni ili izlazni čvor grana (redak 3)\n");
    EXPECT_EQ(readBytes(existing), kExampleFile);

    const CliResult missing = runCli({"--import", dir.path("missing.csv"), "--output", fresh});
    EXPECT_EQ(missing.status, kExitLoadFailed) << describe(missing);
    EXPECT_EQ(missing.err, std::string(kLoadFailed) + "Nije moguće otvoriti zadanu datoteku\n");
    EXPECT_FALSE(std::filesystem::exists(fresh));
    EXPECT_EQ(entriesIn(dir), 3u); // the two inputs and the untouched file
}

TEST(CliExchange, ImportAppliesDirectionAndPairOptions)
{
    TempDir dir;
    const std::string csv = dir.write("primjer.csv", runCli({"--export", "csv", example("primjer.dsm")}).out);
    const std::string dsm = dir.path("out.dsm");
    const CliResult r = runCli({"--import", csv, "--output", dsm, "--undirected", "--source", "2", "--destination", "3"});
    ASSERT_EQ(r.status, kExitSuccess) << describe(r);
    std::string expected = kExampleFile;
    expected.replace(expected.find("      da;"), 9, "      ne;");
    expected.replace(expected.find("      1 , 3;"), 12, "      2 , 3;");
    EXPECT_EQ(readBytes(dsm), expected);
}

TEST(CliExchange, CommandLineMistakes)
{
    const std::string most = example("most.dsm");
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--import", most}, "--import needs --output OUT.dsm"},
        {{"--output", "x.dsm", most}, "--output is only for --export and --import"},
        {{"--check", "--export", "dot", most}, "only one of --check, --export and --import"},
        {{"--export", "dot", "--check", most}, "only one of --check, --export and --import"},
        {{"--export", "dot", "--import", most, "--output", "x.dsm"}, "only one of --check, --export and --import"},
        {{"--export", "svg", most}, "unknown export format 'svg' (use dot, graphml or csv)"},
        {{"--export", "dot"}, "no structure file given"},
        {{"--import", most, "--output", "x.dsm", most}, "only one structure file may be given"},
        {{"--import", most, "--output="}, "the --output file name is empty"},
    };
    for (const auto& [arguments, message] : cases) {
        const CliResult r = runCli(arguments);
        EXPECT_EQ(r.status, kExitUsage) << describe(r);
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
}

TEST(CliExchange, HelpDescribesTheFormats)
{
    const CliResult r = runCli({"--help"});
    ASSERT_EQ(r.status, kExitSuccess);
    for (const char* text : {"--export dot|graphml|csv [--output PATH] FILE", "--import IN --output OUT.dsm",
                             "label,from,to,availability", "source,destination", "availability (double)",
                             "3    the output"})
        EXPECT_NE(r.out.find(text), std::string::npos) << text;
}
