#pragma once

#include <memory>

namespace velmor {

class StructureWorkspace;
class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm8;
class TForm10;

// The program's windows, created once in the order main, error,
// information, detailed report, editor, help, settings, matrix, picture,
// and wired to one another. Only the main window is shown (by the caller).
struct ProgramWindows {
    explicit ProgramWindows(StructureWorkspace& workspace);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3;
    std::unique_ptr<TForm4> form4;
    std::unique_ptr<TForm5> form5;
    std::unique_ptr<TForm6> form6;
    std::unique_ptr<TForm7> form7;
    std::unique_ptr<TForm8> form8;
    std::unique_ptr<TForm10> form10;
};

} // namespace velmor
