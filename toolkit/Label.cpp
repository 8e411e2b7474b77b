// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/Label.h"

#include "toolkit/Form.h"

namespace skyvane {

TLabel::TLabel(TComponent* owner) : TComponent(owner) {
    auto* form = dynamic_cast<TForm*>(owner);
    label_ = new QLabel(form);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label_->setAutoFillBackground(true);
}

TLabel::~TLabel() { delete label_; }

void TLabel::SetCaption(std::string caption) {
    caption_ = std::move(caption);
    label_->setText(QString::fromLocal8Bit(caption_));
}

void TLabel::SetBounds(int left, int top, int width, int height) {
    label_->setGeometry(left, top, width, height);
}

void TLabel::SetColor(TColor color) {
    QPalette palette = label_->palette();
    palette.setColor(QPalette::Window, ToQColor(color));
    label_->setPalette(palette);
}

void TLabel::SetFont(const TFont& font) {
    font_ = font;
    label_->setFont(ToQFont(font));
    QPalette palette = label_->palette();
    palette.setColor(QPalette::WindowText, ToQColor(font.color));
    label_->setPalette(palette);
}

}  // namespace skyvane
