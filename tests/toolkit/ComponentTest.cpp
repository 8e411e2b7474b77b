// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/Component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace skyvane {
namespace {

// Records its own destruction and every removal it is told of.
class Probe : public TComponent {
public:
    Probe(TComponent* owner, std::string name, std::vector<std::string>& log)
        : TComponent(owner), log_(log) {
        SetName(std::move(name));
    }
    ~Probe() override { log_.push_back("~" + Name()); }
    TComponent* ref = nullptr;

protected:
    void ComponentRemoved(TComponent* c) override {
        log_.push_back(Name() + ":removed:" + c->Name());
        if (c == ref) ref = nullptr;
    }

private:
    std::vector<std::string>& log_;
};

TEST(Component, OwnerDestroysOwnedComponentsLastFirst) {
    std::vector<std::string> log;
    auto* owner = new Probe(nullptr, "owner", log);
    new Probe(owner, "a", log);
    new Probe(owner, "b", log);
    ASSERT_EQ(owner->Components().size(), 2u);
    delete owner;
    // The owner's own part is gone by then, so only the children's destructors show.
    EXPECT_EQ(log, (std::vector<std::string>{"~owner", "~b", "~a"}));
}

TEST(Component, FreeNotificationClearsReferenceWhenTargetGoes) {
    std::vector<std::string> log;
    Probe owner(nullptr, "owner", log);
    auto* user = new Probe(&owner, "user", log);
    auto* target = new Probe(&owner, "target", log);
    user->ref = target;
    user->FreeNotification(target);
    delete target;
    EXPECT_EQ(user->ref, nullptr);
    EXPECT_EQ(owner.Components().size(), 1u);
    log.clear();
    delete user;  // no stale notification to the deleted target
    EXPECT_EQ(log, (std::vector<std::string>{"~user", "owner:removed:user"}));
}

TEST(Component, LoadingEndsWithLayoutLoadedAndDesigningReachesOwned) {
    std::vector<std::string> log;
    Probe owner(nullptr, "owner", log);
    auto* child = new Probe(&owner, "Child", log);
    child->BeginLoading();
    EXPECT_TRUE(child->IsLoading());
    child->LayoutLoaded();
    EXPECT_FALSE(child->IsLoading());
    owner.SetDesigning(true);
    EXPECT_TRUE(child->IsDesigning());
    EXPECT_EQ(owner.FindComponent("child"), child);
    EXPECT_EQ(owner.FindComponent("nobody"), nullptr);
}

}  // namespace
}  // namespace skyvane
