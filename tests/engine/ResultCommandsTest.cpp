// The main window's importance and save-results commands without a window:
// when their menu items are on, the importance computed through the
// controller and dropped with its structure, and the CSV that "Spremi
// rezultate" writes, with its error paths.
#include "ControllerFixture.h"
#include "StructureFiles.h"

#include "platform/Numbers.h"
#include "run/ResultRows.h"
#include "run/ResultsFile.h"
#include "structure/ReplacingWrite.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace velmor;
using namespace velmor::testing;

namespace {

std::vector<std::string> split(const std::string& line, char separator)
{
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, separator);)
        out.push_back(field);
    if (!line.empty() && line.back() == separator)
        out.emplace_back();
    return out;
}

class ResultCommandsTest : public ControllerTest {
protected:
    bool on(const char* control) const { return board().enabled(control); }

    // Starts the computation and waits for its end, applying what it changed.
    std::shared_ptr<const ImportanceResult> computeImportance()
    {
        EXPECT_TRUE(controller.startImportance());
        EXPECT_TRUE(waitFor([this] { return !controller.importanceRunning(); }));
        controller.drain();
        return controller.lastImportance();
    }
    // Both nodes of the pair chosen by their items in the combo boxes.
    void choosePair(int source, int destination)
    {
        controller.userCheck("zadan1", false); // the file's pair no longer holds the choice
        controller.userSelect("ComboBox1", source);
        controller.userSelect("ComboBox2", destination);
        controller.drain();
    }
};

} // namespace

TEST_F(ResultCommandsTest, ImportanceItemNeedsAStructureWithAPair)
{
    EXPECT_FALSE(on("Vanostelemenata1"));
    EXPECT_FALSE(on("Spremirezultate1"));
    EXPECT_FALSE(controller.startImportance());

    load(dir.write("primjer.dsm", kExampleFile));
    EXPECT_TRUE(on("Vanostelemenata1")) << "the file gives the pair";
    EXPECT_FALSE(on("Spremirezultate1")) << "nothing computed yet";

    // No pair in the file: on once both nodes are chosen.
    Sections noPair;
    noPair.pair.clear();
    std::string text = compose(noPair);
    text.erase(text.find("par:\n{\n}\n"), 9);
    load(dir.write("bez_para.dsm", text));
    ASSERT_TRUE(controller.structurePresent());
    EXPECT_FALSE(on("Vanostelemenata1"));
    controller.userSelect("ComboBox1", 0);
    controller.drain();
    EXPECT_FALSE(on("Vanostelemenata1"));
    controller.userSelect("ComboBox2", 2);
    controller.drain();
    EXPECT_TRUE(on("Vanostelemenata1"));
    // Typed text is no choice.
    controller.userType("ComboBox2", "3");
    controller.drain();
    EXPECT_FALSE(on("Vanostelemenata1"));

    controller.freeStructure();
    controller.drain();
    EXPECT_FALSE(on("Vanostelemenata1"));
}

TEST_F(ResultCommandsTest, ImportanceThroughTheControllerIsTheEnginesOwn)
{
    load(bridge(0.85L), false);
    const auto result = computeImportance();
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->status, ImportanceStatus::Done);
    EXPECT_TRUE(on("Vanostelemenata1")) << "on again once the job has ended";
    EXPECT_TRUE(on("Spremirezultate1")) << "the importance can be saved";

    const ImportanceResult direct =
        velmor::computeImportance(importanceInput(controller.workspace(), controller.runOptions()));
    ASSERT_EQ(result->elements.size(), direct.elements.size());
    for (std::size_t i = 0; i < direct.elements.size(); ++i) {
        EXPECT_EQ(result->elements[i].text(), direct.elements[i].text());
        EXPECT_EQ(result->elements[i].birnbaum, direct.elements[i].birnbaum);
        EXPECT_EQ(result->elements[i].criticality, direct.elements[i].criticality);
    }
    EXPECT_FALSE(result->directed);
    EXPECT_EQ(result->sourceLabel, 1);
    EXPECT_EQ(result->destinationLabel, 4);

    // Real terminals, chosen in the panel, are rated too.
    controller.userCheck("CheckBox2", false);
    const auto real = computeImportance();
    ASSERT_NE(real, nullptr);
    EXPECT_EQ(real->elements.size(), result->elements.size() + 2);
    EXPECT_FALSE(real->idealTerminals);
}

