// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RotorChooser.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cctype>
#include <map>

#include "rotor/HamlibRotors.h"
#include "toolkit/ExceptionReport.h"

namespace skyvane {
namespace {

constexpr int ModelRole = Qt::UserRole;
constexpr int BuiltInModel = 0;

// The range choices; "own" and "other" take their values from elsewhere.
enum TRangeChoice { OwnRange, Range360, RangeSouth, Range450, OtherRange };

const TAzimuthRange RangeOfChoice[] = {{}, {0, 360}, {-180, 180}, {0, 450}, {}};

// Serial speeds offered, where the model supports them.
constexpr int Speeds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QString RangeText(const TAzimuthRange& range) {
    return QString("%1 to %2\xC2\xB0").arg(range.min).arg(range.max);
}

}  // namespace

TRotorChooser::TRotorChooser(const TRotorSettings& current, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Rotor");
    search_ = new QLineEdit(this);
    search_->setPlaceholderText("Search by model number, maker or name");
    search_->setClearButtonEnabled(true);
    tree_ = new QTreeWidget(this);
    tree_->setColumnCount(2);
    tree_->setHeaderLabels({"Model", "Rotor"});
    tree_->setRootIsDecorated(true);
    tree_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tree_->setMinimumHeight(220);
    port_ = new QLineEdit(Text(current.port), this);
    speed_ = new QComboBox(this);
    offset_ = new QSpinBox(this);
    offset_->setRange(-LargestOffset, LargestOffset);
    offset_->setSuffix("\xC2\xB0");
    offset_->setValue(current.offset);
    range_ = new QComboBox(this);
    range_->addItems({"The rotor's own", "0 to 360\xC2\xB0", "-180 to 180\xC2\xB0 (south-centred)",
                      "0 to 450\xC2\xB0 (overlap)", "Other:"});
    min_ = new QSpinBox(this);
    max_ = new QSpinBox(this);
    for (QSpinBox* box : {min_, max_}) {
        box->setRange(LowestAzimuth, HighestAzimuth);
        box->setSuffix("\xC2\xB0");
    }
    const TAzimuthRange range = current.range.value_or(TAzimuthRange{});
    min_->setValue(range.min);
    max_->setValue(range.max);
    int choice = OwnRange;
    if (current.range) {
        choice = OtherRange;
        for (int c = Range360; c <= Range450; ++c)
            if (RangeOfChoice[c] == *current.range) choice = c;
    }
    range_->setCurrentIndex(choice);
    note_ = new QLabel(this);
    note_->setWordWrap(true);

    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(range_, 1);
    rangeRow->addWidget(min_);
    rangeRow->addWidget(new QLabel("to", this));
    rangeRow->addWidget(max_);
    auto* form = new QFormLayout;
    form->addRow("&Device or host:port:", port_);
    form->addRow("&Speed:", speed_);
    form->addRow("Azimuth &offset:", offset_);
    auto* rangeLabel = new QLabel("Turning &range:", this);
    rangeLabel->setBuddy(range_);
    form->addRow(rangeLabel, rangeRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Guarded([this] { accept(); }); });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { Guarded([this] { reject(); }); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(search_);
    layout->addWidget(tree_, 1);
    layout->addLayout(form);
    layout->addWidget(note_);
    layout->addWidget(buttons);

    FillModels();
    if (!SelectModel(current.model)) SelectModel(BuiltInModel);
    Update();  // the selected model's speeds, so the saved one can be chosen
    if (current.speed > 0) {
        const int index = speed_->findData(current.speed);
        if (index >= 0) speed_->setCurrentIndex(index);
    }
    connect(search_, &QLineEdit::textChanged, this,
            [this](const QString& text) { Guarded([&] { Filter(text); }); });
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this] { Guarded([this] { Update(); }); });
    connect(port_, &QLineEdit::textChanged, this, [this] { Guarded([this] { Update(); }); });
    connect(range_, &QComboBox::currentIndexChanged, this,
            [this] { Guarded([this] { Update(); }); });
    for (QSpinBox* box : {min_, max_})
        connect(box, &QSpinBox::valueChanged, this, [this] { Guarded([this] { Update(); }); });
    resize(520, 560);
}

void TRotorChooser::FillModels() {
    auto* builtIn = new QTreeWidgetItem(tree_, {"", "Built in"});
    auto* line =
        new QTreeWidgetItem(builtIn, {"", "\"AI1;\" controllers (port and speed: COM Settings)"});
    line->setData(0, ModelRole, BuiltInModel);
    std::map<std::string, QTreeWidgetItem*> makers;
    for (const THamlibModel& model : HamlibModels()) {
        QTreeWidgetItem*& group = makers[model.maker];
        if (!group) group = new QTreeWidgetItem({"", "Hamlib: " + Text(model.maker)});
        auto* item = new QTreeWidgetItem(group, {QString::number(model.number), Text(model.name)});
        item->setData(0, ModelRole, model.number);
    }
    for (const auto& [maker, group] : makers) tree_->addTopLevelItem(group);
    if (makers.empty()) {
        // No list to choose from: the tree says why, instead of looking empty.
        if (const std::string why = HamlibUnavailableText(); !why.empty())
            new QTreeWidgetItem(tree_, {"", Text(why)});
    }
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* group = tree_->topLevelItem(i);
        group->setFlags(group->flags() & ~Qt::ItemIsSelectable);
    }
    builtIn->setExpanded(true);
}

