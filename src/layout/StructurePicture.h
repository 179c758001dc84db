#pragma once

#include "algorithms/Importance.h"
#include "algorithms/RunOptions.h"
#include "containers/CellMatrix.h"
#include "containers/ElementList.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace velmor {

enum class NodeRole { Plain, Source, Destination };

// A node or an edge of the picture and the element it stands for.
struct PictureElement {
    int element = -1; // index in the element list and the matrices
    std::int32_t label = 0;
    long double availability = 0;
    bool removed = false; // the reduction for the present pair takes it out
};

struct PictureNode : PictureElement {
    NodeRole role = NodeRole::Plain;
};

// An edge between two nodes of the picture (positions in `nodes`); -1 for an
// end that the matrix leaves open (a connection cleared in the matrix view).
struct PictureEdge : PictureElement {
    int from = -1;
    int to = -1;
};

// What the picture of a structure shows, without any geometry: the nodes
// and edges in element order, which are the source and the destination,
// and which of them the reduction would remove.
struct StructurePicture {
    std::vector<PictureNode> nodes;
    std::vector<PictureEdge> edges;
    bool directed = true;
    int source = -1;      // position in nodes, -1 when none is chosen
    int destination = -1;
    bool reduced = false; // the removed marks come from a reduction

    // Position in `nodes` or `edges` of an element index, -1 when the
    // element is neither.
    int nodeOf(int element) const;
    int edgeOf(int element) const;
};

// What the picture is of: the pair and the options of the run the main
// window would start now.
struct PictureOptions {
    Direction direction = Direction::Directed; // None draws the directed matrix without arrows
    std::optional<std::int32_t> sourceLabel;
    std::optional<std::int32_t> destinationLabel;
    bool reduction = false;
};

// The picture of the structure in the given matrices. An edge's ends are
// read from the matrix of the chosen direction: in the directed one its
// from-node is the last node with an arc into the edge and its to-node the
// last node the edge enters; in the undirected one they are the first two
// nodes it touches (a loop when the directed matrix says so). The reduction
// is that of a run with these options, computed on copies: the workspace's
// own work structure is left alone. Nothing is marked removed without a
// direction, without both terminals, or when they are the same node.
StructurePicture buildStructurePicture(const ElementList& elements, const ByteMatrix& directedMatrix,
                                       const ByteMatrix& undirectedMatrix, const PictureOptions& options);

// The Birnbaum importance of each element (by element index; NaN for one
// that is not rated, such as an ideal terminal) when `result` was computed
// for the picture's pair and direction and rated at least one element;
// empty otherwise, so that a picture of another pair is not coloured by it.
std::vector<double> importanceValues(const ImportanceResult& result, const PictureOptions& options, int elementCount);

// The element indices that the reduction with source s and destination t
// keeps in `matrix`; empty when it cannot be computed (a matrix that is not
// square, terminals outside it or equal).
std::vector<bool> reductionKeeps(const ByteMatrix& matrix, int source, int destination);

} // namespace velmor
