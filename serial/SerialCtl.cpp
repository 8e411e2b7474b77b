// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SerialCtl.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QString>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <algorithm>

#include "platform/serial_device.h"
#include "serial/SerialEnum.h"
#include "serial/SerialText.h"
#include "toolkit/ExceptionReport.h"
#include "toolkit/Form.h"

namespace skyvane {
namespace {

template <std::size_t N>
void AddTexts(TItemList& items, const std::array<std::string_view, N>& texts) {
    for (std::string_view text : texts) items.Add(std::string(text));
}

// The first item that names the device `port` names, the way the device is opened (a
// bare name is below /dev, letter case does not matter), or -1: a name read from the
// configuration as "TTYUSB0" is the listed "/dev/ttyUSB0".
int IndexOfSameDevice(const TItemList& items, const std::string& port) {
    if (port.empty()) return -1;
    const std::string device = platform::SerialDeviceName(port);
    for (int i = 0; i < items.Count(); ++i)
        if (SameTextAscii(platform::SerialDeviceName(items.Item(i)), device)) return i;
    return -1;
}

// The Qt control of a selector. Its closed face shows a text too long for it by the
// end of the text's last path component: long /dev/serial/by-id names start alike and
// differ in their ends (serial number, interface, port), which must stay in sight.
class TSelectorWidget : public QComboBox {
public:
    using QComboBox::QComboBox;

    // The text the closed control shows for the selected item.
    QString ShownText() const {
        QStyleOptionComboBox option;
        initStyleOption(&option);
        return ShownText(option);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        painter.setPen(palette().color(QPalette::Text));
        QStyleOptionComboBox option;
        initStyleOption(&option);
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        option.currentText = ShownText(option);
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
    }

private:
    QString ShownText(const QStyleOptionComboBox& option) const {
        const QString& text = option.currentText;
        // The label is drawn a pixel in from each side of the edit field.
        const int width =
            style()
                ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this)
                .width() -
            2;
        const QFontMetrics metrics = fontMetrics();
        if (metrics.horizontalAdvance(text) <= width) return text;
        const QString name = text.mid(text.lastIndexOf(QLatin1Char('/')) + 1);
        return metrics.elidedText(name.isEmpty() ? text : name, Qt::ElideLeft, width);
    }
};

}  // namespace

// ---- TItemList ----

int TItemList::IndexOfText(std::string_view text) const {
    for (int i = 0; i < Count(); ++i)
        if (SameTextAscii(Item(i), text)) return i;
    return -1;
}

void TStringItems::Insert(int index, const std::string& text) {
    items_.insert(items_.begin() + index, text);
}

// ---- TSerialSelect ----

void TSerialSelect::ChangeProperty(TSerialProperty property) {
    serialProperty_ = property;
    if (!items_) return;
    items_->Clear();
    switch (property) {
        case cpNone:
            break;
        case cpPort: {
            std::vector<std::string> ports;
            ListSerialPorts(ports);
            for (const std::string& port : ports) items_->Add(port);
            break;
        }
        case cpBaudRate:
            AddTexts(*items_, BaudRateTexts);
            break;
        case cpDataBits:
            AddTexts(*items_, DataBitsTexts);
            break;
        case cpStopBits:
            AddTexts(*items_, StopBitsTexts);
            break;
        case cpParity:
            AddTexts(*items_, ParityTexts);
            break;
        case cpFlowControl:
            AddTexts(*items_, FlowControlTexts);
            break;
    }
}

void TSerialSelect::TakeText(const std::string& text) {
    switch (serialProperty_) {
        case cpNone:
            break;
        case cpPort:
            heldPort_ = text;
            break;
        case cpBaudRate:
            heldBaudRate_ = TextToBaudRate(text);
            break;
        case cpDataBits:
            heldDataBits_ = TextToDataBits(text);
            break;
        case cpStopBits:
            heldStopBits_ = TextToStopBits(text);
            break;
        case cpParity:
            heldParity_ = TextToParity(text);
            break;
        case cpFlowControl:
            heldFlowControl_ = TextToFlowControl(text);
            break;
    }
    if (autoApply_) ApplyToPort();
}