TEST_F(ResultCommandsTest, ImportanceGoesWithItsStructure)
{
    const std::string path = writeStructureFile(dir, "most.dsm", bridge(0.9L), false);
    load(path);
    ASSERT_NE(computeImportance(), nullptr);
    controller.freeStructure();
    controller.drain();
    EXPECT_EQ(controller.lastImportance(), nullptr);
    EXPECT_FALSE(on("Spremirezultate1"));

    load(path);
    ASSERT_NE(computeImportance(), nullptr);
    load(path); // a new load replaces the structure even when it is the same file
    EXPECT_EQ(controller.lastImportance(), nullptr);
}

TEST_F(ResultCommandsTest, StoppedWhileOnAndOffDuringARun)
{
    // Rating every element of a 7 x 7 grid takes seconds.
    load(grid(7, 7, 0.99L, 0.9L), false);
    ASSERT_TRUE(controller.startImportance());
    controller.drain();
    EXPECT_TRUE(controller.importanceRunning());
    EXPECT_FALSE(on("Vanostelemenata1")) << "one computation at a time";
    EXPECT_FALSE(controller.startImportance());
    controller.stopImportance();
    ASSERT_TRUE(waitFor([this] { return on("Vanostelemenata1"); }));
    const auto stopped = controller.lastImportance();
    ASSERT_NE(stopped, nullptr);
    EXPECT_EQ(stopped->status, ImportanceStatus::Stopped);
    EXPECT_LT(stopped->done, stopped->total);
    EXPECT_EQ(stopped->elements.size(), static_cast<std::size_t>(stopped->done));

    // A run of Abraham on it does not end by itself within the test.
    chooseAlgorithms(true, false, false);
    controller.startRun();
    ASSERT_TRUE(waitFor([this] { return controller.runOn(); }));
    EXPECT_FALSE(on("Vanostelemenata1"));
    EXPECT_FALSE(on("Spremirezultate1"));
    controller.stopRun();
    ASSERT_TRUE(waitFor([this] { return !controller.runOn(); }));
    controller.engine().waitUntilIdle();
    controller.drain();
    EXPECT_TRUE(on("Vanostelemenata1"));
    EXPECT_TRUE(on("Spremirezultate1")) << "a stopped run leaves results";
}

TEST_F(ResultCommandsTest, RefusedPairShowsWhy)
{
    load(bridge(0.9L), true);
    choosePair(1, 1); // the same node twice
    ASSERT_TRUE(on("Vanostelemenata1"));
    EXPECT_FALSE(controller.startImportance());
    ASSERT_FALSE(board().errors().empty());
    EXPECT_EQ(board().errors().back().first, "Izvorišni i odredišni čvorovi su identični, stoga je");
    EXPECT_EQ(board().errors().back().second, "svrsishodno odrediti međusobno različite čvorove");
    EXPECT_FALSE(controller.importanceRunning());
    EXPECT_EQ(controller.lastImportance(), nullptr);
}

TEST_F(ResultCommandsTest, SavedResultsAreTheGridTheBoundsAndTheImportance)
{
    controller.setDecimalSeparator('.');
    load(dir.write("primjer.dsm", kExampleFile));
    chooseAlgorithms(true, false, true);
    runToEnd();
    ASSERT_TRUE(on("Spremirezultate1"));
    const auto importance = computeImportance();
    ASSERT_NE(importance, nullptr);

    const std::string path = dir.path("rezultati.csv");
    ASSERT_TRUE(controller.saveResults(path));
    const std::vector<std::string> all = lines(readBytes(path));
    // Header, Abraham, NPR, a blank line, the importance header and its rows.
    ASSERT_EQ(all.size(), 3 + 1 + 1 + importance->elements.size()) << readBytes(path);
    std::vector<std::string> header(kGridHeader.begin(), kGridHeader.end());
    header.insert(header.end(), {"Donja granica", "Gornja granica"});
    EXPECT_EQ(split(all[0], ','), header);
    for (int row = 1; row <= 2; ++row) {
        const std::vector<std::string> fields = split(all[static_cast<std::size_t>(row)], ',');
        ASSERT_EQ(fields.size(), 7u) << all[static_cast<std::size_t>(row)];
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(fields[static_cast<std::size_t>(c)], board().cell(row, c)) << row << " " << c;
        const Algorithm a = row == 1 ? Algorithm::Abraham : Algorithm::Npr;
        const AvailabilityBounds bounds = controller.workspace().cells(a).bounds();
        EXPECT_EQ(fields[5], formatGeneral(bounds.lower));
        EXPECT_EQ(fields[6], formatGeneral(bounds.upper));
        EXPECT_EQ(fields[5], fields[1]) << "a finished run's bracket is its availability";
    }
    EXPECT_EQ(all[3], "");
    EXPECT_EQ(all[4], "Element,Birnbaum,Kritičnost");
    for (std::size_t i = 0; i < importance->elements.size(); ++i) {
        const ElementImportance& e = importance->elements[i];
        EXPECT_EQ(all[5 + i], e.text() + "," + formatGeneral(e.birnbaum) + "," + formatGeneral(e.criticality));
    }
}

