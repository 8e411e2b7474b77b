// SPDX-License-Identifier: GPL-3.0-or-later
// The "Turn to…" dialog: a heading in degrees, the locator of a target, or a callsign or
// prefix (with a country file). For a locator or a country it shows the great-circle
// bearing and distance both ways round from the station's own locator, which it asks
// for when it is not known yet.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "rotor/TurnTarget.h"

class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace skyvane {

class TTurnToDialog : public QDialog {
public:
    // `stationLocator`: the station's own locator; empty when not known. `countries`
    // (may be nullptr) looks callsigns up and must outlive the dialog.
    explicit TTurnToDialog(const std::string& stationLocator, QWidget* parent = nullptr,
                           const TCountryFile* countries = nullptr);

    // The heading OK turns to, while what is typed gives one.
    std::optional<int> ChosenHeading() const;
    // The station's locator as the dialog holds it now, in its usual spelling; empty
    // while the field does not hold a locator.
    std::string StationLocator() const;
    // The place typed (a locator or a callsign's country); nothing for a heading.
    std::optional<TAimedPlace> TargetPlace() const;

    // The parts of the dialog, for tests.
    QLineEdit* TargetEdit() const { return target_; }
    QLineEdit* StationEdit() const { return station_; }
    QRadioButton* ShortPathButton() const { return shortPath_; }
    QRadioButton* LongPathButton() const { return longPath_; }
    QLabel* SummaryLabel() const { return summary_; }
    QPushButton* OkButton() const { return ok_; }

private:
    // Works out the target from the fields and shows it.
    void Update();

    QFormLayout* form_;
    QLineEdit* target_;
    QLineEdit* station_;
    QLabel* stationNote_;
    QRadioButton* shortPath_;
    QRadioButton* longPath_;
    QLabel* summary_;
    QPushButton* ok_;
    const TCountryFile* countries_;
    TTurnTarget parsed_;
};

// Why `target` cannot be turned to, or "" when it can (a missing station locator aside).
std::string TargetProblemText(const TTurnTarget& target, bool countryFile);

// What a target is called in the dialog: the locator, or "CALL in Country".
std::string TargetPlaceText(const TTurnTarget& target);

}  // namespace skyvane
