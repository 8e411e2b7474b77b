// SPDX-License-Identifier: GPL-3.0-or-later
// The "Rotor" dialog: which rotor Skyvane talks to (the built-in "AI1;" controllers, or a
// Hamlib model from the library's own list, grouped by maker and searchable, with its
// model number), where it is (a device, or host:port for the network models), the speed
// of a serial model, the azimuth offset and the turning range.
#pragma once

#include <QDialog>

#include "app/RotorSettings.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace skyvane {

class TRotorChooser : public QDialog {
public:
    // Starts from `current`.
    explicit TRotorChooser(const TRotorSettings& current, QWidget* parent = nullptr);

    // The settings OK applies. Only meaningful while OK is enabled.
    TRotorSettings Chosen() const;

    // Shows only the models whose number, maker or name holds `text` (any case).
    void Filter(const QString& text);
    // Selects the model with this number (0: the built-in line); false when not listed.
    bool SelectModel(int model);

    // The parts of the dialog, for tests.
    QLineEdit* SearchEdit() const { return search_; }
    QTreeWidget* ModelTree() const { return tree_; }
    QLineEdit* PortEdit() const { return port_; }
    QComboBox* SpeedBox() const { return speed_; }
    QSpinBox* OffsetBox() const { return offset_; }
    QComboBox* RangeBox() const { return range_; }
    QSpinBox* MinBox() const { return min_; }
    QSpinBox* MaxBox() const { return max_; }
    QLabel* NoteLabel() const { return note_; }
    QPushButton* OkButton() const { return ok_; }

private:
    void FillModels();
    // Enables the fields that matter for the model selected and says what is wrong.
    void Update();
    int SelectedModel() const;

    QLineEdit* search_;
    QTreeWidget* tree_;
    QLineEdit* port_;
    QComboBox* speed_;
    QSpinBox* offset_;
    QComboBox* range_;
    QSpinBox* min_;
    QSpinBox* max_;
    QLabel* note_;
    QPushButton* ok_;
};

}  // namespace skyvane
