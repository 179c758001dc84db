// The main window's rules without a window: start-up state, loading and
// saving, the option reactions, the menu items that mirror options, and
// releasing the structure.
#include "ControllerFixture.h"
#include "ExchangeFiles.h"
#include "StructureFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace velmor;
using namespace velmor::testing;

TEST_F(ControllerTest, StartUpState)
{
    EXPECT_FALSE(controller.structurePresent());
    for (const char* off : {"play", "Start1", "pause", "resume", "stop", "spremipodatke", "zatvoritrenutni",
                            "ComboBox1", "RadioButton1", "CheckBox1", "CheckBox3", "rezstr", "A1", "zadan1"})
        EXPECT_FALSE(board().enabled(off)) << off;
    for (const char* on : {"otvoridatoteku", "Otvoridatoteku1", "novadatoteka", "Novastruktura1"})
        EXPECT_TRUE(board().enabled(on)) << on;
    EXPECT_TRUE(board().checked("CheckBox1"));
    EXPECT_TRUE(board().checked("Ukljucena1"));
    EXPECT_FALSE(board().checked("Iskljuena1"));
    EXPECT_TRUE(board().checked("RadioButton5"));
    EXPECT_TRUE(board().checked("RadioButton8"));
    EXPECT_TRUE(board().checked("RadioButton10"));
    EXPECT_EQ(board().control("Shape1").colour, kSkyBlue);
    EXPECT_EQ(board().cell(0, 1), "Izračunata raspoloživost");
    EXPECT_EQ(board().rowCount(), 2);
}

TEST_F(ControllerTest, LoadWithPairAndDirection)
{
    load(dir.write("primjer.dsm", kExampleFile));
    EXPECT_TRUE(controller.structurePresent());
    EXPECT_TRUE(board().checked("zadan1"));
    EXPECT_TRUE(board().enabled("zadan1"));
    EXPECT_TRUE(board().checked("zadan2"));
    EXPECT_FALSE(board().enabled("ComboBox1"));
    EXPECT_FALSE(board().enabled("RadioButton1"));
    EXPECT_TRUE(board().checked("RadioButton1"));
    EXPECT_TRUE(board().checked("Da1"));
    EXPECT_EQ(board().selectedItem("ComboBox1"), labelText(1));
    EXPECT_EQ(board().selectedItem("ComboBox2"), labelText(3));
    EXPECT_EQ(board().control("ComboBox1").items, (std::vector<std::string>{labelText(1), labelText(2), labelText(3)}));
    EXPECT_FALSE(board().enabled("spremipodatke"));
    for (const char* on : {"play", "Start1", "CheckBox1", "CheckBox2", "CheckBox3", "rezstr", "zatvoritrenutni"})
        EXPECT_TRUE(board().enabled(on)) << on;
    EXPECT_EQ(board().control("Shape3").colour, kBlue);
    EXPECT_EQ(controller.workspace().fileSourceIndex, 0);
    EXPECT_EQ(controller.workspace().fileDestinationIndex, 2);
}

TEST_F(ControllerTest, LoadWithoutPairAndUndirected)
{
    std::string text = kExampleFile;
    text.replace(text.find("      da;"), 9, "      ne;");
    const std::string pairSection = "   par:\n   {\n      1 , 3;\n   }\n";
    text.erase(text.find(pairSection), pairSection.size());
    load(dir.write("bez.dsm", text));
    ASSERT_TRUE(controller.structurePresent());
    EXPECT_FALSE(board().checked("zadan1"));
    EXPECT_FALSE(board().enabled("zadan1"));
    EXPECT_TRUE(board().enabled("ComboBox1"));
    EXPECT_TRUE(board().selectedItem("ComboBox1").empty());
    EXPECT_TRUE(board().checked("RadioButton2"));
    EXPECT_FALSE(board().enabled("RadioButton2"));
    EXPECT_TRUE(board().checked("Ne1"));
}

TEST_F(ControllerTest, FailedLoadLeavesNoStructure)
{
    load(dir.write("good.dsm", kExampleFile));
    load(dir.write("bad.dsm", "struktura:\n{\n"));
    EXPECT_FALSE(controller.structurePresent());
    ASSERT_FALSE(board().errors().empty());
    EXPECT_EQ(board().errors().back().first, "Otvorena datoteka ne sadrži odgovarajuće podatke");
    EXPECT_EQ(board().errors().back().second, "Onemogućen pristup ili ilegalan kraj datoteke");
    EXPECT_TRUE(board().text("Edit1").empty());
    EXPECT_FALSE(board().enabled("play"));
    EXPECT_FALSE(board().enabled("CheckBox3"));
    EXPECT_TRUE(board().control("ComboBox1").items.empty());
    EXPECT_EQ(board().text("ComboBox1"), "odabir izv. čvor");
    EXPECT_EQ(controller.workspace().elements.count(), 0);
    // What the earlier file gave stays.
    EXPECT_EQ(controller.workspace().directed, 1);
    EXPECT_EQ(controller.workspace().fileDestinationIndex, 2);
}

