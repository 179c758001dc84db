#include "ui/Postavke.h"

#include "algorithms/AlgorithmTraits.h"
#include "structure/StructureWorkspace.h"
#include "ui/Application.h"
#include "ui/Greska.h"
#include "ui/Widgets.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

#include <cctype>
#include <limits>
#include <string>
#include <stdexcept>

namespace velmor {

namespace {

constexpr int kRowHeight = 17;

QGroupBox* groupBox(const QString& caption, QWidget* parent)
{
    auto* box = new QGroupBox(caption, parent);
    return box;
}

} // namespace

std::int64_t parseLimitText(const std::string& text)
{
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        ++at;
    const std::size_t digitsStart = at;
    std::uint64_t magnitude = 0;
    bool tooLarge = false;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(text[at] - '0');
        if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            tooLarge = true, magnitude = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    }
    if (at == digitsStart || at != text.size())
        throw std::invalid_argument("'" + text + "' nije ispravna cjelobrojna vrijednost");
    if (tooLarge)
        throw std::invalid_argument("'" + text + "' je izvan dopuštenog raspona cijelih brojeva");
    return static_cast<std::int64_t>(magnitude);
}

TForm7::TForm7(StructureWorkspace& workspace, TForm2* errorWindow) : QWidget(nullptr), ws_(workspace), errorWindow_(errorWindow)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Napredne postavke programa"));
    setFont(formFont());
    fixClientSize(this, kClientWidth, kClientHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 2, 1, 1);
    TabbedNotebook1 = new TabbedNotebook(4, this);
    TabbedNotebook1->setObjectName(QStringLiteral("TabbedNotebook1"));
    layout->addWidget(TabbedNotebook1);

    TabbedNotebook1->addPage(buildStackPage(), QStringLiteral("postavke dretvi"));
    TabbedNotebook1->addPage(buildBehaviourPage(), QStringLiteral("ponašanje strukture"));
    TabbedNotebook1->addPage(buildLimitPage(0, "kada je zauzeto više", "byta za ini algoritam"),
                             QStringLiteral("ograničenja memorije"));
    TabbedNotebook1->addPage(buildLimitPage(1, "kada je prošlo više", "sekundi izvođenja"),
                             QStringLiteral("ograničenja vremena"));
    TabbedNotebook1->addPage(buildLimitPage(2, "kada je izvršeno više", "iteracija algoritma"),
                             QStringLiteral("ograničenja iteracija"));

    for (int number = 1; number <= 24; ++number) {
        connect(radios_[static_cast<std::size_t>(number)], &QRadioButton::toggled, this, [this, number](bool on) {
            // A radio button reacts when it becomes the checked one; showing
            // the window sets them from the workspace without reacting.
            if (on && !refreshing_)
                RadioButtonClick(number);
        });
    }
}

QWidget* TForm7::buildStackPage()
{
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(2, 0, 2, 0);
    column->setSpacing(2);

    struct Row {
        std::string caption;
        int* size;
    };
    const Row program[] = {{"steak jezgrene dretve [korak od 4096 byta]", &ws_.coreStackSize},
                           {"steak dretve arhiviranja [korak od 4096 byta]", &ws_.archiveStackSize},
                           {"steak dretve prikaza [korak od 4096 byta]", &ws_.displayStackSize}};
    Row algorithms[kAlgorithms.size()];
    for (Algorithm a : kAlgorithms)
        algorithms[static_cast<std::size_t>(a)] = {"steak " + std::string(algorithmName(a)) + " dretve [korak od 4096 byta]",
                                                   &ws_.settings(a).stackSize};
    int number = 1;
    auto addGroup = [&](const QString& caption, const Row (&rows)[3]) {
        QGroupBox* box = groupBox(caption, page);
        auto* grid = new QGridLayout(box);
        grid->setContentsMargins(6, 0, 6, 2);
        grid->setVerticalSpacing(1);
        grid->setHorizontalSpacing(4);
        for (int r = 0; r < 3; ++r, ++number) {
            grid->addWidget(new QLabel(QString::fromStdString(rows[r].caption), box), r, 0);
            auto* edit = new QLineEdit(box);
            edit->setObjectName(QStringLiteral("Edit%1").arg(number));
            edit->setReadOnly(true);
            edit->setAlignment(Qt::AlignRight);
            edit->setFixedSize(76, kRowHeight);
            grid->addWidget(edit, r, 1);
            auto* upDown = new UpDown(box);
            upDown->setObjectName(QStringLiteral("UpDown%1").arg(number));
            upDown->setRange(0, kStackMaximum / kStackStep);
            upDown->setPosition(0);
            upDown->setFixedHeight(kRowHeight);
            grid->addWidget(upDown, r, 2);
            stacks_[static_cast<std::size_t>(number - 1)] = {rows[r].size, edit, upDown};
            connect(upDown, &UpDown::clicked, this, [this, number](bool up) { UpDownClick(number, up); });
        }
        grid->setColumnStretch(0, 1);
        column->addWidget(box);
    };
    addGroup(QStringLiteral("program - inicijalna količina steak-a"), program);
    addGroup(QStringLiteral("algoritami - inicijalna količina steak-a"), algorithms);
    column->addStretch(1);
    return page;
}

