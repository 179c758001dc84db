#pragma once

#include <sstream>
#include <string>

namespace velmor::testing {

// A structure file of a rows x columns grid, undirected, from the top left
// to the bottom right corner: large enough at 5 x 5 that no algorithm ends
// within seconds.
inline std::string gridStructure(int rows, int columns)
{
    std::ostringstream s;
    auto label = [&](int r, int c) { return r * columns + c + 1; };
    s << "struktura:\n{\n   usmjeren:\n   {\n      ne;\n   }\n   cvorovi:\n   {\n";
    for (int n = 1; n <= rows * columns; ++n)
        s << "      " << n << " , 0.99;\n";
    s << "   }\n   grane:\n   {\n";
    int edge = rows * columns + 1;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            if (c + 1 < columns)
                s << "      " << edge++ << " , " << label(r, c) << " , " << label(r, c + 1) << " , 0.9;\n";
            if (r + 1 < rows)
                s << "      " << edge++ << " , " << label(r, c) << " , " << label(r + 1, c) << " , 0.9;\n";
        }
    s << "   }\n   par:\n   {\n      1 , " << rows * columns << ";\n   }\n}\n";
    return s.str();
}

} // namespace velmor::testing