void TSerialSelect::ApplyToPort() {
    if (!serialPort_) return;
    switch (serialProperty_) {
        case cpNone:
            break;
        case cpPort:
            serialPort_->SetPort(heldPort_);
            break;
        case cpBaudRate:
            serialPort_->SetBaudRate(heldBaudRate_);
            break;
        case cpDataBits:
            serialPort_->SetDataBits(heldDataBits_);
            break;
        case cpStopBits:
            serialPort_->SetStopBits(heldStopBits_);
            break;
        case cpParity:
            serialPort_->Parity()->SetBits(heldParity_);
            break;
        case cpFlowControl:
            serialPort_->FlowControl()->SetFlowControl(heldFlowControl_);
            break;
    }
}

int TSerialSelect::ReadFromPort() {
    if (!serialPort_ || !items_ || serialProperty_ == cpNone) return -1;
    std::string present;
    switch (serialProperty_) {
        case cpNone:
            return -1;
        case cpPort:
            present = serialPort_->Port();
            break;
        case cpBaudRate:
            present = BaudRateToText(serialPort_->BaudRate());
            break;
        case cpDataBits:
            present = DataBitsToText(serialPort_->DataBits());
            break;
        case cpStopBits:
            present = StopBitsToText(serialPort_->StopBits());
            break;
        case cpParity:
            present = ParityToText(serialPort_->Parity()->Bits());
            break;
        case cpFlowControl:
            present = FlowControlToText(serialPort_->FlowControl()->FlowControl());
            break;
    }
    int index = items_->IndexOfText(present);
    if (index < 0 && serialProperty_ == cpPort) index = IndexOfSameDevice(*items_, present);
    if (index < 0 && serialProperty_ == cpPort && !present.empty()) {
        // A port the system does not list (a pseudo-terminal, a path typed into the
        // configuration) is offered as it is; otherwise OK would rename it to nothing.
        index = 0;
        while (index < items_->Count() && !PortNameLess(present, items_->Item(index))) ++index;
        items_->Insert(index, present);
    }
    if (index < 0) return -1;
    const std::string& item = items_->Item(index);
    switch (serialProperty_) {
        case cpNone:
            break;
        case cpPort:
            heldPort_ = item;
            break;
        case cpBaudRate:
            heldBaudRate_ = TextToBaudRate(item);
            break;
        case cpDataBits:
            heldDataBits_ = TextToDataBits(item);
            break;
        case cpStopBits:
            heldStopBits_ = TextToStopBits(item);
            break;
        case cpParity:
            heldParity_ = TextToParity(item);
            break;
        case cpFlowControl:
            heldFlowControl_ = TextToFlowControl(item);
            break;
    }
    return index;
}

// ---- TSerialComboBox ----

// The combo box's items: the 8-bit texts, mirrored into the Qt control.
class TSerialComboBox::TComboItems : public TItemList {
public:
    explicit TComboItems(QComboBox* combo) : combo_(combo) {}
    void Clear() override {
        texts_.clear();
        if (combo_) combo_->clear();
    }
    void Insert(int index, const std::string& text) override {
        texts_.insert(texts_.begin() + index, text);
        if (!combo_) return;
        const QString item = QString::fromLocal8Bit(text);
        combo_->insertItem(index, item);
        // The opened list is as wide as its longest item needs, the control keeps its size.
        const int needed = combo_->fontMetrics().horizontalAdvance(item) + kListMargins;
        if (needed > combo_->view()->minimumWidth()) combo_->view()->setMinimumWidth(needed);
    }
    int Count() const override { return static_cast<int>(texts_.size()); }
    const std::string& Item(int index) const override {
        return texts_[static_cast<std::size_t>(index)];
    }

private:
    // Frame, item padding and a scroll bar around the text of an item in the opened list.
    static constexpr int kListMargins = 40;
    QPointer<QComboBox> combo_;
    std::vector<std::string> texts_;
};

