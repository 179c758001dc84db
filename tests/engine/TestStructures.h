#pragma once

// Small structures built in code, an independent exact availability by
// enumerating element states, and seeded random structures.

#include "algorithms/RunOptions.h"
#include "structure/StructureWorkspace.h"

#include <cstdint>
#include <random>
#include <vector>

namespace velmor::testing {

struct NodePlan {
    std::int32_t label;
    long double availability;
};

struct EdgePlan {
    std::int32_t label;
    std::int32_t from;
    std::int32_t to;
    long double availability;
};

struct StructurePlan {
    std::vector<NodePlan> nodes;
    std::vector<EdgePlan> edges;
    std::int32_t source = 0;      // label
    std::int32_t destination = 0; // label
};

// Fills the workspace's structure as loading a file would: nodes first, then
// edges, both incidence matrices, element states, source and destination.
void buildStructure(StructureWorkspace& ws, const StructurePlan& plan);

// The options a work structure is prepared with.
RunOptions workOptions(bool directed, bool reduction, bool idealTerminals);

// Exact availability by enumerating every combination of working and failed
// elements whose availability lies strictly between 0 and 1. With
// idealTerminals the source and destination always work.
long double exactAvailability(const StructurePlan& plan, bool directed, bool idealTerminals);

struct RandomShape {
    int minNodes = 2;
    int maxNodes = 6;
    int maxExtraEdges = 5;       // beyond a spanning path-ish backbone
    double certainShare = 0.15;  // share of elements with availability 0 or 1
    bool allowDisconnected = true;
};

// A seeded random structure with labels that are not consecutive, some
// elements of availability 0 or 1, and parallel edges now and then.
StructurePlan randomStructure(std::mt19937& random, const RandomShape& shape = {});

// Classic shapes.
StructurePlan seriesChain(int nodes, long double nodeAvailability, long double edgeAvailability);
StructurePlan bridge(long double edgeAvailability = 0.9L);
StructurePlan grid(int rows, int columns, long double nodeAvailability, long double edgeAvailability);

} // namespace velmor::testing
