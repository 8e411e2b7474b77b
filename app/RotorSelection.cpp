// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RotorSelection.h"

#include "app/RotorChooser.h"
#include "rotor/HamlibRotorLink.h"
#include "rotor/HamlibRotors.h"
#include "rotor/RotorLink.h"
#include "toolkit/Form.h"
#include "toolkit/Menu.h"

namespace skyvane {

TRotorSelection::TRotorSelection(TForm* form, TPopupMenu* menu, TLinkAccess& access,
                                 TRotorLink& builtIn, TMenuItem* track, TLinkWiring wire)
    : TComponent(form),
      form_(form),
      track_(track),
      access_(access),
      builtIn_(builtIn),
      wire_(std::move(wire)) {
    SetName("RotorSelection");
    entry_ = new TMenuItem(form);
    entry_->SetName("RotorEntry");
    entry_->SetCaption("Rotor\xE2\x80\xA6");
    menu->Add(entry_);
    entry_->SetOnClick([this](TComponent* sender) { RotorClick(sender); });
}

TRotorSelection::~TRotorSelection() = default;

void TRotorSelection::BeforeDestruction() {
    hamlib_.reset();
    RouteHamlibDebug(nullptr);
}

void TRotorSelection::Start(const TRotorSettings& settings,
                            std::function<void(const std::string&)> trace, bool hamlibDebug) {
    trace_ = std::move(trace);
    if (hamlibDebug)
        RouteHamlibDebug([this](const std::string& line) {
            QMetaObject::invokeMethod(&debugContext_, [this, line] { trace_(line); });
        });
    Apply(settings);
}

void TRotorSelection::Apply(const TRotorSettings& settings) {
    const bool tracking = track_->Checked();
    if (tracking) access_.Link().StopTracking();
    access_.SetLink(builtIn_);
    hamlib_.reset();
    // The built-in line as ever is no news for the log.
    const bool news = settings.model > 0 || settings != settings_;
    settings_ = settings;
    if (settings.model > 0) {
        hamlib_ = std::make_unique<THamlibRotorLink>(
            THamlibRotor{settings.model, settings.port, settings.speed, settings.range}, trace_);
        wire_(*hamlib_);
        access_.SetLink(*hamlib_);
        trace_("Rotor: " + HamlibModelText(settings.model) + " at " + settings.port);
    } else if (news) {
        trace_("Rotor: the built-in \"AI1;\" line");
    }
    access_.SetDirection(settings.offset, settings.range);
    if (!tracking) return;
    try {
        access_.Link().StartTracking();
    } catch (...) {
        track_->SetChecked(false);
        throw;
    }
}

void TRotorSelection::RotorClick(TComponent*) {
    TRotorChooser dialog(settings_, form_);
    if (dialog.exec() != QDialog::Accepted) return;
    const TRotorSettings chosen = dialog.Chosen();
    // Saved even when the rotor cannot be opened now: the choice is the user's.
    std::exception_ptr failure;
    try {
        Apply(chosen);
    } catch (...) {
        failure = std::current_exception();
    }
    if (onChosen_) onChosen_(chosen);
    if (failure) std::rethrow_exception(failure);
}

}  // namespace skyvane
