// SPDX-License-Identifier: GPL-3.0-or-later
// Aiming at the station being worked: WSJT-X's DX (menu entries, the hint, follow
// mode), callsigns' countries, presets, park, and the loggers' UDP rotor packets. Every
// turn goes to the one steering scheduler through a source that names itself in the
// trace log.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AimingSettings.h"
#include "rotor/CountryFile.h"
#include "rotor/Presets.h"
#include "rotor/WsjtxMessage.h"
#include "toolkit/Component.h"

namespace skyvane {

class TAimingMenu;
class TForm;
class TLog;
class TN1mmRotorListener;
class TPopupMenu;
class TPstRotorListener;
class TRotorSharing;
class TSteeringSource;
class TWsjtxListener;
struct TDxEntry;

class TAiming : public TComponent {
public:
    // Puts the aiming entries into `menu` around the "Turn to…" entry of `sharing`,
    // whose scheduler carries every turn; `form` owns the entries and parents dialogs.
    TAiming(TForm* form, TPopupMenu& menu, TRotorSharing& sharing);
    ~TAiming() override;

    // Told with the presets whenever the user changed them, to store them.
    void SetOnPresets(std::function<void(const std::vector<TPreset>&)> handler) {
        onPresets_ = std::move(handler);
    }
    // Told with the hint's note ("DX K1ABC (FN42)", or "") whenever the DX changes.
    void SetOnNote(std::function<void(const std::string&)> handler) {
        onNote_ = std::move(handler);
    }

    // Loads the country file, shows `presets` and starts the listeners the settings ask
    // for. What cannot be used (`problems` with it) is reported once in one message and
    // in the trace log; the rest runs on.
    void Start(const TAimingSettings& settings, std::vector<TPreset> presets,
               std::vector<TSettingProblem> problems, TLog& log);

    // The country file; nothing when none can be read. One the user named is read at
    // start, the default one when first needed: its tables take megabytes.
    const TCountryFile* Countries() const;
    // The presets now.
    const std::vector<TPreset>& Presets() const { return presets_; }
    // The menu entries.
    TAimingMenu& Menu() const { return *menu_; }
    // The ports listened at (0: not listening), for tests and the trace log.
    quint16 WsjtxPort() const;
    quint16 N1mmPort() const;
    quint16 PstPort() const;

    // A Status from WSJT-X: the DX entries, the hint, and a turn in follow mode.
    void StatusReceived(const TWsjtxStatus& status);
    // Told at each new reading of the rotor: an N1MM-style logger that steers hears of
    // the heading.
    void HeadingRead();

private:
    std::optional<TDxEntry> Dx() const;
    void ShowDx();
    void Follow();
    void TurnToDx(bool longPath);
    void TurnToPreset(std::size_t index);
    void EditPresets();
    void Park();
    void Steerable(bool steerable);
    // Turns `source` to what `target` names; the Turn to dialog where a bearing needs
    // the station's locator.
    void TurnToTarget(TSteeringSource& source, const std::string& target);
    template <class Listener>
    void Listen(Listener& listener, const TUdpEndpoint& at, const char* what,
                std::vector<std::string>& failures);

    TForm* form_;
    TRotorSharing& sharing_;
    TLog* log_ = nullptr;
    TAimingSettings settings_;
    std::string countryFile_;             // the path of the country file
    mutable bool countriesRead_ = false;  // countries_ holds what it gave
    mutable std::optional<TCountryFile> countries_;
    std::vector<TPreset> presets_;
    std::unique_ptr<TAimingMenu> menu_;
    std::unique_ptr<TSteeringSource> dxSource_;
    std::unique_ptr<TSteeringSource> presetSource_;
    std::unique_ptr<TSteeringSource> parkSource_;
    std::unique_ptr<TSteeringSource> wsjtxSource_;
    std::unique_ptr<TSteeringSource> n1mmSource_;
    std::unique_ptr<TSteeringSource> pstSource_;
    std::unique_ptr<TWsjtxListener> wsjtx_;
    std::unique_ptr<TN1mmRotorListener> n1mm_;
    std::unique_ptr<TPstRotorListener> pst_;
    TWsjtxStatus dx_;       // the latest DX call and grid (checked, upper case)
    std::string followed_;  // the DX call follow mode turned to last
    std::function<void(const std::vector<TPreset>&)> onPresets_;
    std::function<void(const std::string&)> onNote_;
};

}  // namespace skyvane
