// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RotorSharing.h"

#include <QLineEdit>

#include "app/Log.h"
#include "app/TurnToDialog.h"
#include "rotor/RotorAccess.h"
#include "rotor/RotorServer.h"
#include "toolkit/Exception.h"
#include "toolkit/ExceptionReport.h"
#include "toolkit/Form.h"
#include "toolkit/Menu.h"

namespace skyvane {
const char* const RotorNotReachableText =
    "The rotor cannot be reached now: switch Track on and wait for its line to open";

namespace {

// The message for a heading outside the rotor's turning range.
std::string OutOfRangeText(int heading, const TAzimuthRange& scale) {
    return "The rotor cannot turn to " + std::to_string(heading) +
           "\xC2\xB0: its turning range is " + std::to_string(scale.min) + " to " +
           std::to_string(scale.max) + "\xC2\xB0 (Rotor\xE2\x80\xA6 in the menu sets it)";
}

}  // namespace

std::string SharingFailedText(const std::string& reason) {
    return reason +
           ". Skyvane runs on without sharing it; SERVERPORT in the configuration file "
           "chooses another port";
}

TRotorSharing::TRotorSharing(TForm* form, TPopupMenu* menu, TRotorAccess& rotor)
    : TComponent(form), form_(form), rotor_(rotor) {
    SetName("RotorSharing");
    const auto entry = [&](const char* name, const char* caption) {
        auto* item = new TMenuItem(form);
        item->SetName(name);
        item->SetCaption(caption);
        menu->Add(item);
        return item;
    };
    separator_ = entry("SharingSeparator", "-");
    turnTo_ = entry("TurnToEntry", "Turn to\xE2\x80\xA6");
    stop_ = entry("StopRotorEntry", "Stop rotor");
    turnTo_->SetOnClick([this](TComponent* sender) { TurnToClick(sender); });
    stop_->SetOnClick([this](TComponent* sender) { StopRotorClick(sender); });
    menuSource_ = NewSource("the menu");
    Refresh();
}

std::unique_ptr<TSteeringSource> TRotorSharing::NewSource(std::string name) {
    return std::make_unique<TSteeringSource>(
        rotor_, std::move(name),
        [this](const std::string& line) {
            if (log_) log_->WriteLine(1, line);
        },
        [this] { return parkHeading_; });
}

TRotorSharing::~TRotorSharing() = default;

void TRotorSharing::BeforeDestruction() {
    server_.reset();
}

void TRotorSharing::Start(const TSharingSettings& settings, TLog& log) {
    stationLocator_ = settings.locator;
    log_ = &log;
    if (!settings.server) return;
    serverSource_ = NewSource("a rotctld client");
    server_ = std::make_unique<TRotorServer>(*serverSource_);
    server_->SetTrace([&log](const std::string& text) { log.WriteLine(1, text); });
    try {
        server_->Listen(settings.serverPort);
        log.WriteLine(1, "Rotor shared on TCP port " + std::to_string(server_->Port()) +
                             " of this computer (127.0.0.1, ::1)");
    } catch (const ERotorServer& e) {
        server_.reset();
        const std::string text = SharingFailedText(e.Message());
        log.WriteLine(1, text);
        ReportException(std::make_exception_ptr(ERotorServer(text)));
    }
}

void TRotorSharing::Refresh() {
    const bool steerable = rotor_.CanSteer();
    // Called on every poll: only a change reaches the menu (and the desktop's copy).
    if (turnTo_->Enabled() == steerable) return;
    turnTo_->SetEnabled(steerable);
    stop_->SetEnabled(steerable);
    if (onSteerable_) onSteerable_(steerable);
}

void TRotorSharing::TurnToClick(TComponent*) {
    TurnToDialog("");
}

void TRotorSharing::TurnToDialog(const std::string& target) {
    TTurnToDialog dialog(stationLocator_, form_, countries_ ? countries_() : nullptr);
    if (!target.empty()) dialog.TargetEdit()->setText(QString::fromStdString(target));
    if (dialog.exec() != QDialog::Accepted) return;
    const std::optional<int> heading = dialog.ChosenHeading();
    const bool outOfRange = heading && !rotor_.Reaches(*heading);
    const bool turned = heading && !outOfRange && menuSource_->RequestTurn(*heading);
    SetStationLocator(dialog.StationLocator());
    if (turned) Aimed(dialog.TargetPlace());
    if (outOfRange) throw Exception(OutOfRangeText(*heading, rotor_.TurningScale()));
    if (!turned) throw Exception(RotorNotReachableText);
}

void TRotorSharing::Aimed(const std::optional<TAimedPlace>& place) {
    if (onTarget_) onTarget_(place);
}

void TRotorSharing::SetStationLocator(const std::string& locator) {
    if (locator.empty() || locator == stationLocator_) return;
    stationLocator_ = locator;
    if (onStationLocator_) onStationLocator_(locator);
}

void TRotorSharing::StopRotorClick(TComponent*) {
    if (!menuSource_->RequestStop()) throw Exception(RotorNotReachableText);
}

}  // namespace skyvane
