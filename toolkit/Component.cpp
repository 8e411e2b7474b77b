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

void TComponent::operator delete(TComponent* component, std::destroying_delete_t) {
    Destroy(component);
}

void* TComponent::operator new(std::size_t size) {
    return ::operator new(size);
}

void TComponent::operator delete(void* storage) {
    ::operator delete(storage);
}

void TComponent::Destroy(TComponent* component) {
    component->StartDestruction();
    void* storage = dynamic_cast<void*>(component);  // the start of the whole object
    component->~TComponent();
    ::operator delete(storage);
}

void TComponent::StartDestruction() {
    if (destroying_) return;
    destroying_ = true;
    // A step may destroy other components (a handler may), so look the list up afresh.
    for (;;) {
        auto next = std::find_if(components_.begin(), components_.end(),
                                 [](TComponent* c) { return !c->destroying_; });
        if (next == components_.end()) break;
        (*next)->StartDestruction();
    }
    BeforeDestruction();
}

TComponent::~TComponent() {
    freeing_ = true;
    // Made without `new`: the derived parts are gone, but the owned components are
    // whole and still get their first step before anything of theirs is freed.
    StartDestruction();
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
