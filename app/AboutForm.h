// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: the small modal window that TAboutDlg fills and shows.
#pragma once

#include <QPixmap>
#include <memory>

#include "toolkit/Form.h"
#include "toolkit/Label.h"

class QEventLoop;

namespace skyvane {

namespace aboutbox {
class TPanel;
class TImage;
class TButton;
}  // namespace aboutbox

// Result of a modal run.
enum class TModalResult { mrNone, mrOK };

// The form `AboutBox`: a bevelled panel with the picture and four text lines, and an
// OK button below. Its layout is built in the constructor; the texts are placeholders
// until TAboutDlg::Execute replaces them.
class TAboutBox : public TForm {
public:
    explicit TAboutBox(TComponent* owner);
    ~TAboutBox() override;

    // The four text lines, top to bottom.
    TLabel* ProductName() const { return productName_; }
    TLabel* Copyright() const { return copyright_; }
    TLabel* Programmer() const { return programmer_; }
    TLabel* Website() const { return website_; }
    // Sets one line's text and sizes the label to it (Programmer and Website wrap).
    void SetLineText(TLabel* line, const std::string& text);
    // Shows `picture` in the picture area, centred (a null one leaves it empty).
    void SetPicture(const QPixmap& picture);
    // The picture shown, null when none.
    QPixmap Picture() const;
    // The OK button.
    aboutbox::TButton* OKButton() const { return okButton_; }

    // Shows the box modally and returns once it is closed (OK, Enter, close button).
    TModalResult ShowModal();
    // True while ShowModal runs.
    bool IsShowingModal() const { return loop_ != nullptr; }
    // Setting a result other than mrNone ends the modal run.
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result);

    // The OK button's click handler.
    void OKButtonClick(TComponent* sender);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CenterOnScreen();

    aboutbox::TPanel* panel1_;
    aboutbox::TPanel* panel2_;
    aboutbox::TImage* image1_;
    TLabel* productName_;
    TLabel* copyright_;
    TLabel* programmer_;
    TLabel* website_;
    aboutbox::TButton* okButton_;
    TModalResult modalResult_ = TModalResult::mrNone;
    QEventLoop* loop_ = nullptr;
};

}  // namespace skyvane
