// SPDX-License-Identifier: GPL-3.0-or-later
// The setup dialog's own controls: a push button and a group box.
#pragma once

#include <QGroupBox>
#include <QPointer>
#include <QPushButton>
#include <string>

#include "serial/SerialSetup.h"
#include "toolkit/Component.h"

namespace skyvane::serialsetup {

// A push button that ends the modal run of its form with its ModalResult.
class TButton : public TComponent {
public:
    TButton(TSerialSetupFrm* owner, QWidget* parent);
    ~TButton() override;
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    void SetBounds(int left, int top, int width, int height);
    // Enter presses the default button of the form.
    bool Default() const { return default_; }
    void SetDefault(bool isDefault);
    // The result a click gives the form; mrNone leaves it open.
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int order) { tabOrder_ = order; }
    // Presses the button as a click would.
    void Click();
    QPushButton* Widget() const { return button_; }

private:
    TSerialSetupFrm* form_;
    QPointer<QPushButton> button_;
    std::string caption_;
    bool default_ = false;
    TModalResult modalResult_ = TModalResult::mrNone;
    int tabOrder_ = -1;
};

// A framed, captioned box that holds other controls.
class TGroupBox : public TComponent {
public:
    TGroupBox(TComponent* owner, QWidget* parent);
    ~TGroupBox() override;
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    void SetBounds(int left, int top, int width, int height);
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int order) { tabOrder_ = order; }
    QGroupBox* Widget() const { return box_; }

private:
    QPointer<QGroupBox> box_;
    std::string caption_;
    int tabOrder_ = -1;
};

}  // namespace skyvane::serialsetup
