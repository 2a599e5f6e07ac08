// The animate switch and the keys set while it is on.
#include "host/embed/MemoryHost.h"
#include "host/impl/SceneState.h"

#include <vector>

namespace {

struct AnimateState {
    bool on = false;
    std::vector<bool> suspended; // the states SuspendAnimate saved, innermost last
    std::vector<AnimationKey> keys;

    AnimateState() {
        // A new scene starts as a new session: switch off, nothing suspended, no keys.
        hostimpl::addResetHook([this] {
            on = false;
            suspended.clear();
            keys.clear();
        });
    }
};

AnimateState& animateState() {
    static AnimateState state;
    return state;
}

} // namespace

int Animating() {
    return animateState().on ? 1 : 0;
}

void AnimateOn() {
    animateState().on = true;
}

void AnimateOff() {
    animateState().on = false;
}

// Suspending turns the switch off until the matching resume (ref.h AnimateSuspend; control.h
// SetValue: "SuspendAnimate(); AnimateOn(); ... ResumeAnimate();").
void SuspendAnimate() {
    AnimateState& state = animateState();
    state.suspended.push_back(state.on);
    state.on = false;
}

void ResumeAnimate() {
    AnimateState& state = animateState();
    if (state.suspended.empty()) {
        hostimpl::misuse("ResumeAnimate: no SuspendAnimate to resume");
        return;
    }
    state.on = state.suspended.back();
    state.suspended.pop_back();
}

std::vector<AnimationKey> animationKeys() {
    return animateState().keys;
}

namespace hostimpl {

// A controller given a value while animating sets a key instead (control.h SetValue).
void noteValueSet(const Animatable* owner, const char* track, TimeValue t) {
    AnimateState& state = animateState();
    if (state.on)
        state.keys.push_back(AnimationKey{owner, track, t});
}

} // namespace hostimpl
