#pragma once

// A headless main window with a structure loaded from a file, for tests of
// runs and of the window's rules.

#include "TempFiles.h"
#include "TestStructures.h"
#include "run/MainController.h"
#include "structure/StructureFileWriter.h"

#include <chrono>
#include <string>
#include <thread>

namespace velmor::testing {

// Writes a structure file for `plan`, directed or not, with its pair.
inline std::string writeStructureFile(const TempDir& dir, const std::string& name, const StructurePlan& plan,
                                      bool directed)
{
    StructureWorkspace ws;
    buildStructure(ws, plan);
    StructureFileWriter writer;
    std::string message;
    const std::string path = dir.path(name);
    EXPECT_TRUE(writer.writeStructureFile(path, ws.elements, ws.directedMatrix, directed, ws.sourceIndex,
                                          ws.destinationIndex, message))
        << message;
    return path;
}

class ControllerTest : public ::testing::Test {
protected:
    MainController controller;
    TempDir dir;

    const ControlBoard& board() const { return controller.board(); }

    void load(const std::string& path)
    {
        controller.openFile(path);
        controller.waitForArchive();
        controller.drain();
    }
    void load(const StructurePlan& plan, bool directed)
    {
        load(writeStructureFile(dir, "structure.dsm", plan, directed));
    }

    void chooseAlgorithms(bool abraham, bool enr, bool npr)
    {
        controller.userCheck("CheckBox3", abraham);
        controller.userCheck("CheckBox4", enr);
        controller.userCheck("CheckBox5", npr);
    }

    // Starts a run and waits for its end, applying what it changed.
    void runToEnd()
    {
        controller.startRun();
        controller.engine().waitUntilIdle();
        controller.drain();
    }

    // Waits (applying changes) until `done` holds or a few seconds pass.
    template <typename Predicate>
    bool waitFor(Predicate done, std::chrono::milliseconds limit = std::chrono::seconds(20))
    {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < until) {
            controller.drain();
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        controller.drain();
        return done();
    }
};

} // namespace velmor::testing
