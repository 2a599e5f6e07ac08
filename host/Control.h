// The animate ("Auto Key") switch of the host SDK's controller header.
#ifndef HOST_CONTROL_H
#define HOST_CONTROL_H

#ifdef MSH_REAL_SDK
// A build against the real SDK: its declarations of all that the branch below declares or
// includes (the same host/ headers, which forward in turn), nothing of ours.
#include <max.h>

#include "host/MaxTypes.h"
#else

#include "host/MaxTypes.h"

/// Non-zero while the animate switch is on: values set then become keys.
MAXHOST_API int Animating();
MAXHOST_API void AnimateOn();
MAXHOST_API void AnimateOff();
/// Saves the switch on a stack and turns it off; ResumeAnimate restores the saved state.
MAXHOST_API void SuspendAnimate();
MAXHOST_API void ResumeAnimate();

#endif // MSH_REAL_SDK

#endif
