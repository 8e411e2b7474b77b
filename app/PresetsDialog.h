// SPDX-License-Identifier: GPL-3.0-or-later
// The "Edit presets" dialog: the list of presets with their targets, and buttons to
// add, change (rename or retarget), move up or down and delete them; up to MaxPresets.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "rotor/Presets.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace skyvane {

class TPresetsDialog : public QDialog {
public:
    // Says why `target` cannot be turned to, or "" when it can.
    using TTargetCheck = std::function<std::string(const std::string& target)>;

    TPresetsDialog(std::vector<TPreset> presets, TTargetCheck check, QWidget* parent = nullptr);

    // The presets as the dialog holds them now.
    const std::vector<TPreset>& Presets() const { return presets_; }

    // The parts of the dialog, for tests.
    QListWidget* List() const { return list_; }
    QLineEdit* NameEdit() const { return name_; }
    QLineEdit* TargetEdit() const { return target_; }
    QPushButton* AddButton() const { return add_; }
    QPushButton* ChangeButton() const { return change_; }
    QPushButton* UpButton() const { return up_; }
    QPushButton* DownButton() const { return down_; }
    QPushButton* DeleteButton() const { return delete_; }
    QLabel* NoteLabel() const { return note_; }

private:
    // The preset the fields describe, when they describe one that can be stored.
    std::optional<TPreset> Edited() const;
    void Fill(int selected);
    void Selected();
    void Update();
    void Add();
    void Change();
    void Move(int step);
    void Delete();

    std::vector<TPreset> presets_;
    TTargetCheck check_;
    QListWidget* list_;
    QLineEdit* name_;
    QLineEdit* target_;
    QPushButton* add_;
    QPushButton* change_;
    QPushButton* up_;
    QPushButton* down_;
    QPushButton* delete_;
    QLabel* note_;
};

}  // namespace skyvane
