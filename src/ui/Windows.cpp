#include "ui/Windows.h"

#include "ui/Detalji.h"
#include "ui/Greska.h"
#include "ui/Gui.h"
#include "ui/Info.h"
#include "ui/Pomoc.h"
#include "ui/Postavke.h"
#include "ui/Slika.h"
#include "ui/Tablica.h"
#include "ui/Unos.h"
#include "ui/Widgets.h"

namespace velmor {

ProgramWindows::ProgramWindows(StructureWorkspace& workspace)
{
    form1 = std::make_unique<TForm1>();
    form2 = std::make_unique<TForm2>(form1.get());
    form3 = std::make_unique<TForm3>();
    form4 = std::make_unique<TForm4>();
    form5 = std::make_unique<TForm5>();
    form6 = std::make_unique<TForm6>();
    form7 = std::make_unique<TForm7>(workspace, form2.get());
    form8 = std::make_unique<TForm8>();
    form10 = std::make_unique<TForm10>();

    // The windows that the main window opens stay above it.
    for (QWidget* owned : std::initializer_list<QWidget*>{form2.get(), form3.get(), form5.get(), form6.get(),
                                                           form7.get(), form8.get(), form10.get()})
        setOwnerWindow(owned, form1.get());

    form2->setPeers(form5.get(), form7.get());
    form5->setErrorWindow(form2.get());
    form1->setPeers({form2.get(), form3.get(), form4.get(), form5.get(), form6.get(), form7.get(), form8.get(), form10.get()});
}

// Secondary windows first: the main window's peers must not outlive it.
ProgramWindows::~ProgramWindows()
{
    form10.reset();
    form8.reset();
    form7.reset();
    form6.reset();
    form5.reset();
    form4.reset();
    form3.reset();
    form2.reset();
    form1.reset();
}

} // namespace velmor