QWidget* TForm7::buildBehaviourPage()
{
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(2, 0, 2, 0);
    QGroupBox* outer = groupBox(QStringLiteral("Ponašanje čvorova i grana"), page);
    auto* inner = new QVBoxLayout(outer);
    inner->setContentsMargins(6, 1, 6, 4);
    inner->setSpacing(0);

    auto line = [&](std::initializer_list<std::pair<const char*, bool>> parts) {
        auto* row = new QHBoxLayout;
        row->setSpacing(0);
        for (const auto& [text, bold] : parts) {
            auto* label = new QLabel(QString::fromUtf8(text), outer);
            if (bold)
                label->setFont(formFont(11, true));
            row->addWidget(label);
        }
        row->addStretch(1);
        inner->addLayout(row);
    };
    line({{"Dopuštenje da element s rapoloživošću \"1\" bude neispravan, te", false}});
    line({{"element s rapoloživošću \"0\" bude ispravan u skupu podrješenja", false}});
    line({{"i rezultata . U tom slučaju odeberite opciju ", false}, {"posebno", true}, {", a ako ne", false}});
    line({{"želite to dopustiti odaberite opciju", false}, {" normalno .", true}});
    inner->addSpacing(4);

    auto* groups = new QHBoxLayout;
    groups->setSpacing(4);
    for (int a = 0; a < static_cast<int>(kAlgorithms.size()); ++a) {
        const Algorithm algorithm = kAlgorithms[static_cast<std::size_t>(a)];
        QGroupBox* box = groupBox(QString::fromLatin1(algorithmName(algorithm)), outer);
        auto* radios = new QVBoxLayout(box);
        radios->setContentsMargins(6, 1, 6, 3);
        radios->setSpacing(1);
        auto* normal = new QRadioButton(QStringLiteral("normalno"), box);
        auto* special = new QRadioButton(QStringLiteral("posebno"), box);
        const int first = 1 + 2 * a;
        normal->setObjectName(QStringLiteral("RadioButton%1").arg(first));
        special->setObjectName(QStringLiteral("RadioButton%1").arg(first + 1));
        radios->addWidget(normal);
        radios->addWidget(special);
        radios_[static_cast<std::size_t>(first)] = normal;
        radios_[static_cast<std::size_t>(first + 1)] = special;
        behaviours_[static_cast<std::size_t>(a)] = {&ws_.settings(algorithm).normal, normal, special};
        groups->addWidget(box);
    }
    inner->addLayout(groups);
    column->addWidget(outer);
    column->addStretch(1);
    return page;
}

QWidget* TForm7::buildLimitPage(int pageIndex, const char* line2, const char* line4)
{
    auto* page = new QWidget;
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (int a = 0; a < static_cast<int>(kAlgorithms.size()); ++a) {
        const Algorithm algorithm = kAlgorithms[static_cast<std::size_t>(a)];
        const int index = pageIndex * 3 + a;
        AlgorithmSettings& settings = ws_.settings(algorithm);
        std::int64_t* limit = pageIndex == 0   ? &settings.memoryLimit
                              : pageIndex == 1 ? &settings.timeLimit
                                               : &settings.iterationLimit;

        QGroupBox* box = groupBox(QString::fromLatin1(algorithmName(algorithm)), page);
        auto* column = new QVBoxLayout(box);
        column->setContentsMargins(3, 1, 2, 2);
        column->setSpacing(0);
        auto* unlimited = new QRadioButton(QStringLiteral("neograničeno"), box);
        auto* limited = new QRadioButton(QStringLiteral("ograničeno"), box);
        const int first = 7 + 2 * index;
        unlimited->setObjectName(QStringLiteral("RadioButton%1").arg(first));
        limited->setObjectName(QStringLiteral("RadioButton%1").arg(first + 1));
        radios_[static_cast<std::size_t>(first)] = unlimited;
        radios_[static_cast<std::size_t>(first + 1)] = limited;
        column->addWidget(unlimited);
        column->addWidget(limited);
        // The Abraham group of the iteration page has always read "inti".
        const bool iterationAbraham = pageIndex == 2 && a == 0;
        column->addWidget(new QLabel(iterationAbraham ? QStringLiteral("Prekini izvođenje inti")
                                                      : QStringLiteral("Prekini izvođenje niti"),
                                     box));
        column->addWidget(new QLabel(QString::fromUtf8(line2), box));
        auto* fieldRow = new QHBoxLayout;
        fieldRow->setSpacing(4);
        fieldRow->addWidget(new QLabel(QStringLiteral("od"), box));
        auto* edit = new QLineEdit(box);
        edit->setObjectName(QStringLiteral("Edit%1").arg(7 + index));
        edit->setFixedHeight(kRowHeight);
        edit->setAlignment(Qt::AlignRight);
        fieldRow->addWidget(edit, 1);
        column->addLayout(fieldRow);
        column->addWidget(new QLabel(QString::fromUtf8(line4), box));
        column->addStretch(1);
        row->addWidget(box, 1);

        limits_[static_cast<std::size_t>(index)] = {limit, unlimited, limited, edit, 0};
        const int editNumber = 7 + index;
        connect(edit, &QLineEdit::textChanged, this, [this, editNumber] {
            if (!refreshing_)
                EditChange(editNumber);
        });
    }
    return page;
}

