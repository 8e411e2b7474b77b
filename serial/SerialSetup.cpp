// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SerialSetup.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <algorithm>
#include <memory>
#include <vector>

#include "serial/SerialSetup_p.h"
#include "toolkit/ExceptionReport.h"

namespace skyvane {

using serialsetup::TButton;
using serialsetup::TGroupBox;
using serialsetup::TModalResult;

namespace serialsetup {

TButton::TButton(TSerialSetupFrm* owner, QWidget* parent)
    : TComponent(owner), form_(owner), button_(new QPushButton(parent)) {
    button_->setAutoDefault(false);
    QObject::connect(button_, &QPushButton::clicked, button_,
                     [this] { Guarded([this] { Click(); }); });
}

TButton::~TButton() {
    delete button_.data();
}

void TButton::SetCaption(std::string caption) {
    caption_ = std::move(caption);
    button_->setText(QString::fromLocal8Bit(caption_));
}

void TButton::SetBounds(int left, int top, int width, int height) {
    button_->setGeometry(left, top, width, height);
}

void TButton::SetDefault(bool isDefault) {
    default_ = isDefault;
    button_->setDefault(isDefault);
}

void TButton::Click() {
    if (modalResult_ != TModalResult::mrNone) form_->SetModalResult(modalResult_);
}

TGroupBox::TGroupBox(TComponent* owner, QWidget* parent)
    : TComponent(owner), box_(new QGroupBox(parent)) {}

TGroupBox::~TGroupBox() {
    delete box_.data();
}

void TGroupBox::SetCaption(std::string caption) {
    caption_ = std::move(caption);
    box_->setTitle(QString::fromLocal8Bit(caption_));
}

void TGroupBox::SetBounds(int left, int top, int width, int height) {
    box_->setGeometry(left, top, width, height);
}

}  // namespace serialsetup

namespace {

// Gives a component its name, and its widget the same object name.
void SetNames(TComponent* component, QWidget* widget, const char* name) {
    component->SetName(name);
    widget->setObjectName(QString::fromLatin1(name));
}

// One row of the group box: label text, width and top, selector property, text and top.
struct TRow {
    const char* label;
    const char* labelName;
    int labelWidth;
    int labelTop;
    const char* comboName;
    TSerialProperty property;
    const char* text;
    int comboTop;
};

constexpr TRow kRows[6] = {
    {"Port", "Label1", 19, 24, "Combo1", cpPort, "COM1", 16},
    {"Baud rate", "Label2", 46, 48, "Combo2", cpBaudRate, "Custom", 40},
    {"Data bits", "Label3", 42, 72, "Combo3", cpDataBits, "5", 64},
    {"Stop bits", "Label4", 41, 96, "Combo4", cpStopBits, "1", 88},
    {"Parity", "Label5", 26, 120, "Combo5", cpParity, "None", 112},
    {"Flow control", "Label6", 57, 144, "Combo6", cpFlowControl, "Hardware", 136},
};

// The stored order of the selectors: Combo2 to Combo6, then Combo1 (rows, from 0).
constexpr int kComboStoredOrder[6] = {1, 2, 3, 4, 5, 0};

}  // namespace

TSerialSetupFrm::TSerialSetupFrm(TComponent* owner)
    : TForm(owner),
      button1_(new TButton(this, this)),
      button2_(new TButton(this, this)),
      groupBox1_(new TGroupBox(this, this)) {
    for (TLabel*& label : labels_) {
        label = new TLabel(this);
        label->Widget()->setParent(groupBox1_->Widget());
    }
    for (int row : kComboStoredOrder)
        combos_[row] = new TSerialComboBox(this, groupBox1_->Widget());

    LoadLayout([this] {
        SetName("SerialSetupFrm");
        setObjectName(QStringLiteral("SerialSetupFrm"));
        SetCaption("Setup");
        // Fixed dialog border: no resizing, no minimise or maximise.
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
        setFixedSize(231, 216);
        SetFont(TFont{"MS Sans Serif", -11, clWindowText, 0});

        SetNames(button1_, button1_->Widget(), "Button1");
        button1_->SetBounds(70, 184, 75, 25);
        button1_->SetCaption("OK");
        button1_->SetDefault(true);
        button1_->SetModalResult(TModalResult::mrOK);
        button1_->SetTabOrder(1);

        SetNames(button2_, button2_->Widget(), "Button2");
        button2_->SetBounds(150, 184, 75, 25);
        button2_->SetCaption("Cancel");
        button2_->SetModalResult(TModalResult::mrCancel);
        button2_->SetTabOrder(2);

        SetNames(groupBox1_, groupBox1_->Widget(), "GroupBox1");
        groupBox1_->SetBounds(8, 8, 217, 169);
        groupBox1_->SetCaption(" Settings ");
        groupBox1_->SetTabOrder(0);

        for (int row = 0; row < 6; ++row) {
            const TRow& r = kRows[row];
            TLabel* label = labels_[row];
            SetNames(label, label->Widget(), r.labelName);
            label->SetBounds(8, r.labelTop, r.labelWidth, 13);
            label->SetCaption(r.label);
        }
        for (int row : kComboStoredOrder) {
            const TRow& r = kRows[row];
            TSerialComboBox* combo = combos_[row];
            SetNames(combo, combo->Widget(), r.comboName);
            combo->SetBounds(80, r.comboTop, 129, 21);
            combo->SetSerialProperty(r.property);
            combo->SetText(r.text);
            combo->SetStyle(csDropDownList);
            combo->SetItemHeight(13);
            combo->SetItemIndex(0);
            combo->SetTabOrder(row);
        }
    });
    FitLabelsToText();
    ApplyTabOrder();
}

void TSerialSetupFrm::FitLabelsToText() {
    // The labels size themselves to their text, as labels do by default: the stored
    // widths are those of the font the layout was made with, and a substitute font
    // may need a few pixels more.
    for (TLabel* label : labels_) {
        QLabel* widget = label->Widget();
        int needed = widget->sizeHint().width();
        if (needed > widget->width()) widget->resize(needed, widget->height());
    }
}

TSerialSetupFrm::~TSerialSetupFrm() = default;

void TSerialSetupFrm::ApplyTabOrder() {
    // The group box's selectors by their tab order, then the form's buttons by theirs.
    std::vector<TSerialComboBox*> combos(std::begin(combos_), std::end(combos_));
    std::stable_sort(combos.begin(), combos.end(),
                     [](auto* a, auto* b) { return a->TabOrder() < b->TabOrder(); });
    std::vector<QWidget*> chain;
    for (TSerialComboBox* c : combos) chain.push_back(c->Widget());
    std::vector<TButton*> buttons = {button1_, button2_};
    std::stable_sort(buttons.begin(), buttons.end(),
                     [](auto* a, auto* b) { return a->TabOrder() < b->TabOrder(); });
    for (TButton* b : buttons) chain.push_back(b->Widget());
    for (std::size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

TModalResult TSerialSetupFrm::ShowModal() {
    modalResult_ = TModalResult::mrNone;
    setWindowModality(Qt::ApplicationModal);
    // Placed in the centre of the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    activateWindow();
    if (combos_[0]->Widget()) combos_[0]->Widget()->setFocus();
    QEventLoop loop;
    loop_ = &loop;
    if (modalResult_ == TModalResult::mrNone) loop.exec(QEventLoop::DialogExec);
    loop_ = nullptr;
    hide();
    return modalResult_;
}

void TSerialSetupFrm::SetModalResult(TModalResult result) {
    modalResult_ = result;
    if (result != TModalResult::mrNone) close();
}

void TSerialSetupFrm::closeEvent(QCloseEvent* event) {
    TForm::closeEvent(event);
    if (!event->isAccepted()) return;
    if (modalResult_ == TModalResult::mrNone) modalResult_ = TModalResult::mrCancel;
    if (loop_) loop_->quit();
}

void TSerialSetupFrm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Guarded([this] {
            TButton* pressed = button2_->Widget()->hasFocus() ? button2_ : button1_;
            pressed->Click();
        });
        event->accept();
        return;
    }
    TForm::keyPressEvent(event);
}

void EditPortSettings(TCustomSerialPort& port) {
    auto form = std::make_unique<TSerialSetupFrm>(nullptr);
    for (int row = 1; row <= 6; ++row) form->Combo(row)->SetSerialPort(&port);
    for (int row = 1; row <= 6; ++row) form->Combo(row)->RefreshFromPort();
    if (form->ShowModal() != TModalResult::mrOK) return;
    // A port destroyed while the dialog was open has been unbound: nothing to apply to.
    if (form->Combo(1)->SerialPort() != &port) return;
    port.BeginSettingsUpdate();
    try {
        for (int row = 1; row <= 6; ++row) form->Combo(row)->ApplyToPort();
    } catch (...) {
        // The first failure is the one the caller hears of; the bracket still closes.
        try {
            port.EndSettingsUpdate();
        } catch (...) {
        }
        throw;
    }
    port.EndSettingsUpdate();
}

void TCustomSerialPort::ShowSettingsDialog() {
    EditPortSettings(*this);
}

}  // namespace skyvane