TEST_F(ResultCommandsTest, CommaLocaleSeparatesFieldsBySemicolons)
{
    controller.setDecimalSeparator(',');
    load(dir.write("primjer.dsm", kExampleFile));
    chooseAlgorithms(false, true, false);
    runToEnd();
    const std::string path = dir.path("rezultati.csv");
    ASSERT_TRUE(controller.saveResults(path));
    const std::vector<std::string> all = lines(readBytes(path));
    ASSERT_EQ(all.size(), 2u) << "no importance computed: the grid alone";
    const std::vector<std::string> fields = split(all[1], ';');
    ASSERT_EQ(fields.size(), 7u) << all[1];
    EXPECT_EQ(fields[0], "ENR");
    EXPECT_EQ(fields[1], board().cell(1, 1));
    EXPECT_NE(fields[1].find(','), std::string::npos) << "the availability has a decimal comma";
}

TEST_F(ResultCommandsTest, FailedSaveWritesNothingAndSaysWhy)
{
    load(dir.write("primjer.dsm", kExampleFile));
    // Nothing to save yet: the command does nothing.
    EXPECT_FALSE(controller.saveResults(dir.path("prazno.csv")));
    EXPECT_FALSE(std::filesystem::exists(dir.path("prazno.csv")));
    EXPECT_TRUE(board().errors().empty());

    chooseAlgorithms(true, false, false);
    runToEnd();
    const std::string missing = dir.path("nema/rezultati.csv");
    EXPECT_FALSE(controller.saveResults(missing));
    ASSERT_EQ(board().errors().size(), 1u);
    EXPECT_EQ(board().errors().back().first, kResultsSaveFailed);
    EXPECT_EQ(board().errors().back().second, kCannotOpenOutput);
    EXPECT_FALSE(std::filesystem::exists(missing));

    // A directory in the file's place stays as it is.
    std::filesystem::create_directory(dir.path("mapa.csv"));
    EXPECT_FALSE(controller.saveResults(dir.path("mapa.csv")));
    EXPECT_EQ(board().errors().size(), 2u);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path("mapa.csv")));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path("mapa.csv")));
}

TEST(ResultsCsv, QuotesOnlyWhatItMust)
{
    SavedResults saved;
    saved.grid.push_back({"a", "b", "c", "d", "e"});
    saved.grid.push_back({"x;y", "0,5", "say \"hi\"", "", "plain"});
    saved.bounds.push_back(AvailabilityBounds{0.25L, 0.75L});
    saved.grid.push_back({"no", "bounds", "", "", ""});
    saved.bounds.push_back(std::nullopt);
    EXPECT_EQ(resultsCsv(saved, '.'), "a,b,c,d,e,Donja granica,Gornja granica\n"
                                      "x;y,\"0,5\",\"say \"\"hi\"\"\",,plain,0.25,0.75\n"
                                      "no,bounds,,,,,\n");
    EXPECT_EQ(resultsCsv(saved, ','), "a;b;c;d;e;Donja granica;Gornja granica\n"
                                      "\"x;y\";0,5;\"say \"\"hi\"\"\";;plain;0,25;0,75\n"
                                      "no;bounds;;;;;\n");
}