TSerialComboBox::TSerialComboBox(TComponent* owner, QWidget* parent)
    : TComponent(owner), select_(std::make_unique<TSerialSelect>()) {
    if (!parent) parent = dynamic_cast<TForm*>(owner);
    combo_ = new TSelectorWidget(parent);
    items_ = std::make_unique<TComboItems>(combo_);
    select_->SetItems(items_.get());
    SetStyle(csDropDownList);
    // Only a pick by the user runs the change handling; selections by the program do not.
    QObject::connect(combo_, &QComboBox::activated, combo_,
                     [this](int) { Guarded([this] { Change(); }); });
}

TSerialComboBox::~TSerialComboBox() {
    delete combo_.data();
    select_->SetItems(nullptr);
}

void TSerialComboBox::SetSerialPort(TCustomSerialPort* port) {
    if (port == select_->SerialPort()) return;
    select_->SetSerialPort(port);
    if (port) {
        FreeNotification(port);
        RefreshFromPort();
    }
}

void TSerialComboBox::SetSerialProperty(TSerialProperty property) {
    select_->ChangeProperty(property);
    if (items_->Count() > 0) SetItemIndex(select_->SerialPort() ? select_->ReadFromPort() : 0);
}

std::string TSerialComboBox::Text() const {
    int index = ItemIndex();
    return index >= 0 && index < items_->Count() ? items_->Item(index) : std::string();
}

void TSerialComboBox::SetText(const std::string& text) {
    int index = items_->IndexOfText(text);
    if (index >= 0) SetItemIndex(index);
}

void TSerialComboBox::SetStyle(TComboBoxStyle style) {
    style_ = style;
    if (combo_) combo_->setEditable(style == csDropDown);
}

void TSerialComboBox::SetItemHeight(int height) {
    itemHeight_ = height;
}

int TSerialComboBox::ItemIndex() const {
    return combo_ ? combo_->currentIndex() : -1;
}

void TSerialComboBox::SetItemIndex(int index) {
    if (!combo_) return;
    combo_->setCurrentIndex(index >= 0 && index < items_->Count() ? index : -1);
}

int TSerialComboBox::DropDownCount() const {
    return combo_ ? combo_->maxVisibleItems() : 0;
}

void TSerialComboBox::SetDropDownCount(int count) {
    if (combo_ && count > 0) combo_->setMaxVisibleItems(count);
}

bool TSerialComboBox::Enabled() const {
    return combo_ && combo_->isEnabled();
}

void TSerialComboBox::SetEnabled(bool enabled) {
    if (combo_) combo_->setEnabled(enabled);
}

bool TSerialComboBox::Visible() const {
    return combo_ && !combo_->isHidden();
}

void TSerialComboBox::SetVisible(bool visible) {
    if (combo_) combo_->setVisible(visible);
}

void TSerialComboBox::SetFont(const TFont& font) {
    if (combo_) combo_->setFont(ToQFont(font));
}

void TSerialComboBox::SetBounds(int left, int top, int width, int height) {
    if (combo_) combo_->setGeometry(left, top, width, height);
}

void TSerialComboBox::RefreshFromPort() {
    SetItemIndex(select_->ReadFromPort());
}

std::string TSerialComboBox::ShownText() const {
    return combo_ ? static_cast<const TSelectorWidget*>(combo_.data())
                        ->ShownText()
                        .toLocal8Bit()
                        .toStdString()
                  : std::string();
}

const TItemList& TSerialComboBox::Items() const {
    return *items_;
}

void TSerialComboBox::ComponentRemoved(TComponent* component) {
    TComponent::ComponentRemoved(component);
    if (component != nullptr && component == select_->SerialPort()) {
        select_->SetSerialPort(nullptr);
        if (items_->Count() > 0) SetItemIndex(0);
    }
}

void TSerialComboBox::Change() {
    select_->TakeText(Text());
    if (onChange_) onChange_(this);
}

}  // namespace skyvane
