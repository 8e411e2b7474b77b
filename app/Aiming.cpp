// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Aiming.h"

#include <utility>

#include "app/AimingMenu.h"
#include "app/Log.h"
#include "app/PresetsDialog.h"
#include "app/RotorSharing.h"
#include "app/TurnToDialog.h"
#include "rotor/Locator.h"
#include "rotor/LoggerRotorListeners.h"
#include "rotor/SteeringSource.h"
#include "rotor/TurnTarget.h"
#include "rotor/WsjtxListener.h"
#include "toolkit/Exception.h"
#include "toolkit/ExceptionReport.h"
#include "toolkit/Form.h"

namespace skyvane {
namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// "K1ABC (FN42)": the DX and where it is.
std::string DxName(const TDxEntry& dx) {
    return dx.call + " (" + dx.where + ")";
}

}  // namespace

TAiming::TAiming(TForm* form, TPopupMenu& menu, TRotorSharing& sharing)
    : TComponent(form), form_(form), sharing_(sharing) {
    SetName("Aiming");
    menu_ = std::make_unique<TAimingMenu>(
        form, menu, sharing.TurnToEntry(),
        TAimingMenu::THandlers{
            .turnToDx = [this](bool longPath) { TurnToDx(longPath); },
            .turnToPreset = [this](std::size_t index) { TurnToPreset(index); },
            .editPresets = [this] { EditPresets(); },
            .park = [this] { Park(); },
        });
    dxSource_ = sharing.NewSource("the menu (WSJT-X's DX)");
    presetSource_ = sharing.NewSource("a preset");
    parkSource_ = sharing.NewSource("the menu");
    wsjtxSource_ = sharing.NewSource("WSJT-X follow mode");
    n1mmSource_ = sharing.NewSource("an N1MM-style logger");
    pstSource_ = sharing.NewSource("a PST-style client");
    sharing.SetOnSteerable([this](bool steerable) { Steerable(steerable); });
    Steerable(sharing.Rotor().CanSteer());
}

TAiming::~TAiming() {
    sharing_.SetOnSteerable(nullptr);
    sharing_.SetCountryFile(nullptr);
}

const TCountryFile* TAiming::Countries() const {
    if (!std::exchange(countriesRead_, true)) countries_ = TCountryFile::Load(countryFile_);
    return countries_ ? &*countries_ : nullptr;
}

quint16 TAiming::WsjtxPort() const {
    return wsjtx_ ? wsjtx_->Port() : 0;
}
quint16 TAiming::N1mmPort() const {
    return n1mm_ ? n1mm_->Port() : 0;
}
quint16 TAiming::PstPort() const {
    return pst_ ? pst_->Port() : 0;
}

template <class Listener>
void TAiming::Listen(Listener& listener, const TUdpEndpoint& at, const char* what,
                     std::vector<std::string>& failures) {
    try {
        listener.Listen(at);
        log_->WriteLine(1, std::string(what) + " listened for at UDP " + UdpEndpointText(at));
    } catch (const EDatagramReceiver& e) {
        failures.push_back(e.Message() + ": " + what + " cannot reach Skyvane.");
    }
}

void TAiming::Start(const TAimingSettings& settings, std::vector<TPreset> presets,
                    std::vector<TSettingProblem> problems, TLog& log) {
    settings_ = settings;
    log_ = &log;
    std::vector<std::string> failures;
    for (const TSettingProblem& problem : problems) failures.push_back(problem.text);
    sharing_.SetParkHeading(settings.parkHeading);

    // The default file is used quietly where installed, once needed; one the user named
    // is read now and logged, or its failure said.
    countryFile_ = settings.countryFile;
    countriesRead_ = false;
    countries_.reset();
    if (settings.countryFileSet) {
        if (const TCountryFile* countries = Countries())
            log.WriteLine(1, "Country file " + settings.countryFile + ": " +
                                 std::to_string(countries->CountryCount()) + " countries");
        else
            failures.push_back("CTYFILE=" + settings.countryFile +
                               " cannot be read as a country file; callsigns are not looked up.");
    }
    sharing_.SetCountryFile([this] { return Countries(); });

    presets_ = std::move(presets);
    menu_->ShowPresets(presets_);

    if (settings.wsjtx) {
        wsjtx_ = std::make_unique<TWsjtxListener>(
            [this](const TWsjtxStatus& status) { StatusReceived(status); });
        Listen(*wsjtx_, settings.wsjtxAddress, "WSJT-X", failures);
    }
    if (settings.n1mm) {
        n1mm_ = std::make_unique<TN1mmRotorListener>(*n1mmSource_, settings.n1mmName);
        Listen(*n1mm_, settings.n1mmAddress, "N1MM-style rotor packets", failures);
    }
    if (settings.pst) {
        pst_ = std::make_unique<TPstRotorListener>(*pstSource_);
        Listen(*pst_, settings.pstAddress, "PST-style rotor commands", failures);
    }
    if (failures.empty()) return;
    std::string text;
    for (const std::string& failure : failures) {
        log.WriteLine(1, failure);
        text += (text.empty() ? "" : "\n") + failure;
    }
    ReportException(std::make_exception_ptr(Exception(text)));
}

