#include "ui/Pomoc.h"

#include "ui/Widgets.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QStringDecoder>
#include <QVBoxLayout>

#include <stdexcept>

namespace velmor {

namespace {

// UTF-8 when the bytes are valid UTF-8; otherwise the Central European code
// page in which older help files were written.
QString decodeHelpText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder cp1250("windows-1250");
    if (cp1250.isValid()) {
        text = cp1250.decode(bytes);
        if (!cp1250.hasError())
            return text;
    }
    return QString::fromLatin1(bytes);
}

QStringList& helpFolderOverride()
{
    static QStringList folders;
    return folders;
}

} // namespace

QStringList helpFolders(const QString& executableFolder)
{
    const QDir executable(executableFolder);
    return {QStringLiteral("."), executable.path(),
            QDir::cleanPath(executable.filePath(QStringLiteral(VELMOR_DATA_DIR_FROM_BINARY))),
            QStringLiteral(VELMOR_INSTALLED_DATA_DIR)};
}

QString findHelpFile(const QStringList& folders)
{
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(QString::fromLatin1(kHelpFileName));
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

QStringList searchedHelpFolders()
{
    if (!helpFolderOverride().isEmpty())
        return helpFolderOverride();
    return helpFolders(QCoreApplication::applicationDirPath());
}

void setSearchedHelpFolders(const QStringList& folders)
{
    helpFolderOverride() = folders;
}

TForm6::TForm6() : QWidget(nullptr)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Opis programa i korištenje"));
    setFont(formFont());
    fixClientSize(this, kClientWidth, kClientHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setFont(formFont(16));
    Memo1->setPlainText(QString()); // the form's one empty line
    layout->addWidget(Memo1);

    readHelpFile();
}

void TForm6::readHelpFile()
{
    const QString path = findHelpFile(searchedHelpFolders());
    const QFileInfo help(path);
    if (path.isEmpty()) {
        // After the form's own empty line.
        Memo1->setPlainText(Memo1->toPlainText() + QLatin1Char('\n')
                            + QStringLiteral("Nemoguće pronaći pomoćnu datoteku Velmor.txt"));
        return;
    }
    QFile file(help.filePath());
    if (help.isDir() || !file.open(QIODevice::ReadOnly))
        throw std::runtime_error("Nije moguće pročitati datoteku " + std::string(kHelpFileName) + ": "
                                 + (help.isDir() ? std::string("to je mapa") : file.errorString().toStdString()));
    QString text = decodeHelpText(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1); // a line ends with its line feed; no empty line after the last
    Memo1->setPlainText(text);
}

void TForm6::closeEvent(QCloseEvent* event)
{
    emit closed();
    event->accept();
}

} // namespace velmor
