// SPDX-License-Identifier: GPL-3.0-or-later
// The About component: holds the texts and picture of an About box and shows them.
#pragma once

#include <QIcon>
#include <memory>
#include <string>

#include "toolkit/Component.h"

namespace skyvane {

class TAboutBox;
class TTimer;

// How long a shown box stays open when Timer is on.
inline constexpr unsigned AboutAutoCloseInterval = 15000;

// A non-visual component; Execute builds a TAboutBox from the current values, shows it
// modally and releases it when it is closed.
class TAboutDlg : public TComponent {
public:
    explicit TAboutDlg(TComponent* owner);
    ~TAboutDlg() override;

    // Caption of the box.
    const std::string& Title() const { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }
    // First line: product name and version.
    const std::string& ProductName() const { return productName_; }
    void SetProductName(std::string text) { productName_ = std::move(text); }
    // Second line: copyright.
    const std::string& CopyRight() const { return copyRight_; }
    void SetCopyRight(std::string text) { copyRight_ = std::move(text); }
    // Third line.
    const std::string& Programmer() const { return programmer_; }
    void SetProgrammer(std::string text) { programmer_ = std::move(text); }
    // Fourth line: a web address.
    const std::string& WebSite() const { return webSite_; }
    void SetWebSite(std::string text) { webSite_ = std::move(text); }
    // The picture at the top left; setting it copies the given icon's picture.
    const QIcon& Icon() const { return icon_; }
    void SetIcon(const QIcon& icon);
    // When true, a shown box closes by itself after AboutAutoCloseInterval ms.
    bool Timer() const { return timer_; }
    void SetTimer(bool timer) { timer_ = timer; }

    // Builds, fills and shows the box; returns once it is closed. A call while the box
    // is already shown brings that box to the front instead of opening a second one.
    void Execute();

    // The box while Execute runs, else nullptr.
    TAboutBox* Box() const { return box_; }
    // The pending auto-close timer while Execute runs with Timer on, else nullptr.
    TTimer* CloseTimer() const { return closeTimer_; }

private:
    // Tick of CloseTimer: stops it and closes the box, ending the modal run.
    void CloseTimerTick(TComponent* sender);
    // Releases CloseTimer if it exists.
    void ReleaseCloseTimer();

    std::string title_;
    std::string productName_;
    std::string copyRight_;
    std::string programmer_;
    std::string webSite_;
    QIcon icon_;
    bool timer_ = false;
    TTimer* closeTimer_ = nullptr;
    TAboutBox* box_ = nullptr;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // false once destroyed
};

}  // namespace skyvane
