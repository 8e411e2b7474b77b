// SPDX-License-Identifier: GPL-3.0-or-later
// The About box's own controls: a bevelled panel, a picture and a push button. They
// follow the toolkit's component pattern (owner destroys, widget in the form's tree).
#pragma once

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <string>

#include "toolkit/Component.h"

namespace skyvane::aboutbox {

// How one edge of a panel is drawn.
enum class TBevel { None, Lowered, Raised };

// A rectangle with an outer and an inner bevel, a parent for other controls.
class TPanel : public TComponent {
public:
    // A panel inside `parent` (a widget of the form that owns it).
    TPanel(TComponent* owner, QWidget* parent);
    ~TPanel() override;

    void SetBounds(int left, int top, int width, int height);
    void SetBevelOuter(TBevel bevel);
    void SetBevelInner(TBevel bevel);
    // The width of the frame the two bevels draw.
    int BorderWidth() const;
    // The widget that holds the panel's children.
    QFrame* Widget() const;

private:
    class Frame;
    Frame* frame_;  // owned by the form's widget tree until this component goes
};

// A picture centred in its rectangle.
class TImage : public TComponent {
public:
    TImage(TComponent* owner, QWidget* parent);
    ~TImage() override;

    void SetBounds(int left, int top, int width, int height);
    // Shows `picture` at its own size, centred; a null picture leaves the area empty.
    void SetPicture(const QPixmap& picture);
    // The picture shown (null when none).
    QPixmap Picture() const;
    QLabel* Widget() const { return label_; }

private:
    QLabel* label_;
};

// A push button that can be the form's default button.
class TButton : public TComponent {
public:
    TButton(TComponent* owner, QWidget* parent);
    ~TButton() override;

    void SetBounds(int left, int top, int width, int height);
    void SetCaption(const std::string& caption);
    // The default button is pressed by Enter anywhere in the form.
    bool Default() const { return default_; }
    void SetDefault(bool isDefault);
    // Called on a click (mouse, Space, or Enter for the default button).
    void SetOnClick(TNotifyEvent handler) { onClick_ = std::move(handler); }
    // Presses the button as a click does.
    void Click();
    QPushButton* Widget() const { return button_; }

private:
    QPushButton* button_;
    bool default_ = false;
    TNotifyEvent onClick_;
};

}  // namespace skyvane::aboutbox
