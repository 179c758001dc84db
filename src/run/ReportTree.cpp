#include "run/ReportTree.h"

namespace velmor {

std::vector<std::string> ReportTree::indentedLines(int indent) const
{
    std::vector<std::string> lines;
    struct Frame {
        ReportNode node;
        int next;
        int depth;
    };
    std::vector<Frame> stack{{kReportTop, 0, -1}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == childCount(top.node)) {
            stack.pop_back();
            continue;
        }
        const ReportNode node = child(top.node, top.next++);
        const int depth = top.depth + 1;
        lines.push_back(std::string(static_cast<std::size_t>(depth * indent), ' ') + text(node));
        stack.push_back({node, 0, depth});
    }
    return lines;
}

} // namespace velmor
