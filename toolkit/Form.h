// SPDX-License-Identifier: GPL-3.0-or-later
// Forms: windows built from a stored layout.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "toolkit/Component.h"
#include "toolkit/Graphics.h"

namespace skyvane {

// A window that owns its components. A derived form creates its components, then
// calls LoadLayout with the code that applies the stored values in their stored order.
class TForm : public QWidget, public TComponent {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;
    // The component's allocation functions, declared again here because the component
    // part of a form does not start the object (GCC warns about the inherited ones).
    void operator delete(TForm* form, std::destroying_delete_t);
    void* operator new(std::size_t size);
    void operator delete(void* storage);

    // The window's title.
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    // Outer position and size, as the layouts give them.
    void SetBounds(int left, int top, int width, int height);
    // Background colour of the window.
    void SetColor(TColor color);
    // The window's font, inherited by its controls.
    void SetFont(const TFont& font);

protected:
    // Puts this form and every component it owns into the loading state, runs
    // `applyStoredValues` (which sets the stored properties through the ordinary
    // setters), then runs LayoutLoaded on each owned component in creation order and
    // finally on the form itself.
    void LoadLayout(const std::function<void()>& applyStoredValues);

    // Closing the main form ends the application.
    void closeEvent(QCloseEvent* event) override;

private:
    std::string caption_;
};

}  // namespace skyvane
