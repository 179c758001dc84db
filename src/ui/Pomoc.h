#pragma once

#include <QStringList>
#include <QWidget>

class QPlainTextEdit;

namespace velmor {

inline constexpr const char* kHelpFileName = "Velmor.txt";

// The folders in which the help file is looked for, in this order: the
// working directory (".": the program started beside its help file), the
// executable's folder, the data folder beside the executable's (an
// installation moved elsewhere as a whole), and the installation's data
// folder. Started from a desktop menu, the working directory is the home
// folder, so the installed file is found in one of the last two.
QStringList helpFolders(const QString& executableFolder);
// The path of the help file in the first of the folders that holds one (a
// folder of that name counts too: it is reported as unreadable), or an empty
// text when none does.
QString findHelpFile(const QStringList& folders);
// The folders that the help window searches: helpFolders() of the running
// program unless a test has set others (an empty list restores them).
QStringList searchedHelpFolders();
void setSearchedHelpFolders(const QStringList& folders);

// The help window: the text of Velmor.txt (see helpFolders), read once while
// the window is created.
class TForm6 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 740;
    static constexpr int kClientHeight = 321;

    // Throws std::runtime_error when the help file exists but cannot be read.
    TForm6();

    QPlainTextEdit* memo() const { return Memo1; }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void readHelpFile();

    QPlainTextEdit* Memo1 = nullptr;
};

} // namespace velmor
