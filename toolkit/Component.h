// SPDX-License-Identifier: GPL-3.0-or-later
// Components: owned objects with a name, a tag and the loading/designing states.
#pragma once

#include <cstdint>
#include <functional>
#include <new>
#include <string>
#include <vector>

namespace skyvane {

class TComponent;
// The plain event handler: called with the component that raised the event.
using TNotifyEvent = std::function<void(TComponent* sender)>;

// Base of every component. An owner destroys the components it owns (the last
// created first); a component that refers to another asks to be told when that one
// goes away (FreeNotification) and then gets ComponentRemoved.
//
// Destruction has two steps. `delete` first runs BeforeDestruction on the whole
// object, which marks it and everything it owns as destroying and lets each of them
// stop what could still call back into its owner (a port closes and joins its event
// thread); only then do the destructors run and free anything. So no handler ever
// runs on an owner that is partly freed. A component that is not made with `new`
// gets the first step from its destructor, when its derived parts are gone already.
class TComponent {
public:
    explicit TComponent(TComponent* owner);
    virtual ~TComponent();
    // Runs BeforeDestruction on the whole object, then the destructors, then frees it.
    void operator delete(TComponent* component, std::destroying_delete_t);
    // The allocation, and the release when a constructor throws, paired with the
    // destroying delete (the compiler checks the pairs; defined out of line, where
    // its check cannot see through them).
    void* operator new(std::size_t size);
    void operator delete(void* storage);
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    // The component that destroys this one, or nullptr.
    TComponent* Owner() const { return owner_; }
    // The components this one owns, in creation order.
    const std::vector<TComponent*>& Components() const { return components_; }
    // The owned component with this name (case-insensitive), or nullptr.
    TComponent* FindComponent(std::string_view name) const;

    // The component's name within its owner.
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    // A free value for the program's own use.
    std::intptr_t Tag() const { return tag_; }
    void SetTag(std::intptr_t tag) { tag_ = tag; }

    // True while a stored layout is being applied (between BeginLoading and LayoutLoaded).
    bool IsLoading() const { return loading_; }
    // True inside a visual designer; the program itself never sets it.
    bool IsDesigning() const { return designing_; }
    // Marks this component and everything it owns as designing (or not).
    void SetDesigning(bool designing);
    // True once destruction has begun (from BeforeDestruction on).
    bool IsDestroying() const { return destroying_; }
    // True once the destructor itself runs: the derived parts are gone, so handlers,
    // which belong to the owner, must no longer be called.
    bool IsFreeing() const { return freeing_; }

    // Enters the loading state; the stored layout is applied next.
    void BeginLoading() { loading_ = true; }
    // Runs once after the stored layout has been applied; the base ends the loading state.
    virtual void LayoutLoaded() { loading_ = false; }

    // Asks `other` to call ComponentRemoved(other) on this one before it is destroyed.
    void FreeNotification(TComponent* other);
    // Withdraws a FreeNotification request.
    void RemoveFreeNotification(TComponent* other);

protected:
    // A component this one owns or refers to is being destroyed; clear references to it.
    virtual void ComponentRemoved(TComponent* component) { (void)component; }
    // The first step of destruction, run once while the object and its owner are
    // whole, after the same step of everything it owns: an override stops what could
    // still call back into the owner.
    virtual void BeforeDestruction() {}
    // The destroying delete, for classes whose TComponent part is not at the start of
    // the object: they declare their own operator delete that calls this.
    static void Destroy(TComponent* component);

private:
    // Marks this component destroying and runs the first step, owned components first.
    void StartDestruction();
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    TComponent* owner_;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> notified_;  // told when this one goes away, and vice versa
    std::string name_;
    std::intptr_t tag_ = 0;
    bool loading_ = false;
    bool designing_ = false;
    bool destroying_ = false;
    bool freeing_ = false;
};

}  // namespace skyvane
