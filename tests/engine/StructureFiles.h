#pragma once

#include "containers/CellMatrix.h"
#include "containers/ElementList.h"
#include "containers/IntArray.h"
#include "structure/StructureFileReader.h"

#include "TempFiles.h"

#include <cstdint>
#include <string>

namespace velmor::testing {

// The example structure file: directed, three nodes, three edges, pair 1 -> 3.
inline const std::string kExampleFile = R"(struktura:
{
   usmjeren:
   {
      da;
   }
   cvorovi:
   {
      1 , 0.9;
      2 , 0.95;
      3 , 1;
   }
   grane:
   {
      4 , 1 , 2 , 0.99;
      5 , 2 , 3 , 0.98;
      6 , 1 , 3 , 0.5;
   }
   par:
   {
      1 , 3;
   }
}
)";

// The bodies of the four sections of a file in the writer's layout; a test
// changes the one it is about.
struct Sections {
    std::string direction = "da;\n";
    std::string nodes = "1 , 0.9;\n2 , 0.95;\n3 , 1;\n";
    std::string edges = "4 , 1 , 2 , 0.99;\n5 , 2 , 3 , 0.98;\n6 , 1 , 3 , 0.5;\n";
    std::string pair = "1 , 3;\n";
};

inline std::string section(const std::string& keyword, const std::string& body)
{
    return keyword + ":\n{\n" + body + "}\n";
}

inline std::string compose(const Sections& s)
{
    return "struktura:\n{\n" + section("usmjeren", s.direction) + section("cvorovi", s.nodes)
        + section("grane", s.edges) + section("par", s.pair) + "}\n";
}

// What one read produced, with the containers it filled.
struct ReadOutcome {
    bool ok = false;
    std::string message;
    ElementList elements;
    ByteMatrix directedMatrix;
    ByteMatrix undirectedMatrix;
    int sourceIndex = -7;
    int destinationIndex = -9;
    IntArray elementState;
    std::uint8_t directedValue = 0;
    bool pairGiven = false;
};

inline void readInto(StructureFileReader& reader, const std::string& path, ReadOutcome& out)
{
    out.ok = reader.readStructureFile(path, out.elements, out.directedMatrix, out.undirectedMatrix, out.sourceIndex,
                                      out.destinationIndex, out.elementState, out.message);
    out.directedValue = reader.directedValue;
    out.pairGiven = reader.pairGiven != 0;
}

inline void readText(const std::string& text, ReadOutcome& out)
{
    TempDir dir;
    StructureFileReader reader;
    readInto(reader, dir.write("structure.dsm", text), out);
}

} // namespace velmor::testing
