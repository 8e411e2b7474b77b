// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PresetsDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "toolkit/ExceptionReport.h"

namespace skyvane {
namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

TPresetsDialog::TPresetsDialog(std::vector<TPreset> presets, TTargetCheck check, QWidget* parent)
    : QDialog(parent), presets_(std::move(presets)), check_(std::move(check)) {
    setWindowTitle("Presets");
    if (presets_.size() > MaxPresets) presets_.resize(MaxPresets);
    list_ = new QListWidget(this);
    name_ = new QLineEdit(this);
    name_->setPlaceholderText("such as Europe");
    name_->setMaxLength(40);
    target_ = new QLineEdit(this);
    target_->setPlaceholderText("a heading, a locator or a callsign");
    target_->setMaxLength(20);
    note_ = new QLabel(this);
    const auto button = [this](const char* text, std::function<void()> action) {
        auto* b = new QPushButton(text, this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [action] { Guarded(action); });
        return b;
    };
    add_ = button("&Add", [this] { Add(); });
    change_ = button("&Change", [this] { Change(); });
    up_ = button("&Up", [this] { Move(-1); });
    down_ = button("Do&wn", [this] { Move(1); });
    delete_ = button("&Delete", [this] { Delete(); });

    auto* side = new QVBoxLayout;
    for (QPushButton* b : {add_, change_, up_, down_, delete_}) side->addWidget(b);
    side->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(list_);
    top->addLayout(side);
    auto* fields = new QFormLayout;
    fields->addRow("&Name:", name_);
    fields->addRow("&Target:", target_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Guarded([this] { accept(); }); });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { Guarded([this] { reject(); }); });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(fields);
    layout->addWidget(note_);
    layout->addWidget(buttons);

    connect(list_, &QListWidget::currentRowChanged, this,
            [this] { Guarded([this] { Selected(); }); });
    for (QLineEdit* edit : {name_, target_})
        connect(edit, &QLineEdit::textChanged, this, [this] { Guarded([this] { Update(); }); });
    Fill(presets_.empty() ? -1 : 0);
}

std::optional<TPreset> TPresetsDialog::Edited() const {
    TPreset preset{name_->text().trimmed().toStdString(), target_->text().trimmed().toStdString()};
    if (preset.name.empty()) preset.name = preset.target;
    if (!PresetText(preset) || !check_(preset.target).empty()) return std::nullopt;
    return preset;
}

void TPresetsDialog::Fill(int selected) {
    const QSignalBlocker quiet(list_);
    list_->clear();
    for (const TPreset& preset : presets_)
        list_->addItem(Text(preset.name + "  \xE2\x80\x94  " + preset.target));
    list_->setCurrentRow(selected);
    Selected();
}

void TPresetsDialog::Selected() {
    const int row = list_->currentRow();
    if (row >= 0 && row < static_cast<int>(presets_.size())) {
        const QSignalBlocker quietName(name_), quietTarget(target_);
        name_->setText(Text(presets_[row].name));
        target_->setText(Text(presets_[row].target));
    }
    Update();
}

void TPresetsDialog::Update() {
    const int row = list_->currentRow();
    const bool chosen = row >= 0 && row < static_cast<int>(presets_.size());
    const std::string target = target_->text().trimmed().toStdString();
    const std::string why = target.empty() ? "" : check_(target);
    const bool full = presets_.size() >= MaxPresets;
    note_->setText(!why.empty() ? Text(why)
                   : full       ? Text("At most " + std::to_string(MaxPresets) + " presets.")
                                : QString());
    const bool storable = Edited().has_value();
    add_->setEnabled(storable && !full);
    change_->setEnabled(storable && chosen);
    delete_->setEnabled(chosen);
    up_->setEnabled(chosen && row > 0);
    down_->setEnabled(chosen && row + 1 < static_cast<int>(presets_.size()));
}

void TPresetsDialog::Add() {
    const std::optional<TPreset> preset = Edited();
    if (!preset || presets_.size() >= MaxPresets) return;
    presets_.push_back(*preset);
    Fill(static_cast<int>(presets_.size()) - 1);
}

void TPresetsDialog::Change() {
    const int row = list_->currentRow();
    const std::optional<TPreset> preset = Edited();
    if (!preset || row < 0 || row >= static_cast<int>(presets_.size())) return;
    presets_[row] = *preset;
    Fill(row);
}

void TPresetsDialog::Move(int step) {
    const int row = list_->currentRow(), to = row + step;
    const int count = static_cast<int>(presets_.size());
    if (row < 0 || row >= count || to < 0 || to >= count) return;
    std::swap(presets_[row], presets_[to]);
    Fill(to);
}

void TPresetsDialog::Delete() {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(presets_.size())) return;
    presets_.erase(presets_.begin() + row);
    Fill(std::min(row, static_cast<int>(presets_.size()) - 1));
}

}  // namespace skyvane
