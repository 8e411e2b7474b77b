// SPDX-License-Identifier: GPL-3.0-or-later
// A text label placed on a form.
#pragma once

#include <QLabel>
#include <string>

#include "toolkit/Component.h"
#include "toolkit/Graphics.h"

namespace skyvane {

class TLabel : public TComponent {
public:
    // A label on the form that owns it (the owner must be a TForm).
    explicit TLabel(TComponent* owner);
    ~TLabel() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    void SetBounds(int left, int top, int width, int height);
    void SetColor(TColor color);
    void SetFont(const TFont& font);
    const TFont& Font() const { return font_; }
    // The Qt widget that shows it.
    QLabel* Widget() const { return label_; }

private:
    QLabel* label_;  // owned by the form's widget tree
    std::string caption_;
    TFont font_;
};

}  // namespace skyvane