TEST_F(ControllerTest, PairCheckBoxRestoresTheFilePair)
{
    load(dir.write("primjer.dsm", kExampleFile));
    controller.userCheck("zadan1", false);
    EXPECT_TRUE(board().enabled("ComboBox1"));
    EXPECT_EQ(board().selectedItem("ComboBox2"), labelText(3));
    controller.userSelect("ComboBox2", 1); // node 2
    EXPECT_EQ(board().selectedItem("ComboBox2"), labelText(2));
    controller.userCheck("RadioButton2", true); // off while zadan2 is ticked: no effect
    EXPECT_TRUE(board().checked("RadioButton1"));
    EXPECT_FALSE(board().enabled("spremipodatke"));
    controller.userCheck("zadan1", true);
    EXPECT_EQ(board().selectedItem("ComboBox2"), labelText(3));
    EXPECT_FALSE(board().enabled("ComboBox2"));
    EXPECT_FALSE(board().enabled("spremipodatke"));
}

TEST_F(ControllerTest, DirectionFromTheMenuEvenWhileTheButtonsAreOff)
{
    load(dir.write("primjer.dsm", kExampleFile));
    ASSERT_FALSE(board().enabled("RadioButton2"));
    controller.directionMenu(false);
    EXPECT_TRUE(board().checked("RadioButton2"));
    EXPECT_FALSE(board().checked("RadioButton1"));
    EXPECT_TRUE(board().checked("Ne1"));
    EXPECT_FALSE(board().checked("Da1"));
    EXPECT_TRUE(board().enabled("spremipodatke")); // switching the direction enables saving
    controller.userCheck("zadan2", false);
    controller.userCheck("zadan2", true); // back to the file's direction
    EXPECT_TRUE(board().checked("RadioButton1"));
}

TEST_F(ControllerTest, ReductionMenuAndCheckBoxAgree)
{
    controller.reductionMenu(false); // also without a structure
    EXPECT_FALSE(board().checked("CheckBox1"));
    EXPECT_TRUE(board().checked("Iskljuena1"));
    EXPECT_FALSE(board().checked("Ukljucena1"));
    load(dir.write("primjer.dsm", kExampleFile));
    controller.userCheck("CheckBox1", true);
    EXPECT_TRUE(board().checked("Ukljucena1"));
    EXPECT_FALSE(board().checked("Iskljuena1"));
}

TEST_F(ControllerTest, AlgorithmChoiceEnablesItsVariants)
{
    load(dir.write("primjer.dsm", kExampleFile));
    EXPECT_FALSE(board().enabled("RadioButton6"));
    controller.userCheck("CheckBox4", true);
    for (const char* variant : {"RadioButton6", "RadioButton7", "RadioButton8"})
        EXPECT_TRUE(board().enabled(variant));
    EXPECT_TRUE(board().checked("RadioButton8")); // the chosen variant does not change
    controller.userCheck("CheckBox4", false);
    EXPECT_FALSE(board().enabled("RadioButton7"));
    controller.userCheck("RadioButton9", true); // off while NPR is not chosen
    EXPECT_TRUE(board().checked("RadioButton10"));
    controller.userCheck("CheckBox5", true);
    controller.userCheck("RadioButton9", true);
    EXPECT_FALSE(board().checked("RadioButton10"));
    EXPECT_EQ(controller.runOptions().of(Algorithm::Npr).variant, 0);
}

TEST_F(ControllerTest, SaveWritesTheStructureAsShown)
{
    load(dir.write("primjer.dsm", kExampleFile));
    const std::string target = dir.path("kopija.dsm");
    controller.beginSave();
    EXPECT_FALSE(board().enabled("otvoridatoteku"));
    controller.saveFile(target);
    controller.waitForArchive();
    controller.drain();
    EXPECT_TRUE(board().errors().empty());
    EXPECT_EQ(readBytes(target), kExampleFile);
    EXPECT_EQ(board().text("Edit1"), target);
    EXPECT_TRUE(board().enabled("otvoridatoteku"));
    EXPECT_FALSE(board().enabled("spremipodatke")); // until the structure or its options change

    controller.directionMenu(false);
    controller.beginSave();
    controller.saveFile(target);
    controller.waitForArchive();
    controller.drain();
    EXPECT_NE(readBytes(target).find("      ne;"), std::string::npos);
}

