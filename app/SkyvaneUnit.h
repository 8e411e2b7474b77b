// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: the azimuth display, its tray icon and menu, the poll cycle and
// the configuration file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/SharingSettings.h"
#include "toolkit/Form.h"

namespace skyvane {

class TAboutDlg;
class THeadingDisplay;
class TIniFile;
class TLabel;
class TLog;
class TMenuItem;
class TPopupMenu;
class TLinkAccess;
class TRotorLink;
class TRotorReadings;
class TRotorSharing;
class TSerialRotorLink;
class TSerialPort;
class TTextIcon;
class TTimer;

// The full path of the configuration file in use; empty until the window is created.
const std::string& ConfigPath();

class TForm1 : public TForm {
public:
    // Builds the stored layout, then runs FormCreate. `parameters` are the
    // command-line parameters after the program name.
    TForm1(TComponent* owner, std::vector<std::string> parameters);
    ~TForm1() override;

    // The stored components, in creation order.
    TLabel* Response;
    TSerialPort* SerialPort;
    TTextIcon* TextIcon;
    TTimer* TimerRotor;
    TPopupMenu* PopUpMenu;
    TMenuItem* Track;
    TMenuItem* VisibleEntry;
    TMenuItem* Numeric;
    TMenuItem* COMSettings1;
    TMenuItem* About;
    TMenuItem* QuitEntry;

    // Set at run time.
    std::unique_ptr<TIniFile> IniFile;
    TAboutDlg* AboutDlg = nullptr;
    std::unique_ptr<TLog> TraceLog;
    bool TraceOn = false;
    // The built-in "AI1;" line's readings: whole replies, and whether the rotor still
    // answers.
    TRotorReadings* Readings = nullptr;
    // Steering from the menu and sharing the rotor over the network.
    TRotorSharing* Sharing = nullptr;

    // Creation handler: log, configuration, port settings, titles, About box.
    void FormCreate(TComponent* sender);
    // Track switched: opens the port and starts polling, or closes and stops.
    void TrackClick(TComponent* sender);
    // Poll tick: sends the query, or opens a lost line again.
    void TimerRotorTimer(TComponent* sender);
    // Bytes arrived: each whole reply goes to the label, the tray text and the hint.
    void SerialPortRxChar(TComponent* sender, int count);
    // The rotor link in use.
    TRotorLink& Link() const;

    void VisibleEntryClick(TComponent* sender);
    void NumericClick(TComponent* sender);
    void COMSettings1Click(TComponent* sender);
    void AboutClick(TComponent* sender);
    void QuitEntryClick(TComponent* sender);
    // Writes the settings back to the configuration file (logged as COM Settings'
    // "COM(...) selected and configured in ...").
    void WriteINI();

private:
    void CreateComponents();
    void ApplyStoredValues();
    void ConnectReadings();
    void ConnectSharing();
    // The Visible check mark follows the window; with `startVisible` false the window
    // starts in the tray.
    void FollowWindowWithVisible(bool startVisible);
    // Shows the window normal, in front.
    void ShowInFront();
    // WriteINI, logged as logPrefix + the file's path (empty: as WriteINI logs).
    void SaveSettings(const std::string& logPrefix);
    // Quit could not save the settings: says why and asks whether to quit anyway.
    bool QuitWithoutSaving(const std::string& failure);

    std::vector<std::string> parameters_;
    std::unique_ptr<THeadingDisplay> display_;
    std::unique_ptr<TSerialRotorLink> serialLink_;
    std::unique_ptr<TLinkAccess> rotor_;
    TSharingSettings sharingSettings_;
    // Values of the file the program could not use: left as written there.
    TUnusableSettings unusableSettings_;
};

}  // namespace skyvane
