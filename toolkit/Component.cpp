// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/Component.h"

#include <algorithm>
#include <cctype>

namespace skyvane {

namespace {
bool SameTextAscii(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}
void Erase(std::vector<TComponent*>& list, TComponent* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}
}  // namespace

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (owner_) owner_->InsertComponent(this);
}

TComponent::~TComponent() {
    destroying_ = true;
    // Tell every component that refers to this one, then the owner.
    std::vector<TComponent*> notified;
    notified.swap(notified_);
    for (TComponent* other : notified) {
        Erase(other->notified_, this);
        other->ComponentRemoved(this);
    }
    while (!components_.empty()) {
        TComponent* last = components_.back();
        delete last;  // removes itself from components_
    }
    if (owner_) {
        owner_->RemoveComponent(this);
        owner_->ComponentRemoved(this);
    }
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    for (TComponent* c : components_)
        if (SameTextAscii(c->Name(), name)) return c;
    return nullptr;
}

void TComponent::SetDesigning(bool designing) {
    designing_ = designing;
    for (TComponent* c : components_) c->SetDesigning(designing);
}

void TComponent::FreeNotification(TComponent* other) {
    if (!other || other == this) return;
    if (std::find(notified_.begin(), notified_.end(), other) == notified_.end()) {
        notified_.push_back(other);
        other->notified_.push_back(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    if (!other) return;
    Erase(notified_, other);
    Erase(other->notified_, this);
}

void TComponent::InsertComponent(TComponent* component) { components_.push_back(component); }

void TComponent::RemoveComponent(TComponent* component) { Erase(components_, component); }

}  // namespace skyvane
