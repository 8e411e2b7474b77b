// SPDX-License-Identifier: GPL-3.0-or-later
// The "Setup" dialog: port, baud rate, data bits, stop bits, parity and flow control
// of one serial port, written into the port in one settings update on OK.
#pragma once

#include <cstdint>

#include "serial/SerialCtl.h"
#include "serial/SerialPort.h"
#include "toolkit/Form.h"
#include "toolkit/Label.h"

class QEventLoop;

namespace skyvane {

namespace serialsetup {
class TButton;
class TGroupBox;

// How a modal run of the dialog ended.
enum class TModalResult : std::uint8_t { mrNone, mrOK, mrCancel };
}  // namespace serialsetup

// The form `SerialSetupFrm`, built from its stored layout in the constructor.
class TSerialSetupFrm : public TForm {
public:
    // Builds the dialog; the Port list is read from the system here (ESerialPort
    // code 23 passes to the caller when it cannot be).
    explicit TSerialSetupFrm(TComponent* owner);
    ~TSerialSetupFrm() override;

    // The parts, in the order the form declares them.
    serialsetup::TButton* Button1() const { return button1_; }
    serialsetup::TButton* Button2() const { return button2_; }
    serialsetup::TGroupBox* GroupBox1() const { return groupBox1_; }
    TLabel* Label(int row) const { return labels_[row - 1]; }           // row 1 to 6
    TSerialComboBox* Combo(int row) const { return combos_[row - 1]; }  // row 1 to 6

    // Shows the dialog modally and returns how it was closed: mrOK from Button1,
    // mrCancel from Button2 or the window's close button.
    serialsetup::TModalResult ShowModal();
    // Setting a result other than mrNone ends the modal run.
    serialsetup::TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(serialsetup::TModalResult result);

protected:
    void closeEvent(QCloseEvent* event) override;
    // Enter presses the focused button, or else the default button; Escape does nothing.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Widens each label whose text needs more room than its stored width.
    void FitLabelsToText();
    // Chains the selectors, then the buttons, by their tab orders.
    void ApplyTabOrder();

    serialsetup::TButton* button1_;
    serialsetup::TButton* button2_;
    serialsetup::TGroupBox* groupBox1_;
    TLabel* labels_[6];
    TSerialComboBox* combos_[6];  // by row: Combo1 (port) to Combo6 (flow control)
    serialsetup::TModalResult modalResult_ = serialsetup::TModalResult::mrNone;
    QEventLoop* loop_ = nullptr;
};

// Shows the "Setup" dialog for `port`; on OK writes the six choices into it between
// BeginSettingsUpdate and EndSettingsUpdate, port name first. Errors pass to the
// caller; the update bracket is closed and the dialog destroyed on every path.
void EditPortSettings(TCustomSerialPort& port);

}  // namespace skyvane
