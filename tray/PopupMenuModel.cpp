// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/PopupMenuModel.h"

#include <algorithm>

#include "toolkit/ExceptionReport.h"
#include "toolkit/Menu.h"

namespace skyvane {

TPopupMenuModel::TPopupMenuModel(TPopupMenu& menu) : menu_(&menu) {
    menu_->SetOnChange([this] {
        // Entries that left the menu give up their identifiers.
        const auto& items = menu_->Items();
        std::erase_if(ids_, [&](const auto& entry) {
            return std::find(items.begin(), items.end(), entry.first) == items.end();
        });
        if (listener_) listener_();
    });
}

TPopupMenuModel::~TPopupMenuModel() {
    if (menu_) menu_->SetOnChange(nullptr);
}

std::int32_t TPopupMenuModel::IdOf(const TMenuItem* item) const {
    auto [it, added] = ids_.try_emplace(item, nextId_);
    if (added) ++nextId_;
    return it->second;
}

std::vector<platform::MenuEntry> TPopupMenuModel::Entries() const {
    std::vector<platform::MenuEntry> entries;
    if (!menu_) return entries;
    for (const TMenuItem* item : menu_->Items()) {
        platform::MenuEntry entry;
        entry.id = IdOf(item);
        entry.label = item->Caption();
        entry.separator = item->IsSeparator();
        entry.enabled = item->Enabled();
        entry.checkable = item->HasCheckMark();
        entry.checked = item->Checked();
        entry.isDefault = item->Default();
        entries.push_back(std::move(entry));
    }
    return entries;
}

void TPopupMenuModel::Activate(std::int32_t id) {
    if (!menu_) return;
    for (TMenuItem* item : menu_->Items()) {
        auto it = ids_.find(item);
        if (it == ids_.end() || it->second != id) continue;
        Guarded([item] { item->Click(); });
        return;  // the command may have destroyed the menu and this model
    }
}

void TPopupMenuModel::SetOnChange(std::function<void()> listener) {
    listener_ = std::move(listener);
}

}  // namespace skyvane
