// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SkyvaneUnit.h"

#include <QTimer>

#include "app/AboutDlg.h"
#include "app/Aiming.h"
#include "app/AppIcons.h"
#include "app/Azimuth.h"
#include "app/Configuration.h"
#include "app/HeadingDisplay.h"
#include "app/HexStr.h"
#include "app/IniFile.h"
#include "app/Log.h"
#include "app/ProductInfo.h"
#include "app/RotorSelection.h"
#include "app/RotorSharing.h"
#include "app/SerialRotorLink.h"
#include "app/map/MapView.h"
#include "rotor/RotorLink.h"
#include "rotor/RotorReadings.h"
#include "serial/SerialPort.h"
#include "toolkit/Application.h"
#include "toolkit/Exception.h"
#include "toolkit/Label.h"
#include "toolkit/Menu.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Timer.h"
#include "tray/TextIcon.h"

namespace skyvane {

namespace {

std::string configPath;

}  // namespace

const std::string& ConfigPath() {
    return configPath;
}

TForm1::TForm1(TComponent* owner, std::vector<std::string> parameters)
    : TForm(owner), parameters_(std::move(parameters)) {
    SetName("Form1");
    CreateComponents();
    LoadLayout([this] { ApplyStoredValues(); });
    FormCreate(this);
    ConnectReadings();
    ConnectSharing();
    ConnectAiming();
    ConnectRotorSelection();
    ConnectMap();
}

TForm1::~TForm1() {
    // The readings and the line go before the owned components do: nothing the port
    // or the timer delivers while they close may reach them.
    SerialPort->SetOnRxChar(nullptr);
    TimerRotor->SetOnTimer(nullptr);
}

void TForm1::CreateComponents() {
    Response = new TLabel(this);
    Response->SetName("Response");
    SerialPort = new TSerialPort(this);
    SerialPort->SetName("SerialPort");
    TextIcon = new TTextIcon(this);
    TextIcon->SetName("TextIcon");
    TimerRotor = new TTimer(this);
    TimerRotor->SetName("TimerRotor");
    PopUpMenu = new TPopupMenu(this);
    PopUpMenu->SetName("PopUpMenu");
    const auto entry = [this](TMenuItem*& item, const char* name, const char* caption) {
        item = new TMenuItem(this);
        item->SetName(name);
        item->SetCaption(caption);
        PopUpMenu->Add(item);
    };
    entry(Track, "Track", "Track");
    entry(VisibleEntry, "VisibleEntry", "Visible");
    entry(Numeric, "Numeric", "Numeric");
    entry(COMSettings1, "COMSettings1", "COM Settings");
    entry(About, "About", "About");
    entry(QuitEntry, "QuitEntry", "Quit");
}

void TForm1::ApplyStoredValues() {
    // The window: outer 218 x 158 at (253, 124); the client area is what remains
    // inside a standard frame and title bar.
    SetBounds(253, 124, 218 - 16, 158 - 39);
    SetCaption("Form1");
    SetColor(clBlack);
    SetFont(TFont{"MS Sans Serif", -11, clWindowText, 0});

    Response->SetBounds(0, 0, 201, 113);
    Response->SetCaption("000");
    Response->SetColor(clBlack);
    Response->SetFont(TFont{"Arial", -115, clLime, 0});

    SerialPort->SetBaudRate(br9600);
    SerialPort->SetPort("COM1");
    SerialPort->SetStopBits(sbOneStopBit);
    SerialPort->SetDataBits(dbEight);
    SerialPort->Parity()->SetBits(prNone);
    SerialPort->FlowControl()->SetOutCTSFlow(false);
    SerialPort->FlowControl()->SetOutDSRFlow(false);
    SerialPort->FlowControl()->SetControlDTR(dtrDisable);
    SerialPort->FlowControl()->SetControlRTS(rtsDisable);
    SerialPort->FlowControl()->SetXonXoffOut(false);
    SerialPort->FlowControl()->SetXonXoffIn(false);
    SerialPort->SetEvents(AllSerialEvents);
    SerialPort->SetOnRxChar(
        [this](TComponent* sender, int count) { SerialPortRxChar(sender, count); });

    TextIcon->SetIconVisible(true);
    TextIcon->SetIconIndex(0);
    TextIcon->SetCycleInterval(0);
    TextIcon->SetPopupMenu(PopUpMenu);
    TextIcon->SetIcon(TIcon(StoredTrayIcon16()));
    TextIcon->SetFont(TFont{"Arial", -8, clLime, 0});
    TextIcon->SetColor(clBlack);
    TextIcon->SetBorder(false);
    TextIcon->Options().SetOffsetX(0);
    TextIcon->Options().SetOffsetY(0);
    TextIcon->Options().SetLineDistance(0);

    TimerRotor->SetEnabled(false);
    TimerRotor->SetInterval(1000);
    TimerRotor->SetOnTimer([this](TComponent* sender) { TimerRotorTimer(sender); });

    Track->SetAutoCheck(true);
    Track->SetOnClick([this](TComponent* sender) { TrackClick(sender); });
    VisibleEntry->SetAutoCheck(true);
    VisibleEntry->SetChecked(true);
    VisibleEntry->SetOnClick([this](TComponent* sender) { VisibleEntryClick(sender); });
    Numeric->SetOnClick([this](TComponent* sender) { NumericClick(sender); });
    COMSettings1->SetOnClick([this](TComponent* sender) { COMSettings1Click(sender); });
    About->SetOnClick([this](TComponent* sender) { AboutClick(sender); });
    QuitEntry->SetOnClick([this](TComponent* sender) { QuitEntryClick(sender); });
}

void TForm1::FormCreate(TComponent*) {
    TraceLog = std::make_unique<TLog>();
    TraceLog->SetFileName(CurrentDirectoryWithDelimiter() + "Skyvane.Log");
    TraceLog->SetLevel(1);

    const TConfigLocation location =
        LocateConfiguration(parameters_, CurrentDirectoryWithDelimiter());
    configPath = location.path;
    if (location.namedFileMissing)
        ShowMessageBox(std::string(ConfigMissingText), std::string(ConfigMissingCaption),
                       TMsgButtons::OK, TMsgIcon::None);
    if (!location.namedFolder.empty())
        ShowMessageBox(ConfigFolderText(location), std::string(ConfigMissingCaption),
                       TMsgButtons::OK, TMsgIcon::None);

    IniFile = std::make_unique<TIniFile>(configPath);
    const TSettings settings = ReadSettings(*IniFile, [this](bool traceOn) {
        TraceOn = traceOn;
        TraceLog->SetEnabled(TraceOn);
    });
    Numeric->SetChecked(settings.numeric);
    VisibleEntry->SetChecked(settings.visible);
    sharingSettings_ = ReadSharingSettings(*IniFile, &unusableSettings_);
    rotorSettings_ = ReadRotorSettings(*IniFile, &unusableSettings_);

    WriteStartupHeader(*TraceLog, StartupHeaderLines(configPath, settings), TraceOn);
    if (const std::string text = UnusableSettingsText(unusableSettings_, configPath);
        !text.empty()) {
        TraceLog->WriteLine(1, text);
        ShowMessageBox(text, "Warning!", TMsgButtons::OK, TMsgIcon::Warning);
    }

    const TPortSpeed speed = PortSpeedFromNumber(settings.baudNumber);
    if (speed.rate == brCustom) SerialPort->SetCustomBaudRate(speed.customRate);
    SerialPort->SetBaudRate(speed.rate);
    SerialPort->SetPort(settings.portName);
    SerialPort->SetStopBits(sbTwoStopBits);

    if (Application()) Application()->SetTitle("Skyvane");
    SetCaption("Skyvane");

    AboutDlg = new TAboutDlg(this);
    AboutDlg->SetTitle(AboutTitle);
    AboutDlg->SetProductName(ProductLine);
    AboutDlg->SetCopyRight(CopyRightLine);
    AboutDlg->SetProgrammer(ProgrammerLine);
    AboutDlg->SetWebSite(WebSiteLine);
    try {
        AboutDlg->SetIcon(ApplicationIcon());
    } catch (...) {
        // The About box then shows no picture; nothing else depends on it.
    }

    TextIcon->SetMinimizeToTray(true);
    FollowWindowWithVisible(settings.visible);
    setVisible(false);
}

void TForm1::FollowWindowWithVisible(bool startVisible) {
    // Hidden in the tray, the window is not visible; a click on the tray icon shows
    TextIcon->SetOnMinimizeToTray([this](TComponent*) { VisibleEntry->SetChecked(false); });
    // it, as a restore does, and minimising still sends it to the tray.
    TextIcon->SetOnClick([this](TComponent*) {
        if (isVisible() && !isMinimized()) return;
        VisibleEntry->SetChecked(true);
        ShowInFront();
    });
    if (startVisible || !Application()) return;
    // VISIBLE=NOT: the window starts in the tray. Where no tray has turned up once
    // the desktop has had time to say so, it is shown minimised instead, within reach.
    constexpr int kTrayKnownMs = 2500;
    Application()->SetShowMainForm(false);
    QTimer::singleShot(kTrayKnownMs, this, [this] {
        if (!isVisible() && !VisibleEntry->Checked() && !TextIcon->TrayAvailable()) showMinimized();
    });
}

void TForm1::ConnectReadings() {
    display_ = std::make_unique<THeadingDisplay>(*Response, *TextIcon);
    const auto trace = [this](const std::string& text) { TraceLog->WriteLine(1, text); };
    serialLink_ = std::make_unique<TSerialRotorLink>(*SerialPort, trace);
    Readings = &serialLink_->Readings();
    rotor_ = std::make_unique<TLinkAccess>(*serialLink_);
    WireLink(*serialLink_);
}

void TForm1::WireLink(TRotorLink& link) {
    link.SetOnReading([this](const AzimuthReading& reading) {
        const TShownReading shown = rotor_->Shown(reading);
        display_->Show(shown.reading, Numeric->Checked(), shown.overlap);
        if (Map) Map->HeadingRead(shown.reading.degrees);
        if (Aiming) Aiming->HeadingRead();
    });
    link.SetOnStaleChange([this](bool stale) {
        display_->SetStale(stale);
        if (Map) Map->HeadingStale(stale);
        TraceLog->WriteLine(1, stale ? "Rotor not answering" : "Rotor answering again");
    });
    // A lost line, or one open again, changes what the steering entries may do.
    link.SetOnLineChange([this] {
        if (Sharing) Sharing->Refresh();
    });
}

void TForm1::ConnectRotorSelection() {
    RotorChoice = new TRotorSelection(this, PopUpMenu, *rotor_, *serialLink_, Track,
                                      [this](TRotorLink& link) { WireLink(link); });
    RotorChoice->SetOnChosen([this](const TRotorSettings&) {
        // The user's own choice replaces whatever the file held that could not be used.
        for (std::string_view key : RotorSettingKeys) unusableSettings_.Forget(key);
        WriteINI();
    });
    RotorChoice->Start(
        rotorSettings_, [this](const std::string& text) { TraceLog->WriteLine(1, text); }, TraceOn);
}

TRotorLink& TForm1::Link() const {
    return rotor_->Link();
}

void TForm1::ConnectSharing() {
    Sharing = new TRotorSharing(this, PopUpMenu, *rotor_);
    Sharing->SetOnStationLocator([this](const std::string& locator) {
        sharingSettings_.locator = locator;
        unusableSettings_.Forget("LOCATOR");
        WriteStationLocator(*IniFile, locator);
        if (Map) Map->SetStation(locator);
    });
    Sharing->Start(sharingSettings_, *TraceLog);
}

void TForm1::ConnectMap() {
    mapSource_ = Sharing->NewSource("the map");
    Map = new TMapView(
        this, PopUpMenu, *mapSource_, [this]() -> TCustomIniFile& { return *IniFile; },
        [this](const std::string& locator) { Sharing->SetStationLocator(locator); });
    Map->SetStation(sharingSettings_.locator);
    rotor_->SetOnRequest([this](std::optional<int> turn) { Map->TurnRequested(turn); });
    Sharing->SetOnTarget([this](const auto& place) { Map->SetTarget(place); });
}

void TForm1::ConnectAiming() {
    std::vector<TSettingProblem> problems;
    const TAimingSettings settings = ReadAimingSettings(*IniFile, &problems);
    Aiming = new TAiming(this, *PopUpMenu, *Sharing);
    Aiming->SetOnPresets(
        [this](const std::vector<TPreset>& presets) { WritePresets(*IniFile, presets); });
    Aiming->SetOnNote([this](const std::string& note) { display_->SetNote(note); });
    Aiming->Start(settings, ReadPresets(*IniFile), std::move(problems), *TraceLog);
}

void TForm1::TrackClick(TComponent*) {
    if (Track->Checked()) {
        try {
            Link().StartTracking();
        } catch (...) {
            // Nothing is tracking, so the menu must not say it is.
            Track->SetChecked(false);
            Sharing->Refresh();
            throw;
        }
        TimerRotor->SetEnabled(true);
        TimerRotor->SetInterval(1000);
    } else {
        TimerRotor->SetEnabled(false);
        Link().StopTracking();
        Map->HeadingGone();
    }
    Sharing->Refresh();
}

void TForm1::TimerRotorTimer(TComponent*) {
    Link().PollTick();
}

void TForm1::SerialPortRxChar(TComponent*, int count) {
    serialLink_->Received(count);
}

void TForm1::VisibleEntryClick(TComponent*) {
    if (VisibleEntry->Checked()) {
        TextIcon->SetMinimizeToTray(false);
        ShowInFront();
    } else {
        TextIcon->SetMinimizeToTray(true);
        // Without a notification area nothing could bring a hidden window back.
        if (TextIcon->TrayAvailable())
            hide();
        else
            showMinimized();
    }
}

void TForm1::ShowInFront() {
    showNormal();
    raise();
    activateWindow();
}

void TForm1::NumericClick(TComponent*) {
    Numeric->SetChecked(!Numeric->Checked());
}

void TForm1::COMSettings1Click(TComponent*) {
    SerialPort->ShowSettingsDialog();
    WriteINI();
}

void TForm1::AboutClick(TComponent*) {
    AboutDlg->Execute();
}

void TForm1::QuitEntryClick(TComponent*) {
    if (ShowMessageBox("Do you really want to exit?", "Warning!", TMsgButtons::OKCancel,
                       TMsgIcon::None) != TMsgResult::OK)
        return;
    try {
        SaveSettings("Quit: settings saved in ");
    } catch (...) {
        // Whatever keeps the settings from being saved must not keep the user in.
        if (!QuitWithoutSaving(ExceptionMessage(std::current_exception()))) return;
    }
    close();
    if (Application()) Application()->Terminate();
}

bool TForm1::QuitWithoutSaving(const std::string& failure) {
    MessageBoxRequest box;
    box.text = ExceptionReportText(failure) +
               "\n\nThe settings could not be saved. Quit without saving them?";
    box.caption = "Warning!";
    box.buttons = TMsgButtons::OKCancel;
    box.icon = TMsgIcon::Warning;
    box.okText = "Quit without saving";
    return ShowMessageBox(box) == TMsgResult::OK;
}

void TForm1::WriteINI() {
    SaveSettings({});
}

void TForm1::SaveSettings(const std::string& logPrefix) {
    configPath = ConfigPathOrDefault(configPath, CurrentDirectoryWithDelimiter());
    IniFile = std::make_unique<TIniFile>(configPath);
    TraceLog->WriteLine(1, logPrefix.empty() ? SettingsSavedLogText(SerialPort->Port(), configPath)
                                             : logPrefix + configPath);
    WriteSettings(*IniFile, TSavedSettings{
                                .port = SerialPort->Port(),
                                .baudRate = SerialPort->BaudRate(),
                                .traceOn = TraceOn,
                                .visible = VisibleEntry->Checked(),
                                .numeric = Numeric->Checked(),
                                .customBaudRate = SerialPort->CustomBaudRate(),
                            });
    WriteSharingSettings(*IniFile, sharingSettings_, &unusableSettings_);
    // Presets a failed write could not keep when they were edited are kept now.
    if (Aiming) WritePresets(*IniFile, Aiming->Presets());
    if (RotorChoice) WriteRotorSettings(*IniFile, RotorChoice->Settings(), &unusableSettings_);
}

}  // namespace skyvane