void TAiming::HeadingRead() {
    if (n1mm_) n1mm_->HeadingRead();
}

void TAiming::StatusReceived(const TWsjtxStatus& status) {
    TWsjtxStatus dx;
    dx.dxCall = Upper(status.dxCall);
    if (!IsCallsignText(dx.dxCall)) dx.dxCall.clear();
    dx.dxGrid = NormalLocator(status.dxGrid).value_or("");
    if (dx.dxCall.empty()) dx.dxGrid.clear();
    // WSJT-X repeats its Status often: only a change reaches the menu and the hint.
    if (dx.dxCall != dx_.dxCall || dx.dxGrid != dx_.dxGrid) {
        dx_ = dx;
        ShowDx();
    }
    Follow();
}

std::optional<TDxEntry> TAiming::Dx() const {
    if (dx_.dxCall.empty()) return std::nullopt;
    TDxEntry entry;
    entry.call = dx_.dxCall;
    std::optional<TGeoPosition> where = LocatorPosition(dx_.dxGrid);
    if (where) {
        entry.where = dx_.dxGrid;
    } else {
        const TCountryFile* countries = Countries();
        const TCountryMatch match = countries ? countries->Lookup(dx_.dxCall) : TCountryMatch{};
        if (match.kind != TCountryMatch::Found) return std::nullopt;
        entry.where = match.country.name;
        where = match.country.position;
    }
    entry.position = *where;
    if (const auto paths = PathsFrom(sharing_.StationLocator(), *where)) {
        entry.shortPath = WholeDegreeBearing(paths->shortPath.bearing);
        entry.longPath = WholeDegreeBearing(paths->longPath.bearing);
    }
    return entry;
}

void TAiming::ShowDx() {
    const std::optional<TDxEntry> dx = Dx();
    menu_->ShowDx(dx);
    if (onNote_) onNote_(dx_.dxCall.empty() ? "" : dx ? "DX " + DxName(*dx) : "DX " + dx_.dxCall);
}

void TAiming::Follow() {
    // Once per DX call, and only while the rotor can be steered: a call that came while
    // tracking was off is followed when tracking is on again and WSJT-X repeats it.
    if (!settings_.wsjtxFollow || dx_.dxCall.empty() || dx_.dxCall == followed_) return;
    if (!sharing_.Rotor().CanSteer()) return;
    const std::optional<TDxEntry> dx = Dx();
    if (!dx || !dx->shortPath) return;
    followed_ = dx_.dxCall;
    if (wsjtxSource_->RequestTurn(*dx->shortPath))
        sharing_.Aimed(TAimedPlace{dx->position, DxName(*dx)});
}

void TAiming::TurnToDx(bool longPath) {
    const std::optional<TDxEntry> dx = Dx();
    if (!dx) return;
    if (!dx->shortPath) {
        sharing_.TurnToDialog(dx_.dxGrid.empty() ? dx_.dxCall : dx_.dxGrid);
        return;
    }
    if (!dxSource_->RequestTurn(longPath ? *dx->longPath : *dx->shortPath))
        throw Exception(RotorNotReachableText);
    sharing_.Aimed(TAimedPlace{dx->position, DxName(*dx)});
}

void TAiming::TurnToTarget(TSteeringSource& source, const std::string& text) {
    const TTurnTarget target = ParseTurnTarget(text, sharing_.StationLocator(), Countries());
    const std::string problem = TargetProblemText(target, Countries() != nullptr);
    if (!problem.empty()) throw Exception("Cannot turn to " + text + ": " + problem);
    if (target.kind == TTurnTarget::LocatorNoStation ||
        target.kind == TTurnTarget::CountryNoStation) {
        sharing_.TurnToDialog(text);
        return;
    }
    if (!source.RequestTurn(target.heading)) throw Exception(RotorNotReachableText);
    sharing_.Aimed(AimedPlace(target));
}

void TAiming::TurnToPreset(std::size_t index) {
    if (index < presets_.size()) TurnToTarget(*presetSource_, presets_[index].target);
}

void TAiming::EditPresets() {
    TPresetsDialog dialog(
        presets_,
        [this](const std::string& target) {
            return TargetProblemText(ParseTurnTarget(target, "", Countries()),
                                     Countries() != nullptr);
        },
        form_);
    if (dialog.exec() != QDialog::Accepted) return;
    presets_ = dialog.Presets();
    menu_->ShowPresets(presets_);
    if (onPresets_) onPresets_(presets_);
}

void TAiming::Park() {
    if (!parkSource_->RequestPark()) throw Exception(RotorNotReachableText);
    sharing_.Aimed(std::nullopt);
}

void TAiming::Steerable(bool steerable) {
    menu_->SetSteerable(steerable);
    if (steerable) Follow();
}

}  // namespace skyvane
