// The SDK copy declares the editor interfaces but defines none of their IDs; they are defined once
// here, for every part of the binding that asks for or answers them.
#include "pluginterfaces/gui/iplugview.h"

namespace Steinberg {
DEF_CLASS_IID(IPlugView)
DEF_CLASS_IID(IPlugFrame)
#if SMTG_OS_LINUX  // the run-loop interfaces exist on Linux only
namespace Linux {
DEF_CLASS_IID(IRunLoop)
DEF_CLASS_IID(IEventHandler)
DEF_CLASS_IID(ITimerHandler)
}  // namespace Linux
#endif
}  // namespace Steinberg