// A name ending in a graph format's extension saves in that format, with the
// direction the window shows; .csv, .txt and any other name stay structure
// files.
TEST_F(ControllerTest, SaveWritesTheGraphFormatTheNameEndsIn)
{
    load(dir.write("primjer.dsm", kExampleFile));
    ReadOutcome in;
    readText(kExampleFile, in);
    ASSERT_TRUE(in.ok);
    const auto save = [this](const std::string& path) {
        controller.beginSave();
        controller.saveFile(path);
        controller.waitForArchive();
        controller.drain();
        EXPECT_TRUE(board().errors().empty());
        return readBytes(path);
    };
    EXPECT_EQ(save(dir.path("mreza.dot")), exchangeText(ExchangeFormat::Dot, exchangeOf(in)));
    EXPECT_EQ(save(dir.path("mreza.GRAPHML")), exchangeText(ExchangeFormat::GraphMl, exchangeOf(in)));
    EXPECT_EQ(save(dir.path("mreza.csv")), kExampleFile);
    EXPECT_EQ(save(dir.path("mreza.txt")), kExampleFile);

    controller.directionMenu(false);
    in.directedValue = 0;
    EXPECT_EQ(save(dir.path("mreza.gv")), exchangeText(ExchangeFormat::Dot, exchangeOf(in)));
    EXPECT_EQ(readBytes(dir.path("mreza.gv")).rfind("graph {\n", 0), 0u);

    // A failed save in a graph format is reported as any failed save.
    controller.beginSave();
    controller.saveFile(dir.path("no-such-folder/mreza.dot"));
    controller.waitForArchive();
    controller.drain();
    ASSERT_EQ(board().errors().size(), 1u);
    EXPECT_EQ(board().errors()[0].first, "Podatke nije moguće spremiti u datoteku");
    EXPECT_EQ(board().errors()[0].second, "Nije moguće otvoriti zadanu datoteku");
    EXPECT_TRUE(controller.structurePresent());
}

TEST_F(ControllerTest, CancelledSaveEnablesTheSaveCommandsAgain)
{
    load(dir.write("primjer.dsm", kExampleFile));
    controller.directionMenu(false);
    controller.beginSave();
    EXPECT_FALSE(board().enabled("spremipodatke"));
    controller.saveCancelled();
    EXPECT_TRUE(board().enabled("spremipodatke"));
    EXPECT_TRUE(board().enabled("novadatoteka"));
}

// A failed save reports the writer's message but keeps the structure, which
// may exist nowhere else, and the window as it was before the save.
TEST_F(ControllerTest, FailedSaveKeepsTheStructure)
{
    const std::string source = dir.write("primjer.dsm", kExampleFile);
    load(source);
    controller.beginSave();
    controller.saveFile(dir.path("no-such-folder/kopija.dsm"));
    controller.waitForArchive();
    controller.drain();
    ASSERT_EQ(board().errors().size(), 1u);
    EXPECT_EQ(board().errors()[0].first, "Podatke nije moguće spremiti u datoteku");
    EXPECT_EQ(board().errors()[0].second, "Nije moguće otvoriti zadanu datoteku");
    EXPECT_TRUE(controller.structurePresent());
    EXPECT_EQ(controller.workspace().elements.count(), 6);
    EXPECT_EQ(board().text("Edit1"), source);
    EXPECT_EQ(controller.workspace().fileName, source);
    EXPECT_TRUE(board().enabled("play"));
    EXPECT_TRUE(board().enabled("spremipodatke"));
    EXPECT_TRUE(board().enabled("otvoridatoteku"));
}

TEST_F(ControllerTest, TooLongPathIsRefused)
{
    load(dir.write("primjer.dsm", kExampleFile));
    controller.beginSave();
    controller.saveFile("/" + std::string(300, 'a'));
    controller.drain();
    ASSERT_EQ(board().errors().size(), 1u);
    EXPECT_EQ(board().errors()[0].first, "Podatke nije moguće spremiti u datoteku");
    EXPECT_TRUE(controller.structurePresent());
    EXPECT_FALSE(std::filesystem::exists("/" + std::string(255, 'a')));

    load("/" + std::string(300, 'b'));
    EXPECT_FALSE(controller.structurePresent());
    EXPECT_EQ(board().errors().back().first, "Otvorena datoteka ne sadrži odgovarajuće podatke");
}

