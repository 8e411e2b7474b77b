// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RotorSharing.h"

#include "app/Log.h"
#include "app/TurnToDialog.h"
#include "rotor/RotorAccess.h"
#include "rotor/RotorServer.h"
#include "toolkit/Exception.h"
#include "toolkit/ExceptionReport.h"
#include "toolkit/Form.h"
#include "toolkit/Menu.h"

namespace skyvane {
namespace {

constexpr const char* NotReachableText =
    "The rotor cannot be reached now: switch Track on and wait for its line to open";

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
    Refresh();
}

TRotorSharing::~TRotorSharing() = default;

void TRotorSharing::BeforeDestruction() {
    server_.reset();
}

void TRotorSharing::Start(const TSharingSettings& settings, TLog& log) {
    stationLocator_ = settings.locator;
    if (!settings.server) return;
    server_ = std::make_unique<TRotorServer>(rotor_);
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
}

void TRotorSharing::TurnToClick(TComponent*) {
    TTurnToDialog dialog(stationLocator_, form_);
    if (dialog.exec() != QDialog::Accepted) return;
    const std::optional<int> heading = dialog.ChosenHeading();
    const bool turned = heading && rotor_.RequestTurn(*heading);
    const std::string station = dialog.StationLocator();
    if (!station.empty() && station != stationLocator_) {
        stationLocator_ = station;
        if (onStationLocator_) onStationLocator_(station);
    }
    if (!turned) throw Exception(NotReachableText);
}

void TRotorSharing::StopRotorClick(TComponent*) {
    if (!rotor_.RequestStop()) throw Exception(NotReachableText);
}

}  // namespace skyvane
