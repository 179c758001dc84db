#include "structure/LoadStructure.h"

#include "StructureFiles.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace velmor;
using namespace velmor::testing;

namespace {

const std::string kUndirectedWithoutPair = "struktura:\n{\n" + section("usmjeren", "ne;\n")
    + section("cvorovi", "1 , 1;\n2 , 0.5;\n") + section("grane", "3 , 1 , 2 , 0.9;\n") + "}\n";

struct Loader {
    std::unique_ptr<StructureWorkspace> workspace = std::make_unique<StructureWorkspace>();
    StructureFileReader reader;
    std::string message;

    bool load(const std::string& path) { return loadStructureFile(*workspace, reader, path, message); }
};

} // namespace

TEST(LoadStructure, SuccessTakesDirectionAndPairFromTheFile)
{
    TempDir dir;
    Loader l;
    ASSERT_TRUE(l.load(dir.write("example.dsm", kExampleFile))) << l.message;
    const StructureWorkspace& w = *l.workspace;
    EXPECT_EQ(w.fileName, dir.path("example.dsm"));
    EXPECT_EQ(w.directed, 1);
    EXPECT_EQ(w.elements.count(), 6);
    EXPECT_EQ(w.directedMatrix.rowCount(), 6);
    EXPECT_EQ(w.elementState.count(), 6);
    EXPECT_EQ(w.sourceIndex, 0);
    EXPECT_EQ(w.destinationIndex, 2);
    EXPECT_EQ(w.fileSourceIndex, 0);
    EXPECT_EQ(w.fileDestinationIndex, 2);
}

TEST(LoadStructure, FileWithoutPairKeepsTheEarlierFilePair)
{
    TempDir dir;
    Loader l;
    ASSERT_TRUE(l.load(dir.write("example.dsm", kExampleFile)));
    ASSERT_TRUE(l.load(dir.write("nopair.dsm", kUndirectedWithoutPair))) << l.message;
    const StructureWorkspace& w = *l.workspace;
    EXPECT_EQ(w.directed, 0);
    EXPECT_EQ(w.elements.count(), 3);
    EXPECT_FALSE(l.reader.pairGiven);
    // The reset before the load put the indices to 0; the file gives none.
    EXPECT_EQ(w.sourceIndex, 0);
    EXPECT_EQ(w.destinationIndex, 0);
    EXPECT_EQ(w.fileSourceIndex, 0);
    EXPECT_EQ(w.fileDestinationIndex, 2);
}

TEST(LoadStructure, FailureEmptiesTheStructureButKeepsFileFields)
{
    TempDir dir;
    Loader l;
    ASSERT_TRUE(l.load(dir.write("example.dsm", kExampleFile)));
    ASSERT_TRUE(l.workspace->abrahamSortArray1.allocate(3));
    Sections broken;
    broken.direction = "ne;\n";
    broken.edges = "4 , 1 , 9 , 0.5;\n";
    const std::string brokenPath = dir.write("broken.dsm", compose(broken));
    EXPECT_FALSE(l.load(brokenPath));
    EXPECT_EQ(l.message, "Nepostojeći ulazni ili izlazni čvor grana");
    const StructureWorkspace& w = *l.workspace;
    EXPECT_EQ(w.elements.count(), 0);
    EXPECT_TRUE(w.directedMatrix.empty());
    EXPECT_TRUE(w.undirectedMatrix.empty());
    EXPECT_EQ(w.elementState.count(), 0);
    EXPECT_EQ(w.sourceIndex, 0);
    EXPECT_EQ(w.destinationIndex, 0);
    EXPECT_EQ(w.directed, 1);
    EXPECT_EQ(w.fileSourceIndex, 0);
    EXPECT_EQ(w.fileDestinationIndex, 2);
    EXPECT_EQ(w.fileName, brokenPath);
    EXPECT_EQ(w.abrahamSortArray1.count(), 0); // results reset too
}

TEST(LoadStructure, PathLongerThan256CharactersIsRefused)
{
    TempDir dir;
    Loader l;
    ASSERT_TRUE(l.load(dir.write("example.dsm", kExampleFile)));
    std::string longPath = dir.path("");
    longPath += std::string(300 - longPath.size(), 'a');
    ASSERT_EQ(longPath.size(), 300u);
    EXPECT_FALSE(l.load(longPath));
    EXPECT_EQ(l.message, "Putanja do datoteke je predugačka: dopušteno je najviše 256 znakova");
    EXPECT_EQ(l.workspace->elements.count(), 0);
    EXPECT_TRUE(l.workspace->directedMatrix.empty());
    EXPECT_EQ(l.workspace->fileName, dir.path("example.dsm"));
}

TEST(LoadStructure, PathOfExactly256CharactersIsUsedWhole)
{
    // A file whose path is exactly 256 characters long loads; one character
    // more is refused, not cut back to this file.
    TempDir dir;
    std::string name = "x";
    const std::size_t base = dir.path("").size();
    name += std::string(256 - base - 1 - 4, 'b') + ".dsm";
    const std::string path = dir.write(name, kExampleFile);
    ASSERT_EQ(path.size(), 256u);
    Loader l;
    EXPECT_TRUE(l.load(path)) << l.message;
    EXPECT_FALSE(l.load(path + "x"));
}
