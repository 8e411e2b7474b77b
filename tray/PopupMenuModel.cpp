// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/PopupMenuModel.h"

#include <algorithm>

#include "toolkit/ExceptionReport.h"
#include "toolkit/Menu.h"

namespace skyvane {
namespace {

// Every entry of `items`, with the entries of their submenus.
void AllItems(const std::vector<TMenuItem*>& items, std::vector<const TMenuItem*>& all) {
    for (const TMenuItem* item : items) {
        all.push_back(item);
        AllItems(item->Items(), all);
    }
}

// The entry of `items` or of their submenus that `matches`, or nullptr.
template <class Pred>
TMenuItem* FindItem(const std::vector<TMenuItem*>& items, Pred matches) {
    for (TMenuItem* item : items) {
        if (matches(item)) return item;
        if (TMenuItem* found = FindItem(item->Items(), matches)) return found;
    }
    return nullptr;
}

}  // namespace

TPopupMenuModel::TPopupMenuModel(TPopupMenu& menu) : menu_(&menu) {
    menu_->SetOnChange([this] {
        // Entries that left the menu give up their identifiers.
        std::vector<const TMenuItem*> items;
        AllItems(menu_->Items(), items);
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
    if (menu_) Collect(menu_->Items(), 0, entries);
    return entries;
}

void TPopupMenuModel::Collect(const std::vector<TMenuItem*>& items, std::int32_t parent,
                              std::vector<platform::MenuEntry>& entries) const {
    for (const TMenuItem* item : items) {
        if (!item->Visible()) continue;
        platform::MenuEntry entry;
        entry.id = IdOf(item);
        entry.parent = parent;
        entry.label = item->Caption();
        entry.separator = item->IsSeparator();
        entry.enabled = item->Enabled();
        entry.checkable = item->HasCheckMark();
        entry.checked = item->Checked();
        entry.isDefault = item->Default();
        entries.push_back(std::move(entry));
        Collect(item->Items(), entries.back().id, entries);
    }
}

void TPopupMenuModel::Activate(std::int32_t id) {
    if (!menu_) return;
    TMenuItem* item = FindItem(menu_->Items(), [&](const TMenuItem* candidate) {
        auto it = ids_.find(candidate);
        return it != ids_.end() && it->second == id;
    });
    // The command may destroy the menu and this model: nothing is touched after it.
    if (item && item->Visible() && item->Items().empty()) Guarded([item] { item->Click(); });
}

void TPopupMenuModel::SetOnChange(std::function<void()> listener) {
    listener_ = std::move(listener);
}

}  // namespace skyvane
