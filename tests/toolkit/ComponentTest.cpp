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
    TComponent* deleteInStep = nullptr;

protected:
    // Reads a member of the derived part, which only a whole object still has.
    void BeforeDestruction() override {
        const bool ownerFreeing = Owner() && Owner()->IsFreeing();
        log_.push_back("step:" + Name() + (ownerFreeing ? " (owner freeing)" : ""));
        delete deleteInStep;
    }
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
    // Every first step runs, owned components first, before any destructor; the
    // owner's own part is gone by the time the children's destructors run.
    EXPECT_EQ(log,
              (std::vector<std::string>{"step:a", "step:b", "step:owner", "~owner", "~b", "~a"}));
}

TEST(Component, AnOwnerNotMadeWithNewStillStepsWhatItOwnsBeforeFreeingIt) {
    std::vector<std::string> log;
    {
        Probe owner(nullptr, "owner", log);
        new Probe(&owner, "a", log);
    }
    // The owner's derived part is gone first, and the owned one is told so.
    EXPECT_EQ(log, (std::vector<std::string>{"~owner", "step:a (owner freeing)", "~a"}));
}

TEST(Component, AFirstStepMayDestroyAnotherComponent) {
    std::vector<std::string> log;
    auto* owner = new Probe(nullptr, "owner", log);
    auto* a = new Probe(owner, "a", log);
    a->deleteInStep = new Probe(owner, "b", log);
    new Probe(owner, "c", log);
    delete owner;
    EXPECT_EQ(log, (std::vector<std::string>{"step:a", "step:b", "~b", "owner:removed:b", "step:c",
                                             "step:owner", "~owner", "~c", "~a"}));
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
    EXPECT_EQ(log, (std::vector<std::string>{"step:user", "~user", "owner:removed:user"}));
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