void TRotorChooser::Filter(const QString& text) {
    const QString wanted = text.trimmed();
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* group = tree_->topLevelItem(i);
        int shown = 0;
        for (int j = 0; j < group->childCount(); ++j) {
            QTreeWidgetItem* item = group->child(j);
            const bool match = wanted.isEmpty() ||
                               item->text(0).contains(wanted, Qt::CaseInsensitive) ||
                               item->text(1).contains(wanted, Qt::CaseInsensitive) ||
                               group->text(1).contains(wanted, Qt::CaseInsensitive);
            item->setHidden(!match);
            shown += match ? 1 : 0;
        }
        group->setHidden(shown == 0);
        group->setExpanded(!wanted.isEmpty() && shown > 0);
    }
    QTreeWidgetItem* selected = tree_->currentItem();
    if (selected && selected->parent()) selected->parent()->setExpanded(true);
}

bool TRotorChooser::SelectModel(int model) {
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* group = tree_->topLevelItem(i);
        for (int j = 0; j < group->childCount(); ++j) {
            QTreeWidgetItem* item = group->child(j);
            if (item->data(0, ModelRole).toInt() != model) continue;
            group->setExpanded(true);
            tree_->setCurrentItem(item);
            tree_->scrollToItem(item);
            return true;
        }
    }
    return false;
}

int TRotorChooser::SelectedModel() const {
    const QTreeWidgetItem* item = tree_->currentItem();
    return item && item->parent() ? item->data(0, ModelRole).toInt() : -1;
}

void TRotorChooser::Update() {
    const int model = SelectedModel();
    const std::optional<THamlibModel> known = HamlibModel(model);
    const bool serial = known && known->port == THamlibPort::Serial;
    port_->setEnabled(known.has_value());
    port_->setPlaceholderText(known && known->port == THamlibPort::Network
                                  ? "host:port, such as 127.0.0.1:4533"
                                  : "device, such as /dev/ttyUSB0");
    // The speeds this model supports, its fastest first offered as its own.
    const QVariant keptSpeed = speed_->currentData();
    speed_->clear();
    if (serial) {
        speed_->addItem(QString("The model's own (%1 bit/s)").arg(known->defaultSpeed), 0);
        for (int speed : Speeds)
            if (speed >= known->lowestSpeed && speed <= known->defaultSpeed)
                speed_->addItem(QString("%1 bit/s").arg(speed), speed);
        const int index = speed_->findData(keptSpeed);
        speed_->setCurrentIndex(index >= 0 ? index : 0);
    }
    speed_->setEnabled(serial);

    const int choice = range_->currentIndex();
    const TAzimuthRange own = known ? known->range : TAzimuthRange{};
    range_->setItemText(OwnRange, "The rotor's own (" + RangeText(own) + ")");
    if (choice != OtherRange) {
        const TAzimuthRange shown = choice == OwnRange ? own : RangeOfChoice[choice];
        min_->setValue(shown.min);
        max_->setValue(shown.max);
    }
    min_->setEnabled(choice == OtherRange);
    max_->setEnabled(choice == OtherRange);

    std::string problem;
    if (model < 0)
        problem = "Choose a rotor from the list";
    else if (known)
        problem = RotorPortProblem(model, port_->text().trimmed().toStdString());
    if (problem.empty() && !IsTurningRange({min_->value(), max_->value()}))
        problem =
            "The turning range must run upward, from -180 to 450\xC2\xB0 at most 450\xC2\xB0 wide";
    ok_->setEnabled(problem.empty());
    if (problem.empty())
        problem =
            known ? HamlibModelText(model) : "The built-in line, on the port COM Settings sets";
    problem[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(problem[0])));
    note_->setText(Text(problem + "."));
}

TRotorSettings TRotorChooser::Chosen() const {
    TRotorSettings settings;
    settings.model = std::max(SelectedModel(), 0);
    if (settings.model != BuiltInModel) {
        settings.port = port_->text().trimmed().toStdString();
        settings.speed = speed_->currentData().toInt();
    }
    settings.offset = offset_->value();
    if (range_->currentIndex() != OwnRange)
        settings.range = TAzimuthRange{min_->value(), max_->value()};
    return settings;
}

}  // namespace skyvane
