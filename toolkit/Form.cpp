// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/Form.h"

#include <QCloseEvent>

#include "toolkit/Application.h"

namespace skyvane {

TForm::TForm(TComponent* owner) : QWidget(nullptr), TComponent(owner) {}

void TForm::operator delete(TForm* form, std::destroying_delete_t) {
    Destroy(form);
}

void* TForm::operator new(std::size_t size) {
    return ::operator new(size);
}

void TForm::operator delete(void* storage) {
    ::operator delete(storage);
}

TForm::~TForm() {
    if (Application() && Application()->MainForm() == this) Application()->SetMainForm(nullptr);
}

void TForm::SetCaption(std::string caption) {
    caption_ = std::move(caption);
    setWindowTitle(QString::fromLocal8Bit(caption_));
}

void TForm::SetBounds(int left, int top, int width, int height) {
    move(left, top);
    resize(width, height);
}

void TForm::SetColor(TColor color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, ToQColor(color));
    setPalette(p);
    setAutoFillBackground(true);
}

void TForm::SetFont(const TFont& font) { setFont(ToQFont(font)); }

void TForm::LoadLayout(const std::function<void()>& applyStoredValues) {
    BeginLoading();
    for (TComponent* c : Components()) c->BeginLoading();
    applyStoredValues();
    for (TComponent* c : Components()) c->LayoutLoaded();
    LayoutLoaded();
}

void TForm::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted() && Application() && Application()->MainForm() == this)
        Application()->Terminate();
}

}  // namespace skyvane