TEST_F(ControllerTest, FreeingAfterARun)
{
    load(bridge(), false);
    chooseAlgorithms(true, false, true);
    runToEnd();
    ASSERT_EQ(board().rowCount(), 3);
    controller.freeStructure();
    EXPECT_FALSE(controller.structurePresent());
    EXPECT_FALSE(controller.resultsPresent());
    EXPECT_EQ(board().rowCount(), 2);
    EXPECT_TRUE(board().cell(1, 0).empty());
    EXPECT_TRUE(board().text("ABR_pok").empty());
    EXPECT_TRUE(board().text("Edit1").empty());
    for (const char* off : {"play", "zatvoritrenutni", "Zatvoristrukturu1", "CheckBox3", "detaljni", "rezabr"})
        EXPECT_FALSE(board().enabled(off)) << off;
    EXPECT_EQ(board().control("Shape1").colour, kSkyBlue);
    EXPECT_EQ(controller.workspace().elements.count(), 0);
    EXPECT_EQ(controller.workspace().abrahamProducts.rowCount(), 0);
    // Settings survive.
    EXPECT_EQ(controller.workspace().settings(Algorithm::Abraham).stackSize, kDefaultStackSize);
}

TEST_F(ControllerTest, ExitRaisesEveryStopAndAbort)
{
    controller.prepareExit();
    for (Algorithm a : kAlgorithms) {
        EXPECT_TRUE(controller.workspace().cells(a).stopRequested());
        EXPECT_TRUE(controller.reportAbort(a).load());
    }
}

namespace {

// The example file without its pair section.
std::string examplePairless()
{
    std::string text = kExampleFile;
    const std::string pairSection = "   par:\n   {\n      1 , 3;\n   }\n";
    text.erase(text.find(pairSection), pairSection.size());
    return text;
}

} // namespace

// A structure that has no pair is saved without one, and the file opens
// again; the first node never becomes both ends of a pair.
TEST_F(ControllerTest, AStructureWithoutPairIsSavedWithoutOne)
{
    // An earlier file's pair stays in the file fields; it is not this structure's.
    load(dir.write("primjer.dsm", kExampleFile));
    load(dir.write("bez.dsm", examplePairless()));
    controller.userCheck("zadan2", false);
    controller.userCheck("RadioButton2", true); // another direction: saving is enabled
    ASSERT_TRUE(board().enabled("spremipodatke"));
    const std::string saved = dir.path("spremljena.dsm");
    controller.saveFile(saved);
    controller.waitForArchive();
    controller.drain();
    ASSERT_TRUE(board().errors().empty()) << board().errors().back().second;

    ReadOutcome back;
    StructureFileReader reader;
    readInto(reader, saved, back);
    ASSERT_TRUE(back.ok) << back.message;
    EXPECT_FALSE(back.pairGiven);
    EXPECT_EQ(readBytes(saved).find("par"), std::string::npos);
    load(saved);
    EXPECT_TRUE(controller.structurePresent());
    EXPECT_TRUE(board().errors().empty());
    EXPECT_FALSE(board().checked("zadan1"));
    EXPECT_TRUE(board().selectedItem("ComboBox1").empty());
    EXPECT_TRUE(board().checked("RadioButton2"));
}

// A pair chosen for a run is the structure's pair from then on.
TEST_F(ControllerTest, APairChosenForARunIsSaved)
{
    load(dir.write("bez.dsm", examplePairless()));
    controller.userSelect("ComboBox1", 1); // node 2
    controller.userSelect("ComboBox2", 2); // node 3
    controller.userCheck("CheckBox3", true);
    runToEnd();
    controller.userCheck("zadan2", false);
    controller.userCheck("RadioButton2", true);
    const std::string saved = dir.path("s-parom.dsm");
    controller.saveFile(saved);
    controller.waitForArchive();
    controller.drain();
    EXPECT_NE(readBytes(saved).find("   par:\n   {\n      2 , 3;\n   }\n"), std::string::npos) << readBytes(saved);
}

TEST_F(ControllerTest, TheProgressBarReturnsToItsStartWithTheResults)
{
    load(dir.write("primjer.dsm", kExampleFile));
    controller.userCheck("CheckBox3", true);
    runToEnd();
    ASSERT_EQ(board().progress(), 10000);
    controller.freeStructure();
    controller.drain();
    EXPECT_EQ(board().progress(), 0);

    load(dir.write("primjer.dsm", kExampleFile));
    controller.userCheck("CheckBox3", true);
    runToEnd();
    ASSERT_EQ(board().progress(), 10000);
    load(dir.write("bez.dsm", examplePairless()));
    EXPECT_EQ(board().progress(), 0);
    // A load that fails takes the results and the bar back as well.
    controller.userSelect("ComboBox1", 0);
    controller.userSelect("ComboBox2", 2);
    runToEnd();
    ASSERT_EQ(board().progress(), 10000);
    load(dir.write("pokvarena.dsm", "struktura:\n{\n"));
    EXPECT_FALSE(controller.structurePresent());
    EXPECT_EQ(board().progress(), 0);
}
