// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TurnToDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "rotor/Locator.h"
#include "toolkit/ExceptionReport.h"

namespace skyvane {
namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

std::string TargetProblemText(const TTurnTarget& target, bool countryFile) {
    switch (target.kind) {
        case TTurnTarget::Invalid:
            return countryFile ? "Not a heading from 0 to 360, a locator nor a callsign."
                               : "Not a heading from 0 to 360 nor a locator.";
        case TTurnTarget::UnknownCall:
            return "No country of the country file has the prefix of " + target.call + ".";
        case TTurnTarget::MobileCall:
            return target.call + " is maritime or aeronautical mobile: no country to turn to.";
        default:
            return "";
    }
}

std::string TargetPlaceText(const TTurnTarget& target) {
    if (!target.locator.empty()) return target.locator;
    return target.call + " in " + target.country.name;
}

TTurnToDialog::TTurnToDialog(const std::string& stationLocator, QWidget* parent,
                             const TCountryFile* countries)
    : QDialog(parent), countries_(countries) {
    setWindowTitle("Turn to");
    target_ = new QLineEdit(this);
    target_->setPlaceholderText(countries ? "0 to 360, a locator such as JN58td, or a callsign"
                                          : "0 to 360, or a locator such as JN58td");
    target_->setMaxLength(16);
    station_ = new QLineEdit(Text(stationLocator), this);
    station_->setPlaceholderText("your locator, such as JO62qm");
    station_->setMaxLength(16);
    stationNote_ = new QLabel(this);
    shortPath_ = new QRadioButton(this);
    longPath_ = new QRadioButton(this);
    shortPath_->setChecked(true);
    summary_ = new QLabel(this);

    form_ = new QFormLayout;
    form_->addRow(countries ? "&Heading, locator or call:" : "&Heading or locator:", target_);
    form_->addRow("&Your locator:", station_);
    form_->addRow("", stationNote_);
    form_->addRow("Short path:", shortPath_);
    form_->addRow("Long path:", longPath_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Guarded([this] { accept(); }); });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { Guarded([this] { reject(); }); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form_);
    layout->addWidget(summary_);
    layout->addWidget(buttons);

    for (QLineEdit* edit : {target_, station_})
        connect(edit, &QLineEdit::textChanged, this, [this] { Guarded([this] { Update(); }); });
    for (QRadioButton* button : {shortPath_, longPath_})
        connect(button, &QRadioButton::toggled, this, [this] { Guarded([this] { Update(); }); });
    Update();
    target_->setFocus();
}

std::string TTurnToDialog::StationLocator() const {
    return NormalLocator(station_->text().trimmed().toStdString()).value_or("");
}

std::optional<TAimedPlace> TTurnToDialog::TargetPlace() const {
    return AimedPlace(parsed_);
}

std::optional<int> TTurnToDialog::ChosenHeading() const {
    switch (parsed_.kind) {
        case TTurnTarget::Heading:
            return parsed_.heading;
        case TTurnTarget::Locator:
        case TTurnTarget::Country:
            return WholeDegreeBearing(longPath_->isChecked() ? parsed_.paths.longPath.bearing
                                                             : parsed_.paths.shortPath.bearing);
        default:
            return std::nullopt;
    }
}

void TTurnToDialog::Update() {
    parsed_ = ParseTurnTarget(target_->text().toStdString(), StationLocator(), countries_);
    const bool paths = parsed_.kind == TTurnTarget::Locator || parsed_.kind == TTurnTarget::Country;
    shortPath_->setText(paths ? Text(PathText(parsed_.paths.shortPath)) : "");
    longPath_->setText(paths ? Text(PathText(parsed_.paths.longPath)) : "");
    shortPath_->setEnabled(paths);
    longPath_->setEnabled(paths);

    // The station's locator is asked for where it is needed and not known.
    const bool needStation = parsed_.kind == TTurnTarget::LocatorNoStation ||
                             parsed_.kind == TTurnTarget::CountryNoStation;
    const bool stationTyped = !station_->text().trimmed().isEmpty();
    stationNote_->setText(!needStation   ? ""
                          : stationTyped ? "Not a locator: 4 or 6 characters, such as JO62qm."
                                         : "Needed for the bearing: please enter it once.");
    form_->setRowVisible(stationNote_, needStation);

    const std::optional<int> heading = ChosenHeading();
    switch (parsed_.kind) {
        case TTurnTarget::Empty:
            summary_->setText("Type a heading or a locator.");
            break;
        case TTurnTarget::Invalid:
        case TTurnTarget::UnknownCall:
        case TTurnTarget::MobileCall:
            summary_->setText(Text(TargetProblemText(parsed_, countries_ != nullptr)));
            break;
        case TTurnTarget::LocatorNoStation:
        case TTurnTarget::CountryNoStation:
            summary_->setText(
                Text("The bearing to " + TargetPlaceText(parsed_) + " needs your own locator."));
            break;
        default:
            summary_->setText(
                Text("OK turns the rotor to " + std::to_string(*heading) + "\xC2\xB0" +
                     (paths ? std::string(" (") + (longPath_->isChecked() ? "long" : "short") +
                                  " path to " + TargetPlaceText(parsed_) + ")"
                            : "") +
                     "."));
            break;
    }
    ok_->setEnabled(heading.has_value());
}

}  // namespace skyvane
