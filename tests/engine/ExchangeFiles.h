#pragma once

// Structures through the exchange formats: exporting what a read produced,
// importing text, and comparing two structures element by element.

#include "structure/ExchangeReader.h"
#include "structure/ExchangeStructure.h"
#include "structure/ExchangeWriter.h"
#include "structure/StructureWorkspace.h"

#include "StructureFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace velmor::testing {

// The structure a read produced, as the export takes it.
inline ExchangeStructure exchangeOf(const ReadOutcome& in)
{
    return exchangeStructureOf(in.elements, in.directedMatrix, in.directedValue == 1,
                               in.pairGiven ? in.sourceIndex : -1, in.pairGiven ? in.destinationIndex : -1);
}

inline ExchangeStructure exchangeOf(const StructureWorkspace& ws, bool directed, bool withPair)
{
    return exchangeStructureOf(ws.elements, ws.directedMatrix, directed, withPair ? ws.sourceIndex : -1,
                               withPair ? ws.destinationIndex : -1);
}

inline void importText(const std::string& text, ExchangeFormat format, ReadOutcome& out)
{
    ExchangeReader reader;
    out.ok = reader.readExchangeText(text, format, out.elements, out.directedMatrix, out.undirectedMatrix,
                                     out.sourceIndex, out.destinationIndex, out.elementState, out.message);
    out.directedValue = reader.directedValue;
    out.pairGiven = reader.pairGiven != 0;
}

inline void importFile(const std::string& path, ReadOutcome& out)
{
    ExchangeReader reader;
    out.ok = reader.readExchangeFile(path, out.elements, out.directedMatrix, out.undirectedMatrix, out.sourceIndex,
                                     out.destinationIndex, out.elementState, out.message);
    out.directedValue = reader.directedValue;
    out.pairGiven = reader.pairGiven != 0;
}

inline void expectSameMatrix(const ByteMatrix& a, const ByteMatrix& b, const char* name)
{
    ASSERT_EQ(a.lastRow(), b.lastRow()) << name;
    ASSERT_EQ(a.lastColumn(), b.lastColumn()) << name;
    for (int r = 0; r <= a.lastRow(); ++r)
        for (int c = 0; c <= a.lastColumn(); ++c)
            ASSERT_EQ(a.get(c, r), b.get(c, r)) << name << " row " << r << " column " << c;
}

// Everything a load hands the program: elements in order with their exact
// availabilities, both matrices, element states, direction and pair.
inline void expectSameStructure(const ReadOutcome& got, const ReadOutcome& expected)
{
    ASSERT_TRUE(got.ok) << got.message;
    ASSERT_TRUE(expected.ok) << expected.message;
    ASSERT_EQ(got.elements.count(), expected.elements.count());
    for (int i = 0; i < got.elements.count(); ++i) {
        const ElementEntry& g = *got.elements.entryAt(i);
        const ElementEntry& e = *expected.elements.entryAt(i);
        EXPECT_EQ(g.label, e.label) << "element " << i;
        EXPECT_EQ(g.kind, e.kind) << "element " << i;
        EXPECT_EQ(g.index, e.index) << "element " << i;
        EXPECT_EQ(g.availability, e.availability) << "element " << i;
    }
    expectSameMatrix(got.directedMatrix, expected.directedMatrix, "directed");
    expectSameMatrix(got.undirectedMatrix, expected.undirectedMatrix, "undirected");
    ASSERT_EQ(got.elementState.count(), expected.elementState.count());
    for (int i = 0; i < got.elementState.count(); ++i)
        EXPECT_EQ(got.elementState.get(i), expected.elementState.get(i)) << "state " << i;
    EXPECT_EQ(got.directedValue, expected.directedValue);
    EXPECT_EQ(got.pairGiven, expected.pairGiven);
    if (got.pairGiven && expected.pairGiven) {
        EXPECT_EQ(got.sourceIndex, expected.sourceIndex);
        EXPECT_EQ(got.destinationIndex, expected.destinationIndex);
    }
}

} // namespace velmor::testing
