// SPDX-License-Identifier: GPL-3.0-or-later
// Pop-up menus with check marks, a default entry and submenus.
#pragma once

#include <QMenu>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Component.h"

namespace skyvane {

class TPopupMenu;

// One menu entry.
class TMenuItem : public TComponent {
public:
    // An entry owned by `owner`; Add it to a menu to show it there.
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    // The entry's text; "-" makes the entry a separator line.
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    // The check mark.
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    // True: choosing the entry toggles its check mark before OnClick runs.
    bool AutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool autoCheck);
    // The default entry is drawn in bold and chosen by a double click on the tray icon.
    bool Default() const { return default_; }
    void SetDefault(bool isDefault);
    // Greyed out entries cannot be chosen.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // Hidden entries are not shown at all (default shown).
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    // True when the entry shows a check box (it was checked once, or toggles itself).
    bool HasCheckMark() const { return hasCheckMark_; }
    // True when the caption is "-": a dividing line, never chosen.
    bool IsSeparator() const { return caption_ == "-"; }
    // Runs when the entry is chosen.
    void SetOnClick(TNotifyEvent handler) { onClick_ = std::move(handler); }

    // Chooses the entry: toggles the check mark when AutoCheck, then runs OnClick.
    void Click();
    // The Qt action that shows the entry.
    QAction* Action() const { return action_.get(); }

    // Appends `child` to the entry's submenu (not owned: its owner destroys it); an
    // entry with children opens them instead of running a command.
    void Add(TMenuItem* child);
    // Takes every child out of the submenu (they are not destroyed).
    void Clear();
    // The submenu's entries in order; empty for a plain entry.
    const std::vector<TMenuItem*>& Items() const { return items_; }

protected:
    void ComponentRemoved(TComponent* component) override;

private:
    void UpdateAction();
    void Forget(TMenuItem* child);

    std::unique_ptr<QAction> action_;
    std::unique_ptr<QMenu> submenu_;
    std::vector<TMenuItem*> items_;
    std::string caption_;
    bool checked_ = false;
    bool hasCheckMark_ = false;  // shown with a check box once it was ever checked or toggles
    bool autoCheck_ = false;
    bool default_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    TNotifyEvent onClick_;
};

// Where the menu stands relative to the point it is shown at.
enum class TPopupAlignment { Left, Right, Center };

// A pop-up menu: a list of entries shown modally at a screen point.
class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    // Appends an entry (not owned by the menu; its owner destroys it).
    void Add(TMenuItem* item) { Insert(items_.size(), item); }
    // Puts an entry at `index` (at the end when past it).
    void Insert(std::size_t index, TMenuItem* item);
    // The entries in menu order.
    const std::vector<TMenuItem*>& Items() const { return items_; }
    // True: the menu opens by itself on the usual mouse action (default true).
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool autoPopup) { autoPopup_ = autoPopup; }
    TPopupAlignment Alignment() const { return alignment_; }
    void SetAlignment(TPopupAlignment alignment) { alignment_ = alignment; }
    // Told after an entry's caption, check mark, enabled state, visibility or default
    // flag changed, or an entry was added or removed, in a submenu too (nullptr: nobody).
    void SetOnChange(std::function<void()> listener) { onChange_ = std::move(listener); }
    // The component that opened the menu last.
    TComponent* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TComponent* component) { popupComponent_ = component; }

    // Shows the menu at screen point (x, y) and returns when it closes; the chosen
    // entry's Click runs before this returns.
    void Popup(int x, int y);
    // The Qt menu (for tests and for the tray's context menu).
    QMenu* Menu() { return &menu_; }

protected:
    void ComponentRemoved(TComponent* component) override;

private:
    void NotifyChange();

    QMenu menu_;
    std::function<void()> onChange_;
    std::vector<TMenuItem*> items_;
    bool autoPopup_ = true;
    TPopupAlignment alignment_ = TPopupAlignment::Left;
    TComponent* popupComponent_ = nullptr;
};

}  // namespace skyvane
