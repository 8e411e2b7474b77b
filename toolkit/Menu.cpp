// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/Menu.h"

#include <algorithm>

#include "toolkit/ExceptionReport.h"

namespace skyvane {

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), action_(std::make_unique<QAction>()) {
    QObject::connect(action_.get(), &QAction::triggered, [this] { Guarded([this] { Click(); }); });
    UpdateAction();
}

TMenuItem::~TMenuItem() {
    for (TMenuItem* child : items_) RemoveFreeNotification(child);
    if (submenu_) action_->setMenu(nullptr);
}

void TMenuItem::SetCaption(std::string caption) {
    caption_ = std::move(caption);
    UpdateAction();
}

void TMenuItem::SetChecked(bool checked) {
    checked_ = checked;
    hasCheckMark_ = true;
    UpdateAction();
}

void TMenuItem::SetAutoCheck(bool autoCheck) {
    autoCheck_ = autoCheck;
    hasCheckMark_ = hasCheckMark_ || autoCheck;
    UpdateAction();
}

void TMenuItem::SetDefault(bool isDefault) {
    default_ = isDefault;
    UpdateAction();
}

void TMenuItem::SetEnabled(bool enabled) {
    enabled_ = enabled;
    UpdateAction();
}

void TMenuItem::SetVisible(bool visible) {
    visible_ = visible;
    UpdateAction();
}

void TMenuItem::Add(TMenuItem* child) {
    if (!submenu_) {
        submenu_ = std::make_unique<QMenu>();
        action_->setMenu(submenu_.get());
    }
    items_.push_back(child);
    submenu_->addAction(child->Action());
    FreeNotification(child);
    // A change deep down is a change of this entry to the menu that shows it.
    QObject::connect(child->Action(), &QAction::changed, action_.get(),
                     [this] { emit action_->changed(); });
    emit action_->changed();
}

void TMenuItem::Clear() {
    for (TMenuItem* child : std::vector<TMenuItem*>(items_)) {
        submenu_->removeAction(child->Action());
        QObject::disconnect(child->Action(), &QAction::changed, action_.get(), nullptr);
        RemoveFreeNotification(child);
    }
    items_.clear();
    emit action_->changed();
}

void TMenuItem::ComponentRemoved(TComponent* component) {
    auto it = std::find(items_.begin(), items_.end(), component);
    if (it == items_.end()) return;
    // The child's QAction already left the submenu with it.
    items_.erase(it);
    emit action_->changed();
}

void TMenuItem::Click() {
    if (!enabled_ || IsSeparator()) return;
    if (autoCheck_) SetChecked(!checked_);
    if (onClick_) onClick_(this);
}

void TMenuItem::UpdateAction() {
    // The check mark is drawn from our own state; Qt must not toggle it by itself.
    action_->setCheckable(hasCheckMark_);
    action_->setChecked(checked_);
    // A separator's "-" is not drawn as text beside its line.
    action_->setText(IsSeparator() ? QString() : QString::fromLocal8Bit(caption_));
    action_->setSeparator(IsSeparator());
    action_->setEnabled(enabled_);
    action_->setVisible(visible_);
    QFont font = action_->font();
    font.setBold(default_);
    action_->setFont(font);
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

TPopupMenu::~TPopupMenu() {
    for (TMenuItem* item : items_) RemoveFreeNotification(item);
}

void TPopupMenu::Insert(std::size_t index, TMenuItem* item) {
    index = std::min(index, items_.size());
    QAction* before = index < items_.size() ? items_[index]->Action() : nullptr;
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), item);
    menu_.insertAction(before, item->Action());
    FreeNotification(item);
    QObject::connect(item->Action(), &QAction::changed, &menu_, [this] { NotifyChange(); });
    NotifyChange();
}

void TPopupMenu::NotifyChange() {
    if (onChange_) onChange_();
}

void TPopupMenu::ComponentRemoved(TComponent* component) {
    auto it = std::find(items_.begin(), items_.end(), component);
    // The item's QAction is already gone by now (members go before the component
    // base) and took itself out of the Qt menu; only the list entry remains.
    if (it != items_.end()) {
        items_.erase(it);
        NotifyChange();
    }
    if (component == popupComponent_) popupComponent_ = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
    menu_.ensurePolished();
    const QSize size = menu_.sizeHint();
    QPoint at(x, y);
    if (alignment_ == TPopupAlignment::Right) at.rx() -= size.width();
    if (alignment_ == TPopupAlignment::Center) at.rx() -= size.width() / 2;
    menu_.exec(at);
}

}  // namespace skyvane