void TForm7::setFieldState(QLineEdit* edit, bool enabled)
{
    QPalette palette = edit->palette();
    const QColor base = enabled ? QColor(Qt::white) : QColor(192, 192, 192); // white, or silver while unlimited
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, base);
    edit->setPalette(palette);
    edit->setEnabled(enabled);
}

void TForm7::showEvent(QShowEvent* event)
{
    FormShow();
    QWidget::showEvent(event);
}

void TForm7::FormShow()
{
    const QScopedValueRollback<bool> quiet(refreshing_, true);
    for (const StackRow& row : stacks_) {
        row.edit->setText(QString::number(*row.size));
        row.upDown->setPosition(*row.size / kStackStep);
    }
    for (const Behaviour& behaviour : behaviours_)
        (*behaviour.normal != 0 ? behaviour.normalButton : behaviour.specialButton)->setChecked(true);
    for (const LimitGroup& group : limits_) {
        if (*group.limit < 0) {
            group.unlimited->setChecked(true);
            setFieldState(group.edit, false);
            group.edit->clear();
        } else {
            group.limited->setChecked(true);
            setFieldState(group.edit, true);
            group.edit->setText(QString::number(*group.limit));
        }
    }
    TabbedNotebook1->update();
}

void TForm7::UpDownClick(int number, bool up)
{
    guarded([&] {
        const StackRow& row = stacks_.at(static_cast<std::size_t>(number - 1));
        if (up && *row.size < kStackMaximum)
            *row.size += kStackStep;
        else if (!up && *row.size > 0)
            *row.size -= kStackStep;
        row.edit->setText(QString::number(*row.size));
    });
}

void TForm7::RadioButtonClick(int number)
{
    guarded([&] {
        if (number >= 1 && number <= 6) {
            const Behaviour& behaviour = behaviours_[static_cast<std::size_t>((number - 1) / 2)];
            *behaviour.normal = number % 2 == 1 ? 1 : 0; // odd: "normalno"
            return;
        }
        if (number < 7 || number > 24)
            return;
        LimitGroup& group = limits_[static_cast<std::size_t>((number - 7) / 2)];
        if (number % 2 == 1) { // "neograničeno"
            setFieldState(group.edit, false);
            if (*group.limit > 0)
                group.savedLimit = *group.limit;
            *group.limit = -1;
            group.edit->clear();
        } else { // "ograničeno"
            setFieldState(group.edit, true);
            *group.limit = group.savedLimit;
            group.edit->setText(QString::number(*group.limit));
        }
    });
}

void TForm7::EditChange(int number)
{
    if (number < 7 || number > 15)
        return;
    LimitGroup& group = limits_[static_cast<std::size_t>(number - 7)];
    if (!group.limited->isChecked())
        return;
    try {
        *group.limit = parseLimitText(group.edit->text().toStdString());
    } catch (const std::exception& error) {
        if (errorWindow_)
            errorWindow_->report(this, QStringLiteral("Unesena vrijednost nije ispravna, pokušaj ponovo"),
                                 QStringLiteral("error description : ") + QString::fromUtf8(error.what()));
        group.edit->setText(QString::number(*group.limit)); // the limit kept its value
    }
}

} // namespace velmor
