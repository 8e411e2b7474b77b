// SPDX-License-Identifier: GPL-3.0-or-later
// Port property selectors: a drop-down list that edits one property of one serial
// port, and the plain selector logic behind it.
#pragma once

#include <QComboBox>
#include <QPointer>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "serial/SerialPort.h"
#include "toolkit/Component.h"
#include "toolkit/Graphics.h"

namespace skyvane {

// The port property a selector edits.
enum TSerialProperty : std::uint8_t {
    cpNone,
    cpPort,
    cpBaudRate,
    cpDataBits,
    cpStopBits,
    cpParity,
    cpFlowControl
};

// The item texts of a list control, as the selector fills and searches them.
class TItemList {
public:
    virtual ~TItemList() = default;
    // Removes every item.
    virtual void Clear() = 0;
    // Inserts an item at `index` (0 to Count()).
    virtual void Insert(int index, const std::string& text) = 0;
    // The number of items.
    virtual int Count() const = 0;
    // The text of item `index` (0 to Count() - 1).
    virtual const std::string& Item(int index) const = 0;

    // Appends an item.
    void Add(const std::string& text) { Insert(Count(), text); }
    // The first item equal to `text` without regard to ASCII letter case, or -1.
    int IndexOfText(std::string_view text) const;
};

// A plain item list, for selectors without a control.
class TStringItems : public TItemList {
public:
    void Clear() override { items_.clear(); }
    void Insert(int index, const std::string& text) override;
    int Count() const override { return static_cast<int>(items_.size()); }
    const std::string& Item(int index) const override {
        return items_[static_cast<std::size_t>(index)];
    }
    // Every item in order.
    const std::vector<std::string>& Items() const { return items_; }

private:
    std::vector<std::string> items_;
};

// The logic of one selector: the property's choices, the value picked or read from
// the port, and writing it into the port.
class TSerialSelect {
public:
    // The values held, one per property; only the current property's is used.
    const std::string& HeldPort() const { return heldPort_; }
    TBaudRate HeldBaudRate() const { return heldBaudRate_; }
    TDataBits HeldDataBits() const { return heldDataBits_; }
    TStopBits HeldStopBits() const { return heldStopBits_; }
    TParityBits HeldParity() const { return heldParity_; }
    TFlowControl HeldFlowControl() const { return heldFlowControl_; }

    // The list the choices go into (not owned).
    TItemList* Items() const { return items_; }
    void SetItems(TItemList* items) { items_ = items; }
    // The edited property; written through ChangeProperty.
    TSerialProperty SerialProperty() const { return serialProperty_; }
    // The bound port (not owned), or nullptr.
    TCustomSerialPort* SerialPort() const { return serialPort_; }
    void SetSerialPort(TCustomSerialPort* port) { serialPort_ = port; }
    // Whether TakeText applies the value to the port at once.
    bool AutoApply() const { return autoApply_; }
    void SetAutoApply(bool autoApply) { autoApply_ = autoApply; }

    // Stores the property and refills Items with its choices (for cpPort the
    // machine's ports; an ESerialPort from the port list passes, Items left empty).
    void ChangeProperty(TSerialProperty property);
    // Holds the value the text names; applies it when AutoApply is set.
    void TakeText(const std::string& text);
    // Writes the held value of the current property into the bound port, if any.
    void ApplyToPort();
    // Finds the bound port's present value among Items and holds it; returns its
    // index or -1. A port name matches its text, or else the item that names the same
    // device the way the device is opened ("TTYUSB0" is "/dev/ttyUSB0"). A port name
    // missing from the list is added to it first, so that the port's own name is shown
    // and kept rather than lost.
    int ReadFromPort();

private:
    std::string heldPort_;
    TBaudRate heldBaudRate_ = brCustom;
    TDataBits heldDataBits_ = dbFive;
    TStopBits heldStopBits_ = sbOneStopBit;
    TParityBits heldParity_ = prNone;
    TFlowControl heldFlowControl_ = fcHardware;
    TItemList* items_ = nullptr;
    TSerialProperty serialProperty_ = cpNone;
    TCustomSerialPort* serialPort_ = nullptr;
    bool autoApply_ = false;
};

// The style of a combo box: a list only, or a list with an edit field.
enum TComboBoxStyle : std::uint8_t { csDropDown, csDropDownList };

// A drop-down list control that edits one property of one serial port.
class TSerialComboBox : public TComponent {
public:
    // A combo box owned by `owner`, shown in `parent` (default: the owner, when it is a form).
    explicit TSerialComboBox(TComponent* owner, QWidget* parent = nullptr);
    ~TSerialComboBox() override;

    // The bound port: binding one selects the item of its present value.
    TCustomSerialPort* SerialPort() const { return select_->SerialPort(); }
    void SetSerialPort(TCustomSerialPort* port);
    // The edited property: fills the list and selects item 0 (no port) or the port's value.
    TSerialProperty SerialProperty() const { return select_->SerialProperty(); }
    void SetSerialProperty(TSerialProperty property);
    // Whether each pick is applied to the port at once.
    bool AutoApply() const { return select_->AutoApply(); }
    void SetAutoApply(bool autoApply) { select_->SetAutoApply(autoApply); }
    // The selected item's text, or empty; writing selects the first matching item.
    std::string Text() const;
    // What the closed control shows of Text: all of it when it fits, otherwise the end
    // of its last path component, which tells long device names apart.
    std::string ShownText() const;
    void SetText(const std::string& text);

    // List only (the default) or list with an edit field.
    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle style);
    // The height of one item in the list, in pixels.
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int height);
    // The selected item, -1 for none.
    int ItemIndex() const;
    void SetItemIndex(int index);
    // Position in the tab order among the controls of its parent.
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int order) { tabOrder_ = order; }
    // Items shown at once in the opened list.
    int DropDownCount() const;
    void SetDropDownCount(int count);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    bool Visible() const;
    void SetVisible(bool visible);
    void SetFont(const TFont& font);
    void SetBounds(int left, int top, int width, int height);
    // Raised after a pick by the user has been taken (and applied, with AutoApply).
    void SetOnChange(TNotifyEvent handler) { onChange_ = std::move(handler); }
    const TNotifyEvent& OnChange() const { return onChange_; }

    // Writes the held value into the bound port.
    void ApplyToPort() { select_->ApplyToPort(); }
    // Selects the item of the bound port's present value (none when it has none).
    void RefreshFromPort();

    // The selector logic and the item texts.
    TSerialSelect* Select() const { return select_.get(); }
    const TItemList& Items() const;
    // The Qt control.
    QComboBox* Widget() const { return combo_; }

protected:
    // The bound port going away unbinds it and selects item 0.
    void ComponentRemoved(TComponent* component) override;
    // A pick by the user: takes the picked text, then raises OnChange.
    virtual void Change();

private:
    class TComboItems;

    std::unique_ptr<TSerialSelect> select_;
    std::unique_ptr<TComboItems> items_;
    QPointer<QComboBox> combo_;
    TComboBoxStyle style_ = csDropDown;
    int itemHeight_ = 16;
    int tabOrder_ = -1;
    TNotifyEvent onChange_;
};

}  // namespace skyvane
